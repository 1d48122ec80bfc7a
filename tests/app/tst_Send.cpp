// marrowgate send: wrong usage answered at once with status 2, and the
// program itself installing configurations on the router simulator over a
// pseudo-terminal and over loopback Telnet and TFTP (router 127.0.0.2, PC
// 127.0.0.1): the factory-password cases, failures with their status and
// text, Ctrl+C in the middle, and transcripts that hold no password.

#include "CommandLine.h"
#include "RouterSimulator.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>

using namespace mgtest;

namespace {

QString example(const QString &name) { return QStringLiteral(MG_SOURCE_DIR "/examples/") + name; }

// The passwords of the example configuration's destinations, which its
// script carries.
const QStringList ExampleSecrets{"Hq0!pass", "Br4nch!pw", "isp-pass"};
const QString HandSecret = QStringLiteral("Zz9!secret");

quint16 freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return socket.localPort();
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestSend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void usage_data();
    void usage();
    void send_data();
    void send();
    void transcriptInTheDataFolder();
    void interrupt_data();
    void interrupt();

private:
    // Runs the program with the words and standard input; a fresh data and
    // temporary folder for each run.
    QProcess *start(const QStringList &args, const QByteArray &input, const QStringList &environment = {});
    QString tmpFolder() const { return m_dir.filePath(QStringLiteral("tmp")); }
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }

    QTemporaryDir m_dir;
    QString m_script;
    std::unique_ptr<QProcess> m_process;
};

void TestSend::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A hand-edited script, with the line ends of a Linux editor.
    m_script = m_dir.filePath(QStringLiteral("hand.txt"));
    QFile script(m_script);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("enable ip\nset system name=\"hand\"\nadd user=x password=" + HandSecret.toLatin1() + "\n");
}

QProcess *TestSend::start(const QStringList &args, const QByteArray &input, const QStringList &environment)
{
    QDir(tmpFolder()).removeRecursively();
    QDir(dataFolder()).removeRecursively();
    QDir().mkpath(tmpFolder());
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MG_TIME_SCALE"), QStringLiteral("10"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder());
    env.insert(QStringLiteral("TMPDIR"), tmpFolder());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    m_process->setProcessEnvironment(env);
    m_process->start(QStringLiteral(MG_PROGRAM), QStringList{"send"} + args);
    m_process->write(input);
    m_process->closeWriteChannel();
    return m_process.get();
}

void TestSend::usage_data()
{
    QTest::addColumn<QStringList>("args");   // after "send"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");    // a part of standard output (status 0) or standard error

    const QString cfg = example(QStringLiteral("office.cfg"));
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "marrowgate send (--serial DEVICE | --lan ADDRESS)";
    QTest::newRow("no way to the router") << QStringList{cfg} << 2 << "--serial DEVICE か --lan ADDRESS のどちらか一方";
    QTest::newRow("both ways") << QStringList{"--serial", "/dev/ttyUSB0", "--lan", "127.0.0.2", cfg} << 2
                               << "どちらか一方";
    QTest::newRow("a serial option on the LAN") << QStringList{"--lan", "127.0.0.2", "--speed", "9600", cfg} << 2
                                                << "--speed は --lan と一緒には使えません";
    QTest::newRow("a LAN option on the serial line")
        << QStringList{"--serial", "/dev/ttyUSB0", "--tftp-port", "6969", cfg} << 2 << "--tftp-port は --serial";
    QTest::newRow("not an address") << QStringList{"--lan", "kv700", cfg} << 2 << "IPv4 アドレスを指定してください: kv700";
    QTest::newRow("parity unknown") << QStringList{"--serial", "/dev/ttyUSB0", "--parity", "x", cfg} << 2 << "--parity には";
    QTest::newRow("speed with a sign") << QStringList{"--serial", "/dev/ttyUSB0", "--speed", "+9600", cfg} << 2
                                       << "--speed には";
    QTest::newRow("pace unknown") << QStringList{"--serial", "/dev/ttyUSB0", "--pace=fast", cfg} << 2
                                  << "--pace には line か echo";
    QTest::newRow("echo pacing on the LAN") << QStringList{"--lan", "127.0.0.2", "--pace=echo", cfg} << 2
                                            << "シリアルで送るときだけ";
    QTest::newRow("timeout 0") << QStringList{"--serial", "/dev/ttyUSB0", "--timeout", "0", cfg} << 2 << "--timeout には";
    QTest::newRow("enat with a script") << QStringList{"--serial", "/dev/ttyUSB0", "--script", "--enat=yes", cfg} << 2
                                        << "--enat は --script と一緒には使えません";
    QTest::newRow("enat maybe") << QStringList{"--serial", "/dev/ttyUSB0", "--enat=maybe", cfg} << 2
                                << "--enat には yes か no";
    QTest::newRow("user with a dot") << QStringList{"--serial", "/dev/ttyUSB0", "--user", "a.b", cfg} << 2
                                     << "--user: ユーザ名に使えない文字";
    QTest::newRow("two files") << QStringList{"--serial", "/dev/ttyUSB0", cfg, cfg} << 2 << "1つ指定";
    QTest::newRow("no file") << QStringList{"--serial", "/dev/ttyUSB0"} << 2 << "1つ指定";
    QTest::newRow("unknown option") << QStringList{"--serial", "/dev/ttyUSB0", "--password", "x", cfg} << 2
                                    << "send: 不明なオプションです: --password";
    QTest::newRow("value missing") << QStringList{cfg, "--serial", "/dev/ttyUSB0", "--user"} << 2
                                   << "--user の後に値を";
    QTest::newRow("option twice") << QStringList{"--serial", "/dev/ttyUSB0", "--user", "a", "--user", "b", cfg} << 2
                                  << "--user は1回だけ";
}

void TestSend::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    QCOMPARE(mg::runCommandLine(QStringList{"marrowgate", "send"} + args, out, err), std::optional<int>(status));
    const QString text = QString::fromUtf8(status == 0 ? out.data() : err.data());
    QVERIFY2(text.contains(message), qPrintable(text));
    QVERIFY((status == 0 ? err : out).data().isEmpty());
    if (status == 2) {  // the synopsis after the reason, or where to read more
        QVERIFY(text.contains(QStringLiteral("使い方: marrowgate send"))
                || text.contains(QStringLiteral("詳しくは marrowgate --help を見てください。")));
    }
}

void TestSend::send_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QStringList>("router");     // simulator options; "closed": nothing listens
    QTest::addColumn<QStringList>("args");       // after the way to the router; "@script" is the hand-edited script
    QTest::addColumn<QString>("input");          // standard input
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");        // a part of standard error
    QTest::addColumn<QString>("managerPassword"); // on the router afterwards; "-": nothing was changed on it

    const QString cfg = example(QStringLiteral("office.cfg"));
    const QString done = QStringLiteral("KV700 の設定が完了しました。");
    QTest::newRow("serial: factory login, new password, echo pacing")
        << true << QStringList{} << QStringList{"--pace=echo", "--verbose", cfg} << "pastry\nn3wpass1\n" << 0 << done
        << "n3wpass1";
    QTest::newRow("serial: factory password kept, line pacing")
        << true << QStringList{} << QStringList{"--keep-factory-password", cfg} << "pastry\n" << 0 << done << "pastry";
    QTest::newRow("serial: own password restored after the reset, from the .rcf")
        << true << QStringList{"--password", "s3cret!"} << QStringList{"--pace=echo", example("office.rcf")}
        << "s3cret!\n" << 0 << done << "s3cret!";
    QTest::newRow("serial: a hand-edited script as it is")
        << true << QStringList{} << QStringList{"--pace=echo", "--script", "@script"} << "pastry\nn3wpass1\n" << 0
        << done << "n3wpass1";
    QTest::newRow("serial: factory login with neither a new password nor keeping it")
        << true << QStringList{} << QStringList{cfg} << "pastry\n" << 1
        << "--keep-factory-password を指定してください。ルータには何も送っていません。" << "-";
    QTest::newRow("serial: new password too short")
        << true << QStringList{} << QStringList{cfg} << "pastry\nabc12\n" << 1 << "6 文字以上にしてください" << "-";
    QTest::newRow("serial: both a new password and keeping the factory one")
        << true << QStringList{} << QStringList{"--keep-factory-password", cfg} << "pastry\nn3wpass1\n" << 2
        << "両方が指定されています" << "-";
    QTest::newRow("serial: no password at all") << true << QStringList{} << QStringList{cfg} << "" << 1
                                                << "パスワードがありません" << "-";
    QTest::newRow("serial: wrong password")
        << true << QStringList{"--password", "s3cret!"} << QStringList{"--pace=echo", cfg} << "wrong1\n" << 1
        << "ログインに失敗しました。\nユーザ名とパスワードを確認してください。" << "s3cret!";
    QTest::newRow("serial: the router does not answer")
        << true << QStringList{"--silent"} << QStringList{cfg} << "s3cret!\n" << 1
        << "KV700 から応答がありません。\nKV700 と PC との接続を確認してください。" << "-";
    QTest::newRow("serial: the session takes longer than its limit")
        << true << QStringList{} << QStringList{"--timeout", "1", cfg} << "pastry\nn3wpass1\n" << 1
        << "1 秒たっても KV700 の設定が終わらないため、中止しました。" << "-";
    QTest::newRow("LAN: factory login, new password")
        << false << QStringList{"--one-byte"} << QStringList{"--verbose", cfg} << "pastry\nn3wpass1\n" << 0 << done
        << "n3wpass1";
    QTest::newRow("LAN: flash full, the router's own error line")
        << false << QStringList{"--load-error"} << QStringList{cfg} << "pastry\nn3wpass1\n" << 1
        << "marrowgate: ルータの表示: Error (flash full): フラッシュメモリに空きがありません\n"
           "marrowgate: 設定の送信に失敗しました。"
        << "pastry";
    QTest::newRow("LAN: a file of that name in flash")
        << false << QStringList{"--existing", "office.cfg"} << QStringList{cfg} << "pastry\nn3wpass1\n" << 1
        << "ルータの表示: Error (file exists): office.cfg は既に存在します" << "pastry";
    QTest::newRow("LAN: nothing listens on the Telnet port")
        << false << QStringList{"closed"} << QStringList{cfg} << "s3cret!\n" << 1
        << "ログインに失敗しました。ルータの IP アドレス\nを再確認して下さい。" << "-";
}

void TestSend::send()
{
    QFETCH(bool, serial);
    QFETCH(QStringList, router);
    QFETCH(QStringList, args);
    QFETCH(QString, input);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QString, managerPassword);

    RouterSimulator simulator;
    QStringList way;
    if (router == QStringList{"closed"}) {
        QTcpServer closed;
        QVERIFY(closed.listen(RouterSimulator::routerAddress(), 0));
        way = {"--lan", "127.0.0.2", "--telnet-port", QString::number(closed.serverPort())};
    } else {
        const quint16 tftpPort = freeUdpPort();
        QVERIFY2(simulator.start(router + QStringList{"--tftp-port", QString::number(tftpPort)},
                                 serial ? RouterSimulator::Serial : RouterSimulator::Telnet),
                 qPrintable(simulator.errorString()));
        if (serial)
            way = {"--serial", simulator.serialLink()};
        else
            way = {"--lan", "127.0.0.2", "--telnet-port", QString::number(simulator.telnetPort()), "--tftp-port",
                   QString::number(tftpPort)};
    }
    args.replaceInStrings(QRegularExpression(QStringLiteral("^@script$")), m_script);
    const QString transcript = m_dir.filePath(QStringLiteral("session.log"));
    QFile::remove(transcript);

    QProcess *program = start(way + QStringList{"--transcript", transcript} + args, input.toUtf8());
    QVERIFY(program->waitForFinished(120000));
    const QString err = QString::fromUtf8(program->readAllStandardError());
    QVERIFY2(program->exitStatus() == QProcess::NormalExit, qPrintable(err));
    QVERIFY2(program->exitCode() == status, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(program->readAllStandardOutput(), QByteArray());

    if (simulator.isRunning()) {
        const RouterState state = simulator.state();
        if (managerPassword == QLatin1String("-")) {
            // Stopped before anything was changed on the router.
            QCOMPARE(state.restarts, 0);
            QVERIFY(!state.commands.contains(QStringLiteral("restart router")));
            QVERIFY(!state.commands.contains(QStringLiteral("set password")));
        } else {
            QCOMPARE(state.managerPassword, managerPassword);
            if (status == 0) {
                QCOMPARE(state.bootConfig, args.contains(QLatin1String("--script")) ? QStringLiteral("hand.cfg")
                                                                                   : QStringLiteral("office.cfg"));
                QVERIFY(state.bootConfigText);
                if (args.contains(QLatin1String("--script")))
                    QVERIFY(state.bootConfigText->contains(QStringLiteral("set system name=\"hand\"")));
            }
        }
    }

    // No password anywhere: not on standard error, not in the transcript.
    QStringList secrets = input.split(QLatin1Char('\n'), Qt::SkipEmptyParts) + ExampleSecrets;
    secrets << QStringLiteral("pastry") << HandSecret;
    const bool recorded = QFileInfo::exists(transcript);
    const QString record = readAll(transcript);
    for (const QString &secret : std::as_const(secrets)) {
        QVERIFY2(!err.contains(secret), qPrintable(QStringLiteral("standard error shows %1").arg(secret)));
        QVERIFY2(!record.contains(secret), qPrintable(QStringLiteral("the transcript holds %1").arg(secret)));
    }
    // A run that got as far as the router left its record, owner-only.
    if (status == 0 || managerPassword != QLatin1String("-") || router.contains(QLatin1String("--silent"))) {
        QVERIFY(recorded);
        QCOMPARE(QFileInfo(transcript).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QVERIFY(record.contains(QStringLiteral("# 終了 (終了コード %1)").arg(status)));
    }
    if (args.contains(QLatin1String("--verbose")))
        QVERIFY2(err.contains(QStringLiteral("ようこそ manager さん")), qPrintable(err));
    // Nothing left in the temporary folder (the manager account's private one).
    QCOMPARE(QDir(tmpFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestSend::transcriptInTheDataFolder()
{
    RouterSimulator simulator;
    QVERIFY2(simulator.start({}, RouterSimulator::Serial), qPrintable(simulator.errorString()));
    QProcess *program = start({"--serial", simulator.serialLink(), "--pace=echo", "--keep-factory-password",
                               example(QStringLiteral("office.cfg"))},
                              "pastry\n");
    QVERIFY(program->waitForFinished(120000));
    const QString err = QString::fromUtf8(program->readAllStandardError());
    QVERIFY2(program->exitCode() == 0, qPrintable(err));
    const QString folder = dataFolder() + QStringLiteral("/Quillmark KV700 Marrowgate/transcripts");
    const QStringList made = QDir(folder).entryList(QDir::Files);
    QCOMPARE(made.size(), 1);
    const QString path = QDir(folder).filePath(made.first());
    QVERIFY2(err.contains(QStringLiteral("記録: ") + path), qPrintable(err));
    QVERIFY(readAll(path).contains(QStringLiteral("> set port=0 page=0")));
}

void TestSend::interrupt_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("message");
    QTest::newRow("Ctrl+C while typing the script") << true << int(SIGINT) << "Ctrl+C で中断しました。";
    QTest::newRow("SIGTERM while typing the script") << true << int(SIGTERM) << "終了の要求 (SIGTERM) で中断しました。";
    QTest::newRow("Ctrl+C while the password is encoded") << false << int(SIGINT) << "Ctrl+C で中断しました。";
}

void TestSend::interrupt()
{
    QFETCH(bool, serial);
    QFETCH(int, signal);
    QFETCH(QString, message);

    const quint16 tftpPort = freeUdpPort();
    RouterSimulator simulator;
    QVERIFY2(simulator.start({"--tftp-port", QString::number(tftpPort)},
                             serial ? RouterSimulator::Serial : RouterSimulator::Telnet),
             qPrintable(simulator.errorString()));
    const QString transcript = m_dir.filePath(QStringLiteral("interrupted.log"));
    QStringList args{"--transcript", transcript};
    if (serial)
        args << "--serial" << simulator.serialLink();
    else
        args << "--lan" << "127.0.0.2" << "--telnet-port" << QString::number(simulator.telnetPort()) << "--tftp-port"
             << QString::number(tftpPort);
    // The encoder takes its time, so the session is caught with its private
    // folder in use.
    QProcess *program = start(args + QStringList{example(QStringLiteral("office.cfg"))}, "pastry\nn3wpass1\n",
                              {"TZEL_STANDIN_SLEEP=60"});
    QByteArray err;
    const auto midway = [&] {
        if (serial)
            return err.contains("送信: 20%");
        return !QDir(tmpFolder()).entryList({"marrowgate-*"}, QDir::Dirs).isEmpty();
    };
    QVERIFY(QTest::qWaitFor([&] {
        err += program->readAllStandardError();
        return midway() || program->state() == QProcess::NotRunning;
    }, 60000));
    QVERIFY2(program->state() == QProcess::Running, err.constData());
    ::kill(pid_t(program->processId()), signal);
    // Ends at once: the encoder's minute is not waited for.
    QVERIFY(program->waitForFinished(20000));
    err += program->readAllStandardError();
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 128 + signal);
    QVERIFY2(QString::fromUtf8(err).contains(QStringLiteral("marrowgate: ") + message), err.constData());

    // Nothing left behind: no temporary files, the TFTP port free again,
    // the transcript closed with the reason.
    QCOMPARE(QDir(tmpFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    QUdpSocket tftp;
    QVERIFY(tftp.bind(QHostAddress(QStringLiteral("127.0.0.1")), tftpPort, QAbstractSocket::DontShareAddress));
    const QStringList lines = readAll(transcript).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 3);
    QVERIFY2(lines.last().endsWith(message + QStringLiteral(" (終了コード %1)").arg(128 + signal)), qPrintable(lines.last()));
    for (const QString &secret : QStringList{"pastry", "n3wpass1"} + ExampleSecrets)
        QVERIFY(!readAll(transcript).contains(secret));
    // The router saw no more once the program was gone.
    if (serial) {
        const int received = int(simulator.state().received.size());
        QTest::qWait(500);
        QCOMPARE(int(simulator.state().received.size()), received);
    }
}

QTEST_GUILESS_MAIN(TestSend)
#include "tst_Send.moc"
