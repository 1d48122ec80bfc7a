#include "ScriptGenerator.h"
#include "ScriptedPrompt.h"

#include <QFile>
#include <QtTest>

#include <functional>

using namespace mg;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The worked dial-up example: one LAN-type destination, analog ports at
// their defaults.
Configuration lanExample()
{
    Configuration c;
    c.Common.EthIP = QStringLiteral("192.168.1.1");
    c.Common.EthMask = QStringLiteral("255.255.255.0");
    Destination &d = c.destination(1);
    d.ISDN_Num = QStringLiteral("03-1234-5678");
    d.Idle = QStringLiteral("60");
    d.LQR = 1;
    d.PPPDyn = 0;
    d.PPPIP = QStringLiteral("192.168.2.1");
    d.PPPMask = QStringLiteral("255.255.255.0");
    d.DefRoute = 1;
    return c;
}

Configuration leased128()
{
    Configuration c = lanExample();
    c.Common.ConnectType = 2;
    return c;
}

Configuration threeCompressing()
{
    Configuration c = lanExample();
    c.TabCount = 4;
    const char *numbers[] = {"011-111", "022-222", "033-333"};
    for (int n = 1; n <= 3; ++n) {
        Destination &d = c.destination(n);
        d = Destination{};
        d.ISDN_Num = QLatin1String(numbers[n - 1]);
        d.PPPIP = QStringLiteral("10.0.%1.1").arg(n);
    }
    c.destination(2).Comp = 1;
    c.destination(3).Comp = 2;
    c.destination(3).LQR = 0;
    c.destination(3).Idle = QStringLiteral("OFF");
    return c;
}

Configuration twoTerminal()
{
    Configuration c = lanExample();
    c.TabCount = 3;
    Destination &a = c.destination(1);
    a = Destination{};
    a.Type = 1;
    a.ISDN_Num = QStringLiteral("03-1111-2222");
    a.ISDN_ALTNum = QStringLiteral("03-3333-4444");
    a.UserName = QStringLiteral("user1");
    a.UserPass = QStringLiteral("pw1");
    a.VJC = 1;
    a.PPPRIP = 1; // a terminal-type destination never gets RIP
    a.DefRoute = 1;
    Destination &b = c.destination(2);
    b.Type = 1;
    b.ISDN_Num = QStringLiteral("06-5555-6666");
    b.LQR = 0;
    b.StaticRoute = 1;
    b.RouteIP = QStringLiteral("10.20.30.40");
    b.RouteNetMask = QStringLiteral("255.255.0.0");
    b.RouteNextHop = QStringLiteral("192.168.100.1");
    return c;
}

Configuration dialUpEveryStep()
{
    Configuration c = lanExample();
    CommonSettings &s = c.Common;
    s.Filter = 1;
    s.EthRIP = 1;
    s.Syslog = QStringLiteral("192.168.1.200");
    s.DHCP = 1;
    s.DHCP_IP = QStringLiteral("192.168.1.100");
    s.DHCP_Num = QStringLiteral("20");
    s.DHCP_Router = QStringLiteral("192.168.1.1");
    s.DHCP_DNS = QStringLiteral("192.168.1.2");
    s.DHCP_Lease = QStringLiteral("7200");
    s.ANALOG1 = 1;
    s.ANALOG2 = 0;
    s.PBX_Number = QStringLiteral("03-1234-0001");
    s.PBX_DialIn = QStringLiteral("03-1234-0002");
    s.AutoHash1 = 1;
    s.AutoHashTimer1 = QStringLiteral("10");
    s.AutoHashTimer2 = QStringLiteral("99"); // AutoHash2 off: never written
    s.Grobal = 1;

    c.appendRoute({"172.16.5.4", "255.255.252.0", "ppp0", "192.168.2.254"});
    c.appendRoute({"10.1.2.3", "255.0.0.0", "eth0", "192.168.1.254"});
    c.appendEnat({"192.168.1.10", {}, {}, "203.0.113.10", {}, {}, {}, {}, 0});
    c.appendEnat({"192.168.1.0", "255.255.255.128", {}, "203.0.113.16", "255.255.255.240", {}, {}, {}, 1});
    c.appendEnat({"192.168.1.20", {}, "80", "203.0.113.11", {}, "8080", "tcp", {}, 2});
    c.appendEnat({"192.168.1.128", "255.255.255.128", {}, "203.0.113.12", {}, {}, {}, {}, 3});
    c.appendEnat({"192.168.1.99", {}, {}, {}, {}, {}, {}, {}, 7});

    c.TabCount = 4;
    Destination &a = c.destination(1);
    a.ISDN_ALTNum = QStringLiteral("03-9999-0000"); // LAN type: not written
    a.CallBack = 1;
    a.CBTimer = 50;
    a.UserName = QStringLiteral("kv");
    a.UserPass = QStringLiteral("secret");
    a.Authentication = 1;
    a.AuthName = QStringLiteral("peer");
    a.AuthPass = QStringLiteral("peerpw");
    a.PPPAuth = 1;
    a.MP = 1;
    c.bod(1) = {"70", "20", "10", "40"};
    a.VJC = 1;
    a.PPPRIP = 1;
    a.StaticRoute = 1;
    a.RouteIP = QStringLiteral("192.168.3.7");
    a.RouteNetMask = QStringLiteral("255.255.255.0");
    a.RouteNextHop = QStringLiteral("192.168.2.2");

    Destination &b = c.destination(2);
    b.ISDN_Num = QStringLiteral("0120-00-1111");
    b.Authentication = 1;
    b.AuthPass = QStringLiteral("x"); // no name: no user line, still authenticated
    b.PPPAuth = 2;
    b.MP = 2;
    b.PPPDyn = 1;
    b.PPPIP = QStringLiteral("0.0.0.0");
    b.PPPMask = QStringLiteral("0.0.0.0");
    b.Comp = 2;
    b.LQR = 0;
    b.Idle = QStringLiteral("OFF");

    Destination &d = c.destination(3);
    d.ISDN_Num = QStringLiteral("045-000-1234");
    d.Authentication = 1;
    d.AuthName = QStringLiteral("third");
    d.AuthPass = QStringLiteral("pw3");
    d.MP = 1;
    c.bod(3) = {"", "30", "20", "60"}; // no up rate: no threshold line
    d.Comp = 1;
    d.PPPDyn = 1;
    d.VJC = 1;
    d.UserName = QStringLiteral("only"); // no password: no user lines
    return c;
}

Configuration leased64EveryStep()
{
    Configuration c = lanExample();
    c.Common.ConnectType = 1;
    c.Common.Syslog = QStringLiteral("192.168.1.200");
    c.Common.PBX_Number = QStringLiteral("1");
    c.Common.PBX_DialIn = QStringLiteral("2");
    c.TabCount = 3; // stale: a leased line has one destination only
    Destination &d = c.destination(1);
    d = Destination{};
    d.Type = 1; // a leased line always uses the LAN form
    d.ISDN_Num = QStringLiteral("03-0000");
    d.CallBack = 1;
    d.MP = 1;
    d.LQR = 0;
    d.UserName = QStringLiteral("lease");
    d.UserPass = QStringLiteral("lpw");
    d.Authentication = 1;
    d.AuthName = QStringLiteral("in");
    d.AuthPass = QStringLiteral("inpw");
    d.PPPAuth = 1;
    d.Comp = 1;
    d.VJC = 1;
    d.PPPIP = QStringLiteral("10.9.8.7");
    d.PPPMask = QStringLiteral("255.255.255.252");
    d.PPPRIP = 1;
    d.StaticRoute = 1;
    d.RouteIP = QStringLiteral("10.50.60.70");
    d.RouteNetMask = QStringLiteral("255.255.255.0");
    d.RouteNextHop = QStringLiteral("10.9.8.6");
    c.destination(2).Comp = 2;
    c.destination(2).ISDN_Num = QStringLiteral("0999");
    return c;
}

QStringList linesOf(const QString &script)
{
    QStringList lines = script.split(CrLf);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Where `block` occurs as consecutive whole lines of `lines`, or -1.
int indexOfBlock(const QStringList &lines, const QStringList &block)
{
    for (int i = 0; i + block.size() <= lines.size(); ++i) {
        if (lines.mid(i, block.size()) == block)
            return i;
    }
    return -1;
}

QString generate(Configuration &c, const QString &answers = {}, ScriptedPrompt *record = nullptr)
{
    ScriptedPrompt local;
    ScriptedPrompt &prompt = record ? *record : local;
    prompt.answers = ScriptedPrompt::fromLetters(answers);
    return GenerateScript(c, prompt);
}

using Mutation = std::function<void(Configuration &)>;

} // namespace

class TestScriptGenerator : public QObject {
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void stepConditions_data();
    void stepConditions();
    void destinationCountIsBounded_data();
    void destinationCountIsBounded();
    void listCountsAreBounded_data();
    void listCountsAreBounded();
    void enatQuestion_data();
    void enatQuestion();
    void enatQuestionWording();
    void keptTexts_data();
    void keptTexts();
};

void TestScriptGenerator::golden_data()
{
    QTest::addColumn<Configuration>("config");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("file");

    QTest::newRow("dial-up, one LAN destination") << lanExample() << QString() << "dialup_lan.txt";
    QTest::newRow("128k leased line") << leased128() << QString() << "leased_128.txt";
    QTest::newRow("channels once after first compression")
        << threeCompressing() << QString() << "three_compressing.txt";
    QTest::newRow("two terminals, No then Yes") << twoTerminal() << "NY" << "two_terminal_no_then_yes.txt";
    QTest::newRow("dial-up, every step") << dialUpEveryStep() << QString() << "dialup_every_step.txt";
    QTest::newRow("64k leased line, every step") << leased64EveryStep() << QString() << "leased_64_every_step.txt";
}

void TestScriptGenerator::golden()
{
    QFETCH(Configuration, config);
    QFETCH(QString, answers);
    QFETCH(QString, file);

    QFile reference(QStringLiteral(MG_GOLDEN_DIR "/") + file);
    QVERIFY2(reference.open(QIODevice::ReadOnly), qPrintable(reference.fileName()));
    const QByteArray expected = reference.readAll();

    const Configuration before = config;
    ScriptedPrompt prompt;
    const QString script = generate(config, answers, &prompt);
    QCOMPARE(prompt.shown.size(), answers.size());

    // Line by line first, so a mismatch names the line; then the exact bytes.
    QCOMPARE(linesOf(script), linesOf(QString::fromUtf8(expected)));
    QCOMPARE(script.toUtf8(), expected);

    // Only the ENAT list and the kept texts may change.
    Configuration untouched = before;
    untouched.EnatList = config.EnatList;
    untouched.EnatCount = config.EnatCount;
    untouched.RouteCommands = config.RouteCommands;
    untouched.EnatCommands = config.EnatCommands;
    QVERIFY(config == untouched);
}

void TestScriptGenerator::stepConditions_data()
{
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QStringList>("block");   // must occur as consecutive lines
    QTest::addColumn<QStringList>("absent");  // no line may contain any of these

    const QString eth = QStringLiteral("add ip int=eth0 ip=192.168.1.1 mask=255.255.255.0");
    const QString call0 = QStringLiteral("add isdn call=remote0 prec=out number=0312345678 searchcli=on");
    const QString ppp0 = QStringLiteral("create ppp=0 over=isdn-remote0 idle=60 LQR=OFF");
    const QString pbx0 = QStringLiteral("create pbx extension=0 port=0 group=\"default\" name=\"Extension 0\"");
    auto row = [](const char *name, Mutation m, QStringList block, QStringList absent = {}) {
        QTest::newRow(name) << m << block << absent;
    };

    row("2a 64k leased", [](Configuration &c) { c.Common.ConnectType = 1; },
        {"enable ip", "set bri=0 mode=tdm act=always tdmslots=1", "create tdm group=remote int=bri0 slots=1",
         "create ppp=0 over=tdm-remote LQR=OFF"},
        {"isdn", "create pbx", "idle="});
    row("2b leased line sending LQR", [](Configuration &c) {
        c.Common.ConnectType = 2;
        c.destination(1).LQR = 0;
    }, {"create tdm group=remote int=bri0 slots=1-2", "create ppp=0 over=tdm-remote", eth});
    row("2c leased user without password", [](Configuration &c) {
        c.Common.ConnectType = 1;
        c.destination(1).UserName = QStringLiteral("u");
    }, {"create ppp=0 over=tdm-remote LQR=OFF", eth}, {"user="});
    row("2d 2e leased authentication without password", [](Configuration &c) {
        c.Common.ConnectType = 1;
        c.destination(1).Authentication = 1;
        c.destination(1).AuthName = QStringLiteral("a");
        c.destination(1).PPPAuth = 2;
    }, {"create ppp=0 over=tdm-remote LQR=OFF", "set ppp=0 over=tdm-remote authentication=EITHER", eth},
        {"add user"});
    row("2f leased predictor", [](Configuration &c) {
        c.Common.ConnectType = 1;
        c.destination(1).Comp = 2;
    }, {"set ppp=0 compression=on compalgorithm=PREDICTOR", "set enco sw predchannels=1", eth});
    row("4a alternative number of a LAN destination", [](Configuration &c) {
        c.destination(1).ISDN_ALTNum = QStringLiteral("03-1");
    }, {"enable ip", call0, ppp0}, {"altnumber"});
    row("4b callback", [](Configuration &c) {
        c.destination(1).CallBack = 1;
        c.destination(1).CBTimer = 0;
    }, {call0, "set isdn call=remote0 callback=ON cbdelay=0", ppp0});
    row("4b callback value 2 is not on", [](Configuration &c) { c.destination(1).CallBack = 2; },
        {call0, ppp0}, {"callback"});
    row("5a LAN sending LQR", [](Configuration &c) { c.destination(1).LQR = 0; },
        {call0, "create ppp=0 over=isdn-remote0 idle=60", eth});
    row("5a LQR value 2 sends LQR", [](Configuration &c) { c.destination(1).LQR = 2; },
        {call0, "create ppp=0 over=isdn-remote0 idle=60", eth});
    row("5a terminal without LQR", [](Configuration &c) { c.destination(1).Type = 1; },
        {call0, "create ppp=0 over=isdn-remote0 idle=60 iprequest=ON LQR=OFF", eth});
    row("5a terminal sending LQR", [](Configuration &c) {
        c.destination(1).Type = 1;
        c.destination(1).LQR = 0;
        c.destination(1).Idle = QStringLiteral("OFF");
    }, {call0, "create ppp=0 over=isdn-remote0 idle=OFF iprequest=ON", eth});
    row("5b 5c demand thresholds as stored", [](Configuration &c) {
        c.destination(1).MP = 1;
        c.bod(1).Uprate = QStringLiteral("80");
    }, {ppp0, "add ppp=0 over=isdn-remote0 type=demand", "set ppp=0 uprate=80 uptime= downrate= downtime=", eth});
    row("5b demand without up rate", [](Configuration &c) {
        c.destination(1).MP = 1;
        c.bod(1).Uptime = QStringLiteral("30");
    }, {ppp0, "add ppp=0 over=isdn-remote0 type=demand", eth}, {"uprate"});
    row("5b both channels", [](Configuration &c) {
        c.destination(1).MP = 2;
        c.bod(1).Uprate = QStringLiteral("80");
    }, {ppp0, "add ppp=0 over=isdn-remote0", eth}, {"uprate", "demand"});
    row("5d values inserted as typed", [](Configuration &c) {
        c.destination(1).UserName = QStringLiteral("a b");
        c.destination(1).UserPass = QStringLiteral("p\"q");
    }, {ppp0, "set ppp=0 user=\"a b\"", "", "set ppp=0 pass=\"p\"q\"", "", eth});
    row("5d user without password", [](Configuration &c) { c.destination(1).UserName = QStringLiteral("u"); },
        {ppp0, eth}, {"user="});
    row("5e 5g single compressing destination", [](Configuration &c) {
        c.destination(1).Authentication = 1;
        c.destination(1).Comp = 1;
    }, {ppp0, "set ppp=0 over=isdn-remote0 authentication=CHAP", "set ppp=0 compression=on compalgorithm=STACLZS",
        "set enco sw stacchannels=2 predchannels=2", eth});
    row("6 7 filter", [](Configuration &c) { c.Common.Filter = 1; },
        {ppp0, "add ip filter=1 source=0.0.0.0 smask=0.0.0.0 sport=137 protocol=udp action=exclude",
         "add ip filter=1 source=0.0.0.0 smask=0.0.0.0 sport=138 protocol=udp action=exclude",
         "add ip filter=1 source=0.0.0.0 smask=0.0.0.0 sport=139 protocol=udp action=exclude",
         "add ip filter=1 source=0.0.0.0 action=include", eth + " filter=1",
         "add ip int=ppp0 ip=192.168.2.1 mask=255.255.255.0"});
    row("7b RIP on Ethernet", [](Configuration &c) { c.Common.EthRIP = 1; },
        {eth, "add ip rip int=eth0", "add ip int=ppp0 ip=192.168.2.1 mask=255.255.255.0"});
    row("8 terminal never gets RIP", [](Configuration &c) {
        c.destination(1).Type = 1;
        c.destination(1).DefRoute = 0;
        c.destination(1).PPPRIP = 1;
    }, {eth, "enable ip remote", "add ip int=ppp0 ip=0.0.0.0", pbx0}, {"rip"});
    row("8b unnumbered LAN with header compression", [](Configuration &c) {
        c.destination(1).PPPDyn = 1;
        c.destination(1).VJC = 1;
        c.destination(1).DefRoute = 0;
    }, {eth, "add ip int=ppp0 ip=0.0.0.0 vjc=on", pbx0});
    row("13 DHCP without router, mask and DNS", [](Configuration &c) {
        c.Common.DHCP = 1;
        c.Common.DHCP_Mask.clear();
    }, {"enable dhcp", "create dhcp policy=base lease=3600", "create dhcp range=office policy=base IP= number=",
        pbx0}, {"router=", "subnet=", "dnsserver="});
    row("13 DHCP off", [](Configuration &c) {
        c.Common.DHCP_IP = QStringLiteral("192.168.1.100");
        c.Common.Syslog = QStringLiteral("10.0.0.9");
    }, {"add log output=1 filter=1 severity=>0 action=process", pbx0}, {"dhcp"});
    row("14 numbers kept with hyphens", [](Configuration &c) {
        c.Common.PBX_Number = QStringLiteral("03-1-2");
        c.Common.PBX_DialIn = QStringLiteral("03-3-4");
        c.Common.AutoHash2 = 1;
        c.Common.AutoHashTimer2 = QStringLiteral("7");
    }, {pbx0, "create pbx extension=1 port=1 group=\"default\" name=\"Extension 1\" terminate=7",
        "set pbx extension=0 numaccept=03-1-2", "set pbx extension=1 numaccept=03-3-4"});
    row("14 one number only", [](Configuration &c) {
        c.Common.PBX_Number = QStringLiteral("03-1-2");
        c.Common.Grobal = 1;
    }, {pbx0}, {"numaccept"});
}

void TestScriptGenerator::stepConditions()
{
    QFETCH(Mutation, mutate);
    QFETCH(QStringList, block);
    QFETCH(QStringList, absent);

    Configuration c = lanExample();
    mutate(c);
    const QStringList lines = linesOf(generate(c));
    QVERIFY2(indexOfBlock(lines, block) >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
    for (const QString &fragment : absent) {
        for (const QString &line : lines)
            QVERIFY2(!line.contains(fragment), qPrintable(line));
    }
}

void TestScriptGenerator::destinationCountIsBounded_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<int>("tabCount");
    QTest::addColumn<int>("interfaces");

    QTest::newRow("no destination tab") << 0 << 1 << 1;
    QTest::newRow("zero") << 0 << 0 << 1;
    QTest::newRow("negative") << 0 << -7 << 1;
    QTest::newRow("full") << 0 << 33 << 32;
    QTest::newRow("one too many") << 0 << 34 << 32;
    QTest::newRow("largest") << 0 << 32767 << 32;
    QTest::newRow("leased with many tabs") << 2 << 33 << 1;
}

void TestScriptGenerator::destinationCountIsBounded()
{
    QFETCH(int, connectType);
    QFETCH(int, tabCount);
    QFETCH(int, interfaces);

    Configuration c = lanExample();
    c.Common.ConnectType = int16(connectType);
    c.TabCount = int16(tabCount);
    for (int n = 1; n <= MaxDestinations; ++n)
        c.destination(n).Type = 1;
    const QString script = generate(c);
    QCOMPARE(script.count(QStringLiteral("create ppp=")), interfaces);
    QCOMPARE(script.count(QStringLiteral("add ip int=ppp")), interfaces);
    QVERIFY(script.contains(QStringLiteral("add ip int=ppp%1 ").arg(interfaces - 1)));
}

void TestScriptGenerator::listCountsAreBounded_data()
{
    QTest::addColumn<int>("routeCount");
    QTest::addColumn<int>("enatCount");
    QTest::addColumn<int>("routeLines");
    QTest::addColumn<int>("natLines");

    QTest::newRow("full lists") << 100 << 100 << 100 << 100;
    QTest::newRow("one past") << 101 << 101 << 100 << 100;
    QTest::newRow("largest") << 32767 << 32767 << 100 << 100;
    QTest::newRow("negative") << -1 << -32768 << 0 << 0;
}

void TestScriptGenerator::listCountsAreBounded()
{
    QFETCH(int, routeCount);
    QFETCH(int, enatCount);
    QFETCH(int, routeLines);
    QFETCH(int, natLines);

    Configuration c = lanExample();
    c.destination(1).DefRoute = 0;
    for (int i = 0; i < MaxRoutes; ++i)
        c.StaticRouteList[i] = {QStringLiteral("10.%1.0.0").arg(i), "255.255.0.0", "eth0", "192.168.1.2"};
    for (int i = 0; i < MaxEnatEntries; ++i)
        c.EnatList[i] = {QStringLiteral("192.168.1.%1").arg(i), {}, {}, "203.0.113.1", {}, {}, {}, {}, 0};
    c.RouteCount = int16(routeCount);
    c.EnatCount = int16(enatCount);

    // Both the generator and the dialogs' builders stay inside the lists.
    const QString routes = BuildRouteCommands(c);
    const QString nat = BuildEnatCommands(c);
    QCOMPARE(routes.count(QStringLiteral("add ip route=")), routeLines);
    QCOMPARE(nat.count(QStringLiteral("add ip nat ")), natLines);
    QVERIFY(nat.startsWith(QStringLiteral("enable ip nat\r\n")));

    const QString script = generate(c);
    QCOMPARE(script.count(QStringLiteral("add ip route=")), routeLines);
    QCOMPARE(script.count(QStringLiteral("add ip nat ")), natLines);
    QCOMPARE(script.contains(QStringLiteral("enable ip nat")), natLines > 0);
}

void TestScriptGenerator::enatQuestion_data()
{
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QList<int>>("asked");       // destinations asked about, in order
    QTest::addColumn<int>("enatCount");
    QTest::addColumn<QString>("globalInterface"); // of the entry added, or empty

    auto terminals = [](QList<int> types) {
        return [types](Configuration &c) {
            c.TabCount = int16(types.size() + 1);
            int n = 1;
            for (int t : types)
                c.destination(n++).Type = int16(t);
        };
    };
    auto withEntry = [terminals](EnatEntry e, int count) {
        return [terminals, e, count](Configuration &c) {
            terminals({1})(c);
            for (int i = 0; i < count; ++i)
                c.EnatList[i] = {QStringLiteral("10.0.0.%1").arg(i), "255.255.255.0", {}, {}, {}, {}, {}, "ppp0", 3};
            c.EnatList[0] = e;
            c.EnatCount = int16(count);
        };
    };
    const EnatEntry lan{"192.168.1.0", "255.255.255.0", {}, "203.0.113.1", {}, {}, {}, {}, 0};

    QTest::newRow("Yes at the first") << Mutation(terminals({1, 1})) << "Y" << QList<int>{1} << 1 << "ppp0";
    QTest::newRow("No, LAN skipped, Yes") << Mutation(terminals({1, 0, 1})) << "NY" << QList<int>{1, 3} << 1
                                          << "ppp2";
    QTest::newRow("No to all") << Mutation(terminals({1, 1})) << "NN" << QList<int>{1, 2} << 0 << QString();
    QTest::newRow("LAN types only") << Mutation(terminals({0, 0})) << "" << QList<int>{} << 0 << QString();
    QTest::newRow("any type of LAN entry counts") << Mutation(withEntry(lan, 1)) << "" << QList<int>{} << 1
                                                  << QString();
    EnatEntry otherMask = lan;
    otherMask.PrivateMask = QStringLiteral("255.255.0.0");
    QTest::newRow("other mask is not the LAN") << Mutation(withEntry(otherMask, 1)) << "Y" << QList<int>{1} << 2
                                               << "ppp0";
    EnatEntry leadingZero = lan;
    leadingZero.PrivateIP = QStringLiteral("192.168.001.0");
    QTest::newRow("compared as text") << Mutation(withEntry(leadingZero, 1)) << "N" << QList<int>{1} << 1
                                      << QString();
    QTest::newRow("entry past the count ignored") << Mutation(withEntry(lan, 0)) << "N" << QList<int>{1} << 0
                                                  << QString();
    EnatEntry notLan = lan;
    notLan.PrivateIP = QStringLiteral("10.9.9.9");
    QTest::newRow("99 entries: asked, fills the list") << Mutation(withEntry(notLan, 99)) << "Y" << QList<int>{1}
                                                       << 100 << "ppp0";
    QTest::newRow("full list: not asked") << Mutation(withEntry(notLan, 100)) << "" << QList<int>{} << 100
                                          << QString();
    QTest::newRow("leased line: never asked") << Mutation([](Configuration &c) {
        c.Common.ConnectType = 1;
        c.destination(1).Type = 1;
    }) << "" << QList<int>{} << 0 << QString();
}

void TestScriptGenerator::enatQuestion()
{
    QFETCH(Mutation, mutate);
    QFETCH(QString, answers);
    QFETCH(QList<int>, asked);
    QFETCH(int, enatCount);
    QFETCH(QString, globalInterface);

    Configuration c = lanExample();
    mutate(c);
    const Configuration before = c;
    ScriptedPrompt prompt;
    const QString script = generate(c, answers, &prompt);

    QList<int> askedAbout;
    for (const ScriptedPrompt::Shown &s : prompt.shown)
        askedAbout << QStringView(s.text).mid(3).toString().section(QStringLiteral("は"), 0, 0).toInt();
    QCOMPARE(askedAbout, asked);
    QCOMPARE(int(c.EnatCount), enatCount);

    const bool added = !globalInterface.isEmpty();
    if (!added) {
        QVERIFY(c.EnatList == before.EnatList);
        return;
    }
    const EnatEntry &entry = c.EnatList[enatCount - 1];
    QCOMPARE(entry, (EnatEntry{"192.168.1.0", "255.255.255.0", {}, {}, {}, {}, {}, globalInterface, 3}));
    const QString natLine = QStringLiteral("add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=") + globalInterface;
    QVERIFY(script.contains(natLine + CrLf));
    QCOMPARE(c.EnatCommands, BuildEnatCommands(c));

    // Saving regenerates the script: the entry is there now, nobody is asked again.
    ScriptedPrompt again;
    QCOMPARE(generate(c, {}, &again), script);
    QCOMPARE(again.shown.size(), 0);
    QCOMPARE(int(c.EnatCount), enatCount);
}

void TestScriptGenerator::enatQuestionWording()
{
    Configuration c = lanExample();
    c.TabCount = 4;
    c.destination(3).Type = 1;
    ScriptedPrompt prompt;
    generate(c, QStringLiteral("N"), &prompt);

    QCOMPARE(prompt.shown.size(), 1);
    const ScriptedPrompt::Shown &s = prompt.shown.first();
    QCOMPARE(s.text, QStringLiteral("接続先3は端末型の設定です。\r\n\r\n"
                                    "この接続先のPPPインターフェースをグローバルアドレス\r\n"
                                    "とするダイナミックENATエントリを追加しますか？"));
    QCOMPARE(s.title, QStringLiteral("ENATの設定"));
    QCOMPARE(s.icon, MessageIcon::Information);
    QCOMPARE(s.buttons, MessageButtons::YesNo);
}

void TestScriptGenerator::keptTexts_data()
{
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QStringList>("written"); // the list part of the script, route and NAT lines
    QTest::addColumn<QString>("keptRoutes");  // RouteCommands afterwards
    QTest::addColumn<QString>("keptEnat");    // EnatCommands afterwards

    const QString staleRoute = QStringLiteral("add ip route=9.9.9.0 mask=255.255.255.0 int=eth0 nexthop=1.1.1.1\r\n");
    const QString staleNat = QStringLiteral("enable ip nat\r\nadd ip nat ip=9.9.9.9 gblip=8.8.8.8\r\n");
    const QString route = QStringLiteral("add ip route=10.1.0.0 mask=255.255.0.0 int=ppp0 nexthop=192.168.2.9\r\n");
    const QString nat = QStringLiteral("enable ip nat\r\nadd ip nat ip=192.168.1.5 gblip=203.0.113.5\r\n");
    const QString lanNat = QStringLiteral("add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0\r\n");
    auto lists = [](QString routes, QString enat) {
        return [routes, enat](Configuration &c) {
            c.appendRoute({"10.1.2.3", "255.255.0.0", "ppp0", "192.168.2.9"});
            c.appendEnat({"192.168.1.5", {}, {}, "203.0.113.5", {}, {}, {}, {}, 0});
            c.RouteCommands = routes;
            c.EnatCommands = enat;
        };
    };
    auto split = [](const QString &a) { return linesOf(a); };

    QTest::newRow("kept texts used unchanged")
        << Mutation(lists(staleRoute, staleNat)) << "" << split(staleRoute + staleNat) << staleRoute << staleNat;
    QTest::newRow("empty texts rebuilt and kept")
        << Mutation(lists({}, {})) << "" << split(route + nat) << route << nat;
    QTest::newRow("empty lists: kept texts not written") << Mutation([=](Configuration &c) {
        c.RouteCommands = staleRoute;
        c.EnatCommands = staleNat;
    }) << "" << QStringList{} << staleRoute << staleNat;
    QTest::newRow("Yes rebuilds a kept ENAT text") << Mutation([=](Configuration &c) {
        lists(staleRoute, staleNat)(c);
        c.destination(1).Type = 1;
    }) << "Y" << split(staleRoute + nat + lanNat) << staleRoute << nat + lanNat;
    QTest::newRow("No keeps a kept ENAT text") << Mutation([=](Configuration &c) {
        lists(staleRoute, staleNat)(c);
        c.destination(1).Type = 1;
    }) << "N" << split(staleRoute + staleNat) << staleRoute << staleNat;
}

void TestScriptGenerator::keptTexts()
{
    QFETCH(Mutation, mutate);
    QFETCH(QString, answers);
    QFETCH(QStringList, written);
    QFETCH(QString, keptRoutes);
    QFETCH(QString, keptEnat);

    Configuration c = lanExample();
    mutate(c);
    const QStringList lines = linesOf(generate(c, answers));

    // The list part sits between the interface lines and the analog ports.
    const int first = lines.indexOf(QStringLiteral("add ip route=0.0.0.0 mask=0.0.0.0 int=ppp0 nexthop=0.0.0.0")) + 1;
    const int end = lines.indexOf(QRegularExpression(QStringLiteral("create pbx .*")));
    QVERIFY(first > 0 && end >= first);
    QCOMPARE(lines.mid(first, end - first), written);
    QCOMPARE(c.RouteCommands, keptRoutes);
    QCOMPARE(c.EnatCommands, keptEnat);
}

QTEST_GUILESS_MAIN(TestScriptGenerator)
#include "tst_ScriptGenerator.moc"
