// The transfer from the real windows: "設定を送信" in the script window, the
// router address, the login window, the default password dialog and the
// progress window, driven as an operator drives them, against the router
// simulator. The router's state afterwards is what counts. Message boxes
// are answered by the scripted prompt; the windows' timers are fired as soon
// as the router has answered (manual tickers), not after real seconds.

#include "Configuration.h"
#include "InputGuard.h"
#include "MakerEncoder.h"
#include "DialogueTickers.h"
#include "ManualTicker.h"
#include "RouterInstall.h"
#include "RouterSimulator.h"
#include "SendText.h"
#include "SerialLine.h"
#include "SessionChecks.h"
#include "TestFakes.h"
#include "TftpServer.h"
#include "TransferWindows.h"
#include "frmDefaultPass.h"
#include "frmLogin.h"
#include "frmScript.h"
#include "frmStatus.h"
#include "frmTelnet.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

using namespace mg;
using namespace mgtest;

namespace {

const QString Script = QStringLiteral("enable ip\r\nset ip interface=eth0 address=192.168.44.2 mask=255.255.255.0\r\n");

QStringList configLines(const QString &text)
{
    return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// The question before a LAN transfer with the stand-in encoder (the one
// built here, which the simulator reads): true when it came first, and it
// is then taken off the list, so that the rest are the transfer's own.
bool tookStandInQuestion(ScriptedPrompt &prompt)
{
    if (prompt.shown.isEmpty() || prompt.shown.first().title != QStringLiteral("パスワード暗号化プログラム"))
        return false;
    prompt.shown.removeFirst();
    return true;
}

const QString StopQuestionEnd = QStringLiteral("送信を中止しますか?");

// The scripted boxes, and which of the dialogue's timers ran while each was
// open: a box's own event loop must not type on behind the operator's back.
// The question whether to stop takes the answer set for it.
class WatchingPrompt : public ScriptedPrompt {
public:
    ManualTickerFactory *tickers = nullptr;
    std::optional<MessageAnswer> stopAnswer;
    std::function<void()> whileAsked;   // runs while the question is open
    QStringList liveTimers;   // per box shown: the names, comma-separated

    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon, MessageButtons buttons) override
    {
        QStringList live;
        for (const char *name : DialogueTickers)
            if (tickers && tickers->isActive(name))
                live << QString::fromLatin1(name);
        if (tickers && tickers->isActive(RouterInstall::StallTicker))
            live << QString::fromLatin1(RouterInstall::StallTicker);
        liveTimers << live.join(QLatin1Char(','));
        if (stopAnswer && text.endsWith(StopQuestionEnd)) {
            shown.append({text, title, icon, buttons});
            if (whileAsked)
                whileAsked();
            return *stopAnswer;
        }
        return ScriptedPrompt::show(text, title, icon, buttons);
    }

    const ShownMessage *find(const QString &title) const
    {
        for (const ShownMessage &m : shown)
            if (m.title == title)
                return &m;
        return nullptr;
    }
};

// The lines typed, as the progress window shows them ("送信した行: 12 / 22").
int linesShown(const frmStatus *status)
{
    static const QRegularExpression count(QStringLiteral("^送信した行: (\\d+) / "));
    const QRegularExpressionMatch match = count.match(status->lblProgress->text());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// How the login window looked at one OK.
struct LoginAttempt {
    bool okBefore = false;        // OK could be pressed
    bool lineBefore = false;      // "ログインしています..." showed
    bool okAfter = true;          // ... and once the login ran
    bool lineAfter = false;
    bool waitPointer = false;
    bool okAfterTyping = true;    // a key typed into the password meanwhile
};

// Plays the operator in whichever window is in front, and fires the
// windows' timers once the router has answered.
class Operator : public QObject {
public:
    Operator(ManualTickerFactory &tickers, ScriptedPrompt &prompt) : m_tickers(tickers), m_prompt(prompt)
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &Operator::step);
        m_clock.start();
        m_quiet.start();
        m_timer.start();
    }

    QString user = QStringLiteral("manager");
    QStringList passwords{QStringLiteral("pastry")};
    QString routerAddress = QStringLiteral("127.0.0.2");
    std::optional<QString> newPassword;            // typed after a factory login; nothing: 変更しない
    std::function<void()> onTransferWindow;        // once, when the progress window comes up
    int stallAfterQuietMs = -1;                    // fires the stall watch after that long without output
    QStringList windowsSeen;
    // Closes the progress window once: when this many lines are typed
    // (and the router has answered closeAfterAnswerTo, when set), or when
    // the step shown holds closeAtStep.
    int closeAtLine = -1;
    QString closeAfterAnswerTo;
    QString closeAtStep;
    // At each OK of the login window: Enter and OK again at once, and a key
    // typed into the password, as an impatient operator would.
    bool pressAgain = false;
    QList<LoginAttempt> attempts;
    // The progress window's step and time left, each change as it came;
    // the time left with the lines typed then.
    QStringList stepsShown;
    QList<QPair<int, QString>> timeLeftShown;
    int barValue = -1;
    int barMaximum = -1;
    // What the login and progress windows showed last, and where the
    // progress window said the transcript is.
    QString loginShown, statusShown, transcriptShown;
    // Sees the window in front (none: nullptr) before anything else is
    // done there; true when it has dealt with it.
    std::function<bool(QWidget *)> first;

private:
    void step()
    {
        QWidget *window = QApplication::activeModalWidget();
        if (first && first(window))
            return;
        if (!window)
            return;
        if (m_clock.elapsed() > 60000) {
            // A stuck dialogue must fail the test, not hang the suite (the
            // progress window asks first).
            qWarning("operator gave up in %s", qPrintable(window->objectName()));
            m_prompt.answers.prepend(MessageAnswer::Yes);
            static_cast<QDialog *>(window)->reject();
            return;
        }
        const QString name = window->objectName();
        if (windowsSeen.isEmpty() || windowsSeen.last() != name)
            windowsSeen << name;
        screenshot(window);
        if (auto *telnet = qobject_cast<frmTelnet *>(window)) {
            telnet->cboRouterIP->setEditText(routerAddress);
            telnet->cmdOK->click();
        } else if (auto *pass = qobject_cast<frmDefaultPass *>(window)) {
            if (newPassword) {
                pass->txtNewPass->setText(*newPassword);
                pass->txtConfirm->setText(*newPassword);
                pass->cmdOk->click();
            } else {
                pass->cmdNotChange->click();
            }
        } else if (auto *login = qobject_cast<frmLogin *>(window)) {
            loginShown = login->txtLogin->toPlainText();
            loginStep(login);
        } else if (auto *status = qobject_cast<frmStatus *>(window)) {
            if (onTransferWindow) {
                std::exchange(onTransferWindow, nullptr)();
            }
            watch(status);
            if (closeAtLine >= 0 && linesShown(status) >= closeAtLine) {
                if (!answered(status->txtStatus->toPlainText(), closeAfterAnswerTo))
                    return;   // nothing more is typed: the router answers
                closeAtLine = -1;
                status->close();
                return;
            }
            if (!closeAtStep.isEmpty() && status->lblStep->text().contains(closeAtStep)) {
                closeAtStep.clear();
                status->close();
                return;
            }
            if (status->cmdFinish->isEnabled()) {
                screenshot(status, QStringLiteral("-finished"));
                status->cmdFinish->click();
                return;
            }
            tick(status->txtStatus);
        }
    }

    void watch(frmStatus *status)
    {
        const QString step = status->lblStep->text();
        if (stepsShown.isEmpty() || stepsShown.constLast() != step)
            stepsShown << step;
        const QString left = status->lblTimeLeft->text();
        if (timeLeftShown.isEmpty() || timeLeftShown.constLast().second != left
            || timeLeftShown.constLast().first != linesShown(status))
            timeLeftShown.append({linesShown(status), left});
        barValue = status->prgTransfer->value();
        barMaximum = status->prgTransfer->maximum();
        statusShown = status->txtStatus->toPlainText();
        transcriptShown = status->lblTranscript->text();
        // Half way through the long script of progressSaysWhereItIs.
        if (linesShown(status) == 60)
            screenshot(status, QStringLiteral("-running"));
    }

    // The router has answered a line: a prompt after its echo.
    static bool answered(const QString &terminal, const QString &line)
    {
        if (line.isEmpty())
            return true;
        const qsizetype echo = terminal.lastIndexOf(line);
        return echo >= 0 && terminal.indexOf(QLatin1String("> "), echo) >= 0;
    }

    // With MG_SCREENSHOT_DIR set, each window is kept as a picture the
    // first time it is seen (for looking at it, and for the README).
    void screenshot(QWidget *window, const QString &suffix = QString())
    {
        const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
        const QString file = dir + QLatin1Char('/') + window->objectName() + suffix + QStringLiteral(".png");
        if (dir.isEmpty() || QFile::exists(file))
            return;
        window->grab().save(file);
    }

    void loginStep(frmLogin *login)
    {
        if (m_loginWindow != login) {
            m_loginWindow = login;
            m_attempt = 0;
            m_attemptMessages = -1;
        }
        if (m_attemptMessages >= 0 && m_prompt.shown.size() > m_attemptMessages)
            m_attemptMessages = -1;   // the attempt ended with a message
        if (m_attemptMessages < 0) {
            if (m_attempt >= passwords.size()) {
                login->cmdCansel->click();
                return;
            }
            login->txtUsername->setText(user);
            login->txtPassword->setText(passwords.at(m_attempt++));
            m_attemptMessages = int(m_prompt.shown.size());
            m_answered = false;
            LoginAttempt attempt;
            attempt.okBefore = login->cmdOk->isEnabled();
            attempt.lineBefore = login->lblLoggingIn->isVisible();
            attempts << attempt;
            m_pressedAgain = false;
            login->cmdOk->click();
            return;
        }
        // Half way through (the router asks for the password), the operator
        // presses Enter and OK again and touches the password.
        if (pressAgain && !m_pressedAgain && login->txtLogin->toPlainText().contains(QLatin1String("assword"))) {
            m_pressedAgain = true;
            screenshot(login, QStringLiteral("-logging-in"));
            LoginAttempt &attempt = attempts.last();
            attempt.okAfter = login->cmdOk->isEnabled();
            attempt.lineAfter = login->lblLoggingIn->isVisible();
            attempt.waitPointer =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::keyClick(login->txtPassword, Qt::Key_Return);
            login->cmdOk_Click();   // what a click would do, were OK enabled
            QTest::keyClick(login->txtPassword, Qt::Key_End);
            QTest::keyClick(login->txtPassword, Qt::Key_Backspace);
            QTest::keyClicks(login->txtPassword, passwords.at(m_attempt - 1).right(1));
            attempt.okAfterTyping = login->cmdOk->isEnabled();
        }
        tick(login->txtLogin);
    }

    void tick(QPlainTextEdit *terminal)
    {
        const QString text = terminal->toPlainText();
        if (text != m_lastText) {
            m_lastText = text;
            m_answered = true;
            m_quiet.restart();
        }
        const QString tail = text.right(2);
        const bool atPrompt = tail == QLatin1String(": ") || tail == QLatin1String("> ");
        if (!((m_answered && atPrompt && m_quiet.elapsed() >= 25) || m_quiet.elapsed() >= 400))
            return;
        const char *due = nullptr;
        for (const char *name : DialogueTickers)
            if (m_tickers.isActive(name))
                due = name;
        if (!due && m_quiet.elapsed() > 500 && m_tickers.isActive(TftpServer::RetransmitTicker))
            due = TftpServer::RetransmitTicker;
        if (!due && stallAfterQuietMs >= 0 && m_quiet.elapsed() > stallAfterQuietMs
            && m_tickers.isActive(RouterInstall::StallTicker))
            due = RouterInstall::StallTicker;
        if (!due || m_firing)
            return;
        m_answered = false;
        m_quiet.restart();
        // Fired from an event of its own: a tick may open a modal window
        // (the default password dialog), whose loop this timer must keep
        // running in.
        m_firing = true;
        QTimer::singleShot(0, this, [this, due] {
            m_firing = false;
            if (m_tickers.fire(due))
                ++m_ticks;
        });
    }

    ManualTickerFactory &m_tickers;
    ScriptedPrompt &m_prompt;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_quiet;
    QString m_lastText;
    bool m_answered = false;
    bool m_firing = false;
    int m_ticks = 0;
    QPointer<frmLogin> m_loginWindow;
    int m_attempt = 0;
    int m_attemptMessages = -1;
    bool m_pressedAgain = false;
};

// The one transcript an installation left in folder, and its path; empty
// when it left none or more than one.
QString onlyTranscript(const QString &folder, QString *path = nullptr)
{
    const QStringList made = QDir(folder).entryList(QDir::Files);
    const QString file = made.size() == 1 ? QDir(folder).filePath(made.first()) : QString();
    if (path)
        *path = file;
    return file.isEmpty() ? QString() : readText(file);
}

struct Fixture {
    RouterSimulator router;
    MemorySettings settings;
    WatchingPrompt prompt;
    ManualTickerFactory tickers;
    SerialLine serial{settings};
    TransferEnvironment environment{settings, prompt, serial, tickers};
    Configuration config;
    int markedChanged = 0;

    Fixture()
    {
        prompt.tickers = &tickers;
        environment.markChanged = [this] {
            ++markedChanged;
            config.markChanged();
        };
        environment.etherAddress = [] { return QStringLiteral("192.168.44.2"); };
        environment.programFolder = QStringLiteral(MG_TZEL_DIR);
        config.CommandScript = Script;
        config.ConfigFileName = QStringLiteral("office.cfg");
    }

    // Starts the router on one path and points the windows at it: the
    // console as Com1, or Telnet and a free TFTP port with the LAN chosen.
    // False, with router.errorString(), when it does not come up.
    bool useRouter(bool serial, const QStringList &options = {})
    {
        if (serial) {
            if (!router.start(options, RouterSimulator::Serial))
                return false;
            settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
            return true;
        }
        const quint16 tftpPort = freeUdpPort();
        if (!router.start(options + QStringList{"--tftp-port", QString::number(tftpPort)}, RouterSimulator::Telnet))
            return false;
        settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("1"));
        environment.tftpPort = tftpPort;
        environment.telnetPort = router.telnetPort();
        return true;
    }
};

} // namespace

class TestTransferWindows : public QObject {
    Q_OBJECT

private slots:
    void serialPath_data();
    void serialPath();
    void networkPath_data();
    void networkPath();
    void serialPortThatCannotOpen();
    void stoppingTheTransfer_data();
    void stoppingTheTransfer();
    void anEndWhileAskedStands_data();
    void anEndWhileAskedStands();
    void loginRunsOneAtATime_data();
    void loginRunsOneAtATime();
    void progressSaysWhereItIs_data();
    void progressSaysWhereItIs();
    void serialLineErrorAsksWhetherToGoOn_data();
    void serialLineErrorAsksWhetherToGoOn();
    void loginWindowInput_data();
    void loginWindowInput();
    void networkLoginRefusesBlanksTheEncoderLoses_data();
    void networkLoginRefusesBlanksTheEncoderLoses();
    void networkPathAsksAboutTheStandInEncoder_data();
    void networkPathAsksAboutTheStandInEncoder();
    void routerControlCharactersAreShownEscaped();
    void programEndEndsTheTransfer_data();
    void programEndEndsTheTransfer();
};

void TestTransferWindows::serialPath_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("settings");         // "pacing=echo", "name=NAME"
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QString>("newPassword");      // empty: 変更しない
    QTest::addColumn<QString>("managerPassword");  // on the router at the end; empty: nothing changed on it
    QTest::addColumn<bool>("installed");           // office.cfg is the boot configuration at the end
    QTest::addColumn<QStringList>("titles");       // of the messages shown, in order

    const QStringList done{"完了"};
    const QStringList failed{"設定の送信"};
    QTest::newRow("factory login, new password")
        << QStringList{} << "" << "manager" << QStringList{"pastry"} << "n3wpass" << "n3wpass" << true << done;
    QTest::newRow("factory login, 変更しない")
        << QStringList{} << "" << "manager" << QStringList{"pastry"} << "" << "pastry" << true << done;
    QTest::newRow("own login")
        << QStringList{"--password", "s3cret"} << "" << "manager" << QStringList{"s3cret"} << "" << "s3cret" << true
        << done;
    QTest::newRow("console already at the prompt, echo pacing")
        << QStringList{"--logged-in", "--password", "s3cret"} << "pacing=echo" << "manager" << QStringList{"s3cret"}
        << "" << "s3cret" << true << done;
    QTest::newRow("wrong password, then retyped")
        << QStringList{"--password", "s3cret"} << "" << "manager" << QStringList{"bad123", "s3cret"} << "" << "s3cret"
        << true << QStringList{"ログイン失敗", "完了"};
    QTest::newRow("no answer") << QStringList{"--silent"} << "" << "manager" << QStringList{"pastry"} << "" << ""
                               << false << QStringList{"応答なし"};
    // The serial line types the password as it is: no encoder to lose blanks.
    QTest::newRow("own login with two blanks in a row")
        << QStringList{"--password", "ab  cd12"} << "" << "manager" << QStringList{"ab  cd12"} << "" << "ab  cd12"
        << true << done;
    // The login prompt is awaited after the restart, however long it takes.
    QTest::newRow("a router that takes 3 s to boot")
        << QStringList{"--boot-ms", "3000"} << "" << "manager" << QStringList{"pastry"} << "n3wpass" << "n3wpass"
        << true << done;
    // An earlier installation made it boot from its own file: the restart
    // brings that back, the factory login is refused, and nothing follows.
    QTest::newRow("set up before")
        << QStringList{"--configured", "old.cfg", "--password", "s3cret"} << "" << "manager" << QStringList{"s3cret"}
        << "" << "s3cret" << false << failed;
    QTest::newRow("a script line refused, one line a second")
        << QStringList{"--refuse", "set ip interface"} << "" << "manager" << QStringList{"pastry"} << "n3wpass"
        << "pastry" << false << failed;
    QTest::newRow("a script line refused, echo pacing")
        << QStringList{"--refuse", "set ip interface"} << "pacing=echo" << "manager" << QStringList{"pastry"}
        << "n3wpass" << "pastry" << false << failed;
    QTest::newRow("a name with a blank") << QStringList{} << "name=my office.cfg" << "manager" << QStringList{"pastry"}
                                         << "" << "" << false << failed;
}

void TestTransferWindows::serialPath()
{
    QFETCH(QStringList, options);
    QFETCH(QString, settings);
    QFETCH(QString, user);
    QFETCH(QStringList, passwords);
    QFETCH(QString, newPassword);
    QFETCH(QString, managerPassword);
    QFETCH(bool, installed);
    QFETCH(QStringList, titles);

    Fixture f;
    QVERIFY2(f.useRouter(true, options), qPrintable(f.router.errorString()));
    if (settings == QLatin1String("pacing=echo"))
        f.settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Pacing"), QStringLiteral("echo"));
    const bool badName = settings.startsWith(QLatin1String("name="));
    if (badName)
        f.config.ConfigFileName = settings.mid(5);

    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.user = user;
    op.passwords = passwords;
    if (!newPassword.isEmpty())
        op.newPassword = newPassword;
    script.cmdAccept->click();

    // No method chosen yet: the serial line, and the choice is stored.
    QCOMPARE(f.settings.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method")), QStringLiteral("0"));
    QCOMPARE(f.prompt.titles(), titles);
    // However it ended, the port is closed; the script window too once the
    // router has been reached.
    QCOMPARE(script.isVisible(), badName);
    QVERIFY(!f.serial.isOpen());
    QCOMPARE(f.config.CommandScript, Script);

    const RouterState state = f.router.state();
    if (badName) {
        QVERIFY(f.prompt.shown.first().text.contains(QStringLiteral("「my office.cfg」")));
        QVERIFY(op.windowsSeen.isEmpty());
        QVERIFY(state.commands.isEmpty());
        return;
    }
    if (managerPassword.isEmpty()) {
        QCOMPARE(op.windowsSeen, QStringList{"frmLogin"});
        QCOMPARE(state.restarts, 0);
        return;
    }
    QCOMPARE(op.windowsSeen.last(), QStringLiteral("frmStatus"));
    QCOMPARE(state.managerPassword, managerPassword);
    // A refused line counts the configuration as unsaved again.
    const bool refused = options.contains(QStringLiteral("--refuse"));
    QCOMPARE(f.markedChanged, refused ? 1 : 0);
    if (!installed) {
        QVERIFY(state.bootConfig != QStringLiteral("office.cfg"));
        // Nothing typed after the line that failed: no password at a login
        // prompt, no script after a refusal.
        const QString last = state.commands.constLast();
        QVERIFY2(refused ? last.startsWith(QStringLiteral("set ip interface")) : last == QStringLiteral("pastry"),
                 qPrintable(state.commands.join(QLatin1Char('|'))));
        QVERIFY(f.prompt.shown.first().text.contains(refused ? QStringLiteral("設定の 2 行目を受け付けませんでした")
                                                             : QStringLiteral("工場出荷時の設定に戻りませんでした")));
        return;
    }
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
    QVERIFY(state.bootConfigText);
    QCOMPARE(configLines(*state.bootConfigText).mid(1), configLines(Script));
}

void TestTransferWindows::networkPath_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("saved");               // the configuration is saved as office.cfg
    QTest::addColumn<QString>("edit");             // a line added to the script by hand
    QTest::addColumn<QString>("fault");            // "", "refused", "dropped"
    QTest::addColumn<QString>("fileName");         // the name on the router; empty: nothing installed
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("markedChanged");
    QTest::addColumn<QString>("newPassword");      // typed after the factory login; empty: 変更しない
    QTest::addColumn<QString>("outcome");          // the transcript's note of the result

    const QString done = QStringLiteral("完了: KV700 の設定が完了しました。");
    QTest::newRow("saved configuration keeps its name")
        << QStringList{} << true << "" << "" << "office.cfg" << QStringList{"完了"} << false << "" << done;
    QTest::newRow("unsaved changes go as kelpin.cfg")
        << QStringList{} << false << "" << "" << "kelpin.cfg" << QStringList{"完了"} << false << "" << done;
    QTest::newRow("a hand-edited script is what is sent")
        << QStringList{} << true << "set system contact=\"desk 3\"" << "" << "office.cfg" << QStringList{"完了"}
        << false << "" << done;
    // The transcript has every line but never a password: the factory
    // one, the new one, nor one in the script.
    QTest::newRow("a new password and the provider's stay out of the transcript")
        << QStringList{} << true << "set ppp=0 pass=\"isp-pass\"" << "" << "office.cfg" << QStringList{"完了"}
        << false << "n3wpass1" << done;
    QTest::newRow("the router refuses the file")
        << QStringList{"--existing", "office.cfg"} << true << "" << "" << "" << QStringList{"設定の送信"} << true << ""
        << "設定の送信: 設定の送信に失敗しました。";
    QTest::newRow("nobody listens") << QStringList{} << true << "" << "refused" << "" << QStringList{"接続失敗"}
                                    << false << "" << "接続失敗: ログインに失敗しました。";
    QTest::newRow("the connection is gone when a command is due")
        << QStringList{} << true << "" << "dropped" << "" << QStringList{"接続エラー"} << false << ""
        << "接続エラー: KV700 と接続できません。";
    // The router's own word ends the transfer at once, never a wait.
    QTest::newRow("the router hangs up after load")
        << QStringList{"--close-after", "load"} << true << "" << "" << "" << QStringList{"接続エラー"} << false << ""
        << "接続エラー: KV700 と接続できません。";
    QTest::newRow("the router answers the file with a TFTP error")
        << QStringList{"--tftp-error", "1"} << true << "" << "" << "" << QStringList{"設定の送信"} << true << ""
        << "設定の送信: ルータが TFTP の転送を中止しました (エラー 3)。";
    QTest::newRow("an acknowledgement from another port changes nothing")
        << QStringList{"--tftp-stray-ack"} << true << "" << "" << "office.cfg" << QStringList{"完了"} << false << ""
        << done;
    // Nothing from the router and no progress: the watch ends it.
    QTest::newRow("the router falls silent after load")
        << QStringList{"--stall-after", "load"} << true << "" << "stall" << "" << QStringList{"応答なし"} << false
        << "" << "応答なし: 120 秒の間 KV700 から何の表示もなく、送信も進まないため、設定の送信を中止しました。";
}

void TestTransferWindows::networkPath()
{
    QFETCH(QStringList, options);
    QFETCH(bool, saved);
    QFETCH(QString, edit);
    QFETCH(QString, fault);
    QFETCH(QString, fileName);
    QFETCH(QStringList, titles);
    QFETCH(bool, markedChanged);
    QFETCH(QString, newPassword);
    QFETCH(QString, outcome);

    QTemporaryDir records;
    Fixture f;
    QVERIFY2(f.useRouter(false, options), qPrintable(f.router.errorString()));
    f.environment.transcriptFolder = records.path();
    if (fault == QLatin1String("refused")) {
        QTcpServer closed;
        QVERIFY(closed.listen(RouterSimulator::routerAddress(), 0));
        f.environment.telnetPort = closed.serverPort();
    }
    if (!saved)
        f.config.markChanged();

    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    QString sent = Script;
    if (!edit.isEmpty()) {
        f.prompt.answers = {MessageAnswer::Ok};
        script.cmdEdit->click();
        script.txtScript->moveCursor(QTextCursor::End);
        script.txtScript->insertPlainText(edit + QStringLiteral("\n"));
        script.cmdEdit->click();
        sent += edit + QStringLiteral("\r\n");
        f.prompt.shown.clear();
    }
    Operator op(f.tickers, f.prompt);
    if (!newPassword.isEmpty())
        op.newPassword = newPassword;
    if (fault == QLatin1String("dropped"))
        op.onTransferWindow = [&f] { f.router.stop(); };
    if (fault == QLatin1String("stall"))
        op.stallAfterQuietMs = 1500;
    f.prompt.answers = {MessageAnswer::Yes};
    script.cmdAccept->click();

    QVERIFY(tookStandInQuestion(f.prompt));
    QCOMPARE(f.prompt.titles(), titles);
    QCOMPARE(f.markedChanged > 0, markedChanged);
    QVERIFY(!script.isVisible());

    // One transcript, the operator's own, which the progress window named;
    // one note (after the time) says how it ended.
    QString path;
    const QString record = onlyTranscript(records.path(), &path);
    QVERIFY(!path.isEmpty());
    QCOMPARE(permissionsOf(path), OwnerReadWrite);
    if (op.windowsSeen.contains(QStringLiteral("frmStatus")))
        QCOMPARE(op.transcriptShown, QStringLiteral("記録: ") + path);
    QVERIFY2(record.contains(QStringLiteral("# ルータ 127.0.0.2 に LAN で設定 %1 を送ります。")
                                 .arg(saved ? QStringLiteral("office.cfg") : QStringLiteral("kelpin.cfg"))),
             qPrintable(record));
    const QStringList results = record.split(QLatin1Char('\n')).filter(QStringLiteral(" # 結果: "));
    QVERIFY2(results.size() == 1 && results.first().mid(24).startsWith(QStringLiteral("# 結果: ") + outcome),
             qPrintable(record));
    QCOMPARE(shownSecret(record, {"pastry", "isp-pass", newPassword.isEmpty() ? QStringLiteral("pastry") : newPassword}),
             QString());
    if (fileName.isEmpty())
        return;
    QCOMPARE(f.config.ConfigFileName, fileName);
    const RouterState state = f.router.state();
    QCOMPARE(state.bootConfig, fileName);
    QVERIFY(state.bootConfigText);
    QCOMPARE(configLines(*state.bootConfigText).mid(2), configLines(sent));
    QCOMPARE(state.managerPassword, newPassword.isEmpty() ? QStringLiteral("pastry") : newPassword);
}

void TestTransferWindows::serialPortThatCannotOpen()
{
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"),
                           QStringLiteral("/nonexistent/ttyKV700"));
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    script.cmdAccept->click();

    // The port name, its device and the system's reason in an exclamation
    // box, with what to do about a device that is not there; the script is
    // back in the box and the window stays for another try.
    QCOMPARE(f.prompt.shown.size(), 1);
    QCOMPARE(f.prompt.shown.first().icon, MessageIcon::Warning);
    QCOMPARE(f.prompt.shown.first().title, QStringLiteral("Quillmark KV700 Marrowgate"));
    const QString text = f.prompt.shown.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Com1 のデバイス /nonexistent/ttyKV700 を開けません: "))
                 && text.contains(QStringLiteral("\r\n\r\nケーブル (USB シリアル変換器) がつながっているか確かめ"))
                 && text.endsWith(QStringLiteral("\r\n「オプション」→「シリアルポートの設定」で、Com1 に使うデバイスを選べます。")),
             qPrintable(text));
    QCOMPARE(frmScript::scriptText(*script.txtScript), Script);
    QVERIFY(script.isVisible());
}

// Escape or closing the progress window while lines still go out asks
// first (nothing goes out while the question is open); stopping says what
// the router has been left with, which the router's own state must bear
// out, and closes what the window opened.
void TestTransferWindows::stoppingTheTransfer_data()
{
    QTest::addColumn<QString>("path");          // "serial", "lan"
    QTest::addColumn<int>("closeAtLine");       // serial: lines typed when the window is closed
    QTest::addColumn<QString>("closeAtStep");   // or: the step shown then
    QTest::addColumn<QString>("afterAnswerTo"); // ... and the router has answered this line
    QTest::addColumn<bool>("stop");             // the answer to the question
    QTest::addColumn<QStringList>("told");      // lines of the box after stopping
    QTest::addColumn<int>("restarts");          // of the router at the end
    QTest::addColumn<bool>("newBoot");          // office.cfg is the router's boot configuration

    // Serial, factory login and a new password: 11 + 2 + 5 + 4 lines.
    QTest::newRow("serial: go on") << "serial" << 12 << "" << "" << false << QStringList{} << 2 << true;
    QTest::newRow("serial: stopped before anything changed")
        << "serial" << 1 << "" << "" << true
        << QStringList{"・KV700 の設定は何も変えていません。", "・送信した行: 1 / 22", "・起動設定は変えていません。",
                       "もう一度送信してください。"}
        << 0 << false;
    QTest::newRow("serial: stopped with boot.cfg moved aside")
        << "serial" << 3 << "" << "" << true
        << QStringList{"・boot.cfg を boot_bak.cfg に名前を変えましたが、リセットの再起動 (restart router) はまだです。",
                       "・送信した行: 3 / 22", "KV700 を再起動すると工場出荷時の設定で起動します。"}
        << 0 << false;
    QTest::newRow("serial: stopped in the script")
        << "serial" << 12 << "" << "" << true
        << QStringList{"・リセットの再起動 (restart router) をしました。", "・送信した行: 12 / 22",
                       "・起動設定は変えていません。", "シリアルポート経由でもう一度送信してください。"}
        << 1 << false;
    QTest::newRow("serial: stopped with the boot configuration set")
        << "serial" << 21 << "" << "set config=office.cfg" << true
        << QStringList{"・送信した行: 21 / 22", "・起動設定を office.cfg にしました (KV700 が受け付けました)。",
                       "KV700 の電源を入れ直すと、新しい設定で起動します。"}
        << 1 << true;
    QTest::newRow("lan: stopped before the file")
        << "lan" << -1 << "段階" << "" << true
        << QStringList{"・KV700 は設定ファイル office.cfg を最後まで受け取っていません。",
                       "・起動設定は変えていません (KV700 は今までの設定で動いています)。",
                       "KV700 の設定は変わっていません。もう一度送信してください。"}
        << 0 << false;
    QTest::newRow("lan: stopped with the file on the router")
        << "lan" << -1 << "起動設定の変更" << "" << true
        << QStringList{"・KV700 は設定ファイル office.cfg を受け取り、フラッシュに保存しました。",
                       "・起動設定は変えていません (KV700 は今までの設定で動いています)。",
                       "KV700 のフラッシュの office.cfg を削除するか、設定を別の名前で保存してから、もう一度送信してください。"}
        << 0 << false;
    QTest::newRow("lan: go on") << "lan" << -1 << "設定ファイルの転送" << "" << false << QStringList{} << 1 << true;
}

void TestTransferWindows::stoppingTheTransfer()
{
    QFETCH(QString, path);
    QFETCH(int, closeAtLine);
    QFETCH(QString, closeAtStep);
    QFETCH(QString, afterAnswerTo);
    QFETCH(bool, stop);
    QFETCH(QStringList, told);
    QFETCH(int, restarts);
    QFETCH(bool, newBoot);

    const bool serial = path == QLatin1String("serial");
    Fixture f;
    QVERIFY2(f.useRouter(serial), qPrintable(f.router.errorString()));
    if (!serial)
        f.prompt.answers = {MessageAnswer::Yes};   // the stand-in encoder, which the simulator reads
    f.prompt.stopAnswer = stop ? MessageAnswer::Yes : MessageAnswer::No;

    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.newPassword = QStringLiteral("n3wpass");
    op.closeAtLine = closeAtLine;
    op.closeAfterAnswerTo = afterAnswerTo;
    op.closeAtStep = closeAtStep;
    script.cmdAccept->click();
    if (!serial) {
        QVERIFY(tookStandInQuestion(f.prompt));
        f.prompt.liveTimers.removeFirst();
    }

    // Asked once, with going on as the default, and with nothing of the
    // dialogue running meanwhile.
    int question = -1;
    for (int i = 0; i < f.prompt.shown.size(); ++i) {
        if (f.prompt.shown.at(i).text.endsWith(StopQuestionEnd)) {
            QCOMPARE(question, -1);
            question = i;
        }
    }
    QVERIFY(question >= 0);
    QCOMPARE(f.prompt.shown.at(question).title, QStringLiteral("設定の状況"));
    QCOMPARE(f.prompt.shown.at(question).buttons, MessageButtons::YesNoDefaultNo);
    QCOMPARE(f.prompt.liveTimers.at(question), QString());

    const RouterState state = f.router.state();
    QCOMPARE(state.restarts, restarts);
    QCOMPARE(state.bootConfig == QLatin1String("office.cfg"), newBoot);
    QVERIFY(!f.serial.isOpen());
    QVERIFY(!f.tickers.anyActive());
    QCOMPARE(f.config.CommandScript, Script);
    if (!stop) {
        // The transfer went on to its end.
        QCOMPARE(f.prompt.lastTitle(), QStringLiteral("完了"));
        return;
    }
    // Nothing was reported as done, and the editor's configuration is as it
    // was; the last box says what the router has.
    QVERIFY(!f.prompt.find(QStringLiteral("完了")));
    QCOMPARE(f.markedChanged, 0);
    QCOMPARE(question, f.prompt.shown.size() - 2);
    const ShownMessage &last = f.prompt.shown.constLast();
    QCOMPARE(last.title, QStringLiteral("送信の中止"));
    QCOMPARE(last.icon, MessageIcon::Warning);
    const QStringList lines = last.text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("設定の送信を中止しました。KV700 は次の状態です。"));
    for (const QString &line : told)
        QVERIFY2(last.text.contains(line), qPrintable(last.text));
    if (!serial)
        QCOMPARE(state.files.contains(QStringLiteral("office.cfg")), told.first().contains(QStringLiteral("受け取り、")));
}

// The router may end the transfer while the operator is being asked (here
// it goes away): that end is what is reported, after the question and never
// over it, and the operator's answer stops nothing more.
void TestTransferWindows::anEndWhileAskedStands_data()
{
    QTest::addColumn<bool>("stop");
    QTest::newRow("stop") << true;
    QTest::newRow("go on") << false;
}

void TestTransferWindows::anEndWhileAskedStands()
{
    QFETCH(bool, stop);

    QTemporaryDir records;
    Fixture f;
    QVERIFY2(f.useRouter(false), qPrintable(f.router.errorString()));
    f.environment.transcriptFolder = records.path();
    f.prompt.answers = {MessageAnswer::Yes};   // the stand-in encoder, which the simulator reads
    f.prompt.stopAnswer = stop ? MessageAnswer::Yes : MessageAnswer::No;
    bool endedUnderTheQuestion = false;
    f.prompt.whileAsked = [&] {
        f.router.stop();
        // The transcript notes the outcome as the installation ends.
        const bool ended = QTest::qWaitFor([&] {
            const QStringList made = QDir(records.path()).entryList(QDir::Files);
            QFile file(made.isEmpty() ? QString() : QDir(records.path()).filePath(made.first()));
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("結果: ");
        }, 20000);
        endedUnderTheQuestion = ended && f.prompt.lastText().endsWith(StopQuestionEnd);
    };
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.closeAtStep = QStringLiteral("設定ファイルの転送");
    script.cmdAccept->click();
    QVERIFY(tookStandInQuestion(f.prompt));

    // Nothing was shown while the question was open; then the router's end.
    QVERIFY(endedUnderTheQuestion);
    QCOMPARE(f.prompt.titles(), (QStringList{"設定の状況", "接続エラー"}));
    QVERIFY(!f.tickers.anyActive());
    QVERIFY(!script.isVisible());
}

// A login takes seconds: meanwhile OK does nothing, whatever the operator
// presses, and the window says that it is logging in. After a refused
// login OK works again for the next try.
void TestTransferWindows::loginRunsOneAtATime_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("loginFailures");

    QTest::newRow("factory login") << QStringList{} << QStringList{"pastry"} << QStringList{"完了"} << 0;
    QTest::newRow("refused, then retyped") << QStringList{"--password", "s3cret"} << QStringList{"bad123", "s3cret"}
                                           << QStringList{"ログイン失敗", "完了"} << 1;
}

void TestTransferWindows::loginRunsOneAtATime()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, passwords);
    QFETCH(QStringList, titles);
    QFETCH(int, loginFailures);

    Fixture f;
    QVERIFY2(f.useRouter(true, options), qPrintable(f.router.errorString()));
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.passwords = passwords;
    op.newPassword = QStringLiteral("n3wpass");
    op.pressAgain = true;
    script.cmdAccept->click();

    QCOMPARE(f.prompt.titles(), titles);
    QCOMPARE(op.attempts.size(), passwords.size());
    for (const LoginAttempt &attempt : std::as_const(op.attempts)) {
        QVERIFY(attempt.okBefore);
        QVERIFY(!attempt.lineBefore);
        QVERIFY(!attempt.okAfter);
        QVERIFY(attempt.lineAfter);
        QVERIFY(attempt.waitPointer);
        QVERIFY(!attempt.okAfterTyping);
    }
    const RouterState state = f.router.state();
    QCOMPARE(state.loginFailures, loginFailures);
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
}

// Under the designed controls: the step (numbered among the steps of this
// installation), a bar, and the time left at the pace measured since the
// script began. The clock moves one second for every line typed, so the
// pace is a second a line whatever the machine's load: the progress window
// reads it right after the count of lines has changed.
void TestTransferWindows::progressSaysWhereItIs_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("newPassword");   // empty: 変更しない
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("timeLeft");  // "LINES|TEXT": the time left once that many lines are typed
    QTest::addColumn<int>("total");

    const QString measuring = QStringLiteral("残り時間を計っています...");
    // 11 lines of the reset and login, 90 of the script, 5 of the password, 4 to save and restart.
    QTest::newRow("serial, new password")
        << "serial" << "n3wpass"
        << QStringList{"段階 2/7: リセット", "段階 3/7: 工場出荷時の設定で再起動", "段階 4/7: 設定の入力",
                       "段階 5/7: 管理者パスワードの設定", "段階 6/7: 設定の保存と起動設定", "段階 7/7: 新しい設定で再起動"}
        << QStringList{"3|" + measuring, "8|" + measuring, "11|" + measuring, "12|残り 約 1 分 40 秒",
                       "50|残り 約 1 分", "51|残り 約 1 分", "70|残り 約 40 秒", "105|残り 約 5 秒"}
        << 110;
    QTest::newRow("serial, factory password kept")
        << "serial" << ""
        << QStringList{"段階 2/6: リセット", "段階 3/6: 工場出荷時の設定で再起動", "段階 4/6: 設定の入力",
                       "段階 5/6: 設定の保存と起動設定", "段階 6/6: 新しい設定で再起動"}
        << QStringList{"11|" + measuring, "12|残り 約 1 分 40 秒", "44|残り 約 1 分 10 秒", "104|残り 約 5 秒"}
        << 105;
    QTest::newRow("lan") << "lan" << ""
                         << QStringList{"段階 2/4: 設定ファイルの転送", "段階 3/4: 起動設定の変更",
                                        "段階 4/4: 新しい設定で再起動"}
                         << QStringList{} << -1;
}

void TestTransferWindows::progressSaysWhereItIs()
{
    QFETCH(QString, path);
    QFETCH(QString, newPassword);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, timeLeft);
    QFETCH(int, total);

    const bool serial = path == QLatin1String("serial");
    Fixture f;
    QVERIFY2(f.useRouter(serial), qPrintable(f.router.errorString()));
    QString longScript;
    for (int i = 1; i <= 90; ++i)
        longScript += QStringLiteral("set system contact=desk%1\r\n").arg(i);
    f.config.CommandScript = longScript;
    if (!serial)
        f.prompt.answers = {MessageAnswer::Yes};   // the stand-in encoder, which the simulator reads
    f.environment.clock = [] {
        static const QRegularExpression count(QStringLiteral(": (\\d+) / "));
        const auto *status = qobject_cast<frmStatus *>(QApplication::activeModalWidget());
        const QRegularExpressionMatch match = status ? count.match(status->lblProgress->text()) : QRegularExpressionMatch();
        return std::chrono::milliseconds(match.hasMatch() ? 1000 * match.captured(1).toInt() : 0);
    };

    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    if (!newPassword.isEmpty())
        op.newPassword = newPassword;
    script.cmdAccept->click();
    if (!serial)
        QVERIFY(tookStandInQuestion(f.prompt));

    QCOMPARE(f.prompt.lastTitle(), QStringLiteral("完了"));
    QCOMPARE(op.stepsShown, steps);
    QCOMPARE(op.barValue, op.barMaximum);
    if (total > 0)
        QCOMPARE(op.barMaximum, total);
    for (const QString &expected : std::as_const(timeLeft)) {
        const int lines = expected.section(QLatin1Char('|'), 0, 0).toInt();
        const auto seen = std::find_if(op.timeLeftShown.cbegin(), op.timeLeftShown.cend(),
                                       [lines](const QPair<int, QString> &p) { return p.first == lines; });
        QVERIFY2(seen != op.timeLeftShown.cend(), qPrintable(expected));
        QCOMPARE(seen->second, expected.section(QLatin1Char('|'), 1));
    }
    // Nothing is left once the router has it all.
    QCOMPARE(op.timeLeftShown.constLast().second, QString());
    QCOMPARE(f.router.state().bootConfig, QStringLiteral("office.cfg"));
}

void TestTransferWindows::serialLineErrorAsksWhetherToGoOn_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stillOpen");

    QTest::newRow("framing error, ignored") << 1004 << int(MessageAnswer::Ok) << "ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。" << true;
    QTest::newRow("device gone, cancelled") << 1100 << int(MessageAnswer::Cancel)
                                            << "未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。" << false;
    QTest::newRow("code without a text of its own") << 1005 << int(MessageAnswer::Ok)
                                                    << "未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。" << true;
    // A line event (a changed modem line) is no error: no box, the line stays.
    QTest::newRow("CTS changed, no box") << 3 << int(MessageAnswer::Cancel) << "" << true;
}

void TestTransferWindows::serialLineErrorAsksWhetherToGoOn()
{
    QFETCH(int, code);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(bool, stillOpen);

    Fixture f;
    QVERIFY2(f.useRouter(true), qPrintable(f.router.errorString()));
    QVERIFY(f.serial.open());
    f.prompt.answers = {MessageAnswer(answer)};
    reportSerialLineError(code, f.environment);
    QCOMPARE(f.prompt.shown.size(), text.isEmpty() ? 0 : 1);
    QCOMPARE(f.serial.isOpen(), stillOpen);
    if (text.isEmpty())
        return;
    QCOMPARE(f.prompt.shown.first().text, text);
    QCOMPARE(f.prompt.shown.first().title,
             QStringLiteral("中断する場合は [ｷｬﾝｾﾙ] を、無視する場合は [OK] をｸﾘｯｸしてください。"));
    QCOMPARE(f.prompt.shown.first().buttons, MessageButtons::OkCancel);
}

void TestTransferWindows::loginWindowInput_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("user name: letters and digits only") << "txtUsername" << "ad-min 1?" << "admin1";
    QTest::newRow("password: blanks allowed, quote and ? not") << "txtPassword" << "a b\"c?d~" << "a bcd~";
    QTest::newRow("password: 32 characters at most")
        << "txtPassword" << QString(40, QLatin1Char('x')) << QString(32, QLatin1Char('x'));
    QTest::newRow("new password: no blanks") << "txtNewPass" << "ab cd" << "abcd";
}

void TestTransferWindows::loginWindowInput()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    Fixture f;
    TransferRequest request;
    RouterInstall install(request, f.tickers);
    frmLogin login(install, f.prompt);
    frmDefaultPass pass;
    QWidget *window = box == QLatin1String("txtNewPass") ? static_cast<QWidget *>(&pass) : &login;
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *edit = window->findChild<QLineEdit *>(box);
    QVERIFY(edit);
    edit->clear();
    edit->setFocus();
    QSignalSpy beeps(edit->findChild<InputGuard *>(), &InputGuard::refused);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), kept);
    QCOMPARE(beeps.count(), typed.size() - kept.size());
    // Passwords show stars, never the text.
    if (box != QLatin1String("txtUsername"))
        QCOMPARE(edit->echoMode(), QLineEdit::Password);

    if (window == &login) {
        // OK needs both boxes; Enter in the user name moves on.
        login.txtUsername->setText(QStringLiteral("manager"));
        login.txtPassword->clear();
        QVERIFY(!login.cmdOk->isEnabled());
        login.txtPassword->setText(QStringLiteral("x"));
        QVERIFY(login.cmdOk->isEnabled());
        login.txtUsername->setFocus();
        QTest::keyClick(login.txtUsername, Qt::Key_Return);
        QVERIFY(login.txtPassword->hasFocus());
        // Escape cancels (and closes nothing but the window: no line is open).
        QTest::keyClick(login.txtPassword, Qt::Key_Escape);
        QVERIFY(!login.isVisible());
    } else {
        // OK only for two equal passwords of six characters or more.
        pass.txtNewPass->setText(QStringLiteral("abcde"));
        pass.txtConfirm->setText(QStringLiteral("abcde"));
        QVERIFY(!pass.cmdOk->isEnabled());
        pass.txtNewPass->setText(QStringLiteral("abcdef"));
        QVERIFY(!pass.cmdOk->isEnabled());
        pass.txtConfirm->setText(QStringLiteral("abcdef"));
        QVERIFY(pass.cmdOk->isEnabled());
        QTest::keyClick(pass.txtConfirm, Qt::Key_Backspace);
        QVERIFY(!pass.cmdOk->isEnabled());
    }
}

// Over the LAN the password goes to the encoder as words: one that would
// come out changed is refused at OK, before the router is reached, and the
// login window stays for another.
void TestTransferWindows::networkLoginRefusesBlanksTheEncoderLoses_data()
{
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("two blanks in a row, then cancelled") << QStringList{"ab  cd12"} << QStringList{"パスワード"};
    QTest::newRow("blank at the end, then the right one")
        << QStringList{"pastry ", "pastry"} << QStringList{"パスワード", "完了"};
}

void TestTransferWindows::networkLoginRefusesBlanksTheEncoderLoses()
{
    QFETCH(QStringList, passwords);
    QFETCH(QStringList, titles);

    Fixture f;
    QVERIFY2(f.useRouter(false), qPrintable(f.router.errorString()));
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.passwords = passwords;
    f.prompt.answers = {MessageAnswer::Yes};
    script.cmdAccept->click();

    QVERIFY(tookStandInQuestion(f.prompt));
    QCOMPARE(f.prompt.titles(), titles);
    QCOMPARE(f.prompt.shown.first().icon, MessageIcon::Warning);
    QCOMPARE(f.prompt.shown.first().text,
             QStringLiteral("LAN で送るとき、パスワードは空白で区切った語に分けてパスワード暗号化プログラムに渡すため、"
                            "先頭や末尾の空白、2 つ以上続いた空白はそのままでは送れません (ルータに別のパスワードが設定されます)。"
                            "シリアルで送るか、このような空白のないパスワードにしてください。"));
    const RouterState state = f.router.state();
    QCOMPARE(state.loginFailures, 0);
    if (titles.size() == 1) {
        // Not even the user name went over the line.
        QCOMPARE(state.received, QString());
        QVERIFY(!state.bootConfigText);
        return;
    }
    QVERIFY(!state.received.contains(passwords.first() + QStringLiteral("\r\n")));
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
    QCOMPARE(state.managerPassword, QStringLiteral("pastry"));
}

// Before a LAN transfer with the stand-in encoder the operator is asked,
// with stopping as the answer Enter gives; stopping sends nothing and keeps
// the script window for the serial line. The maker's encoder is not taken
// for the stand-in: no question, and the router gets its encoding.
void TestTransferWindows::networkPathAsksAboutTheStandInEncoder_data()
{
    QTest::addColumn<bool>("maker");
    QTest::addColumn<int>("answer");              // a MessageAnswer; -1: none queued
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("managerPassword"); // on the router at the end; empty: not reached
    QTest::newRow("the stand-in, the operator says no") << false << int(MessageAnswer::No) << true << "";
    QTest::newRow("the maker's encoder") << true << -1 << false << "MK706173747279";
}

void TestTransferWindows::networkPathAsksAboutTheStandInEncoder()
{
    QFETCH(bool, maker);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QString, managerPassword);

    Fixture f;
    QVERIFY2(f.useRouter(false), qPrintable(f.router.errorString()));
    QTemporaryDir folder;
    if (maker) {
        QVERIFY(writeMakerEncoder(folder.path()));
        f.environment.programFolder = folder.path();
    }
    if (answer >= 0)
        f.prompt.answers = {MessageAnswer(answer)};
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    script.cmdAccept->click();

    const ShownMessage *question = f.prompt.find(QStringLiteral("パスワード暗号化プログラム"));
    QCOMPARE(question != nullptr, asked);
    if (asked) {
        QCOMPARE(f.prompt.shown.size(), 1);
        QCOMPARE(question->icon, MessageIcon::Warning);
        QCOMPARE(question->buttons, MessageButtons::YesNoDefaultNo);
        QVERIFY2(question->text.startsWith(QStringLiteral("パスワード暗号化プログラム " MG_TZEL_DIR "/tzel は、"
                                                          "Marrowgate に付属する代用のプログラムです。")),
                 qPrintable(question->text));
        QVERIFY2(question->text.endsWith(QStringLiteral("このまま LAN で送りますか？")), qPrintable(question->text));
    }
    const RouterState state = f.router.state();
    if (managerPassword.isEmpty()) {
        // Nothing sent, not even the router's address asked; the script
        // window stays, with its script, for another way.
        QVERIFY(op.windowsSeen.isEmpty());
        QCOMPARE(state.received, QString());
        QVERIFY(script.isVisible());
        QCOMPARE(frmScript::scriptText(*script.txtScript), Script);
        return;
    }
    QCOMPARE(f.prompt.lastTitle(), QStringLiteral("完了"));
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
    QCOMPARE(state.managerPassword, managerPassword);
}

// A router whose output holds an escape sequence (clear screen) before its
// welcome and its error line: the login and progress windows and the
// transcript show it as text.
void TestTransferWindows::routerControlCharactersAreShownEscaped()
{
    QTemporaryDir records;
    Fixture f;
    QVERIFY2(f.useRouter(false, {"--noise", "\x1b[2J", "--load-error"}), qPrintable(f.router.errorString()));
    f.environment.transcriptFolder = records.path();
    f.prompt.answers = {MessageAnswer::Yes};   // the stand-in encoder, which the simulator reads
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    script.cmdAccept->click();
    QVERIFY(tookStandInQuestion(f.prompt));

    QVERIFY2(op.loginShown.contains(QStringLiteral("\\x1b[2Jようこそ manager さん")), qPrintable(op.loginShown));
    QVERIFY2(op.statusShown.contains(QStringLiteral("\\x1b[2JError (flash full)")), qPrintable(op.statusShown));
    const QString record = onlyTranscript(records.path());
    QVERIFY2(record.contains(QStringLiteral("< \\x1b[2Jようこそ manager さん"))
                 && record.contains(QStringLiteral("< \\x1b[2JError (flash full)")),
             qPrintable(record));
    for (const QString &shown : {op.loginShown, op.statusShown, record})
        QVERIFY2(!shown.contains(QChar(0x1b)), qPrintable(shown));
}

void TestTransferWindows::programEndEndsTheTransfer_data()
{
    QTest::addColumn<QString>("window"); // the window in front when the program ends
    QTest::newRow("at the default password dialog") << "frmDefaultPass";
    QTest::newRow("while the password is encoded") << "frmStatus";
}

// The desktop session logs out, or the program gets a signal, in the middle
// of a LAN installation: the installation ends at once and its private
// folder (the manager account file) is gone before anything else happens,
// and nothing of the installation starts again after that.
void TestTransferWindows::programEndEndsTheTransfer()
{
    QFETCH(QString, window);
    QTemporaryDir dir;
    Fixture f;
    QVERIFY2(f.useRouter(false), qPrintable(f.router.errorString()));
    f.environment.transcriptFolder = dir.filePath(QStringLiteral("transcripts"));
    // The encoder takes its time, so the folder is caught in use; the
    // folder is looked for in a temporary folder of the test's own.
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    qputenv("TZEL_STANDIN_SLEEP", "60");
    const auto restore = qScopeGuard([&] {
        oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
        qunsetenv("TZEL_STANDIN_SLEEP");
    });
    const auto privateFolders = [&tmp] { return QDir(tmp).entryList({"marrowgate-*"}, QDir::Dirs); };

    bool ended = false;
    QStringList folderBefore, folderAfterEnd, windowsAfterEnd;
    f.prompt.answers = {MessageAnswer::Yes};   // the stand-in encoder, which the simulator reads
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.first = [&](QWidget *front) {
        if (ended) {
            // Nothing may come back: no folder, no window of the installation.
            folderAfterEnd += privateFolders();
            if (front)
                windowsAfterEnd << front->objectName();
            return true;
        }
        if (!front || front->objectName() != window
            || (window == QLatin1String("frmStatus") && privateFolders().isEmpty()))
            return false;
        folderBefore = privateFolders();
        ended = true;
        endTransferWindows(f.environment);
        folderAfterEnd += privateFolders();
        return true;
    };
    script.cmdAccept->click();
    // What the windows' loops still deliver after the end is watched too.
    QTest::qWait(200);

    QVERIFY(tookStandInQuestion(f.prompt));
    QVERIFY(ended);
    QCOMPARE(folderBefore.isEmpty(), window != QLatin1String("frmStatus"));
    QCOMPARE(folderAfterEnd, QStringList());
    QCOMPARE(windowsAfterEnd, QStringList());
    QCOMPARE(privateFolders(), QStringList());
    QVERIFY(!f.environment.endRunning);
    const QString record = onlyTranscript(f.environment.transcriptFolder);
    QVERIFY2(record.trimmed().endsWith(QStringLiteral("中断しました。")), qPrintable(record));
    QVERIFY(f.router.state().bootConfig != QStringLiteral("office.cfg"));
}

QTEST_MAIN(TestTransferWindows)
#include "tst_TransferWindows.moc"
