#include "AddressChecks.h"
#include "RcfFile.h"
#include "ScriptGenerator.h"
#include "ScriptReader.h"
#include "ShiftJis.h"
#include "TestFakes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace mg;

namespace {

QByteArray readGolden(const QString &name)
{
    QFile f(QStringLiteral(MG_GOLDEN_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString generate(Configuration c, bool yes = false)
{
    AnswerPrompt prompt(yes);
    return GenerateScript(c, prompt);
}

// Random values of the forms the window's checks let through.
class Dice {
public:
    explicit Dice(quint32 seed) : m_rng(seed) {}
    int below(int n) { return int(m_rng.bounded(n)); }
    bool coin() { return below(2) == 1; }
    QString number(int low, int high) { return QString::number(low + below(high - low + 1)); }
    QString address(const char *prefix = "10")
    {
        QString text = QLatin1String(prefix);
        for (int part = int(text.count(QLatin1Char('.'))) + 1; part < 3; ++part)
            text += QLatin1Char('.') + QString::number(below(256));
        return text + QLatin1Char('.') + QString::number(1 + below(254));
    }
    QString mask()
    {
        static const QStringList masks{"255.255.255.0", "255.255.0.0", "255.255.255.128", "255.0.0.0", "255.255.252.0"};
        return masks[below(masks.size())];
    }
    QString phone()
    {
        return coin() ? number(100, 999) + QLatin1Char('-') + number(1000, 9999) + QLatin1Char('-') + number(1000, 9999)
                      : number(10000000, 99999999);
    }
    QString name() { return QStringLiteral("u%1%2").arg(coin() ? "X" : "y").arg(below(100000)); }

private:
    QRandomGenerator m_rng;
};

Configuration randomConfiguration(quint32 seed)
{
    Dice r(seed);
    Configuration c;
    const int16 type = int16(r.below(5) < 3 ? 0 : 1 + r.below(2));
    const bool dialUp = type == 0;
    c.setEthIP(r.address("192.168"));
    c.setEthMask(r.mask());
    c.Common.EthRIP = int16(r.below(2));
    c.Common.Filter = int16(r.below(2));
    if (r.coin())
        c.Common.Syslog = r.address();
    if (r.coin()) {
        c.Common.DHCP = 1;
        c.Common.DHCP_IP = r.address("192.168");
        c.Common.DHCP_Num = r.number(1, 255);
        c.Common.DHCP_Lease = r.number(3600, 999999);
        c.Common.DHCP_Mask = r.coin() ? r.mask() : QString();
        c.Common.DHCP_Router = r.coin() ? r.address("192.168") : QString();
        c.Common.DHCP_DNS = r.coin() ? r.address() : QString();
    }
    c.setAnalogPort(r.below(2), int16(r.below(2)));
    c.Common.AutoHash1 = int16(r.below(2)), c.Common.AutoHashTimer1 = r.number(1, 60);
    c.Common.AutoHash2 = int16(r.below(2)), c.Common.AutoHashTimer2 = r.number(1, 60);
    if (dialUp && r.coin()) {
        c.Common.PBX_Number = r.phone();
        c.Common.PBX_DialIn = r.phone();
        c.Common.Grobal = int16(r.below(2));
    }
    const int count = dialUp ? 1 + r.below(r.coin() ? 4 : MaxDestinations) : 1;
    for (int n = 2; n <= count; ++n)
        c.addDestination();
    const int defaultRoute = r.below(count + 2); // 0 none, beyond count: one in the route list
    for (int n = 1; n <= count; ++n) {
        DestinationPageValues page;
        page.Type = int16(dialUp ? r.below(2) : 0);
        page.ISDN_Num = r.phone();
        page.ISDN_ALTNum = r.coin() ? r.phone() : QString();
        page.CallBack = r.coin();
        page.CBTimerText = r.number(0, 100);
        if (r.below(3) > 0)
            page.UserName = r.name();
        if (r.below(3) > 0)
            page.UserPass = r.name();
        page.Comp = int16(r.below(3));
        page.Authentication = r.coin();
        page.AuthName = page.Authentication || r.coin() ? r.name() : QString();
        page.AuthPass = page.Authentication || r.coin() ? r.name() : QString();
        page.PPPAuth = int16(r.below(3));
        page.Idle = r.coin() ? QStringLiteral("OFF") : r.number(0, 3600);
        page.LQR = r.coin();
        page.PPPDyn = r.coin();
        page.PPPIP = r.address("172.16");
        page.PPPMask = r.mask();
        page.VJC = r.coin();
        page.DefRoute = n == defaultRoute;
        page.PPPRIP = r.coin();
        page.StaticRoute = r.coin();
        page.RouteIP = r.address();
        page.RouteNetMask = r.mask();
        page.RouteNextHop = r.address("172.16");
        page.MP = int16(dialUp ? r.below(3) : 0);
        if (page.MP == 1 && r.coin())
            c.bod(n) = {r.number(1, 100), r.number(1, 100), r.number(1, 100), r.number(1, 100)};
        storeDestination(c, n, page);
    }
    // The last destination's interface is left out of the list: its routes
    // there read as the destination's own (see ScriptReader.h).
    const int routes = r.below(6);
    for (int i = 0; i < routes; ++i) {
        const int over = count > 1 ? r.below(count) : 0; // 0: eth0
        c.appendRoute({r.address(), r.mask(), over ? pppInterface(over) : QStringLiteral("eth0"), r.address("192.168")});
    }
    if (defaultRoute > count && count > 1)
        c.appendRoute({"0.0.0.0", "0.0.0.0", pppInterface(1 + r.below(count - 1)), "0.0.0.0"});
    const int nat = r.below(5);
    for (int i = 0; i < nat; ++i) {
        EnatEntry e;
        e.NATType = int16(r.below(4));
        e.PrivateIP = r.address("192.168");
        e.PrivateMask = r.mask();
        e.GlobalIP = r.address("203.0");
        e.GlobalMask = r.mask();
        e.Protocol = r.coin() ? QStringLiteral("tcp") : QStringLiteral("udp");
        e.PrivatePort = r.number(1, 65535);
        e.GlobalPort = r.number(1, 65535);
        if (e.NATType == 3 && r.coin())
            e.GlobalInterFace = pppInterface(1 + r.below(count));
        c.appendEnat(e);
    }
    c.addAutomaticEnatEntry(); // as saving does
    c.setConnectType(type);
    c.RouteCommands = buildRouteCommands(c);
    if (c.EnatCount > 0)
        c.EnatCommands = buildEnatCommands(c);
    return c;
}

// What reading the script of `c` must give: the fields the script carries,
// as the script writes them; the rest as a new configuration has them.
Configuration carried(const Configuration &c)
{
    Configuration e;
    const CommonSettings &s = c.Common;
    CommonSettings &t = e.Common;
    const bool dialUp = !s.isLeasedLine();
    t.ConnectType = s.ConnectType;
    t.EthIP = s.EthIP, t.EthMask = s.EthMask, t.EthRIP = s.EthRIP, t.Filter = s.Filter ? 1 : 0;
    t.Syslog = s.Syslog;
    if (s.DHCP) {
        t.DHCP = 1, t.DHCP_IP = s.DHCP_IP, t.DHCP_Num = s.DHCP_Num, t.DHCP_Lease = s.DHCP_Lease;
        t.DHCP_Mask = s.DHCP_Mask, t.DHCP_Router = s.DHCP_Router, t.DHCP_DNS = s.DHCP_DNS;
    }
    if (dialUp) {
        t.ANALOG1 = s.ANALOG1, t.ANALOG2 = s.ANALOG2, t.AutoHash1 = s.AutoHash1, t.AutoHash2 = s.AutoHash2;
        if (s.AutoHash1)
            t.AutoHashTimer1 = s.AutoHashTimer1;
        if (s.AutoHash2)
            t.AutoHashTimer2 = s.AutoHashTimer2;
        if (!s.PBX_Number.isEmpty() && !s.PBX_DialIn.isEmpty()) {
            t.Grobal = s.Grobal, t.PBX_DialIn = s.PBX_DialIn;
            t.PBX_Number = s.Grobal ? QStringLiteral("notpresent") : s.PBX_Number;
        }
    }
    e.TabCount = dialUp ? c.TabCount : 2;
    for (int n = 1; n < e.TabCount; ++n) {
        const Destination &d = c.destination(n);
        Destination &x = e.destination(n);
        const bool terminal = dialUp && d.Type == 1;
        if (dialUp) {
            x.Type = d.Type, x.ISDN_Num = StripHyphens(d.ISDN_Num), x.Idle = d.Idle, x.MP = d.MP;
            if (terminal)
                x.ISDN_ALTNum = StripHyphens(d.ISDN_ALTNum);
            if (d.CallBack)
                x.CallBack = 1, x.CBTimer = d.CBTimer;
            if (d.MP == 1 && !c.bod(n).Uprate.isEmpty())
                e.bod(n) = c.bod(n);
        }
        if (!d.UserName.isEmpty() && !d.UserPass.isEmpty())
            x.UserName = d.UserName, x.UserPass = d.UserPass;
        if (d.Authentication)
            x.Authentication = 1, x.PPPAuth = d.PPPAuth;
        x.Comp = d.Comp, x.LQR = d.LQR, x.VJC = d.VJC, x.DefRoute = d.DefRoute;
        if (d.StaticRoute)
            x.StaticRoute = 1, x.RouteIP = NetworkAddress(d.RouteIP, d.RouteNetMask), x.RouteNetMask = d.RouteNetMask,
            x.RouteNextHop = d.RouteNextHop;
        if (!terminal) {
            x.PPPDyn = d.PPPDyn, x.PPPIP = d.PPPIP, x.PPPMask = d.PPPMask, x.PPPRIP = d.PPPRIP;
            if (d.PPPDyn) // as storing the page leaves them
                x.PPPIP = x.PPPMask = QStringLiteral("0.0.0.0");
        }
    }
    // The user lines name no destination: they go, in order, to the
    // destinations that authenticate. The golden files hold a destination
    // that authenticates without a user, which the window never saves.
    QList<std::pair<QString, QString>> users;
    for (int n = 1; n < e.TabCount; ++n) {
        const Destination &d = c.destination(n);
        if (d.Authentication && !d.AuthName.isEmpty() && !d.AuthPass.isEmpty())
            users.append({d.AuthName, d.AuthPass});
    }
    for (int n = 1; n < e.TabCount && !users.isEmpty(); ++n)
        if (e.destination(n).Authentication) {
            e.destination(n).AuthName = users.first().first, e.destination(n).AuthPass = users.first().second;
            users.removeFirst();
        }
    for (int i = 0; i < c.RouteCount; ++i) {
        StaticRouteEntry r = c.StaticRouteList[i];
        r.IP = NetworkAddress(r.IP, r.Mask);
        e.appendRoute(r);
    }
    for (int i = 0; i < c.EnatCount; ++i) {
        const EnatEntry &f = c.EnatList[i];
        if (f.NATType < 0 || f.NATType > 3) // written as nothing
            continue;
        EnatEntry g;
        g.NATType = f.NATType, g.PrivateIP = f.PrivateIP, g.GlobalIP = f.GlobalIP;
        if (f.NATType == 1 || f.NATType == 3)
            g.PrivateMask = f.PrivateMask;
        if (f.NATType == 1)
            g.GlobalMask = f.GlobalMask;
        if (f.NATType == 2)
            g.Protocol = f.Protocol, g.PrivatePort = f.PrivatePort, g.GlobalPort = f.GlobalPort;
        if (f.NATType == 3 && !f.GlobalInterFace.isEmpty())
            g.GlobalInterFace = f.GlobalInterFace, g.GlobalIP.clear();
        e.appendEnat(g);
    }
    e.RouteCommands.clear(), e.EnatCommands.clear();
    e.DefaultRouteTaken = e.defaultRouteCarried();
    return e;
}

QString describe(const QList<UnplacedLine> &lines)
{
    QStringList out;
    for (const UnplacedLine &u : lines)
        out << QStringLiteral("%1: %2 (%3)").arg(u.line).arg(u.text, u.reason);
    return out.join(QLatin1Char('\n'));
}

// Field by field, so that a failure names the part that differs.
void compareConfigurations(const Configuration &got, const Configuration &want)
{
    QVERIFY(got.Common == want.Common);
    QCOMPARE(got.TabCount, want.TabCount);
    for (int n = 1; n <= MaxDestinations; ++n) {
        QVERIFY2(got.destination(n) == want.destination(n), qPrintable(QStringLiteral("destination %1").arg(n)));
        QVERIFY2(got.bod(n) == want.bod(n), qPrintable(QStringLiteral("BOD %1").arg(n)));
    }
    QCOMPARE(got.RouteCount, want.RouteCount);
    QVERIFY(got.StaticRouteList == want.StaticRouteList);
    QCOMPARE(got.EnatCount, want.EnatCount);
    QVERIFY(got.EnatList == want.EnatList);
    QVERIFY(got == want);
}

} // namespace

class TestScriptReader : public QObject {
    Q_OBJECT
private slots:
    void randomConfigurations()
    {
        int leased = 0, terminal = 0, many = 0;
        for (quint32 seed = 1; seed <= 500; ++seed) {
            const Configuration c = randomConfiguration(seed);
            leased += c.Common.isLeasedLine();
            terminal += c.destination(1).Type == 1;
            many += c.TabCount > 5;
            const QString script = generate(c);
            const ScriptReadResult read = readScript(script);
            QVERIFY2(read.unplaced.isEmpty(), qPrintable(QStringLiteral("seed %1\n").arg(seed) + describe(read.unplaced)));
            QCOMPARE(generate(read.config).split("\r\n"), script.split("\r\n"));
            compareConfigurations(read.config, carried(c));
            if (QTest::currentTestFailed())
                qFatal("seed %u", seed);
        }
        // The dice reached the kinds of configuration that matter.
        QVERIFY(leased > 50 && terminal > 50 && many > 50);
    }

    void savedScriptFile_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {3u, 17u, 42u, 99u})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    // The .cfg on disk: Shift_JIS, one more CR LF; also as UTF-8 with LF.
    void savedScriptFile()
    {
        QFETCH(quint32, seed);
        const Configuration c = randomConfiguration(seed);
        const QString script = generate(c);
        const RcfWriteResult file = writeScriptFile(script);
        QVERIFY(file.ok);
        const ScriptReadResult fromFile = readScriptBytes(file.bytes);
        QVERIFY2(fromFile.unplaced.isEmpty(), qPrintable(describe(fromFile.unplaced)));
        QCOMPARE(generate(fromFile.config).split("\r\n"), script.split("\r\n"));
        const ScriptReadResult fromLf = readScriptBytes(QString(script).replace("\r\n", "\n").toUtf8());
        QVERIFY(fromLf.unplaced.isEmpty());
        QVERIFY(fromLf.config == fromFile.config);
    }

    void golden_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("yes");
        for (const char *name : {"dialup_lan", "leased_128", "three_compressing", "dialup_every_step", "leased_64_every_step"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
        QTest::newRow("two_terminal_no_then_yes") << "two_terminal_no_then_yes" << true;
    }

    void golden()
    {
        QFETCH(QString, name);
        QFETCH(bool, yes);
        const RcfReadResult rcf = readRcf(readGolden(name + QStringLiteral(".rcf")), {});
        QVERIFY(rcf.ok);
        const QByteArray expected = readGolden(name + QStringLiteral(".txt"));
        QVERIFY(!expected.isEmpty());
        Configuration c = rcf.config;
        if (name == QLatin1String("dialup_every_step")) // its script was made with the up rate box emptied
            c.bod(3).Uprate.clear();
        if (yes) { // the entry the operator accepted is in the list the script holds
            mgtest::ScriptedPrompt prompt;
            prompt.answers << MessageAnswer::No << MessageAnswer::Yes;
            GenerateScript(c, prompt);
        }
        const ScriptReadResult read = readScriptBytes(expected);
        QVERIFY2(read.unplaced.isEmpty(), qPrintable(describe(read.unplaced)));
        QCOMPARE(generate(read.config).toUtf8(), expected);
        compareConfigurations(read.config, carried(c));
    }

    void handWritten_data()
    {
        QTest::addColumn<QString>("script");   // lines separated by "|"
        QTest::addColumn<QString>("reference"); // the script it must regenerate, "|" likewise; empty: none
        QTest::addColumn<QStringList>("unplaced"); // "line: reason"

        const QString base = "enable ip|add isdn call=remote0 prec=out number=0312345678 searchcli=on|"
                             "create ppp=0 over=isdn-remote0 idle=60 LQR=OFF|"
                             "add ip int=eth0 ip=192.168.1.1 mask=255.255.255.0|"
                             "add ip int=ppp0 ip=192.168.2.1 mask=255.255.255.0|"
                             "create pbx extension=0 port=0 group=\"default\" name=\"Extension 0\"|"
                             "create pbx extension=1 port=1 group=\"default\" name=\"Extension 1\"";
        QTest::newRow("as written") << base << base << QStringList{};
        QTest::newRow("odd case and blanks")
            << "  ENABLE   IP  |Add ISDN Call=remote0 PREC=OUT number=0312345678 SEARCHCLI=ON|"
               "create ppp=0 over=isdn-remote0 idle=60 lqr=off\t|"
               "|add ip int=ETH0  ip=192.168.1.1 mask=255.255.255.0|add ip int=ppp0 ip=192.168.2.1 mask=255.255.255.0|"
               "create pbx extension=0 port=0 group=\"default\" name=\"Extension 0\"|"
               "create pbx extension=1 port=1 group=\"default\" name=\"Extension 1\""
            << base << QStringList{};
        QTest::newRow("out of order")
            << "add ip int=ppp0 ip=192.168.2.1 mask=255.255.255.0|add ip int=eth0 ip=192.168.1.1 mask=255.255.255.0|"
               "create ppp=0 over=isdn-remote0 idle=60 LQR=OFF|add isdn call=remote0 prec=out number=0312345678 searchcli=on|"
               "enable ip|create pbx extension=0 port=0 group=\"default\" name=\"Extension 0\"|"
               "create pbx extension=1 port=1 group=\"default\" name=\"Extension 1\""
            << base << QStringList{};
        QTest::newRow("comment and unknown command")
            << base + "|# kept by hand|set system name=office"
            << base << QStringList{"8: このプログラムが書き出さないコマンドです。", "9: このプログラムが書き出さないコマンドです。"};
        QTest::newRow("callback delay out of range")
            << base + "|set isdn call=remote0 callback=ON cbdelay=101"
            << base << QStringList{"8: 値が範囲外です: cbdelay=101"};
        QTest::newRow("destination 33")
            << base + "|add isdn call=remote32 prec=out number=1 searchcli=on"
            << base << QStringList{"8: 接続先の番号が 32 を超えています。"};
        QTest::newRow("contradicting duplicate")
            << base + "|add ip int=eth0 ip=192.168.9.1 mask=255.255.255.0"
            << base << QStringList{"8: 行 4 の設定と矛盾します。"};
        QTest::newRow("repeated line")
            << base + "|enable ip" << base << QStringList{"8: 行 1 と同じ設定の繰り返しです。"};
        QTest::newRow("filter line without the filter")
            << base + "|add ip filter=1 source=0.0.0.0 action=include"
            << base << QStringList{"8: この設定では書き出されない行です(ほかの行と合いません)。"};
        QTest::newRow("user without an authenticating destination")
            << base + "|add user=peer password=pw"
            << base << QStringList{"8: 認証を使う接続先のない add user の行です。"};
        QTest::newRow("open quote")
            << base + "|set ppp=0 user=\"kv" << base << QStringList{"8: 引用符が閉じていません。"};
        QTest::newRow("unknown authentication")
            << base + "|set ppp=0 over=isdn-remote0 authentication=MSCHAP"
            << base << QStringList{"8: 値が範囲外です: authentication=MSCHAP"};
        QTest::newRow("address out of range")
            << base + "|add ip route=10.0.0.0 mask=255.0.0.0 int=eth0 nexthop=192.168.1.300"
            << base << QStringList{"8: 値が範囲外です: nexthop=192.168.1.300"};
        // A list route right after the last destination's lines cannot be told
        // from the destination's own: the bytes still come back.
        QString withRoute = base;
        withRoute.replace("mask=255.255.255.0|create pbx", "mask=255.255.255.0|add ip route=10.0.0.0 mask=255.0.0.0 int=ppp0 nexthop=192.168.2.9|create pbx");
        QTest::newRow("route after the last destination") << withRoute << withRoute << QStringList{};
    }

    void handWritten()
    {
        QFETCH(QString, script);
        QFETCH(QString, reference);
        QFETCH(QStringList, unplaced);
        const ScriptReadResult read = readScript(script.split('|').join("\r\n") + "\r\n");
        QStringList got;
        for (const UnplacedLine &u : read.unplaced) {
            QCOMPARE(u.text, script.split('|').value(u.line - 1));
            got << QStringLiteral("%1: %2").arg(u.line).arg(u.reason);
        }
        QCOMPARE(got, unplaced);
        QCOMPARE(generate(read.config), reference.split('|').join("\r\n") + "\r\n");
    }

    void pieces()
    {
        // Global incoming calls: the subscriber number is not in the script.
        const QString script = "enable ip\r\nadd isdn call=remote0 prec=out number=1 searchcli=on\r\n"
                               "create ppp=0 over=isdn-remote0 idle=OFF iprequest=ON\r\n"
                               "add ip int=eth0 ip=192.168.1.1 mask=255.255.255.0\r\nenable ip remote\r\n"
                               "add ip int=ppp0 ip=0.0.0.0 vjc=ON\r\n"
                               "create pbx extension=1 port=1 group=\"default\" name=\"Extension 1\" terminate=7\r\n"
                               "create pbx extension=0 port=0 group=\"default\" name=\"Extension 0\"\r\n"
                               "set pbx extension=1 numaccept=notpresent\r\nset pbx extension=0 numaccept=03-1\r\n";
        const ScriptReadResult read = readScript(script);
        QVERIFY2(read.unplaced.isEmpty(), qPrintable(describe(read.unplaced)));
        const CommonSettings &s = read.config.Common;
        QCOMPARE(s.ANALOG1, int16(1));
        QCOMPARE(s.ANALOG2, int16(0));
        QCOMPARE(s.AutoHash1, int16(1));
        QCOMPARE(s.AutoHashTimer1, QString("7"));
        QCOMPARE(s.Grobal, int16(1));
        QCOMPARE(s.PBX_DialIn, QString("03-1"));
        QCOMPARE(read.config.destination(1).Type, int16(1));
        QCOMPARE(read.config.destination(1).VJC, int16(1));
        QCOMPARE(generate(read.config).split("\r\n"), script.split("\r\n"));
    }

    void hostileInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x00\xff\x81\n\x82\x00 add ip=\"", 13);
        QTest::newRow("too large") << QByteArray(int(MaxScriptSize) + 1, 'a');
        QTest::newRow("undecodable Shift_JIS") << QByteArray("enable ip\r\n\x85\x40=\r\n");
    }

    void hostileInput()
    {
        QFETCH(QByteArray, bytes);
        const ScriptReadResult read = readScriptBytes(bytes);
        QVERIFY(!read.unplaced.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptReader)
#include "tst_ScriptReader.moc"
