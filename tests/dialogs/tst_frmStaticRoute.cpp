#include "RecordingPrompt.h"
#include "ScriptGenerator.h"
#include "frmStaticRoute.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace mg;

namespace {

const QString Caption = QStringLiteral("LAN側のスタティックルートの設定");
const QString DuplicateText = QStringLiteral("この設定はすでに存在します。");

StaticRouteEntry route(const char *ip, const char *mask, const char *iface, const char *nextHop)
{
    return {QString::fromLatin1(ip), QString::fromLatin1(mask), QString::fromLatin1(iface),
            QString::fromLatin1(nextHop)};
}

using Routes = QList<StaticRouteEntry>;

Routes listOf(const Configuration &c)
{
    Routes out;
    for (int i = 0; i < c.RouteCount; ++i)
        out << c.StaticRouteList[i];
    return out;
}

const StaticRouteEntry A = route("172.16.0.0", "255.255.0.0", "eth0", "192.168.1.254");
const StaticRouteEntry B = route("10.9.0.0", "255.255.0.0", "eth0", "192.168.1.253");
const StaticRouteEntry C = route("10.20.0.0", "255.255.0.0", "eth0", "192.168.1.1");
const StaticRouteEntry DefaultPpp0 = route("0.0.0.0", "0.0.0.0", "ppp0", "0.0.0.0");

// Opens the dialog as the main window does and drives it as the operator
// would: clicks, typing, the list.
class Driver {
public:
    explicit Driver(Configuration &config) : dialog(config, prompt)
    {
        dialog.show();
        dialog.activateWindow();
        active = QTest::qWaitForWindowActive(&dialog);
    }

    QLineEdit *box(const char *name) { return dialog.findChild<QLineEdit *>(name); }
    QPushButton *button(const char *name) { return dialog.findChild<QPushButton *>(name); }
    QTreeWidget *list() { return dialog.findChild<QTreeWidget *>("lvwRouteInfo"); }
    QComboBox *interfaces() { return dialog.findChild<QComboBox *>("cboIF"); }

    void click(QWidget *widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void click(const char *buttonName) { click(button(buttonName)); }

    void clickRow(int row)
    {
        QTreeWidgetItem *item = list()->topLevelItem(row);
        QVERIFY(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
        QCoreApplication::processEvents();
    }

    void type(const char *boxName, const QString &text)
    {
        QLineEdit *b = box(boxName);
        click(b);
        b->selectAll();
        QTest::keyClick(b, Qt::Key_Backspace);
        QTest::keyClicks(b, text);
    }

    void add(const StaticRouteEntry &r)
    {
        type("txtEthernetIP", r.IP);
        type("txtEthernetMask", r.Mask);
        interfaces()->setFocus();
        interfaces()->setCurrentIndex(interfaces()->findText(r.Int));
        type("txtNextHop", r.NextHop);
        click("cmdAdd");
    }

    Routes shownRows()
    {
        Routes rows;
        for (int r = 0; r < list()->topLevelItemCount(); ++r) {
            const QTreeWidgetItem *item = list()->topLevelItem(r);
            rows << StaticRouteEntry{item->text(0), item->text(1), item->text(2), item->text(3)};
        }
        return rows;
    }

    bool inputsEmpty()
    {
        return box("txtEthernetIP")->text().isEmpty() && box("txtEthernetMask")->text().isEmpty()
            && box("txtNextHop")->text().isEmpty() && interfaces()->currentText() == QLatin1String("eth0");
    }

    // The one message shown since the last call, as a critical stop with OK.
    bool refusedWith(const QString &text, const QString &title)
    {
        const bool ok = prompt.shown.size() == 1 && prompt.shown[0].text == text && prompt.shown[0].title == title
            && prompt.shown[0].icon == MessageIcon::Critical && prompt.shown[0].buttons == MessageButtons::Ok;
        if (!ok)
            for (const auto &s : prompt.shown)
                qWarning() << "shown:" << s.text << s.title;
        prompt.shown.clear();
        return ok;
    }

    RecordingPrompt prompt;
    frmStaticRoute dialog;
    bool active = false;
};

} // namespace

Q_DECLARE_METATYPE(StaticRouteEntry)

class TestFrmStaticRoute : public QObject {
    Q_OBJECT
private slots:
    void opensWithTabRoutesMerged();
    void buttonsFollowFocus();
    void addsAndRefusesDuplicates();
    void formatErrors_data();
    void formatErrors();
    void editInPlace();
    void editKeepsInterfaceOfDeletedDestination();
    void tabRoutesRefused_data();
    void tabRoutesRefused();
    void refusesTheHundredAndFirst();
    void okAndCancel_data();
    void okAndCancel();
    void scriptShowsStoredRoutes();
    void textsFitAndScreenshot();
};

void TestFrmStaticRoute::opensWithTabRoutesMerged()
{
    Configuration c;
    c.TabCount = 4;
    c.destination(1).DefRoute = 1;
    Destination &d2 = c.destination(2);
    d2.StaticRoute = 1;
    d2.RouteIP = "10.1.0.0";
    d2.RouteNetMask = "255.255.0.0";
    d2.RouteNextHop = "192.168.2.254";
    d2.PPPIP = "192.168.2.1";
    Destination &d3 = c.destination(3);
    d3 = d2;
    d3.RouteIP = "10.3.0.0";
    d3.PPPDyn = 1;
    d3.PPPIP = "0.0.0.0";
    c.appendRoute(A);
    c.appendRoute(DefaultPpp0); // repeats destination 1's own route
    c.appendRoute(B);

    Driver ui(c);
    QVERIFY(ui.active);
    QCOMPARE(ui.dialog.windowTitle(), Caption);
    QCOMPARE(listOf(c), (Routes{A, B}));
    const Routes tabRows{DefaultPpp0, route("10.1.0.0", "255.255.0.0", "ppp1", "192.168.2.1"),
                         route("10.3.0.0", "255.255.0.0", "ppp2", "0.0.0.0")};
    QCOMPARE(ui.shownRows(), Routes({A, B}) + tabRows);
    QTreeWidgetItem *header = ui.list()->headerItem();
    QCOMPARE((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
             (QStringList{"IPｱﾄﾞﾚｽ", "ﾈｯﾄﾏｽｸ", "ｲﾝﾀｰﾌｪｰｽ", "ﾈｸｽﾄﾎｯﾌﾟ"}));
    QStringList interfaces;
    for (int i = 0; i < ui.interfaces()->count(); ++i)
        interfaces << ui.interfaces()->itemText(i);
    QCOMPARE(interfaces, (QStringList{"eth0", "ppp0", "ppp1", "ppp2"}));
    QCOMPARE(ui.interfaces()->currentText(), QStringLiteral("eth0"));

    // The row after the merged-away entry still edits its own entry, and
    // nothing lands in the unused part of the list.
    ui.clickRow(1);
    ui.click("cmdEdit");
    ui.type("txtNextHop", "192.168.1.250");
    ui.click("cmdAdd");
    const StaticRouteEntry newB = route("10.9.0.0", "255.255.0.0", "eth0", "192.168.1.250");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), (Routes{A, newB}));
    QCOMPARE(c.StaticRouteList[2], StaticRouteEntry{});
    QCOMPARE(ui.shownRows(), Routes({A, newB}) + tabRows);
}

void TestFrmStaticRoute::buttonsFollowFocus()
{
    Configuration c;
    c.appendRoute(A);
    Driver ui(c);
    QVERIFY(ui.active);

    ui.clickRow(0);
    QVERIFY(ui.list()->hasFocus());
    QVERIFY(!ui.button("cmdAdd")->isEnabled());
    QVERIFY(ui.button("cmdEdit")->isEnabled());
    QVERIFY(ui.button("cmdDelete")->isEnabled());

    ui.click(ui.box("txtNextHop"));
    QVERIFY(ui.button("cmdAdd")->isEnabled());
    QVERIFY(!ui.button("cmdEdit")->isEnabled());
    QVERIFY(!ui.button("cmdDelete")->isEnabled());

    ui.list()->setFocus();
    QVERIFY(!ui.button("cmdAdd")->isEnabled());
    QVERIFY(ui.button("cmdEdit")->isEnabled());

    // Deleting a listed route.
    ui.click("cmdDelete");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(int(c.RouteCount), 0);
    QCOMPARE(ui.list()->topLevelItemCount(), 0);
    QVERIFY(!ui.button("cmdDelete")->isEnabled());
    QVERIFY(ui.box("txtEthernetIP")->hasFocus());
}

void TestFrmStaticRoute::addsAndRefusesDuplicates()
{
    Configuration c;
    Driver ui(c);
    QVERIFY(ui.active);
    QVERIFY(!ui.button("cmdEdit")->isEnabled());
    QVERIFY(!ui.button("cmdDelete")->isEnabled());

    const StaticRouteEntry r = route("192.168.10.0", "255.255.255.0", "ppp0", "192.168.2.1");
    ui.add(r);
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), Routes{r});
    QCOMPARE(ui.shownRows(), Routes{r});
    QVERIFY(ui.inputsEmpty());
    QVERIFY(ui.box("txtEthernetIP")->hasFocus());

    // The same network with another mask the same way is a duplicate too.
    ui.add(route("192.168.10.0", "255.255.0.0", "ppp0", "192.168.2.1"));
    QVERIFY(ui.refusedWith(DuplicateText, Caption));
    QCOMPARE(listOf(c), Routes{r});
    QVERIFY(ui.inputsEmpty());
    QVERIFY(ui.box("txtEthernetIP")->hasFocus());
}

void TestFrmStaticRoute::formatErrors_data()
{
    QTest::addColumn<StaticRouteEntry>("typed");
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("faultyBox");

    QTest::newRow("address") << route("192.168.1", "255.255.255.0", "eth0", "192.168.1.1") << "IPアドレス"
                             << "txtEthernetIP";
    QTest::newRow("empty mask") << route("192.168.1.0", "", "eth0", "192.168.1.1") << "ネットマスク"
                                << "txtEthernetMask";
    QTest::newRow("next hop") << route("192.168.1.0", "255.255.255.0", "eth0", "192.168.1.256")
                              << "ネクストホップ" << "txtNextHop";
    QTest::newRow("address first") << route("1..2.3", "1", "eth0", "") << "IPアドレス" << "txtEthernetIP";
}

void TestFrmStaticRoute::formatErrors()
{
    QFETCH(StaticRouteEntry, typed);
    QFETCH(QString, fieldName);
    QFETCH(QString, faultyBox);

    Configuration c;
    Driver ui(c);
    QVERIFY(ui.active);
    ui.add(typed);

    QVERIFY(ui.refusedWith(fieldName + QStringLiteral("の形式が正しくありません。"), fieldName));
    QLineEdit *faulty = ui.box(faultyBox.toLatin1().constData());
    QVERIFY(faulty->hasFocus());
    QCOMPARE(faulty->selectedText(), faulty->text());
    QCOMPARE(int(c.RouteCount), 0);
    QCOMPARE(ui.list()->topLevelItemCount(), 0);
    QCOMPARE(ui.box("txtEthernetIP")->text(), typed.IP);
}

void TestFrmStaticRoute::editInPlace()
{
    Configuration c;
    c.appendRoute(A);
    c.appendRoute(B);
    Driver ui(c);
    QVERIFY(ui.active);

    ui.clickRow(0);
    ui.click("cmdEdit");
    QCOMPARE(ui.box("txtEthernetIP")->text(), A.IP);
    QCOMPARE(ui.box("txtEthernetMask")->text(), A.Mask);
    QCOMPARE(ui.interfaces()->currentText(), A.Int);
    QCOMPARE(ui.box("txtNextHop")->text(), A.NextHop);
    QVERIFY(ui.box("txtEthernetIP")->hasFocus());
    QVERIFY(ui.button("cmdAdd")->isEnabled());

    // Unchanged values are no duplicate of themselves.
    ui.click("cmdAdd");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), (Routes{A, B}));

    ui.clickRow(1);
    ui.click("cmdEdit");
    ui.type("txtEthernetMask", "255.255.255.0");
    ui.click("cmdAdd");
    const StaticRouteEntry narrowB = route("10.9.0.0", "255.255.255.0", "eth0", "192.168.1.253");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(listOf(c), (Routes{A, narrowB}));
    QCOMPARE(ui.shownRows(), (Routes{A, narrowB}));

    // An edit refused as a duplicate empties the boxes and ends the edit:
    // the next route typed is a new one and A survives.
    ui.clickRow(0);
    ui.click("cmdEdit");
    ui.type("txtEthernetIP", B.IP);
    ui.type("txtNextHop", B.NextHop);
    ui.click("cmdAdd");
    QVERIFY(ui.refusedWith(DuplicateText, Caption));
    QVERIFY(ui.inputsEmpty());
    ui.add(C);
    QCOMPARE(listOf(c), (Routes{A, narrowB, C}));
}

void TestFrmStaticRoute::editKeepsInterfaceOfDeletedDestination()
{
    Configuration c;
    c.appendRoute(route("10.7.0.0", "255.255.0.0", "ppp3", "0.0.0.0"));
    Driver ui(c);
    QVERIFY(ui.active);

    ui.clickRow(0);
    ui.click("cmdEdit");
    QCOMPARE(ui.interfaces()->currentText(), QStringLiteral("ppp3"));
    ui.type("txtEthernetMask", "255.255.255.0");
    ui.click("cmdAdd");
    QCOMPARE(listOf(c), Routes{route("10.7.0.0", "255.255.255.0", "ppp3", "0.0.0.0")});
    QCOMPARE(ui.interfaces()->count(), 2); // not offered for new routes
}

void TestFrmStaticRoute::tabRoutesRefused_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");

    const QString first = QStringLiteral("この設定は、接続先タブで設定されているものです。\r\n");
    const QString edit = first + QStringLiteral("この設定を編集するには、接続先タブの所で編集して下さい。");
    const QString del = first + QStringLiteral("この設定を削除する為には、接続先タブの経路制御のところで削除して下さい。");
    QTest::newRow("edit default route") << "cmdEdit" << 1 << edit << "設定の編集";
    QTest::newRow("edit unnumbered route") << "cmdEdit" << 2 << edit << "設定の編集";
    QTest::newRow("delete default route") << "cmdDelete" << 1 << del << "経路情報の削除";
    QTest::newRow("delete unnumbered route") << "cmdDelete" << 2 << del << "経路情報の削除";
}

void TestFrmStaticRoute::tabRoutesRefused()
{
    QFETCH(QString, buttonName);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, title);

    Configuration c;
    c.TabCount = 3;
    c.destination(1).DefRoute = 1;
    Destination &d2 = c.destination(2);
    d2.StaticRoute = 1;
    d2.RouteIP = "10.2.0.0";
    d2.RouteNetMask = "255.255.0.0";
    d2.RouteNextHop = "192.168.3.1";
    d2.PPPDyn = 1;
    d2.PPPIP = "0.0.0.0";
    // The same network over ppp1 via another router: a trap for a rule that
    // lets the tab row pass for this entry.
    const StaticRouteEntry listed = route("10.2.0.0", "255.255.0.0", "ppp1", "192.168.3.9");
    c.appendRoute(listed);
    const Configuration before = c;

    Driver ui(c);
    QVERIFY(ui.active);
    ui.clickRow(row);
    ui.click(buttonName.toLatin1().constData());
    QVERIFY(ui.refusedWith(text, title));
    QVERIFY(c == before);
    QCOMPARE(ui.list()->topLevelItemCount(), 3);
    QVERIFY(ui.inputsEmpty());

    // Nothing is being edited: "追加" adds a new entry.
    ui.add(C);
    QCOMPARE(listOf(c), (Routes{listed, C}));
}

void TestFrmStaticRoute::refusesTheHundredAndFirst()
{
    Configuration c;
    for (int i = 0; i < MaxRoutes; ++i)
        c.appendRoute({QStringLiteral("10.%1.0.0").arg(i), "255.255.0.0", "eth0", "192.168.1.254"});
    const Configuration full = c;
    Driver ui(c);
    QVERIFY(ui.active);

    ui.add(A);
    QVERIFY(ui.refusedWith(QStringLiteral("スタティックルートは100個までしか登録できません。"), Caption));
    QVERIFY(c == full);
    QCOMPARE(ui.list()->topLevelItemCount(), MaxRoutes);
    QCOMPARE(ui.box("txtEthernetIP")->text(), A.IP);
}

void TestFrmStaticRoute::okAndCancel_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("キャンセル") << false;
}

void TestFrmStaticRoute::okAndCancel()
{
    QFETCH(bool, ok);
    const QString lineA = QStringLiteral("add ip route=172.16.0.0 mask=255.255.0.0 int=eth0 nexthop=192.168.1.254\r\n");

    Configuration c;
    c.appendRoute(A);
    c.RouteCommands = lineA;
    Driver ui(c);
    QVERIFY(ui.active);
    ui.add(route("192.168.10.77", "255.255.255.0", "eth0", "192.168.1.253"));
    ui.click(ok ? "cmdOK" : "cmdCancel");

    QVERIFY(!ui.dialog.isVisible());
    QCOMPARE(ui.dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(int(c.RouteCount), 2); // no undo either way
    QCOMPARE(c.Saved, !ok);
    QCOMPARE(c.RouteCommands,
             ok ? lineA + "add ip route=192.168.10.0 mask=255.255.255.0 int=eth0 nexthop=192.168.1.253\r\n"
                : QString());
}

void TestFrmStaticRoute::scriptShowsStoredRoutes()
{
    Configuration c;
    c.Common.EthIP = "192.168.1.1";
    c.TabCount = 3;
    for (int n : {1, 2}) {
        c.destination(n).ISDN_Num = QStringLiteral("03-1234-000%1").arg(n);
        c.destination(n).PPPIP = QStringLiteral("192.168.%1.1").arg(n + 1);
    }
    c.destination(1).DefRoute = 1;
    c.destination(2).PPPRIP = 1;
    c.appendRoute(DefaultPpp0); // repeats destination 1's own route
    c.appendRoute(A);
    {
        Driver ui(c);
        QVERIFY(ui.active);
        ui.add(route("10.50.1.9", "255.255.0.0", "ppp1", "0.0.0.0"));
        QVERIFY(!c.DefaultRouteTaken);
        ui.add(route("0.0.0.0", "0.0.0.0", "ppp1", "0.0.0.0"));
        QVERIFY(c.DefaultRouteTaken);
        ui.clickRow(0);
        ui.click("cmdDelete");
        ui.click("cmdOK");
    }

    RecordingPrompt prompt;
    const QString script = GenerateScript(c, prompt);
    QCOMPARE(script.count("add ip route=0.0.0.0 mask=0.0.0.0 int=ppp0 nexthop=0.0.0.0\r\n"), 1);
    QVERIFY(!script.contains("172.16.0.0"));
    QVERIFY(script.contains("add ip route=10.50.0.0 mask=255.255.0.0 int=ppp1 nexthop=0.0.0.0\r\n"
                            "add ip route=0.0.0.0 mask=0.0.0.0 int=ppp1 nexthop=0.0.0.0\r\n"));
    QCOMPARE(script.count("add ip route="), 3);
}

void TestFrmStaticRoute::textsFitAndScreenshot()
{
    Configuration c;
    c.TabCount = 33;
    c.appendRoute(A);
    c.appendRoute(route("255.255.255.255", "255.255.255.255", "ppp31", "255.255.255.255"));
    Driver ui(c);
    QVERIFY(ui.active);
    for (const char *name : {"txtEthernetIP", "txtEthernetMask", "txtNextHop"})
        ui.type(name, "255.255.255.255");
    ui.interfaces()->setCurrentIndex(ui.interfaces()->count() - 1);

    for (QLabel *label : ui.dialog.findChildren<QLabel *>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    for (QPushButton *button : ui.dialog.findChildren<QPushButton *>())
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
    for (const char *name : {"txtEthernetIP", "txtEthernetMask", "txtNextHop"}) {
        QLineEdit *b = ui.box(name);
        QVERIFY2(b->contentsRect().width() >= b->fontMetrics().horizontalAdvance(b->text()), name);
    }
    QHeaderView *header = ui.list()->header();
    for (int col = 0; col < 4; ++col) {
        const QString title = ui.list()->headerItem()->text(col);
        const QString widest = col == 2 ? QStringLiteral("ppp31") : QStringLiteral("255.255.255.255");
        QVERIFY2(header->sectionSize(col) >= header->fontMetrics().horizontalAdvance(title), qPrintable(title));
        QVERIFY2(header->sectionSize(col) >= ui.list()->fontMetrics().horizontalAdvance(widest), qPrintable(title));
    }
    const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(ui.dialog.grab().save(dir + QStringLiteral("/frmStaticRoute.png")));
}

QTEST_MAIN(TestFrmStaticRoute)
#include "tst_frmStaticRoute.moc"
