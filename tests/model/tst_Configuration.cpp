#include "Configuration.h"

#include <QtTest>

using namespace mg;

class TestConfiguration : public QObject {
    Q_OBJECT
private slots:
    void resetRestoresDefaults();
    void programStartHasEmptyMask();
    void newDestinationRecordKeepsBod();
    void storingRules_data();
    void storingRules();
    void defaultRouteUpkeep_data();
    void defaultRouteUpkeep();
    void showAppliesDisplayDefaults();
    void storeThenShowRoundTrips();
    void capacities();
    void removeKeepsOrder();
    void changeRules();
};

void TestConfiguration::resetRestoresDefaults()
{
    Configuration c;
    c.TabCount = 5;
    c.Saved = false;
    c.DefaultRouteTaken = true;
    c.CurrentTab = 3;
    c.destination(7).UserName = QStringLiteral("x");
    c.bod(7).Uprate = QStringLiteral("50");
    c.appendRoute({"10.0.0.0", "255.0.0.0", "ppp0", "0.0.0.0"});
    c.appendEnat({"192.168.1.0", "255.255.255.0", {}, {}, {}, {}, {}, "ppp0", 3});
    c.RouteCommands = QStringLiteral("add ip route=...\r\n");
    c.Common.EthIP = QStringLiteral("1.2.3.4");
    c.CommandScript = QStringLiteral("enable ip\r\n");
    c.reset();

    Configuration expected;
    expected.CommandScript = QStringLiteral("enable ip\r\n");
    QVERIFY(c == expected);
    QCOMPARE(c.destination(7).PPPMask, QStringLiteral("255.255.255.0"));
    QCOMPARE(c.destination(7).Idle, QStringLiteral("60"));
    QCOMPARE(c.destination(7).CBTimer, int16(41));
    QCOMPARE(c.destination(7).LQR, int16(1));
    QCOMPARE(c.Common.ANALOG2, int16(1));
    QCOMPARE(c.Common.DHCP_Lease, QStringLiteral("3600"));
}

void TestConfiguration::programStartHasEmptyMask()
{
    const Configuration c = Configuration::atProgramStart();
    for (int n = 1; n <= MaxDestinations; ++n) {
        QVERIFY(c.destination(n).PPPMask.isEmpty());
        QCOMPARE(c.destination(n).Idle, QStringLiteral("60"));
    }
    QCOMPARE(c.TabCount, int16(2));
    QVERIFY(c.Saved);
    QVERIFY(!c.DefaultRouteTaken);
}

void TestConfiguration::newDestinationRecordKeepsBod()
{
    Configuration c;
    c.destination(3).UserName = QStringLiteral("old");
    c.bod(3).Uprate = QStringLiteral("70");
    c.newDestinationRecord(3);
    QVERIFY(c.destination(3).UserName.isEmpty());
    QVERIFY(c.destination(3).Idle.isEmpty());
    QVERIFY(c.destination(3).PPPMask.isEmpty());
    QCOMPARE(c.destination(3).CBTimer, int16(41));
    QCOMPARE(c.bod(3).Uprate, QStringLiteral("70"));
    // Shown, the empty fields get their display defaults.
    const DestinationPageValues page = showDestination(c, 3);
    QCOMPARE(page.Idle, QStringLiteral("60"));
    QCOMPARE(page.PPPMask, QStringLiteral("255.255.255.0"));
    QCOMPARE(page.RouteNetMask, QStringLiteral("255.255.255.0"));
}

void TestConfiguration::storingRules_data()
{
    QTest::addColumn<DestinationPageValues>("page");
    QTest::addColumn<Destination>("stored");

    DestinationPageValues page;
    Destination d;
    d.PPPMask = QStringLiteral("255.255.255.0");
    QTest::newRow("defaults") << page << d;

    {
        DestinationPageValues p;
        p.PPPDyn = true;
        p.PPPIP = QStringLiteral("192.168.5.1");
        p.PPPMask = QStringLiteral("255.255.0.0");
        Destination e;
        e.PPPDyn = 1;
        e.PPPIP = QStringLiteral("0.0.0.0");
        e.PPPMask = QStringLiteral("0.0.0.0");
        QTest::newRow("dynamic address stores zeros") << p << e;
    }
    {
        DestinationPageValues p;
        p.StaticRoute = false;
        p.RouteIP = QStringLiteral("10.0.0.0");
        p.RouteNextHop = QStringLiteral("10.0.0.1");
        Destination e;
        QTest::newRow("no static route clears route fields") << p << e;
    }
    {
        DestinationPageValues p;
        p.StaticRoute = true;
        p.RouteIP = QStringLiteral("10.0.0.0");
        p.RouteNetMask = QStringLiteral("255.0.0.0");
        p.RouteNextHop = QStringLiteral("10.0.0.1");
        Destination e;
        e.StaticRoute = 1;
        e.RouteIP = p.RouteIP;
        e.RouteNetMask = p.RouteNetMask;
        e.RouteNextHop = p.RouteNextHop;
        QTest::newRow("static route kept") << p << e;
    }
    {
        DestinationPageValues p;
        p.Idle.clear();
        QTest::newRow("empty idle is 60") << p << Destination{};
    }
    {
        DestinationPageValues p;
        p.Idle = QStringLiteral("OFF");
        Destination e;
        e.Idle = QStringLiteral("OFF");
        QTest::newRow("OFF idle kept") << p << e;
    }
    {
        DestinationPageValues p;
        p.CBTimerText = QStringLiteral("abc");
        Destination e;
        e.CBTimer = 0;
        QTest::newRow("non-numeric cbdelay is 0") << p << e;
    }
    {
        DestinationPageValues p;
        p.CBTimerText = QStringLiteral("99999");
        Destination e;
        e.CBTimer = 32767;
        QTest::newRow("huge cbdelay saturates") << p << e;
    }
}

void TestConfiguration::storingRules()
{
    QFETCH(DestinationPageValues, page);
    QFETCH(Destination, stored);
    Configuration c;
    storeDestination(c, 2, page);
    QCOMPARE(c.destination(2), stored);
    QVERIFY(c.destination(1) == Destination{});
}

void TestConfiguration::defaultRouteUpkeep_data()
{
    QTest::addColumn<bool>("takenBefore");
    QTest::addColumn<int>("recordHad");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("takenAfter");
    QTest::newRow("checking takes it") << false << 0 << true << true;
    QTest::newRow("unchecking own releases it") << true << 1 << false << false;
    QTest::newRow("other destination holds it") << true << 0 << false << true;
    QTest::newRow("nobody") << false << 0 << false << false;
}

void TestConfiguration::defaultRouteUpkeep()
{
    QFETCH(bool, takenBefore);
    QFETCH(int, recordHad);
    QFETCH(bool, checked);
    QFETCH(bool, takenAfter);
    Configuration c;
    c.DefaultRouteTaken = takenBefore;
    c.destination(1).DefRoute = int16(recordHad);
    DestinationPageValues page;
    page.DefRoute = checked;
    storeDestination(c, 1, page);
    QCOMPARE(c.DefaultRouteTaken, takenAfter);
    QCOMPARE(c.destination(1).DefRoute, int16(checked ? 1 : 0));
}

void TestConfiguration::showAppliesDisplayDefaults()
{
    Configuration c;
    c.destination(1).PPPDyn = 1;
    c.destination(1).PPPIP = QStringLiteral("0.0.0.0");
    c.destination(1).PPPMask = QStringLiteral("0.0.0.0");
    c.destination(1).CBTimer = 12;
    const DestinationPageValues page = showDestination(c, 1);
    QVERIFY(page.PPPIP.isEmpty());
    QCOMPARE(page.PPPMask, QStringLiteral("255.255.255.0"));
    QCOMPARE(page.CBTimerText, QStringLiteral("12"));
}

void TestConfiguration::storeThenShowRoundTrips()
{
    DestinationPageValues page;
    page.Type = 1;
    page.ISDN_Num = QStringLiteral("03-1234-5678");
    page.CallBack = true;
    page.CBTimerText = QStringLiteral("55");
    page.UserName = QStringLiteral("ユーザ");
    page.Authentication = true;
    page.PPPAuth = 2;
    page.PPPIP = QStringLiteral("10.1.1.1");
    page.StaticRoute = true;
    page.RouteIP = QStringLiteral("10.2.0.0");
    page.RouteNetMask = QStringLiteral("255.255.0.0");
    page.RouteNextHop = QStringLiteral("10.1.1.2");
    page.MP = 1;
    page.Idle = QStringLiteral("OFF");
    Configuration c;
    storeDestination(c, 32, page);
    QCOMPARE(showDestination(c, 32), page);
}

void TestConfiguration::capacities()
{
    Configuration c;
    for (int i = 0; i < MaxRoutes; ++i)
        QVERIFY(c.appendRoute({QString::number(i), {}, {}, {}}));
    const Configuration full = c;
    QVERIFY(!c.appendRoute({"x", {}, {}, {}}));
    QVERIFY(c == full);

    for (int i = 0; i < MaxEnatEntries; ++i)
        QVERIFY(c.appendEnat({QString::number(i), {}, {}, {}, {}, {}, {}, {}, 0}));
    const Configuration fullEnat = c;
    QVERIFY(!c.appendEnat({}));
    QVERIFY(c == fullEnat);

    QVERIFY(!c.removeRoute(MaxRoutes));
    QVERIFY(!c.removeEnat(-1));
    QVERIFY(c == fullEnat);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.destination(MaxDestinations + 1));
}

void TestConfiguration::removeKeepsOrder()
{
    Configuration c;
    for (const char *ip : {"a", "b", "c"})
        c.appendRoute({QLatin1String(ip), {}, {}, {}});
    c.RouteCommands = QStringLiteral("kept");
    QVERIFY(c.removeRoute(1));
    QCOMPARE(c.RouteCount, int16(2));
    QCOMPARE(c.StaticRouteList[0].IP, QStringLiteral("a"));
    QCOMPARE(c.StaticRouteList[1].IP, QStringLiteral("c"));
    QVERIFY(c.StaticRouteList[2] == StaticRouteEntry{});
    QVERIFY(c.RouteCommands.isEmpty());
}

void TestConfiguration::changeRules()
{
    Configuration c;
    c.setEthIP(QStringLiteral("192.168.1.1"));
    QCOMPARE(c.Common.DHCP_Router, QStringLiteral("192.168.1.1"));
    c.setEthMask(QStringLiteral("255.255.0.0"));
    QCOMPARE(c.Common.DHCP_Mask, QStringLiteral("255.255.0.0"));

    c.setAnalogPort(0, 1);
    QCOMPARE(c.Common.ANALOG1, int16(1));
    QCOMPARE(c.Common.ANALOG2, int16(0));
    c.setAnalogPort(1, 1);
    QCOMPARE(c.Common.ANALOG1, int16(0));
    QCOMPARE(c.Common.ANALOG2, int16(1));

    c.TabCount = 6;
    c.DefaultRouteTaken = true;
    c.destination(4).UserName = QStringLiteral("kept");
    c.setConnectType(2);
    QCOMPARE(c.TabCount, int16(2));
    QVERIFY(!c.DefaultRouteTaken);
    QCOMPARE(c.destination(4).UserName, QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_Configuration.moc"
