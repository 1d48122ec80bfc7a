#include "SampleConfigurations.h"
#include "ShiftJis.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using namespace mg;
using Edit = std::function<void(Configuration &)>;

namespace {

QByteArray sjis(const QStringList &lines)
{
    return ShiftJis::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).value();
}

// Count=n, the common lines, then n destination blocks as written, each body before MP=.
QByteArray file(int count, const QStringList &common = {}, const QList<QStringList> &bodies = {})
{
    QStringList lines = QStringList{QStringLiteral("Count=%1").arg(count)} + common + QStringList{"", ""};
    for (int n = 1; n <= count; ++n)
        lines += QStringList{QStringLiteral("Tab=%1").arg(n), "Type=0"} + bodies.value(n - 1)
                 + QStringList{"MP=0", "Uprate=80", "Uptime=30", "Downrate=20", "Downtime=60",
                               QStringLiteral("EndTab=%1").arg(n), "", ""};
    return sjis(lines);
}

} // namespace

class TestRcfFile : public QObject {
    Q_OBJECT
private slots:
    // What reads from each golden file writes it again byte for byte: a key
    // lost, misread or mistaken for another on either side shows here.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"dialup", "leased", "full", "other_keys"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void roundTrip()
    {
        QFETCH(QString, name);
        const QByteArray golden = samples::readData(QStringLiteral("golden/%1.rcf").arg(name));
        const RcfReadResult read = readRcf(golden, Configuration{});
        QVERIFY(!golden.isEmpty() && read.ok && read.warnings.isEmpty());
        const RcfWriteResult written = writeRcf(read.config);
        QVERIFY2(written.ok, qPrintable(written.errorText));
        QCOMPARE(ShiftJis::decode(written.bytes).split("\r\n"), ShiftJis::decode(golden).split("\r\n"));
        QCOMPARE(written.bytes, golden);
    }

    // The configuration after opening, the window's change rules and its notion
    // of "changed" (Saved) included, from a configuration already on screen.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Edit>("edit"); // from a reset configuration
        QTest::addColumn<bool>("saved");
        auto row = [](const char *name, const QByteArray &bytes, Edit edit, bool saved) {
            QTest::newRow(name) << bytes << edit << saved;
        };
        const QByteArray ethernet = file(1, {"EthIP=192.168.5.1", "EthMask=255.255.0.0"});
        const Edit copied = [](Configuration &c) {
            c.Common.EthIP = c.Common.DHCP_Router = QStringLiteral("192.168.5.1");
            c.Common.EthMask = c.Common.DHCP_Mask = QStringLiteral("255.255.0.0");
        };
        row("Ethernet copied to the DHCP defaults", ethernet, copied, false);
        row("LF and CR line ends", QByteArray(ethernet).replace("\r\n", "\n").replace("\n\n", "\r\r"), copied, false);
        row("blanks before a key", QByteArray(ethernet).replace("EthIP", " EthIP").replace("EthMask", "\tEthMask"), copied,
            false);
        row("a stored DHCP router wins over the copy", file(1, {"EthIP=1.2.3.4", "DHCP_Router=1.2.3.9"}),
            [](Configuration &c) { c.Common.EthIP = "1.2.3.4", c.Common.DHCP_Router = "1.2.3.9"; }, false);
        row("port 2 off turns port 1 on", file(1, {"ANALOG1=0", "ANALOG2=0"}),
            [](Configuration &c) { c.Common.ANALOG1 = 1, c.Common.ANALOG2 = 0; }, false);
        row("leased line keeps one destination", file(3, {"ConnectType=1"}, {{}, {"DefRoute=1"}, {"ISDN_Num=1"}}),
            [](Configuration &c) { c.Common.ConnectType = 1; }, false); // destinations 2 and 3 dropped, no default route
        row("a default route is taken", file(2, {}, {{}, {"DefRoute=1"}}),
            [](Configuration &c) { c.TabCount = 3, c.destination(2).DefRoute = 1, c.DefaultRouteTaken = true; }, false);
        // Values the controls held already, and controls without change handling.
        row("nothing changed", file(2, {"EthMask=255.255.255.0", "AutoHashTimer1=9"}, {{"CBTimer=30"}}),
            [](Configuration &c) { c.TabCount = 3, c.Common.AutoHashTimer1 = "9", c.destination(1).CBTimer = 30; }, true);
        // The one set of destination controls still holds destination 1's value.
        row("second destination repeats the first", file(2, {}, {{"Comp=1"}, {"Comp=1"}}),
            [](Configuration &c) { c.TabCount = 3, c.destination(1).Comp = c.destination(2).Comp = 1; }, false);
    }

    void reading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Edit, edit);
        QFETCH(bool, saved);
        Configuration onScreen, expected; // the script and the file name on screen survive the reading
        onScreen.TabCount = 6, onScreen.Saved = !saved, onScreen.destination(5).UserName = QStringLiteral("gone");
        onScreen.appendRoute({"1.0.0.0", "255.0.0.0", "eth0", "1.0.0.1"});
        edit(expected);
        expected.CommandScript = onScreen.CommandScript = QStringLiteral("enable ip\r\n");
        expected.ConfigFileName = onScreen.ConfigFileName = QStringLiteral("old.cfg");
        expected.Saved = saved;
        const RcfReadResult read = readRcf(bytes, onScreen);
        QVERIFY2(read.ok && read.warnings.isEmpty(), qPrintable(read.error.description));
        QCOMPARE(rcfText(read.config), rcfText(expected));
        QVERIFY2(read.config == expected, read.config.Saved == saved ? "flags" : "Saved");
    }

    // Ports and BOD times reach 65535, beyond the 16-bit numbers of the file.
    void wideValuesSurviveReopening()
    {
        Configuration c;
        c.TabCount = 2;
        c.destination(1).MP = 1;
        c.bod(1) = {QStringLiteral("100"), QStringLiteral("65535"), QStringLiteral("0"), QStringLiteral("40000")};
        QVERIFY(c.appendEnat({"192.168.1.10", {}, "65535", "203.0.113.1", {}, "40000", "tcp", {}, 2}));
        const RcfWriteResult written = writeRcf(c);
        const RcfReadResult read = readRcf(written.bytes, Configuration{});
        QVERIFY(written.ok && read.ok);
        QCOMPARE(rcfText(read.config), rcfText(c));
    }

    void stops_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("textPart");
        QTest::addColumn<int>("line");
        const QString data = QString::fromUtf8(samples::readData(QStringLiteral("refused.txt")));
        const QStringList text = data.split(QRegularExpression(QStringLiteral("\r?\n")));
        QVERIFY(text.size() > 50);
        QStringList header, lines;
        for (const QString &line : text + QStringList{QStringLiteral("==")}) {
            if (!line.startsWith(QLatin1String("=="))) {
                if (!line.startsWith(QLatin1Char('#')))
                    lines << line;
                continue;
            }
            while (!lines.isEmpty() && lines.constLast().isEmpty())
                lines.removeLast();
            if (header.size() == 4)
                QTest::newRow(qPrintable(header[0])) << sjis(lines) << header[1] << header[2] << header[3].toInt();
            header = line.mid(3).split(QStringLiteral(" | ")), lines.clear();
        }
        // Bytes no text file shows.
        const QString e = QStringLiteral("エラー");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("ファイルを開く") << e << 1;
        QByteArray invalid = sjis({"Count=1", "EthIP=1", "UserName=x"});
        QTest::newRow("bytes that are not Shift_JIS") << invalid.insert(invalid.indexOf("UserName=") + 9, "\x85\x40") << e
                                                      << QStringLiteral("3行目") << 3;
        QTest::newRow("half a double-byte character") << sjis({"Count=1", "EthIP=1"}) + '\x82' << e << "Shift_JIS" << 3;
        QTest::newRow("larger than any configuration") << sjis({"Count=1", "Syslog="}) + QByteArray(MaxRcfFileSize, 'x')
                                                       << e << QStringLiteral("大きすぎる") << 0;
    }

    void stops()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, textPart);
        const RcfReadResult read = readRcf(bytes, Configuration{});
        QVERIFY(!read.ok);
        QTEST(read.error.message.title, "title");
        QVERIFY2(read.error.message.text.contains(textPart), qPrintable(read.error.message.text));
        QVERIFY(read.error.message.text.size() < 400 && !read.error.description.isEmpty());
        QTEST(read.error.line, "line");
    }

    // Binary junk, huge lines and every input of the fuzzing corpus (the inputs
    // that once crashed included): an error, or a configuration that saves and
    // reads back to the same file; never a crash.
    void hostileInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        for (int seed = 1; seed <= 4; ++seed) { // binary junk, alone and after a valid first line
            QByteArray junk(4096, Qt::Uninitialized);
            QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
            QTest::addRow("junk %d", seed) << (seed % 2 ? junk : QByteArray("Count=1\r\n") + junk) << false;
        }
        const QByteArray megabytes(4 * 1024 * 1024, 'x');
        QTest::newRow("megabyte value")
            << QByteArray("Count=1\r\nTab=1\r\nType=0\r\nUserName=") + megabytes + "\r\nEndTab=1\r\n" << true;
        QTest::newRow("megabyte line without key") << QByteArray("Count=1\r\n") + megabytes << true;
        QTest::newRow("control bytes 1A 1C 7F")
            << QByteArray("Count=1\r\nTab=1\r\nType=0\r\nUserName=a\x1a\x1c\x7f\r\nEndTab=1\r\n") << true;
        QTest::newRow("NUL bytes") << QByteArray("Count=1\r\nSyslog=1\0" "2\r\n\0\0\0\r\n", 22) << true;
        const QStringList corpus = QDir(QStringLiteral(MG_TEST_DATA_DIR "/corpus")).entryList(QDir::Files);
        QVERIFY(corpus.size() >= 5);
        for (const QString &name : corpus)
            QTest::newRow(qPrintable(name)) << samples::readData(QStringLiteral("corpus/") + name) << false;
    }

    void hostileInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        const RcfReadResult read = readRcf(bytes, Configuration{});
        QVERIFY2(read.ok || !readable, qPrintable(read.error.message.text));
        if (!read.ok) {
            QVERIFY(!read.error.message.text.isEmpty() && read.error.message.text.size() < 400);
            return;
        }
        const RcfWriteResult written = writeRcf(read.config);
        QVERIFY2(written.ok, qPrintable(written.errorText));
        const RcfReadResult again = readRcf(written.bytes, Configuration{});
        QVERIFY(again.ok && writeRcf(again.config).bytes == written.bytes);
    }
};

QTEST_GUILESS_MAIN(TestRcfFile)
#include "tst_RcfFile.moc"
