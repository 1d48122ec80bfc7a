// Whole installations against the router simulator: the login, the manager
// password, the transfer file and the transfer, over the serial console (a
// pseudo-terminal) and over Telnet with the TFTP fetch (loopback: router
// 127.0.0.2, PC 127.0.0.1). What counts is the router's state afterwards.

#include "ManualTicker.h"
#include "RouterInstall.h"
#include "RouterSimulator.h"
#include "SendText.h"
#include "SerialLine.h"
#include "SessionChecks.h"
#include "TelnetLink.h"
#include "TestFakes.h"
#include "TickDriver.h"
#include "Transcript.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mg;
using namespace mgtest;

Q_DECLARE_METATYPE(mg::DialogueMessage)

namespace {

const QString Script = QStringLiteral("enable ip\r\nset ip interface=eth0 address=192.168.44.2 mask=255.255.255.0\r\n"
                                      "set system name=\"office\"\r\n");

// The lines of a text that the router keeps, without line ends.
QStringList configLines(const QString &text)
{
    return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

struct Outcome {
    bool ended = false;
    bool ok = false;
    DialogueMessage message;
    bool markChanged = false;
    bool closesWindow = false;
    bool transferStarted = false;
    QList<DialogueMessage> loginFailures;
};

// Records the installation's outcome and feeds the driver its output.
void watch(RouterInstall &install, TickDriver &driver, Outcome &out)
{
    QObject::connect(&install, &RouterInstall::output, &install, [&](const QString &text) { driver.output(text); });
    QObject::connect(&install, &RouterInstall::loginFailed, &install,
                     [&](const DialogueMessage &m) { out.loginFailures << m; });
    QObject::connect(&install, &RouterInstall::finished, &install, [&](const InstallOutcome &end) {
        out.ended = true;
        out.ok = end.ok;
        out.message = end.message;
        out.markChanged = end.markChanged;
        out.closesWindow = end.closesWindow;
    });
    QObject::connect(&install, &RouterInstall::transferStarted, &install, [&] { out.transferStarted = true; });
}

} // namespace

class TestRouterInstall : public QObject {
    Q_OBJECT

private slots:
    void openingNotes_data();
    void openingNotes();
    void serialConsole_data();
    void serialConsole();
    void network_data();
    void network();
};

void TestRouterInstall::openingNotes_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("program");   // empty: the windows
    QTest::addColumn<QStringList>("notes"); // the transcript's first notes

    QTest::newRow("windows, serial console")
        << true << "" << QStringList{"シリアル コンソール /dev/ttyUSB0 (9600,n,8,1) で設定 office.cfg を送ります。"};
    QTest::newRow("windows, LAN") << false << "" << QStringList{"ルータ 127.0.0.2 に LAN で設定 office.cfg を送ります。"};
    QTest::newRow("command line")
        << false << "marrowgate 1.0 send"
        << QStringList{"marrowgate 1.0 send: office.rcf を LAN 127.0.0.2 で送ります。",
                       "ルータでの名前: office.cfg、スクリプトをそのまま送ります。"};
}

// Whoever starts an installation, its transcript says at the top who sends
// what over which line, before anything is typed.
void TestRouterInstall::openingNotes()
{
    QFETCH(bool, serial);
    QFETCH(QString, program);
    QFETCH(QStringList, notes);

    TransferRequest request;
    request.method = serial ? TransferMethod::Serial : TransferMethod::Telnet;
    request.configName = QStringLiteral("office.cfg");
    request.routerAddress = QStringLiteral("127.0.0.2");
    request.caller.line = serial ? QStringLiteral("/dev/ttyUSB0 (9600,n,8,1)") : QStringLiteral("LAN 127.0.0.2");
    if (!program.isEmpty())
        request.caller = {program, QStringLiteral("office.rcf"), QStringLiteral("スクリプトをそのまま送ります。"),
                          QStringLiteral("LAN 127.0.0.2")};
    QTemporaryDir dir;
    Transcript transcript;
    QVERIFY(transcript.open(dir.filePath(QStringLiteral("t.txt"))));
    ManualTickerFactory tickers;
    RouterInstall install(request, tickers);
    install.setTranscript(&transcript);
    transcript.close();

    QStringList written;
    for (const QString &line : readText(dir.filePath(QStringLiteral("t.txt"))).split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(QStringLiteral(" # "));
        if (at >= 0)
            written << line.mid(at + 3);
    }
    QCOMPARE(written, notes);
}

void TestRouterInstall::serialConsole_data()
{
    QTest::addColumn<QStringList>("options");     // the simulated router
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("newPassword");     // chosen after a factory login; empty keeps it
    QTest::addColumn<QString>("managerPassword"); // on the router at the end
    QTest::addColumn<QString>("refusedFirst");    // a password tried first and refused; empty: none
    QTest::addColumn<QByteArray>("ticker");       // fired once the transfer is under way; empty: none
    QTest::addColumn<DialogueMessage>("message"); // the failure that ticker ends it with

    // The windows' tests drive the common cases; these are the engine's own.
    QTest::newRow("another user with the factory password keeps it")
        << QStringList{"--user", "admin:pastry"} << "pastry" << "admin" << "" << "pastry" << "" << QByteArray()
        << DialogueMessage();
    QTest::newRow("output one byte at a time, cut inside characters")
        << QStringList{"--one-byte", "--split-sjis"} << "pastry" << "manager" << "n3wpass"
        << "n3wpass" << "" << QByteArray() << DialogueMessage();
    // The second try types the same session as a first one would.
    QTest::newRow("a refused password, then the right one")
        << QStringList{} << "pastry" << "manager" << "n3wpass" << "n3wpass" << "wrong1" << QByteArray()
        << DialogueMessage();
    // The installation's own watches end a transfer under way: a failure the
    // operator is told about, after which the progress window closes and the
    // configuration keeps its saved state.
    QTest::newRow("the session's time limit") << QStringList{} << "pastry" << "manager" << "" << "" << ""
                                              << QByteArray(RouterInstall::LimitTicker) << DialogueMessages::timedOut(30);
    QTest::newRow("nothing moves for too long")
        << QStringList{} << "pastry" << "manager" << "" << "" << "" << QByteArray(RouterInstall::StallTicker)
        << DialogueMessages::stalled(int(RouterInstall::StallLimit.count()), true);
}

void TestRouterInstall::serialConsole()
{
    QFETCH(QStringList, options);
    QFETCH(QString, password);
    QFETCH(QString, user);
    QFETCH(QString, newPassword);
    QFETCH(QString, managerPassword);
    QFETCH(QString, refusedFirst);
    QFETCH(QByteArray, ticker);
    QFETCH(DialogueMessage, message);

    RouterSimulator router;
    QVERIFY2(router.start(options, RouterSimulator::Serial), qPrintable(router.errorString()));

    MemorySettings settings;
    settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
    SerialLine line(settings);
    QVERIFY2(line.open(), qPrintable(line.errorString()));

    TransferRequest request;
    request.commandScript = Script;
    request.configName = QStringLiteral("office.cfg");
    ManualTickerFactory tickers;
    TickDriver driver(tickers);
    RouterInstall install(request, tickers);
    if (!ticker.isEmpty())
        install.setTimeLimit(std::chrono::seconds(30));
    int choices = 0;
    install.setFactoryPasswordChoice([&]() -> std::optional<QString> {
        ++choices;
        return newPassword.isEmpty() ? std::nullopt : std::optional<QString>(newPassword);
    });
    Outcome out;
    watch(install, driver, out);

    install.attach(line);
    // The operator reads the refusal and types the right password.
    QObject::connect(&install, &RouterInstall::loginFailed, &install, [&](const DialogueMessage &, bool canRetry) {
        if (canRetry && !refusedFirst.isEmpty() && out.loginFailures.size() == 1)
            QTimer::singleShot(0, &install, [&] { install.login(user, password); });
    });
    const qsizetype refusals = refusedFirst.isEmpty() ? 0 : 1;
    install.login(user, refusedFirst.isEmpty() ? password : refusedFirst);
    if (!ticker.isEmpty()) {
        QVERIFY(driver.runUntil([&] { return out.transferStarted || out.ended || !out.loginFailures.isEmpty(); }));
        QVERIFY(out.transferStarted);
        QVERIFY(!out.ended);
        QVERIFY(tickers.fire(ticker.constData()));
        QVERIFY(out.ended);
        QVERIFY(!out.ok);
        QCOMPARE(out.message, message);
        QVERIFY(!out.markChanged);
        QVERIFY(out.closesWindow);
        QVERIFY(!install.isRunning());
        QVERIFY(!line.isOpen());
        return;
    }
    QVERIFY(driver.runUntil([&] { return out.ended || out.loginFailures.size() > refusals; }));

    QCOMPARE(out.loginFailures.size(), refusals);
    QVERIFY2(out.ok, qPrintable(out.message.text));
    QCOMPARE(out.message.text, QStringLiteral("KV700 の設定が完了しました。"));
    QCOMPARE(choices, SendText::isFactoryLogin(user, password) ? 1 : 0);
    // The port is closed at the end.
    QVERIFY(!line.isOpen());

    const RouterState state = router.state();
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
    QVERIFY(state.bootConfigText);
    // The saved configuration holds the script (after the line that keeps
    // the manager password).
    QCOMPARE(configLines(*state.bootConfigText).mid(1), configLines(Script));
    QCOMPARE(state.managerPassword, managerPassword);
    // A password is set only when it changes something.
    QCOMPARE(state.commands.contains(QStringLiteral("set password")), managerPassword != QLatin1String("pastry"));
    QCOMPARE(state.restarts, 2);
}

void TestRouterInstall::network_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("managerPassword"); // empty: the install fails
    QTest::addColumn<QString>("failureTitle");

    QTest::newRow("factory login, new password") << QStringList{} << "pastry" << "n3wpass" << "n3wpass" << "";
    QTest::newRow("first TFTP block lost") << QStringList{"--drop-tftp", "1"} << "pastry" << "" << "pastry" << "";
    QTest::newRow("output one byte at a time, cut inside characters")
        << QStringList{"--one-byte", "--split-sjis"} << "pastry" << "n3wpass" << "n3wpass" << "";
    QTest::newRow("flash full, its Error cut into single bytes")
        << QStringList{"--load-error", "--one-byte"} << "pastry" << "" << "" << "設定の送信";
    QTest::newRow("wrong password") << QStringList{"--password", "s3cret"} << "wrong1" << "" << ""
                                    << "ログイン失敗";
}

void TestRouterInstall::network()
{
    QFETCH(QStringList, options);
    QFETCH(QString, password);
    QFETCH(QString, newPassword);
    QFETCH(QString, managerPassword);
    QFETCH(QString, failureTitle);

    const quint16 tftpPort = freeUdpPort();
    RouterSimulator router;
    QVERIFY2(router.start(options + QStringList{"--tftp-port", QString::number(tftpPort)}, RouterSimulator::Telnet),
             qPrintable(router.errorString()));

    TransferRequest request;
    request.method = TransferMethod::Telnet;
    request.commandScript = Script;
    request.configName = QStringLiteral("office.cfg");
    request.routerAddress = RouterSimulator::routerAddress().toString();
    request.tftpPort = tftpPort;
    ManualTickerFactory tickers;
    TickDriver driver(tickers);
    TelnetLink link;
    link.setRemotePort(router.telnetPort());
    RouterInstall install(request, tickers);
    install.setProgramFolder(QStringLiteral(MG_TZEL_DIR));
    install.setFactoryPasswordChoice([&]() -> std::optional<QString> {
        return newPassword.isEmpty() ? std::nullopt : std::optional<QString>(newPassword);
    });
    Outcome out;
    watch(install, driver, out);

    install.attach(link);
    install.login(QStringLiteral("manager"), password);
    QVERIFY(driver.runUntil([&] { return out.ended || !out.loginFailures.isEmpty(); }));

    if (failureTitle == QStringLiteral("ログイン失敗")) {
        QCOMPARE(out.loginFailures.size(), 1);
        QCOMPARE(out.loginFailures.first().text,
                 QStringLiteral("ログインに失敗しました。\r\nユーザ名とパスワードを確認してください。"));
        QCOMPARE(link.state(), TelnetLink::State::Closed);
        return;
    }
    QVERIFY(out.ended);
    const RouterState state = router.state();
    if (!failureTitle.isEmpty()) {
        QVERIFY(!out.ok);
        QCOMPARE(out.message.title, failureTitle);
        QVERIFY(out.markChanged);   // the operator is to save it again
        QVERIFY(!state.commands.contains(QStringLiteral("set config=office.cfg")));
        return;
    }
    QVERIFY2(out.ok, qPrintable(out.message.text));
    QCOMPARE(out.message.text, QStringLiteral("KV700 の設定が完了しました。"));
    QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
    QVERIFY(state.bootConfigText);
    // The fetched file: the manager account lines, then the script as it is.
    const QStringList lines = configLines(*state.bootConfigText);
    QVERIFY(lines.value(0).startsWith(QStringLiteral("set user=manager pass=")));
    QCOMPARE(lines.value(1), QStringLiteral("set user=manager desc=\"Manager Account\" priv=manager telnet=yes"));
    QCOMPARE(lines.mid(2), configLines(Script));
    QCOMPARE(state.managerPassword, managerPassword);
    QCOMPARE(state.restarts, 1);
    // The program's password never travels in clear in the file.
    QVERIFY(!lines.value(0).contains(managerPassword));
}

QTEST_GUILESS_MAIN(TestRouterInstall)
#include "tst_RouterInstall.moc"
