#include "Configuration.h"

#include <QtTest>

#include <functional>

using namespace mg;
using PageEdit = std::function<void(DestinationPageValues &)>;
using RecordEdit = std::function<void(Destination &)>;

class TestConfiguration : public QObject {
    Q_OBJECT
private slots:
    void newRecords()
    {
        // At start the masks are empty, unlike after a reset.
        const Configuration start = Configuration::atProgramStart();
        QVERIFY(start.destination(MaxDestinations).PPPMask.isEmpty() && !Configuration().destination(1).PPPMask.isEmpty());
        QVERIFY(start.TabCount == 2 && start.Saved && !start.DefaultRouteTaken);
        // A new record is empty but keeps its BOD values; shown, it gets the display defaults.
        Configuration c;
        c.destination(3).UserName = QStringLiteral("old");
        c.bod(3).Uprate = QStringLiteral("70");
        c.newDestinationRecord(3);
        QVERIFY(c.destination(3).UserName.isEmpty() && c.destination(3).Idle.isEmpty() && c.bod(3).Uprate == "70");
        const DestinationPageValues page = showDestination(c, 3);
        QVERIFY(page.Idle == "60" && page.PPPMask == "255.255.255.0" && page.RouteNetMask == "255.255.255.0");
    }

    // Stored into record 2 from the page; the page shown again from the record.
    void storingRules_data()
    {
        QTest::addColumn<PageEdit>("page");
        QTest::addColumn<RecordEdit>("stored");
        QTest::addColumn<bool>("showsPage"); // showing the record gives the page back
        QTest::addColumn<int>("routeBefore"); // the default route: 0 free, 1 taken by another record, 2 by this one
        QTest::addColumn<bool>("takenAfter");
        auto row = [](const char *name, PageEdit page, RecordEdit stored, bool showsPage, int before = 0, bool after = 0) {
            QTest::newRow(name) << page << stored << showsPage << before << after;
        };
        const auto none = [](auto &) {};
        row("checking the default route takes it", [](auto &p) { p.DefRoute = true; }, [](auto &d) { d.DefRoute = 1; },
            true, 0, true);
        row("unchecking its own default route releases it", none, none, true, 2, false);
        row("another destination holds the default route", none, none, true, 1, true);
        const RecordEdit dynamic = [](auto &d) { d.PPPDyn = 1, d.PPPIP = d.PPPMask = "0.0.0.0"; };
        row("dynamic address stores zeros, shows empty", [](auto &p) { p.PPPDyn = true; }, dynamic, true);
        row("typed address of a dynamic page dropped", [](auto &p) { p.PPPDyn = true, p.PPPIP = "1.1.1.1"; }, dynamic, false);
        row("no static route clears the route", [](auto &p) { p.RouteIP = "10.0.0.0", p.RouteNextHop = "10.0.0.1"; },
            none, false);
        row("empty idle is 60", [](auto &p) { p.Idle.clear(); }, none, false);
        row("non-numeric callback delay is 0", [](auto &p) { p.CBTimerText = "x"; }, [](auto &d) { d.CBTimer = 0; }, false);
        row("huge callback delay saturates", [](auto &p) { p.CBTimerText = "99999"; }, [](auto &d) { d.CBTimer = 32767; },
            false);
        row("every field", [](auto &p) {
            p.Type = p.MP = 1, p.PPPAuth = p.Comp = 2;
            p.CallBack = p.Authentication = p.VJC = p.PPPRIP = p.StaticRoute = true, p.LQR = false;
            p.ISDN_Num = "03-1", p.ISDN_ALTNum = "03-2", p.CBTimerText = "55", p.Idle = "OFF";
            p.UserName = QStringLiteral("ユーザ"), p.UserPass = "a", p.AuthName = "b", p.AuthPass = "c";
            p.PPPIP = "10.1.1.1", p.PPPMask = "255.255.0.0", p.RouteIP = "10.2.0.0", p.RouteNextHop = "10.1.1.2";
        }, nullptr, true);
    }

    void storingRules()
    {
        QFETCH(PageEdit, page);
        QFETCH(RecordEdit, stored);
        QFETCH(int, routeBefore);
        DestinationPageValues values;
        page(values);
        Configuration c;
        c.DefaultRouteTaken = routeBefore > 0;
        c.destination(2).DefRoute = routeBefore == 2;
        storeDestination(c, 2, values);
        Destination expected;
        if (stored) { // else the page shown again is the check
            stored(expected);
            QCOMPARE(c.destination(2), expected);
        }
        QVERIFY(c.destination(1) == Destination{});
        QTEST(showDestination(c, 2) == values, "showsPage");
        QTEST(c.DefaultRouteTaken, "takenAfter");
    }

    // A leased line keeps the first destination; the routes and translations
    // over the interfaces of the others go with them, as a delete takes them.
    void leasedLineTakesTheRemovedDestinationsLists_data()
    {
        QTest::addColumn<int>("destinations");
        QTest::addColumn<QStringList>("routes"); // the interface of each route, in list order
        QTest::addColumn<QStringList>("enat");   // the global interface of each ENAT entry
        QTest::addColumn<QStringList>("keptRoutes");
        QTest::addColumn<QStringList>("keptEnat");
        QTest::newRow("three destinations") << 3 << QStringList{"ppp0", "ppp1", "eth0", "ppp2", "ppp10"}
                                            << QStringList{"ppp2", "", "ppp0", "ppp1"}
                                            << QStringList{"ppp0", "eth0", "ppp10"} << QStringList{"", "ppp0"};
        QTest::newRow("32 destinations") << 32 << QStringList{"ppp31", "ppp0"} << QStringList{"ppp30"}
                                         << QStringList{"ppp0"} << QStringList{};
        QTest::newRow("one destination: nothing removed") << 1 << QStringList{"ppp1"} << QStringList{"ppp1"}
                                                         << QStringList{"ppp1"} << QStringList{"ppp1"};
    }

    void leasedLineTakesTheRemovedDestinationsLists()
    {
        QFETCH(int, destinations);
        QFETCH(QStringList, routes);
        QFETCH(QStringList, enat);
        Configuration c;
        c.TabCount = int16(destinations + 1);
        for (const QString &face : routes)
            QVERIFY(c.appendRoute({QStringLiteral("10.0.0.0"), QStringLiteral("255.0.0.0"), face, QStringLiteral("0.0.0.0")}));
        for (const QString &face : enat)
            QVERIFY(c.appendEnat({QStringLiteral("192.168.1.0"), QStringLiteral("255.255.255.0"), {}, {}, {}, {}, {}, face, 3}));
        c.RouteCommands = c.EnatCommands = QStringLiteral("kept");
        c.setConnectType(2);
        QCOMPARE(c.TabCount, int16(2));
        QStringList keptRoutes, keptEnat;
        for (int i = 0; i < c.RouteCount; ++i)
            keptRoutes << c.StaticRouteList[i].Int;
        for (int i = 0; i < c.EnatCount; ++i)
            keptEnat << c.EnatList[i].GlobalInterFace;
        QTEST(keptRoutes, "keptRoutes");
        QTEST(keptEnat, "keptEnat");
        // Texts made from the lists before go when their list changed.
        QCOMPARE(c.RouteCommands.isEmpty(), keptRoutes != routes);
        QCOMPARE(c.EnatCommands.isEmpty(), keptEnat != enat);
    }

    // A deleted destination takes its routes and ENAT entries with it; the
    // later ones move down with their thresholds and with the interfaces
    // their entries name.
    void removingADestination_data()
    {
        QTest::addColumn<int>("destinations");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("carrier"); // the destination with the default route, 0 for none
        QTest::addColumn<QStringList>("routes");
        QTest::addColumn<QStringList>("enat");
        QTest::addColumn<QStringList>("routesAfter");
        QTest::addColumn<QStringList>("enatAfter");
        QTest::addColumn<bool>("taken");
        QTest::newRow("second of four") << 4 << 2 << 0 << QStringList{"ppp0", "ppp1", "ppp2", "ppp3", "eth0", "ppp1"}
                                        << QStringList{"ppp3", "ppp1", "", "ppp2"}
                                        << QStringList{"ppp0", "ppp1", "ppp2", "eth0"} << QStringList{"ppp2", "", "ppp1"}
                                        << false;
        QTest::newRow("the carrier of the default route") << 3 << 1 << 1 << QStringList{"ppp1"} << QStringList{}
                                                          << QStringList{"ppp0"} << QStringList{} << false;
        QTest::newRow("a later destination carries it") << 3 << 1 << 3 << QStringList{} << QStringList{}
                                                        << QStringList{} << QStringList{} << true;
        QTest::newRow("the last one, its default route in the list")
            << 3 << 3 << 0 << QStringList{"ppp2 default", "ppp0"} << QStringList{"ppp2"} << QStringList{"ppp0"}
            << QStringList{} << false;
        QTest::newRow("the only destination stays") << 1 << 1 << 0 << QStringList{"ppp0"} << QStringList{"ppp0"}
                                                    << QStringList{"ppp0"} << QStringList{"ppp0"} << true;
    }

    void removingADestination()
    {
        QFETCH(int, destinations);
        QFETCH(int, removed);
        QFETCH(int, carrier);
        QFETCH(QStringList, routes);
        QFETCH(QStringList, enat);
        Configuration c;
        c.TabCount = int16(destinations + 1);
        QStringList users, thresholds;
        for (int n = 1; n <= destinations; ++n) {
            c.destination(n).UserName = QStringLiteral("user%1").arg(n);
            c.bod(n).Uprate = QString::number(50 + n);
            if (n != removed || destinations == 1)
                users << c.destination(n).UserName, thresholds << c.bod(n).Uprate;
        }
        if (carrier > 0)
            c.destination(carrier).DefRoute = 1;
        c.DefaultRouteTaken = true;
        const QString any = QStringLiteral("0.0.0.0");
        QStringList faces;
        for (const QString &route : routes) {
            const bool isDefault = route.endsWith(QStringLiteral(" default"));
            faces << route.section(QLatin1Char(' '), 0, 0);
            QVERIFY(c.appendRoute({isDefault ? any : QStringLiteral("10.0.0.0"), isDefault ? any : QStringLiteral("255.0.0.0"),
                                   faces.constLast(), any}));
        }
        for (const QString &face : enat)
            QVERIFY(c.appendEnat({QStringLiteral("192.168.1.0"), QStringLiteral("255.255.255.0"), {}, {}, {}, {}, {}, face, 3}));
        c.RouteCommands = c.EnatCommands = QStringLiteral("kept");

        QCOMPARE(c.removeDestination(removed), destinations > 1);
        QCOMPARE(c.destinationCount(), qMax(1, destinations - 1));
        QStringList usersAfter, thresholdsAfter, routesAfter, enatAfter;
        for (int n = 1; n <= c.destinationCount(); ++n)
            usersAfter << c.destination(n).UserName, thresholdsAfter << c.bod(n).Uprate;
        QCOMPARE(usersAfter, users);
        QCOMPARE(thresholdsAfter, thresholds);
        if (destinations > 1) {
            // The record no tab holds any more starts anew.
            QVERIFY(c.destination(destinations).UserName.isEmpty() && c.bod(destinations) == BodSetting{});
        }
        for (int i = 0; i < c.RouteCount; ++i)
            routesAfter << c.StaticRouteList[i].Int;
        for (int i = 0; i < c.EnatCount; ++i)
            enatAfter << c.EnatList[i].GlobalInterFace;
        QTEST(routesAfter, "routesAfter");
        QTEST(enatAfter, "enatAfter");
        QTEST(c.DefaultRouteTaken, "taken");
        // Texts made from the lists before go when their list changed.
        QCOMPARE(c.RouteCommands.isEmpty(), routesAfter != faces);
        QCOMPARE(c.EnatCommands.isEmpty(), enatAfter != enat);
    }

    // A destination added after a leased line removed others starts anew;
    // there are never more than 32.
    void addingDestinations()
    {
        Configuration c;
        c.destination(2).UserName = QStringLiteral("removed by a leased line");
        c.bod(2) = {QStringLiteral("95"), QStringLiteral("5"), QStringLiteral("20"), QStringLiteral("60")};
        QCOMPARE(c.addDestination(), 2);
        QVERIFY(c.destination(2).UserName.isEmpty() && c.bod(2) == BodSetting{} && c.TabCount == 3);
        while (c.destinationCount() < MaxDestinations)
            QVERIFY(c.addDestination() > 0);
        const Configuration full = c;
        QCOMPARE(c.addDestination(), 0);
        QVERIFY(c == full);
    }

    // The default route is free again once nothing carries it: neither an
    // existing destination nor a default route over a PPP interface in the
    // route list.
    void removingTheLastDefaultRouteFreesIt_data()
    {
        QTest::addColumn<QStringList>("routes"); // "ppp0": the default route over ppp0; "net ppp0": a network route
        QTest::addColumn<int>("carrier");        // the record with DefRoute = 1, 0 for none
        QTest::addColumn<int>("removed");        // the list entry deleted
        QTest::addColumn<bool>("taken");
        QTest::newRow("the only default route") << QStringList{"ppp0"} << 0 << 0 << false;
        QTest::newRow("one of two default routes") << QStringList{"ppp0", "ppp1"} << 0 << 0 << true;
        QTest::newRow("a destination carries it") << QStringList{"ppp1"} << 1 << 0 << true;
        QTest::newRow("a network route deleted") << QStringList{"ppp0", "net ppp1"} << 0 << 1 << true;
        QTest::newRow("a default route over the LAN does not carry it") << QStringList{"ppp0", "eth0"} << 0 << 0 << false;
        QTest::newRow("the record of a deleted destination does not carry it") << QStringList{"ppp0"} << 3 << 0 << false;
    }

    void removingTheLastDefaultRouteFreesIt()
    {
        QFETCH(QStringList, routes);
        QFETCH(int, carrier);
        QFETCH(int, removed);
        Configuration c;
        c.TabCount = 3;
        c.DefaultRouteTaken = true;
        if (carrier > 0)
            c.destination(carrier).DefRoute = 1;
        const QString any = QStringLiteral("0.0.0.0");
        for (const QString &route : routes) {
            const bool network = route.startsWith(QStringLiteral("net "));
            QVERIFY(c.appendRoute({network ? QStringLiteral("10.0.0.0") : any, network ? QStringLiteral("255.0.0.0") : any,
                                   route.section(QLatin1Char(' '), -1), any}));
        }
        QVERIFY(c.removeRoute(removed));
        QTEST(c.DefaultRouteTaken, "taken");
    }

    void capacitiesRefuseAndChangeNothing()
    {
        Configuration c;
        for (int i = 0; i < MaxRoutes; ++i)
            QVERIFY(c.appendRoute({QString::number(i), {}, {}, {}}));
        for (int i = 0; i < MaxEnatEntries; ++i)
            QVERIFY(c.appendEnat({QString::number(i), {}, {}, {}, {}, {}, {}, {}, 0}));
        const Configuration full = c;
        QVERIFY(!c.appendRoute({"x", {}, {}, {}}) && !c.appendEnat({}) && !c.removeRoute(MaxRoutes) && !c.removeEnat(-1));
        QVERIFY(c == full);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.destination(MaxDestinations + 1));
        // A removal closes the gap and drops the kept command text.
        c.RouteCommands = QStringLiteral("kept");
        QVERIFY(c.removeRoute(1));
        QVERIFY(c.RouteCount == MaxRoutes - 1 && c.StaticRouteList[1].IP == "2" && c.RouteCommands.isEmpty());
        QVERIFY(c.StaticRouteList[MaxRoutes - 1] == StaticRouteEntry{});
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_Configuration.moc"
