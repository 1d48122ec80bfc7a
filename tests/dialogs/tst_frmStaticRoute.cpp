#include "DialogTestKit.h"
#include "ScriptGenerator.h"
#include "frmStaticRoute.h"

#include <QComboBox>

using namespace mg;
using namespace dlgtest;

namespace {

const QString Caption = QStringLiteral("LAN側のスタティックルートの設定");
using Routes = QList<StaticRouteEntry>;

StaticRouteEntry route(const char *ip, const char *mask, const char *iface, const char *nextHop)
{
    return {QLatin1String(ip), QLatin1String(mask), QLatin1String(iface), QLatin1String(nextHop)};
}

const StaticRouteEntry A = route("172.16.0.0", "255.255.0.0", "eth0", "192.168.1.254");
const StaticRouteEntry B = route("10.9.0.0", "255.255.0.0", "eth0", "192.168.1.253");
const StaticRouteEntry C = route("10.20.0.0", "255.255.0.0", "eth0", "192.168.1.1");
const StaticRouteEntry Cleared = route("", "", "eth0", "");

Routes listOf(const Configuration &c)
{
    return Routes(c.StaticRouteList.begin(), c.StaticRouteList.begin() + c.RouteCount);
}

Configuration withRoutes(const Routes &routes)
{
    Configuration c;
    for (const StaticRouteEntry &r : routes)
        c.appendRoute(r);
    return c;
}

// Destination 1 makes the default route; 2 and 3 route 10.2.0.0 and
// 10.3.0.0 over their links, 2 from its own end 192.168.2.1, 3 unnumbered.
Configuration withTabRoutes(const Routes &listed)
{
    Configuration c = withRoutes(listed);
    c.TabCount = 4;
    c.destination(1).DefRoute = 1;
    for (int n : {2, 3}) {
        Destination &d = c.destination(n);
        d.StaticRoute = 1;
        d.RouteIP = QStringLiteral("10.%1.0.0").arg(n);
        d.RouteNetMask = QStringLiteral("255.255.0.0");
        d.PPPDyn = n == 3;
        d.PPPIP = n == 3 ? QStringLiteral("0.0.0.0") : QStringLiteral("192.168.2.1");
    }
    return c;
}
const Routes TabRows{route("0.0.0.0", "0.0.0.0", "ppp0", "0.0.0.0"),
                     route("10.2.0.0", "255.255.0.0", "ppp1", "192.168.2.1"),
                     route("10.3.0.0", "255.255.0.0", "ppp2", "0.0.0.0")};
// Destination 3's network via another router: a trap for a rule that lets
// its tab row pass for this entry.
const StaticRouteEntry Trap = route("10.3.0.0", "255.255.0.0", "ppp2", "192.168.3.9");

struct Window {
    explicit Window(Configuration &config) : dialog(config, prompt)
    {
        dialog.show();
        active = QTest::qWaitForWindowActive(&dialog);
    }
    QLineEdit *box(const char *name) { return child(&dialog, name); }
    QTreeWidget *list() { return child<QTreeWidget>(&dialog, "lvwRouteInfo"); }
    QComboBox *interfaces() { return child<QComboBox>(&dialog, "cboIF"); }
    void add(const StaticRouteEntry &r)
    {
        typeInto(box("txtEthernetIP"), r.IP);
        typeInto(box("txtEthernetMask"), r.Mask);
        interfaces()->setFocus();
        interfaces()->setCurrentIndex(interfaces()->findText(r.Int));
        typeInto(box("txtNextHop"), r.NextHop);
        click(&dialog, "cmdAdd");
    }
    void clickRowAnd(int row, const char *button) { clickRow(list(), row), click(&dialog, button); }
    StaticRouteEntry inputs()
    {
        return {box("txtEthernetIP")->text(), box("txtEthernetMask")->text(), interfaces()->currentText(),
                box("txtNextHop")->text()};
    }
    Routes shownRows()
    {
        Routes rows;
        for (int r = 0; r < list()->topLevelItemCount(); ++r) {
            const QStringList t = rowTexts(list(), r);
            rows << StaticRouteEntry{t[0], t[1], t[2], t[3]};
        }
        return rows;
    }

    mgtest::ScriptedPrompt prompt;
    frmStaticRoute dialog;
    bool active = false;
};

} // namespace

Q_DECLARE_METATYPE(StaticRouteEntry)
Q_DECLARE_METATYPE(Routes)

class TestFrmStaticRoute : public QObject {
    Q_OBJECT
private slots:
    void opening_data();
    void opening();
    void addAndEdit_data();
    void addAndEdit();
    void closeAndScript_data();
    void closeAndScript();
    void nothingClipped();
};

void TestFrmStaticRoute::opening_data()
{
    QTest::addColumn<StaticRouteEntry>("listed");
    QTest::addColumn<bool>("merged"); // taken out of the list: its tab makes that route

    QTest::newRow("default route") << TabRows[0] << true;
    QTest::newRow("default route, other interface") << route("0.0.0.0", "0.0.0.0", "ppp1", "0.0.0.0") << false;
    QTest::newRow("default route, real next hop") << route("0.0.0.0", "0.0.0.0", "ppp0", "192.168.2.9") << false;
    QTest::newRow("static route via our end") << TabRows[1] << true;
    // Over a point-to-point link "via the interface" is the same route.
    QTest::newRow("via the interface") << route("10.2.0.0", "255.255.0.0", "ppp1", "0.0.0.0") << true;
    QTest::newRow("via another router") << route("10.2.0.0", "255.255.0.0", "ppp1", "192.168.2.9") << false;
    QTest::newRow("other mask") << route("10.2.0.0", "255.255.255.0", "ppp1", "192.168.2.1") << false;
    QTest::newRow("unnumbered static route") << TabRows[2] << true;
}

void TestFrmStaticRoute::opening()
{
    QFETCH(StaticRouteEntry, listed);
    QFETCH(bool, merged);

    Configuration c = withTabRoutes({A, listed, Trap, B});
    c.RouteCommands = QStringLiteral("stale\r\n");
    Window ui(c);
    QVERIFY(ui.active);
    Routes list = merged ? Routes{A, Trap, B} : Routes{A, listed, Trap, B};
    QCOMPARE(listOf(c), list);
    QCOMPARE(ui.shownRows(), list + TabRows);
    QCOMPARE(c.RouteCommands.isEmpty(), merged);

    // The last list row still edits its own entry.
    ui.clickRowAnd(int(list.size()) - 1, "cmdEdit");
    typeInto(ui.box("txtNextHop"), "192.168.1.250");
    click(&ui.dialog, "cmdAdd");
    list.last().NextHop = QStringLiteral("192.168.1.250");
    QCOMPARE(listOf(c), list);
    QCOMPARE(ui.shownRows(), list + TabRows);

    // Tab rows are changed on their tab only; the refusal ends an edit begun
    // before, so the next route is a new one.
    const QString tab = QStringLiteral("この設定は、接続先タブで設定されているものです。\r\n");
    ui.clickRowAnd(0, "cmdEdit");
    ui.clickRowAnd(int(list.size()), "cmdEdit");
    expectShown(ui.prompt, tab + "この設定を編集するには、接続先タブの所で編集して下さい。", "設定の編集");
    ui.clickRowAnd(int(list.size()) + 2, "cmdDelete");
    expectShown(ui.prompt, tab + "この設定を削除する為には、接続先タブの経路制御のところで削除して下さい。",
                "経路情報の削除");
    QCOMPARE(ui.shownRows(), list + TabRows);
    ui.add(C);
    QCOMPARE(listOf(c), list << C);
}

void TestFrmStaticRoute::addAndEdit_data()
{
    QTest::addColumn<Routes>("list");
    QTest::addColumn<int>("editRow"); // -1: a new route
    QTest::addColumn<StaticRouteEntry>("typed");
    QTest::addColumn<QString>("refusal"); // "", "duplicate", "full", or the box refused for its format
    QTest::addColumn<Routes>("after");

    const StaticRouteEntry r = route("192.168.10.0", "255.255.255.0", "ppp0", "192.168.2.1");
    const StaticRouteEntry narrowB = route("10.9.0.0", "255.255.255.0", "eth0", "192.168.1.253");
    const StaticRouteEntry gone = route("10.7.0.0", "255.255.0.0", "ppp3", "0.0.0.0");
    const StaticRouteEntry goneNarrow = route("10.7.0.0", "255.255.255.0", "ppp3", "0.0.0.0");
    Routes full;
    for (int i = 0; i < MaxRoutes; ++i)
        full << StaticRouteEntry{QStringLiteral("10.%1.0.0").arg(i), "255.255.0.0", "eth0", "192.168.1.254"};
    QTest::newRow("add") << Routes{} << -1 << r << "" << Routes{r};
    QTest::newRow("same route, other mask")
        << Routes{r} << -1 << route("192.168.10.0", "255.255.0.0", "ppp0", "192.168.2.1") << "duplicate" << Routes{r};
    QTest::newRow("101st route") << full << -1 << r << "full" << full;
    QTest::newRow("address cut short") << Routes{} << -1 << route("192.168.1", "255.255.255.0", "eth0", "192.168.1.1")
                                       << "txtEthernetIP" << Routes{};
    QTest::newRow("empty mask") << Routes{} << -1 << route("192.168.1.0", "", "eth0", "192.168.1.1")
                                << "txtEthernetMask" << Routes{};
    QTest::newRow("next hop over 255") << Routes{} << -1
                                       << route("192.168.1.0", "255.255.0.0", "eth0", "192.168.1.256")
                                       << "txtNextHop" << Routes{};
    QTest::newRow("address checked first") << Routes{} << -1 << route("1..2.3", "1", "eth0", "") << "txtEthernetIP"
                                           << Routes{};
    QTest::newRow("edit unchanged") << Routes{A, B} << 0 << A << "" << Routes{A, B};
    QTest::newRow("edit the mask") << Routes{A, B} << 1 << narrowB << "" << Routes{A, narrowB};
    QTest::newRow("edit into another entry") << Routes{A, B} << 0 << B << "duplicate" << Routes{A, B};
    QTest::newRow("edit keeps a deleted destination's interface") << Routes{gone} << 0 << goneNarrow << ""
                                                                  << Routes{goneNarrow};
}

void TestFrmStaticRoute::addAndEdit()
{
    QFETCH(Routes, list);
    QFETCH(int, editRow);
    QFETCH(StaticRouteEntry, typed);
    QFETCH(QString, refusal);
    QFETCH(Routes, after);

    Configuration c = withRoutes(list);
    Window ui(c);
    QVERIFY(ui.active);
    if (editRow >= 0) {
        ui.clickRowAnd(editRow, "cmdEdit");
        QCOMPARE(ui.inputs(), list[editRow]);
    }
    ui.add(typed);

    const QMap<QString, QString> fields{
        {"txtEthernetIP", "IPアドレス"}, {"txtEthernetMask", "ネットマスク"}, {"txtNextHop", "ネクストホップ"}};
    if (fields.contains(refusal)) {
        expectShown(ui.prompt, fields[refusal] + QStringLiteral("の形式が正しくありません。"), fields[refusal]);
        QVERIFY(ui.box(qPrintable(refusal))->hasFocus());
        QCOMPARE(ui.box(qPrintable(refusal))->selectedText(), ui.box(qPrintable(refusal))->text());
    } else if (refusal == QLatin1String("full")) {
        expectShown(ui.prompt, QStringLiteral("スタティックルートは100個までしか登録できません。"), Caption);
    } else if (refusal == QLatin1String("duplicate")) {
        expectShown(ui.prompt, QStringLiteral("この設定はすでに存在します。"), Caption);
    }
    QVERIFY(ui.prompt.shown.isEmpty());
    // Only what was stored, or refused as a duplicate, empties the boxes.
    QCOMPARE(ui.inputs(), refusal.isEmpty() || refusal == QLatin1String("duplicate") ? Cleared : typed);
    QCOMPARE(listOf(c), after);
    QCOMPARE(ui.shownRows(), after);
    // An interface kept for an edit is not offered for new routes.
    QCOMPARE(ui.interfaces()->count(), 2);
    if (after.size() == MaxRoutes)
        return;

    // No edit is left open: the next route is a new one.
    ui.add(C);
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), after + Routes{C});
}

void TestFrmStaticRoute::closeAndScript_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("キャンセル") << false;
}

void TestFrmStaticRoute::closeAndScript()
{
    QFETCH(bool, ok);
    Configuration c = withTabRoutes({TabRows[0], A}); // the first repeats destination 1's own route
    c.Common.EthIP = "192.168.1.1";
    const QString added = QStringLiteral("add ip route=10.50.0.0 mask=255.255.0.0 int=ppp1 nexthop=0.0.0.0\r\n"
                                         "add ip route=0.0.0.0 mask=0.0.0.0 int=ppp1 nexthop=0.0.0.0\r\n");
    {
        Window ui(c);
        QVERIFY(ui.active);
        ui.add(route("10.50.1.9", "255.255.0.0", "ppp1", "0.0.0.0"));
        QVERIFY(!c.DefaultRouteTaken);
        ui.add(route("0.0.0.0", "0.0.0.0", "ppp1", "0.0.0.0"));
        QVERIFY(c.DefaultRouteTaken);
        ui.clickRowAnd(0, "cmdDelete");
        click(&ui.dialog, ok ? "cmdOK" : "cmdCancel");
        QVERIFY(!ui.dialog.isVisible());
        QCOMPARE(ui.dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
        // The edits stay either way, so the window must count them as unsaved.
        QVERIFY(ui.dialog.listChanged());
    }
    // Nothing is undone either way; OK builds the route lines, キャンセル
    // leaves them to be built from the list when the script is made.
    QCOMPARE(c.Saved, !ok);
    QCOMPARE(c.RouteCommands, ok ? added : QString());
    mgtest::ScriptedPrompt prompt;
    const QString script = GenerateScript(c, prompt);
    QCOMPARE(script.count("add ip route="), 5);
    QCOMPARE(script.count("add ip route=0.0.0.0 mask=0.0.0.0 int=ppp0 nexthop=0.0.0.0\r\n"), 1);
    QVERIFY(!script.contains("172.16.0.0"));
    QVERIFY(script.contains(added));

    // Opened and closed again without an edit: nothing to count as unsaved.
    Window untouched(c);
    click(&untouched.dialog, "cmdCancel");
    QVERIFY(!untouched.dialog.listChanged());
}

void TestFrmStaticRoute::nothingClipped()
{
    const char *widest = "255.255.255.255";
    Configuration c = withRoutes({route(widest, widest, "ppp31", widest)});
    c.TabCount = 33;
    Window ui(c);
    ui.clickRowAnd(0, "cmdEdit");
    checkNothingClipped(&ui.dialog);
}

QTEST_MAIN(TestFrmStaticRoute)
#include "tst_frmStaticRoute.moc"
