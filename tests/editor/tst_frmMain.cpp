// The editor window as the operator drives it: start-up, the File and 接続先
// menus, exit, and the destination tabs.

#include "EditorTestKit.h"

#include "ScriptGenerator.h"
#include "UnplacedLinesDialog.h"

#include <QAction>
#include <QClipboard>
#include <QPlainTextEdit>
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

// What the window is told, what the operator answers, and whether the
// command goes on.
struct SaveCase {
    QString command;
    bool edited;
    Answer answer;
    bool checkPasses, fileChosen, goesOn;
};

} // namespace

Q_DECLARE_METATYPE(SaveCase)

class TestFrmMain : public EditorFixture {
    Q_OBJECT
private slots:
    void init() { start(false, false); }
    void cleanup() { rig.reset(); }

    void startState()
    {
        QCOMPARE(tabCaptions(*w), QStringList({Common, First}));
        QCOMPARE(saveState(*w), "saved");
        for (const char *name : {"txtLease", "txtAutoTimer(0)", "txtAltNum", "txtCbdelay", "cboPPPAuth", "txtRouteIP"})
            QVERIFY2(!w->findChild<QWidget *>(name)->isEnabled(), name);   // what hangs on an unchecked box
        QVERIFY(w->commonPage->cboAnalog[0]->currentIndex() != w->commonPage->cboAnalog[1]->currentIndex());
        QCOMPARE(rig->settings.GetSetting("InstallDir", "Directory"), QDir::currentPath());
        QVERIFY(prompt->shown.isEmpty());
    }

    // Save saves, and new and exit offer to save unsaved work first. The save
    // goes through the checks, generates with the one ENAT question, and asks
    // for the file; each may stop it. The page on screen goes into the file.
    void saving_data()
    {
        QTest::addColumn<SaveCase>("c");
        QTest::newRow("exit unchanged") << SaveCase{"close", false, Answer::Cancel, true, true, true};
        QTest::newRow("exit, no") << SaveCase{"cmdCancel", true, Answer::No, true, true, true};
        QTest::newRow("exit, cancel") << SaveCase{"close", true, Answer::Cancel, true, true, false};
        QTest::newRow("exit, yes, check fails") << SaveCase{"mnuFileExit", true, Answer::Yes, false, true, false};
        QTest::newRow("exit, yes, saved") << SaveCase{"cmdCancel", true, Answer::Yes, true, true, true};
        QTest::newRow("exit, yes, dialog cancelled") << SaveCase{"mnuFileExit", true, Answer::Yes, true, false, false};
        QTest::newRow("new, no") << SaveCase{"new", true, Answer::No, true, true, true};
        QTest::newRow("new, cancel") << SaveCase{"new", true, Answer::Cancel, true, true, false};
        QTest::newRow("new, yes, check fails") << SaveCase{"new", true, Answer::Yes, false, true, false};
        QTest::newRow("new, yes, saved") << SaveCase{"new", true, Answer::Yes, true, true, true};
        // A save that did not happen stops the command: the work would be lost.
        QTest::newRow("new, yes, dialog cancelled") << SaveCase{"new", true, Answer::Yes, true, false, false};
        QTest::newRow("save button") << SaveCase{"cmdSave", true, Answer::No, true, true, true};
        QTest::newRow("save menu") << SaveCase{"mnuFileWrite", true, Answer::No, true, true, true};
        QTest::newRow("save menu, check fails") << SaveCase{"mnuFileWrite", true, Answer::No, false, true, false};
    }
    void saving()
    {
        QFETCH(SaveCase, c);
        const auto [command, edited, answer, checkPasses, fileChosen, goesOn] = c;
        const bool isNew = command == "new", isSave = command.contains("Save") || command.contains("Write");
        QTemporaryDir dir;
        if (edited) {   // five destinations, the fourth a stored terminal type, on screen and edited
            addDestinations(*w, 4);
            QVERIFY(w->selectTab(4));
            setFields(*w, {"cboType=#1", "chkDHCPSrv=1"});
            QVERIFY(w->selectTab(1) && w->selectTab(4));
            setField(*w, "txtUsername", "third");
            w->configuration().appendRoute(route("ppp2"));
        }
        rig->checks.configurationPasses = checkPasses;
        if (!isSave)
            prompt->answers = {answer};   // to the save question; the ENAT question gets No
        if (fileChosen)
            rig->files.answers = {dir.filePath("site.cfg")};
        w->show();
        if (isNew)
            w->mnuFileNew->trigger();
        else if (command == "close")
            w->close();
        else if (command.startsWith("mnu"))
            w->findChild<QAction *>(command)->trigger();
        else
            QTest::mouseClick(w->findChild<QPushButton *>(command), Qt::LeftButton);
        const bool checked = isSave || (edited && answer == Answer::Yes);
        const bool generated = checked && checkPasses;
        QCOMPARE(rig->checks.configurationChecks, checked ? QList<int>{4} : QList<int>());
        QCOMPARE(prompt->titles(), QStringList(edited && !isSave ? 1 : 0, "Quillmark KV700 Marrowgate")
                                       + QStringList(generated ? 1 : 0, "ENATの設定"));
        if (edited && !isSave) {
            const QString before = isNew ? QStringLiteral("新規に設定を作成\r\nする前に") : QStringLiteral("終了する前に\r\n");
            QCOMPARE(prompt->shown[0].text, "現在の設定は保存されていません。" + before + "現在の設定を保存しますか？");
        }
        QFile rcf(dir.filePath("site.rcf"));
        QCOMPARE(rcf.open(QIODevice::ReadOnly) && rcf.readAll().contains("UserName=third"), generated && fileChosen);
        QCOMPARE(w->isVisible(), isNew || isSave || !goesOn);
        const Configuration &config = w->configuration();
        if (!goesOn || isSave) {
            QVERIFY(w->tabConfig->count() == 6 && w->destinationPage->txtUsername->text() == "third");
            QCOMPARE(saveState(*w), goesOn ? "saved" : "unsaved");
        } else if (isNew) {
            QCOMPARE(tabCaptions(*w), QStringList({Common, First}));   // the full-width digit again
            QVERIFY(config.TabCount == 2 && config.RouteCount == 0 && config.CurrentTab == w->selectedTab());
            QVERIFY(w->destinationPage->txtUsername->text().isEmpty() && config.destination(3).UserName.isEmpty());
            QVERIFY(!w->commonPage->chkDHCPSrv->isChecked() && !w->commonPage->txtLease->isEnabled());
            QCOMPARE(saveState(*w), "saved");
        }
    }

    // In the sample files destination n is "user<n>", DHCP hands out
    // 10.1.2.254 as default route and the analog ports are swapped. The last
    // tab on screen is selected and edited before opening. Neither a
    // cancelled dialog nor a file that cannot be read replaces anything.
    void open_data()
    {
        QTest::addColumn<int>("tabsOnScreen");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("destinations");
        QTest::newRow("selected tab beyond the file") << 5 << "three-destinations.rcf" << 3;
        QTest::newRow("two tabs, three destinations") << 2 << "three-destinations.rcf" << 3;
        QTest::newRow("two tabs, one destination") << 2 << "one-destination.rcf" << 1;
        QTest::newRow("dialog cancelled") << 3 << "" << 0;
        QTest::newRow("file not readable") << 3 << "unreadable.rcf" << 0;
    }
    void open()
    {
        QFETCH(int, tabsOnScreen);
        QFETCH(QString, file);
        QFETCH(int, destinations);
        addDestinations(*w, tabsOnScreen - 2);
        clickTab(*w, tabsOnScreen);
        setField(*w, "txtUsername", "gone");
        Configuration &c = w->configuration();
        c.ConfigFileName = QStringLiteral("kept.cfg");
        const Configuration before = c;
        QTemporaryDir dir;
        if (file.isEmpty()) {
            prompt->answers = {Answer::No};   // to saving first
            w->mnuFileOpen->trigger();
        } else {
            openSample(*rig, file, dir);
        }
        QCOMPARE(rig->files.openRequests.size(), 1);
        QCOMPARE(prompt->shown.size(), file.isEmpty() || destinations ? 1 : 2);   // a failed read is reported
        if (!destinations) {   // nothing read, nothing replaced, the file name included
            QVERIFY(c == before && w->tabConfig->count() == tabsOnScreen && w->destinationPage->txtUsername->text() == "gone");
            return;
        }
        const QStringList expected = QStringList({Common, First, "接続先2", "接続先3"}).mid(0, destinations + 1);
        QCOMPARE(tabCaptions(*w), expected);
        QVERIFY(c.TabCount == destinations + 1 && c.ConfigFileName == "office.cfg" && c.CurrentTab == w->selectedTab());
        QCOMPARE(w->pages->currentIndex(), w->selectedTab() > 1 ? 1 : 0);
        QCOMPARE(w->commonPage->txtEtherIP->text(), QStringLiteral("10.1.2.3"));
        // The file's DHCP default route wins over the copy of the address.
        QCOMPARE(w->commonPage->txtRouter->text(), QStringLiteral("10.1.2.254"));
        QVERIFY(w->commonPage->chkDHCPSrv->isChecked() && w->commonPage->txtRouter->isEnabled());
        QVERIFY(w->commonPage->cboAnalog[0]->currentIndex() == 1 && w->commonPage->cboAnalog[1]->currentIndex() == 0);
        // Each destination shows its own record, and leaving stores nothing stale.
        for (int n = 1; n <= destinations; ++n) {
            clickTab(*w, n + 1);
            QCOMPARE(w->destinationPage->txtUsername->text(), QStringLiteral("user%1").arg(n));
        }
        clickTab(*w, 1);
        for (int n = 1; n <= destinations; ++n)
            QCOMPARE(c.destination(n).UserName, QStringLiteral("user%1").arg(n));
    }

    // A script whose .rcf is missing opens after Yes with the settings the
    // script carries, as unsaved work under the script's name; lines it
    // cannot place are listed by number to copy. No leaves everything.
    void openLoneScript_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QByteArray>("extraLine");
        QTest::newRow("yes") << Answer::Yes << QByteArray();
        QTest::newRow("no") << Answer::No << QByteArray();
        QTest::newRow("yes, a line nothing takes") << Answer::Yes << QByteArray("set router colour=blue\r\n");
        QTest::newRow("no, a line nothing takes") << Answer::No << QByteArray("set router colour=blue\r\n");
    }
    void openLoneScript()
    {
        QFETCH(Answer, answer);
        QFETCH(QByteArray, extraLine);
        QTemporaryDir pairDir, loneDir;
        for (const char *name : {"office.cfg", "office.rcf"})
            QVERIFY(QFile::copy(QStringLiteral(MG_EXAMPLES "/") + name, pairDir.filePath(name)));
        rig->files.answers = {pairDir.filePath("office.cfg")};
        w->mnuFileOpen_Click();
        QVERIFY(prompt->shown.isEmpty());   // the pair opens without a question
        const Configuration pair = w->configuration();
        AnswerPrompt noEnat(false);
        Configuration pairCopy = pair;
        const QString pairScript = GenerateScript(pairCopy, noEnat);

        QFile example(QStringLiteral(MG_EXAMPLES "/office.cfg"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        const QByteArray script = example.readAll() + extraLine;
        const int extraLineNumber = int(script.count('\n'));
        QFile lone(loneDir.filePath("office.cfg"));
        QVERIFY(lone.open(QIODevice::WriteOnly) && lone.write(script) == script.size());
        lone.close();
        setField(*w, "txtEtherIP", "10.9.9.9");   // unsaved work, kept by not saving
        w->configuration().Saved = true;          // so no save question comes first
        const Configuration before = w->configuration();
        prompt->shown.clear();
        prompt->answers = {answer};
        rig->files.answers = {loneDir.filePath("office.cfg")};
        w->mnuFileOpen->trigger();

        QCOMPARE(prompt->shown.size(), 1);
        QCOMPARE(prompt->shown[0].text, QStringLiteral("設定ファイル「office.rcf」が見つかりません。\r\n"
                                                       "コマンドスクリプト「office.cfg」から設定を読み込みますか？"));
        QVERIFY(prompt->shown[0].icon == MessageIcon::Information && prompt->shown[0].buttons == MessageButtons::YesNo);
        auto *report = w->findChild<UnplacedLinesDialog *>("frmUnplaced");
        if (answer == Answer::No) {
            QVERIFY(w->configuration() == before);
            QCOMPARE(w->commonPage->txtEtherIP->text(), QStringLiteral("10.9.9.9"));
            QVERIFY(!report);
            return;
        }
        Configuration &c = w->configuration();
        QCOMPARE(saveState(*w), "unsaved");
        QCOMPARE(c.ConfigFileName, QStringLiteral("office.cfg"));
        QCOMPARE(w->commonPage->txtEtherIP->text(), pair.Common.EthIP);
        QCOMPARE(tabCaptions(*w).size(), int(pair.TabCount));
        Configuration readCopy = c;
        QCOMPARE(GenerateScript(readCopy, noEnat), pairScript);
        if (extraLine.isEmpty()) {
            QVERIFY(!report);
            return;
        }
        QVERIFY(report && report->isVisible());
        const QString lines = report->findChild<QPlainTextEdit *>("txtLines")->toPlainText();
        QVERIFY2(lines.startsWith(QStringLiteral("%1 行目: set router colour=blue (").arg(extraLineNumber)), qPrintable(lines));
        QCOMPARE(lines.count(QLatin1Char('\n')), 0);
        QApplication::clipboard()->clear();
        QTest::mouseClick(report->findChild<QPushButton *>("cmdCopy"), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), lines);
        QTest::mouseClick(report->findChild<QPushButton *>("cmdClose"), Qt::LeftButton);
        QVERIFY(!report->isVisible());
    }

    void addUpTo32()
    {
        addDestinations(*w, 31);
        QCOMPARE(w->tabCaption(33), QStringLiteral("接続先32"));
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(saveState(*w), "unsaved");   // a new destination is unsaved work
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
            setFields(*w, {QStringLiteral("txtUsername=user%1").arg(n), n == 2 ? "chkDefault=1" : "chkDefault=0"});
            c.bod(n).Uprate = QString::number(50 + n);
        }
        for (const char *face : {"ppp0", "ppp1", "ppp2", "ppp3", "eth0", "ppp1"})
            c.appendRoute(route(face));
        for (const char *face : {"ppp3", "ppp1", "", "ppp2"})
            c.appendEnat(enat(face));
        c.RouteCommands = c.EnatCommands = QStringLiteral("stale");
        // Refused on the common tab, and kept when the question is cancelled.
        clickTab(*w, 1);
        QVERIFY(!menuOffers(w->mnuConnect, w->mnuConnectDel));
        Configuration before = c;
        prompt->answers = {Answer::Ok};
        w->mnuConnectDel_Click();
        QCOMPARE(prompt->lastText(), QStringLiteral("このタブは削除できません"));
        QVERIFY(c == before);
        clickTab(*w, 3);
        QVERIFY(menuOffers(w->mnuConnect, w->mnuConnectDel));
        before = c;
        w->mnuConnectDel->trigger();
        QVERIFY(prompt->shown.size() == 3 && c == before);
        c.Saved = true;   // as after a save
        prompt->shown.clear();
        prompt->answers = {Answer::Ok};
        w->mnuConnectDel->trigger();
        QCOMPARE(prompt->texts(), QStringList{"現在選択されている接続先の設定を削除してもよろしいですか？"});
        QCOMPARE(tabCaptions(*w), QStringList({Common, "接続先1", "接続先2", "接続先3"}));
        QVERIFY(w->selectedTab() == 1 && c.CurrentTab == 1 && c.TabCount == 4);
        QCOMPARE(QStringList({c.destination(2).UserName, c.destination(3).UserName}), QStringList({"user3", "user4"}));
        QCOMPARE(QStringList({c.bod(2).Uprate, c.bod(3).Uprate, c.bod(4).Uprate}), QStringList({"53", "54", ""}));
        // Routes and translations follow their destination to its new interface.
        QStringList faces, enatFaces;
        for (int i = 0; i < c.RouteCount; ++i)
            faces << c.StaticRouteList[i].Int;
        for (int i = 0; i < c.EnatCount; ++i)
            enatFaces << c.EnatList[i].GlobalInterFace;
        QCOMPARE(faces, QStringList({"ppp0", "ppp1", "ppp2", "eth0"}));
        QCOMPARE(enatFaces, QStringList({"ppp2", "", "ppp1"}));
        QVERIFY(c.RouteCommands.isEmpty() && c.EnatCommands.isEmpty());
        QCOMPARE(saveState(*w), "unsaved");
        // The deleted destination carried the default route: it is free again.
        QVERIFY(!c.DefaultRouteTaken);
        clickTab(*w, 3);
        QVERIFY(w->destinationPage->txtUsername->text() == "user3" && w->destinationPage->chkDefault->isEnabled());
    }

    void shortcutsFromTextBox()
    {
        start(false, true);
        // Ctrl+A in a text box adds a destination instead of selecting the text.
        w->commonPage->txtEtherIP->setFocus();
        QTest::keyClicks(w->commonPage->txtEtherIP, QStringLiteral("10.0.0.1"));
        QTest::keyClick(w->commonPage->txtEtherIP, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(w->tabConfig->count() == 3 && !w->commonPage->txtEtherIP->hasSelectedText());
        clickTab(*w, 3);
        w->destinationPage->txtUsername->setFocus();
        prompt->answers = {Answer::Ok};
        QTest::keyClick(w->destinationPage->txtUsername, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w->tabConfig->count(), 2);
        // The editable idle timer list has the focus itself, not its line edit.
        clickTab(*w, 2);
        w->destinationPage->cboIdleTimer->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w->tabConfig->count(), 3);
    }

    // A terminal-type destination that became LAN-type gives up the dynamic
    // ENAT entry a save added for it when its tab is left, even when the tab
    // check keeps the tab; the list then differs from the file, and exit must
    // offer to save. Entries the operator made stay.
    void leavingTab()
    {
        Configuration &c = w->configuration();
        c.Common.EthIP = QStringLiteral("192.168.1.1");
        EnatEntry byHand = enat("ppp0", 3);
        byHand.PrivateIP = QStringLiteral("172.16.0.0");
        for (const EnatEntry &e : {enat("ppp0", 3), enat("ppp0", 2), byHand, enat("ppp1", 3)})
            c.appendEnat(e);
        const auto visit = [&] { clickTab(*w, 2), clickTab(*w, 1); };
        visit();   // LAN type all along
        QCOMPARE(c.EnatCount, int16(4));
        QCOMPARE(saveState(*w), "saved");
        c.destination(1).Type = 1;
        visit();
        QCOMPARE(c.EnatCount, int16(4));   // terminal type: kept
        clickTab(*w, 2);
        w->destinationPage->cboType->setCurrentIndex(0);
        setField(*w, "txtUsername", "unchecked");
        rig->checks.tabCheckPasses = false;
        clickTab(*w, 1);
        QVERIFY(w->selectedTab() == 2 && c.CurrentTab == 2 && w->pages->currentIndex() == 1);
        QVERIFY(c.destination(1).UserName.isEmpty());
        QCOMPARE(c.EnatCount, int16(3));
        QVERIFY(c.EnatList[0].NATType == 2 && c.EnatList[1] == byHand && c.EnatList[2].GlobalInterFace == "ppp1");
        QCOMPARE(saveState(*w), "unsaved");
        rig->checks.tabCheckPasses = true;
        QVERIFY(w->selectTab(1));
        QCOMPARE(c.destination(1).UserName, QStringLiteral("unchecked"));
        visit();
        QCOMPARE(c.EnatCount, int16(3));
    }

    void leasedLineTrimsTabs()
    {
        addDestinations(*w, 4);
        clickTab(*w, 4);
        setField(*w, "chkDefault", "1");
        clickTab(*w, 1);
        Configuration &c = w->configuration();
        c.appendRoute(route("ppp3"));
        c.destination(1).MP = c.destination(1).CallBack = 1;   // BOD and callback would be on for dial-up
        c.bod(2) = {"95", "5", "20", "60"};
        w->commonPage->cboConnect->setCurrentIndex(2);
        QCOMPARE(tabCaptions(*w), QStringList({Common, First}));
        QVERIFY(c.TabCount == 2 && !c.DefaultRouteTaken && c.RouteCount == 0);   // the route over ppp3 went too
        QCOMPARE(saveState(*w), "unsaved");
        QVERIFY(!menuOffers(w->mnuConnect, w->mnuConnectAdd));
        w->mnuConnectAdd_Click();
        QCOMPARE(prompt->texts(), QStringList{"専用線接続の時は、接続先は1個所しか登録できません。"});
        clickTab(*w, 2);
        for (QWidget *off : std::initializer_list<QWidget *>{w->destinationPage->cboType, w->destinationPage->txtISDNNum, w->destinationPage->txtCbdelay, w->destinationPage->cmdBOD})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        clickTab(*w, 1);
        w->commonPage->cboConnect->setCurrentIndex(0);
        clickTab(*w, 2);
        QVERIFY(w->destinationPage->txtISDNNum->isEnabled() && w->destinationPage->txtCbdelay->isEnabled() && w->destinationPage->cmdBOD->isEnabled());
        // A destination added again starts from the default thresholds.
        addDestinations(*w, 1);
        QCOMPARE(c.bod(2), BodSetting{});
        // The first destination keeps its default route through a leased line.
        clickTab(*w, 1);
        c.destination(1).DefRoute = 1;
        c.DefaultRouteTaken = true;
        w->commonPage->cboConnect->setCurrentIndex(1);
        QVERIFY(c.TabCount == 2 && c.DefaultRouteTaken);
    }

    // A list dialog closed with a change marks it, and may have taken the
    // default route for a destination.
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
        const auto dialog = [&, ok] { return ++opened, w->configuration().DefaultRouteTaken = ok; };
        w->setRouteDialog(dialog);
        w->setEnatDialog(dialog);
        w->setBodDialog(dialog);
        clickTab(*w, button == "cmdBOD" ? 2 : 1);
        w->destinationPage->cboMP->setCurrentIndex(1);
        w->configuration().Saved = true;
        w->cmdSave->setEnabled(false);
        QTest::mouseClick(w->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(opened, 1);
        QCOMPARE(saveState(*w), ok ? "unsaved" : "saved");
        QCOMPARE(w->destinationPage->chkDefault->isEnabled(), !ok);
    }

    // A damaged file can hold values no control can show, or longer than a
    // box takes by default. They come back as the controls show them, and
    // whole, so what is saved or generated is what was read and seen.
    void valuesFromAFile()
    {
        const QString longText(40000, QLatin1Char('7'));
        Configuration &config = w->configuration();
        CommonSettings &c = config.Common;
        c.ConnectType = 9;
        c.ANALOG1 = -3;
        c.ANALOG2 = 0;
        c.EthRIP = 7;
        c.PBX_Number = config.destination(1).UserPass = config.destination(1).Idle = longText;
        w->refreshFromConfiguration();
        clickTab(*w, 2);
        clickTab(*w, 1);   // leaving the tab stores the destination from its controls
        QVERIFY(w->commonPage->cboConnect->currentIndex() == 0 && c.ConnectType == 0 && c.EthRIP == 1);
        QCOMPARE(QList<int>({c.ANALOG1, c.ANALOG2}),
                 QList<int>({w->commonPage->cboAnalog[0]->currentIndex(), w->commonPage->cboAnalog[1]->currentIndex()}));
        QVERIFY(c.ANALOG1 != c.ANALOG2);
        QVERIFY(c.PBX_Number == longText && config.destination(1).UserPass == longText
                && config.destination(1).Idle == longText);
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
            w->destinationPage->cboType->setCurrentIndex(tab > 1 ? 1 : 0);
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
