// The checks of the editor window and the generate command, driven through
// the real fields: the messages and where the focus lands, the walk over the
// stored destinations, the route checks, the ENAT question, the script window
// and the script generated from an opened file.

#include "CommandLine.h"
#include "EditorTestKit.h"
#include "ShiftJis.h"
#include "frmScript.h"

#include <QBuffer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace mg;
using Answer = mg::MessageAnswer;

namespace {

const QString Error = QStringLiteral("エラー");
const QString Route = QStringLiteral("経路制御");
const QString PppIP = QStringLiteral("PPPインターフェースのIPアドレス");
const QString TerminalNeedsRoute =
    QStringLiteral("端末型設定の場合は、デフォルトルート、又は、スタティックルートを\r\n選択して下さい。");
const QString AlreadyUsed = QStringLiteral("入力されたPPPインターフェースのIPアドレスはすでに設定されています。");
const QString NoRoute = QStringLiteral("ルートの設定がありません。");
const QString StaticIncomplete = QStringLiteral("スタティックにルートを設定する場合は、接続先のIPアドレス、\r\n"
                                                "ネットマスク、またはネクストホップは省略できません。");
const QString EnatTitle = QStringLiteral("ENATの設定");
const QStringList StaticRoute{"chkDefault=0", "chkStaticRoute=1", "txtRouteIP=10.1.0.0", "txtRouteNetMask=255.255.0.0",
                              "txtNextHop=10.0.0.2"};

} // namespace

class TestValidation : public EditorFixture {
    Q_OBJECT

    void generate() { QTest::mouseClick(w->cmdGen, Qt::LeftButton); }
    void expectMessage(const QString &text, const QString &title)
    {
        QCOMPARE(prompt->texts(), QStringList{text});
        QCOMPARE(prompt->lastTitle(), title);
        QCOMPARE(prompt->shown[0].icon, MessageIcon::Critical);
    }

private slots:
    // A small office on dial-up with one LAN-type destination carrying the
    // default route: every check passes. The destination tab stays selected.
    void init()
    {
        start(true, true);
        setFields(*w, {"txtEtherIP=192.168.1.1"});
        QVERIFY(w->selectTab(2));
        setFields(*w, {"txtISDNNum=03-1234-5678", "txtUsername=office", "txtUserPass=secret", "txtPPPIP=10.0.0.1",
                       "chkDefault=1"});
        QVERIFY(prompt->shown.isEmpty());
    }
    void cleanup() { rig.reset(); }

    void checks_data()
    {
        addRowsFromTable(QStringLiteral("checks.tsv"), 6);
    }
    void checks()
    {
        QFETCH(QStringList, row);
        const QString &where = row[0], &edits = row[1], &text = row[2], &title = row[3], &focus = row[4];
        if (where == "common")
            QVERIFY(w->selectTab(1));
        setFields(*w, edits.split(QLatin1Char(' ')));
        if (text == "-") {
            QVERIFY(where == "common" || (w->selectTab(1) && w->selectTab(2)));
            generate();
            QVERIFY2(prompt->shown.isEmpty() || prompt->lastTitle() == EnatTitle, qPrintable(prompt->lastText()));
            QCOMPARE(rig->scriptWindows, 1);
            return;
        }
        prompt->shown.clear();
        const QString focusBefore = focusName();
        const Configuration before = w->configuration();
        if (where == "page")
            QVERIFY(!w->selectTab(1));
        else
            generate();
        expectMessage(text, title);
        QCOMPARE(focusName(), focus == "-" ? focusBefore : focus);
        if (QLineEdit *line = lineOf(*w, focus); row[5] == "selected")
            QVERIFY(line && line->selectedText() == line->text()
                    && (line->text().isEmpty() || line->hasSelectedText()));
        QCOMPARE(rig->scriptWindows, 0);
        QCOMPARE(w->selectedTab(), where == "common" ? 1 : 2);
        if (where == "walk")
            return;
        // A refused page is not stored, nor is anything else changed.
        QVERIFY(w->configuration() == before);
        if (where == "page")
            return;
        // Leaving the page is refused with the same message, except for the
        // missing Ethernet values, which only the whole check looks for.
        prompt->shown.clear();
        QVERIFY(!w->selectTab(2));
        QCOMPARE(prompt->shown.size(), 1);
        if (edits != "txtEtherIP=")
            expectMessage(text, title);
    }

    // Destinations not on screen are checked from their records, generated
    // from the page of destination 1 or from the common page; the focus never
    // goes to the hidden page, where typing would change what cannot be seen.
    void storedDestinations_data()
    {
        QTest::addColumn<int>("destinations");
        QTest::addColumn<int>("spoilt");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("tab");
        QTest::newRow("record without ISDN number") << 2 << 2 << "ISDN" << 2;
        QTest::newRow("record without ISDN number, from the common page") << 2 << 2 << "ISDN" << 1;
        QTest::newRow("terminal type routed by RIP") << 2 << 2 << "terminal" << 2;
        // Records beyond the last destination are left over from deleted ones.
        QTest::newRow("record of a deleted destination") << 1 << 2 << "Ethernet" << 2;
        QTest::newRow("32 destinations") << 32 << 0 << "" << 2;
        QTest::newRow("32 destinations, Ethernet address in the 17th") << 32 << 17 << "Ethernet" << 2;
    }
    void storedDestinations()
    {
        QFETCH(int, destinations);
        QFETCH(int, spoilt);
        QFETCH(QString, fault);
        QFETCH(int, tab);
        QVERIFY(w->selectTab(1) && w->selectTab(2));   // destination 1 into its record
        addDestinations(*w, destinations - 1);
        Configuration &c = w->configuration();
        for (int n = 2; n <= qMax(destinations, spoilt); ++n) {
            c.destination(n) = c.destination(1);
            c.destination(n).DefRoute = 0;
            c.destination(n).PPPRIP = 1;
            c.destination(n).PPPIP = QStringLiteral("10.0.%1.1").arg(n);
        }
        if (fault == "ISDN")
            c.destination(spoilt).ISDN_Num.clear();
        else if (fault == "terminal")
            c.destination(spoilt).Type = 1;
        else if (fault == "Ethernet")
            c.destination(spoilt).PPPIP = QStringLiteral("192.168.1.1");
        const QMap<QString, QStringList> messages{{"ISDN", {"ダイアルアップ接続の時は、ISDN番号は省略できません。", Error}},
                                                  {"terminal", {TerminalNeedsRoute, Route}},
                                                  {"Ethernet", {AlreadyUsed, PppIP}}};
        const QStringList expected = spoilt <= destinations ? messages.value(fault) : QStringList();
        QVERIFY(w->selectTab(tab));
        if (tab == 1)
            w->commonPage->txtSyslog->setFocus();
        generate();
        QCOMPARE(prompt->texts(), expected.mid(0, 1));
        QCOMPARE(prompt->lastTitle(), expected.value(1));
        QCOMPARE(rig->scriptWindows, expected.isEmpty() ? 1 : 0);
        QCOMPARE(w->destinationPage->txtISDNNum->text(), QStringLiteral("03-1234-5678"));   // still destination 1 on screen
        if (fault == "ISDN" && tab == 2)
            QCOMPARE(focusName(), QStringLiteral("txtISDNNum"));
        if (tab == 1) {
            QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->isVisible());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
            QCOMPARE(w->destinationPage->txtISDNNum->text(), QStringLiteral("03-1234-5678"));
        }
    }

    // The checks of a destination's user, password, peer authentication,
    // callback timer and idle timer read the page for the destination on
    // screen and the record for every other one. A fault in another one
    // brings its tab to the front (the page left is stored on the way), then
    // the message comes with the focus on the field.
    void hiddenDestinationsAreChecked_data()
    {
        QTest::addColumn<int>("spoilt");   // the destination whose record is faulty
        QTest::addColumn<int>("tab");      // selected when generating
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus");
        const QString userOrPassword = QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。");
        QTest::newRow("password missing") << 2 << 2 << "UserPass" << userOrPassword << Error << "txtUserPass";
        QTest::newRow("user name missing, from the common page")
            << 2 << 1 << "UserName" << userOrPassword << Error << "txtUsername";
        QTest::newRow("callback timer 101") << 2 << 2 << "CBTimer"
                                            << "コールバックタイマの値が正しくありません。" << Error << "txtCbdelay";
        QTest::newRow("peer password missing")
            << 2 << 2 << "AuthPass" << "接続相手を認証する場合、接続相手のユーザ名、\r\nパスワードは省略できません。" << Error
            << "txtAuthUserName";
        QTest::newRow("idle timer below 0") << 2 << 2 << "Idle" << "アイドルタイマの形式が正しくありません。"
                                            << "アイドルタイマ" << "cboIdleTimer";
        QTest::newRow("fault before the selected destination")
            << 1 << 3 << "UserPass" << userOrPassword << Error << "txtUserPass";
    }
    void hiddenDestinationsAreChecked()
    {
        QFETCH(int, spoilt);
        QFETCH(int, tab);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QVERIFY(w->selectTab(1) && w->selectTab(2));   // destination 1 into its record
        addDestinations(*w, 1);
        Configuration &c = w->configuration();
        c.destination(2) = c.destination(1);
        c.destination(2).DefRoute = 0;
        c.destination(2).PPPRIP = 1;
        c.destination(2).PPPIP = QStringLiteral("10.0.2.1");
        QVERIFY(w->selectTab(tab));
        if (tab > 1)
            setField(*w, "txtISDNNum", "03-0000-0000");   // on screen, not stored yet
        Destination &d = c.destination(spoilt);
        if (fault == "UserPass")
            d.UserPass.clear();
        else if (fault == "UserName")
            d.UserName.clear();
        else if (fault == "CBTimer")
            d.CallBack = 1, d.CBTimer = 101;
        else if (fault == "AuthPass")
            d.Authentication = 1, d.AuthName = QStringLiteral("peer");
        else if (fault == "Idle")
            d.Idle = QStringLiteral("-5");
        generate();
        QCOMPARE(prompt->texts(), QStringList{message});
        QTEST(prompt->lastTitle(), "title");
        QCOMPARE(rig->scriptWindows, 0);
        QCOMPARE(w->selectedTab(), spoilt + 1);
        QCOMPARE(w->configuration().CurrentTab, int16(spoilt + 1));
        QCOMPARE(w->destinationPage->txtPPPIP->text(), c.destination(spoilt).PPPIP);
        QTEST(focusName(), "focus");
        if (tab > 1)
            QCOMPARE(c.destination(tab - 1).ISDN_Num, QStringLiteral("03-0000-0000"));
    }

    // Deleting the destination on screen, or a leased line taking all but
    // the first, leaves the common page in front; the checks must then not
    // read the removed destination out of the destination controls.
    void removedDestinationIsNotChecked_data()
    {
        QTest::addColumn<bool>("leased");
        QTest::newRow("deleted") << false;
        QTest::newRow("leased line") << true;
    }
    void removedDestinationIsNotChecked()
    {
        QFETCH(bool, leased);
        QVERIFY(w->selectTab(1) && w->selectTab(2));
        addDestinations(*w, 1);
        QVERIFY(w->selectTab(3));
        // Leaves its tab, but the walk over all destinations refuses it.
        setFields(*w, {"txtISDNNum=03-9999-0000", "txtPPPIP=10.0.9.1", "txtPPPNetMask=255.255.255.0", "chkRIPPPP=1",
                       "txtUsername=", "txtUserPass="});
        if (leased) {
            QVERIFY2(w->selectTab(1), qPrintable(prompt->texts().join("|")));
            w->commonPage->cboConnect->setCurrentIndex(1);
        } else {
            prompt->answers = {MessageAnswer::Ok};
            w->mnuConnectDel->trigger();
            prompt->shown.clear();
        }
        QCOMPARE(w->tabConfig->count(), 2);
        generate();
        QCOMPARE(prompt->texts(), QStringList());
        QCOMPARE(rig->scriptWindows, 1);
    }

    // The record of the destination on screen is only brought up to date when
    // its tab is left; until then the page is what the checks read.
    void pageIsTheTruthForItsDestination()
    {
        setFields(*w, {"chkPPPDyn=1", "txtUsername=newname", "txtUserPass="});
        generate();   // the walk stores the page even though a later check fails
        expectMessage(QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。"), Error);
        QCOMPARE(w->configuration().destination(1).UserName, QStringLiteral("newname"));
        prompt->shown.clear();
        Destination &stored = w->configuration().destination(1);
        stored.Type = 1;   // terminal type without a route
        stored.DefRoute = 0;
        // A correction on the page is not held back by the old record.
        setFields(*w, QStringList{"chkPPPDyn=0", "txtUserPass=secret", "cboType=#1"} + StaticRoute);
        QVERIFY(w->selectTab(1));
        QVERIFY(prompt->shown.isEmpty());
        // Destination 1 is stored with 10.0.0.1; the LAN then takes that address.
        setFields(*w, {"txtEtherIP=10.0.0.1"});
        QVERIFY(w->selectTab(2));
        QVERIFY(!w->selectTab(1));
        expectMessage(AlreadyUsed, PppIP);
        prompt->shown.clear();
        setFields(*w, {"txtPPPIP=10.0.0.5", "txtRouteIP=10.1.0"});   // the stored route was good; this is not
        QVERIFY(!w->selectTab(1));
        expectMessage(QStringLiteral("接続先のネットワークIPアドレスの形式が正しくありません。"),
                      QStringLiteral("接続先のネットワークIPアドレス"));
        QCOMPARE(w->configuration().destination(1).RouteIP, QStringLiteral("10.1.0.0"));
        prompt->shown.clear();
        setFields(*w, {"txtRouteIP=10.1.0.0"});
        QVERIFY(w->selectTab(1));
        QCOMPARE(w->configuration().destination(1).PPPIP, QStringLiteral("10.0.0.5"));
    }

    // The generate command's own check that every destination has a route,
    // behind checks that let everything through, for destination 2 while
    // destination 1 or the common page is on screen.
    void routeChecks_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("tab");
        QTest::newRow("LAN type without route") << 0 << "" << NoRoute << 2;
        QTest::newRow("terminal type with RIP only") << 1 << "RIP" << NoRoute << 2;
        QTest::newRow("static route without next hop") << 0 << "static" << StaticIncomplete << 2;
        QTest::newRow("static route without next hop, from the common page") << 0 << "static" << StaticIncomplete << 1;
        QTest::newRow("LAN type with RIP") << 0 << "RIP" << "" << 2;
        QTest::newRow("terminal type with static route") << 1 << "static, next hop" << "" << 2;
    }
    void routeChecks()
    {
        QFETCH(int, type);
        QFETCH(QString, route);
        QFETCH(QString, message);
        QFETCH(int, tab);
        setFields(*w, StaticRoute);
        w->mnuConnectAdd_Click();
        QVERIFY(w->selectTab(1) && w->selectTab(2));   // destination 1 into its record
        Destination &d = w->configuration().destination(2);
        d = w->configuration().destination(1);
        d.Type = int16(type);
        d.PPPRIP = route == "RIP";
        d.StaticRoute = route.startsWith("static");
        if (!route.endsWith("next hop"))
            d.RouteNextHop.clear();
        w->configuration().CommandScript = QStringLiteral("old\r\n");
        int windows = 0;
        GenerateCommand command(*w, rig->checks, *prompt, [&windows] { ++windows; });
        QVERIFY(w->selectTab(tab));
        QLineEdit *focused = tab == 1 ? w->commonPage->txtSyslog : w->destinationPage->txtUsername;
        focused->setFocus();
        command.cmdGen_Click();
        QCOMPARE(rig->checks.configurationChecks.size(), 1);
        QCOMPARE(windows, message.isEmpty() ? 1 : 0);
        QCOMPARE(w->configuration().CommandScript.startsWith(QStringLiteral("enable ip")), message.isEmpty());
        if (message.isEmpty())
            return;   // a terminal type still gets its ENAT question
        QCOMPARE(prompt->texts(), QStringList{message});
        QCOMPARE(prompt->lastTitle(), QStringLiteral("設定の作成"));
        // Only onto the page in front: a hidden box would take the keys.
        QCOMPARE(focusName(), message == StaticIncomplete && tab == 2 ? "txtRouteIP" : focused->objectName());
    }

    void enatQuestion_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("checkFails");
        QTest::newRow("yes") << Answer::Yes << false;
        QTest::newRow("no") << Answer::No << false;
        QTest::newRow("check fails first") << Answer::Yes << true;
    }
    void enatQuestion()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, checkFails);
        setFields(*w, {"cboType=#1", checkFails ? "txtUserPass=" : "txtUserPass=secret"});
        w->configuration().Saved = true;   // as if just saved: only an accepted entry is a change
        prompt->answers = {answer};
        generate();
        QCOMPARE(prompt->shown.size(), 1);
        const Configuration &config = w->configuration();
        const bool added = answer == Answer::Yes && !checkFails;
        QCOMPARE(config.EnatCount, int16(added ? 1 : 0));
        QCOMPARE(config.Saved, !added);
        QCOMPARE(config.CommandScript.contains(QStringLiteral("enable ip nat\r\nadd ip nat ip=192.168.1.0 "
                                                              "mask=255.255.255.0 gblint=ppp0\r\n")),
                 added);
        QCOMPARE(rig->scriptWindows, checkFails ? 0 : 1);
        QCOMPARE(prompt->lastTitle() == EnatTitle, !checkFails);
        if (checkFails)
            return;
        QCOMPARE(prompt->shown[0].buttons, MessageButtons::YesNo);
        QVERIFY(prompt->lastText().startsWith(QStringLiteral("接続先1は端末型の設定です。\r\n\r\n")));
        // Generating again: after Yes the entry answers the question for good.
        prompt->shown.clear();
        generate();
        QCOMPARE(prompt->shown.size(), added ? 0 : 1);
    }

    void scriptWindowKeepsHandEdits()
    {
        installValidation(*w, *prompt);   // the production wiring, the real script window
        QString shown;
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            auto *window = qobject_cast<frmScript *>(QApplication::activeModalWidget());
            if (!window)
                return;
            driver.stop();
            shown = window->parentWidget() == w ? frmScript::scriptText(*window->txtScript) : QStringLiteral("?");
            prompt->answers = {Answer::Ok};   // the warning before editing by hand
            window->cmdEdit->click();
            window->txtScript->moveCursor(QTextCursor::End);
            window->txtScript->insertPlainText(QStringLiteral("save\n"));
            window->cmdEdit->click();
            window->cmdReconf->click();
        });
        driver.start(10);
        QTimer::singleShot(5000, &driver, &QTimer::stop);
        generate();
        QVERIFY2(shown.startsWith(QStringLiteral("enable ip\r\n")), qPrintable(shown));
        QCOMPARE(w->configuration().CommandScript, shown + QStringLiteral("save\r\n"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A save writes a .cfg that is exactly the script the command line makes
    // from the .rcf beside it (the file format adds one CR LF), whatever the
    // save adds on its way and whatever the operator never filled in.
    void savedPairAgrees_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("file");   // opened first when not empty, one line replaced by "LQR=1"
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<Answer>("enat");
        QTest::addColumn<QString>("line");   // part of the .cfg that must be there
        QTest::newRow("terminal type, the ENAT entry declined, then added by the save")
            << QStringList{"cboType=#1"} << "" << "" << Answer::No << "add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0";
        QTest::newRow("terminal type, the ENAT entry accepted")
            << QStringList{"cboType=#1"} << "" << "" << Answer::Yes << "add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0";
        QTest::newRow("bandwidth on demand, thresholds never edited")
            << QStringList{"cboMP=#1"} << "" << "" << Answer::No << "set ppp=0 uprate=80 uptime=30 downrate=20 downtime=60";
        QTest::newRow("a file whose thresholds lack one line")
            << QStringList{} << "dialup-two-lan.rcf" << "Uptime=20" << Answer::No
            << "set ppp=1 uprate=70 uptime=30 downrate=";
    }
    void savedPairAgrees()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, file);
        QFETCH(QString, dropped);
        QFETCH(Answer, enat);
        QFETCH(QString, line);
        QTemporaryDir dir;
        if (!file.isEmpty()) {
            QFile sample(QStringLiteral(MG_EDITOR_TEST_DATA "/") + file);
            QVERIFY(sample.open(QIODevice::ReadOnly));
            QByteArray bytes = sample.readAll();
            QVERIFY(bytes.contains(dropped.toLatin1() + "\r\n"));
            bytes.replace(dropped.toLatin1() + "\r\n", "LQR=1\r\n");
            QFile copy(dir.filePath("hand.rcf"));
            QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
            copy.close();
            rig->files.answers = {dir.filePath("hand.cfg")};
            prompt->answers = {Answer::No};   // to saving the window's settings first
            w->mnuFileOpen_Click();
            QCOMPARE(w->configuration().ConfigFileName, QStringLiteral("hand.cfg"));
        }
        setFields(*w, edits);
        prompt->shown.clear();
        prompt->answers = {enat};
        rig->files.answers = {dir.filePath("office.cfg")};
        QTest::mouseClick(w->cmdSave, Qt::LeftButton);
        QVERIFY2(w->configuration().SaveSucceeded, qPrintable(prompt->texts().join("|")));
        for (const mgtest::ShownMessage &m : std::as_const(prompt->shown))
            QCOMPARE(m.title, EnatTitle);
        QVERIFY(prompt->shown.size() <= 1);   // the question is never asked twice
        QFile cfg(dir.filePath("office.cfg"));
        QVERIFY(cfg.open(QIODevice::ReadOnly));
        const QByteArray written = cfg.readAll();
        QVERIFY2(written.contains(line.toLatin1()), written.constData());
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        QVERIFY2(runCommandLine({"marrowgate", "generate", dir.filePath("office.cfg")}, out, err) == 0,
                 err.data().constData());
        QCOMPARE(written, out.data() + "\r\n");
        // The window keeps generating what it saved.
        prompt->answers = {Answer::No};
        generate();
        QCOMPARE(ShiftJis::encode(w->configuration().CommandScript).value_or(QByteArray()), out.data());
    }

    // Opening leaves the tab selected before in front. With the common page
    // there, the destination page must still hold a destination of the file,
    // since the checks read it. Either way the script is the command line's.
    void sameScriptAsTheCommandLine_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("enatYes");
        QTest::newRow("dial-up, two LAN destinations") << "dialup-two-lan.rcf" << 1 << false;
        QTest::newRow("dial-up terminal type, ENAT yes") << "dialup-terminal.rcf" << 2 << true;
        QTest::newRow("dial-up terminal type, ENAT no") << "dialup-terminal.rcf" << 1 << false;
        QTest::newRow("128k leased line") << "leased128.rcf" << 2 << false;
    }
    void sameScriptAsTheCommandLine()
    {
        QFETCH(QString, file);
        QFETCH(int, tab);
        QFETCH(bool, enatYes);
        QTemporaryDir dir;
        QVERIFY(w->selectTab(tab));
        openSample(*rig, file, dir);
        QCOMPARE(w->selectedTab(), tab);
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const QString enat = enatYes ? QStringLiteral("--enat=yes") : QStringLiteral("--enat=no");
        QVERIFY2(runCommandLine({"marrowgate", "generate", enat, dir.filePath("office.cfg")}, out, err) == 0,
                 err.data().constData());
        prompt->shown.clear();
        prompt->answers = {enatYes ? Answer::Yes : Answer::No};
        generate();
        for (const mgtest::ShownMessage &m : std::as_const(prompt->shown))
            QCOMPARE(m.title, EnatTitle);   // nothing but the ENAT question
        QCOMPARE(rig->scriptWindows, 1);
        const std::optional<QByteArray> windowBytes = ShiftJis::encode(w->configuration().CommandScript);
        QVERIFY(windowBytes);
        QCOMPARE(*windowBytes, out.data());
        QCOMPARE(out.data().contains("enable ip nat\r\n"), enatYes);
    }
};

QTEST_MAIN(TestValidation)
#include "tst_validation.moc"
