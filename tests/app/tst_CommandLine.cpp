#include "CommandLine.h"
#include "ConfigurationFiles.h"
#include "FileTestFakes.h"
#include "ScriptGenerator.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;

namespace {

struct Run {
    std::optional<int> status;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList &args)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Run r;
    r.status = runCommandLine(QStringList{QStringLiteral("marrowgate")} + args, out, err);
    r.out = out.data();
    r.err = err.data();
    return r;
}

QString example(const QString &name)
{
    return QStringLiteral(MG_SOURCE_DIR "/examples/") + name;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The shipped example: a small office on ISDN dial-up with a LAN-type link to
// its head office and a terminal-type link to a provider.
Configuration exampleOffice()
{
    Configuration c;
    CommonSettings &s = c.Common;
    c.setEthIP(QStringLiteral("192.168.10.1"));
    s.Filter = 1;
    s.Syslog = QStringLiteral("192.168.10.5");
    s.DHCP = 1;
    s.DHCP_IP = QStringLiteral("192.168.10.100");
    s.DHCP_Num = QStringLiteral("50");
    s.DHCP_DNS = QStringLiteral("192.168.10.1");
    s.DHCP_Lease = QStringLiteral("86400");
    s.PBX_Number = QStringLiteral("03-5555-0100");
    s.PBX_DialIn = QStringLiteral("03-5555-0101");
    s.AutoHash1 = 1;

    c.TabCount = 3;
    Destination &hq = c.destination(1);
    hq.ISDN_Num = QStringLiteral("03-5555-1000");
    hq.UserName = QStringLiteral("branch01");
    hq.UserPass = QStringLiteral("Br4nch!pw");
    hq.Comp = 1;
    hq.Authentication = 1;
    hq.AuthName = QStringLiteral("hq01");
    hq.AuthPass = QStringLiteral("Hq0!pass");
    hq.Idle = QStringLiteral("120");
    hq.PPPIP = QStringLiteral("192.168.254.2");
    hq.PPPMask = QStringLiteral("255.255.255.252");
    hq.StaticRoute = 1;
    hq.RouteIP = QStringLiteral("192.168.0.0");
    hq.RouteNetMask = QStringLiteral("255.255.255.0");
    hq.RouteNextHop = QStringLiteral("192.168.254.1");
    hq.MP = 1;
    c.bod(1) = {QStringLiteral("80"), QStringLiteral("30"), QStringLiteral("20"), QStringLiteral("60")};

    Destination &isp = c.destination(2);
    isp.Type = 1;
    isp.ISDN_Num = QStringLiteral("0570-00-1234");
    isp.ISDN_ALTNum = QStringLiteral("0570-00-5678");
    isp.UserName = QStringLiteral("office@isp.example");
    isp.UserPass = QStringLiteral("isp-pass");
    isp.PPPDyn = 1;
    isp.PPPIP = QStringLiteral("0.0.0.0");
    isp.PPPMask = QStringLiteral("0.0.0.0");
    isp.VJC = 1;
    isp.DefRoute = 1;
    c.DefaultRouteTaken = true;

    c.appendRoute({QStringLiteral("192.168.20.0"), QStringLiteral("255.255.255.0"), QStringLiteral("ppp0"),
                   QStringLiteral("0.0.0.0")});
    c.appendRoute({QStringLiteral("10.10.0.0"), QStringLiteral("255.255.0.0"), QStringLiteral("eth0"),
                   QStringLiteral("192.168.10.254")});
    c.appendEnat({QStringLiteral("192.168.10.0"), QStringLiteral("255.255.255.0"), {}, {}, {}, {}, {},
                  QStringLiteral("ppp1"), 3});
    c.appendEnat({QStringLiteral("192.168.10.20"), {}, QStringLiteral("80"), QStringLiteral("203.0.113.10"), {},
                  QStringLiteral("80"), QStringLiteral("tcp"), {}, 2});
    c.Saved = false;
    return c;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void windowArguments_data();
    void windowArguments();
    void helpAndVersion_data();
    void helpAndVersion();
    void examplesAreCurrent();
    void generatesTheExample_data();
    void generatesTheExample();
    void enatAnswer_data();
    void enatAnswer();
    void errors_data();
    void errors();

private:
    QTemporaryDir m_dir;
};

void TestCommandLine::windowArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("Qt's own options") << QStringList{"-platform", "offscreen", "-style", "fusion"};
}

void TestCommandLine::windowArguments()
{
    QFETCH(QStringList, args);
    const Run r = run(args);
    QVERIFY(!r.status);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.isEmpty());
}

void TestCommandLine::helpAndVersion_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("outPart");
    const QByteArray usage("marrowgate generate [--enat=yes|no] FILE");
    QTest::newRow("--help") << QStringList{"--help"} << usage;
    QTest::newRow("-h") << QStringList{"-h"} << usage;
    QTest::newRow("generate --help") << QStringList{"generate", "--help"} << usage;
    QTest::newRow("--version") << QStringList{"--version"} << QByteArray("marrowgate " MG_EXPECTED_VERSION "\n");
}

void TestCommandLine::helpAndVersion()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, outPart);
    const Run r = run(args);
    QCOMPARE(r.status, std::optional<int>(0));
    QVERIFY2(r.out.contains(outPart), r.out.constData());
    QVERIFY(r.err.isEmpty());
}

// The example pair is what the program's own save writes for the example
// configuration. MG_UPDATE_EXAMPLES=1 rewrites it after a deliberate change.
void TestCommandLine::examplesAreCurrent()
{
    QVERIFY(m_dir.isValid());
    Configuration config = exampleOffice();
    FakeFileDialog files;
    files.answer = m_dir.filePath(QStringLiteral("office.cfg"));
    RecordingPrompt messages;
    MemorySettings settings;
    const auto generate = [&messages](Configuration &c) { return GenerateScript(c, messages); };
    QCOMPARE(SaveConfiguration(config, files, messages, settings, generate), QStringLiteral("office.cfg"));
    QVERIFY(messages.shown.isEmpty());   // the LAN's ENAT entry is there: no question

    for (const QString &name : {QStringLiteral("office.cfg"), QStringLiteral("office.rcf")}) {
        const QByteArray written = readFile(m_dir.filePath(name));
        QVERIFY(!written.isEmpty());
        if (qEnvironmentVariableIntValue("MG_UPDATE_EXAMPLES") == 1) {
            QFile out(example(name));
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(written);
        }
        QCOMPARE(readFile(example(name)), written);
    }
}

void TestCommandLine::generatesTheExample_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("cfg") << QStringList{"generate", example("office.cfg")};
    QTest::newRow("rcf") << QStringList{"generate", example("office.rcf")};
    QTest::newRow("--enat=no") << QStringList{"generate", "--enat=no", example("office.cfg")};
    QTest::newRow("option after the file") << QStringList{"generate", example("office.cfg"), "--enat=yes"};
    QTest::newRow("--") << QStringList{"generate", "--", example("office.cfg")};
}

// Exactly the script bytes: the .cfg file is the script and one CR LF.
void TestCommandLine::generatesTheExample()
{
    QFETCH(QStringList, args);
    QByteArray expected = readFile(example(QStringLiteral("office.cfg")));
    QVERIFY(expected.endsWith("\r\n"));
    expected.chop(2);
    const Run r = run(args);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, std::optional<int>(0));
    QCOMPARE(r.out, expected);
}

void TestCommandLine::enatAnswer_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("added");
    QTest::newRow("default is no") << QStringList{} << false;
    QTest::newRow("no") << QStringList{"--enat=no"} << false;
    QTest::newRow("yes") << QStringList{"--enat=yes"} << true;
    QTest::newRow("last one counts") << QStringList{"--enat=yes", "--enat=no"} << false;
}

void TestCommandLine::enatAnswer()
{
    QFETCH(QStringList, options);
    QFETCH(bool, added);
    Configuration config;
    config.setEthIP(QStringLiteral("192.168.1.1"));
    config.destination(1).Type = 1;
    const QString rcf = m_dir.filePath(QStringLiteral("terminal.rcf"));
    QFile f(rcf);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(WriteRcf(config).bytes);
    f.close();

    const Run r = run(QStringList{"generate"} + options + QStringList{m_dir.filePath(QStringLiteral("terminal.cfg"))});
    QCOMPARE(r.status, std::optional<int>(0));
    QVERIFY(r.out.startsWith("enable ip\r\n"));
    QCOMPARE(r.out.contains("enable ip nat\r\nadd ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0\r\n"), added);
}

void TestCommandLine::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("rcf");        // written as bad.rcf when not empty
    QTest::addColumn<QString>("errPart");
    const QString bad = QStringLiteral("@/bad.cfg");
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << QByteArray() << "frobnicate";
    QTest::newRow("no file") << QStringList{"generate"} << QByteArray() << "FILE";
    QTest::newRow("two files") << QStringList{"generate", bad, bad} << QByteArray("Count=1\r\n") << "1つ";
    QTest::newRow("bad --enat") << QStringList{"generate", "--enat=maybe", bad} << QByteArray("Count=1\r\n")
                                << "--enat";
    QTest::newRow("unknown option") << QStringList{"generate", "--fast", bad} << QByteArray("Count=1\r\n") << "--fast";
    QTest::newRow("missing file") << QStringList{"generate", "@/none.cfg"} << QByteArray() << "none.rcf";
    QTest::newRow("no extension") << QStringList{"generate", "@/bad"} << QByteArray("Count=1\r\n") << "拡張子";
    QTest::newRow("not an rcf file") << QStringList{"generate", bad} << QByteArray("hello\r\n") << "1行目";
    QTest::newRow("too many destinations") << QStringList{"generate", bad} << QByteArray("Count=99\r\n") << "接続先の数";
    QTest::newRow("Type= missing") << QStringList{"generate", bad}
                                   << QByteArray("Count=1\r\nTab=1\r\nMP=0\r\nEndTab=1\r\n") << "Type=";
    QTest::newRow("not Shift_JIS") << QStringList{"generate", bad} << QByteArray("Count=1\r\nEthIP=\x85\x40\r\n")
                                   << "Shift_JIS";
}

void TestCommandLine::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, rcf);
    QFETCH(QString, errPart);
    QVERIFY(m_dir.isValid());
    if (!rcf.isEmpty()) {
        QFile f(m_dir.filePath(QStringLiteral("bad.rcf")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(rcf);
    }
    for (QString &arg : args)
        arg.replace(QStringLiteral("@"), m_dir.path());
    const Run r = run(args);
    QCOMPARE(r.status, std::optional<int>(1));
    QCOMPARE(r.out, QByteArray());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(QStringLiteral("marrowgate: ")), qPrintable(err));
    QVERIFY2(err.contains(errPart), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
