// The router simulator as the transfer tests meet it: driven from outside,
// over its pseudo-terminal with plain POSIX calls and over Telnet on
// 127.0.0.2, with its state read back from the file it writes.

#include "RouterSimulator.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using mgtest::RouterSimulator;

namespace {

constexpr int Patience = 15000; // ms; generous, for a loaded machine

// One terminal on the router. Everything received is kept, with the
// offsets where each read ended, so a test can see how output was cut. The
// answer runs from the first send after the last check, so lines sent back
// to back have one answer whatever the timing.
class Terminal {
public:
    virtual ~Terminal() = default;
    virtual bool isOpen() = 0;
    virtual void write(const QByteArray &bytes) = 0;

    void sendLine(const QByteArray &line) { sendRaw(line + "\r\n"); }
    void sendRaw(const QByteArray &bytes)
    {
        poll();
        if (checked) {
            mark = all.size();
            checked = false;
        }
        sent.start();
        write(bytes);
    }
    // What arrived since the last send.
    QByteArray answer() const { return all.mid(mark); }
    bool waitForAnswerEnding(const QByteArray &suffix)
    {
        checked = true;
        return waitUntil([&] { return answer().endsWith(suffix); });
    }
    template <typename Condition>
    bool waitUntil(Condition done, int timeout = Patience)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            poll();
            if (done())
                return true;
            if (clock.elapsed() > timeout)
                return false;
            QTest::qWait(2);
        }
    }
    void poll()
    {
        const QByteArray bytes = readAvailable();
        if (bytes.isEmpty())
            return;
        all += bytes;
        readEnds.append(all.size());
    }

    QByteArray all;
    QList<qsizetype> readEnds;
    qsizetype mark = 0;
    bool checked = true;
    QElapsedTimer sent;

protected:
    virtual QByteArray readAvailable() = 0;
};

class PtyTerminal : public Terminal {
public:
    explicit PtyTerminal(const QString &path) { m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK); }
    ~PtyTerminal() override { close(); }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool isOpen() override { return m_fd >= 0; }
    void write(const QByteArray &bytes) override
    {
        qsizetype done = 0;
        while (m_fd >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }

protected:
    QByteArray readAvailable() override
    {
        QByteArray bytes;
        char buffer[4096];
        ssize_t n;
        while (m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        return bytes;
    }

private:
    int m_fd = -1;
};

class TelnetTerminal : public Terminal {
public:
    explicit TelnetTerminal(quint16 port)
    {
        m_socket.connectToHost(RouterSimulator::routerAddress(), port);
        m_socket.waitForConnected(Patience);
    }
    bool isOpen() override { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void write(const QByteArray &bytes) override
    {
        m_socket.write(bytes);
        m_socket.flush();
    }

protected:
    QByteArray readAvailable() override { return m_socket.readAll(); }

private:
    QTcpSocket m_socket;
};

std::unique_ptr<Terminal> openTerminal(const RouterSimulator &sim, bool telnet)
{
    if (telnet)
        return std::make_unique<TelnetTerminal>(sim.telnetPort());
    return std::make_unique<PtyTerminal>(sim.serialLink());
}

// A state value as text: arrays joined by "|", the files object as its
// names joined by ",", a file of it by "file:NAME" ("<absent>" if missing).
QString stateValue(const QJsonObject &state, const QString &key)
{
    if (key.startsWith(QLatin1String("file:"))) {
        const QJsonObject files = state.value(QLatin1String("files")).toObject();
        const QString name = key.mid(5);
        return files.contains(name) ? files.value(name).toString() : QStringLiteral("<absent>");
    }
    const QJsonValue value = state.value(key);
    if (value.isArray())
        return value.toVariant().toStringList().join(QLatin1Char('|'));
    if (value.isObject())
        return value.toObject().keys().join(QLatin1Char(','));
    if (value.isNull())
        return QStringLiteral("null");
    if (value.isDouble())
        return QString::number(value.toInt());
    return value.toString();
}

// Offsets just after a lead byte of a two-byte Shift_JIS character.
QList<qsizetype> insideCharacters(const QByteArray &bytes, qsizetype base)
{
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = quint8(bytes.at(i));
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            offsets.append(base + i + 1);
            ++i;
        }
    }
    return offsets;
}

QByteArray word(quint16 value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value >> 8);
    bytes[1] = char(value & 0xFF);
    return bytes;
}

// The file a test TFTP server serves: block b holds letters from b on.
QByteArray blockPayload(int block, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char('a' + (block + i) % 26);
    return bytes;
}

const QByteArray Greeting = "\x82\xe6\x82\xa4\x82\xb1\x82\xbb manager \x82\xb3\x82\xf1"; // ようこそ manager さん
const QByteArray Banner = QByteArray("\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18", 9)
                          + "\r\nKV700 TELNET session now in ESTABLISHED state\r\n\r\nlogin: ";

} // namespace

class TestRouterSim : public QObject {
    Q_OBJECT
private slots:
    // Each step: "> line" sends a line (CR LF added), "} bytes" sends bytes
    // as they are ("<NUL>" for a zero byte), "= text" the answer (all that
    // came since the first send after the previous check) is exactly text,
    // "< text" it ends with text, "+ text" it
    // holds text, "- text" it does not, "@key=value" the state file shows it
    // already (an answer seen means the file is up to date), "~key=value" it
    // comes to show it (nothing is answered to wait for),
    // "T ms" the answer took at least ms, "x" the connection is closed,
    // "0" nothing came back.
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
        row("console login: three empty lines, then user and password", false, {},
            {"> ", "= \r\nlogin: ", "> ", "= \r\nlogin: ", "> ", "= \r\nlogin: ", "> manager", "= manager\r\nPassword: ",
             "> pastry", "= \r\n" + Greeting + "\r\nKV700> ", "> ", "= \r\nKV700> ",
             "@received=\r\n\r\n\r\nmanager\r\npastry\r\n\r\n", "@commands=|||manager|pastry|", "@loginFailures=0"});
        row("telnet: negotiation, banner, then the console's login", true, {}, telnetLogin + QByteArrayList{"@commands=|manager|pastry"});
        row("console: wrong password, login prompt again", false, {},
            {"> manager", "> secret-typed", "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1",
             "@received=manager\r\nsecret-typed\r\n", "> manager", "> pastry", "< KV700> "});
        row("telnet: wrong password, login prompt again", true, {},
            {"< login: ", "> ", "> manager", "> nope", "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1"});
        row("password never echoed, name echoed", false, {},
            {"> manager", "= manager\r\nPassword: ", "> pastry", "< KV700> ", "- pastry"});
        row("--wrong-password refuses the right one", false, {"--wrong-password"},
            {"> manager", "> pastry", "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1"});
        row("--password sets the starting one", false, {"--password", "s3cret"},
            {"> manager", "> pastry", "< login: ", "> manager", "> s3cret", "< KV700> ", "@managerPassword=s3cret"});
        row("--logged-in: an empty line prints the prompt", false, {"--logged-in"}, {"> ", "= \r\nKV700> "});
        row("lone LF and CR LF end lines, CR LF counts once", false, {},
            {"} manager\npastry\r\n\r\n", "< KV700> ", "@commands=manager|pastry|"});
        row("telnet: negotiation and NUL after CR are not typed", true, {},
            {"< login: ", "} \xff\xfd\x01man\xff\xfa\x18<NUL>xterm\xff\xf0" "ager\r<NUL>", "= manager\r\nPassword: ",
             "} \xff\xfb\x18pas\xff\xfe\x03try\r\n", "< KV700> ", "@commands=manager|pastry"});
        row("set password changes the manager password", false, {"--logged-in"},
            {"> set password", "= set password\r\nOld password: ", "> pastry", "= \r\nNew password: ", "> n3w",
             "= \r\nConfirm: ", "> n3w", "= \r\nKV700> ", "@managerPassword=n3w"});
        row("set password: confirmation differs", false, {"--logged-in"},
            {"> set password", "> pastry", "> n3w", "> n4w", "+ \r\nError", "< KV700> ", "@managerPassword=pastry"});
        row("set password: old one wrong", false, {"--logged-in"},
            {"> set password", "> wrong", "> n3w", "> n3w", "+ \r\nError", "< KV700> ", "@managerPassword=pastry"});
        row("create and set config, restart applies it and its password", false, {"--logged-in"},
            {"> set user=manager pass=$0$6B7635", "= set user=manager pass=$0$6B7635\r\nKV700> ", "@managerPassword=kv5",
             "> ip lan1 address=10.0.0.1/8", "> create config=new.cfg", "< create config=new.cfg\r\nKV700> ",
             "> set config=new.cfg", "= set config=new.cfg\r\nKV700> ", "@bootConfig=new.cfg",
             "@bootConfigText=set user=manager pass=$0$6B7635\r\nset user=manager pass=$0$6B7635\r\nip lan1 address=10.0.0.1/8\r\n",
             "> set user=manager pass=$0$7878", "> restart router", "+ restart router\r\nRestarting ...\r\n", "< login: ",
             "@restarts=1", "@managerPassword=kv5", "> manager", "> pastry", "< login: ", "> manager", "> kv5", "< KV700> "});
        row("set password after a typed password line survives a restart", false, {"--logged-in"},
            {"> set user=manager pass=$0$6B7635", "> set password", "> kv5", "> zz9", "> zz9", "> create config=b.cfg",
             "> set config=b.cfg", "> restart router", "< login: ", "@managerPassword=zz9",
             "> manager", "> zz9", "> create config=c.cfg", "> set config=c.cfg", "> restart router", "< login: ",
             "@managerPassword=zz9", "@file:c.cfg=set user=manager pass=$0$7A7A39\r\nset user=manager pass=$0$6B7635\r\nset user=manager pass=$0$7A7A39\r\n"});
        row("a password not in the placeholder form is taken as it is", false, {"--logged-in"},
            {"> set user=manager pass=plain9 login=on", "< KV700> ", "@managerPassword=plain9",
             "> set user=manager pass=$0$6b76", "< KV700> ", "@managerPassword=$0$6b76"});
        row("restart without a boot file: factory password", false, {"--logged-in", "--password", "other"},
            {"> restart router", "< login: ", "@managerPassword=pastry", "@bootConfigText=null", "@restarts=1"});
        row("telnet: restart closes the session", true, {},
            telnetLogin + QByteArrayList{"> restart router", "= restart router\r\nRestarting ...\r\n", "x", "@restarts=1"});
        row("load of a name in flash answers Error", false, {"--logged-in", "--existing", "x.cfg"},
            {"> load file=x.cfg server=127.0.0.1 destination=flash", "+ destination=flash\r\nError (", "< KV700> ",
             "@tftpRequests=0", "@file:x.cfg="});
        row("--load-error: flash full", false, {"--logged-in", "--load-error"},
            {"> load file=y.cfg server=127.0.0.1 destination=flash", "+ \r\nError (", "< KV700> ", "@files="});
        row("load of a server that is not on this machine is refused", false, {"--logged-in"},
            {"> load file=y.cfg server=10.1.2.3 destination=flash", "+ \r\nError", "< KV700> ", "@tftpRequests=0"});
        row("set config of a missing file answers Error", false, {"--logged-in"},
            {"> set config=none.cfg", "+ \r\nError", "< KV700> ", "@bootConfig=boot.cfg"});
        row("rename and delete files in flash", false, {"--logged-in", "--existing", "a.cfg"},
            {"> rename a.cfg b.cfg", "= rename a.cfg b.cfg\r\nKV700> ", "@files=b.cfg", "> rename a.cfg c.cfg", "< KV700> ", "@files=b.cfg",
             "> delete file=b.cfg", "< KV700> ", "- Error", "@files=", "> delete file=b.cfg", "< KV700> ", "- Error"});
        row("login NAME with an extra account", false, {"--logged-in", "--user", "bob:bpw"},
            {"> login bob", "= login bob\r\nPassword: ", "> bpw",
             "= \r\n\x82\xe6\x82\xa4\x82\xb1\x82\xbb bob \x82\xb3\x82\xf1\r\nKV700> ", "> login bob", "> bad",
             "< Password: \r\nLogin incorrect\r\n\r\nlogin: ", "@loginFailures=1"});
        row("set port is accepted, other lines join the configuration", false, {"--logged-in"},
            {"> set port=1 page=2", "= set port=1 page=2\r\nKV700> ", "> ", "> anything at all", "< anything at all\r\nKV700> ",
             "> create config=r.cfg", "< KV700> ", "@file:r.cfg=set user=manager pass=$0$706173747279\r\nanything at all\r\n"});
        row("--silent reads and answers nothing", false, {"--silent"}, {"> ", "> manager", "~commands=|manager", "0"});
        row("--slow delays the answer", false, {"--logged-in", "--slow", "300"}, {"> ", "= \r\nKV700> ", "T 250"});
        // 240 bytes a second: 60 typed bytes in and their echo out take a
        // quarter of a second at least.
        row("--line-rate paces the console", false, {"--logged-in", "--line-rate", "2400"},
            {"> " + QByteArray(60, 'z'), "= " + QByteArray(60, 'z') + "\r\nKV700> ", "T 200"});
        // Reading is paced too: with nothing answered, 120 bytes still take
        // half a second to reach the router.
        row("--line-rate paces what the console reads", false, {"--silent", "--line-rate", "2400"},
            {"> " + QByteArray(120, 'q'), "~commands=" + QByteArray(120, 'q'), "T 300"});
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
            const char kind = step.at(0);
            QByteArray text = step.mid(2);
            if (kind != '>' && kind != '}')
                terminal->checked = true;
            const QByteArray where = "step \"" + step + "\", answer so far: \"" + terminal->answer().toPercentEncoding(" :>=") + '"';
            switch (kind) {
            case '>':
                terminal->sendLine(text);
                break;
            case '}':
                terminal->sendRaw(text.replace("<NUL>", QByteArray(1, '\0')));
                break;
            case '=':
            case '<':
                terminal->waitForAnswerEnding(text);
                QVERIFY2(kind == '=' ? terminal->answer() == text : terminal->answer().endsWith(text),
                         ("answer \"" + terminal->answer().toPercentEncoding(" :>=") + "\" at " + step).constData());
                break;
            case '+':
                terminal->waitUntil([&] { return terminal->answer().contains(text); });
                QVERIFY2(terminal->answer().contains(text), where.constData());
                break;
            case '-':
                QVERIFY2(!terminal->answer().contains(text), where.constData());
                break;
            case '@':
            case '~': {
                const qsizetype equals = step.indexOf('=');
                const QString key = QString::fromUtf8(step.mid(1, equals - 1));
                const QString expected = QString::fromUtf8(step.mid(equals + 1));
                if (kind == '~')
                    terminal->waitUntil([&] { return stateValue(sim.stateJson(), key) == expected; });
                QCOMPARE(stateValue(sim.stateJson(), key), expected);
                break;
            }
            case 'T':
                QVERIFY2(terminal->sent.elapsed() >= text.toInt(), where.constData());
                break;
            case 'x':
                QVERIFY2(terminal->waitUntil([&] { return !terminal->isOpen(); }), "the connection stays open");
                break;
            case '0':
                QTest::qWait(200);
                terminal->poll();
                QCOMPARE(terminal->all, QByteArray());
                break;
            default:
                QFAIL(step.constData());
            }
        }
    }

    // The same answer, whole, however the output is cut into writes; and
    // the cut the option asks for is really made (tried a few times, as a
    // busy reader may take two writes at once).
    void cutOutput_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QString>("option");
        for (const bool telnet : {false, true}) {
            const char *link = telnet ? "telnet" : "console";
            QTest::addRow("%s plain", link) << telnet << QString();
            QTest::addRow("%s --one-byte", link) << telnet << QStringLiteral("--one-byte");
            QTest::addRow("%s --split-sjis", link) << telnet << QStringLiteral("--split-sjis");
        }
    }

    void cutOutput()
    {
        QFETCH(bool, telnet);
        QFETCH(QString, option);
        RouterSimulator sim;
        QStringList options{QStringLiteral("--logged-in")};
        if (!option.isEmpty())
            options << option;
        QVERIFY2(sim.start(options), qPrintable(sim.errorString()));
        const std::unique_ptr<Terminal> terminal = openTerminal(sim, telnet);
        if (telnet) {
            for (const QByteArray line : {"", "manager", "pastry"})
                terminal->sendLine(line);
            QVERIFY(terminal->waitForAnswerEnding("KV700> "));
        }
        // "nofile はありません"
        const QByteArray expected = "delete file=nofile\r\nnofile \x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\r\nKV700> ";
        bool cutSeen = false;
        for (int attempt = 0; attempt < 5 && !cutSeen; ++attempt) {
            terminal->sendLine("delete file=nofile");
            QVERIFY(terminal->waitForAnswerEnding("KV700> "));
            QCOMPARE(terminal->answer(), expected);
            const qsizetype begin = terminal->mark, end = terminal->all.size();
            QList<qsizetype> cuts;
            for (qsizetype at : std::as_const(terminal->readEnds)) {
                if (at > begin && at < end)
                    cuts.append(at);
            }
            if (option == QLatin1String("--one-byte")) {
                cutSeen = !cuts.isEmpty();
            } else if (option == QLatin1String("--split-sjis")) {
                const QList<qsizetype> inside = insideCharacters(expected, begin);
                cutSeen = std::any_of(cuts.begin(), cuts.end(), [&](qsizetype at) { return inside.contains(at); });
            } else {
                cutSeen = true;
            }
        }
        QVERIFY2(cutSeen, "the output always came in one piece");
    }

    // The router's TFTP client against a server played here. Steps, split by "|":
    // "D<block>:<size>" send DATA, "A<block>" expect its ACK, "E<code>:<text>"
    // send ERROR, "e<code>" expect an ERROR, "R" expect the read request
    // again, "G<hex>" send raw bytes, "X<block>:<size>" send DATA from a
    // stranger port and "x5" expect its ERROR 5 there, "N" expect no packet
    // for a moment.
    void tftp_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("fileSize"); // -1: not in flash
        QTest::addColumn<int>("dataReceived");
        QTest::addColumn<int>("requestsSent");
        const QByteArray failed = "\r\nError: TFTP";
        auto row = [](const char *name, QStringList options, const char *steps, QByteArray answer, int fileSize,
                      int dataReceived, int requestsSent = 1) {
            QTest::newRow(name) << options << QString::fromLatin1(steps) << answer << fileSize << dataReceived << requestsSent;
        };
        row("one short block", {}, "D1:100|A1", "File transfer completed (100 bytes)", 100, 1);
        row("two blocks", {}, "D1:512|A1|D2:10|A2", "(522 bytes)", 522, 2);
        row("empty last block", {}, "D1:512|A1|D2:0|A2", "(512 bytes)", 512, 2);
        row("a repeated block is acknowledged again", {"--tftp-timeout", "60000"}, "D1:512|A1|D1:512|A1|D2:1|A2", "(513 bytes)", 513, 3);
        row("a lost block: the server must send it again", {"--drop-tftp", "1", "--tftp-timeout", "60000"},
            "D1:100|N|D1:100|A1", "(100 bytes)", 100, 2);
        row("a lost second block", {"--drop-tftp", "2", "--tftp-timeout", "60000"}, "D1:512|A1|D2:3|N|D2:3|A2",
            "(515 bytes)", 515, 3);
        row("no answer: the request is sent again", {"--tftp-timeout", "1500"}, "R|D1:5|A1", "(5 bytes)", 5, 1, 2);
        row("no answer at all: five requests, then an error", {"--tftp-timeout", "100"}, "R|R|R|R", failed, -1, 0, 5);
        row("an error from the server", {}, "E1:File not found",
            "\r\nError: TFTP \x83\x47\x83\x89\x81\x5b 1: File not found", -1, 0); // エラー
        row("malformed packets are ignored", {}, "G0003|G000900010203|D1:20|A1", "(20 bytes)", 20, 1);
        row("a stranger's port gets an error, the transfer goes on", {}, "D1:512|A1|X2:10|x5|D2:10|A2", "(522 bytes)", 522, 2);
        row("a block larger than 512 bytes ends the transfer", {}, "D1:600|e4", failed, -1, 1);
    }

    void tftp()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, steps);
        QFETCH(QByteArray, answer);
        QFETCH(int, fileSize);
        QFETCH(int, dataReceived);
        QFETCH(int, requestsSent);
        const QHostAddress pc(QStringLiteral("127.0.0.1"));
        QUdpSocket requests, transfer, stranger;
        QVERIFY(requests.bind(pc, 0));
        QVERIFY(transfer.bind(pc, 0));
        QVERIFY(stranger.bind(pc, 0));
        RouterSimulator sim;
        QVERIFY2(sim.start(options + QStringList{"--tftp-port", QString::number(requests.localPort())}, RouterSimulator::Telnet),
                 qPrintable(sim.errorString()));
        TelnetTerminal terminal(sim.telnetPort());
        for (const QByteArray line : {"", "manager", "pastry"})
            terminal.sendLine(line);
        QVERIFY(terminal.waitForAnswerEnding("KV700> "));
        terminal.sendLine("load file=conf.txt server=127.0.0.1 destination=flash");

        auto receive = [](QUdpSocket &socket) -> std::optional<QNetworkDatagram> {
            if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(Patience))
                return std::nullopt;
            return socket.receiveDatagram();
        };
        const QByteArray readRequest = QByteArray("\x00\x01" "conf.txt\x00" "octet\x00", 17);
        std::optional<QNetworkDatagram> request = receive(requests);
        QVERIFY2(request, "no read request");
        QCOMPARE(request->data(), readRequest);
        QCOMPARE(request->senderAddress(), RouterSimulator::routerAddress());
        const quint16 router = quint16(request->senderPort());

        QByteArray file;
        int expectedBlock = 1;
        for (const QString &step : steps.split(QLatin1Char('|'))) {
            const char kind = step.at(0).toLatin1();
            const QStringList args = step.mid(1).split(QLatin1Char(':'));
            const int number = args.at(0).toInt();
            switch (kind) {
            case 'D':
            case 'X': {
                const QByteArray payload = blockPayload(number, args.at(1).toInt());
                if (kind == 'D' && number == expectedBlock) {
                    file += payload;
                    ++expectedBlock;
                }
                (kind == 'D' ? transfer : stranger).writeDatagram(word(3) + word(quint16(number)) + payload, RouterSimulator::routerAddress(), router);
                break;
            }
            case 'A': {
                const std::optional<QNetworkDatagram> ack = receive(transfer);
                QVERIFY2(ack, qPrintable(QStringLiteral("no ACK at %1").arg(step)));
                QCOMPARE(ack->data(), word(4) + word(quint16(number)));
                QCOMPARE(quint16(ack->senderPort()), router);
                break;
            }
            case 'E':
                transfer.writeDatagram(word(5) + word(quint16(number)) + args.at(1).toLatin1() + QByteArray(1, '\0'),
                                       RouterSimulator::routerAddress(), router);
                break;
            case 'e':
            case 'x': {
                const std::optional<QNetworkDatagram> error = receive(kind == 'e' ? transfer : stranger);
                QVERIFY2(error, qPrintable(QStringLiteral("no ERROR at %1").arg(step)));
                QCOMPARE(error->data().left(4), word(5) + word(quint16(number)));
                break;
            }
            case 'R': {
                request = receive(requests);
                QVERIFY2(request, "the request was not sent again");
                QCOMPARE(request->data(), readRequest);
                QCOMPARE(quint16(request->senderPort()), router);
                break;
            }
            case 'G':
                transfer.writeDatagram(QByteArray::fromHex(step.mid(1).toLatin1()), RouterSimulator::routerAddress(), router);
                break;
            case 'N':
                QVERIFY(!transfer.waitForReadyRead(300));
                break;
            default:
                QFAIL(qPrintable(step));
            }
        }
        QVERIFY2(terminal.waitForAnswerEnding("KV700> "), terminal.answer().constData());
        QVERIFY2(terminal.answer().contains(answer), terminal.answer().toPercentEncoding(" :>=()").constData());
        int requestsSeen = 1 + int(steps.split(QLatin1Char('|')).count(QStringLiteral("R")));
        for (; requests.hasPendingDatagrams(); requests.receiveDatagram())
            ++requestsSeen;
        QCOMPARE(requestsSeen, requestsSent);
        const mgtest::RouterState state = sim.state();
        QCOMPARE(state.tftpRequests, 1);
        QCOMPARE(state.tftpDataReceived, dataReceived);
        if (fileSize < 0) {
            QVERIFY(!state.files.contains(QStringLiteral("conf.txt")));
        } else {
            QCOMPARE(file.size(), fileSize);
            QCOMPARE(state.files.value(QStringLiteral("conf.txt")), QString::fromLatin1(file));
        }
    }

    // The state file before anything happened, and after the simulator was
    // told to end: written, with the link gone.
    void startAndStop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void startAndStop()
    {
        QFETCH(int, signal);
        RouterSimulator sim;
        QVERIFY2(sim.start({"--password", "pw1", "--existing", "boot.cfg", "--existing", "old.cfg"}), qPrintable(sim.errorString()));
        QVERIFY(sim.serialDevice().startsWith(QLatin1String("/dev/pts/")));
        QCOMPARE(QFileInfo(sim.serialLink()).symLinkTarget(), sim.serialDevice());
        QVERIFY(sim.telnetPort() != 0);
        const QJsonObject json = sim.stateJson();
        const QStringList keys{"bootConfig", "bootConfigText", "commands", "files", "loginFailures", "managerPassword",
                               "received", "restarts", "tftpDataReceived", "tftpRequests"};
        QCOMPARE(json.keys(), keys);
        QCOMPARE(stateValue(json, "bootConfig"), QStringLiteral("boot.cfg"));
        QVERIFY(json.value("bootConfigText").isString()); // empty, but there
        QCOMPARE(stateValue(json, "managerPassword"), QStringLiteral("pw1"));
        QCOMPARE(stateValue(json, "files"), QStringLiteral("boot.cfg,old.cfg"));

        {
            PtyTerminal console(sim.serialLink());
            console.sendLine("manager");
            QVERIFY(console.waitForAnswerEnding("Password: "));
        }
        QCOMPARE(::kill(pid_t(sim.processId()), signal), 0);
        QVERIFY(QTest::qWaitFor([&] { return !sim.isRunning(); }, Patience));
        QCOMPARE(sim.stop(), 0);
        QVERIFY(!QFileInfo(sim.serialLink()).isSymLink());
        QCOMPARE(sim.state().commands, QStringList{"manager"});
    }

    // The program closes the port and opens it again between steps: the
    // console must still answer.
    void consoleSurvivesReopening()
    {
        RouterSimulator sim;
        QVERIFY2(sim.start({}, RouterSimulator::Serial), qPrintable(sim.errorString()));
        QCOMPARE(sim.telnetPort(), quint16(0));
        for (int round = 0; round < 3; ++round) {
            PtyTerminal console(sim.serialLink());
            console.sendLine("");
            QVERIFY2(console.waitForAnswerEnding("login: "), qPrintable(QStringLiteral("round %1").arg(round)));
        }
        QCOMPARE(sim.state().commands.size(), 3);
    }

    // Bytes no terminal would send, in one line longer than the router
    // keeps: it stays up and goes on answering.
    void garbageInput_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::newRow("console") << false;
        QTest::newRow("telnet") << true;
    }

    void garbageInput()
    {
        QFETCH(bool, telnet);
        RouterSimulator sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        const std::unique_ptr<Terminal> terminal = openTerminal(sim, telnet);
        QRandomGenerator random(20261206);
        QByteArray garbage;
        while (garbage.size() < 100000) {
            const char c = char(random.bounded(256));
            // Line ends would make it many lines; on Telnet an IAC could open
            // a subnegotiation that swallows everything after it.
            if (c != '\r' && c != '\n' && !(telnet && c == '\xff'))
                garbage += c;
        }
        terminal->sendRaw(garbage + "\r\n\r\n");
        QVERIFY(terminal->waitForAnswerEnding("Login incorrect\r\n\r\nlogin: "));
        terminal->sendLine("");
        QVERIFY(terminal->waitForAnswerEnding("\r\nlogin: "));
        QCOMPARE(terminal->answer(), QByteArray("\r\nlogin: "));
        QVERIFY(sim.isRunning());
        QCOMPARE(sim.state().loginFailures, 1);
        QCOMPARE(sim.stop(), 0);
    }

    void badCommandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("unknown option") << QStringList{"--bogus"};
        QTest::newRow("telnet off this machine") << QStringList{"--telnet", "10.0.0.1:23"};
        QTest::newRow("telnet without a port") << QStringList{"--telnet", "127.0.0.2"};
        QTest::newRow("negative delay") << QStringList{"--slow", "-1"};
        QTest::newRow("line rate below one byte a second") << QStringList{"--line-rate", "5"};
        QTest::newRow("account without a name") << QStringList{"--user", ":x"};
        QTest::newRow("manager as an extra account") << QStringList{"--user", "manager:x"};
        QTest::newRow("stray argument") << QStringList{"extra"};
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
