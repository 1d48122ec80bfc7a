#include "ManagerAccount.h"
#include "ProgramFolder.h"

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
const QString Registry = QStringLiteral("レジストリを読み出し中にエラーが発生しました。\r\nプログラムを終了します。");
const QString WriteFailed = QStringLiteral("転送ファイルを書き込めませんでした。\r\nディスクの空き容量を確認してください。");
const QString NotRepresentable =
    QStringLiteral("ユーザー名またはコマンドスクリプトに、転送ファイルに書き込めない文字があります。");
const QString BadName = QStringLiteral("転送ファイルの名前が正しくありません。");
const QByteArray AccountLine = "desc=\"Manager Account\" priv=manager telnet=yes\r\n";

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
// body stands for a folder of the test where the script can leave traces
// that outlive the private folder.
QString fakeEncoder(const QTemporaryDir &scratch, const QString &body)
{
    static int n = 0;
    const QString folder = scratch.filePath(QStringLiteral("encoder%1").arg(++n));
    const QString rec = scratch.filePath(QStringLiteral("rec%1").arg(n));
    QDir().mkpath(rec);
    QString script = body;
    script.replace(QStringLiteral("%REC%"), rec);
    writeFile(folder + QStringLiteral("/tzel"), "#!/bin/sh\n" + script.toUtf8() + "\n");
    QFile::setPermissions(folder + QStringLiteral("/tzel"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                | QFileDevice::ExeOwner);
    return folder;
}

QString recFolder(const QString &encoderFolder)
{
    QString rec = encoderFolder;
    return rec.replace(QStringLiteral("/encoder"), QStringLiteral("/rec"));
}

// Whether a process whose command line holds `token` is alive (zombies have none).
bool processWithArgument(const QByteArray &token)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        const QList<QByteArray> args = readAll(QStringLiteral("/proc/%1/cmdline").arg(pid)).split('\0');
        if (args.contains(token))
            return true;
    }
    return false;
}

ManagerAccountResult run(ManagerAccountStep &step, const QString &user, const QString &password,
                         const QString &script, const QString &fileName)
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

} // namespace

class TestManagerAccount : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;    // program folders, settings files, traces
    QTemporaryDir m_tempRoot;   // the temporary folder the step uses

private slots:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        QVERIFY(m_tempRoot.isValid());
        QVERIFY(QFileInfo(StandInDir + QStringLiteral("/tzel")).isExecutable());
        // Everything the step leaves behind shows up here.
        qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, m_scratch.filePath(QStringLiteral("none")));
        // The machine's own settings (an installed copy) stay out of the test.
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_scratch.filePath(QStringLiteral("none"))));
    }

    void cleanup()
    {
        qunsetenv("TZEL_STANDIN_SLEEP");
        qunsetenv("TZEL_STANDIN_FAIL");
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, m_scratch.filePath(QStringLiteral("none")));
        // Every step of the test is gone by now: so must be its private folders.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(m_tempRoot.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                                 20000);
    }

    // What the encoder really receives: no shell expands, splits or redirects.
    void arguments_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("expected");
        const QStringList tail{">", "pass.tmp"};
        QTest::newRow("one word") << "pastry" << QStringList{"pastry"} + tail;
        QTest::newRow("a space makes two words") << "two words" << QStringList{"two", "words"} + tail;
        QTest::newRow("runs of spaces give no empty words")
            << "  lead  and   trail " << QStringList{"lead", "and", "trail"} + tail;
        QTest::newRow("empty password") << "" << tail;
        QTest::newRow("only spaces split") << "tab\there" << QStringList{"tab\there"} + tail;
        QTest::newRow("shell characters arrive as typed")
            << "$HOME * `id` ;x" << QStringList{"$HOME", "*", "`id`", ";x"} + tail;
        QTest::newRow("Japanese word") << "パス ワード" << QStringList{"パス", "ワード"} + tail;
    }

    void arguments()
    {
        QFETCH(QString, password);
        QFETCH(QStringList, expected);
        ManagerAccountStep step;
        QCOMPARE(step.encoderArguments(password), expected);

        const QString folder = fakeEncoder(m_scratch, QStringLiteral(
            "for a in \"$@\"; do printf '%s\\000' \"$a\" >> '%REC%/args'; done\nprintf x > pass.tmp"));
        step.setProgramFolder(folder);
        const ManagerAccountResult result = run(step, "admin", password, "save\r\n", "kelpin.cfg");
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        QByteArray args = readAll(recFolder(folder) + QStringLiteral("/args"));
        args.chop(1);
        QStringList received;
        for (const QByteArray &a : args.split('\0'))
            received << QString::fromUtf8(a);
        QCOMPARE(received, expected);
    }

    // The stand-in through the whole step: the exact bytes of the transfer file.
    void standIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("factory password")
            << "admin" << "pastry" << "save\r\n"
            << "set user=admin pass=$0$706173747279\r\nset user=admin " + AccountLine + "save\r\n\r\n";
        QTest::newRow("words joined by one space")
            << "admin" << "ab   cd" << "save\r\n"
            << "set user=admin pass=$0$6162206364\r\nset user=admin " + AccountLine + "save\r\n\r\n";
        QTest::newRow("Shift_JIS script and user")
            << "管理者" << "pw" << "ip lan description=東京\r\n"
            << "set user=\x8A\xC7\x97\x9D\x8E\xD2 pass=$0$7077\r\nset user=\x8A\xC7\x97\x9D\x8E\xD2 " + AccountLine
                   + "ip lan description=\x93\x8C\x8B\x9E\r\n\r\n";
        QTest::newRow("Japanese password in Shift_JIS bytes")
            << "admin" << "パス" << ""
            << "set user=admin pass=$0$83708358\r\nset user=admin " + AccountLine + "\r\n";
    }

    void standIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, script);
        QFETCH(QByteArray, expected);
        ManagerAccountStep step;
        step.setProgramFolder(StandInDir);
        const ManagerAccountResult result = run(step, user, password, script, "kelpin.cfg");
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        QCOMPARE(readAll(result.filePath), expected);
        QCOMPARE(QFileInfo(result.filePath).fileName(), QStringLiteral("kelpin.cfg"));
        // pass.tmp is gone once read: only the transfer file is left.
        QCOMPARE(QDir(QFileInfo(result.filePath).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"kelpin.cfg"});
    }

    // The stand-in on its own, as a shell or the program starts it.
    void standInCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("stdOut");
        QTest::addColumn<QByteArray>("file");   // out.tmp in its working folder; null: none made
        QTest::newRow("redirected by a shell") << QStringList{"ab", "cd"} << 0 << QByteArray("$0$6162206364") << QByteArray();
        QTest::newRow("as the program starts it")
            << QStringList{"ab", "cd", ">", "out.tmp"} << 0 << QByteArray() << QByteArray("$0$6162206364");
        QTest::newRow("empty password") << QStringList{">", "out.tmp"} << 0 << QByteArray() << QByteArray("$0$");
        QTest::newRow("no file after >") << QStringList{"ab", ">"} << 2 << QByteArray() << QByteArray();
        QTest::newRow("words after the file") << QStringList{"ab", ">", "out.tmp", "cd"} << 2 << QByteArray() << QByteArray();
        QTest::newRow("outside Shift_JIS") << QStringList{"\u00E9", ">", "out.tmp"} << 2 << QByteArray() << QByteArray();
    }

    void standInCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, stdOut);
        QFETCH(QByteArray, file);
        QTemporaryDir work(m_scratch.filePath(QStringLiteral("work-XXXXXX")));
        QProcess tzel;
        tzel.setWorkingDirectory(work.path());
        tzel.start(StandInDir + QStringLiteral("/tzel"), arguments);
        QVERIFY(tzel.waitForFinished(60000));
        QCOMPARE(tzel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tzel.exitCode(), exitCode);
        QCOMPARE(tzel.readAllStandardOutput(), stdOut);
        const QString out = work.filePath(QStringLiteral("out.tmp"));
        QCOMPARE(QFile::exists(out), !file.isNull());
        if (!file.isNull())
            QCOMPARE(readAll(out), file);
    }

    // The encoder's output goes into line 1 byte for byte.
    void encoderOutputKept_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("CR LF at the end") << QByteArray("$0$41\r\n");
        QTest::newRow("LF at the end") << QByteArray("$0$41\n");
        QTest::newRow("Shift_JIS bytes") << QByteArray("\x82\xA0\x83\x70");
        QTest::newRow("bytes that are not Shift_JIS") << QByteArray("\x80\xFF");
        QTest::newRow("empty") << QByteArray();
    }

    void encoderOutputKept()
    {
        QFETCH(QByteArray, output);
        const QString folder = fakeEncoder(m_scratch, QStringLiteral("cat '%REC%/out' > pass.tmp"));
        writeFile(recFolder(folder) + QStringLiteral("/out"), output);
        ManagerAccountStep step;
        step.setProgramFolder(folder);
        const ManagerAccountResult result = run(step, "u", "pw", "save\r\n", "kelpin.cfg");
        QVERIFY2(result.ok, qPrintable(result.title + result.text));
        const QByteArray expected = "set user=u pass=" + output + "\r\nset user=u " + AccountLine + "save\r\n\r\n";
        QCOMPARE(readAll(result.filePath), expected);
        // The same text for the code that shows it (Latin-1 keeps every byte as one character).
        QCOMPARE(TransferText("u", QString::fromLatin1(output), "save\r\n").toLatin1(), expected);
        QVERIFY(!QFile::exists(QFileInfo(result.filePath).path() + QStringLiteral("/pass.tmp")));
    }

    void failures_data()
    {
        // A shell body; "stand-in"; "" for an empty folder; "-x" for a script without execute permission.
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QByteArray>("failEnv");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("text");
        const QString stays = QStringLiteral("pwd > '%REC%/cwd'\n");
        QTest::newRow("stand-in fails") << "stand-in" << QByteArray("1") << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("no encoder") << "" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("encoder leaves no pass.tmp")
            << stays + "exit 0" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("encoder crashes after writing")
            << stays + "printf '$0$41' > pass.tmp\nkill -SEGV $$" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("pass.tmp is a folder")
            << stays + "mkdir pass.tmp" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("pass.tmp is a pipe") // opening it would hang the program
            << stays + "mkfifo pass.tmp" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("encoder not executable") << "-x" << QByteArray() << "admin" << "kelpin.cfg" << NotFound;
        QTest::newRow("transfer file cannot be written")
            << stays + "printf x > pass.tmp\nmkdir kelpin.cfg" << QByteArray() << "admin" << "kelpin.cfg" << WriteFailed;
        QTest::newRow("user name outside Shift_JIS")
            << stays + "printf x > pass.tmp" << QByteArray() << "adm\u00E9" << "kelpin.cfg" << NotRepresentable;
        QTest::newRow("folder without a file name")
            << stays + "printf x > pass.tmp" << QByteArray() << "admin" << "configs/" << BadName;
        QTest::newRow("parent folder as a name")
            << stays + "printf x > pass.tmp" << QByteArray() << "admin" << "a/.." << BadName;
    }

    void failures()
    {
        QFETCH(QString, encoder);
        QFETCH(QByteArray, failEnv);
        QFETCH(QString, user);
        QFETCH(QString, fileName);
        QFETCH(QString, text);
        if (!failEnv.isNull())
            qputenv("TZEL_STANDIN_FAIL", failEnv);
        QString folder = StandInDir;
        if (encoder.isEmpty())
            QVERIFY(QDir().mkpath(folder = m_scratch.filePath(QStringLiteral("empty"))));
        else if (encoder != QLatin1String("stand-in"))
            folder = fakeEncoder(m_scratch, encoder == QLatin1String("-x") ? QStringLiteral("printf x > pass.tmp") : encoder);
        if (encoder == QLatin1String("-x"))
            QVERIFY(QFile::setPermissions(folder + QStringLiteral("/tzel"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        auto step = std::make_unique<ManagerAccountStep>();
        step->setProgramFolder(folder);
        const ManagerAccountResult result = run(*step, user, "pw", "save\r\n", fileName);
        QVERIFY(!result.ok);
        QVERIFY(result.filePath.isEmpty());
        QCOMPARE(result.title, QStringLiteral("エラー"));
        QCOMPARE(result.text, text);
        // Nothing is left to serve, even before the step goes.
        const QString cwd = QString::fromLocal8Bit(readAll(recFolder(folder) + QStringLiteral("/cwd"))).trimmed();
        if (!cwd.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(cwd), 20000);
    }

    // A hung encoder is killed and reported; the step does not wait for it.
    void timeout()
    {
        const QByteArray token = "hung-" + QByteArray::number(QCoreApplication::applicationPid());
        qputenv("TZEL_STANDIN_SLEEP", "120");
        ManagerAccountStep step;
        step.setProgramFolder(StandInDir);
        step.setEncoderTimeout(300ms);
        const ManagerAccountResult result = run(step, "admin", QString::fromLatin1(token), "save\r\n", "kelpin.cfg");
        QVERIFY(!result.ok);
        QCOMPARE(result.title, QStringLiteral("エラー"));
        QCOMPARE(result.text, NotFound);
        QTRY_VERIFY_WITH_TIMEOUT(!processWithArgument(token), 20000);
    }

    // Ending the step early: the encoder dies, its folder goes, no report comes.
    void endEarly_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("destroy");   // instead of cancel()
        QTest::newRow("cancel, encoder running") << true << false;
        QTest::newRow("cancel, failure already on its way") << false << false;
        QTest::newRow("step destroyed, encoder running") << true << true;
    }

    void endEarly()
    {
        QFETCH(bool, running);
        QFETCH(bool, destroy);
        const QString folder = running
            ? fakeEncoder(m_scratch, QStringLiteral("pwd > '%REC%/cwd.new'\necho $$ >> '%REC%/cwd.new'\n"
                                                    "mv '%REC%/cwd.new' '%REC%/cwd'\nexec sleep 120"))
            : m_scratch.filePath(QStringLiteral("nothing here"));
        auto step = std::make_unique<ManagerAccountStep>();
        QSignalSpy spy(step.get(), &ManagerAccountStep::finished);
        step->setProgramFolder(folder);
        step->setEncoderTimeout(600s);
        step->start("admin", "pw", "save\r\n", "kelpin.cfg");
        QString cwd;
        pid_t pid = 0;
        if (running) {
            const QString trace = recFolder(folder) + QStringLiteral("/cwd");
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(trace), 20000);
            const QList<QByteArray> lines = readAll(trace).trimmed().split('\n');
            QCOMPARE(lines.size(), 2);
            cwd = QString::fromLocal8Bit(lines[0]);
            pid = lines[1].toInt();
            QVERIFY(pid > 0);
            QVERIFY(QFileInfo(cwd).isDir());
        }
        if (destroy) {
            // The step waits for the killed encoder itself instead of leaving that to QProcess.
            QTest::failOnWarning(QRegularExpression(QStringLiteral("Destroyed while process")));
            step.reset();
            QCOMPARE(spy.size(), 0);
        } else {
            step->cancel();
        }
        if (running) {
            QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(cwd), 20000);
        }
        if (step) {
            QCoreApplication::processEvents();
            QTest::qWait(50);
            QCOMPARE(spy.size(), 0);
        }
    }

    void programFolder_data()
    {
        // The file's text ("<common>" first: the organisation's file, beside
        // an application file without Target);
        // "<dir>": a folder in its place; "": none.
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("folder");    // "<exe>" or "<target>"
        QTest::newRow("no settings file") << "" << true << "<exe>";
        QTest::newRow("no Target value") << "[General]\nOther=1\n" << true << "<exe>";
        QTest::newRow("Target in another section") << "[Paths]\nTarget=<missing>\n" << true << "<exe>";
        QTest::newRow("Target folder") << "[General]\nTarget=<target>\n" << true << "<target>";
        QTest::newRow("Target with a trailing slash") << "[General]\nTarget=<target>/\n" << true << "<target>";
        QTest::newRow("Target only in the maker's common file") << "<common>[General]\nTarget=<missing>\n" << true << "<exe>";
        QTest::newRow("Target missing") << "[General]\nTarget=<missing>\n" << false << "";
        QTest::newRow("Target is a file") << "[General]\nTarget=<file>\n" << false << "";
        QTest::newRow("Target empty") << "[General]\nTarget=\n" << false << "";
        QTest::newRow("Target a list") << "[General]\nTarget=<target>,<target>\n" << false << "";
        QTest::newRow("settings file is a folder") << "<dir>" << false << "";
        QTest::newRow("settings file unreadable") << "<unreadable>" << false << "";
    }

    void programFolder()
    {
        QFETCH(QString, settings);
        QFETCH(bool, ok);
        QFETCH(QString, folder);
        QTemporaryDir system(m_scratch.filePath(QStringLiteral("system-XXXXXX")));
        QTemporaryDir target(m_scratch.filePath(QStringLiteral("target-XXXXXX")));
        const QString file = system.filePath(QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini"));
        writeFile(target.filePath(QStringLiteral("plain")), "x");
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, system.path());
        if (settings == QLatin1String("<dir>")) {
            QVERIFY(QDir().mkpath(file));
        } else if (settings == QLatin1String("<unreadable>")) {
            writeFile(file, "[General]\nTarget=/\n");
            QVERIFY(QFile::setPermissions(file, {}));
            QFile probe(file);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("this user reads any file");
        } else if (!settings.isEmpty()) {
            const QString common = QStringLiteral("<common>");
            QString written = file;
            if (settings.startsWith(common)) {
                writeFile(file, "[General]\nOther=1\n");
                written = system.filePath(QStringLiteral("Brenholt.ini"));
            }
            settings.remove(common).replace(QStringLiteral("<target>"), target.path())
                .replace(QStringLiteral("<missing>"), target.filePath(QStringLiteral("gone")))
                .replace(QStringLiteral("<file>"), target.filePath(QStringLiteral("plain")));
            writeFile(written, settings.toUtf8());
        }

        const ProgramFolderResult result = LocateProgramFolder();
        QCOMPARE(result.ok, ok);
        if (ok)
            QCOMPARE(result.folder, folder == QLatin1String("<exe>") ? QCoreApplication::applicationDirPath() : target.path());
        QCOMPARE(ProgramFolderErrorText, Registry);
    }

    // Desktops put folders of their own before /etc/xdg in the search path:
    // the file is found in whichever folder holds it.
    void programFolderFromALaterSearchFolder()
    {
        QTemporaryDir system(m_scratch.filePath(QStringLiteral("system-XXXXXX")));
        QTemporaryDir target(m_scratch.filePath(QStringLiteral("target-XXXXXX")));
        writeFile(system.filePath(QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini")),
                  "[General]\nTarget=" + target.path().toUtf8() + "\n");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_scratch.filePath(QStringLiteral("desktop")) + QLatin1Char(':')
                                                     + system.path()));
        const ProgramFolderResult result = LocateProgramFolder();
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_scratch.filePath(QStringLiteral("none"))));
        QVERIFY(result.ok);
        QCOMPARE(result.folder, target.path());
    }

    // Without a folder set by hand the step takes the program folder as installed.
    void stepFindsEncoder_data()
    {
        QTest::addColumn<QString>("target");   // "": no settings file
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::newRow("installed encoder") << StandInDir << true << "";
        QTest::newRow("Target missing") << "/nonexistent/marrowgate" << false << Registry;
        QTest::newRow("no settings: beside the executable, where the test has none") << "" << false << NotFound;
    }

    void stepFindsEncoder()
    {
        QFETCH(QString, target);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QTemporaryDir system(m_scratch.filePath(QStringLiteral("system-XXXXXX")));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, system.path());
        if (!target.isEmpty())
            writeFile(system.filePath(QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini")),
                      "[General]\nTarget=" + target.toUtf8() + "\n");
        ManagerAccountStep step;
        const ManagerAccountResult result = run(step, "admin", "pastry", "save\r\n", "kelpin.cfg");
        QCOMPARE(result.ok, ok);
        QCOMPARE(result.text, text);
        if (ok)
            QVERIFY(readAll(result.filePath).startsWith("set user=admin pass=$0$706173747279\r\n"));
        else
            QCOMPARE(result.title, QStringLiteral("エラー"));
    }

    // The file never lands outside a fresh owner-only folder, and that folder
    // goes when the transfer ends.
    void privateFolder_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("end");   // "destroy", "cleanup", "restart"
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
        const QFileInfo info(result.filePath);
        const QString folder = info.path();
        QCOMPARE(info.fileName(), expectedName);
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
            QVERIFY(QFile::exists(again));
            QVERIFY(QFileInfo(again).path() != folder);
            step.reset();
        }
        QVERIFY(!QFileInfo::exists(folder));
    }
};

QTEST_GUILESS_MAIN(TestManagerAccount)
#include "tst_ManagerAccount.moc"
