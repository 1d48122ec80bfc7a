#include "ConfigurationValidator.h"
#include "GenerateCommand.h"
#include "frmMain.h"
#include "tst_validation_fakes.h"

#include <QPushButton>
#include <QTabBar>
#include <QtTest>
#include <memory>

using namespace mg;

namespace {

QString formatText(const QString &field) { return field + QStringLiteral("の形式が正しくありません。"); }

const QString Error = QStringLiteral("エラー");
const QString Analog = QStringLiteral("アナログポートの設定");
const QString Route = QStringLiteral("経路制御");
const QString EtherMissing = QStringLiteral("EthernetインターフェースのIPアドレス、または、ネットマスクが入力されていません。");
const QString NoRouteChosen = QStringLiteral("この接続先への経路設定がありません。経路制御の中から\r\n選択して下さい。");
const QString TerminalNeedsRoute =
    QStringLiteral("端末型設定の場合は、デフォルトルート、又は、スタティックルートを\r\n選択して下さい。");
const QString AlreadyUsed = QStringLiteral("入力されたPPPインターフェースのIPアドレスはすでに設定されています。");
const QString UserOrPassMissing = QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。");

// The faulty edits, the message expected (text and title), the control that
// must have the focus afterwards ("" = the focus stays where it was) and
// whether the field's whole text must be selected.
void addColumns()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("selected");
}

void formatRow(const char *name, const QStringList &edits, const QString &field, const QString &control)
{
    QTest::newRow(name) << edits << formatText(field) << field << control << true;
}

void messageRow(const char *name, const QStringList &edits, const QString &text, const QString &title,
                const QString &control)
{
    QTest::newRow(name) << edits << text << title << control << false;
}

} // namespace

class TestValidation : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void commonPageFaults_data();
    void commonPageFaults();
    void commonPageAccepts_data();
    void commonPageAccepts();
    void destinationPageFaults_data();
    void destinationPageFaults();
    void destinationPageAccepts_data();
    void destinationPageAccepts();
    void walkFaults_data();
    void walkFaults();

    void walkFindsFaultInStoredDestination();
    void walkStoresSelectedDestinationEvenWhenLaterCheckFails();
    void faultFoundFromTheCommonTabLeavesNoFocusOnHiddenPage();
    void walkReadsStoredTerminalTypeOfHiddenDestination();
    void scanFindsEthernetAddressInHiddenDestination();
    void scanIgnoresRecordsOfDeletedDestinations();
    void walkOverThirtyTwoDestinations();
    void correctedPppAddressLetsTheTabBeLeft();
    void correctedRouteLetsTheTabBeLeft();
    void spoiltRouteFieldIsCaughtOnLeavingTheTab();

private:
    void fillValid();
    void goCommon();
    void storeShown();
    void expectMessage(const QString &text, const QString &title);
    void expectFocus(const QString &focus, const QString &before, bool selected);

    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<ScriptedFiles> files;
    std::unique_ptr<MemorySettings> settings;
    std::unique_ptr<frmMain> w;
    std::unique_ptr<ConfigurationValidator> validator;
    std::unique_ptr<GenerateCommand> generate;
    int scriptWindows = 0;
};

void TestValidation::init()
{
    prompt = std::make_unique<ScriptedPrompt>();
    files = std::make_unique<ScriptedFiles>();
    settings = std::make_unique<MemorySettings>();
    w = std::make_unique<frmMain>(*prompt, *files, *settings, nullptr);
    validator = std::make_unique<ConfigurationValidator>(*w, *prompt);
    w->setChecks(validator.get());
    scriptWindows = 0;
    generate = std::make_unique<GenerateCommand>(*w, *validator, *prompt, [this] { ++scriptWindows; });
    w->setGenerateHandler([this] { generate->cmdGen_Click(); });
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    fillValid();
    prompt->shown.clear();
}

void TestValidation::cleanup()
{
    generate.reset();
    w.reset();
    validator.reset();
}

// A small office on dial-up with one LAN-type destination carrying the
// default route: every check passes. The destination tab stays selected.
void TestValidation::fillValid()
{
    setFields(*w, {QStringLiteral("txtEtherIP=192.168.1.1")});
    QVERIFY(w->selectTab(2));
    setFields(*w, {QStringLiteral("txtISDNNum=03-1234-5678"), QStringLiteral("txtUsername=office"),
                   QStringLiteral("txtUserPass=secret"), QStringLiteral("txtPPPIP=10.0.0.1"),
                   QStringLiteral("chkDefault=1")});
    QVERIFY2(prompt->shown.isEmpty(), "setting up showed a message");
}

void TestValidation::goCommon()
{
    QVERIFY(w->selectTab(1));
    QCOMPARE(w->selectedTab(), 1);
}

// Leaves the destination tab and comes back, so that its record holds the page.
void TestValidation::storeShown()
{
    QVERIFY(w->selectTab(1));
    QVERIFY(w->selectTab(2));
    QVERIFY(prompt->shown.isEmpty());
}

void TestValidation::expectMessage(const QString &text, const QString &title)
{
    QCOMPARE(prompt->shown.size(), 1);
    QCOMPARE(prompt->shown[0].text, text);
    QCOMPARE(prompt->shown[0].title, title);
    QCOMPARE(prompt->shown[0].icon, MessageIcon::Critical);
    QCOMPARE(prompt->shown[0].buttons, MessageButtons::Ok);
}

void TestValidation::expectFocus(const QString &focus, const QString &before, bool selected)
{
    QCOMPARE(focusName(), focus.isEmpty() ? before : focus);
    if (selected)
        QVERIFY2(wholeTextSelected(*w, focus), qPrintable(focus));
}

void TestValidation::commonPageFaults_data()
{
    addColumns();
    const QString dhcp = QStringLiteral("chkDHCPSrv=1");
    const QString dhcpValid[] = {QStringLiteral("txtIP=192.168.1.100"), QStringLiteral("txtIPNumber=10")};
    auto withDhcp = [&](const QString &edit) { return QStringList{dhcp, dhcpValid[0], dhcpValid[1], edit}; };

    messageRow("no Ethernet address, before any format check", {"txtEtherIP="}, EtherMissing, Error, "txtEtherIP");
    messageRow("no Ethernet mask", {"txtEthernetMask="}, EtherMissing, Error, "txtEtherIP");
    const QString ether = QStringLiteral("Ethernet インターフェースのIPアドレス");
    formatRow("Ethernet broadcast", {"txtEtherIP=255.255.255.255"}, ether, "txtEtherIP");
    formatRow("Ethernet zero", {"txtEtherIP=0.0.0.0"}, ether, "txtEtherIP");
    formatRow("Ethernet three parts", {"txtEtherIP=192.168.1"}, ether, "txtEtherIP");
    const QString mask = QStringLiteral("Ethernet インタフェースのネットマスク");
    formatRow("Ethernet mask zero", {"txtEthernetMask=0.0.0.0"}, mask, "txtEthernetMask");
    const QString syslog = QStringLiteral("シスログ・サーバのIPアドレス");
    formatRow("syslog malformed", {"txtSyslog=10.1.1"}, syslog, "txtSyslog");
    formatRow("syslog broadcast", {"txtSyslog=255.255.255.255"}, syslog, "txtSyslog");
    const QString start = QStringLiteral("DHCPサーバの開始IPアドレス");
    // A disabled field cannot take the focus; it stays on the button.
    QTest::newRow("DHCP start zero while off") << QStringList{"txtIP=0.0.0.0"} << formatText(start) << start
                                               << "cmdGen" << false;
    formatRow("DHCP start malformed while on", {dhcp, "txtIP=192.168.1", "txtIPNumber=10"}, start, "txtIP");
    const QString subnet = QStringLiteral("DHCPサーバで提供するネットマスク");
    QTest::newRow("DHCP mask zero while off") << QStringList{"txtDHCPSubnet=0.0.0.0"} << formatText(subnet) << subnet
                                              << "cmdGen" << false;
    formatRow("DHCP mask malformed while on", withDhcp("txtDHCPSubnet=255.255"), subnet, "txtDHCPSubnet");
    formatRow("DHCP router empty while on", withDhcp("txtRouter="), QStringLiteral("DHCPサーバで提供するデフォルトルート"),
              "txtRouter");
    const QString dns = QStringLiteral("DHCPサーバで提供するDNSサーバ");
    QTest::newRow("DNS broadcast while off") << QStringList{"txtDNSServer=255.255.255.255"} << formatText(dns) << dns
                                             << "cmdGen" << false;
    formatRow("DNS malformed while on", withDhcp("txtDNSServer=1.2.3"), dns, "txtDNSServer");
    const QString lease = QStringLiteral("使用期限");
    formatRow("lease 3599", withDhcp("txtLease=3599"), lease, "txtLease");
    formatRow("lease 1000000000", withDhcp("txtLease=1000000000"), lease, "txtLease");
    formatRow("lease beyond 64 bits", withDhcp("txtLease=99999999999999999999999"), lease, "txtLease");
    const QString count = QStringLiteral("提供するIPアドレス数");
    formatRow("address count empty", {dhcp, dhcpValid[0], "txtIPNumber="}, count, "txtIPNumber");
    formatRow("address count 256", {dhcp, dhcpValid[0], "txtIPNumber=256"}, count, "txtIPNumber");
    formatRow("address count 65537 (no 16-bit wrap)", {dhcp, dhcpValid[0], "txtIPNumber=65537"}, count,
              "txtIPNumber");

    messageRow("subscriber number only hyphens", {"txtNumber=---", "txtDialIn=123"},
               QStringLiteral("契約者番号の形式が不正です。"), Analog, "txtNumber");
    messageRow("dial-in number only hyphens", {"txtNumber=123", "txtDialIn=--"},
               QStringLiteral("ダイヤルイン番号の形式が不正です。"), Analog, "txtDialIn");
    messageRow("dial-in number missing on dial-up", {"txtNumber=123"},
               QStringLiteral("ダイヤルイン番号が入力されていません。"), Analog, "txtDialIn");
    messageRow("subscriber number missing", {"txtDialIn=456"}, QStringLiteral("契約者番号が入力されていません。"),
               Analog, "txtNumber");
    const QString timer = QStringLiteral("自動発呼までのタイマ値が正しくありません。");
    messageRow("auto-hash timer 61", {"chkAutoHash(0)=1", "txtAutoTimer(0)=61"}, timer, Analog, "txtAutoTimer(0)");
    messageRow("dial-in auto-hash timer empty", {"chkAutoHash(1)=1", "txtAutoTimer(1)="}, timer, Analog,
               "txtAutoTimer(1)");
    messageRow("dial-in timer full-width, hash off", {"txtAutoTimer(1)=５"}, timer, Analog, "cmdGen");
    messageRow("both timers faulty: the subscriber's first",
               {"chkAutoHash(0)=1", "txtAutoTimer(0)=99", "chkAutoHash(1)=1", "txtAutoTimer(1)=99"}, timer, Analog,
               "txtAutoTimer(0)");
}

void TestValidation::commonPageFaults()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    QFETCH(bool, selected);
    goCommon();
    setFields(*w, edits);
    prompt->shown.clear();
    const Configuration before = w->configuration();

    QTest::mouseClick(w->cmdGen, Qt::LeftButton);

    expectMessage(text, title);
    expectFocus(focus, QString(), selected);
    QCOMPARE(scriptWindows, 0);
    QCOMPARE(w->selectedTab(), 1);
    QVERIFY(w->configuration() == before);
    // Leaving the page is refused too, with the same message except for the
    // missing Ethernet values, which only the whole check looks for.
    prompt->shown.clear();
    QVERIFY(!w->selectTab(2));
    QCOMPARE(w->selectedTab(), 1);
    QCOMPARE(prompt->shown.size(), 1);
    if (text != EtherMissing)
        expectMessage(text, title);
}

void TestValidation::commonPageAccepts_data()
{
    QTest::addColumn<QStringList>("edits");
    const QString dhcp = QStringLiteral("chkDHCPSrv=1");
    QTest::newRow("lease 3600, one address")
        << QStringList{dhcp, "txtIP=192.168.1.100", "txtIPNumber=1", "txtLease=3600"};
    QTest::newRow("lease 999999999, 255 addresses, DNS")
        << QStringList{dhcp, "txtIP=192.168.1.100", "txtIPNumber=255", "txtLease=999999999",
                       "txtDNSServer=192.168.1.2"};
    QTest::newRow("leased line ignores the subscriber line")
        << QStringList{"cboConnect=#1", "txtNumber=---", "txtAutoTimer(0)=99"};
}

void TestValidation::commonPageAccepts()
{
    QFETCH(QStringList, edits);
    goCommon();
    setFields(*w, edits);
    prompt->shown.clear();
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    for (const ShownMessage &m : std::as_const(prompt->shown))
        qWarning() << m.title << m.text;
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(scriptWindows, 1);
    QVERIFY(w->configuration().CommandScript.startsWith(QStringLiteral("enable ip")));
}

void TestValidation::destinationPageFaults_data()
{
    addColumns();
    const QString isdn = QStringLiteral("ISDN番号");
    messageRow("ISDN number empty on dial-up", {"txtISDNNum="},
               QStringLiteral("ダイヤルアップ接続の場合、ISDN番号は省略できません。"), isdn, "txtISDNNum");
    messageRow("ISDN number only hyphens", {"txtISDNNum=---"}, QStringLiteral("ISDN 番号の形式が不正です。"), isdn,
               "txtISDNNum");
    const QString alt = QStringLiteral("ISDN予備番号の形式が不正です。");
    messageRow("spare number only hyphens", {"cboType=#1", "txtAltNum=--"}, alt, QStringLiteral("ISDN予備番号"),
               "txtAltNum");
    messageRow("callback timer 101", {"chkCallBack=1", "txtCbdelay=101"},
               QStringLiteral("コールバックタイマの値が正しくありません。"), QStringLiteral("コールバックタイマ"),
               "txtCbdelay");
    messageRow("password without user name", {"txtUsername="}, QStringLiteral("接続先に対するユーザ名は省略できません。"),
               QStringLiteral("接続先に対するユーザ名"), "txtUsername");
    messageRow("user name without password", {"txtUserPass="},
               QStringLiteral("接続先に対するパスワードは省略できません。"), QStringLiteral("接続先に対するパスワード"),
               "txtUserPass");
    messageRow("peer name without password", {"chkPPPAuth=1", "txtAuthUserName=peer"},
               QStringLiteral("認証相手のパスワードは省略できません。"), QStringLiteral("接続相手のパスワード"),
               "txtAuthUserPass");
    messageRow("peer password without name", {"chkPPPAuth=1", "txtAuthUserPass=pw"},
               QStringLiteral("認証相手のユーザ名は省略できません。"), QStringLiteral("接続相手のユーザ名"),
               "txtAuthUserName");
    formatRow("PPP address malformed", {"txtPPPIP=10.0.0"}, QStringLiteral("PPPインターフェースのIPアドレス"),
              "txtPPPIP");
    formatRow("PPP mask malformed", {"txtPPPNetMask=255.255.255.0.0"},
              QStringLiteral("PPPインターフェースのネットマスク"), "txtPPPNetMask");
    messageRow("PPP address is the Ethernet address", {"txtPPPIP=192.168.1.1"}, AlreadyUsed,
               QStringLiteral("PPPインターフェースのIPアドレス"), "txtPPPIP");
    formatRow("PPP mask zero", {"txtPPPNetMask=0.0.0.0"}, QStringLiteral("PPPインターフェースのネットマスク"),
              "txtPPPNetMask");
    messageRow("no route chosen", {"chkDefault=0"}, NoRouteChosen, Route, "");
    const QString routeIP = QStringLiteral("接続先のネットワークIPアドレス");
    const QStringList route{"chkDefault=0", "chkStaticRoute=1", "txtRouteIP=10.1.0.0", "txtRouteNetMask=255.255.0.0",
                            "txtNextHop=10.0.0.2"};
    formatRow("route address malformed", route + QStringList{"txtRouteIP=10.1.0"}, routeIP, "txtRouteIP");
    formatRow("route mask zero", route + QStringList{"txtRouteNetMask=0.0.0.0"}, QStringLiteral("接続先のネットマスク"),
              "txtRouteNetMask");
    formatRow("next hop not an address", route + QStringList{"txtNextHop=gateway"}, QStringLiteral("ネクストホップ"),
              "txtNextHop");
    // RIP counts as a route for the first check, not for a terminal type.
    messageRow("terminal type with RIP only", {"chkRIPPPP=1", "chkDefault=0", "cboType=#1"}, TerminalNeedsRoute,
               Route, "");
    formatRow("idle timer full-width", {"cboIdleTimer=６０"}, QStringLiteral("アイドルタイマ"), "cboIdleTimer");
}

void TestValidation::destinationPageFaults()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    QFETCH(bool, selected);
    setFields(*w, edits);
    prompt->shown.clear();
    const QString before = focusName();
    const Destination stored = w->configuration().destination(1);

    QVERIFY(!w->selectTab(1));

    expectMessage(text, title);
    QCOMPARE(w->selectedTab(), 2);
    expectFocus(focus, before, selected);
    // A refused page is not stored.
    QVERIFY(w->configuration().destination(1) == stored);
}

void TestValidation::destinationPageAccepts_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::newRow("callback 0 and 100") << QStringList{"chkCallBack=1", "txtCbdelay=100"};
    QTest::newRow("terminal type with a static route")
        << QStringList{"chkDefault=0", "chkStaticRoute=1", "txtRouteIP=10.1.0.0", "txtRouteNetMask=255.255.0.0",
                       "txtNextHop=10.0.0.2", "cboType=#1"};
    QTest::newRow("unnumbered interface") << QStringList{"chkPPPDyn=1"};
}

void TestValidation::destinationPageAccepts()
{
    QFETCH(QStringList, edits);
    setFields(*w, edits);
    prompt->shown.clear();
    QVERIFY(w->selectTab(1));
    QVERIFY(prompt->shown.isEmpty());
    QVERIFY(w->selectTab(2));
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    for (const ShownMessage &m : std::as_const(prompt->shown))
        qWarning() << m.title << m.text;
    QVERIFY(prompt->shown.isEmpty() || prompt->shown[0].title == QStringLiteral("ENATの設定"));
    QCOMPARE(scriptWindows, 1);
}

// Faults that only the walk over the stored records reports, generated from
// the selected destination tab.
void TestValidation::walkFaults_data()
{
    addColumns();
    messageRow("ISDN number empty in the record", {"txtISDNNum="},
               QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。"), Error, "txtISDNNum");
    messageRow("callback timer empty", {"chkCallBack=1", "txtCbdelay="},
               QStringLiteral("コールバックタイマの値が正しくありません。"), Error, "txtCbdelay");
    messageRow("PPP address empty", {"txtPPPIP="},
               QStringLiteral("PPPインターフェースのIPアドレス、または、ネットマスクが入力されていません。"), Error,
               "txtPPPIP");
    messageRow("neither user name nor password", {"txtUsername=", "txtUserPass="}, UserOrPassMissing, Error,
               "txtUsername");
    messageRow("unnumbered: page check skipped, password still needed", {"chkPPPDyn=1", "txtUserPass="},
               UserOrPassMissing, Error, "txtUserPass");
    messageRow("peer authentication without name and password", {"chkPPPAuth=1"},
               QStringLiteral("接続相手を認証する場合、接続相手のユーザ名、\r\nパスワードは省略できません。"), Error,
               "txtAuthUserName");
    formatRow("unnumbered with a malformed static route",
              {"chkPPPDyn=1", "chkDefault=0", "chkStaticRoute=1", "txtRouteIP=10.1", "txtRouteNetMask=255.255.0.0",
               "txtNextHop=10.0.0.2"},
              QStringLiteral("接続先のネットワークIPアドレス"), "txtRouteIP");
}

void TestValidation::walkFaults()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    QFETCH(bool, selected);
    setFields(*w, edits);
    prompt->shown.clear();
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(text, title);
    expectFocus(focus, QString(), selected);
    QCOMPARE(scriptWindows, 0);
}

void TestValidation::walkFindsFaultInStoredDestination()
{
    // Destination 2 is added but never filled in: its record has no ISDN
    // number. Destination 1 stays on screen and is faultless.
    w->mnuConnectAdd_Click();
    QCOMPARE(w->configuration().TabCount, 3);
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。"), Error);
    QCOMPARE(w->selectedTab(), 2);
    QCOMPARE(focusName(), QStringLiteral("txtISDNNum"));
    QCOMPARE(w->txtISDNNum->text(), QStringLiteral("03-1234-5678")); // still destination 1 on screen
    QCOMPARE(scriptWindows, 0);
}

void TestValidation::walkStoresSelectedDestinationEvenWhenLaterCheckFails()
{
    setFields(*w, {"txtUsername=newname", "txtUserPass=", "chkPPPDyn=1"});
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(UserOrPassMissing, Error);
    QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("newname"));
    QCOMPARE(w->configuration().destination(1).PPPIP, QStringLiteral("0.0.0.0"));
}

void TestValidation::faultFoundFromTheCommonTabLeavesNoFocusOnHiddenPage()
{
    storeShown();
    w->mnuConnectAdd_Click(); // destination 2 has no ISDN number yet
    goCommon();
    w->txtSyslog->setFocus();
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。"), Error);
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QVERIFY2(focus->isVisible(), qPrintable(focus->objectName()));
    // Typing now must not reach a field the operator cannot see.
    const QString before = w->txtISDNNum->text();
    QTest::keyClicks(focus, QStringLiteral("9"));
    QCOMPARE(w->txtISDNNum->text(), before);
}

void TestValidation::walkReadsStoredTerminalTypeOfHiddenDestination()
{
    storeShown();
    w->mnuConnectAdd_Click();
    Destination d = w->configuration().destination(1);
    d.Type = 1;
    d.DefRoute = 0;
    d.PPPRIP = 1; // RIP is no route for a terminal type
    d.PPPIP = QStringLiteral("10.0.0.9");
    w->configuration().destination(2) = d;
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(TerminalNeedsRoute, Route);
}

void TestValidation::scanFindsEthernetAddressInHiddenDestination()
{
    storeShown();
    w->mnuConnectAdd_Click();
    Destination d = w->configuration().destination(1);
    d.PPPIP = QStringLiteral("192.168.1.1");
    d.DefRoute = 0;
    d.PPPRIP = 1;
    w->configuration().destination(2) = d;
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(AlreadyUsed, QStringLiteral("PPPインターフェースのIPアドレス"));
    QCOMPARE(focusName(), QStringLiteral("txtPPPIP"));
}

void TestValidation::scanIgnoresRecordsOfDeletedDestinations()
{
    // The record after the last destination is left over from a deleted
    // destination; its address is no longer in use.
    storeShown();
    Destination leftover = w->configuration().destination(1);
    leftover.PPPIP = QStringLiteral("192.168.1.1");
    w->configuration().destination(2) = leftover;
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(scriptWindows, 1);
}

void TestValidation::walkOverThirtyTwoDestinations()
{
    for (int n = 2; n <= MaxDestinations; ++n)
        w->mnuConnectAdd_Click();
    QCOMPARE(w->configuration().TabCount, MaxDestinations + 1);
    QVERIFY(w->selectTab(1));
    for (int n = 2; n <= MaxDestinations; ++n) {
        Destination d = w->configuration().destination(1);
        d.DefRoute = 0;
        d.PPPRIP = 1;
        d.PPPIP = QStringLiteral("10.0.%1.1").arg(n);
        w->configuration().destination(n) = d;
    }
    QVERIFY(w->selectTab(MaxDestinations + 1));
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(scriptWindows, 1);

    // A fault in the middle one is still found.
    w->configuration().destination(17).PPPIP = QStringLiteral("192.168.1.1");
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(AlreadyUsed, QStringLiteral("PPPインターフェースのIPアドレス"));
}

void TestValidation::correctedPppAddressLetsTheTabBeLeft()
{
    // Destination 1 is stored with 10.0.0.1; the LAN then takes that address.
    goCommon();
    setFields(*w, {"txtEtherIP=10.0.0.1"});
    QVERIFY(w->selectTab(2));
    QCOMPARE(w->txtPPPIP->text(), QStringLiteral("10.0.0.1"));
    QVERIFY(!w->selectTab(1));
    expectMessage(AlreadyUsed, QStringLiteral("PPPインターフェースのIPアドレス"));

    // The operator corrects the page: the old record must not hold it back.
    prompt->shown.clear();
    setFields(*w, {"txtPPPIP=10.0.0.5"});
    QVERIFY(w->selectTab(1));
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(w->configuration().destination(1).PPPIP, QStringLiteral("10.0.0.5"));
}

void TestValidation::correctedRouteLetsTheTabBeLeft()
{
    // Generating stores the page (terminal type without route) and refuses it.
    setFields(*w, {"chkDefault=0", "chkRIPPPP=1", "cboType=#1"});
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    expectMessage(TerminalNeedsRoute, Route);
    QCOMPARE(w->configuration().destination(1).Type, int16(1));

    prompt->shown.clear();
    setFields(*w, {"chkDefault=1"});
    QVERIFY(w->selectTab(1));
    QVERIFY(prompt->shown.isEmpty());
}

void TestValidation::spoiltRouteFieldIsCaughtOnLeavingTheTab()
{
    const QStringList route{"chkDefault=0", "chkStaticRoute=1", "txtRouteIP=10.1.0.0", "txtRouteNetMask=255.255.0.0",
                            "txtNextHop=10.0.0.2"};
    setFields(*w, route);
    QVERIFY(w->selectTab(1));
    QVERIFY(w->selectTab(2));
    QCOMPARE(w->configuration().destination(1).RouteIP, QStringLiteral("10.1.0.0"));

    // The stored route was good; the one on the page now is not.
    prompt->shown.clear();
    setFields(*w, {"txtRouteIP=10.1.0"});
    QVERIFY(!w->selectTab(1));
    expectMessage(formatText(QStringLiteral("接続先のネットワークIPアドレス")),
                  QStringLiteral("接続先のネットワークIPアドレス"));
    QCOMPARE(w->configuration().destination(1).RouteIP, QStringLiteral("10.1.0.0"));
}

QTEST_MAIN(TestValidation)
#include "tst_validation.moc"
