#include "DialogTestKit.h"
#include "EnatRules.h"
#include "ScriptGenerator.h"
#include "frmStaticNAT.h"

#include <QCheckBox>
#include <QComboBox>

using namespace mg;
using namespace dlgtest;

namespace {

const QString G = "203.0.113.1", M = "255.255.255.0", P = "192.168.1.10";
const QString Caption = QStringLiteral("アドレス・ポート変換の詳細設定");
const QString FullText = QStringLiteral("これ以上ENATの設定を追加することはできません。\r\n登録できる設定は100個までです。");
using Entries = QList<EnatEntry>;

EnatEntry sn(const QString &ip, const QString &gbl) { return {ip, {}, {}, gbl, {}, {}, {}, {}, StaticNat}; }
EnatEntry dn(const QString &ip, const QString &gbl) { return {ip, M, {}, gbl, M, {}, {}, {}, DynamicNat}; }
EnatEntry se(const QString &ip, const QString &port) { return {ip, {}, port, G, {}, port, "TCP", {}, StaticEnat}; }
EnatEntry de(const QString &ip, const QString &mask, const QString &gbl, const QString &iface = {})
{
    return {ip, mask, {}, gbl, {}, {}, {}, iface, DynamicEnat};
}
const EnatEntry Lan = de("192.168.1.0", M, G);

Configuration withEntries(const Entries &entries)
{
    Configuration c = Configuration::atProgramStart();
    c.Common.EthIP = QStringLiteral("192.168.1.1");
    c.Common.EthMask = M;
    for (const EnatEntry &e : entries)
        c.appendEnat(e);
    return c;
}
Entries listOf(const Configuration &c) { return Entries(c.EnatList.begin(), c.EnatList.begin() + c.EnatCount); }
Entries fullList()
{
    Entries full;
    for (int i = 0; i < MaxEnatEntries; ++i)
        full << sn(QStringLiteral("10.0.%1.%2").arg(i / 10).arg(i % 10 + 1), G);
    return full;
}

// The text boxes of the input area, in the order the data rows give them.
const char *const InputBoxes[] = {"txtIP", "txtNetMask", "txtPort", "txtGBLIP", "txtGBLMask", "txtGBLPORT"};
const QStringList Cleared(6), TypeCodes{"SN", "DN", "SE", "DE"};

struct Window : Shown<frmStaticNAT> {
    explicit Window(Configuration &config, const QList<MessageAnswer> &answers = {}) : Shown(answers, config) {}
    QTreeWidget *list() { return get<QTreeWidget>("lvwNATList"); }
    void clickRowAnd(int row, const char *button) { Shown::clickRowAnd(list(), row, button); }
    // choice: the protocol of static ENAT, the interface of dynamic ENAT.
    void add(int type, const QStringList &texts, const QString &choice = {})
    {
        get<QComboBox>("cboNATType")->setCurrentIndex(type);
        if (type == StaticEnat && !choice.isEmpty())
            get<QComboBox>("cboProtocol")->setCurrentText(choice);
        if (type == DynamicEnat && !choice.isEmpty() && !dialog.isEditing()) {
            get<QCheckBox>("chkGblInt")->click();
            get<QComboBox>("cboGBLInter")->setCurrentText(choice);
        }
        for (int i = 0; i < 6; ++i)
            if (QLineEdit *box = get(InputBoxes[i]); box->isEnabled())
                typeInto(box, texts.value(i));
        press("cmdAdd");
    }
    QStringList inputs()
    {
        QStringList texts;
        for (const char *name : InputBoxes)
            texts << get(name)->text();
        return texts;
    }
};

} // namespace

class TestFrmStaticNAT : public QObject {
    Q_OBJECT
private slots:
    void coverage_data() { addRowsFromTable("enat_coverage.tsv", {"entry", "address", "global", "by", "covered"}); }
    void coverage();
    void adding_data();
    void adding();
    void openingQuestion_data()
    {
        addRowsFromTable("enat_opening.tsv", {"connect", "types", "ethernet", "answer", "asked", "added", "full"});
    }
    void openingQuestion();
    void deleteWhileEditing();
    void closing_data();
    void closing();
    void nothingClipped_data();
    void nothingClipped();
};

void TestFrmStaticNAT::coverage()
{
    const QStringList e = cell("entry").split(QLatin1Char(' '));
    const QString mask = e[2] == QLatin1String("-") ? QString() : e[2];
    const EnatEntry entry{e[1], mask, {}, e[3], {}, {}, {}, {}, int16(TypeCodes.indexOf(e[0]))};
    const CoverBy by = cell("by") == QLatin1String("any") ? CoverBy::AnyDynamic : CoverBy::DynamicEnatOnly;
    QCOMPARE(IsCoveredByDynamic(withEntries({entry}), cell("address"), cell("global"), by), cell("covered") == "yes");
}

void TestFrmStaticNAT::adding_data()
{
    addRowsFromTable("enat_adding.tsv", {"list", "edit", "type", "txtIP", "txtNetMask", "txtPort", "txtGBLIP",
                                         "txtGBLMask", "txtGBLPORT", "choice", "message", "title", "focus", "line"});
}

void TestFrmStaticNAT::adding()
{
    const QMap<QString, Entries> lists{{"lan", {Lan}},
                                       {"ports", {Lan, se(P, "80")}},
                                       {"two", {sn("192.168.5.5", G), sn("192.168.5.6", "203.0.113.9")}},
                                       {"dn", {dn("192.168.1.0", G)}},
                                       {"gone", {Lan, de("10.0.0.0", "255.0.0.0", {}, "ppp3")}},
                                       {"full", fullList()}};
    const Entries entries = lists.value(cell("list"));
    const int edit = cell("edit").isEmpty() ? -1 : cell("edit").toInt(), type = cell("type").toInt();
    QStringList inputs;
    for (const char *name : InputBoxes)
        inputs << cell(name);
    const QString choice = cell("choice"), message = cell("message"), focus = cell("focus");

    Configuration c = withEntries(entries);
    c.TabCount = 3;
    c.EnatCommands = QStringLiteral("kept");
    const Configuration before = c;
    Window ui(c);
    const QStringList interfaces = itemsOf(ui.get<QComboBox>("cboGBLInter"));
    ui.get<QComboBox>("cboNATType")->setCurrentIndex(type == StaticEnat ? DynamicNat : StaticEnat);
    for (const char *name : InputBoxes)
        ui.get(name)->setText("1");
    if (edit >= 0)
        ui.clickRowAnd(edit, "cmdEdit");
    ui.add(type, inputs, choice);

    const int at = edit < 0 ? int(entries.size()) : edit;
    if (message.isEmpty()) {
        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(int(c.EnatCount), int(entries.size()) + (edit < 0));
        // An entry over an interface shows it where the address would be.
        QStringList row = inputs;
        if (type == DynamicEnat && !choice.isEmpty())
            row[3] = choice;
        QStringList shown;
        for (int column = 0; column < 7; ++column)
            shown << ui.list()->topLevelItem(at)->text(column);
        QCOMPARE(shown, row << TypeCodes[type]);
    }
    const bool cleared = focus.isEmpty() || focus == QLatin1String("DE");
    if (!message.isEmpty()) {
        expectShown(ui.prompt, message, cell("title"));
        QVERIFY(c == before);
        // A refusal that empties the boxes ends the edit, so what is typed
        // next cannot replace the entry that was being edited.
        QCOMPARE(ui.dialog.isEditing(), edit >= 0 && !cleared);
    }
    QCOMPARE(ui.list()->topLevelItemCount(), int(c.EnatCount));
    QCOMPARE(ui.get<QComboBox>("cboNATType")->currentIndex(), focus == QLatin1String("DE") ? int(DynamicEnat) : type);
    QCOMPARE(ui.inputs(), cleared ? Cleared : inputs);
    QWidget *focused = cleared ? ui.get("txtIP") : ui.get<QWidget>(qPrintable(focus));
    QCOMPARE(QApplication::focusWidget(), focused);
    if (auto *box = qobject_cast<QLineEdit *>(focused); box && !cleared)
        QCOMPARE(box->selectedText(), box->text());
    if (!message.isEmpty())
        return;

    QCOMPARE(ui.get<QComboBox>("cboProtocol")->currentText(), QStringLiteral("TCP"));
    const Entries stored = listOf(c);
    ui.clickRowAnd(at, "cmdEdit");
    QCOMPARE(ui.inputs(), inputs);
    QCOMPARE(QApplication::focusWidget(), ui.get("txtIP"));
    ui.press("cmdAdd");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), stored);
    QVERIFY(!ui.dialog.isEditing());
    // A deleted destination's interface was offered for that edit only.
    QCOMPARE(itemsOf(ui.get<QComboBox>("cboGBLInter")), interfaces);
    // The next dynamic ENAT entry may use an interface again.
    QCOMPARE(ui.get<QCheckBox>("chkGblInt")->isEnabled(), type == DynamicEnat);
    ui.press("cmdOK");
    QVERIFY(GenerateScript(c, ui.prompt).contains(cell("line") + "\r\n"));
}

void TestFrmStaticNAT::openingQuestion()
{
    const bool full = cell("full") == QLatin1String("yes");
    const QString added = cell("added");
    Configuration c = withEntries(full ? fullList() : Entries{});
    c.Common.ConnectType = int16(cell("connect").toInt());
    c.Common.EthIP = cell("ethernet");
    const QStringList types = cell("types").split(QLatin1Char(' '));
    c.TabCount = int16(types.size() + 1);
    for (int n = 1; n <= types.size(); ++n)
        c.destination(n).Type = int16(types[n - 1].toInt());
    Window ui(c, {cell("answer") == QLatin1String("Yes") ? MessageAnswer::Yes : MessageAnswer::No});

    QStringList texts;
    for (const QString &n : cell("asked").split(QLatin1Char(' '), Qt::SkipEmptyParts))
        texts << QStringLiteral("接続先%1は端末型の設定です。\r\n\r\nこの接続先のPPPインターフェースをグローバル"
                                "アドレス\r\nとするダイナミックENATエントリを追加しますか？").arg(n);
    if (full)
        texts << FullText;
    QCOMPARE(ui.prompt.texts(), texts);
    for (const mgtest::ShownMessage &s : ui.prompt.shown)
        QVERIFY(s.text == FullText ? s.title == Caption && s.icon == MessageIcon::Critical
                                   : s.title == QStringLiteral("ENATの設定") && s.buttons == MessageButtons::YesNo);
    const Entries list = full ? fullList() : added.isEmpty() ? Entries{} : Entries{de("192.168.1.0", M, {}, added)};
    QCOMPARE(listOf(c), list);
    QCOMPARE(ui.list()->topLevelItemCount(), list.size());
    QCOMPARE(ui.dialog.listChanged(), !added.isEmpty());
}

void TestFrmStaticNAT::deleteWhileEditing()
{
    Configuration c = withEntries({sn("192.168.9.1", G), sn("192.168.9.2", G), sn("192.168.9.3", G)});
    Window ui(c);
    ui.clickRowAnd(2, "cmdEdit");
    typeInto(ui.get("txtGBLIP"), "203.0.113.3");
    // While the third entry is being edited, the first one is deleted.
    ui.clickRowAnd(0, "cmdDelete");
    QTest::mouseClick(ui.get("txtGBLIP"), Qt::LeftButton);
    ui.press("cmdAdd");

    // The edit lands on the entry being edited, not on its new neighbour
    // and not beyond the list.
    const Entries edited{sn("192.168.9.2", G), sn("192.168.9.3", "203.0.113.3")};
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), edited);

    // Deleting the entry under edit ends the edit: the inputs become a new
    // entry instead of overwriting a neighbour.
    ui.clickRowAnd(1, "cmdEdit");
    ui.clickRowAnd(1, "cmdDelete");
    QTest::mouseClick(ui.get("txtIP"), Qt::LeftButton);
    ui.press("cmdAdd");
    QCOMPARE(listOf(c), edited);
}

void TestFrmStaticNAT::closing_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("action"); // on the first row; "delete, cancelled" answers キャンセル to the question
    QTest::addColumn<QString>("close");  // cmdOK, cmdCancel or Escape
    QTest::addColumn<Entries>("after");
    QTest::addColumn<QString>("commands"); // "old" where nothing changed

    const Entries one{sn("192.168.9.0", G)}, oneMore = one + Entries{sn("192.168.9.10", G)};
    // Two static ENAT entries depend on the first; once it goes they are
    // neighbours, and both must go. 10.1.1.1 stays under 10.0.0.0.
    const Entries all{Lan, se(P, "80"), se("192.168.1.11", "21"), sn("172.16.0.1", G),
                      de("10.0.0.0", "255.0.0.0", G), se("10.1.1.1", "25")};
    const QString built = QStringLiteral("enable ip nat\r\nadd ip nat ip=192.168.9.0 gblip=203.0.113.1\r\n");
    QTest::newRow("OK with rows builds the lines") << one << "" << "cmdOK" << one << built;
    QTest::newRow("OK on an empty list") << Entries{} << "" << "cmdOK" << Entries{} << "old";
    QTest::newRow("OK after deleting the last row") << one << "delete" << "cmdOK" << Entries{} << "";
    QTest::newRow("Cancel without changes") << one << "" << "cmdCancel" << one << "old";
    QTest::newRow("Cancel after an addition") << one << "add" << "cmdCancel" << oneMore << "";
    QTest::newRow("Escape after a deletion") << one << "delete" << "Escape" << Entries{} << "";
    QTest::newRow("cascade confirmed") << all << "delete" << "cmdCancel" << all.mid(3) << "";
    QTest::newRow("cascade cancelled") << all << "delete, cancelled" << "cmdCancel" << all << "old";
}

void TestFrmStaticNAT::closing()
{
    QFETCH(Entries, entries);
    QFETCH(QString, action);
    QFETCH(QString, close);
    QFETCH(Entries, after);
    QFETCH(QString, commands);

    Configuration c = withEntries(entries);
    c.EnatCommands = QStringLiteral("old");
    Window ui(c, {action.endsWith(QLatin1String("cancelled")) ? MessageAnswer::Cancel : MessageAnswer::Ok});
    if (action.startsWith(QLatin1String("delete"))) {
        ui.clickRowAnd(0, "cmdDelete");
        if (entries[0].NATType == DynamicEnat)
            expectShown(ui.prompt,
                        QStringLiteral("ダイナミックENATの設定を削除します。\r\nこの設定に関係するスタティックENATの"
                                       "設定も削除\r\nされますがよろしいですか？"),
                        QStringLiteral("ENATリストの削除"), MessageIcon::Information, MessageButtons::OkCancel);
        QCOMPARE(ui.get<QAbstractButton>("cmdDelete")->isEnabled(), !after.isEmpty());
    } else if (action == QLatin1String("add")) {
        ui.add(0, {"192.168.9.10", "", "", G});
    }
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(ui.list()->topLevelItemCount(), after.size());
    if (close == QLatin1String("Escape"))   // from a filtered box, which must let it by
        QTest::keyClick(ui.get("txtIP"), Qt::Key_Escape);
    else
        ui.press(qPrintable(close));

    QVERIFY(!ui.dialog.isVisible());
    QCOMPARE(ui.dialog.result(), int(close == QLatin1String("cmdOK") ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(listOf(c), after);
    // Any change, kept or not, must be saved and its lines built anew.
    QCOMPARE(c.Saved, commands == QLatin1String("old"));
    QCOMPARE(ui.dialog.changedConfiguration(), !c.Saved);
    QCOMPARE(c.EnatCommands, commands);
}

void TestFrmStaticNAT::nothingClipped_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("rows"); // enough for a vertical scroll bar, or not
    QTest::newRow("default font") << 0 << 2;
    QTest::newRow("default font, full list") << 0 << 100;
    QTest::newRow("large font, full list") << 11 << 100;
}

void TestFrmStaticNAT::nothingClipped()
{
    QFETCH(int, points);
    QFETCH(int, rows);
    const FontSize font(points);
    Entries entries{de("192.168.100.0", M, {}, "ppp31"), se("192.168.100.200", "65535")};
    while (entries.size() < rows)
        entries << sn(QStringLiteral("255.255.255.%1").arg(entries.size()), "255.255.255.255");
    Configuration c = withEntries(entries);
    c.TabCount = 33;
    Window ui(c);
    checkNothingClipped(&ui.dialog);
}

QTEST_MAIN(TestFrmStaticNAT)
#include "tst_frmStaticNAT.moc"
