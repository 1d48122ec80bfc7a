#include "RcfFile.h"
#include "SampleConfigurations.h"
#include "ShiftJis.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace mg;

namespace {

QByteArray sjis(const QStringList &lines)
{
    return ShiftJis::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).value();
}

// A destination block as the program writes it, with `body` before MP=.
QStringList block(int n, const QStringList &body = {}, const QString &mp = QStringLiteral("MP=0"))
{
    const QString number = QString::number(n);
    return QStringList{QStringLiteral("Tab=") + number, QStringLiteral("Type=0")} + body
           + QStringList{mp, QStringLiteral("Uprate=80"), QStringLiteral("Uptime=30"),
                         QStringLiteral("Downrate=20"), QStringLiteral("Downtime=60"),
                         QStringLiteral("EndTab=") + number, QString(), QString()};
}

// Count=n, the common lines, then n blocks.
QByteArray file(int count, const QStringList &common = {}, const QList<QStringList> &bodies = {})
{
    QStringList lines{QStringLiteral("Count=%1").arg(count)};
    lines += common;
    lines << QString() << QString();
    for (int n = 1; n <= count; ++n)
        lines += block(n, bodies.value(n - 1));
    return sjis(lines);
}

QByteArray readGolden(const QString &name)
{
    QFile f(QStringLiteral(MG_TEST_DATA_DIR "/golden/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// On a mismatch, the file texts show where the configurations differ.
#define COMPARE_CONFIG(actual, expected)                                                           \
    do {                                                                                           \
        QCOMPARE(RcfText(actual), RcfText(expected));                                              \
        QCOMPARE((actual).Saved, (expected).Saved);                                                \
        QCOMPARE((actual).DefaultRouteTaken, (expected).DefaultRouteTaken);                        \
        QVERIFY((actual) == (expected));                                                           \
    } while (false)

} // namespace

Q_DECLARE_METATYPE(Configuration)
Q_DECLARE_METATYPE(BodSetting)

class TestRcfFile : public QObject {
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void roundTrip_data();
    void roundTrip();
    void changeRules_data();
    void changeRules();
    void savedAfterOpen_data();
    void savedAfterOpen();
    void stops_data();
    void stops();
    void missingTypeWarnsAndReadsOn();
    void numericValues_data();
    void numericValues();
    void lineEndingsAndScreenState();
    void writerRefuses_data();
    void writerRefuses();
    void automaticEnat_data();
    void automaticEnat();
    void hostileInput_data();
    void hostileInput();
    void corpusNeverCrashes();
};

void TestRcfFile::golden_data()
{
    QTest::addColumn<Configuration>("config");
    QTest::addColumn<QString>("golden");
    QTest::newRow("dial-up, every block") << samples::dialUp() << QStringLiteral("dialup.rcf");
    QTest::newRow("leased line") << samples::leased() << QStringLiteral("leased.rcf");
}

// The checked-in files were written line by line from the file layout, not by
// this writer; the writer must produce them byte for byte and read them back.
void TestRcfFile::golden()
{
    QFETCH(Configuration, config);
    QFETCH(QString, golden);
    const QByteArray expected = readGolden(golden);
    QVERIFY(!expected.isEmpty());

    const RcfWriteResult written = WriteRcf(config);
    QVERIFY2(written.ok, qPrintable(written.errorText));
    QCOMPARE(ShiftJis::decode(written.bytes), ShiftJis::decode(expected));
    QCOMPARE(written.bytes, expected);

    const RcfReadResult read = ReadRcf(expected, Configuration{});
    QVERIFY(read.ok);
    QVERIFY(read.warnings.isEmpty());
    COMPARE_CONFIG(read.config, config);
}

void TestRcfFile::roundTrip_data()
{
    QTest::addColumn<Configuration>("config");
    QTest::newRow("defaults") << Configuration{};
    QTest::newRow("dial-up") << samples::dialUp();
    QTest::newRow("leased") << samples::leased();
    QTest::newRow("every table full") << samples::full();

    Configuration keys;
    keys.TabCount = 2;
    Destination &d = keys.destination(1);
    // Each value is a line the old search-anywhere reading took for another key.
    d.UserName = QStringLiteral("EndTab=1");
    d.UserPass = QStringLiteral("aType=1");
    d.ISDN_Num = QStringLiteral("=");
    d.Idle = QStringLiteral("MP=1");
    keys.Common.Syslog = QStringLiteral("Tab=1");
    keys.Common.PBX_Number = QStringLiteral("RouteNumber=5");
    EnatEntry e;
    e.NATType = 0;
    e.PrivateIP = QStringLiteral("EndENATList");
    e.GlobalIP = QStringLiteral("NATType=2");
    keys.appendEnat(e);
    keys.Saved = false;
    QTest::newRow("values holding other keys") << keys;

    Configuration other;
    EnatEntry odd;
    odd.NATType = 7;
    odd.PrivateIP = QStringLiteral("192.168.1.0");
    other.appendEnat(odd);
    QTest::newRow("ENAT type without a form") << other;
}

void TestRcfFile::roundTrip()
{
    QFETCH(Configuration, config);
    const RcfWriteResult first = WriteRcf(config);
    QVERIFY2(first.ok, qPrintable(first.errorText));
    const RcfReadResult read = ReadRcf(first.bytes, Configuration{});
    QVERIFY(read.ok);
    COMPARE_CONFIG(read.config, config);
    const RcfWriteResult second = WriteRcf(read.config);
    QVERIFY(second.ok);
    QCOMPARE(second.bytes, first.bytes);
}

void TestRcfFile::changeRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Configuration>("expected");

    {
        Configuration c;
        c.Common.EthIP = QStringLiteral("192.168.5.1");
        c.Common.DHCP_Router = QStringLiteral("192.168.5.1");
        c.Common.EthMask = QStringLiteral("255.255.0.0");
        c.Common.DHCP_Mask = QStringLiteral("255.255.0.0");
        c.Saved = false;
        QTest::newRow("Ethernet copied to the DHCP defaults")
            << file(1, {"EthIP=192.168.5.1", "EthMask=255.255.0.0"}) << c;
    }
    {
        Configuration c;
        c.Common.EthIP = QStringLiteral("192.168.5.1");
        c.Common.DHCP = 1;
        c.Common.DHCP_Router = QStringLiteral("192.168.5.254");
        c.Saved = false;
        QTest::newRow("a stored DHCP router wins over the copy")
            << file(1, {"EthIP=192.168.5.1", "DHCP=1", "DHCP_Router=192.168.5.254"}) << c;
    }
    {
        Configuration c;
        c.Common.ANALOG1 = 1;
        c.Common.ANALOG2 = 0;
        c.Saved = false;
        QTest::newRow("port 2 on 0 moves port 1 to 1") << file(1, {"ANALOG1=0", "ANALOG2=0"}) << c;
        QTest::newRow("port 1 on 1 moves port 2 to 0") << file(1, {"ANALOG1=1"}) << c;
    }
    {
        Configuration c;
        c.setConnectType(1);
        c.Saved = false;
        QTest::newRow("leased line keeps one destination")
            << file(3, {"ConnectType=1"}, {{}, {"DefRoute=1"}, {"ISDN_Num=1"}}) << c;
    }
    {
        Configuration c;
        c.TabCount = 3;
        c.destination(2).DefRoute = 1;
        c.DefaultRouteTaken = true;
        c.Saved = false;
        QTest::newRow("a default route is taken") << file(2, {}, {{}, {"DefRoute=1"}}) << c;
    }
}

void TestRcfFile::changeRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Configuration, expected);
    const RcfReadResult read = ReadRcf(bytes, Configuration{});
    QVERIFY(read.ok);
    COMPARE_CONFIG(read.config, expected);
}

void TestRcfFile::savedAfterOpen_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("only defaults") << file(2, {"ConnectType=0", "EthMask=255.255.255.0"}) << true;
    QTest::newRow("an address") << file(1, {"EthIP=10.0.0.1"}) << false;
    QTest::newRow("a destination field") << file(1, {}, {{"ISDN_Num=03"}}) << false;
    QTest::newRow("a check box") << file(1, {"Filter=1"}) << false;
    // These controls have no change handling of their own.
    QTest::newRow("callback timer") << file(1, {}, {{"CBTimer=30"}}) << true;
    QTest::newRow("auto-hash timer") << file(1, {"AutoHashTimer1=9"}) << true;
    QTest::newRow("LQR box") << file(1, {}, {{"LQR=0"}}) << true;
    // The route mask box shows 255.255.255.0 after a reset.
    QTest::newRow("route mask as shown") << file(1, {}, {{"RouteNetMask=255.255.255.0"}}) << true;
    // Lists have no controls on the page.
    QTest::newRow("only a route list")
        << sjis({"Count=1", "RouteNumber=1", "Route=0", "IP=10.0.0.0", "Mask=255.0.0.0", "int=eth0",
                 "NextHop=10.0.0.1"})
        << true;
    // The one set of destination controls still shows destination 1 when
    // destination 2 repeats its values.
    QTest::newRow("second destination repeats the first")
        << file(2, {}, {{"Comp=1"}, {"Comp=1"}}) << false;
}

void TestRcfFile::savedAfterOpen()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, saved);
    Configuration current;
    current.Saved = !saved;
    const RcfReadResult read = ReadRcf(bytes, current);
    QVERIFY(read.ok);
    QCOMPARE(read.config.Saved, saved);
}

void TestRcfFile::stops_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPart");
    QTest::addColumn<int>("line");

    const QString e = QStringLiteral("エラー");
    const QString open = QStringLiteral("ファイルを開く");
    QTest::newRow("empty file") << QByteArray() << open << e << 1;
    QTest::newRow("first line not Count") << sjis({"ConnectType=0", "Count=1"}) << open << e << 1;
    QTest::newRow("Count in a value") << sjis({"EthIP=Count=1"}) << open << e << 1;
    for (const char *count : {"33", "0", "-1", "abc", "99999999999"})
        QTest::newRow(qPrintable(QStringLiteral("Count=%1").arg(QLatin1String(count))))
            << sjis({QStringLiteral("Count=") + QLatin1String(count)}) << e << QStringLiteral("接続先の数") << 1;

    QTest::newRow("RouteNumber=101") << sjis({"Count=1", "RouteNumber=101"}) << e
                                      << QStringLiteral("スタティックルートの数") << 2;
    QTest::newRow("RouteNumber=-1") << sjis({"Count=1", "RouteNumber=-1"}) << e
                                     << QStringLiteral("スタティックルートの数") << 2;
    QTest::newRow("routes cut short")
        << sjis({"Count=1", "RouteNumber=2", "Route=0", "IP=1.0.0.0", "Mask=255.0.0.0", "int=eth0",
                 "NextHop=1.0.0.1", "Route=1", "IP=2.0.0.0"})
        << e << QStringLiteral("途中で終わって") << 9;

    QTest::newRow("ENATListNum=101") << sjis({"Count=1", "ENATListNum=101"}) << e
                                      << QStringLiteral("ENATエントリの数") << 2;
    QTest::newRow("ENATListNum=-3") << sjis({"Count=1", "ENATListNum=-3"}) << e
                                     << QStringLiteral("ENATエントリの数") << 2;
    QTest::newRow("ENAT group without NATType")
        << sjis({"Count=1", "ENATListNum=1", "PrivateIP=1.2.3.4", "EndENATList"}) << QString() << e << 3;
    QTest::newRow("more ENAT groups than counted")
        << sjis({"Count=1", "ENATListNum=1", "NATType=0", "PrivateIP=1.2.3.4", "NATType=0", "EndENATList"})
        << e << QStringLiteral("一致しません") << 5;
    QTest::newRow("fewer ENAT groups than counted")
        << sjis({"Count=1", "ENATListNum=2", "NATType=0", "PrivateIP=1.2.3.4", "EndENATList"}) << e
        << QStringLiteral("一致しません") << 5;
    QTest::newRow("ENAT list not closed")
        << sjis({"Count=1", "ENATListNum=1", "NATType=0", "PrivateIP=1.2.3.4", "Syslog="}) << e
        << QStringLiteral("途中で終わって") << 5;

    QTest::newRow("ConnectType=7") << sjis({"Count=1", "ConnectType=7"}) << e
                                    << QStringLiteral("ConnectType の値 7") << 2;
    QTest::newRow("ANALOG1=9") << sjis({"Count=1", "ANALOG1=9"}) << e << QStringLiteral("ANALOG1 の値 9") << 2;
    QTest::newRow("DHCP=2") << sjis({"Count=1", "DHCP=2"}) << e << QStringLiteral("DHCP の値 2") << 2;
    QTest::newRow("Type=5") << sjis({"Count=1", "", "Tab=1", "Type=5"}) << e << QStringLiteral("Type の値 5") << 4;
    QTest::newRow("MP=3") << file(1, {}, {{"MP=3"}}) << e << QStringLiteral("MP の値 3") << 6;
    QTest::newRow("Comp=-1") << file(1, {}, {{"Comp=-1"}}) << e << QStringLiteral("Comp の値 -1") << 6;
    QTest::newRow("LQR=2") << file(1, {}, {{"LQR=2"}}) << e << QStringLiteral("LQR の値 2") << 6;

    QTest::newRow("block not closed") << sjis({"Count=1", "", "Tab=1", "Type=0", "UserName=a"}) << e
                                       << QStringLiteral("接続先1の設定の途中で終わって") << 5;
    QTest::newRow("block missing")
        << sjis(QStringList{"Count=2", ""} + block(1)) << e << QStringLiteral("接続先2の設定の途中") << 12;
    QTest::newRow("file ends after Tab") << sjis({"Count=1", "Tab=1"}) << e << QStringLiteral("途中で終わって") << 2;
    QTest::newRow("BOD cut short") << sjis({"Count=1", "Tab=1", "Type=0", "MP=1", "Uprate=80"}) << e
                                    << QStringLiteral("途中で終わって") << 5;
    QTest::newRow("block closed inside BOD")
        << sjis({"Count=1", "Tab=1", "Type=0", "MP=1", "Uprate=80", "EndTab=1", "", "Tab=2", "Type=1"}) << e
        << QStringLiteral("BOD") << 6;

    QByteArray invalid = sjis({"Count=1", "EthIP=1", "UserName=x"});
    invalid.insert(invalid.indexOf("UserName=") + 9, "\x85\x40");
    QTest::newRow("bytes that are not Shift_JIS") << invalid << e << QStringLiteral("3行目") << 3;
    QByteArray truncatedKanji = sjis({"Count=1", "EthIP=1"});
    truncatedKanji.append('\x82');
    QTest::newRow("half a double-byte character") << truncatedKanji << e << QStringLiteral("Shift_JIS") << 3;

    QByteArray huge = sjis({"Count=1", "Syslog="});
    huge.append(QByteArray(MaxRcfFileSize, 'x'));
    QTest::newRow("larger than any configuration") << huge << e << QStringLiteral("大きすぎる") << 0;
}

void TestRcfFile::stops()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, title);
    QFETCH(QString, textPart);
    QFETCH(int, line);
    const RcfReadResult read = ReadRcf(bytes, Configuration{});
    QVERIFY(!read.ok);
    QCOMPARE(read.error.message.title, title);
    QVERIFY2(read.error.message.text.contains(textPart), qPrintable(read.error.message.text));
    QVERIFY(read.error.message.text.size() < 400);
    QVERIFY(!read.error.description.isEmpty());
    QCOMPARE(read.error.line, line);
}

void TestRcfFile::missingTypeWarnsAndReadsOn()
{
    const QByteArray bytes = sjis({"Count=1", "", "", "Tab=1", "ISDN_Num=03-1", "Type=1", "MP=0", "EndTab=1"});
    const RcfReadResult read = ReadRcf(bytes, Configuration{});
    QVERIFY(read.ok);
    QCOMPARE(read.warnings.size(), 1);
    QCOMPARE(read.warnings[0].message, (FileMessage{QStringLiteral("エラー"), QString()}));
    QCOMPARE(read.warnings[0].line, 5);
    QCOMPARE(read.config.destination(1).ISDN_Num, QStringLiteral("03-1"));
    QCOMPARE(read.config.destination(1).Type, int16(1));
}

void TestRcfFile::numericValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<BodSetting>("bod");
    QTest::addColumn<QString>("privatePort");
    QTest::addColumn<QString>("globalPort");

    const QStringList enat{"ENATListNum=1", "NATType=2", "PrivateIP=192.168.1.2", "Protocol=tcp",
                           "PrivatePort=0", "GlobalIP=203.0.113.1", "GlobalPort=08080", "EndENATList"};
    QTest::newRow("BOD read with MP=1, numbers normalised")
        << sjis(QStringList{"Count=1", "Tab=1", "Type=0", "MP=1", "Uprate=080", "Uptime=abc",
                            "Downrate=15x", "Downtime=60", "EndTab=1"})
        << BodSetting{"80", "0", "15", "60"} << QString() << QString();
    QTest::newRow("BOD dropped when a later MP= is not 1")
        << sjis(QStringList{"Count=1", "Tab=1", "Type=0", "MP=1", "Uprate=70", "Uptime=20", "Downrate=10",
                            "Downtime=90", "MP=2", "EndTab=1"})
        << BodSetting{} << QString() << QString();
    QTest::newRow("BOD lines ignored without MP=1")
        << file(1, {}, {}) << BodSetting{} << QString() << QString();
    QTest::newRow("ENAT ports: 0 is empty, leading zeros dropped")
        << file(1, enat) << BodSetting{} << QString() << QStringLiteral("8080");
    QStringList text = enat;
    text[4] = QStringLiteral("PrivatePort=http");
    QTest::newRow("ENAT ports: text is empty") << file(1, text) << BodSetting{} << QString() << QStringLiteral("8080");
}

void TestRcfFile::numericValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(BodSetting, bod);
    QFETCH(QString, privatePort);
    QFETCH(QString, globalPort);
    const RcfReadResult read = ReadRcf(bytes, Configuration{});
    QVERIFY(read.ok);
    QVERIFY(read.config.bod(1) == bod);
    QCOMPARE(read.config.EnatList[0].PrivatePort, privatePort);
    QCOMPARE(read.config.EnatList[0].GlobalPort, globalPort);
}

void TestRcfFile::lineEndingsAndScreenState()
{
    const QByteArray crlf = WriteRcf(samples::dialUp()).bytes;
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QByteArray cr = crlf;
    cr.replace("\r\n", "\r");

    Configuration onScreen;
    onScreen.TabCount = 6;
    onScreen.CommandScript = QStringLiteral("enable ip\r\n");
    onScreen.ConfigFileName = QStringLiteral("old.cfg");
    onScreen.destination(5).UserName = QStringLiteral("gone");
    onScreen.appendRoute({"1.0.0.0", "255.0.0.0", "eth0", "1.0.0.1"});

    const RcfReadResult fromCrLf = ReadRcf(crlf, onScreen);
    const RcfReadResult fromLf = ReadRcf(lf, onScreen);
    QVERIFY(fromCrLf.ok);
    QVERIFY(fromLf.ok);
    QVERIFY(fromLf.config == fromCrLf.config);
    const RcfReadResult fromCr = ReadRcf(cr, onScreen);
    QVERIFY(fromCr.ok);
    QVERIFY(fromCr.config == fromCrLf.config);

    Configuration expected = samples::dialUp();
    expected.CommandScript = onScreen.CommandScript;
    expected.ConfigFileName = onScreen.ConfigFileName;
    COMPARE_CONFIG(fromCrLf.config, expected);
}

void TestRcfFile::writerRefuses_data()
{
    QTest::addColumn<Configuration>("config");
    QTest::addColumn<QString>("textPart");

    Configuration lineBreak;
    lineBreak.destination(1).UserPass = QStringLiteral("x\r\nDefRoute=1");
    QTest::newRow("line break in a value") << lineBreak << QStringLiteral("UserPass=x");
    Configuration bareLf;
    bareLf.Common.Syslog = QStringLiteral("a\nb");
    QTest::newRow("LF in a value") << bareLf << QStringLiteral("Syslog=a");
    Configuration emoji;
    emoji.destination(1).UserName = QStringLiteral("user\U0001F600");
    QTest::newRow("character outside Shift_JIS") << emoji << QStringLiteral("UserName=user");
    Configuration tabs;
    tabs.TabCount = 40;
    QTest::newRow("too many destinations") << tabs << QStringLiteral("範囲外");
    Configuration noTabs;
    noTabs.TabCount = 1;
    QTest::newRow("no destination") << noTabs << QStringLiteral("範囲外");
    Configuration routes;
    routes.RouteCount = 101;
    QTest::newRow("route count past the list") << routes << QStringLiteral("範囲外");
    Configuration enat;
    enat.EnatCount = -1;
    QTest::newRow("negative ENAT count") << enat << QStringLiteral("範囲外");
}

void TestRcfFile::writerRefuses()
{
    QFETCH(Configuration, config);
    QFETCH(QString, textPart);
    const RcfWriteResult result = WriteRcf(config);
    QVERIFY(!result.ok);
    QVERIFY(result.bytes.isEmpty());
    QVERIFY2(result.errorText.contains(textPart), qPrintable(result.errorText));
}

void TestRcfFile::automaticEnat_data()
{
    QTest::addColumn<Configuration>("config");
    QTest::addColumn<QString>("interface");     // empty: nothing is added

    Configuration only;
    only.Common.EthIP = QStringLiteral("192.168.1.1");
    only.destination(1).Type = 1;
    QTest::newRow("only destination terminal-type") << only << QStringLiteral("ppp0");

    Configuration second = only;
    second.TabCount = 4;
    second.destination(1).Type = 0;
    second.destination(2).Type = 1;
    second.destination(3).Type = 1;
    QTest::newRow("first terminal-type destination") << second << QStringLiteral("ppp1");

    Configuration lan = only;
    lan.destination(1).Type = 0;
    lan.destination(2).Type = 1;        // beyond the tabs: not a destination
    QTest::newRow("no terminal-type destination") << lan << QString();

    Configuration covered = only;
    covered.appendEnat({"192.168.1.0", "255.255.255.0", {}, {}, {}, {}, {}, {}, 1});
    QTest::newRow("an entry of any type covers the LAN") << covered << QString();

    Configuration otherMask = only;
    otherMask.appendEnat({"192.168.1.0", "255.255.0.0", {}, {}, {}, {}, {}, "ppp0", 3});
    QTest::newRow("another mask does not cover it") << otherMask << QStringLiteral("ppp0");

    Configuration fullList = samples::full();
    fullList.destination(1).Type = 1;
    QTest::newRow("full list: nothing added") << fullList << QString();
}

void TestRcfFile::automaticEnat()
{
    QFETCH(Configuration, config);
    QFETCH(QString, interface);
    config.EnatCommands = QStringLiteral("enable ip nat\r\n");
    const Configuration before = config;

    const bool added = AddAutomaticEnatEntry(config);
    QCOMPARE(added, !interface.isEmpty());
    if (!added) {
        QVERIFY(config == before);
        return;
    }
    QCOMPARE(config.EnatCount, int16(before.EnatCount + 1));
    const EnatEntry &e = config.EnatList[before.EnatCount];
    QCOMPARE(e.NATType, int16(3));
    QCOMPARE(e.PrivateIP, QStringLiteral("192.168.1.0"));
    QCOMPARE(e.PrivateMask, QStringLiteral("255.255.255.0"));
    QCOMPARE(e.GlobalInterFace, interface);
    QVERIFY(e.GlobalIP.isEmpty() && e.PrivatePort.isEmpty() && e.Protocol.isEmpty());
    QVERIFY(config.EnatCommands.isEmpty());
    // A second save finds the entry and adds nothing.
    QVERIFY(!AddAutomaticEnatEntry(config));
    QCOMPARE(config.EnatCount, int16(before.EnatCount + 1));
}

void TestRcfFile::hostileInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");

    QRandomGenerator random(20261206);
    for (int i = 0; i < 8; ++i) {
        QByteArray junk(1 + random.bounded(4096), Qt::Uninitialized);
        for (char &c : junk)
            c = char(random.bounded(256));
        QTest::newRow(qPrintable(QStringLiteral("junk %1").arg(i))) << junk << false;
        QTest::newRow(qPrintable(QStringLiteral("junk after Count %1").arg(i)))
            << QByteArray("Count=1\r\n") + junk << false;
    }
    const QByteArray megabytes(4 * 1024 * 1024, 'x');
    QTest::newRow("megabyte value")
        << QByteArray("Count=1\r\nTab=1\r\nType=0\r\nUserName=") + megabytes + "\r\nEndTab=1\r\n" << true;
    QTest::newRow("megabyte line without key") << QByteArray("Count=1\r\n") + megabytes << true;
    QTest::newRow("NUL bytes") << QByteArray("Count=1\r\nSyslog=1\0" "2\r\n\0\0\0\r\n", 22) << true;
    QTest::newRow("CR alone ends a line") << QByteArray("Count=1\rEthIP=1\r2\r") << true;
}

void TestRcfFile::hostileInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    const RcfReadResult read = ReadRcf(bytes, Configuration{});
    if (readable)
        QVERIFY2(read.ok, qPrintable(read.error.message.text));
    if (!read.ok) {
        QVERIFY(!read.error.message.text.isEmpty());
        QVERIFY(read.error.message.text.size() < 400);
        return;
    }
    // Whatever was accepted saves and reads back to the same file.
    const RcfWriteResult written = WriteRcf(read.config);
    QVERIFY2(written.ok, qPrintable(written.errorText));
    const RcfReadResult again = ReadRcf(written.bytes, Configuration{});
    QVERIFY(again.ok);
    QCOMPARE(WriteRcf(again.config).bytes, written.bytes);
}

// Every input of the fuzzing corpus, the inputs that once crashed included.
void TestRcfFile::corpusNeverCrashes()
{
    const QDir dir(QStringLiteral(MG_TEST_DATA_DIR "/corpus"));
    const QStringList names = dir.entryList(QDir::Files);
    QVERIFY(names.size() >= 5);
    for (const QString &name : names) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const RcfReadResult read = ReadRcf(f.readAll(), Configuration{});
        if (!read.ok) {
            QVERIFY2(!read.error.message.text.isEmpty(), qPrintable(name));
            continue;
        }
        const RcfWriteResult written = WriteRcf(read.config);
        QVERIFY2(written.ok, qPrintable(name));
        const RcfReadResult again = ReadRcf(written.bytes, Configuration{});
        QVERIFY2(again.ok, qPrintable(name));
        QCOMPARE(WriteRcf(again.config).bytes, written.bytes);
    }
}

QTEST_GUILESS_MAIN(TestRcfFile)
#include "tst_RcfFile.moc"
