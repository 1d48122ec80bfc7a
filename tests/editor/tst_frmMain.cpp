// The editor window as the operator drives it: start-up, the File and 接続先
// menus, exit, and the destination tabs.

#include "EditorTestKit.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>

using namespace mg;
using Answer = mg::MessageAnswer;

namespace {

const QString Common = QStringLiteral("共通設定");
const QString First = QStringLiteral("接続先１");

StaticRouteEntry route(const QString &face) { return {"10.0.0.0", "255.0.0.0", face, "0.0.0.0"}; }

EnatEntry enat(const QString &face, int type = 1)
{
    EnatEntry e;
    e.PrivateIP = QStringLiteral("192.168.1.0");
    e.PrivateMask = QStringLiteral("255.255.255.0");
    e.GlobalInterFace = face;
    e.NATType = int16(type);
    return e;
}

bool menuOffers(QMenu *menu, QAction *item)
{
    menu->popup(QPoint(0, 0));   // the menu refreshes its items as it opens
    const bool enabled = item->isEnabled();
    menu->hide();
    return enabled;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorRig> rig;
    frmMain *w = nullptr;
    mgtest::ScriptedPrompt *prompt = nullptr;

    // Unsaved work shows: the save button and the File menu's save are on.
    bool unsaved()
    {
        return !w->configuration().Saved && w->cmdSave->isEnabled() && menuOffers(w->mnuFile, w->mnuFileWrite);
    }

private slots:
    void init()
    {
        rig = std::make_unique<EditorRig>();
        w = rig->w.get();
        prompt = &rig->prompt;
    }
    void cleanup() { rig.reset(); }

    void startState()
    {
        QCOMPARE(tabCaptions(*w), QStringList({Common, First}));
        QVERIFY(w->configuration().Saved && !w->cmdSave->isEnabled() && !menuOffers(w->mnuFile, w->mnuFileWrite));
        QVERIFY(!w->mnuFilePrint->isVisible() && !w->mnuFilePrint->isEnabled());
        QCOMPARE(w->mnuConnectAdd->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        QCOMPARE(w->mnuConnectDel->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        for (const char *name : {"txtLease", "txtAutoTimer(0)", "txtAltNum", "txtCbdelay", "cboPPPAuth", "txtRouteIP"})
            QVERIFY2(!w->findChild<QWidget *>(name)->isEnabled(), name);   // what hangs on an unchecked box
        QVERIFY(w->cboAnalog[0]->currentIndex() != w->cboAnalog[1]->currentIndex());
        QCOMPARE(rig->settings.GetSetting("InstallDir", "Directory"), QDir::currentPath());
        QVERIFY(prompt->shown.isEmpty());
    }

    // New and exit offer to save unsaved work first; the save goes through
    // the checks and the file dialog, and either may stop the command.
    void saveQuestion_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("checkPasses");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("exit unchanged") << "close" << false << Answer::Cancel << true << true << true;
        QTest::newRow("exit, no") << "cmdCancel" << true << Answer::No << true << true << true;
        QTest::newRow("exit, cancel") << "close" << true << Answer::Cancel << true << true << false;
        QTest::newRow("exit, yes, check fails") << "mnuFileExit" << true << Answer::Yes << false << true << false;
        QTest::newRow("exit, yes, saved") << "cmdCancel" << true << Answer::Yes << true << true << true;
        QTest::newRow("exit, yes, dialog cancelled") << "mnuFileExit" << true << Answer::Yes << true << false << false;
        QTest::newRow("new, no") << "new" << true << Answer::No << true << true << true;
        QTest::newRow("new, cancel") << "new" << true << Answer::Cancel << true << true << false;
        QTest::newRow("new, yes, check fails") << "new" << true << Answer::Yes << false << true << false;
        QTest::newRow("new, yes, saved") << "new" << true << Answer::Yes << true << true << true;
        // A save that was cancelled does not stop a new configuration.
        QTest::newRow("new, yes, dialog cancelled") << "new" << true << Answer::Yes << true << false << true;
    }
    void saveQuestion()
    {
        QFETCH(QString, command);
        QFETCH(bool, edited);
        QFETCH(Answer, answer);
        QFETCH(bool, checkPasses);
        QFETCH(bool, fileChosen);
        QFETCH(bool, goesOn);
        QTemporaryDir dir;
        if (edited) {   // five destinations, the fourth on screen
            addDestinations(*w, 4);
            QVERIFY(w->selectTab(4));
            setField(*w, "txtUsername", "third");
            w->chkDHCPSrv->setChecked(true);
            w->configuration().appendRoute(route("ppp2"));
        }
        rig->checks.configurationPasses = checkPasses;
        prompt->answers = {answer};
        if (fileChosen)
            rig->files.answers = {dir.filePath("site.cfg")};
        w->show();
        if (command == "new")
            w->mnuFileNew->trigger();
        else if (command == "close")
            w->close();
        else if (command == "cmdCancel")
            QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
        else
            w->mnuFileExit->trigger();
        const QString question = command == "new"
            ? QStringLiteral("現在の設定は保存されていません。新規に設定を作成\nする前に現在の設定を保存しますか？")
            : QStringLiteral("現在の設定は保存されていません。終了する前に\n現在の設定を保存しますか？");
        QCOMPARE(prompt->texts(), edited ? QStringList{question} : QStringList());
        QCOMPARE(QFile::exists(dir.filePath("site.rcf")), answer == Answer::Yes && checkPasses && fileChosen);
        const Configuration &c = w->configuration();
        if (command != "new") {
            QCOMPARE(w->isVisible(), !goesOn);
            QVERIFY(goesOn || (w->txtUsername->text() == "third" && unsaved()));
        } else if (!goesOn) {
            QVERIFY(w->tabConfig->count() == 6 && w->txtUsername->text() == "third");
        } else {
            QCOMPARE(tabCaptions(*w), QStringList({Common, First}));   // the full-width digit again
            QVERIFY(c.TabCount == 2 && c.RouteCount == 0 && c.CurrentTab == w->selectedTab());
            QVERIFY(w->txtUsername->text().isEmpty() && c.destination(3).UserName.isEmpty());
            QVERIFY(!w->chkDHCPSrv->isChecked() && !w->txtLease->isEnabled());
            QVERIFY(c.Saved && !w->cmdSave->isEnabled() && !menuOffers(w->mnuFile, w->mnuFileWrite));
        }
    }

    // In the sample files destination n is "user<n>", DHCP hands out
    // 10.1.2.254 as default route and the analog ports are swapped.
    void openMoreOrFewerDestinations_data()
    {
        QTest::addColumn<int>("tabsOnScreen");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        const QStringList three{Common, First, "接続先2", "接続先3"};
        // The last tab on screen is selected and edited before opening.
        QTest::newRow("selected tab beyond the file") << 5 << "three-destinations.rcf" << three;
        QTest::newRow("two tabs, three destinations") << 2 << "three-destinations.rcf" << three;
        QTest::newRow("two tabs, one destination") << 2 << "one-destination.rcf" << QStringList({Common, First});
    }
    void openMoreOrFewerDestinations()
    {
        QFETCH(int, tabsOnScreen);
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        addDestinations(*w, tabsOnScreen - 2);
        clickTab(*w, tabsOnScreen);
        setField(*w, "txtUsername", "gone");
        QTemporaryDir dir;
        openSample(*rig, file, dir);
        QCOMPARE(prompt->shown.size(), 1);   // the unsaved edit made the open ask first
        QCOMPARE(tabCaptions(*w), expected);
        const Configuration &c = w->configuration();
        QCOMPARE(c.TabCount, int16(expected.size()));
        QCOMPARE(c.ConfigFileName, QStringLiteral("office.cfg"));
        QCOMPARE(c.CurrentTab, int16(w->selectedTab()));
        QCOMPARE(w->pages->currentIndex(), w->selectedTab() > 1 ? 1 : 0);
        QCOMPARE(w->txtEtherIP->text(), QStringLiteral("10.1.2.3"));
        // The file's DHCP default route wins over the copy of the address.
        QCOMPARE(w->txtRouter->text(), QStringLiteral("10.1.2.254"));
        QVERIFY(w->chkDHCPSrv->isChecked() && w->txtRouter->isEnabled());
        QVERIFY(w->cboAnalog[0]->currentIndex() == 1 && w->cboAnalog[1]->currentIndex() == 0);
        // Each destination shows its own record, and leaving stores nothing stale.
        for (int n = 1; n <= expected.size() - 1; ++n) {
            clickTab(*w, n + 1);
            QCOMPARE(w->txtUsername->text(), QStringLiteral("user%1").arg(n));
        }
        clickTab(*w, 1);
        for (int n = 1; n <= expected.size() - 1; ++n)
            QCOMPARE(c.destination(n).UserName, QStringLiteral("user%1").arg(n));
    }

    void openFailureKeepsEverything()
    {
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.rcf"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("EthIP=1.2.3.4\r\nCount=3\r\n") > 0);
        bad.close();
        addDestinations(*w, 1);
        setField(*w, "txtEtherIP", "172.16.0.1");
        w->configuration().ConfigFileName = QStringLiteral("kept.cfg");
        const Configuration before = w->configuration();
        prompt->answers = {Answer::No, Answer::No};
        w->mnuFileOpen->trigger();   // the dialog is cancelled
        rig->files.answers = {dir.filePath("bad.cfg")};
        w->mnuFileOpen->trigger();
        QCOMPARE(prompt->shown.size(), 3);   // the failed read is reported
        // Nothing read means nothing replaced, the file name included.
        QVERIFY(w->configuration() == before);
        QCOMPARE(w->tabConfig->count(), 3);
        QCOMPARE(w->txtEtherIP->text(), QStringLiteral("172.16.0.1"));
    }

    void save_data()
    {
        QTest::addColumn<bool>("button");
        QTest::addColumn<bool>("checkPasses");
        QTest::newRow("button") << true << true;
        QTest::newRow("menu") << false << true;
        QTest::newRow("menu, check fails") << false << false;
    }
    void save()
    {
        QFETCH(bool, button);
        QFETCH(bool, checkPasses);
        QTemporaryDir dir;
        setField(*w, "txtEtherIP", "192.168.0.1");
        clickTab(*w, 2);
        setField(*w, "txtUsername", "visible");
        w->cboType->setCurrentIndex(1);   // terminal type: the script offers an ENAT entry
        rig->checks.configurationPasses = checkPasses;
        rig->files.answers = {dir.filePath("site.cfg")};
        if (button)
            QTest::mouseClick(w->cmdSave, Qt::LeftButton);
        else
            w->mnuFileWrite->trigger();
        QCOMPARE(rig->checks.configurationChecks, QList<int>({2}));
        // Nothing is generated from values that did not pass the checks, and
        // the ENAT question comes once, not once per generation.
        QCOMPARE(prompt->texts().size(), checkPasses ? 1 : 0);
        QCOMPARE(prompt->lastTitle(), checkPasses ? QStringLiteral("ENATの設定") : QString());
        QCOMPARE(rig->files.saveRequests.size(), checkPasses ? 1 : 0);
        QCOMPARE(unsaved(), !checkPasses);
        // The page on screen went into the file, not only its last stored state.
        QFile rcf(dir.filePath("site.rcf"));
        QCOMPARE(rcf.open(QIODevice::ReadOnly) && rcf.readAll().contains("UserName=visible"), checkPasses);
    }

    void addUpTo32()
    {
        addDestinations(*w, 31);
        QCOMPARE(w->tabCaption(33), QStringLiteral("接続先32"));
        QVERIFY(prompt->shown.isEmpty() && unsaved());   // a new destination is unsaved work
        w->mnuConnectAdd->trigger();
        QCOMPARE(w->tabConfig->count(), 33);
        QCOMPARE(prompt->texts(), QStringList{"接続先を32個所以上登録することはできません。"});
        clickTab(*w, 33);
        QCOMPARE(w->configuration().CurrentTab, int16(33));
    }

    void deleteRenumbers()
    {
        addDestinations(*w, 3);
        Configuration &c = w->configuration();
        for (int n = 1; n <= 4; ++n) {
            clickTab(*w, n + 1);
            setField(*w, "txtUsername", QStringLiteral("user%1").arg(n));
            w->chkDefault->setChecked(n == 2);
            c.bod(n).Uprate = QString::number(50 + n);
        }
        for (const char *face : {"ppp0", "ppp1", "ppp2", "ppp3", "eth0", "ppp1"})
            c.appendRoute(route(face));
        for (const char *face : {"ppp3", "ppp1", "", "ppp2"})
            c.appendEnat(enat(face));
        c.RouteCommands = c.EnatCommands = QStringLiteral("stale");
        clickTab(*w, 3);
        c.Saved = true;   // as after a save
        prompt->answers = {Answer::Ok};
        w->mnuConnectDel->trigger();

        QCOMPARE(prompt->texts(), QStringList{"現在選択されている接続先の設定を削除してもよろしいですか？"});
        QCOMPARE(tabCaptions(*w), QStringList({Common, "接続先1", "接続先2", "接続先3"}));
        QVERIFY(w->selectedTab() == 1 && c.CurrentTab == 1 && c.TabCount == 4);
        QCOMPARE(c.destination(2).UserName, QStringLiteral("user3"));
        QCOMPARE(c.destination(3).UserName, QStringLiteral("user4"));
        QCOMPARE(QStringList({c.bod(2).Uprate, c.bod(3).Uprate, c.bod(4).Uprate}), QStringList({"53", "54", ""}));
        // Routes and translations follow their destination to its new interface.
        QStringList faces, enatFaces;
        for (int i = 0; i < c.RouteCount; ++i)
            faces << c.StaticRouteList[i].Int;
        for (int i = 0; i < c.EnatCount; ++i)
            enatFaces << c.EnatList[i].GlobalInterFace;
        QCOMPARE(faces, QStringList({"ppp0", "ppp1", "ppp2", "eth0"}));
        QCOMPARE(enatFaces, QStringList({"ppp2", "", "ppp1"}));
        QVERIFY(c.RouteCommands.isEmpty() && c.EnatCommands.isEmpty() && unsaved());
        // The deleted destination carried the default route: it is free again.
        QVERIFY(!c.DefaultRouteTaken);
        clickTab(*w, 3);
        QVERIFY(w->txtUsername->text() == "user3" && w->chkDefault->isEnabled());
    }

    void deleteRefusals()
    {
        addDestinations(*w, 1);
        w->configuration().appendRoute(route("ppp1"));
        clickTab(*w, 3);
        QVERIFY(menuOffers(w->mnuConnect, w->mnuConnectDel));
        Configuration before = w->configuration();
        prompt->answers = {Answer::Cancel};
        w->mnuConnectDel_Click();
        QVERIFY(w->configuration() == before);
        clickTab(*w, 1);
        QVERIFY(!menuOffers(w->mnuConnect, w->mnuConnectDel));
        before = w->configuration();
        prompt->answers = {Answer::Ok};
        w->mnuConnectDel_Click();
        QCOMPARE(prompt->shown.size(), 3);
        QCOMPARE(prompt->lastText(), QStringLiteral("このタブは削除できません"));
        QVERIFY(w->configuration() == before);
    }

    void shortcutsFromTextBox()
    {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        // Ctrl+A in a text box adds a destination instead of selecting the text.
        w->txtEtherIP->setFocus();
        QTest::keyClicks(w->txtEtherIP, QStringLiteral("10.0.0.1"));
        QTest::keyClick(w->txtEtherIP, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w->tabConfig->count(), 3);
        QVERIFY(!w->txtEtherIP->hasSelectedText());
        clickTab(*w, 3);
        w->txtUsername->setFocus();
        prompt->answers = {Answer::Ok};
        QTest::keyClick(w->txtUsername, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w->tabConfig->count(), 2);
    }

    void failedTabCheckKeepsTab()
    {
        Configuration &c = w->configuration();
        for (auto [face, type] : {std::pair{"ppp0", 3}, {"ppp0", 2}, {"ppp0", 3}, {"ppp1", 3}})
            c.appendEnat(enat(face, type));
        c.destination(1).Type = 1;
        clickTab(*w, 2);
        clickTab(*w, 1);
        QCOMPARE(c.EnatCount, int16(4));   // still terminal type: kept
        clickTab(*w, 2);
        w->cboType->setCurrentIndex(0);
        setField(*w, "txtUsername", "unchecked");
        rig->checks.tabCheckPasses = false;
        clickTab(*w, 1);
        QVERIFY(w->selectedTab() == 2 && c.CurrentTab == 2 && w->pages->currentIndex() == 1);
        QVERIFY(c.destination(1).UserName.isEmpty());
        // The automatic entry of a destination that became LAN type goes even so.
        QCOMPARE(c.EnatCount, int16(3));
        QVERIFY(c.EnatList[1].NATType == 2 && c.EnatList[2].GlobalInterFace == "ppp1");
        rig->checks.tabCheckPasses = true;
        QVERIFY(w->selectTab(1));
        QCOMPARE(c.destination(1).UserName, QStringLiteral("unchecked"));
    }

    // Leaving a LAN-type tab may drop a dynamic ENAT entry from the list; the
    // list then differs from the file, and exit must offer to save.
    void enatCleanUpCountsAsChange()
    {
        Configuration &c = w->configuration();
        c.appendEnat(enat("ppp0", 3));
        QVERIFY(c.Saved);
        clickTab(*w, 2);
        QVERIFY(c.Saved);   // showing the destination changes nothing
        clickTab(*w, 1);
        QCOMPARE(c.EnatCount, int16(0));
        QVERIFY(unsaved());
    }

    void leasedLineTrimsTabs()
    {
        addDestinations(*w, 4);
        clickTab(*w, 4);
        w->chkDefault->setChecked(true);
        clickTab(*w, 1);
        Configuration &c = w->configuration();
        c.appendRoute(route("ppp3"));
        c.destination(1).MP = c.destination(1).CallBack = 1;   // BOD and callback would be on for dial-up
        w->cboConnect->setCurrentIndex(2);
        QCOMPARE(tabCaptions(*w), QStringList({Common, First}));
        QVERIFY(c.TabCount == 2 && !c.DefaultRouteTaken && unsaved());
        QCOMPARE(c.RouteCount, int16(1));   // left as it was
        QVERIFY(!menuOffers(w->mnuConnect, w->mnuConnectAdd));
        w->mnuConnectAdd_Click();
        QCOMPARE(prompt->texts(), QStringList{"専用線接続の時は、接続先は1個所しか登録できません。"});
        clickTab(*w, 2);
        for (QWidget *off : std::initializer_list<QWidget *>{w->cboType, w->txtISDNNum, w->txtCbdelay, w->cmdBOD})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        clickTab(*w, 1);
        w->cboConnect->setCurrentIndex(0);
        clickTab(*w, 2);
        QVERIFY(w->txtISDNNum->isEnabled() && w->txtCbdelay->isEnabled() && w->cmdBOD->isEnabled());
    }

    void listDialogsMarkChanged_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("ok");
        QTest::newRow("route OK") << "cmdRoute" << true;
        QTest::newRow("route cancel") << "cmdRoute" << false;
        QTest::newRow("ENAT OK") << "cmdENAT" << true;
        QTest::newRow("BOD OK") << "cmdBOD" << true;
    }
    void listDialogsMarkChanged()
    {
        QFETCH(QString, button);
        QFETCH(bool, ok);
        int opened = 0;
        // A dialog may take the default route for a destination.
        const auto dialog = [&, ok] {
            ++opened;
            return w->configuration().DefaultRouteTaken = ok;
        };
        w->setRouteDialog(dialog);
        w->setEnatDialog(dialog);
        w->setBodDialog(dialog);
        clickTab(*w, button == "cmdBOD" ? 2 : 1);
        w->cboMP->setCurrentIndex(1);
        w->configuration().Saved = true;
        w->cmdSave->setEnabled(false);
        QTest::mouseClick(w->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(opened, 1);
        QCOMPARE(unsaved(), ok);
        QCOMPARE(w->chkDefault->isEnabled(), !ok);
    }

    // A damaged file can hold values no control can show; they come back as
    // the controls show them, so what is saved or generated is what is seen.
    void valuesNoControlShows()
    {
        CommonSettings &c = w->configuration().Common;
        c.ConnectType = 9;
        c.ANALOG1 = -3;
        c.ANALOG2 = 0;
        c.EthRIP = 7;
        w->refreshFromConfiguration();
        QVERIFY(w->cboConnect->currentIndex() == 0 && c.ConnectType == 0 && c.EthRIP == 1);
        QCOMPARE(QList<int>({c.ANALOG1, c.ANALOG2}),
                 QList<int>({w->cboAnalog[0]->currentIndex(), w->cboAnalog[1]->currentIndex()}));
        QVERIFY(c.ANALOG1 != c.ANALOG2);
    }

    // A file may hold values longer than a text box takes by default; passing
    // through the boxes must not cut them short behind the operator's back.
    void longValuesKeptWhole()
    {
        const QString longText(40000, QLatin1Char('7'));
        Configuration &c = w->configuration();
        c.Common.PBX_Number = longText;
        c.destination(1).UserPass = longText;
        c.destination(1).Idle = longText;
        w->refreshFromConfiguration();
        clickTab(*w, 2);
        clickTab(*w, 1);   // leaving the tab stores the destination from its controls
        QCOMPARE(c.Common.PBX_Number, longText);
        QCOMPARE(c.destination(1).UserPass, longText);
        QCOMPARE(c.destination(1).Idle, longText);
    }

    // Nothing clipped at 1024x768, on the common page and on a destination
    // page with the longer captions of a terminal type.
    void fitsTheScreen()
    {
        addDestinations(*w, 11);
        w->resize(1024, 768);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        for (int tab : {1, 12}) {
            QVERIFY(w->selectTab(tab));
            w->cboType->setCurrentIndex(tab > 1 ? 1 : 0);
            QCoreApplication::processEvents();
            QWidget *page = w->pages->currentWidget();
            for (QWidget *child : page->findChildren<QWidget *>())
                if (child->isVisibleTo(page))
                    QVERIFY2(child->width() >= child->minimumSizeHint().width(), qPrintable(child->objectName()));
        }
        QVERIFY(w->minimumSizeHint().width() <= 1024 && w->minimumSizeHint().height() <= 740);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmMain.moc"
