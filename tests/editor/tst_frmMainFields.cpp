// The fields of the editor window: what each box lets through, what each
// check box and list switches on and off, the copies between fields, the
// paste routes that must find nothing, the focus rules and the change mark.

#include "InputGuard.h"
#include "WindowFakes.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using namespace mg;

namespace {
const QColor Grey(0xB4, 0xB4, 0xB4);
const QColor White(Qt::white);
} // namespace

class TestFrmMainFields : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<ScriptedFileDialog> files;
    std::unique_ptr<MemorySettings> settings;
    std::unique_ptr<frmMain> w;

    QWidget *control(const QString &name) { return w->findChild<QWidget *>(name); }
    QLineEdit *edit(const QString &name)
    {
        QWidget *c = control(name);
        if (auto *combo = qobject_cast<QComboBox *>(c))
            return combo->lineEdit();
        return qobject_cast<QLineEdit *>(c);
    }
    void clickTab(int tab)
    {
        QTest::mouseClick(w->tabConfig, Qt::LeftButton, {}, w->tabConfig->tabRect(tab - 1).center());
    }
    // Shows the page of `name` and switches on whatever the box depends on,
    // so that the operator can type into it.
    QLineEdit *reachable(const QString &name)
    {
        QLineEdit *box = edit(name);
        const bool destination = w->tabPosition(box) >= 25;
        if (destination && w->selectedTab() == 1)
            clickTab(2);
        if (!destination && w->selectedTab() != 1)
            clickTab(1);
        w->chkDHCPSrv->setChecked(true);
        w->chkAutoHash[0]->setChecked(true);
        w->chkAutoHash[1]->setChecked(true);
        w->chkCallBack->setChecked(true);
        w->chkPPPAuth->setChecked(true);
        w->chkStaticRoute->setChecked(true);
        w->cboType->setCurrentIndex(1);
        box->setFocus();
        box->clear();
        return box;
    }
    int refusalsWhile(QLineEdit *box, const std::function<void()> &action)
    {
        auto *guard = box->findChild<InputGuard *>();
        if (!guard)
            return -1;
        QSignalSpy spy(guard, &InputGuard::refused);
        action();
        return int(spy.count());
    }
    // As after a save: nothing left to save.
    void markSaved()
    {
        w->configuration().Saved = true;
        w->cmdSave->setEnabled(false);
    }

private slots:
    void init();
    void cleanup();

    void filterClasses_data();
    void filterClasses();
    void lengthLimits_data();
    void lengthLimits();
    void selectionRule_data();
    void selectionRule();
    void idleTimerOffOnlyFromList();

    void checkBoxRules_data();
    void checkBoxRules();
    void defaultAndStaticRoute();
    void defaultRouteTakenElsewhere();
    void rulesFollowShownDestination();
    void typeRule_data();
    void typeRule();
    void bodButton_data();
    void bodButton();
    void autoTimerOnLeasedLine();
    void copiesToDhcpFields();
    void portExclusivity_data();
    void portExclusivity();

    void pasteAttempts_data();
    void pasteAttempts();
    void dropAndMiddleButton();
    void inputMethod_data();
    void inputMethod();

    void focusOnEnteringTab();
    void tabStaysOnVisiblePage_data();
    void tabStaysOnVisiblePage();
    void tabOutOfLastCommonField();

    void markChanged_data();
    void markChanged();
};

void TestFrmMainFields::init()
{
    messages = std::make_unique<ScriptedMessages>();
    files = std::make_unique<ScriptedFileDialog>();
    settings = std::make_unique<MemorySettings>();
    w = std::make_unique<frmMain>(*messages, *files, *settings, nullptr);
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
}

void TestFrmMainFields::cleanup()
{
    w.reset();
}

void TestFrmMainFields::filterClasses_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("refused");

    QTest::newRow("address") << "txtEtherIP" << "192.168.1.1a -" << "192.168.1.1" << 3;
    QTest::newRow("address, next hop") << "txtNextHop" << "10.0.0.x1" << "10.0.0.1" << 1;
    QTest::newRow("address, route mask") << "txtRouteNetMask" << "255.0/0.0" << "255.00.0" << 1;
    QTest::newRow("phone") << "txtISDNNum" << "03-12a34.5" << "03-12345" << 2;
    QTest::newRow("phone, subscriber") << "txtNumber" << "1-2x" << "1-2" << 1;
    QTest::newRow("digits") << "txtLease" << "36-00a" << "3600" << 2;
    QTest::newRow("digits, idle timer") << "cboIdleTimer" << "1 2." << "12" << 2;
    QTest::newRow("name") << "txtUsername" << "ab c?d\"e!~" << "abcde!~" << 3;
    QTest::newRow("name, full-width") << "txtAuthUserPass" << "pa\u3042ss\u00e9" << "pass" << 2;
    QTest::newRow("password, enter") << "txtUserPass" << "x\ry\x1bz" << "xyz" << 2;
}

void TestFrmMainFields::filterClasses()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, refused);
    QLineEdit *target = reachable(box);
    QVERIFY(target->isEnabled());
    const int count = refusalsWhile(target, [&] {
        for (QChar c : typed) {
            if (c.unicode() < 128) {
                QTest::keyClick(target, char(c.unicode()));
            } else {
                // Characters no key of the test keyboard types arrive as text.
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(target, &press);
            }
        }
    });
    QCOMPARE(target->text(), expected);
    QCOMPARE(count, refused);
}

void TestFrmMainFields::lengthLimits_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("limit");
    QTest::addColumn<char>("key");
    QTest::newRow("address") << "txtEtherIP" << 15 << '1';
    QTest::newRow("phone") << "txtISDNNum" << 31 << '1';
    QTest::newRow("spare number") << "txtAltNum" << 31 << '-';
    QTest::newRow("subscriber") << "txtNumber" << 6 << '1';
    QTest::newRow("dial-in") << "txtDialIn" << 6 << '2';
    QTest::newRow("lease") << "txtLease" << 9 << '9';
    QTest::newRow("callback") << "txtCbdelay" << 3 << '4';
    QTest::newRow("auto timer 0") << "txtAutoTimer(0)" << 2 << '5';
    QTest::newRow("auto timer 1") << "txtAutoTimer(1)" << 2 << '5';
    QTest::newRow("address count") << "txtIPNumber" << 3 << '1';
    QTest::newRow("idle timer") << "cboIdleTimer" << 9 << '7';
    QTest::newRow("user name") << "txtUsername" << 64 << 'u';
    QTest::newRow("password") << "txtUserPass" << 64 << 'p';
    QTest::newRow("peer name") << "txtAuthUserName" << 64 << 'n';
    QTest::newRow("peer password") << "txtAuthUserPass" << 32 << 'q';
}

void TestFrmMainFields::lengthLimits()
{
    QFETCH(QString, box);
    QFETCH(int, limit);
    QFETCH(char, key);
    QLineEdit *target = reachable(box);
    const int refused = refusalsWhile(target, [&] {
        for (int i = 0; i <= limit; ++i)
            QTest::keyClick(target, key);
    });
    QCOMPARE(target->text().size(), limit);
    QCOMPARE(refused, 1);
    QTest::keyClick(target, Qt::Key_Backspace);
    QCOMPARE(target->text().size(), limit - 1);
    QTest::keyClick(target, key);
    QCOMPARE(target->text().size(), limit);
}

void TestFrmMainFields::selectionRule_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");

    QTest::newRow("letter over whole address") << "txtEtherIP" << "192.168.0.1" << 0 << 11 << int('a') << "";
    QTest::newRow("digit over part of address") << "txtEtherIP" << "192.168.0.1" << 4 << 3 << int('5') << "5";
    QTest::newRow("backspace over selection") << "txtRouter" << "10.0.0.1" << 0 << 2 << int(Qt::Key_Backspace) << "";
    QTest::newRow("digit over full address") << "txtIP" << "255.255.255.255" << 0 << 15 << int('7') << "7";
    QTest::newRow("next hop") << "txtNextHop" << "10.1.1.1" << 3 << 1 << int('9') << "9";
    QTest::newRow("phone") << "txtISDNNum" << "03-1234" << 0 << 2 << int('-') << "-";
    QTest::newRow("auto timer") << "txtAutoTimer(0)" << "12" << 0 << 1 << int('3') << "3";
    // Boxes without the rule keep the full-box refusal.
    QTest::newRow("address count, no rule") << "txtIPNumber" << "123" << 0 << 3 << int('4') << "123";
    QTest::newRow("user name, no rule") << "txtUsername" << "abc" << 0 << 3 << int('d') << "d";
}

void TestFrmMainFields::selectionRule()
{
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, selectFrom);
    QFETCH(int, selectLength);
    QFETCH(int, key);
    QFETCH(QString, after);
    QLineEdit *target = reachable(box);
    target->setText(before);
    target->setSelection(selectFrom, selectLength);
    if (key == Qt::Key_Backspace)
        QTest::keyClick(target, Qt::Key_Backspace);
    else
        QTest::keyClick(target, char(key));
    QCOMPARE(target->text(), after);
}

void TestFrmMainFields::idleTimerOffOnlyFromList()
{
    clickTab(2);
    QLineEdit *line = w->cboIdleTimer->lineEdit();
    line->setFocus();
    line->clear();
    QTest::keyClicks(line, QStringLiteral("OFF"));
    QVERIFY(line->text().isEmpty());
    w->cboIdleTimer->setCurrentIndex(1);
    QCOMPARE(w->cboIdleTimer->currentText(), QStringLiteral("OFF"));
    clickTab(1);
    QCOMPARE(w->configuration().destination(1).Idle, QStringLiteral("OFF"));
}

void TestFrmMainFields::checkBoxRules_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("dependents");
    QTest::addColumn<bool>("enabledWhenChecked");
    QTest::newRow("DHCP server") << "chkDHCPSrv"
                                 << QStringList({"txtLease", "txtDHCPSubnet", "txtRouter", "txtDNSServer",
                                                 "txtIP", "txtIPNumber"})
                                 << true;
    QTest::newRow("peer authentication") << "chkPPPAuth"
                                         << QStringList({"txtAuthUserName", "txtAuthUserPass", "cboPPPAuth"})
                                         << true;
    QTest::newRow("dynamic address") << "chkPPPDyn" << QStringList({"txtPPPIP", "txtPPPNetMask"}) << false;
    QTest::newRow("callback") << "chkCallBack" << QStringList({"txtCbdelay"}) << true;
    QTest::newRow("auto hash 0") << "chkAutoHash(0)" << QStringList({"txtAutoTimer(0)"}) << true;
    QTest::newRow("auto hash 1") << "chkAutoHash(1)" << QStringList({"txtAutoTimer(1)"}) << true;
    QTest::newRow("static route") << "chkStaticRoute"
                                  << QStringList({"txtRouteIP", "txtRouteNetMask", "txtNextHop"}) << true;
}

void TestFrmMainFields::checkBoxRules()
{
    QFETCH(QString, box);
    QFETCH(QStringList, dependents);
    QFETCH(bool, enabledWhenChecked);
    auto *check = qobject_cast<QCheckBox *>(control(box));
    QVERIFY(check);
    if (w->tabPosition(check) >= 25)
        clickTab(2);
    QMap<QString, QString> texts;
    for (const QString &name : dependents) {
        QCOMPARE(control(name)->isEnabled(), !enabledWhenChecked);
        if (QLineEdit *e = edit(name); e && name != QLatin1String("cboPPPAuth")) {
            QSignalBlocker quiet(e);
            e->setText(QStringLiteral("1"));
            texts.insert(name, e->text());
        }
    }
    for (bool checked : {true, false}) {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
        QCOMPARE(check->isChecked(), checked);
        const bool enabled = checked == enabledWhenChecked;
        for (const QString &name : dependents) {
            QWidget *dependent = control(name);
            QVERIFY2(dependent->isEnabled() == enabled, qPrintable(name));
            QCOMPARE(dependent->palette().color(QPalette::Base), enabled ? White : Grey);
        }
        for (auto it = texts.begin(); it != texts.end(); ++it)
            QCOMPARE(edit(it.key())->text(), it.value());
    }
    if (box == QLatin1String("chkStaticRoute"))
        QVERIFY(w->chkDefault->isEnabled());
}

void TestFrmMainFields::defaultAndStaticRoute()
{
    clickTab(2);
    w->chkStaticRoute->setChecked(true);
    QVERIFY(!w->chkDefault->isEnabled());
    w->chkStaticRoute->setChecked(false);
    QVERIFY(w->chkDefault->isEnabled());

    w->chkDefault->setChecked(true);
    QVERIFY(!w->chkStaticRoute->isEnabled());
    QVERIFY(!w->txtRouteIP->isEnabled());
    QVERIFY(!w->txtRouteNetMask->isEnabled());
    w->chkDefault->setChecked(false);
    QVERIFY(w->chkStaticRoute->isEnabled());
    QVERIFY(!w->txtRouteIP->isEnabled());
}

void TestFrmMainFields::defaultRouteTakenElsewhere()
{
    w->mnuConnectAdd->trigger();
    clickTab(2);
    w->chkDefault->setChecked(true);
    clickTab(3);
    QVERIFY(w->configuration().DefaultRouteTaken);
    QVERIFY(!w->chkDefault->isEnabled());
    w->chkStaticRoute->setChecked(true);
    w->chkStaticRoute->setChecked(false);
    QVERIFY(!w->chkDefault->isEnabled());
    // The destination that carries it may still give it up.
    clickTab(2);
    QVERIFY(w->chkDefault->isChecked());
    QVERIFY(w->chkDefault->isEnabled());
}

void TestFrmMainFields::rulesFollowShownDestination()
{
    // A destination shown after one with a static route still offers its
    // default route to be switched off.
    w->mnuConnectAdd->trigger();
    Configuration &c = w->configuration();
    c.destination(1).StaticRoute = 1;
    c.destination(1).RouteIP = QStringLiteral("10.0.0.0");
    c.destination(2).DefRoute = 1;
    c.destination(2).Authentication = 1;
    c.DefaultRouteTaken = true;
    clickTab(2);
    QVERIFY(w->txtRouteIP->isEnabled());
    QVERIFY(!w->chkDefault->isEnabled());
    QVERIFY(!w->txtAuthUserName->isEnabled());
    clickTab(3);
    QVERIFY(w->chkDefault->isChecked());
    QVERIFY(w->chkDefault->isEnabled());
    QVERIFY(!w->chkStaticRoute->isEnabled());
    QVERIFY(!w->txtRouteIP->isEnabled());
    QVERIFY(w->txtAuthUserName->isEnabled());
    QCOMPARE(w->txtAuthUserName->palette().color(QPalette::Base), White);
}

void TestFrmMainFields::typeRule_data()
{
    QTest::addColumn<int>("connect");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("dynamic");
    QTest::newRow("dial-up LAN") << 0 << 0 << false;
    QTest::newRow("dial-up terminal") << 0 << 1 << true;
    QTest::newRow("leased terminal") << 1 << 1 << false;
}

void TestFrmMainFields::typeRule()
{
    QFETCH(int, connect);
    QFETCH(int, type);
    QFETCH(bool, dynamic);
    w->cboConnect->setCurrentIndex(connect);
    clickTab(2);
    w->cboType->setCurrentIndex(1 - type);
    w->cboType->setCurrentIndex(type);
    QCOMPARE(w->chkPPPDyn->text(), dynamic ? QStringLiteral("動的アドレス割り当てを使用")
                                           : QStringLiteral("アンナンバードI/Fを使用"));
    QCOMPARE(w->chkRIPPPP->isEnabled(), !dynamic);
    QCOMPARE(w->txtAltNum->isEnabled(), dynamic);
}

void TestFrmMainFields::bodButton_data()
{
    QTest::addColumn<int>("connect");
    QTest::addColumn<int>("mp");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("dial-up, BOD") << 0 << 1 << true;
    QTest::newRow("dial-up, none") << 0 << 0 << false;
    QTest::newRow("dial-up, both B") << 0 << 2 << false;
    QTest::newRow("leased, BOD") << 2 << 1 << false;
}

void TestFrmMainFields::bodButton()
{
    QFETCH(int, connect);
    QFETCH(int, mp);
    QFETCH(bool, enabled);
    w->cboConnect->setCurrentIndex(connect);
    clickTab(2);
    w->cboMP->setCurrentIndex(mp == 1 ? 2 : 1);
    w->cboMP->setCurrentIndex(mp);
    QCOMPARE(w->cmdBOD->isEnabled(), enabled);
}

void TestFrmMainFields::autoTimerOnLeasedLine()
{
    w->chkAutoHash[0]->setChecked(true);
    QVERIFY(w->txtAutoTimer[0]->isEnabled());
    for (int leased : {1, 2}) {
        w->cboConnect->setCurrentIndex(leased);
        QVERIFY(!w->txtAutoTimer[0]->isEnabled());
        w->cmdClear_Click();   // dial-up again, hash off
        w->cboConnect->setCurrentIndex(leased);
        w->chkAutoHash_Click(0);
        QVERIFY(!w->txtAutoTimer[0]->isEnabled());
        w->cboConnect->setCurrentIndex(0);
        w->chkAutoHash[0]->setChecked(true);
    }
}

void TestFrmMainFields::copiesToDhcpFields()
{
    QVERIFY(!w->chkDHCPSrv->isChecked());
    w->txtEtherIP->setFocus();
    QTest::keyClicks(w->txtEtherIP, QStringLiteral("192.168.1.1"));
    QCOMPARE(w->txtRouter->text(), QStringLiteral("192.168.1.1"));
    w->txtEthernetMask->setFocus();
    w->txtEthernetMask->selectAll();
    QTest::keyClicks(w->txtEthernetMask, QStringLiteral("255.255.0.0"));
    QCOMPARE(w->txtDHCPSubnet->text(), QStringLiteral("255.255.0.0"));

    // What the operator typed there is overwritten by the next change.
    w->chkDHCPSrv->setChecked(true);
    w->txtRouter->setFocus();
    w->txtRouter->selectAll();
    QTest::keyClicks(w->txtRouter, QStringLiteral("192.168.1.254"));
    QCOMPARE(w->configuration().Common.DHCP_Router, QStringLiteral("192.168.1.254"));
    w->txtEtherIP->setFocus();
    QTest::keyClick(w->txtEtherIP, Qt::Key_Backspace);
    QCOMPARE(w->txtRouter->text(), QStringLiteral("192.168.1."));
    QCOMPARE(w->configuration().Common.DHCP_Router, QStringLiteral("192.168.1."));
}

void TestFrmMainFields::portExclusivity_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("subscriber to 1") << 0 << 1 << 1 << 0;
    QTest::newRow("dial-in to 0") << 1 << 0 << 1 << 0;
    QTest::newRow("subscriber back to 0") << 0 << 0 << 0 << 1;
}

void TestFrmMainFields::portExclusivity()
{
    QFETCH(int, port);
    QFETCH(int, choice);
    QFETCH(int, first);
    QFETCH(int, second);
    if (choice == 0)
        w->cboAnalog[port]->setCurrentIndex(1);
    markSaved();
    QComboBox *combo = w->cboAnalog[port];
    combo->setFocus();
    QTest::keyClick(combo, choice == 1 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(combo->currentIndex(), choice);
    QCOMPARE(w->cboAnalog[0]->currentIndex(), first);
    QCOMPARE(w->cboAnalog[1]->currentIndex(), second);
    QCOMPARE(w->configuration().Common.ANALOG1, int16(first));
    QCOMPARE(w->configuration().Common.ANALOG2, int16(second));
    QVERIFY(!w->configuration().Saved);
}

void TestFrmMainFields::pasteAttempts_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("address") << "txtEtherIP";
    QTest::newRow("phone") << "txtISDNNum";
    QTest::newRow("name") << "txtUsername";
    QTest::newRow("idle timer") << "cboIdleTimer";
    QTest::newRow("next hop") << "txtNextHop";
}

void TestFrmMainFields::pasteAttempts()
{
    QFETCH(QString, box);
    QLineEdit *target = reachable(box);
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("1 2?x"));

    const int refused = refusalsWhile(target, [&] {
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Insert, Qt::ShiftModifier);
    });
    QCOMPARE(target->text(), QString());
    QCOMPARE(refused, 2);

    // A right-button press empties the clipboard before the context menu
    // could offer to paste it.
    QTest::mousePress(target, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(target, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(clipboard->text().isEmpty());
    if (clipboard->supportsSelection())
        QVERIFY(clipboard->text(QClipboard::Selection).isEmpty());
    target->paste();   // what the context menu's paste does
    QCOMPARE(target->text(), QString());
}

void TestFrmMainFields::dropAndMiddleButton()
{
    QLineEdit *target = w->txtEtherIP;
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    if (QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(QStringLiteral("abc"), QClipboard::Selection);
    QTest::mouseClick(target, Qt::MiddleButton, {}, QPoint(5, 5));
    QCOMPARE(target->text(), QString());

    QMimeData data;
    data.setText(QStringLiteral("x.y"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(target->text(), QString());
    QVERIFY(!target->acceptDrops());
}

void TestFrmMainFields::inputMethod_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("enabled");
    for (const char *off : {"txtEtherIP", "txtSyslog", "txtLease", "txtIPNumber", "txtNumber", "txtISDNNum",
                            "txtUsername", "txtUserPass", "txtAuthUserPass", "txtRouteIP", "cboIdleTimer"})
        QTest::newRow(off) << off << false;
    for (const char *on : {"txtCbdelay", "txtAutoTimer(0)", "txtAutoTimer(1)", "txtNextHop"})
        QTest::newRow(on) << on << true;
}

void TestFrmMainFields::inputMethod()
{
    QFETCH(QString, box);
    QFETCH(bool, enabled);
    QLineEdit *target = reachable(box);
    QCOMPARE(target->testAttribute(Qt::WA_InputMethodEnabled), enabled);
    // Whatever an input method would commit never gets past the filters.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("１２３"));
    QApplication::sendEvent(target, &commit);
    QCOMPARE(target->text(), QString());
}

void TestFrmMainFields::focusOnEnteringTab()
{
    // Posted focus moves must not undo where entering a tab put the focus.
    auto focusAfterEvents = [] {
        QTest::qWait(20);
        return QApplication::focusWidget();
    };
    clickTab(2);
    QCOMPARE(focusAfterEvents(), static_cast<QWidget *>(w->cboType));
    clickTab(1);
    QCOMPARE(focusAfterEvents(), static_cast<QWidget *>(w->cboConnect));
    w->cboConnect->setCurrentIndex(1);
    clickTab(2);
    QCOMPARE(focusAfterEvents(), static_cast<QWidget *>(w->txtUsername));
    clickTab(1);
    QCOMPARE(focusAfterEvents(), static_cast<QWidget *>(w->cboConnect));
}

void TestFrmMainFields::tabStaysOnVisiblePage_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("backwards");
    QTest::newRow("common, Tab") << 1 << false;
    QTest::newRow("common, Shift+Tab") << 1 << true;
    QTest::newRow("destination, Tab") << 2 << false;
    QTest::newRow("destination, Shift+Tab") << 2 << true;
}

void TestFrmMainFields::tabStaysOnVisiblePage()
{
    QFETCH(int, tab);
    QFETCH(bool, backwards);
    w->chkDHCPSrv->setChecked(true);
    w->chkAutoHash[1]->setChecked(true);
    if (tab == 2)
        clickTab(2);
    const int first = tab == 1 ? 0 : 25;
    const int last = tab == 1 ? 24 : 50;
    w->cmdGen->setFocus();
    QSet<int> visited;
    for (int i = 0; i < 70; ++i) {
        QWidget *from = QApplication::focusWidget();
        QTest::keyClick(from, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QCoreApplication::processEvents();
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now);
        QVERIFY2(now->isVisible(), qPrintable(now->objectName()));
        const int position = w->tabPosition(now);
        if (position != frmMain::TabPositionNone && position < 51)
            QVERIFY2(position >= first && position <= last, qPrintable(now->objectName()));
        visited.insert(position);
    }
    // The walk reached the page and every button (cmdSave is on: the
    // check boxes above changed the configuration).
    for (int p : {51, 52, 53, 54})
        QVERIFY2(visited.contains(p), qPrintable(QString::number(p)));
    QVERIFY(visited.contains(first));
}

void TestFrmMainFields::tabOutOfLastCommonField()
{
    w->chkAutoHash[1]->setChecked(true);
    w->txtAutoTimer[1]->setFocus();
    QTest::keyClick(w->txtAutoTimer[1], Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->cmdGen));
    QCOMPARE(w->txtAutoTimer[1]->text(), QStringLiteral("5"));
}

void TestFrmMainFields::markChanged_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"txtEtherIP", "txtEthernetMask", "txtSyslog", "txtIP", "txtIPNumber", "txtDHCPSubnet", "txtRouter",
          "txtDNSServer", "txtLease", "txtNumber", "txtDialIn", "txtAutoTimer(0)", "txtAutoTimer(1)",
          "txtISDNNum", "txtAltNum", "txtCbdelay", "txtUsername", "txtUserPass", "txtAuthUserName",
          "txtAuthUserPass", "txtPPPIP", "txtPPPNetMask", "txtRouteIP", "txtRouteNetMask", "txtNextHop",
          "cboIdleTimer", "cboConnect", "cboType", "cboComp", "cboPPPAuth", "cboAnalog(0)", "cboAnalog(1)",
          "cboMP", "chkFilter", "chkGrobal", "chkRIPEther", "chkRIPPPP", "chkVJC", "chkLQR", "chkDHCPSrv",
          "chkPPPAuth", "chkPPPDyn", "chkCallBack", "chkAutoHash(0)", "chkAutoHash(1)", "chkStaticRoute",
          "chkDefault"})
        QTest::newRow(name) << name;
}

void TestFrmMainFields::markChanged()
{
    QFETCH(QString, name);
    QWidget *target = control(name);
    QVERIFY(target);
    if (qobject_cast<QLineEdit *>(target) || name == QLatin1String("cboIdleTimer"))
        reachable(name);
    else if (w->tabPosition(target) >= 25)
        clickTab(2);
    w->chkPPPAuth->setChecked(true);
    markSaved();
    QVERIFY(!w->cmdSave->isEnabled());
    w->mnuFile->popup(QPoint(0, 0));
    QVERIFY(!w->mnuFileWrite->isEnabled());
    w->mnuFile->hide();

    if (auto *check = qobject_cast<QCheckBox *>(target)) {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    } else if (auto *combo = qobject_cast<QComboBox *>(target); combo && !combo->isEditable()) {
        combo->setFocus();
        QTest::keyClick(combo, combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up);
    } else {
        QLineEdit *box = edit(name);
        box->setFocus();
        box->end(false);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, '1');
    }
    QVERIFY(!w->configuration().Saved);
    QVERIFY(w->cmdSave->isEnabled());
    w->mnuFile->popup(QPoint(0, 0));
    QVERIFY(w->mnuFileWrite->isEnabled());
    w->mnuFile->hide();
}

QTEST_MAIN(TestFrmMainFields)
#include "tst_frmMainFields.moc"
