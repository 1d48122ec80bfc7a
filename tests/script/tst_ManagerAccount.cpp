#include "MakerEncoder.h"
#include "ManagerAccount.h"
#include "ProgramFolder.h"
#include "StandInEncoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <signal.h>
#include <sys/stat.h>

using namespace mg;
using namespace std::chrono_literals;

namespace {

const QString StandInDir = QStringLiteral(MG_TZEL_DIR);
const QString NotFound = QStringLiteral("ファイルが見つかりません。");
const QString Unchanged = QStringLiteral("\r\nルータの設定は変更していません。");
const QString Encoder = QStringLiteral("パスワード暗号化プログラム (tzel) ");
const QString Crashed = Encoder + QStringLiteral("が異常終了しました。") + Unchanged;
const QString Empty = Encoder + QStringLiteral("の出力ファイル pass.tmp が空です。") + Unchanged;
const QString Garbage = Encoder + QStringLiteral("の出力ファイル pass.tmp の内容は、パスワードとして使えません "
                                                 "(空白、制御文字、途中の改行、\"、半角の英数字と記号以外の文字のどれかがあるか、長すぎます)。")
    + Unchanged;
const QString Blanks = QStringLiteral("LAN で送るとき、パスワードは空白で区切った語に分けてパスワード暗号化プログラムに渡すため、"
                                      "先頭や末尾の空白、2 つ以上続いた空白はそのままでは送れません (ルータに別のパスワードが設定されます)。"
                                      "シリアルで送るか、このような空白のないパスワードにしてください。");
QString exitStatus(int code)
{
    return Encoder + QStringLiteral("がエラーで終了しました (終了コード %1)。").arg(code) + Unchanged;
}
const QString Registry = QStringLiteral("レジストリを読み出し中にエラーが発生しました。\r\nプログラムを終了します。");
const QByteArray AccountLine = "desc=\"Manager Account\" priv=manager telnet=yes\r\n";
const QString AppFile = QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

int mode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A program folder whose "tzel" is a shell script with `body`. %REC% in the
// body stands for the folder's "rec", where the script can leave traces that
// outlive the step's private folder.
QString fakeEncoder(const QTemporaryDir &scratch, const QString &body)
{
    static int n = 0;
    const QString folder = scratch.filePath(QStringLiteral("encoder%1").arg(++n));
    QDir().mkpath(folder + QStringLiteral("/rec"));
    writeFile(folder + QStringLiteral("/tzel"),
              "#!/bin/sh\n" + QString(body).replace(QStringLiteral("%REC%"), folder + "/rec").toUtf8() + "\n");
    QFile::setPermissions(folder + QStringLiteral("/tzel"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return folder;
}

ManagerAccountResult run(ManagerAccountStep &step, const QString &user, const QString &password,
                         const QString &script = QStringLiteral("save\r\n"),
                         const QString &fileName = QStringLiteral("kelpin.cfg"))
{
    QSignalSpy spy(&step, &ManagerAccountStep::finished);
    step.start(user, password, script, fileName);
    // Never reported from inside start(): a receiver could delete the step there.
    if (!spy.isEmpty())
        qFatal("finished() came from inside start()");
    if (!spy.wait(60000))
        return {false, {}, QStringLiteral("(no finished())"), {}};
    QTest::qWait(0);
    if (spy.size() != 1)
        return {false, {}, QStringLiteral("(finished() %1 times)").arg(spy.size()), {}};
    return spy.at(0).at(0).value<ManagerAccountResult>();
}

// What goes into the encoder, what it answers and the transfer file made.
struct EncoderCase {
    QString user, password, script;
    QByteArray output;   // of a fake encoder; null: the stand-in
    QStringList words;   // the fake encoder's arguments before "> pass.tmp"
    QByteArray expected; // the transfer file
};

} // namespace

Q_DECLARE_METATYPE(EncoderCase)

class TestManagerAccount : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;  // program folders, settings files, traces
    QTemporaryDir m_tempRoot; // the temporary folder the step uses

    QString none() const { return m_scratch.filePath(QStringLiteral("none")); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid() && m_tempRoot.isValid());
        QVERIFY(QFileInfo(StandInDir + QStringLiteral("/tzel")).isExecutable());
        // Everything the step leaves behind shows up here.
        qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
    }

    void init()
    {
        // The machine's own settings (an installed copy) stay out of the test.
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, none());
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(none()));
    }

    void cleanup()
    {
        qunsetenv("TZEL_STANDIN_SLEEP");
        qunsetenv("TZEL_STANDIN_FAIL");
        // Every step of the test is gone by now: so must be its private folders.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(m_tempRoot.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                                 20000);
    }

    // What goes into the encoder and what comes out: its arguments, which no
    // shell expands, splits or redirects, and the exact bytes of the transfer
    // file, with the encoder's output in line 1 byte for byte.
    void encoder_data()
    {
        QTest::addColumn<EncoderCase>("c");
        const auto row = [](const char *name, const EncoderCase &c) { QTest::newRow(name) << c; };
        const auto file = [](const QByteArray &user, const QByteArray &password, const QByteArray &script) {
            return "set user=" + user + " pass=" + password + "\r\nset user=" + user + " " + AccountLine + script + "\r\n";
        };
        row("factory password", {"admin", "pastry", "save\r\n", {}, {}, file("admin", "$0$706173747279", "save\r\n")});
        row("words joined by one space", {"admin", "ab cd", "save\r\n", {}, {}, file("admin", "$0$6162206364", "save\r\n")});
        row("Shift_JIS script and user", {"管理者", "pw", "ip lan description=東京\r\n", {}, {},
                                          file("\x8A\xC7\x97\x9D\x8E\xD2", "$0$7077", "ip lan description=\x93\x8C\x8B\x9E\r\n")});
        row("Japanese password in Shift_JIS bytes", {"admin", "パス", "", {}, {}, file("admin", "$0$83708358", "")});
        const auto fake = [&](const char *name, const QString &password, const QStringList &words, const QByteArray &output) {
            row(name, {"u", password, "save\r\n", output, words, file("u", output, "save\r\n")});
        };
        fake("one word each; CR LF output", "lead and trail", {"lead", "and", "trail"}, "$0$41\r\n");
        fake("empty password; LF output", "", {}, "$0$41\n");
        fake("only spaces split; every symbol but the quote", "tab\there", {"tab\there"},
             "!#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~");
        fake("shell characters arrive as typed", "$HOME * `id` ;x", {"$HOME", "*", "`id`", ";x"}, "$0$5A");
        fake("Japanese words", "パス ワード", {"パス", "ワード"}, "x");
    }

    void encoder()
    {
        QFETCH(EncoderCase, c);
        ManagerAccountStep step;
        QString folder = StandInDir;
        if (!c.output.isNull()) {
            folder = fakeEncoder(m_scratch, QStringLiteral("for a in \"$@\"; do printf '%s\\000' \"$a\" >> '%REC%/args'; done\n"
                                                           "cat '%REC%/out' > pass.tmp"));
            writeFile(folder + QStringLiteral("/rec/out"), c.output);
            // The same text for the code that shows it (Latin-1 keeps every byte as one character).
            QCOMPARE(transferText(c.user, QString::fromLatin1(c.output), c.script).toLatin1(), c.expected);
        }
        step.setProgramFolder(folder);
        const ManagerAccountResult result = run(step, c.user, c.password, c.script);
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        QCOMPARE(readAll(result.filePath), c.expected);
        // pass.tmp is gone once read: only the transfer file is left.
        QCOMPARE(QDir(QFileInfo(result.filePath).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"kelpin.cfg"});
        if (c.output.isNull())
            return;
        QStringList received;
        for (const QByteArray &a : readAll(folder + QStringLiteral("/rec/args")).chopped(1).split('\0'))
            received << QString::fromUtf8(a);
        QCOMPARE(received, c.words + QStringList({">", "pass.tmp"}));
    }

    // The stand-in on its own, as a shell or the program starts it.
    void standInCommandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("stdOut");
        QTest::addColumn<QByteArray>("file"); // out.tmp in its working folder; null: none made
        QTest::newRow("redirected by a shell") << "ab cd" << 0 << QByteArray("$0$6162206364") << QByteArray();
        QTest::newRow("as the program starts it") << "ab cd > out.tmp" << 0 << QByteArray() << QByteArray("$0$6162206364");
        QTest::newRow("empty password") << "> out.tmp" << 0 << QByteArray() << QByteArray("$0$");
        QTest::newRow("no file after >") << "ab >" << 2 << QByteArray() << QByteArray();
        QTest::newRow("words after the file") << "ab > out.tmp cd" << 2 << QByteArray() << QByteArray();
        QTest::newRow("outside Shift_JIS") << "\u00E9 > out.tmp" << 2 << QByteArray() << QByteArray();
        QTest::newRow("asked what it is") << "--identify-standin" << 0
            << QByteArray("marrowgate tzel stand-in: placeholder encoding, not the router maker's\n") << QByteArray();
        // A password that happens to be the question is still a password.
        QTest::newRow("the question as a password") << "--identify-standin > out.tmp" << 0 << QByteArray()
            << QByteArray("$0$2D2D6964656E746966792D7374616E64696E");
        QTest::newRow("the question among other words") << "--identify-standin x" << 0
            << QByteArray("$0$2D2D6964656E746966792D7374616E64696E2078") << QByteArray();
    }

    void standInCommandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, file);
        QTemporaryDir work(m_scratch.filePath(QStringLiteral("work-XXXXXX")));
        QProcess tzel;
        tzel.setWorkingDirectory(work.path());
        tzel.start(StandInDir + QStringLiteral("/tzel"), arguments.split(QLatin1Char(' ')));
        QVERIFY(tzel.waitForFinished(60000));
        QCOMPARE(tzel.exitStatus(), QProcess::NormalExit);
        QTEST(tzel.exitCode(), "exitCode");
        QTEST(tzel.readAllStandardOutput(), "stdOut");
        const QString out = work.filePath(QStringLiteral("out.tmp"));
        QCOMPARE(QFile::exists(out), !file.isNull());
        QCOMPARE(readAll(out), file);
    }

    // Only the stand-in is taken for the stand-in: the maker's encoder,
    // whatever it makes of the question, never is, and what it writes is
    // left nowhere (cleanup() finds the temporary folder empty). The
    // stand-in stays itself when the tests make it slow (a minute, far past
    // the time it is given to answer) or fail.
    void standInIsKnown_data()
    {
        // "stand-in", "stand-in:HOW" (TZEL_STANDIN_FAIL=HOW), "stand-in asleep",
        // "maker" (MakerEncoder.h), a shell body, or "" for an empty folder.
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<bool>("standIn");
        QTest::newRow("the stand-in") << "stand-in" << true;
        QTest::newRow("the stand-in, set to fail") << "stand-in:1" << true;
        QTest::newRow("the stand-in, set to sleep a minute") << "stand-in asleep" << true;
        QTest::newRow("the maker's, encoding the question as a password") << "maker" << false;
        QTest::newRow("one that repeats its words") << "printf '%s\\n' \"$*\"" << false;
        QTest::newRow("one that refuses an unknown option")
            << "case \"$1\" in -*) echo \"tzel: unknown option $1\" >&2; exit 2;; esac\nprintf x" << false;
        QTest::newRow("one that writes a file where it runs") << "printf 'MK00' > answer.tmp" << false;
        QTest::newRow("no encoder") << "" << false;
    }

    void standInIsKnown()
    {
        QFETCH(QString, encoder);
        QFETCH(bool, standIn);
        QString folder = StandInDir;
        if (encoder == QLatin1String("stand-in:1")) {
            qputenv("TZEL_STANDIN_FAIL", "1");
        } else if (encoder == QLatin1String("stand-in asleep")) {
            qputenv("TZEL_STANDIN_SLEEP", "60");
        } else if (encoder == QLatin1String("maker")) {
            folder = m_scratch.filePath(QStringLiteral("maker"));
            QVERIFY(mgtest::writeMakerEncoder(folder));
        } else if (encoder.isEmpty()) {
            folder = none();
        } else if (encoder != QLatin1String("stand-in")) {
            folder = fakeEncoder(m_scratch, encoder);
        }
        QCOMPARE(StandInEncoder::isStandIn(folder), standIn);
    }

    // Every way the encoder can fail ends in a message that says how, with
    // no encoder left running (a hung one is killed), no transfer file and
    // nothing left to serve. An answer that looks right does not save an
    // encoder that failed.
    void failures_data()
    {
        // A shell body; "stand-in:HOW" (TZEL_STANDIN_FAIL=HOW); "hung" (the stand-in
        // asleep); "" for an empty folder; "-x" for a script without execute permission.
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("text");
        const QString stays = QStringLiteral("pwd > '%REC%/cwd'\n");
        const auto row = [](const char *name, const QString &encoder, const QString &text,
                            const QString &user = "admin", const QString &fileName = "kelpin.cfg") {
            QTest::newRow(name) << encoder << user << fileName << text;
        };
        const QString badName = QStringLiteral("転送ファイルの名前が正しくありません。");
        row("stand-in exits 1 without an answer", "stand-in:1", exitStatus(1));
        row("stand-in answers, then exits 3", "stand-in:status", exitStatus(3));
        row("stand-in answers, then crashes", "stand-in:crash", Crashed);
        row("stand-in leaves pass.tmp empty", "stand-in:empty", Empty);
        row("stand-in leaves no pass.tmp", "stand-in:missing", NotFound);
        row("stand-in adds a line of its own", "stand-in:garbage", Garbage);
        row("encoder hangs", "hung",
            Encoder + QStringLiteral("が 1 秒たっても終了しないため、中止しました。") + Unchanged);
        row("no encoder", "", NotFound);
        row("encoder leaves no pass.tmp", stays + "exit 0", NotFound);
        row("encoder crashes after writing", stays + "printf '$0$41' > pass.tmp\nkill -SEGV $$", Crashed);
        row("exit status 255", stays + "printf '$0$41' > pass.tmp\nexit 255", exitStatus(255));
        row("pass.tmp only a line break", stays + "printf '\\r\\n' > pass.tmp", Empty);
        // Each of these would end the value early, open a quoted one, start a
        // line of its own or depend on a code page in the router's file.
        const auto garbage = [&](const char *name, const char *printed) {
            row(name, stays + "printf '" + printed + "' > pass.tmp", Garbage);
        };
        garbage("blank inside", "$0$4 1");
        garbage("NUL at the end", "$0$41\\000");
        garbage("DEL at the end", "$0$41\\177");
        garbage("double quote", "$0$4\"1");
        garbage("line break inside", "$0$41\\nset user=x pass=y\\n");
        garbage("two line breaks at the end", "$0$41\\n\\n");
        garbage("CR alone at the end", "$0$41\\r");
        garbage("Shift_JIS text", "\\202\\240");
        row("pass.tmp of 64 KiB and one byte", stays + "head -c 65537 /dev/zero | tr '\\000' A > pass.tmp", Garbage);
        row("pass.tmp is a folder", stays + "mkdir pass.tmp", NotFound);
        row("pass.tmp is a pipe", stays + "mkfifo pass.tmp", NotFound); // opening it would hang the program
        row("encoder not executable", "-x", NotFound);
        row("transfer file cannot be written", stays + "printf x > pass.tmp\nmkdir kelpin.cfg",
            QStringLiteral("転送ファイルを書き込めませんでした。\r\nディスクの空き容量を確認してください。"));
        row("user name outside Shift_JIS", stays + "printf x > pass.tmp",
            QStringLiteral("ユーザー名またはコマンドスクリプトに、転送ファイルに書き込めない文字があります。"),
            "adm\u00E9");
        row("folder without a file name", stays + "printf x > pass.tmp", badName, "admin", "configs/");
        row("parent folder as a name", stays + "printf x > pass.tmp", badName, "admin", "a/..");
    }

    void failures()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, user);
        QFETCH(QString, fileName);
        QString folder = StandInDir;
        ManagerAccountStep step;
        if (encoder.startsWith(QLatin1String("stand-in:"))) {
            qputenv("TZEL_STANDIN_FAIL", encoder.section(QLatin1Char(':'), 1).toLatin1());
        } else if (encoder == QLatin1String("hung")) {
            qputenv("TZEL_STANDIN_SLEEP", "120");
            step.setEncoderTimeout(300ms);
        } else if (encoder.isEmpty()) {
            QVERIFY(QDir().mkpath(folder = m_scratch.filePath(QStringLiteral("empty"))));
        } else {
            folder = fakeEncoder(m_scratch, encoder == QLatin1String("-x") ? QStringLiteral("printf x > pass.tmp") : encoder);
        }
        if (encoder == QLatin1String("-x"))
            QVERIFY(QFile::setPermissions(folder + QStringLiteral("/tzel"), QFileDevice::ReadOwner));
        step.setProgramFolder(folder);
        // The password, one word, marks the encoder's command line.
        static int n = 0;
        const QByteArray token = "pw-" + QByteArray::number(QCoreApplication::applicationPid()) + "-" + QByteArray::number(++n);
        const ManagerAccountResult result = run(step, user, QString::fromLatin1(token), "save\r\n", fileName);
        QVERIFY(!result.ok && result.filePath.isEmpty());
        QCOMPARE(result.title, QStringLiteral("エラー"));
        QTEST(result.text, "text");
        const auto running = [&token] {
            for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                if (readAll(QStringLiteral("/proc/%1/cmdline").arg(pid)).split('\0').contains(token))
                    return true;
            return false; // zombies have no command line
        };
        QTRY_VERIFY_WITH_TIMEOUT(!running(), 20000);
        // Nothing is left to serve, even before the step goes.
        const QString cwd = QString::fromLocal8Bit(readAll(folder + QStringLiteral("/rec/cwd"))).trimmed();
        if (!cwd.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(cwd), 20000);
    }

    // The encoder gets the words of the password and joins them with one
    // blank: a password it would change is refused before it runs, since the
    // router would be given another password than the one typed.
    void blanks_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("words"); // what the encoder gets; empty: refused, not started
        QTest::newRow("two blanks in a row") << "ab  cd12" << QStringList();
        QTest::newRow("blank at the start") << " abcd12" << QStringList();
        QTest::newRow("blank at the end") << "abcd12 " << QStringList();
        QTest::newRow("only a blank") << " " << QStringList();
        QTest::newRow("one blank between words") << "ab cd 12" << QStringList{"ab", "cd", "12"};
    }

    void blanks()
    {
        QFETCH(QString, password);
        QFETCH(QStringList, words);
        const QString folder = fakeEncoder(m_scratch, QStringLiteral("for a in \"$@\"; do printf '%s\\000' \"$a\" >> '%REC%/args'; done\n"
                                                                     "printf '$0$41' > pass.tmp"));
        ManagerAccountStep step;
        step.setProgramFolder(folder);
        const ManagerAccountResult result = run(step, "manager", password);
        const QByteArray received = readAll(folder + QStringLiteral("/rec/args"));
        if (words.isEmpty()) {
            QVERIFY(!result.ok && result.filePath.isEmpty());
            QCOMPARE(result.title, QStringLiteral("エラー"));
            QCOMPARE(result.text, Blanks);
            QCOMPARE(received, QByteArray());
            return;
        }
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        QCOMPARE(QString::fromUtf8(received), (words + QStringList{">", "pass.tmp"}).join(QLatin1Char('\0')) + QLatin1Char('\0'));
    }

    // Ending the step early: the encoder dies, its folder goes, no report comes.
    void endEarly_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("destroy"); // instead of cancel()
        QTest::newRow("cancel, encoder running") << true << false;
        QTest::newRow("cancel, failure already on its way") << false << false;
        QTest::newRow("step destroyed, encoder running") << true << true;
    }

    void endEarly()
    {
        QFETCH(bool, running);
        QFETCH(bool, destroy);
        const QString folder = running ? fakeEncoder(m_scratch, QStringLiteral("pwd > '%REC%/new'\necho $$ >> '%REC%/new'\n"
                                                                               "mv '%REC%/new' '%REC%/cwd'\nexec sleep 120"))
                                       : m_scratch.filePath(QStringLiteral("nothing here"));
        auto step = std::make_unique<ManagerAccountStep>();
        QSignalSpy spy(step.get(), &ManagerAccountStep::finished);
        step->setProgramFolder(folder);
        step->setEncoderTimeout(600s);
        step->start("admin", "pw", "save\r\n", "kelpin.cfg");
        QStringList trace; // the encoder's folder and process
        if (running) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + QStringLiteral("/rec/cwd")), 20000);
            trace = QString::fromLocal8Bit(readAll(folder + QStringLiteral("/rec/cwd")).trimmed()).split('\n');
            QVERIFY(trace.size() == 2 && QFileInfo(trace[0]).isDir() && trace[1].toInt() > 0);
        }
        if (destroy) {
            // The step waits for the killed encoder itself instead of leaving that to QProcess.
            QTest::failOnWarning(QRegularExpression(QStringLiteral("Destroyed while process")));
            step.reset();
        } else {
            step->cancel();
        }
        if (running) {
            QTRY_VERIFY_WITH_TIMEOUT(::kill(trace[1].toInt(), 0) != 0, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(trace[0]), 20000);
        }
        QTest::qWait(50);
        QCOMPARE(spy.size(), 0);
    }

    // Where the installed program folder is read from: the application's own
    // file in the first folder of the search path that has one (desktops put
    // folders of their own before /etc/xdg). The step itself starts the
    // encoder found there, or reports the settings as broken.
    void programFolder_data()
    {
        // The file's text ("<common>" first: the organisation's file, beside
        // an application file without Target); "<dir>": a folder in its
        // place; "<unreadable>"; "": none.
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("folder"); // "<exe>", "<target>", the stand-in's; "": refused
        QTest::newRow("no settings file") << "" << "<exe>";
        QTest::newRow("no Target value") << "[General]\nOther=1\n" << "<exe>";
        QTest::newRow("Target in another section") << "[Paths]\nTarget=<missing>\n" << "<exe>";
        QTest::newRow("Target folder") << "[General]\nTarget=<target>\n" << "<target>";
        QTest::newRow("Target with a trailing slash") << "[General]\nTarget=<target>/\n" << "<target>";
        QTest::newRow("installed encoder") << "[General]\nTarget=" + StandInDir + "\n" << StandInDir;
        QTest::newRow("Target only in the maker's common file") << "<common>[General]\nTarget=<missing>\n" << "<exe>";
        QTest::newRow("Target missing") << "[General]\nTarget=<missing>\n" << "";
        QTest::newRow("Target is a file") << "[General]\nTarget=<file>\n" << "";
        QTest::newRow("Target empty") << "[General]\nTarget=\n" << "";
        QTest::newRow("Target a list") << "[General]\nTarget=<target>,<target>\n" << "";
        QTest::newRow("settings file is a folder") << "<dir>" << "";
        QTest::newRow("settings file unreadable") << "<unreadable>" << "";
    }

    void programFolder()
    {
        QFETCH(QString, settings);
        QFETCH(QString, folder);
        QTemporaryDir system(m_scratch.filePath(QStringLiteral("system-XXXXXX")));
        QTemporaryDir target(m_scratch.filePath(QStringLiteral("target-XXXXXX")));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_scratch.filePath("desktop") + QLatin1Char(':') + system.path()));
        const QString file = system.filePath(AppFile);
        writeFile(target.filePath(QStringLiteral("plain")), "x");
        if (settings == QLatin1String("<dir>")) {
            QVERIFY(QDir().mkpath(file));
        } else if (settings == QLatin1String("<unreadable>")) {
            writeFile(file, "[General]\nTarget=/\n");
            QVERIFY(QFile::setPermissions(file, {}));
            if (QFile(file).open(QIODevice::ReadOnly))
                QSKIP("this user reads any file");
        } else if (!settings.isEmpty()) {
            const bool common = settings.startsWith(QLatin1String("<common>"));
            if (common)
                writeFile(file, "[General]\nOther=1\n");
            settings.remove(QStringLiteral("<common>")).replace(QStringLiteral("<target>"), target.path())
                .replace(QStringLiteral("<missing>"), target.filePath(QStringLiteral("gone")))
                .replace(QStringLiteral("<file>"), target.filePath(QStringLiteral("plain")));
            writeFile(common ? system.filePath(QStringLiteral("Brenholt.ini")) : file, settings.toUtf8());
        }
        folder.replace(QStringLiteral("<exe>"), QCoreApplication::applicationDirPath())
            .replace(QStringLiteral("<target>"), target.path());
        const ProgramFolderResult located = locateProgramFolder();
        QCOMPARE(located.ok, !folder.isEmpty());
        QCOMPARE(located.folder, folder);

        ManagerAccountStep step;
        const ManagerAccountResult result = run(step, "admin", "pastry");
        const bool standIn = folder == StandInDir; // the other folders hold no encoder
        QCOMPARE(result.text, standIn ? QString() : folder.isEmpty() ? Registry : NotFound);
        QVERIFY(!standIn || readAll(result.filePath).startsWith("set user=admin pass=$0$706173747279\r\n"));
    }

    // The file never lands outside a fresh owner-only folder, and that folder
    // goes when the transfer ends.
    void privateFolder_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("end"); // "destroy", "cleanup", "restart"
        QTest::newRow("plain name, destroyed") << "kelpin.cfg" << "kelpin.cfg" << "destroy";
        QTest::newRow("absolute path, cleanup()") << "/etc/kelpin.cfg" << "kelpin.cfg" << "cleanup";
        QTest::newRow("climbing out, started again") << "../../escape.cfg" << "escape.cfg" << "restart";
        QTest::newRow("backslash folder") << "sub\\win.cfg" << "win.cfg" << "destroy";
        QTest::newRow("saved configuration's name") << "/home/op/本社 設定.cfg" << "本社 設定.cfg" << "cleanup";
    }

    void privateFolder()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, expectedName);
        QFETCH(QString, end);
        auto step = std::make_unique<ManagerAccountStep>();
        step->setProgramFolder(StandInDir);
        const ManagerAccountResult result = run(*step, "admin", "pastry", "save\r\n", fileName);
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        const QString folder = QFileInfo(result.filePath).path();
        QCOMPARE(QFileInfo(result.filePath).fileName(), expectedName);
        QCOMPARE(QFileInfo(folder).dir().path(), m_tempRoot.path());
        QCOMPARE(mode(folder), 0700);
        QCOMPARE(mode(result.filePath), 0600);
        QVERIFY(!QFile::exists(m_tempRoot.filePath(expectedName)));
        if (end == QLatin1String("destroy")) {
            step.reset();
        } else if (end == QLatin1String("cleanup")) {
            step->cleanup();
        } else {
            QSignalSpy spy(step.get(), &ManagerAccountStep::finished);
            step->start("admin", "pastry", "save\r\n", "kelpin.cfg");
            QVERIFY(!QFileInfo::exists(folder));
            QVERIFY(spy.wait(60000));
            const QString again = spy.at(0).at(0).value<ManagerAccountResult>().filePath;
            QVERIFY(QFile::exists(again) && QFileInfo(again).path() != folder);
        }
        QVERIFY(!QFileInfo::exists(folder));
    }
};

QTEST_GUILESS_MAIN(TestManagerAccount)
#include "tst_ManagerAccount.moc"
