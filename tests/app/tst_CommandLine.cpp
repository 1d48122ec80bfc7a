#include "CommandLine.h"
#include "GenerateSubcommand.h"
#include "ConfigurationFiles.h"
#include "ScriptGenerator.h"
#include "ScriptReader.h"
#include "TestFakes.h"

#include <QBuffer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace mg;

namespace {

QString example(const QString &name) { return QStringLiteral(MG_SOURCE_DIR "/examples/") + name; }

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    // The example pair is what the program's own save writes for the example
    // configuration. MG_UPDATE_EXAMPLES=1 rewrites it after a deliberate change.
    void examplesAreCurrent()
    {
        RcfReadResult read = readRcfFile(example(QStringLiteral("office.rcf")), Configuration{});
        QVERIFY(read.ok && m_dir.isValid());
        mgtest::ScriptedFileDialog files;
        files.answers = {m_dir.filePath(QStringLiteral("office.cfg"))};
        mgtest::ScriptedPrompt messages; // the LAN's ENAT entry is there: no question
        mgtest::MemorySettings settings;
        SaveConfiguration(read.config, files, messages, settings, [&](auto &c) { return GenerateScript(c, messages); });
        QVERIFY(read.config.SaveSucceeded && messages.shown.isEmpty());
        for (const QString &name : {QStringLiteral("office.cfg"), QStringLiteral("office.rcf")}) {
            const QByteArray written = readFile(m_dir.filePath(name));
            QFile out(example(name));
            if (qEnvironmentVariableIntValue("MG_UPDATE_EXAMPLES") == 1)
                QVERIFY(out.open(QIODevice::WriteOnly) && out.write(written) == written.size() && out.flush());
            QCOMPARE(readFile(example(name)), written);
        }
    }

    void run_data()
    {
        QTest::addColumn<QStringList>("args"); // "@" is the folder of this test's files
        QTest::addColumn<int>("status");       // -1: no command-line action, the window starts
        QTest::addColumn<QString>("out");      // "script": exactly the example's script; else a part of stdout or stderr
        const QStringList office{"generate", example("office.cfg")};
        const QString nat = QStringLiteral("\r\nenable ip nat\r\nadd ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0\r\n");
        QTest::newRow("window") << QStringList{} << -1 << "";
        QTest::newRow("window with Qt's own options") << QStringList{"-platform", "offscreen", "-style", "fusion"} << -1 << "";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "marrowgate generate [--enat=yes|no] FILE";
        QTest::newRow("--help names import") << QStringList{"--help"} << 0 << "marrowgate import [-o FILE.rcf] [--force] SCRIPT";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "marrowgate " MG_EXPECTED_VERSION "\n";
        QTest::newRow("cfg") << office << 0 << "script";
        QTest::newRow("rcf") << QStringList{"generate", example("office.rcf")} << 0 << "script";
        QTest::newRow("option after the file") << office + QStringList{"--enat=yes"} << 0 << "script";
        QTest::newRow("--enat=yes") << QStringList{"generate", "--enat=yes", "@/terminal.cfg"} << 0 << nat;
        QTest::newRow("no by default: no NAT lines") << QStringList{"generate", "@/terminal.rcf"} << 0
                                                     << "\r\nadd ip int=ppp0 ip=0.0.0.0\r\ncreate pbx";
        // Wrong usage: the message and the usage line on standard error, status 2.
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2
                                         << "marrowgate: 不明なコマンドです: frobnicate\n"
                                            "使い方: marrowgate [generate | import | send | check | tftp-serve] [オプション] [FILE]\n";
        QTest::newRow("unknown command after a file name") << QStringList{"office.cfg"} << 2 << "不明なコマンドです: office.cfg";
        // The message on standard error, status 1, nothing on standard output.
        // (Wrong usage of the subcommands: wrongUsage.)
        // A mistyped name is named as typed, in the program's own words.
        QTest::newRow("missing file") << QStringList{"generate", "@/none.cfg"} << 1 << "data/none.cfg がありません。\n";
        QTest::newRow("missing .rcf given") << QStringList{"generate", "@/none.rcf"} << 1 << "data/none.rcf がありません。\n";
        QTest::newRow("a .cfg without its .rcf") << QStringList{"generate", "@/script_only.cfg"} << 1
                                                 << "data/script_only.rcf がありません (" MG_SOURCE_DIR
                                                    "/tests/app/data/script_only.cfg の設定は同じ名前の .rcf ファイルから読みます)。\n";
        QTest::newRow("no extension") << QStringList{"generate", "@/terminal"} << 1 << "拡張子";
        QTest::newRow("too many destinations") << QStringList{"generate", "@/too_many.cfg"} << 1 << "接続先の数";
        QTest::newRow("a fault the window reads past") << QStringList{"generate", "@/warns.cfg"} << 1 << "Type=";
    }

    void run()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        for (QString &arg : args)
            arg.replace(QLatin1Char('@'), QStringLiteral(MG_SOURCE_DIR "/tests/app/data"));
        QBuffer stdOut, stdErr;
        QVERIFY(stdOut.open(QIODevice::WriteOnly) && stdErr.open(QIODevice::WriteOnly));
        QCOMPARE(runCommandLine(QStringList{"marrowgate"} + args, stdOut, stdErr).value_or(-1), status);
        const QString err = QString::fromUtf8(stdErr.data());
        QCOMPARE(stdOut.data().isEmpty(), status != 0);
        if (status == 1 || status == 2) {
            QVERIFY2(err.startsWith(QStringLiteral("marrowgate: ")) && err.contains(out), qPrintable(err));
            return;
        }
        QCOMPARE(err, QString());
        if (out == QLatin1String("script")) // the .cfg file is the script and one CR LF
            QCOMPARE(stdOut.data() + "\r\n", readFile(example(QStringLiteral("office.cfg"))));
        else
            QVERIFY2(stdOut.data().contains(out.toUtf8()), stdOut.data().constData());
    }

    // Every subcommand answers 2 to a command line it cannot read: an
    // unknown option, a value left out, a word too many or one missing. The
    // reason goes to standard error with what shows the right use (the
    // subcommand's usage line, or where to read more); nothing is written
    // and nothing reached (a device, the network, a password prompt).
    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("args"); // "@" is a configuration that exists
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("rightUse");
        const QString help = QStringLiteral("\n詳しくは marrowgate --help を見てください。\n");
        const auto usage = [](const char *synopsis) {
            return QStringLiteral("\n使い方: marrowgate %1\n").arg(QString::fromUtf8(synopsis));
        };
        const QString generate = usage("generate [--enat=yes|no] FILE");
        const QString import = usage("import [-o FILE.rcf] [--force] SCRIPT");
        const QString send = usage("send (--serial DEVICE | --lan ADDRESS) [オプション] FILE");
        const QString check = usage("check (--serial DEVICE | --lan ADDRESS) [オプション]");
        const QString tftp = usage("tftp-serve --router ADDRESS [--port N] [--timeout S] FILE");
        const struct {
            const char *name, *args, *reason;
            QString rightUse;
        } rows[] = {
            {"generate: unknown option", "generate --fast @", "generate: 不明なオプションです: --fast", help},
            {"generate: value left out", "generate --enat @", "--enat には yes か no を指定してください", "(--enat=yes または --enat=no)。\n"},
            {"generate: value not a choice", "generate --enat=maybe @", "--enat には yes か no", "(--enat=yes または --enat=no)。\n"},
            {"generate: a file too many", "generate @ @", "generate には設定ファイルを1つ指定してください。", generate},
            {"generate: no file", "generate", "generate には設定ファイルを1つ指定してください。", generate},
            {"import: unknown option", "import --fast @", "import: 不明なオプションです: --fast", help},
            {"import: value left out", "import @ -o", "import: -o の後に値を指定してください。", import},
            {"import: a script too many", "import @ @", "import: 読み込むコマンドスクリプトを1つ指定してください。", import},
            {"import: no script", "import", "import: 読み込むコマンドスクリプトを1つ指定してください。", import},
            {"send: unknown option", "send --serial /dev/ttyUSB0 --password x @", "send: 不明なオプションです: --password", help},
            {"send: value left out", "send @ --serial /dev/ttyUSB0 --user", "send: --user の後に値を指定してください。", send},
            {"send: a file too many", "send --serial /dev/ttyUSB0 @ @", "send: 送る設定ファイルを1つ指定してください。", send},
            {"send: no file", "send --serial /dev/ttyUSB0", "send: 送る設定ファイルを1つ指定してください。", send},
            {"check: unknown option", "check --serial /dev/ttyUSB0 --fast", "check: 不明なオプションです: --fast", help},
            {"check: value left out", "check --lan", "check: --lan の後に値を指定してください。", check},
            {"check: a file too many", "check --lan 127.0.0.2 @", "check: ファイルは指定しません: ", check},
            {"check: no way to the router", "check", "check: --serial DEVICE か --lan ADDRESS のどちらか一方", check},
            {"tftp-serve: unknown option", "tftp-serve --fast --router 127.0.0.2 @", "tftp-serve: 不明なオプションです: --fast", help},
            {"tftp-serve: value left out", "tftp-serve @ --router", "tftp-serve: --router の後に値を指定してください。", tftp},
            {"tftp-serve: a file too many", "tftp-serve --router 127.0.0.2 @ @", "tftp-serve: 送るファイルを1つ指定してください。", tftp},
            {"tftp-serve: no file", "tftp-serve --router 127.0.0.2", "tftp-serve: 送るファイルを1つ指定してください。", tftp},
        };
        for (const auto &row : rows) {
            QStringList args = QString::fromUtf8(row.args).split(QLatin1Char(' '));
            args.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), example(QStringLiteral("office.cfg")));
            QTest::newRow(row.name) << args << QString::fromUtf8(row.reason) << row.rightUse;
        }
    }

    void wrongUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        QFETCH(QString, rightUse);
        QBuffer stdOut, stdErr;
        QVERIFY(stdOut.open(QIODevice::WriteOnly) && stdErr.open(QIODevice::WriteOnly));
        QCOMPARE(runCommandLine(QStringList{"marrowgate"} + args, stdOut, stdErr), std::optional<int>(2));
        const QString err = QString::fromUtf8(stdErr.data());
        QVERIFY2(err.startsWith(QStringLiteral("marrowgate: ") + reason), qPrintable(err));
        QVERIFY2(err.endsWith(rightUse), qPrintable(err));
        QCOMPARE(stdOut.data(), QByteArray());
    }

    // The help is made from what each subcommand declares: every option it
    // names under a subcommand is one that subcommand takes, so an operator
    // following the help is never told the option is unknown.
    void helpNamesOptionsTheSubcommandTakes_data()
    {
        QTest::addColumn<QString>("subcommand");
        QTest::addColumn<QString>("option");
        QBuffer stdOut, stdErr;
        if (!stdOut.open(QIODevice::WriteOnly) || !stdErr.open(QIODevice::WriteOnly)
            || runCommandLine({"marrowgate", "--help"}, stdOut, stdErr) != 0)
            QFAIL("no help");
        static const QRegularExpression usage(QStringLiteral("^  marrowgate ([a-z][a-z-]*)"));
        static const QRegularExpression option(QStringLiteral("(?:^|[ (\\[|])(--?[a-z][a-z-]*)"));
        QString subcommand;
        QStringList listed;
        for (const QString &line : QString::fromUtf8(stdOut.data()).split(QLatin1Char('\n'))) {
            if (const QRegularExpressionMatch m = usage.match(line); m.hasMatch())
                subcommand = m.captured(1);
            else if (line.startsWith(QStringLiteral("  marrowgate")) || !line.startsWith(QStringLiteral("  ")))
                subcommand.clear(); // the window, --help, --version, the closing line
            if (subcommand.isEmpty())
                continue;
            for (auto it = option.globalMatch(line); it.hasNext();) {
                const QString name = it.next().captured(1);
                if (!listed.contains(subcommand + QLatin1Char(' ') + name)) {
                    listed << subcommand + QLatin1Char(' ') + name;
                    QTest::addRow("%s %s", qPrintable(subcommand), qPrintable(name)) << subcommand << name;
                }
            }
        }
        // A help that lost a subcommand's options would pass with no rows.
        for (const char *expected : {"generate --enat", "import -o", "import --force", "send --serial", "send --flow",
                                     "send --tftp-port", "send --standin-encoder-ok", "check --serial", "check --lan",
                                     "check --standin-encoder-ok", "tftp-serve --router", "tftp-serve --timeout"})
            QVERIFY2(listed.contains(QLatin1String(expected)), expected);
    }

    void helpNamesOptionsTheSubcommandTakes()
    {
        QFETCH(QString, subcommand);
        QFETCH(QString, option);
        QBuffer stdOut, stdErr;
        QVERIFY(stdOut.open(QIODevice::WriteOnly) && stdErr.open(QIODevice::WriteOnly));
        // Alone, the option is wrong usage at most (its value or the file
        // left out), never an unknown one.
        runCommandLine({"marrowgate", subcommand, option}, stdOut, stdErr);
        const QString err = QString::fromUtf8(stdErr.data());
        QVERIFY2(!err.contains(QStringLiteral("不明なオプションです")), qPrintable(err));
    }

    // import reads a script back into settings. Where an .rcf comes out, it
    // must give the script it was read from again: the example's, also when
    // a line the reader cannot place was added to it.
    void import_data()
    {
        QTest::addColumn<QStringList>("args");    // "%" is a fresh folder holding unknown.cfg (the example and
                                                  // one unknown third line) and large.cfg (too large)
        QTest::addColumn<QByteArray>("existing"); // %/out.rcf before the run; null: none
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");         // a part of standard error; empty: nothing there
        QTest::addColumn<QString>("rcfAt");       // "stdout", "file" (%/out.rcf) or "" (nothing written)
        const QString office = example(QStringLiteral("office.cfg"));
        const QString unknown = QStringLiteral("3 行目: frobnicate now (このプログラムが書き出さないコマンドです)\n");
        const QByteArray old("old settings\r\n");
        const QByteArray none;
        QTest::newRow("example") << QStringList{"import", office} << none << 0 << "" << "stdout";
        QTest::newRow("one unknown line") << QStringList{"import", "%/unknown.cfg"} << none << 3 << unknown << "stdout";
        QTest::newRow("-o to a new file") << QStringList{"import", "-o", "%/out.rcf", office} << none << 0 << "" << "file";
        QTest::newRow("-o, an unknown line") << QStringList{"import", "%/unknown.cfg", "-o", "%/out.rcf"} << none << 3
                                             << unknown << "file";
        QTest::newRow("-o to an existing file") << QStringList{"import", "-o", "%/out.rcf", office} << old << 1
                                                << "out.rcf はすでにあります。置き換えるときは --force" << "";
        QTest::newRow("--force replaces it") << QStringList{"import", "--force", "-o", "%/out.rcf", office} << old << 0
                                             << "" << "file";
        QTest::newRow("missing script") << QStringList{"import", "%/none.cfg"} << none << 1 << "none.cfg がありません。"
                                        << "";
        QTest::newRow("missing script, -o") << QStringList{"import", "-o", "%/out.rcf", "%/none.cfg"} << none << 1
                                            << "none.cfg がありません。" << "";
        QTest::newRow("missing script, --force") << QStringList{"import", "--force", "-o", "%/out.rcf", "%/none.cfg"}
                                                 << old << 1 << "none.cfg" << "";
        QTest::newRow("a folder") << QStringList{"import", "-o", "%/out.rcf", "%"} << none << 1 << "読めません" << "";
        QTest::newRow("too large") << QStringList{"import", "-o", "%/out.rcf", "%/large.cfg"} << none << 1
                                   << "大きすぎます" << "";
        // Wrong usage: status 2, the subcommand's usage line, nothing written.
        QTest::newRow("no script") << QStringList{"import"} << none << 2 << "1つ指定" << "";
        QTest::newRow("two scripts") << QStringList{"import", "-o", "%/out.rcf", office, office} << none << 2 << "1つ指定" << "";
        QTest::newRow("-o without a value") << QStringList{"import", office, "-o"} << none << 2 << "-o の後に値" << "";
        QTest::newRow("-o with an empty value") << QStringList{"import", "-o", "", office} << none << 2 << "-o の後に" << "";
        QTest::newRow("unknown option") << QStringList{"import", "--fast", office} << none << 2 << "不明なオプションです: --fast"
                                        << "";
    }

    void import()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, existing);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(QString, rcfAt);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto put = [&](const QString &name, const QByteArray &bytes) {
            QFile f(dir.filePath(name));
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QList<QByteArray> lines = readFile(example(QStringLiteral("office.cfg"))).split('\n');
        QVERIFY(lines.size() > 3);
        lines.insert(2, "frobnicate now\r");
        QVERIFY(put(QStringLiteral("unknown.cfg"), lines.join('\n')));
        if (args.contains(QStringLiteral("%/large.cfg")))
            QVERIFY(put(QStringLiteral("large.cfg"), QByteArray(MaxScriptSize, ' ') + "enable ip\r\n"));
        const QString outPath = dir.filePath(QStringLiteral("out.rcf"));
        if (!existing.isNull())
            QVERIFY(put(QStringLiteral("out.rcf"), existing));
        for (QString &arg : args)
            arg.replace(QLatin1Char('%'), dir.path());

        QBuffer stdOut, stdErr;
        QVERIFY(stdOut.open(QIODevice::WriteOnly) && stdErr.open(QIODevice::WriteOnly));
        QCOMPARE(runCommandLine(QStringList{"marrowgate"} + args, stdOut, stdErr).value_or(-1), status);
        const QString errText = QString::fromUtf8(stdErr.data());
        if (err.isEmpty())
            QCOMPARE(errText, QString());
        else
            QVERIFY2(errText.contains(err), qPrintable(errText));
        if (status == 1 || status == 2)
            QVERIFY2(errText.startsWith(QStringLiteral("marrowgate: ")), qPrintable(errText));
        if (status == 2)
            QVERIFY2(errText.startsWith(QStringLiteral("marrowgate: import: ")), qPrintable(errText));
        QCOMPARE(stdOut.data().isEmpty(), rcfAt != QLatin1String("stdout"));

        if (rcfAt.isEmpty()) { // nothing written, an existing file as it was
            QCOMPARE(QFileInfo::exists(outPath), !existing.isNull());
            QCOMPARE(readFile(outPath), existing);
            return;
        }
        QString rcfPath = outPath;
        if (rcfAt == QLatin1String("stdout")) {
            QVERIFY(!QFileInfo::exists(outPath));
            rcfPath = dir.filePath(QStringLiteral("back.rcf"));
            QVERIFY(put(QStringLiteral("back.rcf"), stdOut.data()));
        }
        QVERIFY(readFile(rcfPath) != existing);
        // Only the .rcf: no temporary file left beside it.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.rcf*")}, QDir::Files),
                 QStringList{QFileInfo(rcfPath).fileName()});
        const GeneratedScript original = generateScriptFor(example(QStringLiteral("office.cfg")), false);
        const GeneratedScript back = generateScriptFor(rcfPath, false);
        QVERIFY2(original.ok && back.ok, qPrintable(back.problems.join(QLatin1Char('\n'))));
        QCOMPARE(back.script, original.script);
    }

    // A script that cannot reach standard output (a full disk) is an error,
    // not a silent success.
    void outputThatCannotBeWritten()
    {
        if (!QFileInfo(QStringLiteral("/dev/full")).exists())
            QSKIP("no /dev/full on this system");
        QProcess program;
        program.setStandardOutputFile(QStringLiteral("/dev/full"));
        program.start(QStringLiteral(MG_PROGRAM), {QStringLiteral("generate"), example(QStringLiteral("office.cfg"))});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(QStringLiteral("標準出力")));
    }

    // The window's process ended by a signal (the terminal it was started
    // from closed, SIGTERM at logout, Ctrl+C or Ctrl+\ in that terminal)
    // closes as on a quit, so that a running transfer ends and removes its
    // private folder: status 128 + signal, and its lock is gone with it.
    void windowEndsCleanlyOnSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGQUIT") << int(SIGQUIT);
    }

    void windowEndsCleanlyOnSignals()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        QVERIFY(QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        QProcess window;
        window.setProcessEnvironment(env);
        window.start(QStringLiteral(MG_PROGRAM), QStringList());
        // The lock is taken after the signals are watched.
        const QString lock = home.filePath(QStringLiteral("Quillmark KV700 Marrowgate.lock"));
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(lock) || window.state() == QProcess::NotRunning; }, 60000));
        QVERIFY2(window.state() == QProcess::Running, window.readAllStandardError().constData());
        ::kill(pid_t(window.processId()), signal);
        QVERIFY(window.waitForFinished(30000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 128 + signal);
        QVERIFY(!QFile::exists(lock));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
