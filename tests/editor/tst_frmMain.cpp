// The editor window as the operator drives it: start-up, the File, 接続先 and
// オプション menus, exit, and the destination tabs.

#include "RcfFile.h"
#include "SingleInstance.h"
#include "WindowFakes.h"
#include "frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;

namespace {

const QString AppTitle = QStringLiteral("Quillmark KV700 Marrowgate");

StaticRouteEntry route(const QString &face)
{
    return {QStringLiteral("10.0.0.0"), QStringLiteral("255.0.0.0"), face, QStringLiteral("0.0.0.0")};
}

EnatEntry enat(const QString &face, int16 type = 1)
{
    EnatEntry e;
    e.PrivateIP = QStringLiteral("192.168.1.0");
    e.PrivateMask = QStringLiteral("255.255.255.0");
    e.GlobalInterFace = face;
    e.NATType = type;
    return e;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<ScriptedFileDialog> files;
    std::unique_ptr<MemorySettings> settings;
    std::unique_ptr<ControlledChecks> checks;
    std::unique_ptr<frmMain> w;

    template <typename T> T *find(const QString &name)
    {
        T *control = w->findChild<T *>(name);
        if (!control)
            qWarning("no control %s", qPrintable(name));
        return control;
    }
    QStringList captions() const
    {
        QStringList list;
        for (int i = 0; i < w->tabConfig->count(); ++i)
            list << w->tabConfig->tabText(i);
        return list;
    }
    void clickTab(int tab)
    {
        QTabBar *bar = w->tabConfig;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab - 1).center());
    }
    void addDestinations(int count)
    {
        for (int i = 0; i < count; ++i)
            w->mnuConnectAdd->trigger();
    }
    void type(const QString &name, const QString &text)
    {
        auto *box = find<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    bool fileMenuOffersWrite()
    {
        w->mnuFile->popup(QPoint(0, 0));
        const bool enabled = w->mnuFileWrite->isEnabled();
        w->mnuFile->hide();
        return enabled;
    }
    bool closeWindow()
    {
        w->show();
        return w->close();
    }
    void showActive()
    {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }

private slots:
    void init();
    void cleanup();

    void startState();
    void initialControls_data();
    void initialControls();
    void installDirectory_data();
    void installDirectory();
    void fileMenuFollowsSaved();
    void versionMessage();

    void newWithFiveDestinations();
    void newAnswers_data();
    void newAnswers();
    void openMoreOrFewerDestinations_data();
    void openMoreOrFewerDestinations();
    void openSelectedTabBeyondFile();
    void openCancelledKeepsEverything_data();
    void openCancelledKeepsEverything();
    void saveRemembersNameAndDisablesSave();

    void fileMenuSaveChecksFirst_data();
    void fileMenuSaveChecksFirst();
    void exitWithoutChanges();
    void exitAnswers_data();
    void exitAnswers();
    void exitYesThenCancelSaveDialog();

    void addUpTo32();
    void addRefusedOnLeasedLine();
    void deleteMenuEnabling_data();
    void deleteMenuEnabling();
    void deleteRenumbers();
    void deleteDefaultRouteReleasesIt();
    void deleteRefusals_data();
    void deleteRefusals();
    void addAndDeleteAreChanges_data();
    void addAndDeleteAreChanges();
    void shortcutsFromTextBox();

    void destinationsKeepTheirValues();
    void failedTabCheckKeepsTab();
    void leavingLanTabRemovesAutomaticEnat();
    void leasedLineTrimsTabs();
    void leasedLineDestinationPage();
    void clearOnlyTouchesVisiblePage();
    void listDialogsMarkChanged_data();
    void listDialogsMarkChanged();
    void commonPageMirrorsModel();

    void singleInstance();
    void staleLockRecovered();

    void screenshots();
};

void TestFrmMain::init()
{
    messages = std::make_unique<ScriptedMessages>();
    files = std::make_unique<ScriptedFileDialog>();
    settings = std::make_unique<MemorySettings>();
    checks = std::make_unique<ControlledChecks>();
    w = std::make_unique<frmMain>(*messages, *files, *settings, checks.get());
}

void TestFrmMain::cleanup()
{
    w.reset();
}

void TestFrmMain::startState()
{
    QCOMPARE(w->windowTitle(), AppTitle);
    QCOMPARE(captions(), QStringList({QStringLiteral("共通設定"), QStringLiteral("接続先１")}));
    QCOMPARE(w->selectedTab(), 1);
    QCOMPARE(w->pages->currentWidget(), find<QFrame>(QStringLiteral("fraConfig(0)")));
    QVERIFY(find<QFrame>(QStringLiteral("fraConfig(1)")));
    QVERIFY(w->configuration().Saved);
    QCOMPARE(w->configuration().TabCount, int16(2));
    QCOMPARE(w->configuration().CurrentTab, int16(1));
    QVERIFY(!w->configuration().DefaultRouteTaken);
    QVERIFY(!find<QPushButton>(QStringLiteral("cmdSave"))->isEnabled());
    QVERIFY(!fileMenuOffersWrite());
    QVERIFY(!w->mnuFilePrint->isVisible());
    QVERIFY(!w->mnuFilePrint->isEnabled());
    QVERIFY(!w->mnuOptionTrans->isEnabled());
    QCOMPARE(w->mnuConnectAdd->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    QCOMPARE(w->mnuConnectDel->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    QCOMPARE(w->mnuFile->title(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(w->mnuConnect->title(), QStringLiteral("接続先(&C)"));
    QCOMPARE(w->mnuOption->title(), QStringLiteral("オプション(&O)"));
    // The destination records start as at program start: no mask yet.
    QVERIFY(w->configuration().destination(1).PPPMask.isEmpty());
    // The buttons close the tab order in this order.
    QCOMPARE(w->tabPosition(w->cmdGen), 51);
    QCOMPARE(w->tabPosition(w->cmdCancel), 54);
    QCOMPARE(w->tabPosition(w->cboType), 25);
    QCOMPARE(w->tabPosition(w->cmdBOD), 50);
    QVERIFY(messages->shown.isEmpty());
}

void TestFrmMain::initialControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("value");   // text, list item or "checked"/"unchecked"

    QTest::newRow("cboConnect") << "cboConnect" << true << "ダイヤルアップ接続(ISDN)";
    QTest::newRow("txtEtherIP") << "txtEtherIP" << true << "";
    QTest::newRow("txtEthernetMask") << "txtEthernetMask" << true << "255.255.255.0";
    QTest::newRow("chkRIPEther") << "chkRIPEther" << true << "unchecked";
    QTest::newRow("chkDHCPSrv") << "chkDHCPSrv" << true << "unchecked";
    QTest::newRow("txtLease") << "txtLease" << false << "3600";
    QTest::newRow("txtDHCPSubnet") << "txtDHCPSubnet" << false << "255.255.255.0";
    QTest::newRow("txtRouter") << "txtRouter" << false << "";
    QTest::newRow("txtDNSServer") << "txtDNSServer" << false << "";
    QTest::newRow("txtIP") << "txtIP" << false << "";
    QTest::newRow("txtIPNumber") << "txtIPNumber" << false << "";
    QTest::newRow("cboAnalog(0)") << "cboAnalog(0)" << true << "0";
    QTest::newRow("cboAnalog(1)") << "cboAnalog(1)" << true << "1";
    QTest::newRow("chkAutoHash(0)") << "chkAutoHash(0)" << true << "unchecked";
    QTest::newRow("txtAutoTimer(0)") << "txtAutoTimer(0)" << false << "5";
    QTest::newRow("txtAutoTimer(1)") << "txtAutoTimer(1)" << false << "5";
    QTest::newRow("cboType") << "cboType" << true << "LAN型";
    QTest::newRow("txtAltNum") << "txtAltNum" << false << "";
    QTest::newRow("txtCbdelay") << "txtCbdelay" << false << "41";
    QTest::newRow("cboComp") << "cboComp" << true << "使用しない";
    QTest::newRow("cboIdleTimer") << "cboIdleTimer" << true << "60";
    QTest::newRow("chkLQR") << "chkLQR" << true << "checked";
    QTest::newRow("cboPPPAuth") << "cboPPPAuth" << false << "CHAP";
    QTest::newRow("txtAuthUserName") << "txtAuthUserName" << false << "";
    QTest::newRow("txtAuthUserPass") << "txtAuthUserPass" << false << "";
    QTest::newRow("chkPPPDyn") << "chkPPPDyn" << true << "unchecked";
    QTest::newRow("txtPPPNetMask") << "txtPPPNetMask" << true << "255.255.255.0";
    QTest::newRow("chkDefault") << "chkDefault" << true << "unchecked";
    QTest::newRow("txtRouteIP") << "txtRouteIP" << false << "";
    QTest::newRow("txtRouteNetMask") << "txtRouteNetMask" << false << "255.255.255.0";
    QTest::newRow("txtNextHop") << "txtNextHop" << false << "";
    QTest::newRow("cboMP") << "cboMP" << true << "使用しない";
    QTest::newRow("cmdBOD") << "cmdBOD" << false << "BODの詳細設定...";
    QTest::newRow("cmdGen") << "cmdGen" << true << "設定を作成...";
    QTest::newRow("cmdSave") << "cmdSave" << false << "設定を保存";
    QTest::newRow("cmdClear") << "cmdClear" << true << "クリア";
    QTest::newRow("cmdCancel") << "cmdCancel" << true << "終了";
}

void TestFrmMain::initialControls()
{
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QFETCH(QString, value);
    auto *control = find<QWidget>(name);
    QVERIFY(control);
    QCOMPARE(control->isEnabled(), enabled);
    QString shown;
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        shown = edit->text();
    else if (auto *combo = qobject_cast<QComboBox *>(control))
        shown = combo->currentText();
    else if (auto *check = qobject_cast<QCheckBox *>(control))
        shown = check->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    else if (auto *button = qobject_cast<QPushButton *>(control))
        shown = button->text();
    QCOMPARE(shown, value);
    if (qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control)) {
        const QColor grey(0xB4, 0xB4, 0xB4);
        QCOMPARE(control->palette().color(QPalette::Base), enabled ? QColor(Qt::white) : grey);
    }
}

void TestFrmMain::installDirectory_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first run") << "" << QDir::currentPath();
    QTest::newRow("kept") << "/opt/earlier" << "/opt/earlier";
}

void TestFrmMain::installDirectory()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    w.reset();
    settings = std::make_unique<MemorySettings>();
    if (!stored.isEmpty())
        settings->SaveSetting(QStringLiteral("InstallDir"), QStringLiteral("Directory"), stored);
    w = std::make_unique<frmMain>(*messages, *files, *settings, checks.get());
    QCOMPARE(settings->GetSetting(QStringLiteral("InstallDir"), QStringLiteral("Directory"), {}), expected);
}

void TestFrmMain::fileMenuFollowsSaved()
{
    type(QStringLiteral("txtSyslog"), QStringLiteral("1"));
    QVERIFY(!w->configuration().Saved);
    QVERIFY(w->cmdSave->isEnabled());
    QVERIFY(fileMenuOffersWrite());

    messages->answers = {MessageAnswer::No};
    w->mnuFileNew->trigger();
    QVERIFY(w->configuration().Saved);
    QVERIFY(!w->cmdSave->isEnabled());
    QVERIFY(!fileMenuOffersWrite());
}

void TestFrmMain::versionMessage()
{
    w->mnuOptionVersionInfo->trigger();
    QCOMPARE(messages->shown.size(), 1);
    const ShownMessage m = messages->shown.first();
    const QStringList lines = m.text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("Quillmark KV700/700L"));
    QCOMPARE(lines.at(1), QStringLiteral("Marrowgate Ver 2.0 pl.2"));
    QVERIFY(!lines.at(2).trimmed().isEmpty());
    QCOMPARE(m.title, QStringLiteral("バージョン情報"));
    QCOMPARE(m.icon, MessageIcon::Information);
    QCOMPARE(m.buttons, MessageButtons::Ok);
}

void TestFrmMain::newWithFiveDestinations()
{
    addDestinations(4);
    QCOMPARE(w->tabConfig->count(), 6);
    QVERIFY(w->selectTab(4));
    type(QStringLiteral("txtUsername"), QStringLiteral("third"));
    w->chkDHCPSrv->setChecked(true);
    w->configuration().appendRoute(route(QStringLiteral("ppp2")));

    messages->answers = {MessageAnswer::No};
    w->mnuFileNew->trigger();

    QCOMPARE(messages->shown.size(), 1);
    QCOMPARE(messages->shown.first().text,
             QStringLiteral("現在の設定は保存されていません。新規に設定を作成\nする前に現在の設定を保存しますか？"));
    QCOMPARE(messages->shown.first().title, AppTitle);
    QCOMPARE(messages->shown.first().icon, MessageIcon::Information);
    QCOMPARE(messages->shown.first().buttons, MessageButtons::YesNoCancel);
    QCOMPARE(captions(), QStringList({QStringLiteral("共通設定"), QStringLiteral("接続先１")}));
    const Configuration &c = w->configuration();
    QCOMPARE(c.TabCount, int16(2));
    QCOMPARE(c.RouteCount, int16(0));
    QVERIFY(c.Saved);
    QCOMPARE(c.CurrentTab, int16(w->selectedTab()));
    QVERIFY(!w->chkDHCPSrv->isChecked());
    QVERIFY(!w->txtLease->isEnabled());
    QVERIFY(w->txtUsername->text().isEmpty());
    QCOMPARE(c.destination(3).UserName, QString());
    QVERIFY(!w->cmdSave->isEnabled());
}

void TestFrmMain::newAnswers_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("checkPasses");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<int>("saveDialogs");
    QTest::newRow("cancel") << MessageAnswer::Cancel << true << false << 0;
    QTest::newRow("yes, check fails") << MessageAnswer::Yes << false << false << 0;
    // A save that was cancelled does not stop a new configuration.
    QTest::newRow("yes, save cancelled") << MessageAnswer::Yes << true << true << 1;
}

void TestFrmMain::newAnswers()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, checkPasses);
    QFETCH(bool, reset);
    QFETCH(int, saveDialogs);
    addDestinations(2);
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.1.1"));
    checks->configurationPasses = checkPasses;
    messages->answers = {answer};
    w->mnuFileNew->trigger();
    QCOMPARE(files->saveRequests.size(), saveDialogs);
    QCOMPARE(w->tabConfig->count(), reset ? 2 : 4);
    QCOMPARE(w->txtEtherIP->text(), reset ? QString() : QStringLiteral("192.168.1.1"));
    QCOMPARE(w->configuration().Common.EthIP, w->txtEtherIP->text());
}

void TestFrmMain::openMoreOrFewerDestinations_data()
{
    QTest::addColumn<int>("tabsOnScreen");
    QTest::addColumn<int>("destinationsInFile");
    QTest::addColumn<QStringList>("expected");
    const QString common = QStringLiteral("共通設定");
    QTest::newRow("five tabs, three destinations")
        << 5 << 3 << QStringList({common, QStringLiteral("接続先１"), "接続先2", "接続先3"});
    QTest::newRow("two tabs, three destinations")
        << 2 << 3 << QStringList({common, QStringLiteral("接続先１"), "接続先2", "接続先3"});
    QTest::newRow("two tabs, one destination")
        << 2 << 1 << QStringList({common, QStringLiteral("接続先１")});
}

void TestFrmMain::openMoreOrFewerDestinations()
{
    QFETCH(int, tabsOnScreen);
    QFETCH(int, destinationsInFile);
    QFETCH(QStringList, expected);

    Configuration file;
    file.TabCount = int16(destinationsInFile + 1);
    file.Common.EthIP = QStringLiteral("10.1.2.3");
    file.Common.DHCP = 1;
    file.Common.DHCP_Router = QStringLiteral("10.1.2.254");
    file.Common.ANALOG1 = 1;
    file.Common.ANALOG2 = 0;
    for (int n = 1; n <= destinationsInFile; ++n) {
        file.destination(n).UserName = QStringLiteral("user%1").arg(n);
        file.destination(n).ISDN_Num = QStringLiteral("03-0000-000%1").arg(n);
    }
    file.appendRoute(route(QStringLiteral("ppp0")));
    const RcfWriteResult bytes = WriteRcf(file);
    QVERIFY(bytes.ok);
    QTemporaryDir dir;
    QFile out(dir.filePath(QStringLiteral("office.rcf")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes.bytes);
    out.close();

    addDestinations(tabsOnScreen - 2);
    // Added destinations are unsaved work: the open asks first.
    messages->answers = {MessageAnswer::No};
    files->answers = {dir.filePath(QStringLiteral("office.cfg"))};
    w->mnuFileOpen->trigger();

    QCOMPARE(captions(), expected);
    const Configuration &c = w->configuration();
    QCOMPARE(c.TabCount, int16(expected.size()));
    QCOMPARE(c.ConfigFileName, QStringLiteral("office.cfg"));
    QCOMPARE(w->txtEtherIP->text(), QStringLiteral("10.1.2.3"));
    // The file's DHCP default route wins over the copy of the address.
    QCOMPARE(w->txtRouter->text(), QStringLiteral("10.1.2.254"));
    QCOMPARE(c.Common.DHCP_Router, QStringLiteral("10.1.2.254"));
    QVERIFY(w->chkDHCPSrv->isChecked());
    QVERIFY(w->txtRouter->isEnabled());
    QCOMPARE(w->cboAnalog[0]->currentIndex(), 1);
    QCOMPARE(w->cboAnalog[1]->currentIndex(), 0);
    QCOMPARE(c.RouteCount, int16(1));
    QCOMPARE(c.destination(destinationsInFile).UserName, QStringLiteral("user%1").arg(destinationsInFile));
    QVERIFY(w->mnuFileWrite->isEnabled());
    QVERIFY(!c.Saved);

    // Each destination shows its own record when its tab is entered.
    clickTab(destinationsInFile + 1);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("user%1").arg(destinationsInFile));
    QCOMPARE(w->txtISDNNum->text(), QStringLiteral("03-0000-000%1").arg(destinationsInFile));
}

void TestFrmMain::openSelectedTabBeyondFile()
{
    addDestinations(3);
    clickTab(5);
    type(QStringLiteral("txtUsername"), QStringLiteral("gone"));

    Configuration file;
    file.destination(1).UserName = QStringLiteral("only");
    const RcfWriteResult bytes = WriteRcf(file);
    QTemporaryDir dir;
    QFile out(dir.filePath(QStringLiteral("one.rcf")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes.bytes);
    out.close();

    messages->answers = {MessageAnswer::No};
    files->answers = {dir.filePath(QStringLiteral("one.cfg"))};
    w->mnuFileOpen->trigger();

    QCOMPARE(w->tabConfig->count(), 2);
    const int selected = w->selectedTab();
    QCOMPARE(w->configuration().CurrentTab, int16(selected));
    QCOMPARE(w->pages->currentIndex(), selected > 1 ? 1 : 0);
    if (selected == 2)
        QCOMPARE(w->txtUsername->text(), QStringLiteral("only"));
    // Leaving the tab stores what it shows into the record of the file.
    clickTab(selected == 1 ? 2 : 1);
    clickTab(2);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("only"));
    QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("only"));
}

void TestFrmMain::openCancelledKeepsEverything_data()
{
    QTest::addColumn<QByteArray>("file");   // empty: the dialog is cancelled
    QTest::addColumn<int>("messagesAfterQuestion");
    QTest::newRow("cancelled") << QByteArray() << 0;
    QTest::newRow("not a configuration") << QByteArray("EthIP=1.2.3.4\r\nCount=3\r\n") << 1;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe", 3) << 1;
}

void TestFrmMain::openCancelledKeepsEverything()
{
    QFETCH(QByteArray, file);
    QFETCH(int, messagesAfterQuestion);
    QTemporaryDir dir;
    if (!file.isEmpty()) {
        QFile out(dir.filePath(QStringLiteral("bad.rcf")));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        files->answers = {dir.filePath(QStringLiteral("bad.cfg"))};
    }
    addDestinations(1);
    clickTab(3);
    type(QStringLiteral("txtUsername"), QStringLiteral("mine"));
    clickTab(1);
    type(QStringLiteral("txtEtherIP"), QStringLiteral("172.16.0.1"));
    w->configuration().ConfigFileName = QStringLiteral("kept.cfg");
    const Configuration before = w->configuration();
    messages->answers = {MessageAnswer::No};
    w->mnuFileOpen->trigger();
    QCOMPARE(files->openRequests.size(), 1);
    QCOMPARE(messages->shown.size(), 1 + messagesAfterQuestion);
    // Nothing read means nothing replaced, the file name included.
    QVERIFY(w->configuration() == before);
    QCOMPARE(w->tabConfig->count(), 3);
    QCOMPARE(w->txtEtherIP->text(), QStringLiteral("172.16.0.1"));
    clickTab(3);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("mine"));
}

void TestFrmMain::saveRemembersNameAndDisablesSave()
{
    QTemporaryDir dir;
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.0.1"));
    clickTab(2);
    type(QStringLiteral("txtUsername"), QStringLiteral("visible"));
    files->answers = {dir.filePath(QStringLiteral("site.cfg"))};
    QTest::mouseClick(w->cmdSave, Qt::LeftButton);
    QCOMPARE(checks->configurationChecks, QList<int>({2}));
    QVERIFY(w->configuration().SaveSucceeded);
    QVERIFY(w->configuration().Saved);
    QCOMPARE(w->configuration().ConfigFileName, QStringLiteral("site.cfg"));
    QVERIFY(!w->cmdSave->isEnabled());
    // The destination on screen went into the file, not only its last stored state.
    QFile rcf(dir.filePath(QStringLiteral("site.rcf")));
    QVERIFY(rcf.open(QIODevice::ReadOnly));
    QVERIFY(rcf.readAll().contains("UserName=visible"));
    QVERIFY(!fileMenuOffersWrite());

    // The File menu's save goes through the same checks and dialog.
    type(QStringLiteral("txtUserPass"), QStringLiteral("x"));
    checks->configurationPasses = false;
    w->mnuFileWrite->trigger();
    QCOMPARE(files->saveRequests.size(), 1);
    QVERIFY(!w->configuration().Saved);
}

void TestFrmMain::fileMenuSaveChecksFirst_data()
{
    QTest::addColumn<bool>("checkPasses");
    QTest::addColumn<int>("enatQuestions");
    QTest::newRow("check fails") << false << 0;
    QTest::newRow("check passes") << true << 1;
}

void TestFrmMain::fileMenuSaveChecksFirst()
{
    QFETCH(bool, checkPasses);
    QFETCH(int, enatQuestions);
    QTemporaryDir dir;
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.1.1"));
    clickTab(2);
    w->cboType->setCurrentIndex(1);   // terminal type: the script offers an ENAT entry
    checks->configurationPasses = checkPasses;
    files->answers = {dir.filePath(QStringLiteral("menu.cfg"))};
    w->mnuFileWrite->trigger();
    int asked = 0;
    for (const ShownMessage &m : std::as_const(messages->shown))
        asked += m.title == QStringLiteral("ENATの設定");
    // Nothing is generated from values that did not pass the checks, and
    // the question comes once, not once per generation.
    QCOMPARE(asked, enatQuestions);
    QCOMPARE(w->configuration().CommandScript.isEmpty(), !checkPasses);
    QCOMPARE(files->saveRequests.size(), checkPasses ? 1 : 0);
}

void TestFrmMain::exitWithoutChanges()
{
    QVERIFY(closeWindow());
    QVERIFY(messages->shown.isEmpty());
}

void TestFrmMain::exitAnswers_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("checkPasses");
    QTest::addColumn<bool>("closes");
    QTest::newRow("no") << MessageAnswer::No << true << true;
    QTest::newRow("cancel") << MessageAnswer::Cancel << true << false;
    QTest::newRow("yes, check fails") << MessageAnswer::Yes << false << false;
    QTest::newRow("yes, saved") << MessageAnswer::Yes << true << true;
}

void TestFrmMain::exitAnswers()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, checkPasses);
    QFETCH(bool, closes);
    QTemporaryDir dir;
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.0.1"));
    checks->configurationPasses = checkPasses;
    messages->answers = {answer};
    files->answers = {dir.filePath(QStringLiteral("exit.cfg"))};
    w->show();
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
    QCOMPARE(w->isVisible(), !closes);
    QCOMPARE(messages->shown.first().text,
             QStringLiteral("現在の設定は保存されていません。終了する前に\n現在の設定を保存しますか？"));
    QCOMPARE(messages->shown.first().buttons, MessageButtons::YesNoCancel);
    QCOMPARE(messages->shown.first().icon, MessageIcon::Information);
    const bool saved = answer == MessageAnswer::Yes && checkPasses;
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("exit.rcf"))), saved);
    QCOMPARE(checks->configurationChecks.size(), answer == MessageAnswer::Yes ? 1 : 0);
}

void TestFrmMain::exitYesThenCancelSaveDialog()
{
    addDestinations(1);
    clickTab(3);
    type(QStringLiteral("txtUsername"), QStringLiteral("kept"));
    messages->answers = {MessageAnswer::Yes};
    w->show();
    w->mnuFileExit->trigger();
    QVERIFY(w->isVisible());
    QCOMPARE(files->saveRequests.size(), 1);
    QVERIFY(!w->configuration().SaveSucceeded);
    QCOMPARE(w->tabConfig->count(), 3);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("kept"));
    QCOMPARE(w->txtEtherIP->text(), QString());
    QVERIFY(!w->configuration().Saved);
}

void TestFrmMain::addUpTo32()
{
    addDestinations(31);
    QCOMPARE(w->tabConfig->count(), 33);
    QVERIFY(messages->shown.isEmpty());
    QCOMPARE(w->tabCaption(3), QStringLiteral("接続先2"));
    QCOMPARE(w->tabCaption(33), QStringLiteral("接続先32"));
    QCOMPARE(w->selectedTab(), 1);
    QCOMPARE(w->configuration().TabCount, int16(33));
    QCOMPARE(w->configuration().destination(32).Idle, QString());

    w->mnuConnectAdd->trigger();
    QCOMPARE(w->tabConfig->count(), 33);
    QCOMPARE(messages->shown.size(), 1);
    QCOMPARE(messages->shown.first().text, QStringLiteral("接続先を32個所以上登録することはできません。"));
    QCOMPARE(messages->shown.first().title, QStringLiteral("接続先の追加"));
    QCOMPARE(messages->shown.first().icon, MessageIcon::Critical);
    clickTab(33);
    QCOMPARE(w->configuration().CurrentTab, int16(33));
}

void TestFrmMain::addRefusedOnLeasedLine()
{
    w->cboConnect->setCurrentIndex(1);
    w->mnuConnect->popup(QPoint(0, 0));
    QVERIFY(!w->mnuConnectAdd->isEnabled());
    w->mnuConnect->hide();
    w->mnuConnectAdd_Click();
    QCOMPARE(w->tabConfig->count(), 2);
    QCOMPARE(messages->texts(), QStringList({QStringLiteral("専用線接続の時は、接続先は1個所しか登録できません。")}));
}

void TestFrmMain::deleteMenuEnabling_data()
{
    QTest::addColumn<int>("tabs");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("common tab") << 3 << 1 << false;
    QTest::newRow("only destination") << 2 << 2 << false;
    QTest::newRow("first of two") << 3 << 2 << true;
    QTest::newRow("last of two") << 3 << 3 << true;
}

void TestFrmMain::deleteMenuEnabling()
{
    QFETCH(int, tabs);
    QFETCH(int, selected);
    QFETCH(bool, enabled);
    addDestinations(tabs - 2);
    clickTab(selected);
    w->mnuConnect->popup(QPoint(0, 0));
    QCOMPARE(w->mnuConnectDel->isEnabled(), enabled);
    QVERIFY(w->mnuConnectAdd->isEnabled());
    w->mnuConnect->hide();
}

void TestFrmMain::deleteRenumbers()
{
    addDestinations(3);
    Configuration &c = w->configuration();
    for (int n = 1; n <= 4; ++n) {
        clickTab(n + 1);
        type(QStringLiteral("txtUsername"), QStringLiteral("user%1").arg(n));
        c.bod(n).Uprate = QString::number(50 + n);
    }
    for (const char *face : {"ppp0", "ppp1", "ppp2", "ppp3", "eth0", "ppp1"})
        c.appendRoute(route(QLatin1String(face)));
    for (const char *face : {"ppp3", "ppp1", "", "ppp2"})
        c.appendEnat(enat(QLatin1String(face)));
    c.RouteCommands = QStringLiteral("stale");
    c.EnatCommands = QStringLiteral("stale");

    clickTab(3);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("user2"));
    messages->answers = {MessageAnswer::Ok};
    w->mnuConnectDel->trigger();

    QCOMPARE(messages->shown.first().text,
             QStringLiteral("現在選択されている接続先の設定を削除してもよろしいですか？"));
    QCOMPARE(messages->shown.first().buttons, MessageButtons::OkCancel);
    QCOMPARE(captions(), QStringList({QStringLiteral("共通設定"), QStringLiteral("接続先1"),
                                      QStringLiteral("接続先2"), QStringLiteral("接続先3")}));
    QCOMPARE(w->selectedTab(), 1);
    QCOMPARE(c.CurrentTab, int16(1));
    QCOMPARE(w->pages->currentIndex(), 0);
    QCOMPARE(c.TabCount, int16(4));
    QCOMPARE(c.destination(1).UserName, QStringLiteral("user1"));
    QCOMPARE(c.destination(2).UserName, QStringLiteral("user3"));
    QCOMPARE(c.destination(3).UserName, QStringLiteral("user4"));
    QCOMPARE(c.bod(2).Uprate, QStringLiteral("53"));
    QCOMPARE(c.bod(3).Uprate, QStringLiteral("54"));
    QVERIFY(c.bod(4).Uprate.isEmpty());

    QStringList faces;
    for (int i = 0; i < c.RouteCount; ++i)
        faces << c.StaticRouteList[i].Int;
    QCOMPARE(faces, QStringList({"ppp0", "ppp1", "ppp2", "eth0"}));
    QStringList enatFaces;
    for (int i = 0; i < c.EnatCount; ++i)
        enatFaces << c.EnatList[i].GlobalInterFace;
    QCOMPARE(enatFaces, QStringList({"ppp2", "", "ppp1"}));
    QVERIFY(c.RouteCommands.isEmpty());
    QVERIFY(c.EnatCommands.isEmpty());
    QVERIFY(!c.Saved);

    clickTab(3);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("user3"));
}

void TestFrmMain::deleteDefaultRouteReleasesIt()
{
    addDestinations(1);
    clickTab(3);
    w->chkDefault->setChecked(true);
    clickTab(2);
    QVERIFY(w->configuration().DefaultRouteTaken);
    QVERIFY(!w->chkDefault->isEnabled());
    clickTab(3);
    messages->answers = {MessageAnswer::Ok};
    w->mnuConnectDel->trigger();
    QVERIFY(!w->configuration().DefaultRouteTaken);
    clickTab(2);
    QVERIFY(w->chkDefault->isEnabled());
}

void TestFrmMain::deleteRefusals_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("texts");
    const QString question = QStringLiteral("現在選択されている接続先の設定を削除してもよろしいですか？");
    QTest::newRow("cancel") << 3 << MessageAnswer::Cancel << QStringList({question});
    QTest::newRow("common tab") << 1 << MessageAnswer::Ok
                                << QStringList({question, QStringLiteral("このタブは削除できません")});
}

void TestFrmMain::deleteRefusals()
{
    QFETCH(int, selected);
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, texts);
    addDestinations(1);
    w->configuration().appendRoute(route(QStringLiteral("ppp1")));
    clickTab(selected);
    const Configuration before = w->configuration();
    messages->answers = {answer};
    w->mnuConnectDel_Click();
    QCOMPARE(messages->texts(), texts);
    QVERIFY(w->configuration() == before);
    QCOMPARE(w->tabConfig->count(), 3);
}

void TestFrmMain::addAndDeleteAreChanges_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::newRow("add") << false;
    QTest::newRow("delete") << true;
}

void TestFrmMain::addAndDeleteAreChanges()
{
    QFETCH(bool, deleting);
    if (deleting) {
        addDestinations(1);
        clickTab(3);
        w->configuration().Saved = true;   // as after a save
        messages->answers = {MessageAnswer::Ok};
        w->mnuConnectDel->trigger();
        QCOMPARE(w->tabConfig->count(), 2);
    } else {
        w->mnuConnectAdd->trigger();
        QCOMPARE(w->tabConfig->count(), 3);
    }
    // Leaving now would lose the destination change: the exit asks.
    messages->shown.clear();
    messages->answers = {MessageAnswer::Cancel};
    QVERIFY(!closeWindow());
    QCOMPARE(messages->shown.size(), 1);
    QVERIFY(w->cmdSave->isEnabled());
}

void TestFrmMain::shortcutsFromTextBox()
{
    showActive();
    // Ctrl+A in a text box adds a destination instead of selecting the text.
    w->txtEtherIP->setFocus();
    QTest::keyClicks(w->txtEtherIP, QStringLiteral("10.0.0.1"));
    QTest::keyClick(w->txtEtherIP, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w->tabConfig->count(), 3);
    QVERIFY(!w->txtEtherIP->hasSelectedText());

    clickTab(3);
    w->txtUsername->setFocus();
    QTest::keyClicks(w->txtUsername, QStringLiteral("abc"));
    messages->answers = {MessageAnswer::Ok};
    QTest::keyClick(w->txtUsername, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(w->tabConfig->count(), 2);
    QCOMPARE(w->selectedTab(), 1);

    // On the common tab the delete item is off, so Ctrl+D does nothing.
    messages->shown.clear();
    QTest::keyClick(w->txtEtherIP, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(messages->shown.isEmpty());
    QCOMPARE(w->txtEtherIP->text(), QStringLiteral("10.0.0.1"));
}

void TestFrmMain::destinationsKeepTheirValues()
{
    addDestinations(1);
    clickTab(2);
    QCOMPARE(w->pages->currentIndex(), 1);
    type(QStringLiteral("txtUsername"), QStringLiteral("first"));
    w->cboType->setCurrentIndex(1);
    w->chkStaticRoute->setChecked(true);
    type(QStringLiteral("txtRouteIP"), QStringLiteral("10.0.0.0"));
    clickTab(3);
    QCOMPARE(w->txtUsername->text(), QString());
    QCOMPARE(w->cboType->currentIndex(), 0);
    QVERIFY(!w->txtRouteIP->isEnabled());
    QCOMPARE(w->cboIdleTimer->currentText(), QStringLiteral("60"));
    type(QStringLiteral("txtUsername"), QStringLiteral("second"));
    clickTab(2);
    QCOMPARE(w->txtUsername->text(), QStringLiteral("first"));
    QCOMPARE(w->cboType->currentIndex(), 1);
    QVERIFY(w->txtAltNum->isEnabled());
    QCOMPARE(w->chkPPPDyn->text(), QStringLiteral("動的アドレス割り当てを使用"));
    QVERIFY(w->txtRouteIP->isEnabled());
    QCOMPARE(w->txtRouteIP->text(), QStringLiteral("10.0.0.0"));
    QCOMPARE(w->configuration().destination(2).UserName, QStringLiteral("second"));
    QCOMPARE(checks->tabChecks, QList<int>({1, 2, 3}));
}

void TestFrmMain::failedTabCheckKeepsTab()
{
    clickTab(2);
    type(QStringLiteral("txtUsername"), QStringLiteral("unchecked"));
    checks->tabCheckPasses = false;
    clickTab(1);
    QCOMPARE(w->selectedTab(), 2);
    QCOMPARE(w->configuration().CurrentTab, int16(2));
    QCOMPARE(w->pages->currentIndex(), 1);
    QVERIFY(w->configuration().destination(1).UserName.isEmpty());
    checks->tabCheckPasses = true;
    QVERIFY(w->selectTab(1));
    QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("unchecked"));
}

void TestFrmMain::leavingLanTabRemovesAutomaticEnat()
{
    Configuration &c = w->configuration();
    c.appendEnat(enat(QStringLiteral("ppp0"), 3));
    c.appendEnat(enat(QStringLiteral("ppp0"), 2));
    c.appendEnat(enat(QStringLiteral("ppp0"), 3));
    c.appendEnat(enat(QStringLiteral("ppp1"), 3));
    c.destination(1).Type = 1;
    clickTab(2);
    QCOMPARE(w->cboType->currentIndex(), 1);
    clickTab(1);
    QCOMPARE(c.EnatCount, int16(4));        // still terminal-type: kept
    clickTab(2);
    w->cboType->setCurrentIndex(0);
    checks->tabCheckPasses = false;          // the clean-up runs even so
    clickTab(1);
    QCOMPARE(c.EnatCount, int16(3));
    QCOMPARE(c.EnatList[0].NATType, int16(3));
    QCOMPARE(c.EnatList[1].NATType, int16(2));
    QCOMPARE(c.EnatList[2].GlobalInterFace, QStringLiteral("ppp1"));
}

void TestFrmMain::leasedLineTrimsTabs()
{
    addDestinations(4);
    clickTab(4);
    w->chkDefault->setChecked(true);
    clickTab(1);
    QVERIFY(w->configuration().DefaultRouteTaken);
    w->configuration().appendRoute(route(QStringLiteral("ppp3")));

    w->cboConnect->setCurrentIndex(2);
    QCOMPARE(captions(), QStringList({QStringLiteral("共通設定"), QStringLiteral("接続先１")}));
    QCOMPARE(w->configuration().TabCount, int16(2));
    QVERIFY(!w->configuration().DefaultRouteTaken);
    QCOMPARE(w->configuration().RouteCount, int16(1));   // left as it was
    QCOMPARE(w->configuration().Common.ConnectType, int16(2));
    for (QWidget *analog : {static_cast<QWidget *>(w->txtNumber), static_cast<QWidget *>(w->txtDialIn),
                            static_cast<QWidget *>(w->chkGrobal), static_cast<QWidget *>(w->cboAnalog[0]),
                            static_cast<QWidget *>(w->chkAutoHash[1])})
        QVERIFY2(!analog->isEnabled(), qPrintable(analog->objectName()));
    QVERIFY(!w->configuration().Saved);

    w->cboConnect->setCurrentIndex(0);
    QVERIFY(w->txtNumber->isEnabled());
    QVERIFY(!w->txtAutoTimer[0]->isEnabled());
}

void TestFrmMain::leasedLineDestinationPage()
{
    w->cboConnect->setCurrentIndex(1);
    w->configuration().destination(1).Type = 1;
    w->configuration().destination(1).MP = 1;
    w->configuration().destination(1).CallBack = 1;
    clickTab(2);
    for (QWidget *off : {static_cast<QWidget *>(w->cboType), static_cast<QWidget *>(w->txtISDNNum),
                         static_cast<QWidget *>(w->txtAltNum), static_cast<QWidget *>(w->chkCallBack),
                         static_cast<QWidget *>(w->txtCbdelay), static_cast<QWidget *>(w->cboIdleTimer),
                         static_cast<QWidget *>(w->cboMP), static_cast<QWidget *>(w->cmdBOD)})
        QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
    QCOMPARE(w->chkPPPDyn->text(), QStringLiteral("アンナンバードI/Fを使用"));
    QCOMPARE(w->txtCbdelay->palette().color(QPalette::Base), QColor(0xB4, 0xB4, 0xB4));

    clickTab(1);
    w->cboConnect->setCurrentIndex(0);
    clickTab(2);
    QVERIFY(w->txtAltNum->isEnabled());
    QVERIFY(w->txtCbdelay->isEnabled());
    QVERIFY(w->cmdBOD->isEnabled());
    QCOMPARE(w->chkPPPDyn->text(), QStringLiteral("動的アドレス割り当てを使用"));
}

void TestFrmMain::clearOnlyTouchesVisiblePage()
{
    addDestinations(1);
    clickTab(2);
    type(QStringLiteral("txtUsername"), QStringLiteral("one"));
    clickTab(3);
    type(QStringLiteral("txtUsername"), QStringLiteral("two"));
    w->chkPPPAuth->setChecked(true);
    clickTab(1);
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.1.1"));
    w->configuration().appendRoute(route(QStringLiteral("ppp0")));
    clickTab(3);
    QTest::mouseClick(w->cmdClear, Qt::LeftButton);
    QVERIFY(w->txtUsername->text().isEmpty());
    QVERIFY(!w->chkPPPAuth->isChecked());
    QVERIFY(!w->txtAuthUserName->isEnabled());
    QCOMPARE(w->txtEtherIP->text(), QStringLiteral("192.168.1.1"));
    QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("one"));
    QCOMPARE(w->configuration().RouteCount, int16(1));

    clickTab(1);
    QTest::mouseClick(w->cmdClear, Qt::LeftButton);
    QVERIFY(w->txtEtherIP->text().isEmpty());
    QVERIFY(w->configuration().Common.EthIP.isEmpty());
    QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("one"));
}

void TestFrmMain::listDialogsMarkChanged_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("ok");
    QTest::newRow("route OK") << "cmdRoute" << true;
    QTest::newRow("route cancel") << "cmdRoute" << false;
    QTest::newRow("ENAT OK") << "cmdENAT" << true;
    QTest::newRow("BOD OK") << "cmdBOD" << true;
    QTest::newRow("BOD cancel") << "cmdBOD" << false;
}

void TestFrmMain::listDialogsMarkChanged()
{
    QFETCH(QString, button);
    QFETCH(bool, ok);
    int opened = 0;
    // The route dialog may take the default route for a destination.
    auto dialog = [&, ok] {
        ++opened;
        if (ok)
            w->configuration().DefaultRouteTaken = true;
        return ok;
    };
    w->setRouteDialog(dialog);
    w->setEnatDialog(dialog);
    w->setBodDialog(dialog);
    if (button == QLatin1String("cmdBOD")) {
        clickTab(2);
        w->cboMP->setCurrentIndex(1);
        QVERIFY(w->cmdBOD->isEnabled());
        QVERIFY(w->chkDefault->isEnabled());
    }
    w->configuration().Saved = true;
    QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    QCOMPARE(opened, 1);
    QCOMPARE(w->configuration().Saved, !ok);
    if (ok)
        QVERIFY(w->cmdSave->isEnabled());
    if (button != QLatin1String("cmdBOD"))
        return;
    QCOMPARE(w->chkDefault->isEnabled(), !ok);
}

void TestFrmMain::commonPageMirrorsModel()
{
    type(QStringLiteral("txtEtherIP"), QStringLiteral("192.168.5.1"));
    type(QStringLiteral("txtEthernetMask"), QStringLiteral("255.255.0.0"));
    w->chkDHCPSrv->setChecked(true);
    type(QStringLiteral("txtLease"), QStringLiteral("7200"));
    w->cboAnalog[1]->setCurrentIndex(0);
    w->chkAutoHash[1]->setChecked(true);
    type(QStringLiteral("txtAutoTimer(1)"), QStringLiteral("9"));
    const CommonSettings &c = w->configuration().Common;
    QCOMPARE(c.EthIP, QStringLiteral("192.168.5.1"));
    QCOMPARE(c.DHCP_Router, QStringLiteral("192.168.5.1"));
    QCOMPARE(c.EthMask, QStringLiteral("255.255.0.0"));
    QCOMPARE(c.DHCP_Mask, QStringLiteral("255.255.0.0"));
    QCOMPARE(c.DHCP, int16(1));
    QCOMPARE(c.DHCP_Lease, QStringLiteral("7200"));
    QCOMPARE(c.ANALOG1, int16(1));
    QCOMPARE(c.ANALOG2, int16(0));
    QCOMPARE(c.AutoHash2, int16(1));
    QCOMPARE(c.AutoHashTimer2, QStringLiteral("9"));

    // Values no control can show come back as the controls show them.
    Configuration &model = w->configuration();
    model.Common.ConnectType = 9;
    model.Common.ANALOG1 = -3;
    model.Common.ANALOG2 = 0;
    model.Common.EthRIP = 7;
    model.Common.EthIP = QStringLiteral("10.9.9.9");
    w->refreshFromConfiguration();
    QCOMPARE(w->cboConnect->currentIndex(), 0);
    QCOMPARE(model.Common.ConnectType, int16(0));
    QCOMPARE(model.Common.ANALOG1, int16(w->cboAnalog[0]->currentIndex()));
    QCOMPARE(model.Common.ANALOG2, int16(w->cboAnalog[1]->currentIndex()));
    QVERIFY(model.Common.ANALOG1 != model.Common.ANALOG2);
    QCOMPARE(model.Common.EthRIP, int16(1));
    QCOMPARE(w->txtEtherIP->text(), QStringLiteral("10.9.9.9"));
}

void TestFrmMain::singleInstance()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("editor.lock"));
    SingleInstance first(path);
    QVERIFY(ensureSingleInstance(first, *messages));
    QVERIFY(messages->shown.isEmpty());

    // A second start finds the first one running.
    SingleInstance again(path);
    QVERIFY(!ensureSingleInstance(again, *messages));
    QCOMPARE(messages->shown.size(), 1);
    QCOMPARE(messages->shown.first().text, QStringLiteral("既に起動されています"));
    QCOMPARE(messages->shown.first().title, AppTitle);
    QCOMPARE(messages->shown.first().icon, MessageIcon::None);
    QCOMPARE(messages->shown.first().buttons, MessageButtons::Ok);
    QVERIFY(first.isAcquired());
}

void TestFrmMain::staleLockRecovered()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("editor.lock"));
    // A lock left by a process that has ended.
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForStarted());
    const qint64 pid = ended.processId();
    QVERIFY(ended.waitForFinished());
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance instance(path);
    QVERIFY(instance.tryAcquire());
}

void TestFrmMain::screenshots()
{
    const QString folder = qEnvironmentVariable("MG_SCREENSHOT_DIR");
    addDestinations(11);
    w->resize(1024, 768);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    for (int tab : {1, 12}) {
        QVERIFY(w->selectTab(tab));
        if (tab > 1)
            w->cboType->setCurrentIndex(1);   // the longer captions
        QCoreApplication::processEvents();
        // Every caption fits: no control is squeezed below what it needs.
        QWidget *page = w->pages->currentWidget();
        for (QWidget *child : page->findChildren<QWidget *>()) {
            if (!child->isVisibleTo(page))
                continue;
            QVERIFY2(child->width() >= child->minimumSizeHint().width(), qPrintable(child->objectName()));
        }
        if (!folder.isEmpty())
            w->grab().save(folder + QStringLiteral("/frmMain-tab%1.png").arg(tab));
    }
    QVERIFY(w->minimumSizeHint().width() <= 1024);
    QVERIFY(w->minimumSizeHint().height() <= 740);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmMain.moc"
