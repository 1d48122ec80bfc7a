// The transfer from the real windows: "設定を送信" in the script window, the
// router address, the login window, the default password dialog and the
// progress window, driven as an operator drives them, against the router
// simulator. The router's state afterwards is what counts. Message boxes
// are answered by the scripted prompt; the windows' timers are fired as soon
// as the router has answered (manual tickers), not after real seconds.

#include "Configuration.h"
#include "InputGuard.h"
#include "ManualTicker.h"
#include "RouterInstall.h"
#include "RouterSimulator.h"
#include "SendText.h"
#include "SerialLine.h"
#include "TestFakes.h"
#include "TransferWindows.h"
#include "frmDefaultPass.h"
#include "frmLogin.h"
#include "frmScript.h"
#include "frmStatus.h"
#include "frmTelnet.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
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

quint16 freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return socket.localPort();
}

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
    int closeTransferAfterTicks = -1;              // closes the progress window after that many ticks
    int stallAfterQuietMs = -1;                    // fires the stall watch after that long without output
    QStringList windowsSeen;

private:
    void step()
    {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            return;
        if (m_clock.elapsed() > 60000) {
            // A stuck dialogue must fail the test, not hang the suite.
            qWarning("operator gave up in %s", qPrintable(window->objectName()));
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
            loginStep(login);
        } else if (auto *status = qobject_cast<frmStatus *>(window)) {
            if (onTransferWindow) {
                std::exchange(onTransferWindow, nullptr)();
            }
            if (closeTransferAfterTicks >= 0 && m_ticks >= closeTransferAfterTicks) {
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
            login->cmdOk->click();
            return;
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
        for (const char *name : {"Timer1", "Timer2", "Timer"})
            if (m_tickers.isActive(name))
                due = name;
        if (!due && m_quiet.elapsed() > 500 && m_tickers.isActive("TftpRetransmit"))
            due = "TftpRetransmit";
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
};

struct Fixture {
    MemorySettings settings;
    ScriptedPrompt prompt;
    ManualTickerFactory tickers;
    SerialLine serial{settings};
    TransferEnvironment environment{settings, prompt, serial, tickers};
    Configuration config;
    int markedChanged = 0;

    Fixture()
    {
        environment.markChanged = [this] {
            ++markedChanged;
            config.markChanged();
        };
        environment.etherAddress = [] { return QStringLiteral("192.168.44.2"); };
        environment.programFolder = QStringLiteral(MG_TZEL_DIR);
        config.CommandScript = Script;
        config.ConfigFileName = QStringLiteral("office.cfg");
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
    void closingTheProgressWindowEndsTheTransfer();
    void serialLineErrorAsksWhetherToGoOn_data();
    void serialLineErrorAsksWhetherToGoOn();
    void loginWindowInput_data();
    void loginWindowInput();
    void networkLoginRefusesBlanksTheEncoderLoses_data();
    void networkLoginRefusesBlanksTheEncoderLoses();
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

    RouterSimulator router;
    QVERIFY2(router.start(options, RouterSimulator::Serial), qPrintable(router.errorString()));
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
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
    QStringList shown;
    for (const ShownMessage &m : f.prompt.shown)
        shown << m.title;
    QCOMPARE(shown, titles);
    // However it ended, the port is closed; the script window too once the
    // router has been reached.
    QCOMPARE(script.isVisible(), badName);
    QVERIFY(!f.serial.isOpen());
    QCOMPARE(f.config.CommandScript, Script);

    const RouterState state = router.state();
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

    QTest::newRow("saved configuration keeps its name")
        << QStringList{} << true << "" << "" << "office.cfg" << QStringList{"完了"} << false;
    QTest::newRow("unsaved changes go as kelpin.cfg")
        << QStringList{} << false << "" << "" << "kelpin.cfg" << QStringList{"完了"} << false;
    QTest::newRow("a hand-edited script is what is sent")
        << QStringList{} << true << "set system contact=\"desk 3\"" << "" << "office.cfg" << QStringList{"完了"}
        << false;
    QTest::newRow("the router refuses the file")
        << QStringList{"--existing", "office.cfg"} << true << "" << "" << "" << QStringList{"設定の送信"} << true;
    QTest::newRow("nobody listens") << QStringList{} << true << "" << "refused" << "" << QStringList{"接続失敗"}
                                    << false;
    QTest::newRow("the connection is gone when a command is due")
        << QStringList{} << true << "" << "dropped" << "" << QStringList{"接続エラー"} << false;
    // The router's own word ends the transfer at once, never a wait.
    QTest::newRow("the router hangs up after load")
        << QStringList{"--close-after", "load"} << true << "" << "" << "" << QStringList{"接続エラー"} << false;
    QTest::newRow("the router answers the file with a TFTP error")
        << QStringList{"--tftp-error", "1"} << true << "" << "" << "" << QStringList{"設定の送信"} << true;
    QTest::newRow("an acknowledgement from another port changes nothing")
        << QStringList{"--tftp-stray-ack"} << true << "" << "" << "office.cfg" << QStringList{"完了"} << false;
    // Nothing from the router and no progress: the watch ends it.
    QTest::newRow("the router falls silent after load")
        << QStringList{"--stall-after", "load"} << true << "" << "stall" << "" << QStringList{"応答なし"} << false;
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

    const quint16 tftpPort = freeUdpPort();
    RouterSimulator router;
    QVERIFY2(router.start(options + QStringList{"--tftp-port", QString::number(tftpPort)}, RouterSimulator::Telnet),
             qPrintable(router.errorString()));
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("1"));
    f.environment.tftpPort = tftpPort;
    f.environment.telnetPort = router.telnetPort();
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
    if (fault == QLatin1String("dropped"))
        op.onTransferWindow = [&router] { router.stop(); };
    if (fault == QLatin1String("stall"))
        op.stallAfterQuietMs = 1500;
    script.cmdAccept->click();

    QStringList shown;
    for (const ShownMessage &m : f.prompt.shown)
        shown << m.title;
    QCOMPARE(shown, titles);
    QCOMPARE(f.markedChanged > 0, markedChanged);
    QVERIFY(!script.isVisible());
    if (fileName.isEmpty())
        return;
    QCOMPARE(f.config.ConfigFileName, fileName);
    const RouterState state = router.state();
    QCOMPARE(state.bootConfig, fileName);
    QVERIFY(state.bootConfigText);
    QCOMPARE(configLines(*state.bootConfigText).mid(2), configLines(sent));
    QCOMPARE(state.managerPassword, QStringLiteral("pastry"));
}

void TestTransferWindows::serialPortThatCannotOpen()
{
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"),
                           QStringLiteral("/nonexistent/ttyKV700"));
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    script.cmdAccept->click();

    // The system's reason in an exclamation box; the script is back in the
    // box and the window stays for another try.
    QCOMPARE(f.prompt.shown.size(), 1);
    QCOMPARE(f.prompt.shown.first().icon, MessageIcon::Warning);
    QCOMPARE(f.prompt.shown.first().title, QStringLiteral("Quillmark KV700 Marrowgate"));
    QVERIFY(!f.prompt.shown.first().text.isEmpty());
    QCOMPARE(frmScript::scriptText(*script.txtScript), Script);
    QVERIFY(script.isVisible());
}

void TestTransferWindows::closingTheProgressWindowEndsTheTransfer()
{
    RouterSimulator router;
    QVERIFY2(router.start({}, RouterSimulator::Serial), qPrintable(router.errorString()));
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
    f.config.markChanged();   // unsaved work in the editor

    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.closeTransferAfterTicks = 15;   // in the middle of the script
    script.cmdAccept->click();

    // The window closed what it opened; nothing was reported as done and the
    // editor's configuration is as it was.
    QVERIFY(!f.serial.isOpen());
    QVERIFY(!f.tickers.anyActive());
    for (const ShownMessage &m : f.prompt.shown)
        QVERIFY(m.title != QStringLiteral("完了"));
    QVERIFY(!f.config.Saved);
    QCOMPARE(f.config.CommandScript, Script);
    QVERIFY(!router.state().bootConfigText);
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
}

void TestTransferWindows::serialLineErrorAsksWhetherToGoOn()
{
    QFETCH(int, code);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(bool, stillOpen);

    RouterSimulator router;
    QVERIFY2(router.start({}, RouterSimulator::Serial), qPrintable(router.errorString()));
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
    QVERIFY(f.serial.open());
    f.prompt.answers = {MessageAnswer(answer)};
    ReportSerialLineError(code, f.environment);
    QCOMPARE(f.prompt.shown.size(), 1);
    QCOMPARE(f.prompt.shown.first().text, text);
    QCOMPARE(f.prompt.shown.first().title,
             QStringLiteral("中断する場合は [ｷｬﾝｾﾙ] を、無視する場合は [OK] をｸﾘｯｸしてください。"));
    QCOMPARE(f.prompt.shown.first().buttons, MessageButtons::OkCancel);
    QCOMPARE(f.serial.isOpen(), stillOpen);
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
    TransferJob job;
    RouterInstall install(job, f.tickers);
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

    const quint16 tftpPort = freeUdpPort();
    RouterSimulator router;
    QVERIFY2(router.start({"--tftp-port", QString::number(tftpPort)}, RouterSimulator::Telnet),
             qPrintable(router.errorString()));
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("1"));
    f.environment.tftpPort = tftpPort;
    f.environment.telnetPort = router.telnetPort();
    frmScript script(f.config, f.prompt, nullptr, &f.environment);
    script.show();
    Operator op(f.tickers, f.prompt);
    op.passwords = passwords;
    script.cmdAccept->click();

    QStringList shown;
    for (const ShownMessage &m : f.prompt.shown)
        shown << m.title;
    QCOMPARE(shown, titles);
    QCOMPARE(f.prompt.shown.first().icon, MessageIcon::Warning);
    QCOMPARE(f.prompt.shown.first().text,
             QStringLiteral("LAN で送るとき、パスワードは空白で区切った語に分けてパスワード暗号化プログラムに渡すため、"
                            "先頭や末尾の空白、2 つ以上続いた空白はそのままでは送れません (ルータに別のパスワードが設定されます)。"
                            "シリアルで送るか、このような空白のないパスワードにしてください。"));
    const RouterState state = router.state();
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

QTEST_MAIN(TestTransferWindows)
#include "tst_TransferWindows.moc"
