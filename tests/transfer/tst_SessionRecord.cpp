// The serial typing paced by the router's echo, and what a whole
// installation leaves behind: a transcript and shown output without any
// password, against the router simulator on a pseudo-terminal and on
// loopback (router 127.0.0.2, PC 127.0.0.1), and a time limit that ends a
// router that does not answer.

#include "FakeRouterLink.h"
#include "ManualTicker.h"
#include "RouterInstall.h"
#include "RouterSimulator.h"
#include "SecretMasker.h"
#include "SendText.h"
#include "SerialLine.h"
#include "TelnetLink.h"
#include "TestFakes.h"
#include "TickDriver.h"
#include "Transcript.h"
#include "TransferSession.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace mg;
using namespace mgtest;

namespace {

// A script whose own passwords the router echoes (the simulator echoes every
// command line), so they travel through the output cut into bytes.
const QString Script = QStringLiteral("enable ip\r\nadd user=hq01 password=Hq0!pass\r\n"
                                      "set ppp=0 user=\"branch01\" password=\"Br4nch!pw\"\r\n"
                                      "set system name=\"office\"\r\n");
const QStringList ScriptSecrets{"Hq0!pass", "Br4nch!pw"};
const QString NewPassword = QStringLiteral("n3wpass1");

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

class TestSessionRecord : public QObject {
    Q_OBJECT

private slots:
    void echoPacing_data();
    void echoPacing();
    void installLeavesNoPassword_data();
    void installLeavesNoPassword();
    void timeLimitEndsASilentRouter();
};

void TestSessionRecord::echoPacing_data()
{
    // Steps: "tick" fires the serial period, "<text" is router output.
    // After each step, the number of lines typed so far.
    QTest::addColumn<bool>("echoPacing");
    QTest::addColumn<QString>("sendText");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("typed");
    QTest::addColumn<int>("withoutEcho");
    QTest::addColumn<bool>("completed");

    const QString abc = QStringLiteral("a\r\nb\r\nc\r\n");
    // With echo pacing the first line goes at once: the login ended at the
    // command prompt.
    QTest::newRow("each line as soon as the last is echoed")
        << true << abc << QStringList{"<a\r\nKV700> ", "<b\r\nKV700> ", "<c\r\nKV700> "} << QList<int>{2, 3, 3} << 0
        << true;
    QTest::newRow("line pacing waits for the period whatever comes")
        << false << abc << QStringList{"tick", "<a\r\nKV700> ", "tick", "<b\r\nKV700> "} << QList<int>{1, 1, 2, 2} << 0
        << false;
    QTest::newRow("no answer: the period types the next line")
        << true << abc << QStringList{"<garbled", "tick", "tick"} << QList<int>{1, 2, 3} << 2 << false;
    QTest::newRow("an answer to an earlier line does not count")
        << true << abc << QStringList{"tick", "<a\r\nKV700> ", "<b\r\nKV700> "} << QList<int>{2, 2, 3} << 1 << false;
    QTest::newRow("echo and prompt cut into pieces")
        << true << abc << QStringList{"<a", "<\r", "<\nKV7", "<00>", "< "} << QList<int>{1, 1, 1, 1, 2} << 0 << false;
    QTest::newRow("a password is not echoed: its line end and the next question are enough")
        << true << QStringLiteral("set password\r\npastry\r\nn3wpass1\r\n")
        << QStringList{"<set password\r\nOld password: ", "<\r\nNew password: ", "<\r\nConfirm: "}
        << QList<int>{2, 3, 3} << 0 << true;
}

void TestSessionRecord::echoPacing()
{
    QFETCH(bool, echoPacing);
    QFETCH(QString, sendText);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, typed);
    QFETCH(int, withoutEcho);
    QFETCH(bool, completed);

    TransferJob job;
    job.method = TransferMethod::Serial;
    job.sendText = sendText;
    job.pacing = echoPacing ? TransferPacing::Echo : TransferPacing::Line;
    job.secrets = QStringList{"pastry", "n3wpass1"};
    FakeRouterLink link;
    ManualTickerFactory tickers;
    TransferSession session(job, link, tickers, nullptr);
    int completions = 0;
    connect(&session, &TransferSession::completed, this, [&] { ++completions; });

    session.start();
    QCOMPARE(int(link.sent.size()), echoPacing ? 1 : 0);
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        if (step == QLatin1String("tick")) {
            QVERIFY(tickers.fire("Timer1"));
        } else {
            const int startsBefore = tickers.find("Timer1")->starts;
            const int sentBefore = int(link.sent.size());
            session.receive(step.mid(1));
            // A line typed on the echo restarts the period from there.
            if (link.sent.size() > sentBefore)
                QCOMPARE(tickers.find("Timer1")->starts, startsBefore + 1);
        }
        QCOMPARE(int(link.sent.size()), typed.at(i));
    }
    QCOMPARE(session.linesWithoutEcho(), withoutEcho);
    QCOMPARE(completions, completed ? 1 : 0);
    QCOMPARE(tickers.isActive("Timer1"), !completed);
    // Lines go out whole, in order, whatever paced them.
    QStringList lines;
    for (const QString &text : sendText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines << text + QStringLiteral("\r\n");
    QCOMPARE(link.sent, lines.mid(0, link.sent.size()));
}

void TestSessionRecord::installLeavesNoPassword_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<bool>("echoPacing");
    QTest::newRow("serial console, line pacing") << true << false;
    QTest::newRow("serial console, echo pacing") << true << true;
    QTest::newRow("Telnet and TFTP") << false << false;
}

void TestSessionRecord::installLeavesNoPassword()
{
    QFETCH(bool, serial);
    QFETCH(bool, echoPacing);

    // Output one byte at a time: every echoed password arrives in pieces.
    const quint16 tftpPort = freeUdpPort();
    RouterSimulator router;
    QVERIFY2(router.start({"--one-byte", "--tftp-port", QString::number(tftpPort)},
                          serial ? RouterSimulator::Serial : RouterSimulator::Telnet),
             qPrintable(router.errorString()));

    TransferJob job;
    job.commandScript = Script;
    job.configName = QStringLiteral("office.cfg");
    job.pacing = echoPacing ? TransferPacing::Echo : TransferPacing::Line;
    MemorySettings settings;
    settings.SaveSetting(QStringLiteral("SerialDevices"), QStringLiteral("Com1"), router.serialLink());
    SerialLine line(settings);
    TelnetLink telnet;
    if (serial) {
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        job.sendText = SendText::SerialText(Script);
    } else {
        job.routerAddress = RouterSimulator::routerAddress().toString();
        job.tftpPort = tftpPort;
        telnet.setRemotePort(router.telnetPort());
    }

    QTemporaryDir dir;
    Transcript transcript;
    QVERIFY(transcript.open(dir.filePath(QStringLiteral("session.log"))));
    ManualTickerFactory tickers;
    TickDriver driver(tickers);
    RouterInstall install(job, tickers);
    install.setProgramFolder(QStringLiteral(MG_TZEL_DIR));
    install.setTranscript(&transcript);
    install.setFactoryPasswordChoice([] { return std::optional<QString>(NewPassword); });
    QString shown;
    bool ended = false, ok = false;
    connect(&install, &RouterInstall::output, this, [&](const QString &text) { driver.output(text); });
    connect(&install, &RouterInstall::shownOutput, this, [&](const QString &text) { shown += text; });
    connect(&install, &RouterInstall::loginFailed, this, [&] { ended = true; });
    connect(&install, &RouterInstall::finished, this, [&](bool success) {
        ended = true;
        ok = success;
    });

    if (serial)
        install.attach(line);
    else
        install.attach(telnet);
    install.login(QStringLiteral("manager"), SendText::FactoryPassword);
    QVERIFY(driver.runUntil([&] { return ended; }, std::chrono::seconds(120)));
    QVERIFY(ok);
    transcript.close();

    const RouterState state = router.state();
    QCOMPARE(state.managerPassword, NewPassword);
    QStringList secrets = QStringList{SendText::FactoryPassword, NewPassword} + ScriptSecrets;
    if (!serial) {
        // The encoded password of the fetched file is a secret too.
        const QString first = state.bootConfigText.value_or(QString()).section(QStringLiteral("\r\n"), 0, 0);
        const QString encoded = first.section(QStringLiteral(" pass="), 1);
        QVERIFY(!encoded.isEmpty());
        secrets << encoded;
    }
    // The passwords really went through the line (so hiding them is tested).
    for (const QString &secret : QStringList{SendText::FactoryPassword, NewPassword} + ScriptSecrets) {
        if (serial)
            QVERIFY2(state.received.contains(secret), qPrintable(secret));
    }

    const QString record = readAll(transcript.path());
    QVERIFY(record.contains(serial ? QStringLiteral("< enable ip") : QStringLiteral("> load file=office.cfg")));
    QVERIFY(record.contains(QStringLiteral("# 結果: 完了: KV700 の設定が完了しました。")));
    QVERIFY(record.contains(SecretMasker::Mask));
    for (const QString &secret : std::as_const(secrets)) {
        QVERIFY2(!record.contains(secret), qPrintable(QStringLiteral("transcript holds %1").arg(secret)));
        QVERIFY2(!shown.contains(secret), qPrintable(QStringLiteral("output shows %1").arg(secret)));
    }
    // The router's echo of a script line with a password shows the rest of it.
    if (serial)
        QVERIFY(shown.contains(QStringLiteral("add user=hq01 password=") + SecretMasker::Mask));
    QCOMPARE(QFileInfo(transcript.path()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
}

void TestSessionRecord::timeLimitEndsASilentRouter()
{
    // A peer that takes the connection and never says a word.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    TransferJob job;
    job.routerAddress = QStringLiteral("127.0.0.2");
    ManualTickerFactory tickers;
    TelnetLink link;
    link.setRemotePort(mute.serverPort());
    QTemporaryDir dir;
    Transcript transcript;
    QVERIFY(transcript.open(dir.filePath(QStringLiteral("t.log"))));
    RouterInstall install(job, tickers);
    install.setTranscript(&transcript);
    install.setTimeLimit(std::chrono::seconds(600));
    QSignalSpy finished(&install, &RouterInstall::finished);
    install.attach(link);
    install.login(QStringLiteral("manager"), QStringLiteral("s3cret"));
    QVERIFY(QTest::qWaitFor([&] { return link.state() == TelnetLink::Connected; }, 10000));
    QVERIFY(tickers.isActive("SessionLimit"));
    QCOMPARE(tickers.find("SessionLimit")->interval(), std::chrono::milliseconds(600000));

    QVERIFY(tickers.fire("SessionLimit"));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    const auto message = finished.first().at(1).value<DialogueMessage>();
    QCOMPARE(message.title, QStringLiteral("時間切れ"));
    QVERIFY(message.text.startsWith(QStringLiteral("600 秒")));
    // Everything is closed and stopped: nothing ticks on, nothing stays connected.
    QCOMPARE(link.state(), int(TelnetLink::Closed));
    QVERIFY(!tickers.anyActive());
    QVERIFY(!install.isRunning());
    transcript.close();
    QVERIFY(readAll(transcript.path()).contains(QStringLiteral("# 結果: 時間切れ: 600 秒")));
}

QTEST_GUILESS_MAIN(TestSessionRecord)
#include "tst_SessionRecord.moc"
