// The router simulator as the transfer tests meet it: driven from outside,
// over its pseudo-terminal with plain POSIX calls and over Telnet on
// 127.0.0.2, with its state read back from the file it writes. Only what
// those tests rely on is checked here: the router's texts, the faults they
// ask for, its TFTP client and that it ends cleanly.

#include "RouterSimulator.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using mgtest::RouterSimulator;

namespace {

constexpr int Patience = 15000; // ms; generous, for a loaded machine

// One terminal on the router, its console or a Telnet connection.
// Everything received is kept, with the offsets where each read ended, so a
// test can see how output was cut. The answer runs from the first send after
// the last check, so lines sent back to back have one answer whatever the
// timing.
class Terminal {
public:
    explicit Terminal(const QString &pty) : m_fd(::open(QFile::encodeName(pty).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    explicit Terminal(quint16 telnetPort) : m_socket(std::make_unique<QTcpSocket>())
    {
        m_socket->connectToHost(RouterSimulator::routerAddress(), telnetPort);
        m_socket->waitForConnected(Patience);
    }
    ~Terminal()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_socket ? m_socket->state() == QAbstractSocket::ConnectedState : m_fd >= 0; }

    void sendLine(const QByteArray &line) { sendRaw(line + "\r\n"); }
    void sendRaw(const QByteArray &bytes)
    {
        poll();
        if (checked) {
            mark = all.size();
            checked = false;
        }
        // A few hundred bytes at most: the pseudo-terminal takes them whole.
        const bool whole = m_socket ? m_socket->write(bytes) == bytes.size() && m_socket->flush()
                                    : ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        if (!whole)
            qWarning("could not send \"%s\"", bytes.constData());
    }
    // Over Telnet the console's login comes first.
    bool logIn()
    {
        for (const QByteArray line : {"", "manager", "pastry"})
            sendLine(line);
        return waitForAnswerEnding("KV700> ");
    }
    // What arrived since the last send.
    QByteArray answer() const { return all.mid(mark); }
    bool waitForAnswerEnding(const QByteArray &suffix)
    {
        checked = true;
        return waitUntil([&] { return answer().endsWith(suffix); });
    }
    template <typename Condition>
    bool waitUntil(Condition done)
    {
        return QTest::qWaitFor([&] { poll(); return done(); }, Patience);
    }
    void poll()
    {
        QByteArray bytes = m_socket ? m_socket->readAll() : QByteArray();
        char buffer[4096];
        for (ssize_t n; m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, n);
        if (!bytes.isEmpty()) {
            all += bytes;
            readEnds.append(all.size());
        }
    }

    QByteArray all;
    QList<qsizetype> readEnds;
    qsizetype mark = 0;
    bool checked = true;

private:
    int m_fd = -1;
    std::unique_ptr<QTcpSocket> m_socket;
};

std::unique_ptr<Terminal> openTerminal(const RouterSimulator &sim, bool telnet)
{
    return telnet ? std::make_unique<Terminal>(sim.telnetPort()) : std::make_unique<Terminal>(sim.serialLink());
}

// A state value as text: arrays joined by "|", a file in flash by
// "file:NAME" ("<absent>" if missing).
QString stateValue(const QJsonObject &state, const QString &key)
{
    const QJsonValue value = key.startsWith(QLatin1String("file:"))
        ? state.value(QLatin1String("files")).toObject().value(key.mid(5))
        : state.value(key);
    if (value.isUndefined())
        return QStringLiteral("<absent>");
    if (value.isArray())
        return value.toVariant().toStringList().join(QLatin1Char('|'));
    return value.isNull() ? QStringLiteral("null") : value.toVariant().toString();
}

QByteArray word(quint16 value) { return QByteArray(1, char(value >> 8)) + char(value & 0xFF); }

// The file a test TFTP server serves: block b holds b's letter.
QByteArray blockPayload(int block, int size) { return QByteArray(size, char('a' + block % 26)); }

const QByteArray Greeting = "\x82\xe6\x82\xa4\x82\xb1\x82\xbb manager \x82\xb3\x82\xf1"; // ようこそ manager さん
const QByteArray Banner = QByteArray("\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18", 9)
                          + "\r\nKV700 TELNET session now in ESTABLISHED state\r\n\r\nlogin: ";

} // namespace

class TestRouterSim : public QObject {
    Q_OBJECT
private slots:
    // The router's texts and what it keeps, line by line. Each step: "> line"
    // sends a line (CR LF added), "= text" the answer (all that came since
    // the first send after the previous check) is exactly text, "< text" it
    // ends with text, "+ text" it holds text, "@key=value" the state file
    // shows it (an answer seen means the file is up to date), "x" the
    // connection is closed.
    void dialogue_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArrayList>("steps");
        const QByteArrayList telnetLogin{"= " + Banner, "> ", "= \r\nlogin: ", "> manager", "= manager\r\nPassword: ",
                                         "> pastry", "= \r\n" + Greeting + "\r\nKV700> "};
        auto row = [](const char *name, bool telnet, QStringList options, QByteArrayList steps) {
            QTest::newRow(name) << telnet << options << steps;
        };
        row("console login: three empty lines, then user and password never echoed", false, {},
            {"> ", "= \r\nlogin: ", "> ", "= \r\nlogin: ", "> ", "= \r\nlogin: ", "> manager", "= manager\r\nPassword: ",
             "> pastry", "= \r\n" + Greeting + "\r\nKV700> ", "> ", "= \r\nKV700> ",
             "@received=\r\n\r\n\r\nmanager\r\npastry\r\n\r\n", "@commands=|||manager|pastry|", "@loginFailures=0"});
        row("telnet: negotiation, banner, then the console's login", true, {}, telnetLogin + QByteArrayList{"@commands=|manager|pastry"});
        row("wrong password, login prompt again", false, {},
            {"> manager", "> secret-typed", "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1",
             "@received=manager\r\nsecret-typed\r\n", "> manager", "> pastry", "< KV700> "});
        row("login NAME with an extra account", false, {"--logged-in", "--user", "bob:bpw"},
            {"> login bob", "= login bob\r\nPassword: ", "> bpw",
             "= \r\n\x82\xe6\x82\xa4\x82\xb1\x82\xbb bob \x82\xb3\x82\xf1\r\nKV700> ", "> login bob", "> bad",
             "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1"});
        row("set password changes the manager password", false, {"--logged-in"},
            {"> set password", "= set password\r\nOld password: ", "> pastry", "= \r\nNew password: ", "> n3w",
             "= \r\nConfirm: ", "> n3w", "= \r\nKV700> ", "@managerPassword=n3w"});
        row("create and set config, restart applies it and its password", false, {"--logged-in"},
            {"> set user=manager pass=$0$6B7635", "= set user=manager pass=$0$6B7635\r\nKV700> ", "@managerPassword=kv5",
             "> create config=new.cfg", "< create config=new.cfg\r\nKV700> ", "> set config=new.cfg",
             "= set config=new.cfg\r\nKV700> ", "@bootConfig=new.cfg", "> set user=manager pass=$0$7878", "> restart router",
             "+ restart router\r\nRestarting ...\r\n", "< login: ", "@restarts=1", "@managerPassword=kv5"});
        row("restart without a boot file: factory password", false, {"--logged-in", "--password", "other"},
            {"@managerPassword=other", "> restart router", "< login: ", "@managerPassword=pastry", "@bootConfigText=null", "@restarts=1"});
        row("telnet: restart closes the session", true, {},
            telnetLogin + QByteArrayList{"> restart router", "= restart router\r\nRestarting ...\r\n", "x", "@restarts=1"});
        // Nothing is fetched from off this machine, nor over a file in flash.
        row("refused loads and a missing boot file answer Error", false, {"--logged-in", "--existing", "x.cfg"},
            {"> load file=x.cfg server=127.0.0.1 destination=flash", "+ destination=flash\r\nError (", "< KV700> ", "@file:x.cfg=",
             "> load file=y.cfg server=10.1.2.3 destination=flash", "+ \r\nError", "< KV700> ", "@tftpRequests=0",
             "> set config=none.cfg", "+ \r\nError", "< KV700> ", "@bootConfig=boot.cfg"});
    }

    void dialogue()
    {
        QFETCH(bool, telnet);
        QFETCH(QStringList, options);
        QFETCH(QByteArrayList, steps);
        RouterSimulator sim;
        QVERIFY2(sim.start(options), qPrintable(sim.errorString()));
        const std::unique_ptr<Terminal> terminal = openTerminal(sim, telnet);
        QVERIFY(terminal->isOpen());
        for (const QByteArray &step : steps) {
            const QByteArray text = step.mid(2);
            terminal->checked = terminal->checked || !step.startsWith('>');
            const QByteArray where = "step \"" + step + "\", answer: \"" + terminal->answer().toPercentEncoding(" :>=") + '"';
            if (step.startsWith('>')) {
                terminal->sendLine(text);
            } else if (step.startsWith('=') || step.startsWith('<')) {
                terminal->waitForAnswerEnding(text);
                QVERIFY2(step.startsWith('=') ? terminal->answer() == text : terminal->answer().endsWith(text),
                         ("answer \"" + terminal->answer().toPercentEncoding(" :>=") + "\" at " + step).constData());
            } else if (step.startsWith('+')) {
                QVERIFY2(terminal->waitUntil([&] { return terminal->answer().contains(text); }), where.constData());
            } else if (step.startsWith('@')) {
                const qsizetype equals = step.indexOf('=');
                QCOMPARE(stateValue(sim.stateJson(), QString::fromUtf8(step.mid(1, equals - 1))), QString::fromUtf8(step.mid(equals + 1)));
            } else {
                QCOMPARE(step, QByteArray("x"));
                QVERIFY2(terminal->waitUntil([&] { return !terminal->isOpen(); }), "the connection stays open");
            }
        }
    }

    // The same answer, whole, however the output is cut into writes; and
    // the cut the option asks for is really made, or the tests that ask for
    // it prove nothing (tried a few times, as a busy reader may take two
    // writes at once).
    void cutOutput_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QString>("option");
        for (const bool telnet : {false, true}) {
            for (const char *option : {"--one-byte", "--split-sjis"})
                QTest::addRow("%s %s", telnet ? "telnet" : "console", option) << telnet << QString::fromLatin1(option);
        }
    }

    void cutOutput()
    {
        QFETCH(bool, telnet);
        QFETCH(QString, option);
        RouterSimulator sim;
        QVERIFY2(sim.start({"--logged-in", option}), qPrintable(sim.errorString()));
        const std::unique_ptr<Terminal> terminal = openTerminal(sim, telnet);
        QVERIFY(!telnet || terminal->logIn());
        // "nofile はありません"; the offsets just after each lead byte.
        const QByteArray expected = "delete file=nofile\r\nnofile \x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\r\nKV700> ";
        const QList<qsizetype> inside{28, 30, 32, 34, 36, 38};
        bool cutSeen = false;
        for (int attempt = 0; attempt < 5 && !cutSeen; ++attempt) {
            terminal->sendLine("delete file=nofile");
            QVERIFY(terminal->waitForAnswerEnding("KV700> "));
            QCOMPARE(terminal->answer(), expected);
            for (const qsizetype at : std::as_const(terminal->readEnds)) {
                const qsizetype offset = at - terminal->mark;
                if (offset > 0 && offset < expected.size())
                    cutSeen = cutSeen || option != QLatin1String("--split-sjis") || inside.contains(offset);
            }
        }
        QVERIFY2(cutSeen, "the output always came in one piece");
    }

    // The router's TFTP client against a server played here: the texts it
    // prints and the faults the transfer tests ask of it. Steps, split by
    // "|": "D<block>:<size>" send DATA, "A<block>" expect its ACK,
    // "E<code>:<text>" send ERROR, "R<code>:<text>" expect an ERROR, "N"
    // expect no packet for a moment, "S<block>" expect its ACK from another
    // port of the router, "U" answer that port "Unknown transfer ID".
    void tftp_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("answer"); // holding "Error": nothing is stored
        auto row = [](const char *name, QStringList options, const char *steps, QByteArray answer) {
            QTest::newRow(name) << options << QString::fromLatin1(steps) << answer;
        };
        row("one short block", {}, "D1:100|A1", "\r\nFile transfer completed (100 bytes)\r\nKV700> ");
        row("a lost block: the server must send it again", {"--drop-tftp", "1", "--tftp-timeout", "60000"},
            "D1:100|N|D1:100|A1", "(100 bytes)");
        row("an error from the server", {}, "E1:File not found",
            "\r\nError: TFTP \x83\x47\x83\x89\x81\x5b 1: File not found"); // エラー
        // The second DATA packet is refused, whichever block it carries.
        row("the router refuses a block: disk full", {"--tftp-error", "2"},
            "D1:512|A1|D2:100|R3:Disk full or allocation exceeded|N", "\r\nError: TFTP ");
        // The stray port's answer is read before the next block, so the state
        // file holds it by the time the load's outcome is printed.
        row("a stray ACK from a second port, then the real one", {"--tftp-stray-ack"}, "D1:512|S1|A1|U|D2:100|A2",
            "(612 bytes)");
        row("a stray ACK nobody answers", {"--tftp-stray-ack"}, "D1:512|S1|A1|D2:3|A2", "(515 bytes)");
    }

    void tftp()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, steps);
        QFETCH(QByteArray, answer);
        const QHostAddress pc(QStringLiteral("127.0.0.1"));
        QUdpSocket requests, transfer;
        QVERIFY(requests.bind(pc, 0) && transfer.bind(pc, 0));
        RouterSimulator sim;
        QVERIFY2(sim.start(options + QStringList{"--tftp-port", QString::number(requests.localPort())}, RouterSimulator::Telnet),
                 qPrintable(sim.errorString()));
        Terminal terminal(sim.telnetPort());
        QVERIFY(terminal.logIn());
        terminal.sendLine("load file=conf.txt server=127.0.0.1 destination=flash");

        quint16 router = 0, stray = 0;
        // The next datagram on socket: those bytes, from the router's transfer port.
        auto expect = [&](QUdpSocket &socket, const QByteArray &bytes, const QString &step) {
            QVERIFY2(socket.hasPendingDatagrams() || socket.waitForReadyRead(Patience), qPrintable(QStringLiteral("nothing at ") + step));
            const QNetworkDatagram got = socket.receiveDatagram();
            QVERIFY2(got.data() == bytes, qPrintable(step + QStringLiteral(": ") + QString::fromLatin1(got.data().toHex(' '))));
            QCOMPARE(got.senderAddress(), RouterSimulator::routerAddress());
            router = router ? router : quint16(got.senderPort());
            QCOMPARE(quint16(got.senderPort()), router);
        };
        expect(requests, QByteArray("\x00\x01" "conf.txt\x00" "octet\x00", 17), QStringLiteral("the read request"));
        if (QTest::currentTestFailed())
            return;
        QMap<quint16, QByteArray> blocks;
        int dataSent = 0, unknownTid = 0;
        for (const QString &step : steps.split(QLatin1Char('|'))) {
            const char kind = step.at(0).toLatin1();
            const QStringList args = step.mid(1).split(QLatin1Char(':'));
            const auto number = quint16(args.at(0).toInt());
            if (kind == 'D') {
                ++dataSent;
                blocks[number] = blockPayload(number, args.at(1).toInt());
                transfer.writeDatagram(word(3) + word(number) + blocks[number], RouterSimulator::routerAddress(), router);
            } else if (kind == 'R') {
                expect(transfer, word(5) + word(number) + args.at(1).toLatin1() + '\0', step);
            } else if (kind == 'S') {
                QVERIFY2(transfer.hasPendingDatagrams() || transfer.waitForReadyRead(Patience),
                         qPrintable(QStringLiteral("nothing at ") + step));
                const QNetworkDatagram got = transfer.receiveDatagram();
                QCOMPARE(got.data(), word(4) + word(number));
                QCOMPARE(got.senderAddress(), RouterSimulator::routerAddress());
                QVERIFY(got.senderPort() != router);
                stray = quint16(got.senderPort());
            } else if (kind == 'U') {
                ++unknownTid;
                transfer.writeDatagram(word(5) + word(5) + "Unknown transfer ID" + '\0', RouterSimulator::routerAddress(), stray);
            } else if (kind == 'E') {
                transfer.writeDatagram(word(5) + word(number) + args.at(1).toLatin1() + '\0', RouterSimulator::routerAddress(), router);
            } else if (kind == 'N') {
                QVERIFY(!transfer.waitForReadyRead(300));
            } else {
                expect(transfer, word(4) + word(number), step);
            }
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY2(terminal.waitForAnswerEnding("KV700> "), terminal.answer().constData());
        QVERIFY2(terminal.answer().contains(answer), terminal.answer().toPercentEncoding(" :>=()").constData());
        QVERIFY2(!requests.hasPendingDatagrams(), "a read request more than expected");
        const mgtest::RouterState state = sim.state();
        QCOMPARE(state.tftpRequests, 1);
        QCOMPARE(state.tftpDataReceived, dataSent);
        QCOMPARE(state.tftpUnknownTid, unknownTid);
        QCOMPARE(state.files.value(QStringLiteral("conf.txt"), QStringLiteral("<absent>")),
                 answer.contains("Error") ? QStringLiteral("<absent>") : QString::fromLatin1(QByteArrayList(blocks.values()).join()));
    }

    // The program closes the port and opens it again between steps; told to
    // end, the simulator exits cleanly and takes its link away.
    void reopenAndEnd()
    {
        RouterSimulator sim;
        QVERIFY2(sim.start({}, RouterSimulator::Serial), qPrintable(sim.errorString()));
        QCOMPARE(sim.telnetPort(), quint16(0));
        QVERIFY(sim.serialDevice().startsWith(QLatin1String("/dev/pts/")));
        QCOMPARE(QFileInfo(sim.serialLink()).symLinkTarget(), sim.serialDevice());
        for (const QByteArray line : {"", "", "manager"}) {
            Terminal console(sim.serialLink());
            console.sendLine(line);
            QVERIFY2(console.waitForAnswerEnding(line.isEmpty() ? "login: " : "Password: "), console.all.constData());
        }
        QCOMPARE(sim.stop(), 0);
        QVERIFY(!QFileInfo(sim.serialLink()).isSymLink());
        QCOMPARE(sim.state().commands, (QStringList{"", "", "manager"}));
    }

    // Never off this machine, and no silent guess at a mistyped option.
    void badCommandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("unknown option") << QStringList{"--bogus"};
        QTest::newRow("telnet off this machine") << QStringList{"--telnet", "10.0.0.1:23"};
    }

    void badCommandLine()
    {
        QFETCH(QStringList, options);
        RouterSimulator sim;
        QVERIFY(!sim.start(options, RouterSimulator::Serial));
        QVERIFY2(sim.errorString().contains(QLatin1String("code 2")), qPrintable(sim.errorString()));
        QVERIFY(!QFileInfo(sim.serialLink()).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestRouterSim)
#include "tst_RouterSim.moc"
