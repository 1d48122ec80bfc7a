#include "DialogTestKit.h"
#include "EnatRules.h"
#include "ScriptGenerator.h"
#include "frmStaticNAT.h"

#include <QCheckBox>
#include <QComboBox>

using namespace mg;
using namespace dlgtest;

namespace {

const QString G = QStringLiteral("203.0.113.1");
const QString M = QStringLiteral("255.255.255.0");
const QString P = QStringLiteral("192.168.1.10");
const QString Caption = QStringLiteral("アドレス・ポート変換の詳細設定");
const QString FullText = QStringLiteral("これ以上ENATの設定を追加することはできません。\r\n登録できる設定は100個までです。");
using Entries = QList<EnatEntry>;
using Answers = QList<MessageAnswer>;

EnatEntry sn(const QString &ip, const QString &global) { return {ip, {}, {}, global, {}, {}, {}, {}, 0}; }
EnatEntry dn(const QString &ip, const QString &global, const QString &gblMask = M)
{
    return {ip, M, {}, global, gblMask, {}, {}, {}, 1};
}
EnatEntry se(const QString &ip, const QString &port, const QString &gblPort, const QString &protocol = "TCP")
{
    return {ip, {}, port, G, {}, gblPort, protocol, {}, 2};
}
EnatEntry de(const QString &ip, const QString &mask, const QString &global, const QString &interface = {})
{
    return {ip, mask, {}, global, {}, {}, {}, interface, 3};
}

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

// The six boxes as InputBoxes below, with TCP chosen.
EnatInput typed(int type, const QStringList &b)
{
    return {type, b.value(0), b.value(1), b.value(2), b.value(3), b.value(4), b.value(5), "TCP", false, {}};
}

// The text boxes of the input area, in the order the data rows give them.
const char *const InputBoxes[] = {"txtIP", "txtNetMask", "txtPort", "txtGBLIP", "txtGBLMask", "txtGBLPORT"};
const QStringList Cleared(6);

mgtest::ScriptedPrompt answering(const Answers &answers)
{
    mgtest::ScriptedPrompt prompt;
    prompt.answers = answers;
    return prompt;
}

struct Window {
    explicit Window(Configuration &config, const Answers &answers = {})
        : prompt(answering(answers)), dialog(config, prompt)
    {
        dialog.show();
        active = QTest::qWaitForWindowActive(&dialog);
    }
    template <class T = QLineEdit> T *get(const char *name) { return child<T>(&dialog, name); }
    QTreeWidget *list() { return get<QTreeWidget>("lvwNATList"); }
    void add(int type, const QStringList &texts)
    {
        get<QComboBox>("cboNATType")->setCurrentIndex(type);
        for (int i = 0; i < texts.size(); ++i)
            if (!texts[i].isEmpty())
                typeInto(get(InputBoxes[i]), texts[i]);
        click(&dialog, "cmdAdd");
    }
    QStringList inputs()
    {
        QStringList texts;
        for (const char *name : InputBoxes)
            texts << get(name)->text();
        return texts;
    }
    void clickRowAnd(int row, const char *button) { clickRow(list(), row), click(&dialog, button); }

    mgtest::ScriptedPrompt prompt;
    frmStaticNAT dialog;
    bool active = false;
};

} // namespace

Q_DECLARE_METATYPE(EnatEntry)
Q_DECLARE_METATYPE(EnatInput)
Q_DECLARE_METATYPE(MessageAnswer)
Q_DECLARE_METATYPE(EnatFault)
Q_DECLARE_METATYPE(CoverBy)

class TestFrmStaticNAT : public QObject {
    Q_OBJECT
private slots:
    void coverage_data();
    void coverage();
    void checks_data();
    void checks();
    void openingQuestion_data();
    void openingQuestion();
    void refusals_data();
    void refusals();
    void addThenEditUnchanged_data();
    void addThenEditUnchanged();
    void deleteCascade_data();
    void deleteCascade();
    void deleteWhileEditing();
    void closeSemantics_data();
    void closeSemantics();
    void nothingClipped();
};

void TestFrmStaticNAT::coverage_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("global");
    QTest::addColumn<CoverBy>("coverBy");
    QTest::addColumn<bool>("covered");

    const auto only = CoverBy::DynamicEnatOnly;
    const Entries lan24{de("192.168.1.0", M, G)}, net22{de("172.16.4.0", "255.255.252.0", G)};
    QTest::newRow("/24 inside") << lan24 << P << G << only << true;
    QTest::newRow("/24 other global") << lan24 << P << "203.0.113.2" << only << false;
    QTest::newRow("/22 last") << net22 << "172.16.7.255" << G << only << true;
    QTest::newRow("/22 just above") << net22 << "172.16.8.0" << G << only << false;
    QTest::newRow("/22 just below") << net22 << "172.16.3.255" << G << only << false;
    // The router masks the entry's address too: an entry typed with a host
    // address covers its whole network, below that host as well.
    QTest::newRow("host-typed network") << Entries{de("192.168.1.100", M, G)} << P << G << only << true;
    QTest::newRow("dynamic NAT, static NAT") << Entries{dn("192.168.1.0", G)} << P << G << CoverBy::AnyDynamic << true;
    QTest::newRow("dynamic NAT, static ENAT") << Entries{dn("192.168.1.0", G)} << P << G << only << false;
    QTest::newRow("static entries") << Entries{sn("192.168.1.0", G), se("192.168.1.0", "80", "80")} << "192.168.1.0"
                                    << G << CoverBy::AnyDynamic << false;
    QTest::newRow("by interface") << Entries{de("192.168.1.0", M, {}, "ppp0")} << P << G << only << false;
}

void TestFrmStaticNAT::coverage()
{
    QFETCH(Entries, entries);
    QFETCH(QString, address);
    QFETCH(QString, global);
    QFETCH(CoverBy, coverBy);
    QFETCH(bool, covered);
    QCOMPARE(IsCoveredByDynamic(withEntries(entries), address, global, coverBy), covered);
}

// The rules the refusals below do not reach: the port edge cases, and
// duplicates while adding and while editing.
void TestFrmStaticNAT::checks_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<EnatInput>("in");
    QTest::addColumn<int>("editIndex");
    QTest::addColumn<EnatFault>("fault");

    using F = EnatFault;
    const Entries lan{de("192.168.1.0", M, G)}, two{sn("192.168.5.5", G), sn("192.168.5.6", "203.0.113.9")};
    const Entries ports{de("192.168.1.0", M, G), se(P, "80", "8080")};
    QTest::newRow("private broadcast") << lan << typed(0, {"255.255.255.255", "", "", G}) << -1 << F::PrivateAddress;
    // The port boxes take any number of digits.
    QTest::newRow("port far too long") << lan << typed(2, {P, "", "80", G, "", "99999999999999999999999"}) << -1
                                       << F::Port;
    QTest::newRow("global port alone") << lan << typed(2, {P, "", "", G, "", "80"}) << -1 << F::Port;
    QTest::newRow("static ENAT without ports") << lan << typed(2, {P, "", "", G}) << -1 << F::Port;
    QTest::newRow("static ENAT port 0") << lan << typed(2, {P, "", "0", G, "", "80"}) << -1 << F::Port;
    QTest::newRow("other type, same address") << Entries{dn("192.168.5.5", "203.0.113.9")}
                                              << typed(0, {"192.168.5.5", "", "", G}) << -1 << F::None;
    QTest::newRow("edit into another entry") << two << typed(0, {"192.168.5.6", "", "", "203.0.113.9"}) << 0
                                             << F::Duplicate;
    QTest::newRow("edit to a new global") << two << typed(0, {"192.168.5.5", "", "", "203.0.113.8"}) << 0 << F::None;
    QTest::newRow("same private port") << ports << typed(2, {P, "", "80", G, "", "8081"}) << -1 << F::Duplicate;
    QTest::newRow("other private port") << ports << typed(2, {P, "", "81", G, "", "8081"}) << -1 << F::None;
    QTest::newRow("same DE network") << ports << typed(3, {"192.168.1.0", M, "", "203.0.113.2"}) << -1
                                     << F::Duplicate;
    QTest::newRow("DN never duplicate") << Entries{dn("10.0.0.0", G)} << typed(1, {"10.0.0.0", M, "", G, M}) << -1
                                        << F::None;
}

void TestFrmStaticNAT::checks()
{
    QFETCH(Entries, entries);
    QFETCH(EnatInput, in);
    QFETCH(int, editIndex);
    QFETCH(EnatFault, fault);
    QCOMPARE(CheckEnatInput(withEntries(entries), in, editIndex), fault);
}

void TestFrmStaticNAT::openingQuestion_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<QList<int>>("types"); // Type of destinations 1..N
    QTest::addColumn<QString>("ethIP");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QList<int>>("asked"); // destinations asked about
    QTest::addColumn<QString>("added");    // interface of the entry added; empty: none
    QTest::addColumn<bool>("full");        // the list holds its 100 entries

    using A = MessageAnswer;
    const QString eth = QStringLiteral("192.168.1.1");
    // Destination 3 is not asked: the entry for the LAN exists by then.
    QTest::newRow("yes for destination 2") << 0 << QList<int>{0, 1, 1} << eth << Answers{A::Yes} << QList<int>{2}
                                           << "ppp1" << false;
    QTest::newRow("no ends the questioning") << 0 << QList<int>{1, 1} << eth << Answers{A::No} << QList<int>{1} << ""
                                             << false;
    QTest::newRow("leased line asked too") << 1 << QList<int>{1} << eth << Answers{A::Yes} << QList<int>{1} << "ppp0"
                                           << false;
    QTest::newRow("no Ethernet address yet") << 0 << QList<int>{1} << "" << Answers{A::Yes} << QList<int>{} << ""
                                             << false;
    QTest::newRow("list full") << 0 << QList<int>{1} << eth << Answers{A::Yes} << QList<int>{1} << "" << true;
}

void TestFrmStaticNAT::openingQuestion()
{
    QFETCH(int, connectType);
    QFETCH(QList<int>, types);
    QFETCH(QString, ethIP);
    QFETCH(Answers, answers);
    QFETCH(QList<int>, asked);
    QFETCH(QString, added);
    QFETCH(bool, full);

    Configuration c = withEntries(full ? fullList() : Entries{});
    c.Common.ConnectType = int16(connectType);
    c.Common.EthIP = ethIP;
    c.TabCount = int16(types.size() + 1);
    for (int n = 1; n <= types.size(); ++n)
        c.destination(n).Type = int16(types[n - 1]);
    Window ui(c, answers);

    QStringList questions;
    for (int n : asked)
        questions << QStringLiteral("接続先%1は端末型の設定です。\r\n\r\nこの接続先のPPPインターフェースをグローバル"
                                    "アドレス\r\nとするダイナミックENATエントリを追加しますか？").arg(n);
    if (full)
        questions << FullText;
    QCOMPARE(ui.prompt.texts(), questions);
    for (const mgtest::ShownMessage &s : ui.prompt.shown.mid(0, asked.size()))
        QVERIFY(s.title == QStringLiteral("ENATの設定") && s.buttons == MessageButtons::YesNo);
    if (full)
        QVERIFY(ui.prompt.lastTitle() == Caption && ui.prompt.shown.last().icon == MessageIcon::Critical);
    const Entries expected = full             ? fullList()
                             : added.isEmpty() ? Entries{}
                                               : Entries{de("192.168.1.0", M, {}, added)};
    QCOMPARE(listOf(c), expected);
    QCOMPARE(ui.list()->topLevelItemCount(), expected.size());
    QCOMPARE(ui.dialog.listChanged(), !added.isEmpty());
}

void TestFrmStaticNAT::refusals_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("inputs"); // as InputBoxes
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus"); // box to correct, its text selected; empty: all cleared

    const Entries lan{de("192.168.1.0", M, G)};
    const QString fmt = QStringLiteral("の形式が正しくありません。");
    const QString ip = QStringLiteral("プライベートIPアドレス"), gip = QStringLiteral("グローバルIPアドレス");
    const QString mask = QStringLiteral("プライベートネットマスク"), gmask = QStringLiteral("グローバルネットマスク");
    const QString snTitle = QStringLiteral("スタティックNAT(SN)");
    QTest::newRow("private address, three parts") << Entries{} << 0 << QStringList{"192.168.1", "", "", G}
                                                  << ip + fmt << ip << "txtIP";
    QTest::newRow("global broadcast") << Entries{} << 0 << QStringList{"192.168.1.5", "", "", "255.255.255.255"}
                                      << gip + fmt << gip << "txtGBLIP";
    QTest::newRow("mask cut short") << Entries{} << 3 << QStringList{"192.168.1.0", "255.255.255", "", G}
                                    << mask + fmt << mask << "txtNetMask";
    QTest::newRow("global mask zero") << Entries{} << 1 << QStringList{"192.168.1.0", M, "", G, "0.0.0.0"}
                                      << gmask + fmt << gmask << "txtGBLMask";
    QTest::newRow("port 65536") << lan << 2 << QStringList{P, "", "80", G, "", "65536"}
                                << "ポート番号の形式が正しくありません。" << "ENATの詳細設定" << "cmdAdd";
    QTest::newRow("second static NAT") << Entries{sn("192.168.5.5", G)} << 0
                                       << QStringList{"192.168.5.5", "", "", "203.0.113.7"}
                                       << "そのプライベートIPアドレス、または、グローバルIPアドレスを\r\n"
                                          "使用した設定はすでに存在します。" << snTitle << "";
    QTest::newRow("static NAT in the dynamic range") << lan << 0 << QStringList{"192.168.1.20", "", "", G}
                                                     << "このIPアドレスは、ダイナミックな設定に使われています。"
                                                     << snTitle << "";
    QTest::newRow("101st entry") << fullList() << 0 << QStringList{"192.168.50.1", "", "", G} << FullText << Caption
                                 << "cmdAdd";
    // Refused for want of a dynamic ENAT entry, the type turns to that.
    QTest::newRow("static ENAT under dynamic NAT") << Entries{dn("192.168.1.0", G)} << 2
                                                   << QStringList{P, "", "80", G, "", "8080"}
                                                   << "このプライベートIPアドレスを含むダイナミックENAT\r\nの設定が"
                                                      "ありません。スタティックENATの設定は、この\r\nプライベートIP"
                                                      "アドレスを含むダイナミックENATの設定を\r\n追加してから行って"
                                                      "下さい。" << "スタティックENAT(SE)" << "DE";
}

void TestFrmStaticNAT::refusals()
{
    QFETCH(Entries, entries);
    QFETCH(int, type);
    QFETCH(QStringList, inputs);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);

    Configuration c = withEntries(entries);
    c.EnatCommands = QStringLiteral("kept");
    const Configuration before = c;
    Window ui(c);
    QVERIFY(ui.active);
    ui.add(type, inputs);

    expectShown(ui.prompt, text, title);
    QVERIFY(c == before);
    QCOMPARE(ui.list()->topLevelItemCount(), entries.size());
    const bool cleared = focus.isEmpty() || focus == QLatin1String("DE");
    QCOMPARE(ui.get<QComboBox>("cboNATType")->currentIndex(), focus == QLatin1String("DE") ? 3 : type);
    QCOMPARE(ui.inputs(), cleared ? Cleared : inputs + QStringList(6 - inputs.size()));
    QWidget *focused = cleared ? ui.get("txtIP") : ui.get<QWidget>(qPrintable(focus));
    QCOMPARE(QApplication::focusWidget(), focused);
    if (auto *box = qobject_cast<QLineEdit *>(focused); box && !cleared)
        QCOMPARE(box->selectedText(), box->text());
}

void TestFrmStaticNAT::addThenEditUnchanged_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("inputs"); // empty: the entry is in the list already
    QTest::addColumn<int>("choice");         // protocol for static ENAT, interface for dynamic ENAT; -1 none
    QTest::addColumn<EnatEntry>("stored");
    QTest::addColumn<QString>("line");

    const QString net = QStringLiteral("10.0.0.0"), mask8 = QStringLiteral("255.0.0.0");
    QTest::newRow("SN") << 0 << QStringList{"192.168.7.7", "", "", G} << -1 << sn("192.168.7.7", G)
                        << "add ip nat ip=192.168.7.7 gblip=203.0.113.1";
    QTest::newRow("DN") << 1 << QStringList{"192.168.2.0", M, "", G, "255.255.255.248"} << -1
                        << dn("192.168.2.0", G, "255.255.255.248")
                        << "add ip nat ip=192.168.2.0 mask=255.255.255.0 gblip=203.0.113.1 gblmask=255.255.255.248";
    QTest::newRow("SE over UDP") << 2 << QStringList{P, "", "53", G, "", "5353"} << 1 << se(P, "53", "5353", "UDP")
                                 << "add ip nat ip=192.168.1.10 prot=UDP port=53 gblip=203.0.113.1 gblport=5353";
    QTest::newRow("DE by address") << 3 << QStringList{net, mask8, "", G} << -1 << de(net, mask8, G)
                                   << "add ip nat ip=10.0.0.0 mask=255.0.0.0 gblip=203.0.113.1";
    QTest::newRow("DE by interface") << 3 << QStringList{net, mask8} << 1 << de(net, mask8, {}, "ppp1")
                                     << "add ip nat ip=10.0.0.0 mask=255.0.0.0 gblint=ppp1";
    // ppp3 belongs to a destination deleted since: an unchanged edit must
    // not move the entry to another interface.
    QTest::newRow("DE over a deleted destination") << 3 << QStringList{} << -1 << de(net, mask8, {}, "ppp3")
                                                   << "add ip nat ip=10.0.0.0 mask=255.0.0.0 gblint=ppp3";
}

void TestFrmStaticNAT::addThenEditUnchanged()
{
    QFETCH(int, type);
    QFETCH(QStringList, inputs);
    QFETCH(int, choice);
    QFETCH(EnatEntry, stored);
    QFETCH(QString, line);

    const Entries lan{de("192.168.1.0", M, G)};
    Configuration c = withEntries(inputs.isEmpty() ? lan + Entries{stored} : lan);
    c.TabCount = 3;
    Window ui(c);
    QVERIFY(ui.active);
    if (!inputs.isEmpty()) {
        // A value left in a box the type switches off must not be stored.
        ui.get<QComboBox>("cboNATType")->setCurrentIndex(type == 2 ? 1 : 2);
        for (const char *name : InputBoxes)
            ui.get(name)->setText("1");
        ui.get<QComboBox>("cboProtocol")->setCurrentIndex(qMax(choice, 0));
        if (type == DynamicEnat && choice >= 0) {
            ui.get<QComboBox>("cboNATType")->setCurrentIndex(type);
            ui.get<QCheckBox>("chkGblInt")->click();
            ui.get<QComboBox>("cboGBLInter")->setCurrentIndex(choice);
        }
        ui.add(type, inputs);
        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(ui.inputs(), Cleared);
        QCOMPARE(ui.get<QComboBox>("cboProtocol")->currentText(), QStringLiteral("TCP"));
    }
    QCOMPARE(listOf(c), lan + Entries{stored});
    // An entry over an interface shows it where the address would be.
    const EnatEntry &e = stored;
    QCOMPARE(rowTexts(ui.list(), 1), (QStringList{e.PrivateIP, e.PrivateMask, e.PrivatePort,
                                                  e.GlobalIP + e.GlobalInterFace, e.GlobalMask, e.GlobalPort,
                                                  QStringList{"SN", "DN", "SE", "DE"}[type]}));

    ui.clickRowAnd(1, "cmdEdit");
    QCOMPARE(ui.inputs(), (QStringList{e.PrivateIP, e.PrivateMask, e.PrivatePort, e.GlobalIP, e.GlobalMask,
                                       e.GlobalPort}));
    QCOMPARE(QApplication::focusWidget(), ui.get("txtIP"));
    click(&ui.dialog, "cmdAdd");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), lan + Entries{stored});
    QVERIFY(!ui.dialog.isEditing());
    // The next dynamic ENAT entry may use an interface again.
    QCOMPARE(ui.get<QCheckBox>("chkGblInt")->isEnabled(), type == DynamicEnat);

    click(&ui.dialog, "cmdOK");
    QVERIFY(GenerateScript(c, ui.prompt).contains("enable ip nat\r\nadd ip nat ip=192.168.1.0 mask=255.255.255.0 "
                                                  "gblip=203.0.113.1\r\n" + line + "\r\n"));
}

void TestFrmStaticNAT::deleteCascade_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("confirmed") << MessageAnswer::Ok;
    QTest::newRow("cancelled") << MessageAnswer::Cancel;
}

void TestFrmStaticNAT::deleteCascade()
{
    QFETCH(MessageAnswer, answer);
    // Two static ENAT entries depend on the first; once it goes they are
    // neighbours, and both must go. 10.1.1.1 stays under 10.0.0.0.
    const Entries all{de("192.168.1.0", M, G), se(P, "80", "80"), se("192.168.1.11", "21", "21"),
                      sn("172.16.0.1", G), de("10.0.0.0", "255.0.0.0", G), se("10.1.1.1", "25", "25")};
    Configuration c = withEntries(all);
    Window ui(c, {answer});
    ui.clickRowAnd(0, "cmdDelete");

    expectShown(ui.prompt,
                QStringLiteral("ダイナミックENATの設定を削除します。\r\n"
                               "この設定に関係するスタティックENATの設定も削除\r\nされますがよろしいですか？"),
                QStringLiteral("ENATリストの削除"), MessageIcon::Information, MessageButtons::OkCancel);
    const bool ok = answer == MessageAnswer::Ok;
    QCOMPARE(listOf(c), ok ? all.mid(3) : all);
    QCOMPARE(ui.list()->topLevelItemCount(), ok ? 3 : 6);
    QCOMPARE(rowTexts(ui.list(), 0).at(0), QString(ok ? "172.16.0.1" : "192.168.1.0"));
    QCOMPARE(ui.dialog.listChanged(), ok);
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
    click(&ui.dialog, "cmdAdd");

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
    click(&ui.dialog, "cmdAdd");
    QCOMPARE(listOf(c), edited);
}

void TestFrmStaticNAT::closeSemantics_data()
{
    QTest::addColumn<int>("entries"); // that many static NAT entries at first
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("close"); // cmdOK, cmdCancel or Escape
    QTest::addColumn<QString>("commands");

    const QString built = QStringLiteral("enable ip nat\r\nadd ip nat ip=192.168.9.0 gblip=203.0.113.1\r\n");
    QTest::newRow("OK with rows builds the lines") << 1 << "" << "cmdOK" << built;
    QTest::newRow("OK on an empty list") << 0 << "" << "cmdOK" << "old";
    QTest::newRow("OK after deleting the last row") << 1 << "delete" << "cmdOK" << "";
    QTest::newRow("Cancel without changes") << 1 << "" << "cmdCancel" << "old";
    QTest::newRow("Cancel after an addition") << 1 << "add" << "cmdCancel" << "";
    QTest::newRow("Escape after a deletion") << 1 << "delete" << "Escape" << "";
}

void TestFrmStaticNAT::closeSemantics()
{
    QFETCH(int, entries);
    QFETCH(QString, action);
    QFETCH(QString, close);
    QFETCH(QString, commands);

    Configuration c = withEntries(entries ? Entries{sn("192.168.9.0", G)} : Entries{});
    c.EnatCommands = QStringLiteral("old");
    Window ui(c);
    if (action == QLatin1String("delete")) {
        ui.clickRowAnd(0, "cmdDelete");
        QVERIFY(!ui.get<QAbstractButton>("cmdDelete")->isEnabled());
    } else if (action == QLatin1String("add")) {
        ui.add(0, {"192.168.9.10", "", "", G});
    }
    if (close == QLatin1String("Escape"))
        QTest::keyClick(&ui.dialog, Qt::Key_Escape);
    else
        click(&ui.dialog, qPrintable(close));

    QVERIFY(!ui.dialog.isVisible());
    QCOMPARE(ui.dialog.result(), int(close == QLatin1String("cmdOK") ? QDialog::Accepted : QDialog::Rejected));
    // Any change, kept or not, must be saved and its lines built anew.
    QCOMPARE(c.Saved, action.isEmpty() && commands == QLatin1String("old"));
    QCOMPARE(c.EnatCommands, commands);
    QCOMPARE(int(c.EnatCount), entries + (action == QLatin1String("add")) - (action == QLatin1String("delete")));
}

void TestFrmStaticNAT::nothingClipped()
{
    Configuration c = withEntries({de("192.168.100.0", M, {}, "ppp31"), se("192.168.100.200", "65535", "65535")});
    c.TabCount = 33;
    Window ui(c);
    checkNothingClipped(&ui.dialog);
}

QTEST_MAIN(TestFrmStaticNAT)
#include "tst_frmStaticNAT.moc"
