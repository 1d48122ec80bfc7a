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

// A fault in the record of a destination not on screen, or in the one on
// screen that is then removed.
struct RecordCase {
    int destinations, spoilt; // on the window; the destination whose record is faulty
    QString fault;
    int tab;                  // selected when generating
    QString message, title;
    int tabAfter;             // in front afterwards
    QString focus;            // "": not checked by name
};

// A configuration the window and the command line both turn into a script.
struct ScriptCase {
    QString file, dropped; // a sample opened, the line of it replaced
    int tab;               // selected before
    QString edits;
    Answer enat;           // to the ENAT question
    bool save;             // the saved .cfg is compared, else the sample
    QString line;          // in the script; "!": not in it
};

QStringList words(const QString &text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

} // namespace

Q_DECLARE_METATYPE(RecordCase)
Q_DECLARE_METATYPE(ScriptCase)

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

    // Destinations not on screen are checked from their records, generating
    // from a destination page or from the common page; the page on screen is
    // stored on the way. A missing ISDN number, a terminal type routed by RIP
    // or the LAN's address keep the page in front; a fault in the user,
    // password, peer authentication, callback or idle timer brings its
    // destination's tab to the front with the focus on the field. The focus
    // never goes to a hidden page, where typing would change what cannot be seen.
    // A destination removed from the screen is not read from the page.
    void destinationRecords_data()
    {
        QTest::addColumn<RecordCase>("c");
        const auto row = [](const char *name, const RecordCase &c) { QTest::newRow(name) << c; };
        const QString isdn = QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。");
        const QString userOrPassword = QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。");
        row("record without ISDN number", {2, 2, "ISDN", 2, isdn, Error, 2, "txtISDNNum"});
        row("record without ISDN number, from the common page", {2, 2, "ISDN", 1, isdn, Error, 1, ""});
        row("terminal type routed by RIP", {2, 2, "terminal", 2, TerminalNeedsRoute, Route, 2, ""});
        // Records beyond the last destination are left over from deleted ones.
        row("record of a deleted destination", {1, 2, "Ethernet", 2, "", "", 2, ""});
        row("32 destinations", {32, 1, "", 2, "", "", 2, ""});
        row("32 destinations, Ethernet address in the 17th", {32, 17, "Ethernet", 2, AlreadyUsed, PppIP, 2, ""});
        row("password missing", {2, 2, "UserPass", 2, userOrPassword, Error, 3, "txtUserPass"});
        row("user name missing, from the common page", {2, 2, "UserName", 1, userOrPassword, Error, 3, "txtUsername"});
        row("callback timer 101",
            {2, 2, "CBTimer", 2, QStringLiteral("コールバックタイマの値が正しくありません。"), Error, 3, "txtCbdelay"});
        row("peer password missing",
            {2, 2, "AuthPass", 2, QStringLiteral("接続相手を認証する場合、接続相手のユーザ名、\r\nパスワードは省略できません。"),
             Error, 3, "txtAuthUserName"});
        row("idle timer below 0", {2, 2, "Idle", 2, QStringLiteral("アイドルタイマの形式が正しくありません。"),
                                   QStringLiteral("アイドルタイマ"), 3, "cboIdleTimer"});
        row("fault before the selected destination", {2, 1, "UserPass", 3, userOrPassword, Error, 2, "txtUserPass"});
        // With the destination on screen deleted, or all but the first taken by
        // a leased line, the checks must not read it out of the page.
        row("faulty destination on screen deleted", {2, 2, "deleted", 3, "", "", 1, ""});
        row("faulty destination on screen taken by a leased line", {2, 2, "leased", 3, "", "", 1, ""});
    }
    void destinationRecords()
    {
        QFETCH(RecordCase, c);
        QVERIFY(w->selectTab(1) && w->selectTab(2));   // destination 1 into its record
        addDestinations(*w, c.destinations - 1);
        Configuration &config = w->configuration();
        for (int n = 2; n <= qMax(c.destinations, c.spoilt); ++n) {
            config.destination(n) = config.destination(1);
            config.destination(n).DefRoute = 0;
            config.destination(n).PPPRIP = 1;
            config.destination(n).PPPIP = QStringLiteral("10.0.%1.1").arg(n);
        }
        QVERIFY(w->selectTab(c.tab));
        if (c.tab > 1)
            setField(*w, "txtISDNNum", "03-0000-0000");   // on screen, not stored yet
        else
            w->commonPage->txtSyslog->setFocus();
        Destination &d = config.destination(c.spoilt);
        if (c.fault == "ISDN")
            d.ISDN_Num.clear();
        else if (c.fault == "terminal")
            d.Type = 1;
        else if (c.fault == "Ethernet")
            d.PPPIP = QStringLiteral("192.168.1.1");
        else if (c.fault == "UserPass")
            d.UserPass.clear();
        else if (c.fault == "UserName")
            d.UserName.clear();
        else if (c.fault == "CBTimer")
            d.CallBack = 1, d.CBTimer = 101;
        else if (c.fault == "AuthPass")
            d.Authentication = 1, d.AuthName = QStringLiteral("peer");
        else if (c.fault == "Idle")
            d.Idle = QStringLiteral("-5");
        if (c.fault == "deleted" || c.fault == "leased") {
            setFields(*w, {"txtUsername=", "txtUserPass="});   // only the walk over all destinations refuses that
            if (c.fault == "leased") {
                QVERIFY2(w->selectTab(1), qPrintable(prompt->texts().join("|")));
                w->commonPage->cboConnect->setCurrentIndex(1);
            } else {
                prompt->answers = {MessageAnswer::Ok};
                w->mnuConnectDel->trigger();
                prompt->shown.clear();
            }
            QCOMPARE(w->tabConfig->count(), 2);
        }
        generate();
        QCOMPARE(prompt->texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        QCOMPARE(prompt->lastTitle(), c.title);
        QCOMPARE(rig->scriptWindows, c.message.isEmpty() ? 1 : 0);
        QCOMPARE(w->selectedTab(), c.tabAfter);
        QCOMPARE(w->configuration().CurrentTab, int16(c.tabAfter));
        if (c.tabAfter > 1)
            QCOMPARE(w->destinationPage->txtPPPIP->text(), config.destination(c.tabAfter - 1).PPPIP);
        if (c.tab > 1 && c.tabAfter > 1)   // stored on the way, unless it went
            QCOMPARE(config.destination(c.tab - 1).ISDN_Num, QStringLiteral("03-0000-0000"));
        QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->isVisible());
        if (!c.focus.isEmpty())
            QCOMPARE(focusName(), c.focus);
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

    // The window generates exactly the script the command line makes from
    // the same file: a sample opened (one line of it replaced by "LQR=1"),
    // with the tab selected before still in front, or the configuration
    // as saved, whose .cfg holds that script (the file format adds one CR LF)
    // whatever the save adds on its way and whatever was never filled in.
    void commandLineAgrees_data()
    {
        QTest::addColumn<ScriptCase>("c");
        const auto row = [](const char *name, const ScriptCase &c) { QTest::newRow(name) << c; };
        const QString nat = QStringLiteral("add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0");
        row("terminal type, the ENAT entry declined, then added by the save", {"", "", 2, "cboType=#1", Answer::No, true, nat});
        row("terminal type, the ENAT entry accepted", {"", "", 2, "cboType=#1", Answer::Yes, true, nat});
        row("bandwidth on demand, thresholds never edited",
            {"", "", 2, "cboMP=#1", Answer::No, true, "set ppp=0 uprate=80 uptime=30 downrate=20 downtime=60"});
        row("a file whose thresholds lack one line",
            {"dialup-two-lan.rcf", "Uptime=20", 2, "", Answer::No, true, "set ppp=1 uprate=70 uptime=30 downrate="});
        row("dial-up, two LAN destinations", {"dialup-two-lan.rcf", "", 1, "", Answer::No, false, ""});
        row("dial-up terminal type, ENAT yes", {"dialup-terminal.rcf", "", 2, "", Answer::Yes, false, "enable ip nat\r\n"});
        row("dial-up terminal type, ENAT no", {"dialup-terminal.rcf", "", 1, "", Answer::No, false, "!enable ip nat\r\n"});
        row("128k leased line", {"leased128.rcf", "", 2, "", Answer::No, false, ""});
    }
    void commandLineAgrees()
    {
        QFETCH(ScriptCase, c);
        QTemporaryDir dir;
        const QString cfg = dir.filePath("office.cfg");
        QVERIFY(w->selectTab(c.tab));
        if (!c.file.isEmpty()) {
            QFile sample(QStringLiteral(MG_EDITOR_TEST_DATA "/") + c.file), copy(dir.filePath("office.rcf"));
            QVERIFY(sample.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly));
            QByteArray bytes = sample.readAll();
            QVERIFY(c.dropped.isEmpty() || bytes.contains(c.dropped.toLatin1() + "\r\n"));
            copy.write(c.dropped.isEmpty() ? bytes : bytes.replace(c.dropped.toLatin1() + "\r\n", "LQR=1\r\n"));
            copy.close();
            rig->files.answers = {cfg};
            prompt->answers = {Answer::No};   // to saving the window's settings first
            w->mnuFileOpen_Click();
            QCOMPARE(w->configuration().ConfigFileName, QStringLiteral("office.cfg"));
            QCOMPARE(w->selectedTab(), c.tab);
        }
        setFields(*w, words(c.edits));
        prompt->shown.clear();
        prompt->answers = {c.enat};
        QByteArray written;
        if (c.save) {
            rig->files.answers = {cfg};
            QTest::mouseClick(w->cmdSave, Qt::LeftButton);
            QVERIFY2(w->configuration().SaveSucceeded, qPrintable(prompt->texts().join("|")));
            QVERIFY(prompt->shown.size() <= 1);   // the ENAT question is never asked twice
            QFile saved(cfg);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            written = saved.readAll();
            prompt->answers = {Answer::No};   // after a save the entry answers for itself
        }
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const QString enat = c.enat == Answer::Yes ? QStringLiteral("--enat=yes") : QStringLiteral("--enat=no");
        QVERIFY2(runCommandLine(QStringList{"marrowgate", "generate"} + (c.save ? QStringList() : QStringList{enat}) + QStringList{cfg},
                                out, err) == 0,
                 err.data().constData());
        if (c.save)
            QCOMPARE(written, out.data() + "\r\n");
        const bool absent = c.line.startsWith('!');
        QVERIFY2(out.data().contains(c.line.mid(absent ? 1 : 0).toLatin1()) != absent, out.data().constData());
        generate();
        for (const mgtest::ShownMessage &m : std::as_const(prompt->shown))
            QCOMPARE(m.title, EnatTitle);   // nothing but the ENAT question
        QCOMPARE(rig->scriptWindows, 1);
        QCOMPARE(ShiftJis::encode(w->configuration().CommandScript).value_or(QByteArray()), out.data());
    }
};

QTEST_MAIN(TestValidation)
#include "tst_validation.moc"
