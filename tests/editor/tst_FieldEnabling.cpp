// What the fields of the destination page allow, from the values alone: the
// default route and the static route of a destination exclude each other,
// and only one destination holds the default route.

#include "FieldEnabling.h"

#include <QtTest>

using namespace mg;

class TestFieldEnabling : public QObject {
    Q_OBJECT
private slots:
    void routeFields_data()
    {
        QTest::addColumn<bool>("defaultRoute");
        QTest::addColumn<bool>("staticRoute");
        QTest::addColumn<bool>("takenElsewhere");
        // chkDefault, chkStaticRoute, txtRouteIP and txtRouteNetMask, txtNextHop
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("free") << false << false << false << QList<bool>{true, true, false, false};
        QTest::newRow("another destination holds it") << false << false << true << QList<bool>{false, true, false, false};
        QTest::newRow("a static route instead") << false << true << false << QList<bool>{false, true, true, true};
        QTest::newRow("this destination holds it") << true << false << false << QList<bool>{true, false, false, false};
        // A file may hold both: the default route can still be given up, and
        // the next hop stays open with the static route.
        QTest::newRow("both, from a file") << true << true << false << QList<bool>{true, false, false, true};
    }

    void routeFields()
    {
        QFETCH(bool, defaultRoute);
        QFETCH(bool, staticRoute);
        QFETCH(bool, takenElsewhere);
        DestinationPageValues page;
        page.DefRoute = defaultRoute;
        page.StaticRoute = staticRoute;
        const DestinationEnabling on = destinationEnabling(page, true, takenElsewhere);
        QTEST((QList<bool>{on.defaultRoute, on.staticRoute, on.routeAddress, on.nextHop}), "enabled");
    }

    // A leased line has no ISDN side: nothing of the dial-up fields, and a
    // terminal type counts as LAN type there.
    void lineType_data()
    {
        QTest::addColumn<bool>("dialUp");
        QTest::addColumn<int>("type");
        // dial-up fields, txtAltNum, chkRIPPPP, cmdBOD, the dynamic-address caption
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("dial-up LAN type") << true << 0 << QList<bool>{true, false, true, true, false};
        QTest::newRow("dial-up terminal type") << true << 1 << QList<bool>{true, true, false, true, true};
        QTest::newRow("leased terminal type") << false << 1 << QList<bool>{false, false, true, false, false};
    }

    void lineType()
    {
        QFETCH(bool, dialUp);
        QFETCH(int, type);
        DestinationPageValues page;
        page.Type = int16(type);
        page.MP = 1;
        page.CallBack = true;
        const DestinationEnabling on = destinationEnabling(page, dialUp, false);
        QTEST((QList<bool>{on.dialUpFields, on.altNum, on.ripPPP, on.bod, on.dynamicCaption}), "enabled");
        QCOMPARE(on.cbdelay, dialUp);
        CommonSettings common;
        common.ConnectType = dialUp ? 0 : 2;
        common.AutoHash1 = 1;
        const CommonEnabling ports = commonEnabling(common);
        QCOMPARE((QList<bool>{ports.analogPorts, ports.autoTimer[0], ports.autoTimer[1]}),
                 (QList<bool>{dialUp, dialUp, false}));
    }
};

QTEST_GUILESS_MAIN(TestFieldEnabling)
#include "tst_FieldEnabling.moc"
