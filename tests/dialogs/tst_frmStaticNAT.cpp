#include "frmStaticNAT.h"

#include "EnatScriptedPrompt.h"
#include "ScriptGenerator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace mg;

namespace {

const QString Caption = QStringLiteral("アドレス・ポート変換の詳細設定");
const QString G = QStringLiteral("203.0.113.1");
const QString M = QStringLiteral("255.255.255.0");

// EnatEntry field order: PrivateIP, PrivateMask, PrivatePort, GlobalIP,
// GlobalMask, GlobalPort, Protocol, GlobalInterFace, NATType.
EnatEntry sn(const QString &ip, const QString &global) { return {ip, {}, {}, global, {}, {}, {}, {}, 0}; }
EnatEntry dn(const QString &ip, const QString &mask, const QString &global, const QString &globalMask)
{
    return {ip, mask, {}, global, globalMask, {}, {}, {}, 1};
}
EnatEntry se(const QString &ip, const QString &port, const QString &global, const QString &globalPort,
             const QString &protocol = QStringLiteral("TCP"))
{
    return {ip, {}, port, global, {}, globalPort, protocol, {}, 2};
}
EnatEntry de(const QString &ip, const QString &mask, const QString &global, const QString &interface = {})
{
    return {ip, mask, {}, global, {}, {}, {}, interface, 3};
}

QList<EnatEntry> listOf(const Configuration &c)
{
    QList<EnatEntry> out;
    for (int i = 0; i < c.EnatCount; ++i)
        out << c.EnatList[i];
    return out;
}

// The text fields of the input area, in the order the rows of the data
// tables give them.
const QStringList InputBoxes{"txtIP", "txtNetMask", "txtPort", "txtGBLIP", "txtGBLMask", "txtGBLPORT"};

} // namespace

Q_DECLARE_METATYPE(EnatEntry)
Q_DECLARE_METATYPE(QList<EnatEntry>)
Q_DECLARE_METATYPE(MessageAnswer)

class TestFrmStaticNAT : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openingState();
    void openingQuestion_data();
    void openingQuestion();
    void typeChange_data();
    void typeChange();
    void interfaceChoice();
    void keyFilters_data();
    void keyFilters();
    void checkMessages_data();
    void checkMessages();
    void addStoresEntry_data();
    void addStoresEntry();
    void editUnchangedAccepted_data();
    void editUnchangedAccepted();
    void deleteCascade_data();
    void deleteCascade();
    void deleteWhileEditing();
    void editKeepsInterfaceOfRemovedDestination();
    void fullListRefused();
    void fullListRefusedOnOpening();
    void closeSemantics_data();
    void closeSemantics();
    void scriptReflectsList();
    void textsAreNotClipped();

private:
    void open();
    template <class T> T *control(const QString &name) const
    {
        T *found = m_dialog->findChild<T *>(name);
        if (!found)
            qFatal("control %s missing", qPrintable(name));
        return found;
    }
    QLineEdit *box(const QString &name) const { return control<QLineEdit>(name); }
    QPushButton *button(const QString &name) const { return control<QPushButton>(name); }
    QTreeWidget *list() const { return control<QTreeWidget>(QStringLiteral("lvwNATList")); }
    void chooseType(int type) { control<QComboBox>(QStringLiteral("cboNATType"))->setCurrentIndex(type); }
    void typeInto(const QString &name, const QString &text);
    void fillInputs(const QStringList &texts);
    void click(const QString &name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void selectRow(int row);
    QStringList rowTexts(int row) const;

    Configuration m_config;
    EnatScriptedPrompt m_prompt;
    std::unique_ptr<frmStaticNAT> m_dialog;
};

void TestFrmStaticNAT::init()
{
    m_config = Configuration::atProgramStart();
    m_config.Common.EthIP = QStringLiteral("192.168.1.1");
    m_config.Common.EthMask = M;
    m_prompt = EnatScriptedPrompt();
}

void TestFrmStaticNAT::cleanup()
{
    m_dialog.reset();
}

void TestFrmStaticNAT::open()
{
    m_dialog = std::make_unique<frmStaticNAT>(m_config, m_prompt);
    m_dialog->show();
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TestFrmStaticNAT::typeInto(const QString &name, const QString &text)
{
    QLineEdit *target = box(name);
    QTest::mouseClick(target, Qt::LeftButton);
    target->selectAll();
    QTest::keyClick(target, Qt::Key_Backspace);
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, char(c.unicode()));
        else // a character no key of the test keyboard types directly
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void TestFrmStaticNAT::fillInputs(const QStringList &texts)
{
    for (int i = 0; i < InputBoxes.size() && i < texts.size(); ++i) {
        if (!texts[i].isEmpty())
            typeInto(InputBoxes[i], texts[i]);
    }
}

void TestFrmStaticNAT::selectRow(int row)
{
    QTreeWidget *view = list();
    QTreeWidgetItem *item = view->topLevelItem(row);
    QVERIFY(item);
    view->scrollToItem(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
    QVERIFY(item->isSelected());
}

QStringList TestFrmStaticNAT::rowTexts(int row) const
{
    QStringList out;
    QTreeWidgetItem *item = list()->topLevelItem(row);
    for (int c = 0; item && c < list()->columnCount(); ++c)
        out << item->text(c);
    return out;
}

void TestFrmStaticNAT::openingState()
{
    m_config.TabCount = 3;
    m_config.appendEnat(de("192.168.1.0", M, {}, "ppp1"));
    m_config.appendEnat(se("192.168.1.10", "80", G, "8080"));
    open();

    QCOMPARE(m_dialog->windowTitle(), Caption);
    QCOMPARE(control<QComboBox>("cboNATType")->currentIndex(), 0);
    QCOMPARE(control<QComboBox>("cboProtocol")->currentText(), QStringLiteral("TCP"));
    auto *interfaces = control<QComboBox>("cboGBLInter");
    QStringList items;
    for (int i = 0; i < interfaces->count(); ++i)
        items << interfaces->itemText(i);
    QCOMPARE(items, (QStringList{"ppp0", "ppp1", "eth0"}));
    QCOMPARE(interfaces->currentIndex(), 0);
    QVERIFY(!interfaces->isEnabled());

    QCOMPARE(list()->topLevelItemCount(), 2);
    // An entry over an interface shows the interface where the address would be.
    QCOMPARE(rowTexts(0), (QStringList{"192.168.1.0", M, "", "ppp1", "", "", "DE"}));
    QCOMPARE(rowTexts(1), (QStringList{"192.168.1.10", "", "80", G, "", "8080", "SE"}));
    QVERIFY(button("cmdEdit")->isEnabled());
    QVERIFY(button("cmdDelete")->isEnabled());
    QVERIFY(m_prompt.shown.isEmpty());
}

void TestFrmStaticNAT::openingQuestion_data()
{
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QStringList>("firstRow");   // empty: no row

    QTest::newRow("no stops the questioning") << QList<MessageAnswer>{MessageAnswer::No} << 1 << QStringList{};
    QTest::newRow("yes adds the row")
        << QList<MessageAnswer>{MessageAnswer::Yes} << 1
        << QStringList{"192.168.1.0", M, "", "ppp1", "", "", "DE"};
}

void TestFrmStaticNAT::openingQuestion()
{
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(int, questions);
    QFETCH(QStringList, firstRow);

    // Destinations 2 and 3 are terminal type, on a leased line.
    m_config.TabCount = 4;
    m_config.Common.ConnectType = 1;
    m_config.destination(2).Type = 1;
    m_config.destination(3).Type = 1;
    m_prompt.answers = answers;
    open();

    QCOMPARE(m_prompt.shown.size(), questions);
    QCOMPARE(m_prompt.shown[0].title, QStringLiteral("ENATの設定"));
    QVERIFY(m_prompt.shown[0].text.startsWith(QStringLiteral("接続先2は端末型の設定です。")));
    QCOMPARE(m_prompt.shown[0].buttons, MessageButtons::YesNo);
    QCOMPARE(list()->topLevelItemCount(), firstRow.isEmpty() ? 0 : 1);
    QCOMPARE(m_config.EnatCount, int16(firstRow.isEmpty() ? 0 : 1));
    if (!firstRow.isEmpty())
        QCOMPARE(rowTexts(0), firstRow);
    QCOMPARE(button("cmdEdit")->isEnabled(), !firstRow.isEmpty());
    QCOMPARE(button("cmdDelete")->isEnabled(), !firstRow.isEmpty());
}

void TestFrmStaticNAT::typeChange_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("enabled");

    QTest::newRow("static NAT") << 0 << QStringList{"txtIP", "txtGBLIP"};
    QTest::newRow("dynamic NAT") << 1 << QStringList{"txtIP", "txtNetMask", "txtGBLIP", "txtGBLMask"};
    QTest::newRow("static ENAT") << 2 << QStringList{"txtIP", "txtPort", "cboProtocol", "txtGBLIP", "txtGBLPORT"};
    QTest::newRow("dynamic ENAT") << 3 << QStringList{"txtIP", "txtNetMask", "txtGBLIP", "chkGblInt"};
}

void TestFrmStaticNAT::typeChange()
{
    QFETCH(int, type);
    QFETCH(QStringList, enabled);
    open();
    // Start from the type that enables most boxes and leave values everywhere.
    chooseType(type == 1 ? 2 : 1);
    for (const QString &name : InputBoxes)
        box(name)->setText(QStringLiteral("10.0.0.1"));
    chooseType(type);

    for (const QString &name : QStringList{"txtIP", "txtNetMask", "txtPort", "cboProtocol", "txtGBLIP",
                                           "txtGBLMask", "txtGBLPORT", "chkGblInt", "cboGBLInter"}) {
        QWidget *w = control<QWidget>(name);
        const bool on = enabled.contains(name);
        QVERIFY2(w->isEnabled() == on, qPrintable(name));
        if (auto *line = qobject_cast<QLineEdit *>(w)) {
            const QColor expected = on ? QColor(Qt::white) : QColor(0xB4, 0xB4, 0xB4);
            QCOMPARE(line->palette().color(QPalette::Base), expected);
            // A disabled box holds nothing; an enabled one keeps what was typed.
            QCOMPARE(line->text().isEmpty(), !on);
        }
    }
    QVERIFY(!control<QCheckBox>("chkGblInt")->isChecked());
}

void TestFrmStaticNAT::interfaceChoice()
{
    open();
    chooseType(3);
    typeInto("txtGBLIP", G);
    auto *check = control<QCheckBox>("chkGblInt");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    QVERIFY(check->isChecked());
    QVERIFY(!box("txtGBLIP")->isEnabled());
    QVERIFY(box("txtGBLIP")->text().isEmpty());
    QVERIFY(control<QComboBox>("cboGBLInter")->isEnabled());

    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    QVERIFY(!check->isChecked());
    QVERIFY(box("txtGBLIP")->isEnabled());
    QVERIFY(!control<QComboBox>("cboGBLInter")->isEnabled());
}

void TestFrmStaticNAT::keyFilters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("address refuses letters") << "txtIP" << "19a2.1-68 .1" << "192.168.1";
    QTest::newRow("mask refuses full-width") << "txtNetMask" << "２55.0" << "55.0";
    QTest::newRow("port digits only") << "txtPort" << "8.0x8" << "808";
}

void TestFrmStaticNAT::keyFilters()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    open();
    chooseType(name.contains("Port", Qt::CaseInsensitive) ? 2 : 1);
    typeInto(name, typed);
    QCOMPARE(box(name)->text(), shown);
}

void TestFrmStaticNAT::checkMessages_data()
{
    QTest::addColumn<QList<EnatEntry>>("entries");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("inputs");    // txtIP, txtNetMask, txtPort, txtGBLIP, txtGBLMask, txtGBLPORT
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");         // box focused with its text selected; empty: inputs cleared
    QTest::addColumn<int>("typeAfter");

    const QList<EnatEntry> none;
    const QList<EnatEntry> lan{de("192.168.1.0", M, G)};
    const QString fmt = QStringLiteral("の形式が正しくありません。");
    const QString snTitle = QStringLiteral("スタティックNAT(SN)");

    QTest::newRow("private address with three parts")
        << none << 0 << QStringList{"192.168.1", "", "", G} << "プライベートIPアドレス" + fmt
        << "プライベートIPアドレス" << "txtIP" << 0;
    QTest::newRow("global broadcast address")
        << none << 0 << QStringList{"192.168.1.5", "", "", "255.255.255.255"} << "グローバルIPアドレス" + fmt
        << "グローバルIPアドレス" << "txtGBLIP" << 0;
    QTest::newRow("dynamic ENAT mask cut short")
        << none << 3 << QStringList{"192.168.1.0", "255.255.255", "", G} << "プライベートネットマスク" + fmt
        << "プライベートネットマスク" << "txtNetMask" << 3;
    QTest::newRow("dynamic NAT global mask zero")
        << none << 1 << QStringList{"192.168.1.0", M, "", G, "0.0.0.0"} << "グローバルネットマスク" + fmt
        << "グローバルネットマスク" << "txtGBLMask" << 1;
    QTest::newRow("port 65536")
        << lan << 2 << QStringList{"192.168.1.10", "", "80", G, "", "65536"}
        << "ポート番号の形式が正しくありません。" << "ENATの詳細設定" << "keep" << 2;
    QTest::newRow("private port without global port")
        << lan << 2 << QStringList{"192.168.1.10", "", "80", G, "", ""}
        << "ポート番号の形式が正しくありません。" << "ENATの詳細設定" << "keep" << 2;
    QTest::newRow("second static NAT for one address")
        << QList<EnatEntry>{sn("192.168.5.5", G)} << 0 << QStringList{"192.168.5.5", "", "", "203.0.113.7"}
        << "そのプライベートIPアドレス、または、グローバルIPアドレスを\r\n使用した設定はすでに存在します。"
        << snTitle << "" << 0;
    QTest::newRow("static NAT inside the dynamic range")
        << lan << 0 << QStringList{"192.168.1.20", "", "", G}
        << "このIPアドレスは、ダイナミックな設定に使われています。" << snTitle << "" << 0;
    QTest::newRow("static ENAT without dynamic ENAT")
        << none << 2 << QStringList{"192.168.1.10", "", "80", G, "", "8080"}
        << "このプライベートIPアドレスを含むダイナミックENAT\r\nの設定がありません。スタティックENATの設定は、この\r\n"
           "プライベートIPアドレスを含むダイナミックENATの設定を\r\n追加してから行って下さい。"
        << "スタティックENAT(SE)" << "" << 3;
}

void TestFrmStaticNAT::checkMessages()
{
    QFETCH(QList<EnatEntry>, entries);
    QFETCH(int, type);
    QFETCH(QStringList, inputs);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    QFETCH(int, typeAfter);

    for (const EnatEntry &e : entries)
        m_config.appendEnat(e);
    m_config.EnatCommands = QStringLiteral("kept");
    const Configuration before = m_config;
    open();
    chooseType(type);
    fillInputs(inputs);
    click("cmdAdd");

    QCOMPARE(m_prompt.shown.size(), 1);
    QCOMPARE(m_prompt.shown[0].text, text);
    QCOMPARE(m_prompt.shown[0].title, title);
    QCOMPARE(m_prompt.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(m_prompt.shown[0].buttons, MessageButtons::Ok);
    QVERIFY(m_config == before);
    QCOMPARE(list()->topLevelItemCount(), entries.size());
    QCOMPARE(control<QComboBox>("cboNATType")->currentIndex(), typeAfter);
    if (focus == QLatin1String("keep")) {
        QCOMPARE(box("txtIP")->text(), inputs[0]);
    } else if (focus.isEmpty()) {
        for (const QString &name : InputBoxes)
            QVERIFY2(box(name)->text().isEmpty(), qPrintable(name));
        QCOMPARE(QApplication::focusWidget(), box("txtIP"));
    } else {
        QLineEdit *faulty = box(focus);
        QCOMPARE(QApplication::focusWidget(), faulty);
        QCOMPARE(faulty->selectedText(), faulty->text());
        QVERIFY(!faulty->text().isEmpty());
    }
}

void TestFrmStaticNAT::addStoresEntry_data()
{
    QTest::addColumn<QList<EnatEntry>>("entries");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("interface");          // -1: by address
    QTest::addColumn<EnatEntry>("stored");
    QTest::addColumn<QStringList>("row");

    const QList<EnatEntry> lan{de("192.168.1.0", M, G)};
    QTest::newRow("static NAT") << QList<EnatEntry>{} << 0 << QStringList{"192.168.7.7", "", "", G} << 0 << -1
                                << sn("192.168.7.7", G) << QStringList{"192.168.7.7", "", "", G, "", "", "SN"};
    QTest::newRow("dynamic NAT")
        << QList<EnatEntry>{} << 1 << QStringList{"192.168.2.0", M, "", G, "255.255.255.248"} << 0 << -1
        << dn("192.168.2.0", M, G, "255.255.255.248")
        << QStringList{"192.168.2.0", M, "", G, "255.255.255.248", "", "DN"};
    QTest::newRow("static ENAT over UDP")
        << lan << 2 << QStringList{"192.168.1.10", "", "53", G, "", "5353"} << 1 << -1
        << se("192.168.1.10", "53", G, "5353", "UDP") << QStringList{"192.168.1.10", "", "53", G, "", "5353", "SE"};
    QTest::newRow("dynamic ENAT by address")
        << QList<EnatEntry>{} << 3 << QStringList{"10.0.0.0", "255.0.0.0", "", G} << 0 << -1
        << de("10.0.0.0", "255.0.0.0", G) << QStringList{"10.0.0.0", "255.0.0.0", "", G, "", "", "DE"};
    QTest::newRow("dynamic ENAT by interface")
        << QList<EnatEntry>{} << 3 << QStringList{"10.0.0.0", "255.0.0.0"} << 0 << 1
        << de("10.0.0.0", "255.0.0.0", {}, "ppp1") << QStringList{"10.0.0.0", "255.0.0.0", "", "ppp1", "", "", "DE"};
}

void TestFrmStaticNAT::addStoresEntry()
{
    QFETCH(QList<EnatEntry>, entries);
    QFETCH(int, type);
    QFETCH(QStringList, inputs);
    QFETCH(int, protocol);
    QFETCH(int, interface);
    QFETCH(EnatEntry, stored);
    QFETCH(QStringList, row);

    m_config.TabCount = 3;
    for (const EnatEntry &e : entries)
        m_config.appendEnat(e);
    open();
    chooseType(type);
    fillInputs(inputs);
    if (type == 2)
        control<QComboBox>("cboProtocol")->setCurrentIndex(protocol);
    if (interface >= 0) {
        control<QCheckBox>("chkGblInt")->click();
        control<QComboBox>("cboGBLInter")->setCurrentIndex(interface);
    }
    click("cmdAdd");

    QVERIFY(m_prompt.shown.isEmpty());
    QCOMPARE(m_config.EnatCount, int16(entries.size() + 1));
    QCOMPARE(m_config.EnatList[entries.size()], stored);
    QCOMPARE(rowTexts(int(entries.size())), row);
    for (const QString &name : InputBoxes)
        QVERIFY2(box(name)->text().isEmpty(), qPrintable(name));
    QVERIFY(!control<QCheckBox>("chkGblInt")->isChecked());
    QCOMPARE(control<QComboBox>("cboProtocol")->currentText(), QStringLiteral("TCP"));
    QCOMPARE(QApplication::focusWidget(), box("txtIP"));
    QVERIFY(m_dialog->listChanged());
}

void TestFrmStaticNAT::editUnchangedAccepted_data()
{
    QTest::addColumn<QList<EnatEntry>>("entries");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("shown");    // the six boxes after 編集
    QTest::addColumn<bool>("byInterface");

    const QList<EnatEntry> all{de("192.168.1.0", M, G), sn("192.168.9.9", G),
                               dn("192.168.2.0", M, "203.0.113.5", "255.255.255.248"),
                               se("192.168.1.10", "80", G, "8080", "UDP"), de("10.0.0.0", "255.0.0.0", {}, "ppp0")};
    QTest::newRow("dynamic ENAT by address") << all << 0 << QStringList{"192.168.1.0", M, "", G, "", ""} << false;
    QTest::newRow("static NAT") << all << 1 << QStringList{"192.168.9.9", "", "", G, "", ""} << false;
    QTest::newRow("dynamic NAT") << all << 2
                                 << QStringList{"192.168.2.0", M, "", "203.0.113.5", "255.255.255.248", ""} << false;
    QTest::newRow("static ENAT") << all << 3 << QStringList{"192.168.1.10", "", "80", G, "", "8080"} << false;
    QTest::newRow("dynamic ENAT by interface") << all << 4 << QStringList{"10.0.0.0", "255.0.0.0", "", "", "", ""}
                                               << true;
}

void TestFrmStaticNAT::editUnchangedAccepted()
{
    QFETCH(QList<EnatEntry>, entries);
    QFETCH(int, row);
    QFETCH(QStringList, shown);
    QFETCH(bool, byInterface);

    for (const EnatEntry &e : entries)
        m_config.appendEnat(e);
    open();
    selectRow(row);
    QVERIFY(!button("cmdAdd")->isEnabled());
    QVERIFY(button("cmdEdit")->isEnabled());
    click("cmdEdit");

    QVERIFY(m_dialog->isEditing());
    QCOMPARE(m_dialog->editIndex(), row + 1);
    QCOMPARE(control<QComboBox>("cboNATType")->currentIndex(), int(entries[row].NATType));
    for (int i = 0; i < InputBoxes.size(); ++i)
        QCOMPARE(box(InputBoxes[i])->text(), shown[i]);
    QCOMPARE(control<QCheckBox>("chkGblInt")->isChecked(), byInterface);
    if (entries[row].NATType == 3)
        QCOMPARE(control<QCheckBox>("chkGblInt")->isEnabled(), byInterface);
    // The focus went to the private address, which hands the add button back.
    QCOMPARE(QApplication::focusWidget(), box("txtIP"));
    QVERIFY(button("cmdAdd")->isEnabled());
    QVERIFY(!button("cmdEdit")->isEnabled());
    click("cmdAdd");

    QVERIFY(m_prompt.shown.isEmpty());
    QCOMPARE(listOf(m_config), entries);
    QVERIFY(!m_dialog->isEditing());
    QCOMPARE(m_dialog->editIndex(), -1);
    // The next dynamic ENAT entry may use an interface again.
    QCOMPARE(control<QCheckBox>("chkGblInt")->isEnabled(), entries[row].NATType == 3);
}

void TestFrmStaticNAT::deleteCascade_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QList<EnatEntry>>("remaining");

    const QList<EnatEntry> all{de("192.168.1.0", M, G),          se("192.168.1.10", "80", G, "80"),
                               sn("172.16.0.1", G),               de("10.0.0.0", "255.0.0.0", G),
                               se("10.1.1.1", "25", G, "25"),     se("192.168.1.11", "21", G, "21")};
    QTest::newRow("confirmed") << MessageAnswer::Ok
                               << QList<EnatEntry>{all[2], all[3], all[4]};
    QTest::newRow("cancelled") << MessageAnswer::Cancel << all;
}

void TestFrmStaticNAT::deleteCascade()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QList<EnatEntry>, remaining);

    m_config.appendEnat(de("192.168.1.0", M, G));
    m_config.appendEnat(se("192.168.1.10", "80", G, "80"));
    m_config.appendEnat(sn("172.16.0.1", G));
    m_config.appendEnat(de("10.0.0.0", "255.0.0.0", G));
    m_config.appendEnat(se("10.1.1.1", "25", G, "25"));
    m_config.appendEnat(se("192.168.1.11", "21", G, "21"));
    m_config.EnatCommands = QStringLiteral("kept");
    m_prompt.answers = {answer};
    open();
    selectRow(0);
    click("cmdDelete");

    QCOMPARE(m_prompt.shown.size(), 1);
    QCOMPARE(m_prompt.shown[0].title, QStringLiteral("ENATリストの削除"));
    QCOMPARE(m_prompt.shown[0].text, QStringLiteral("ダイナミックENATの設定を削除します。\r\n"
                                                    "この設定に関係するスタティックENATの設定も削除\r\n"
                                                    "されますがよろしいですか？"));
    QCOMPARE(m_prompt.shown[0].icon, MessageIcon::Information);
    QCOMPARE(m_prompt.shown[0].buttons, MessageButtons::OkCancel);
    QCOMPARE(listOf(m_config), remaining);
    QCOMPARE(list()->topLevelItemCount(), remaining.size());
    for (int i = 0; i < remaining.size(); ++i)
        QCOMPARE(rowTexts(i).at(0), remaining[i].PrivateIP);
    QCOMPARE(m_dialog->listChanged(), answer == MessageAnswer::Ok);
}

void TestFrmStaticNAT::deleteWhileEditing()
{
    m_config.appendEnat(sn("192.168.9.1", G));
    m_config.appendEnat(sn("192.168.9.2", G));
    m_config.appendEnat(sn("192.168.9.3", G));
    open();
    selectRow(2);
    click("cmdEdit");
    typeInto("txtGBLIP", "203.0.113.3");
    // While the third entry is being edited, the first one is deleted
    // (no confirmation for static NAT).
    selectRow(0);
    click("cmdDelete");
    QVERIFY(m_prompt.shown.isEmpty());
    QCOMPARE(m_config.EnatCount, int16(2));
    QTest::mouseClick(box("txtGBLIP"), Qt::LeftButton);
    click("cmdAdd");

    // The edit lands on the entry that was being edited, not on its new
    // neighbour and not beyond the list.
    QVERIFY(m_prompt.shown.isEmpty());
    QCOMPARE(listOf(m_config), (QList<EnatEntry>{sn("192.168.9.2", G), sn("192.168.9.3", "203.0.113.3")}));

    // Deleting the entry under edit ends the edit: the inputs become a new entry.
    selectRow(1);
    click("cmdEdit");
    selectRow(1);
    click("cmdDelete");
    QVERIFY(!m_dialog->isEditing());
    QTest::mouseClick(box("txtIP"), Qt::LeftButton);
    click("cmdAdd");
    QCOMPARE(listOf(m_config), (QList<EnatEntry>{sn("192.168.9.2", G), sn("192.168.9.3", "203.0.113.3")}));
}

void TestFrmStaticNAT::editKeepsInterfaceOfRemovedDestination()
{
    // One destination left, but the entry still names the interface of a
    // destination deleted earlier.
    m_config.TabCount = 2;
    m_config.appendEnat(de("10.0.0.0", "255.0.0.0", {}, "ppp3"));
    open();
    selectRow(0);
    click("cmdEdit");
    QCOMPARE(control<QComboBox>("cboGBLInter")->currentText(), QStringLiteral("ppp3"));
    click("cmdAdd");
    QVERIFY(m_prompt.shown.isEmpty());
    QCOMPARE(m_config.EnatList[0].GlobalInterFace, QStringLiteral("ppp3"));
}

void TestFrmStaticNAT::fullListRefused()
{
    for (int i = 0; i < MaxEnatEntries; ++i)
        QVERIFY(m_config.appendEnat(sn(QStringLiteral("10.0.%1.%2").arg(i / 10).arg(i % 10 + 1), G)));
    const Configuration before = m_config;
    open();
    chooseType(0);
    fillInputs({"192.168.50.1", "", "", G});
    click("cmdAdd");

    QCOMPARE(m_prompt.shown.size(), 1);
    QCOMPARE(m_prompt.shown[0].title, Caption);
    QCOMPARE(m_prompt.shown[0].icon, MessageIcon::Critical);
    QVERIFY(m_prompt.shown[0].text.contains(QStringLiteral("100")));
    QVERIFY(m_config == before);
    QCOMPARE(list()->topLevelItemCount(), MaxEnatEntries);
    // What was typed is still there for the operator to use after deleting one.
    QCOMPARE(box("txtIP")->text(), QStringLiteral("192.168.50.1"));

    // Editing an entry of a full list still works.
    selectRow(99);
    click("cmdEdit");
    typeInto("txtGBLIP", "203.0.113.99");
    click("cmdAdd");
    QCOMPARE(m_prompt.shown.size(), 1);
    QCOMPARE(m_config.EnatList[99].GlobalIP, QStringLiteral("203.0.113.99"));
}

void TestFrmStaticNAT::fullListRefusedOnOpening()
{
    for (int i = 0; i < MaxEnatEntries; ++i)
        QVERIFY(m_config.appendEnat(sn(QStringLiteral("10.0.%1.%2").arg(i / 10).arg(i % 10 + 1), G)));
    m_config.destination(1).Type = 1;
    m_prompt.answers = {MessageAnswer::Yes};
    const Configuration before = m_config;
    open();

    QCOMPARE(m_prompt.shown.size(), 2);
    QCOMPARE(m_prompt.shown[1].title, Caption);
    QCOMPARE(m_prompt.shown[1].icon, MessageIcon::Critical);
    QVERIFY(m_config == before);
    QCOMPARE(list()->topLevelItemCount(), MaxEnatEntries);
    QVERIFY(!m_dialog->listChanged());
}

void TestFrmStaticNAT::closeSemantics_data()
{
    QTest::addColumn<QList<EnatEntry>>("entries");
    QTest::addColumn<QString>("action");        // what the operator does before closing
    QTest::addColumn<QString>("close");         // cmdOK, cmdCancel or Escape
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<int>("count");

    const QList<EnatEntry> one{sn("192.168.9.9", G)};
    const QString built = QStringLiteral("enable ip nat\r\nadd ip nat ip=192.168.9.9 gblip=203.0.113.1\r\n");
    const int ok = QDialog::Accepted;
    const int cancel = QDialog::Rejected;
    QTest::newRow("OK with rows builds the lines") << one << "" << "cmdOK" << ok << false << built << 1;
    QTest::newRow("OK on an empty list") << QList<EnatEntry>{} << "" << "cmdOK" << ok << true << "old" << 0;
    QTest::newRow("OK after deleting the last row") << one << "delete" << "cmdOK" << ok << false << "" << 0;
    QTest::newRow("Cancel without changes") << one << "" << "cmdCancel" << cancel << true << "old" << 1;
    QTest::newRow("Cancel after an addition") << one << "add" << "cmdCancel" << cancel << false << "" << 2;
    QTest::newRow("Escape after a deletion") << one << "delete" << "Escape" << cancel << false << "" << 0;
}

void TestFrmStaticNAT::closeSemantics()
{
    QFETCH(QList<EnatEntry>, entries);
    QFETCH(QString, action);
    QFETCH(QString, close);
    QFETCH(int, result);
    QFETCH(bool, saved);
    QFETCH(QString, commands);
    QFETCH(int, count);

    for (const EnatEntry &e : entries)
        m_config.appendEnat(e);
    m_config.EnatCommands = QStringLiteral("old");
    open();
    if (action == QLatin1String("delete")) {
        selectRow(0);
        click("cmdDelete");
        QVERIFY(!button("cmdEdit")->isEnabled());
        QVERIFY(!button("cmdDelete")->isEnabled());
    } else if (action == QLatin1String("add")) {
        fillInputs({"192.168.9.10", "", "", G});
        click("cmdAdd");
    }
    if (close == QLatin1String("Escape"))
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    else
        click(close);

    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), result);
    QCOMPARE(m_config.Saved, saved);
    QCOMPARE(m_config.EnatCommands, commands);
    QCOMPARE(int(m_config.EnatCount), count);
}

void TestFrmStaticNAT::scriptReflectsList()
{
    m_config.destination(1).ISDN_Num = QStringLiteral("03-1234-5678");
    m_config.destination(1).PPPIP = QStringLiteral("192.168.2.1");
    m_config.destination(1).PPPMask = M;
    open();
    chooseType(3);
    fillInputs({"192.168.1.0", M, "", G});
    click("cmdAdd");
    chooseType(2);
    fillInputs({"192.168.1.10", "", "80", G, "", "8080"});
    click("cmdAdd");
    chooseType(0);
    fillInputs({"172.16.0.5", "", "", "203.0.113.9"});
    click("cmdAdd");
    chooseType(1);
    fillInputs({"172.17.0.0", "255.255.0.0", "", "203.0.113.16", "255.255.255.240"});
    click("cmdAdd");
    QVERIFY(m_prompt.shown.isEmpty());
    click("cmdOK");

    const QStringList expected{
        "enable ip nat",
        "add ip nat ip=192.168.1.0 mask=255.255.255.0 gblip=203.0.113.1",
        "add ip nat ip=192.168.1.10 prot=TCP port=80 gblip=203.0.113.1 gblport=8080",
        "add ip nat ip=172.16.0.5 gblip=203.0.113.9",
        "add ip nat ip=172.17.0.0 mask=255.255.0.0 gblip=203.0.113.16 gblmask=255.255.255.240",
    };
    auto natLines = [](const QString &script) {
        QStringList out;
        for (const QString &line : script.split(QStringLiteral("\r\n")))
            if (line.contains(QStringLiteral(" nat")))
                out << line;
        return out;
    };
    QCOMPARE(natLines(GenerateScript(m_config, m_prompt)), expected);
    QVERIFY(GenerateScript(m_config, m_prompt).contains(expected.join(QStringLiteral("\r\n")) + "\r\n"));

    // Deleting the dynamic ENAT entry takes its static ENAT entry with it;
    // closed with キャンセル, the next script is built from the list as it is now.
    m_prompt.answers = {MessageAnswer::Ok};
    m_dialog = std::make_unique<frmStaticNAT>(m_config, m_prompt);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    selectRow(0);
    click("cmdDelete");
    click("cmdCancel");
    QCOMPARE(natLines(GenerateScript(m_config, m_prompt)),
             (QStringList{expected[0], expected[3], expected[4]}));
}

void TestFrmStaticNAT::textsAreNotClipped()
{
    m_config.TabCount = 33;
    m_config.appendEnat(de("192.168.100.0", "255.255.255.0", {}, "ppp31"));
    m_config.appendEnat(se("192.168.100.200", "65535", "203.0.113.254", "65535", "UDP"));
    open();
    m_dialog->adjustSize();
    QTest::qWait(50);

    for (QLabel *label : m_dialog->findChildren<QLabel *>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    for (QAbstractButton *b : m_dialog->findChildren<QAbstractButton *>())
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
    for (QGroupBox *frame : m_dialog->findChildren<QGroupBox *>())
        QVERIFY2(frame->width() >= frame->minimumSizeHint().width(), qPrintable(frame->title()));
    auto *type = control<QComboBox>("cboNATType");
    QVERIFY(type->width() >= type->sizeHint().width());
    QTreeWidget *view = list();
    const QFontMetrics fm = view->fontMetrics();
    for (int c = 0; c < view->columnCount(); ++c) {
        int needed = view->header()->fontMetrics().horizontalAdvance(view->headerItem()->text(c)) + 10;
        for (int r = 0; r < view->topLevelItemCount(); ++r)
            needed = std::max(needed, fm.horizontalAdvance(view->topLevelItem(r)->text(c)) + 8);
        QVERIFY2(view->columnWidth(c) >= needed, qPrintable(view->headerItem()->text(c)));
    }
    // Every column fits without scrolling sideways.
    QVERIFY(!view->horizontalScrollBar()->isVisible());

    const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(m_dialog->grab().save(dir + QStringLiteral("/frmStaticNAT.png")));
}

QTEST_MAIN(TestFrmStaticNAT)
#include "tst_frmStaticNAT.moc"
