#include "RouteListEditor.h"

#include <QtTest>

using namespace mg;

namespace {

const QString Any = QStringLiteral("0.0.0.0");

StaticRouteEntry route(const char *ip, const char *mask, const char *iface, const char *nextHop)
{
    return {QString::fromLatin1(ip), QString::fromLatin1(mask), QString::fromLatin1(iface),
            QString::fromLatin1(nextHop)};
}

QList<StaticRouteEntry> listOf(const Configuration &c)
{
    QList<StaticRouteEntry> out;
    for (int i = 0; i < c.RouteCount; ++i)
        out << c.StaticRouteList[i];
    return out;
}

QList<StaticRouteEntry> rowsOf(const RouteListEditor &e)
{
    QList<StaticRouteEntry> out;
    for (int r = 0; r < e.rowCount(); ++r)
        out << e.row(r);
    return out;
}

// Destination 1 makes a static route 10.1.0.0/255.255.0.0 over ppp0; its
// own end of the link is 192.168.2.1.
Configuration withTabStaticRoute(bool unnumbered)
{
    Configuration c;
    Destination &d = c.destination(1);
    d.StaticRoute = 1;
    d.RouteIP = QStringLiteral("10.1.0.0");
    d.RouteNetMask = QStringLiteral("255.255.0.0");
    d.RouteNextHop = QStringLiteral("192.168.2.254");
    d.PPPDyn = unnumbered ? 1 : 0;
    d.PPPIP = unnumbered ? Any : QStringLiteral("192.168.2.1");
    return c;
}

} // namespace

Q_DECLARE_METATYPE(StaticRouteEntry)

class TestRouteListEditor : public QObject {
    Q_OBJECT
private slots:
    void mergeOnOpening_data();
    void mergeOnOpening();
    void tabRowEqualToListEntry();
    void damagedCountsStayInside();
};

void TestRouteListEditor::mergeOnOpening_data()
{
    QTest::addColumn<bool>("defaultRoute");
    QTest::addColumn<bool>("unnumbered");
    QTest::addColumn<StaticRouteEntry>("listed");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<StaticRouteEntry>("tabRow");

    const StaticRouteEntry def = route("0.0.0.0", "0.0.0.0", "ppp0", "0.0.0.0");
    const StaticRouteEntry numbered = route("10.1.0.0", "255.255.0.0", "ppp0", "192.168.2.1");
    const StaticRouteEntry unnumbered = route("10.1.0.0", "255.255.0.0", "ppp0", "0.0.0.0");

    QTest::newRow("default route repeated") << true << false << def << true << def;
    QTest::newRow("default route on another interface")
        << true << false << route("0.0.0.0", "0.0.0.0", "ppp1", "0.0.0.0") << false << def;
    QTest::newRow("default route with a real next hop")
        << true << false << route("0.0.0.0", "0.0.0.0", "ppp0", "192.168.2.9") << false << def;
    QTest::newRow("static route via our end") << false << false << numbered << true << numbered;
    QTest::newRow("static route via the interface") << false << false << unnumbered << true << numbered;
    QTest::newRow("static route via another router")
        << false << false << route("10.1.0.0", "255.255.0.0", "ppp0", "192.168.2.9") << false << numbered;
    QTest::newRow("static route, other mask")
        << false << false << route("10.1.0.0", "255.255.255.0", "ppp0", "192.168.2.1") << false << numbered;
    QTest::newRow("unnumbered static route") << false << true << unnumbered << true << unnumbered;
}

void TestRouteListEditor::mergeOnOpening()
{
    QFETCH(bool, defaultRoute);
    QFETCH(bool, unnumbered);
    QFETCH(StaticRouteEntry, listed);
    QFETCH(bool, removed);
    QFETCH(StaticRouteEntry, tabRow);

    Configuration c = withTabStaticRoute(unnumbered);
    if (defaultRoute) {
        c.destination(1).StaticRoute = 0;
        c.destination(1).DefRoute = 1;
    }
    const StaticRouteEntry before = route("172.16.0.0", "255.255.0.0", "eth0", "192.168.1.254");
    const StaticRouteEntry after = route("10.9.0.0", "255.255.0.0", "eth0", "192.168.1.253");
    c.appendRoute(before);
    c.appendRoute(listed);
    c.appendRoute(after);
    c.RouteCommands = QStringLiteral("stale\r\n");

    RouteListEditor editor(c);

    const QList<StaticRouteEntry> expectedList =
        removed ? QList<StaticRouteEntry>{before, after} : QList<StaticRouteEntry>{before, listed, after};
    QCOMPARE(listOf(c), expectedList);
    QCOMPARE(editor.routeListCount(), int(expectedList.size()));
    // The list rows first, in order, then the tab's route once.
    QCOMPARE(rowsOf(editor), expectedList + QList<StaticRouteEntry>{tabRow});
    if (removed)
        QVERIFY(c.RouteCommands.isEmpty());
}

void TestRouteListEditor::tabRowEqualToListEntry()
{
    // A file may repeat a tab's route twice; the merge takes out one copy.
    Configuration c = withTabStaticRoute(false);
    const StaticRouteEntry same = route("10.1.0.0", "255.255.0.0", "ppp0", "192.168.2.1");
    c.appendRoute(same);
    c.appendRoute(same);
    RouteListEditor editor(c);
    QCOMPARE(int(c.RouteCount), 1);
    QCOMPARE(editor.rowCount(), 2);

    // Deleting the tab row takes the remaining copy out of the list; the tab
    // keeps its route.
    QVERIFY(editor.remove(1));
    QCOMPARE(int(c.RouteCount), 0);
    QCOMPARE(rowsOf(editor), QList<StaticRouteEntry>{same});
    QVERIFY(!editor.remove(0));
}

void TestRouteListEditor::damagedCountsStayInside()
{
    Configuration c;
    c.RouteCount = 150;
    c.TabCount = 90;
    for (int d = 1; d <= MaxDestinations; ++d)
        c.destination(d).DefRoute = 1;
    RouteListEditor editor(c);
    QCOMPARE(editor.routeListCount(), MaxRoutes);
    QCOMPARE(editor.rowCount(), MaxRoutes + MaxDestinations);
    QCOMPARE(editor.row(MaxRoutes + MaxDestinations - 1).Int, QStringLiteral("ppp31"));
    QCOMPARE(editor.row(MaxRoutes + MaxDestinations), StaticRouteEntry{});

    Configuration negative;
    negative.RouteCount = -4;
    negative.TabCount = -1;
    RouteListEditor none(negative);
    QCOMPARE(none.rowCount(), 0);
    QCOMPARE(none.add(route("10.0.0.0", "255.0.0.0", "eth0", "192.168.1.1")), RouteListEditor::Outcome::Full);
    QVERIFY(!none.remove(0));
}

QTEST_GUILESS_MAIN(TestRouteListEditor)
#include "tst_RouteListEditor.moc"
