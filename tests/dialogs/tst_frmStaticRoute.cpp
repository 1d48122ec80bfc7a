#include "DialogTestKit.h"
#include "ScriptGenerator.h"
#include "frmStaticRoute.h"

#include <QComboBox>

using namespace mg;
using namespace dlgtest;

namespace {

using R = StaticRouteEntry;
using Routes = QList<R>;
const R A{"172.16.0.0", "255.255.0.0", "eth0", "192.168.1.254"}, B{"10.9.0.0", "255.255.0.0", "eth0", "192.168.1.253"};
const R C{"10.20.0.0", "255.255.0.0", "eth0", "192.168.1.1"}, Cleared{"", "", "eth0", ""};

Routes listOf(const Configuration &c) { return {c.StaticRouteList.begin(), c.StaticRouteList.begin() + c.RouteCount}; }
Configuration withRoutes(const Routes &routes)
{
    Configuration c;
    for (const R &r : routes)
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
const Routes TabRows{{"0.0.0.0", "0.0.0.0", "ppp0", "0.0.0.0"},
                     {"10.2.0.0", "255.255.0.0", "ppp1", "192.168.2.1"},
                     {"10.3.0.0", "255.255.0.0", "ppp2", "0.0.0.0"}};
// Destination 3's network via another router: a trap for a rule that lets
// its tab row pass for this entry.
const R Trap{"10.3.0.0", "255.255.0.0", "ppp2", "192.168.3.9"};

struct Window : Shown<frmStaticRoute> {
    explicit Window(Configuration &config) : Shown({}, config) {}
    QTreeWidget *list() { return get<QTreeWidget>("lvwRouteInfo"); }
    QComboBox *interfaces() { return get<QComboBox>("cboIF"); }
    void clickRowAnd(int row, const char *button) { Shown::clickRowAnd(list(), row, button); }
    void add(const R &r)
    {
        typeInto(get("txtEthernetIP"), r.IP);
        typeInto(get("txtEthernetMask"), r.Mask);
        interfaces()->setFocus();
        interfaces()->setCurrentIndex(interfaces()->findText(r.Int));
        typeInto(get("txtNextHop"), r.NextHop);
        press("cmdAdd");
    }
    R inputs()
    {
        return {get("txtEthernetIP")->text(), get("txtEthernetMask")->text(), interfaces()->currentText(),
                get("txtNextHop")->text()};
    }
    Routes shownRows()
    {
        Routes rows;
        for (int r = 0; r < list()->topLevelItemCount(); ++r)
            if (const QTreeWidgetItem *i = list()->topLevelItem(r))
                rows << R{i->text(0), i->text(1), i->text(2), i->text(3)};
        return rows;
    }
};

} // namespace

class TestFrmStaticRoute : public QObject {
    Q_OBJECT
private slots:
    void opening_data() { addRowsFromTable("route_opening.tsv", {"IP", "Mask", "Int", "NextHop", "merged"}); }
    void opening();
    void addAndEdit_data();
    void addAndEdit();
    void closeAndScript_data();
    void closeAndScript();
    void nothingClipped_data();
    void nothingClipped();
};

void TestFrmStaticRoute::opening()
{
    const R listed{cell("IP"), cell("Mask"), cell("Int"), cell("NextHop")};
    const bool merged = cell("merged") == QLatin1String("yes");

    Configuration c = withTabRoutes({A, listed, Trap, B});
    c.RouteCommands = QStringLiteral("stale\r\n");
    Window ui(c);
    Routes list = merged ? Routes{A, Trap, B} : Routes{A, listed, Trap, B};
    QCOMPARE(listOf(c), list);
    QCOMPARE(ui.shownRows(), list + TabRows);
    QCOMPARE(c.RouteCommands.isEmpty(), merged);

    // The last list row still edits its own entry.
    ui.clickRowAnd(int(list.size()) - 1, "cmdEdit");
    typeInto(ui.get("txtNextHop"), "192.168.1.250");
    ui.press("cmdAdd");
    list.last().NextHop = QStringLiteral("192.168.1.250");
    QCOMPARE(listOf(c), list);
    QCOMPARE(ui.shownRows(), list + TabRows);

    // Tab rows are changed on their tab only; the refusal ends an edit begun
    // before, and its values leave the boxes with it, so the next route is a
    // new one.
    const QString tab = QStringLiteral("この設定は、接続先タブで設定されているものです。\r\n");
    ui.clickRowAnd(0, "cmdEdit");
    ui.clickRowAnd(int(list.size()), "cmdEdit");
    expectShown(ui.prompt, tab + "この設定を編集するには、接続先タブの所で編集して下さい。", "設定の編集");
    QVERIFY(ui.get("txtEthernetIP")->text().isEmpty() && ui.get("txtNextHop")->text().isEmpty());
    ui.clickRowAnd(int(list.size()) + 2, "cmdDelete");
    expectShown(ui.prompt, tab + "この設定を削除する為には、接続先タブの経路制御のところで削除して下さい。", "経路情報の削除");
    QCOMPARE(ui.shownRows(), list + TabRows);
    ui.add(C);
    QCOMPARE(listOf(c), list << C);
}

void TestFrmStaticRoute::addAndEdit_data()
{
    addRowsFromTable("route_adding.tsv", {"list", "edit", "txtEthernetIP", "txtEthernetMask", "cboIF", "txtNextHop",
                                          "message", "title", "focus"});
}

void TestFrmStaticRoute::addAndEdit()
{
    Routes full;
    for (int i = 0; i < MaxRoutes; ++i)
        full << R{QStringLiteral("10.%1.0.0").arg(i), "255.255.0.0", "eth0", "192.168.1.254"};
    const QMap<QString, Routes> lists{{"one", {{"192.168.10.0", "255.255.255.0", "ppp0", "192.168.2.1"}}},
                                      {"full", full},
                                      {"AB", {A, B}},
                                      {"gone", {{"10.7.0.0", "255.255.0.0", "ppp3", "0.0.0.0"}}}};
    const Routes list = lists.value(cell("list"));
    const int edit = cell("edit").isEmpty() ? -1 : cell("edit").toInt();
    const R typed{cell("txtEthernetIP"), cell("txtEthernetMask"), cell("cboIF"), cell("txtNextHop")};
    const QString focus = cell("focus");

    Configuration c = withRoutes(list);
    Window ui(c);
    if (edit >= 0) {
        ui.clickRowAnd(edit, "cmdEdit");
        QCOMPARE(ui.inputs(), list[edit]);
    }
    ui.add(typed);

    Routes after = list;
    if (cell("message").isEmpty()) {
        QVERIFY(ui.prompt.shown.isEmpty());
        edit < 0 ? after.append(typed) : after.replace(edit, typed);
    } else {
        expectShown(ui.prompt, cell("message"), cell("title"));
    }
    QCOMPARE(listOf(c), after);
    QCOMPARE(ui.shownRows(), after);
    // What was stored, or refused as a duplicate, empties the boxes; a box
    // refused for its format is left to correct.
    QCOMPARE(ui.inputs(), focus.isEmpty() ? Cleared : typed);
    QLineEdit *focused = ui.get(focus.isEmpty() ? "txtEthernetIP" : qPrintable(focus));
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(focused->selectedText(), focused->text());
    // An interface kept for an edit is not offered for new routes.
    QCOMPARE(ui.interfaces()->count(), 2);
    if (after.size() == MaxRoutes)
        return;

    // No edit is left open: the next route is a new one.
    ui.add(C);
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), after << C);
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
        ui.add({"10.50.1.9", "255.255.0.0", "ppp1", "0.0.0.0"});
        QVERIFY(!c.DefaultRouteTaken);
        ui.add({"0.0.0.0", "0.0.0.0", "ppp1", "0.0.0.0"});
        QVERIFY(c.DefaultRouteTaken);
        ui.clickRowAnd(0, "cmdDelete");
        ui.press(ok ? "cmdOK" : "cmdCancel");
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
    untouched.press("cmdCancel");
    QVERIFY(!untouched.dialog.listChanged());
}

void TestFrmStaticRoute::nothingClipped_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("default font") << 0;
    QTest::newRow("large font") << 11;
}

void TestFrmStaticRoute::nothingClipped()
{
    QFETCH(int, points);
    const FontSize font(points);
    const QString widest = QStringLiteral("255.255.255.255");
    Configuration c = withRoutes({{widest, widest, "ppp31", widest}});
    c.TabCount = 33;
    Window ui(c);
    ui.clickRowAnd(0, "cmdEdit");
    checkNothingClipped(&ui.dialog);
}

QTEST_MAIN(TestFrmStaticRoute)
#include "tst_frmStaticRoute.moc"
