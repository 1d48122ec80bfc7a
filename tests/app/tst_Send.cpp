// marrowgate send: wrong usage answered at once with status 2 (check's too,
// read by the same options), and the program itself installing
// configurations on the router simulator over a pseudo-terminal and over
// loopback Telnet and TFTP (router 127.0.0.2, PC 127.0.0.1): the
// factory-password cases, failures with their status and text, a time limit,
// Ctrl+C in the middle, and transcripts and output that hold no password,
// though the router's echo of one may come a byte at a time.

#include "CommandLine.h"
#include "MakerEncoder.h"
#include "SessionChecks.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace mgtest;

namespace {

const QString Cfg = QStringLiteral(MG_SOURCE_DIR "/examples/office.cfg");
// The passwords of the example configuration's destinations, which its
// script carries, and the one of the hand-edited script.
const QStringList ExampleSecrets{"Hq0!pass", "Br4nch!pw", "isp-pass"};
const QString HandSecret = QStringLiteral("Zz9!secret");
// The example configuration saved under a name with a blank (made by initTestCase).
QString BlankNamed;

// Rows give words apart by spaces; "@" stands for the example configuration,
// "@rcf" for its .rcf and "@script" for the hand-edited script.
QStringList words(const char *row, const QString &script = QString())
{
    QStringList list = QString::fromUtf8(row).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &word : list) {
        if (word == QLatin1String("@blank"))
            word = BlankNamed;
        else if (word.startsWith(QLatin1Char('@')))
            word = word == QLatin1String("@script") ? script : QString(Cfg).replace(".cfg", word == "@rcf" ? ".rcf" : ".cfg");
    }
    return list;
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
    void interrupt_data();
    void interrupt();
    void standInEncoder_data();
    void standInEncoder();
    void promptGivesTheEchoBack_data();
    void promptGivesTheEchoBack();

private:
    // Runs the program with the words and standard input (or, given
    // `terminal`, that device as standard input); a fresh data and
    // temporary folder for each run.
    QProcess *start(const QStringList &args, const QByteArray &input, const QStringList &environment = {},
                    const QString &terminal = {});
    QString tmpFolder() const { return m_dir.filePath(QStringLiteral("tmp")); }
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }
    QStringList leftInTmp() const { return QDir(tmpFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }

    QTemporaryDir m_dir;
    QString m_script;
    std::unique_ptr<QProcess> m_process;
};

void TestSend::initTestCase()
{
    QVERIFY(m_dir.isValid());
    BlankNamed = m_dir.filePath(QStringLiteral("my office.cfg"));
    QVERIFY(QFile::copy(Cfg, BlankNamed));
    QVERIFY(QFile::copy(QString(Cfg).replace(".cfg", ".rcf"), m_dir.filePath(QStringLiteral("my office.rcf"))));
    // A hand-edited script, with the line ends of a Linux editor.
    m_script = m_dir.filePath(QStringLiteral("hand.txt"));
    QFile script(m_script);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("enable ip\nset system name=\"hand\"\nadd user=x password=" + HandSecret.toLatin1() + "\n");
}

QProcess *TestSend::start(const QStringList &args, const QByteArray &input, const QStringList &environment,
                          const QString &terminal)
{
    QDir(tmpFolder()).removeRecursively();
    QDir(dataFolder()).removeRecursively();
    QDir().mkpath(tmpFolder());
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : QStringList{"MG_TIME_SCALE=10", "XDG_DATA_HOME=" + dataFolder(), "TMPDIR=" + tmpFolder(),
                                              "LANG=C.UTF-8"} + environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    m_process->setProcessEnvironment(env);
    if (!terminal.isEmpty())
        m_process->setStandardInputFile(terminal);
    m_process->start(QStringLiteral(MG_PROGRAM), QStringList{"send"} + args);
    if (terminal.isEmpty()) {
        m_process->write(input);
        m_process->closeWriteChannel();
    }
    return m_process.get();
}

void TestSend::usage_data()
{
    QTest::addColumn<QStringList>("args"); // after "marrowgate"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");  // a part of standard output (status 0) or standard error

    // check reads the way to the router with the same options as send.
    // (What every subcommand answers to an unknown option, a value left out
    // and a file too many or missing: tst_CommandLine.)
    const struct { const char *name, *args; int status; const char *message; } rows[] = {
        {"--help", "send --help", 0, "marrowgate send (--serial DEVICE | --lan ADDRESS)"},
        {"no way to the router", "send @", 2, "--serial DEVICE か --lan ADDRESS のどちらか一方"},
        {"both ways", "send --serial /dev/ttyUSB0 --lan 127.0.0.2 @", 2, "どちらか一方"},
        {"a serial option on the LAN", "send --lan 127.0.0.2 --speed 9600 @", 2, "--speed は --lan と一緒には使えません"},
        {"a LAN option on the serial line", "send --serial /dev/ttyUSB0 --tftp-port 6969 @", 2, "--tftp-port は --serial"},
        {"not an address", "send --lan kv700 @", 2, "IPv4 アドレスを指定してください: kv700"},
        // Only four decimal numbers: the resolver's shorthand would log in
        // to some other machine and give it the password.
        {"address shorthand", "send --lan 127.1 @", 2, "IPv4 アドレスを指定してください: 127.1"},
        {"address as one number", "send --lan 2130706434 @", 2, "IPv4 アドレスを指定してください: 2130706434"},
        {"address in hexadecimal", "send --lan 0x7f.0.0.1 @", 2, "IPv4 アドレスを指定してください: 0x7f.0.0.1"},
        {"address of five parts", "send --lan 1.2.3.4.5 @", 2, "IPv4 アドレスを指定してください: 1.2.3.4.5"},
        {"address part above 255", "send --lan 256.0.0.1 @", 2, "IPv4 アドレスを指定してください: 256.0.0.1"},
        {"check: address shorthand", "check --lan 127.1", 2, "IPv4 アドレスを指定してください: 127.1"},
        {"parity unknown", "send --serial /dev/ttyUSB0 --parity x @", 2, "--parity には"},
        {"speed with a sign", "send --serial /dev/ttyUSB0 --speed +9600 @", 2, "--speed には"},
        {"pace unknown", "send --serial /dev/ttyUSB0 --pace=fast @", 2, "--pace には line か echo"},
        {"echo pacing on the LAN", "send --lan 127.0.0.2 --pace=echo @", 2, "シリアルで送るときだけ"},
        {"timeout 0", "send --serial /dev/ttyUSB0 --timeout 0 @", 2, "--timeout には"},
        {"enat with a script", "send --serial /dev/ttyUSB0 --script --enat=yes @", 2, "--enat は --script と一緒には使えません"},
        {"enat maybe", "send --serial /dev/ttyUSB0 --enat=maybe @", 2, "--enat には yes か no"},
        {"user with a dot", "send --serial /dev/ttyUSB0 --user a.b @", 2, "--user: ユーザ名に使えない文字"},
        {"option twice", "send --serial /dev/ttyUSB0 --user a --user b @", 2, "--user は1回だけ"},
        {"check: port out of range", "check --lan 127.0.0.2 --telnet-port 70000", 2, "--telnet-port には 1 から 65535"},
        // Only the speeds a serial port takes; a mistyped name is that file
        // missing, whatever the rest (each found before any device or password).
        {"speed between the standard ones", "send --serial /dev/ttyUSB0 --speed 1234 @", 2,
         "--speed には標準の通信速度 (50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600, 19200, "
         "38400, 57600, 115200, 230400, 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, "
         "3000000, 3500000, 4000000) のどれかを指定してください: 1234"},
        {"speed past the fastest", "send --serial /dev/ttyUSB0 --speed 4000001 @", 2, "--speed には標準の通信速度"},
        {"check: speed between the standard ones", "check --serial /dev/ttyUSB0 --speed 9601", 2, "--speed には標準の通信速度"},
        {"the slowest speed, a mistyped name", "send --serial /dev/ttyUSB0 --speed 50 offce.cfg", 1,
         "marrowgate: offce.cfg がありません。\n"},
        {"a usual speed, a mistyped name", "send --serial /dev/ttyUSB0 --speed 115200 offce.cfg", 1,
         "marrowgate: offce.cfg がありません。\n"},
        {"the fastest speed, a mistyped script", "send --serial /dev/ttyUSB0 --speed 4000000 --script offce.txt", 1,
         "marrowgate: offce.txt がありません。\n"},
        {"a mistyped .rcf", "send --lan 127.0.0.2 offce.rcf", 1, "marrowgate: offce.rcf がありません。\n"},
        {"the stand-in's option on the serial line", "send --serial /dev/ttyUSB0 --standin-encoder-ok @", 2,
         "--standin-encoder-ok は --lan と一緒にだけ使えます"},
        {"check: the stand-in's option on the serial line", "check --serial /dev/ttyUSB0 --standin-encoder-ok", 2,
         "--standin-encoder-ok は --lan と一緒にだけ使えます"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << words(row.args) << row.status << QString::fromUtf8(row.message);
}

void TestSend::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    QCOMPARE(mg::runCommandLine(QStringList{"marrowgate"} + args, out, err), std::optional<int>(status));
    const QString text = QString::fromUtf8(status == 0 ? out.data() : err.data());
    QVERIFY2(text.contains(message), qPrintable(text));
    QVERIFY((status == 0 ? err : out).data().isEmpty());
    // Wrong usage: the synopsis after the reason, or where to read more.
    QVERIFY(status != 2 || text.contains(QStringLiteral("使い方: marrowgate ") + args.first())
            || text.contains(QStringLiteral("詳しくは marrowgate --help を見てください。")));
}

void TestSend::send_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QStringList>("router");      // simulator options; "closed": nothing listens
    QTest::addColumn<QStringList>("args");        // after the way to the router
    QTest::addColumn<QString>("input");           // standard input
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");         // a part of standard error
    QTest::addColumn<QString>("managerPassword"); // on the router afterwards; "-": nothing changed on it;
                                                  // "": stopped before the router was reached
    const char *const done = "KV700 の設定が完了しました。";
    const struct { const char *name; bool serial; const char *router, *args, *input; int status; const char *message, *after; }
        rows[] = {
        {"serial: factory login, new password, echo pacing, output a byte at a time", true, "--one-byte",
         "--pace=echo --verbose @", "pastry\nn3wpass1\n", 0, done, "n3wpass1"},
        {"serial: factory password kept, line pacing", true, "", "--keep-factory-password @", "pastry\n", 0, done, "pastry"},
        {"serial: own password restored after the reset, from the .rcf", true, "--password s3cret!", "--pace=echo @rcf",
         "s3cret!\n", 0, done, "s3cret!"},
        {"serial: a hand-edited script as it is", true, "", "--pace=echo --script @script", "pastry\nn3wpass1\n", 0, done,
         "n3wpass1"},
        {"serial: factory login with neither a new password nor keeping it", true, "", "@", "pastry\n", 1,
         "--keep-factory-password を指定してください。ルータには何も送っていません。", ""},
        {"serial: new password too short", true, "", "@", "pastry\nabc12\n", 1, "6 文字以上にしてください", ""},
        {"serial: both a new password and keeping the factory one", true, "", "--keep-factory-password @",
         "pastry\nn3wpass1\n", 2, "両方が指定されています", ""},
        {"serial: no password at all", true, "", "@", "", 1, "パスワードがありません", ""},
        {"serial: wrong password", true, "--password s3cret!", "--pace=echo @", "wrong1\n", 1,
         "ログインに失敗しました。\nユーザ名とパスワードを確認してください。", "s3cret!"},
        {"serial: the router does not answer", true, "--silent", "@", "s3cret!\n", 1,
         "KV700 から応答がありません。\nKV700 と PC との接続を確認してください。", "-"},
        {"serial: the session takes longer than its limit", true, "", "--timeout 1 @", "pastry\nn3wpass1\n", 1,
         "1 秒たっても KV700 の設定が終わらないため、中止しました。", "-"},
        {"LAN: factory login, new password, output a byte at a time", false, "--one-byte", "--verbose @",
         "pastry\nn3wpass1\n", 0, done, "n3wpass1"},
        {"LAN: flash full, the router's own error line", false, "--load-error", "@", "pastry\nn3wpass1\n", 1,
         "marrowgate: ルータの表示: Error (flash full): フラッシュメモリに空きがありません\n"
         "marrowgate: 設定の送信に失敗しました。", "pastry"},
        {"LAN: two blanks in a row the encoder would lose", false, "", "@", "ab  cd12\n", 1,
         "marrowgate: LAN で送るとき、パスワードは空白で区切った語に分けてパスワード暗号化プログラムに渡すため、"
         "先頭や末尾の空白、2 つ以上続いた空白はそのままでは送れません (ルータに別のパスワードが設定されます)。"
         "シリアルで送るか、このような空白のないパスワードにしてください。\n", ""},
        // What the router says decides: a slow boot is waited for; a router
        // set up before, a refused line or a refused name ends the run with
        // the reason and nothing typed after it.
        {"serial: a router that takes 3 s to boot", true, "--boot-ms 3000", "--keep-factory-password @", "pastry\n", 0,
         done, "pastry"},
        {"serial: set up before, its own password", true, "--configured old.cfg --password s3cret!", "--pace=echo @",
         "s3cret!\n", 1, "工場出荷時の設定に戻りませんでした", "s3cret!"},
        {"serial: a script line refused, line pacing", true, "--refuse call=remote1", "@", "pastry\nn3wpass1\n", 1,
         "KV700 が設定の 4 行目を受け付けませんでした。\n4: add isdn call=remote1", "pastry"},
        {"serial: a script line refused, echo pacing", true, "--refuse call=remote1", "--pace=echo @",
         "pastry\nn3wpass1\n", 1, "ルータの表示: Error: コマンドを実行できません", "pastry"},
        {"serial: the configuration's name refused", true, "--refuse config=office", "--pace=echo @",
         "pastry\nn3wpass1\n", 1, "KV700 が「create config=office.cfg」を受け付けませんでした。", "n3wpass1"},
        // The device named, and what to do about it, before anything is typed.
        {"serial: no such device", true, "", "--serial=/nonexistent/ttyUSB9 @", "pastry\nn3wpass1\n", 1,
         "marrowgate: /nonexistent/ttyUSB9 を開けません: No such file or directory\n"
         "ケーブル (USB シリアル変換器) がつながっているか確かめ、ls /dev/ttyUSB* /dev/ttyS* でデバイスの名前を確かめてください。\n", "-"},
        {"serial: a name with a blank", true, "", "@blank", "pastry\nn3wpass1\n", 1,
         "設定ファイルの名前「my office.cfg」は KV700 のコマンドで使えません。", ""},
        {"LAN: the router hangs up after load", false, "--close-after load", "@", "pastry\nn3wpass1\n", 1,
         "KV700 と接続できません。", "-"},
        {"LAN: the router stalls after load", false, "--stall-after load", "@", "pastry\nn3wpass1\n", 1,
         "120 秒の間 KV700 から何の表示もなく", "-"},
        {"LAN: the router answers the file with a TFTP error", false, "--tftp-error 1", "@", "pastry\nn3wpass1\n", 1,
         "ルータが TFTP の転送を中止しました (エラー 3)。\nルータからのメッセージ: Disk full", "-"},
        {"LAN: an acknowledgement from another port changes nothing", false, "--tftp-stray-ack", "@",
         "pastry\nn3wpass1\n", 0, done, "n3wpass1"},
        {"LAN: nothing listens on the Telnet port", false, "closed", "@", "s3cret!\n", 1,
         "ログインに失敗しました。ルータの IP アドレス\nを再確認して下さい。", "-"},
        // The address as the operator wrote it, each part decimal.
        {"LAN: the address written with leading zeros", false, "", "--lan=127.000.000.002 @", "pastry\nn3wpass1\n", 0,
         done, "n3wpass1"},
        // A router that prints an escape sequence (clear screen) has it
        // shown, on standard error and in the transcript, never obeyed.
        {"LAN: an escape sequence in the router's output and error line", false, "--noise \x1b[2J --load-error",
         "--verbose @", "pastry\nn3wpass1\n", 1, "\\x1b[2Jようこそ manager さん", "pastry"},
        {"LAN: an escape sequence in the router's error line", false, "--noise \x1b[2J --load-error", "@",
         "pastry\nn3wpass1\n", 1,
         "marrowgate: ルータの表示: \\x1b[2JError (flash full): フラッシュメモリに空きがありません\n", "pastry"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.name) << row.serial << words(row.router) << words(row.args, m_script)
                                << QString::fromUtf8(row.input) << row.status << QString::fromUtf8(row.message)
                                << QString::fromUtf8(row.after);
    }
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

    RouterUnderTest target;
    QVERIFY2(target.start(serial, router), qPrintable(target.simulator.errorString()));
    const bool script = args.contains(QLatin1String("--script"));
    // The console's output a byte at a time goes at its real pace: at ten
    // times the speed the period would outrun the echo on a busy machine.
    const bool realTime = serial && router.contains(QLatin1String("--one-byte"));
    // A row may write the simulator's address its own way ("--lan=..."),
    // or name another serial device ("--serial=...").
    QStringList way = target.words;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i).startsWith(QLatin1String("--lan=")) || args.at(i).startsWith(QLatin1String("--serial="))) {
            way[1] = args.takeAt(i).section(QLatin1Char('='), 1);
            break;
        }
    }
    QProcess *program = start(way + args, input.toUtf8(), realTime ? QStringList{"MG_TIME_SCALE=1"} : QStringList());
    QVERIFY(program->waitForFinished(120000));
    const QString err = QString::fromUtf8(program->readAllStandardError());
    QVERIFY2(program->exitStatus() == QProcess::NormalExit, qPrintable(err));
    QVERIFY2(program->exitCode() == status, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(program->readAllStandardOutput(), QByteArray());
    // Whatever the router printed, no escape sequence reaches the terminal.
    QVERIFY2(!err.contains(QChar(0x1b)), qPrintable(err));

    QStringList secrets = input.split(QLatin1Char('\n'), Qt::SkipEmptyParts) + ExampleSecrets;
    secrets << QStringLiteral("pastry") << HandSecret;
    if (target.simulator.isRunning()) {
        const RouterState state = target.simulator.state();
        if (managerPassword.isEmpty() || managerPassword == QLatin1String("-")) {
            // Stopped before anything was changed on the router.
            QCOMPARE(state.restarts, 0);
            QVERIFY(!state.commands.contains(QStringLiteral("restart router")));
            QVERIFY(!state.commands.contains(QStringLiteral("set password")));
        } else {
            QCOMPARE(state.managerPassword, managerPassword);
        }
        if (status != 0 && !managerPassword.isEmpty() && managerPassword != QLatin1String("-")) {
            // Reached the router and failed: the new configuration is not its
            // boot configuration, and nothing went after the line that failed.
            QVERIFY(state.bootConfig != QStringLiteral("office.cfg"));
            const QString last = state.commands.isEmpty() ? QString() : state.commands.constLast();
            const qsizetype refuse = router.indexOf(QStringLiteral("--refuse"));
            if (refuse >= 0)
                QVERIFY2(last.contains(router.at(refuse + 1)), qPrintable(last));
            if (router.contains(QStringLiteral("--configured")))
                QCOMPARE(last, QStringLiteral("pastry"));
        }
        // The stray acknowledgement was answered, and the real one went on.
        if (router.contains(QStringLiteral("--tftp-stray-ack")))
            QTRY_VERIFY(target.simulator.state().tftpUnknownTid >= 1);
        if (status == 0) {
            QCOMPARE(state.bootConfig, script ? QStringLiteral("hand.cfg") : QStringLiteral("office.cfg"));
            QVERIFY(state.bootConfigText);
            if (script)
                QVERIFY(state.bootConfigText->contains(QStringLiteral("set system name=\"hand\"")));
            // The passwords really went over the line, so hiding them is tested.
            for (const QString &typed : input.split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                            + (script ? QStringList{HandSecret} : ExampleSecrets))
                QVERIFY2(!serial || state.received.contains(typed), qPrintable(typed));
            // The encoded password of the file the router fetched is a secret too.
            if (!serial) {
                secrets << state.bootConfigText->section(QStringLiteral("\r\n"), 0, 0).section(" pass=", 1);
                QVERIFY(!secrets.last().isEmpty());
            }
        }
    }

    // A run that got as far as the router leaves its record in the data
    // folder, says where, closes it with the outcome and the status, and lets
    // only the owner read it.
    const QDir folder(dataFolder() + QStringLiteral("/Quillmark KV700 Marrowgate/transcripts"));
    const QStringList made = folder.entryList(QDir::Files);
    QCOMPARE(made.size(), managerPassword.isEmpty() ? 0 : 1);
    const QString path = made.isEmpty() ? QString() : folder.filePath(made.first());
    const QString record = readText(path);
    if (!path.isEmpty()) {
        QVERIFY2(err.contains(QStringLiteral("記録: ") + path), qPrintable(err));
        QCOMPARE(permissionsOf(path), OwnerReadWrite);
        // The reason the operator was given is in it (the router's own
        // error line as the router printed it).
        static const QRegularExpression shownBy(QStringLiteral("^(marrowgate: )?(ルータの表示: )?"));
        QVERIFY2(record.contains(message.section(QLatin1Char('\n'), 0, 0).remove(shownBy)), qPrintable(record));
        QVERIFY2(record.trimmed().endsWith(QStringLiteral("# 終了 (終了コード %1)").arg(status)), qPrintable(record));
    }
    if (status == 0)
        QVERIFY(record.contains(serial ? QStringLiteral("< enable ip") : QStringLiteral("> load file=office.cfg")));
    // No password anywhere: not on standard error (with --verbose the router's
    // output, where the rest of a line that carried one shows), not in the transcript.
    QCOMPARE(shownSecret(err, secrets), QString());
    QCOMPARE(shownSecret(record, secrets), QString());
    QVERIFY2(!record.contains(QChar(0x1b)), qPrintable(record));
    if (args.contains(QLatin1String("--verbose"))) {
        QVERIFY2(err.contains(QStringLiteral("ようこそ manager さん"))
                     && (!serial || err.contains(QStringLiteral("add user=hq01 password=********"))), qPrintable(err));
    }
    // Nothing left in the temporary folder (the manager account's private one).
    QCOMPARE(leftInTmp(), QStringList());
}

void TestSend::interrupt_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("message");
    QTest::newRow("Ctrl+C while typing the script") << true << int(SIGINT) << "Ctrl+C で中断しました。";
    QTest::newRow("SIGTERM while typing the script") << true << int(SIGTERM) << "終了の要求 (SIGTERM) で中断しました。";
    QTest::newRow("Ctrl+C while the password is encoded") << false << int(SIGINT) << "Ctrl+C で中断しました。";
    QTest::newRow("SIGTERM while the password is encoded") << false << int(SIGTERM) << "終了の要求 (SIGTERM) で中断しました。";
    QTest::newRow("terminal closed (SIGHUP) while the password is encoded")
        << false << int(SIGHUP) << "端末の切断 (SIGHUP) で中断しました。";
    QTest::newRow("Ctrl+\\ (SIGQUIT) while the password is encoded")
        << false << int(SIGQUIT) << "Ctrl+\\ (SIGQUIT) で中断しました。";
}

void TestSend::interrupt()
{
    QFETCH(bool, serial);
    QFETCH(int, signal);
    QFETCH(QString, message);

    RouterUnderTest target;
    QVERIFY2(target.start(serial), qPrintable(target.simulator.errorString()));
    const QString transcript = m_dir.filePath(QStringLiteral("interrupted.log"));
    // The encoder takes its time, so the session is caught with its private
    // folder in use.
    QProcess *program = start(target.words + QStringList{"--transcript", transcript, Cfg}, "pastry\nn3wpass1\n",
                              {"TZEL_STANDIN_SLEEP=60"});
    QByteArray err;
    QVERIFY(QTest::qWaitFor([&] {
        err += program->readAllStandardError();
        const bool midway = serial ? err.contains("送信: 20%")
                                   : !QDir(tmpFolder()).entryList({"marrowgate-*"}, QDir::Dirs).isEmpty();
        return midway || program->state() == QProcess::NotRunning;
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
    // the transcript closed with the reason and no password in it.
    QCOMPARE(leftInTmp(), QStringList());
    QUdpSocket tftp;
    QVERIFY(tftp.bind(QHostAddress(QStringLiteral("127.0.0.1")), target.tftpPort, QAbstractSocket::DontShareAddress));
    const QString record = readText(transcript);
    // (The record writes a backslash as two.)
    const QString recorded = QString(message).replace(QLatin1String("\\"), QLatin1String("\\\\"));
    QVERIFY2(record.count(QLatin1Char('\n')) > 3
                 && record.trimmed().endsWith(recorded + QStringLiteral(" (終了コード %1)").arg(128 + signal)),
             qPrintable(record));
    QCOMPARE(shownSecret(record, QStringList{"pastry", "n3wpass1"} + ExampleSecrets), QString());
    // The router saw no more once the program was gone.
    if (serial) {
        const qsizetype received = target.simulator.state().received.size();
        QTest::qWait(500);
        QCOMPARE(target.simulator.state().received.size(), received);
    }
}

void TestSend::promptGivesTheEchoBack_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << int(SIGINT);
    QTest::newRow("Ctrl+\\") << int(SIGQUIT);
    QTest::newRow("terminal closed") << int(SIGHUP);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

// The password is asked on a terminal without echo: whatever signal ends
// the program at the prompt, the terminal has its echo back afterwards.
void TestSend::promptGivesTheEchoBack()
{
    QFETCH(int, signal);
    int master = -1, slave = -1;
    char name[128] = {};
    QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
    const auto closeBoth = qScopeGuard([&] { ::close(master), ::close(slave); });
    termios before{};
    QVERIFY(::tcgetattr(slave, &before) == 0 && (before.c_lflag & ECHO));

    // Nothing is opened before the passwords are known: no device needed.
    QProcess *program = start(QStringList{"--serial", m_dir.filePath(QStringLiteral("ttyNone")), Cfg}, {}, {},
                              QString::fromLocal8Bit(name));
    QByteArray err;
    termios asking{};
    QVERIFY(QTest::qWaitFor([&] {
        err += program->readAllStandardError();
        return (err.contains("のパスワード: ") && ::tcgetattr(slave, &asking) == 0 && !(asking.c_lflag & ECHO))
            || program->state() == QProcess::NotRunning;
    }, 60000));
    QVERIFY2(program->state() == QProcess::Running, err.constData());
    ::kill(pid_t(program->processId()), signal);
    QVERIFY(program->waitForFinished(20000));
    err += program->readAllStandardError();
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 128 + signal);
    QVERIFY2(err.contains("中断しました。ルータには何も送っていません。"), err.constData());
    termios after{};
    QVERIFY(::tcgetattr(slave, &after) == 0);
    QVERIFY(after.c_lflag & ECHO);
    QCOMPARE(leftInTmp(), QStringList());
}

// The stand-in encoder's passwords lock the operator out of a real router:
// without --standin-encoder-ok send refuses it before anyone is asked for
// a password or the router is reached. The maker's encoder, found through
// Target, is not mistaken for it, and what it writes is what the router
// gets.
void TestSend::standInEncoder_data()
{
    QTest::addColumn<bool>("maker");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("managerPassword"); // on the router afterwards; "": not reached
    QTest::newRow("the stand-in") << false << 1
        << "/tzel は、Marrowgate に付属する代用のプログラムです。これで暗号化したパスワードは実際の KV700 には読めないため、"
           "LAN で設定を送ると管理者パスワードが分からなくなり、ルータにログインできなくなります。ルータには何も送っていません。\n"
           "メーカーの暗号化プログラムを "
        << "";
    QTest::newRow("the maker's encoder") << true << 0 << "KV700 の設定が完了しました。" << "MK6e33777061737331";
}

void TestSend::standInEncoder()
{
    QFETCH(bool, maker);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QString, managerPassword);

    RouterUnderTest target;
    QVERIFY2(target.start(false), qPrintable(target.simulator.errorString()));
    target.words.removeAll(QStringLiteral("--standin-encoder-ok"));
    QStringList environment;
    QTemporaryDir system;
    if (maker) {
        const QString folder = system.filePath(QStringLiteral("maker"));
        QVERIFY(writeMakerEncoder(folder));
        QVERIFY(QDir().mkpath(system.filePath(QStringLiteral("Brenholt"))));
        QFile settings(system.filePath(QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nTarget=\"" + QFile::encodeName(folder) + "\"\n");
        settings.close();
        environment << QStringLiteral("XDG_CONFIG_DIRS=") + system.path();
    }
    QProcess *program = start(target.words + QStringList{Cfg}, "pastry\nn3wpass1\n", environment);
    QVERIFY(program->waitForFinished(120000));
    const QString err = QString::fromUtf8(program->readAllStandardError());
    QVERIFY2(program->exitCode() == status, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));

    const RouterState state = target.simulator.state();
    if (managerPassword.isEmpty()) {
        // Refused before the transcript, the password and the login.
        QVERIFY2(!err.contains(QStringLiteral("記録: ")), qPrintable(err));
        QCOMPARE(state.received, QString());
        QVERIFY(QDir(dataFolder()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    } else {
        QCOMPARE(state.bootConfig, QStringLiteral("office.cfg"));
        QCOMPARE(state.managerPassword, managerPassword);
    }
    QCOMPARE(leftInTmp(), QStringList());
}

QTEST_GUILESS_MAIN(TestSend)
#include "tst_Send.moc"
