// Port 69 through marrowgate-bind69: the helper's own rules, run as a
// program, and the TFTP server that adopts the socket it hands over.
//
// As root the test moves into a network namespace of its own (only its
// loopback, port 69 free whatever else runs on the machine) and takes the
// right to bind privileged ports out of its own effective set, so that the
// server cannot bind port 69 itself and must ask the helper, which as root
// gets the right back when it starts.

#include "Bind69.h"
#include "BindHelper.h"
#include "ManualTicker.h"
#include "TftpServer.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cstring>

using namespace mg;

namespace {

const QHostAddress Pc(QStringLiteral("127.0.0.1"));
const QHostAddress Router(QStringLiteral("127.0.0.2"));
const QString Helper = QStringLiteral(MG_BIND69);

bool bringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0)
        ::close(fd);
    return up;
}

// Packets sent on loopback so far, from /proc/net/dev (this namespace's).
qint64 loopbackSent()
{
    QFile dev(QStringLiteral("/proc/net/dev"));
    if (!dev.open(QIODevice::ReadOnly))
        return -1;
    // "lo:" may touch its first number; the eight receive columns come
    // first, then the bytes and packets sent.
    for (QByteArray line : dev.readAll().split('\n')) {
        const QList<QByteArray> fields = line.replace(':', ": ").simplified().split(' ');
        if (fields.size() > 10 && fields.first() == "lo:")
            return fields.at(10).toLongLong();
    }
    return -1;
}

// The right to bind privileged ports in this thread's effective set; it
// stays permitted, so it can come back.
bool setBindRight(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const __u32 bit = 1U << CAP_NET_BIND_SERVICE;
    if (on && !(data[0].permitted & bit))
        return false;
    data[0].effective = on ? data[0].effective | bit : data[0].effective & ~bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

struct HelperRun {
    int status = -1;
    QString said;
    int socket = -1; // what came back over the channel
};

// Runs the helper with its channel (the word "@" in words), "file" or
// "stderr" as the channel instead of a Unix socket.
HelperRun runHelper(QStringList words, const QString &channel)
{
    HelperRun run;
    int pair[2] = {-1, -1};
    // Without close-on-exec: the helper inherits its end.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return run;
    int given = pair[1];
    if (channel == QLatin1String("file"))
        given = ::open("/dev/null", O_RDONLY);
    else if (channel == QLatin1String("stderr"))
        given = STDERR_FILENO;
    words.replaceInStrings(QStringLiteral("@"), QString::number(given));
    QProcess helper;
    helper.start(Helper, words);
    helper.waitForFinished(30000);
    ::close(pair[1]);
    if (given != pair[1] && given != STDERR_FILENO)
        ::close(given);
    run.status = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
    run.said = QString::fromUtf8(helper.readAllStandardError());

    run.socket = BindHelper::receiveDescriptor(pair[0]);
    ::close(pair[0]);
    return run;
}

} // namespace

class TestBindHelper : public QObject {
    Q_OBJECT
    bool m_ownNetwork = false;
    bool m_rightDropped = false;

    // The server can no longer bind port 69 itself: skips when this machine
    // lets it anyway, or when the port is taken.
    void requireHelperPath()
    {
        QUdpSocket probe;
        if (probe.bind(Pc, 69, QAbstractSocket::DontShareAddress))
            QSKIP("every program may bind port 69 on this machine: the helper is never asked");
        if (probe.error() == QAbstractSocket::AddressInUseError)
            QSKIP("port 69 on 127.0.0.1 is taken on this machine");
        QCOMPARE(probe.error(), QAbstractSocket::SocketAccessError);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(Helper).isExecutable(), qPrintable(Helper));
        if (geteuid() == 0) {
            m_ownNetwork = ::unshare(CLONE_NEWNET) == 0 && bringLoopbackUp();
            if (!m_ownNetwork)
                qWarning("no network namespace of its own: port 69 on 127.0.0.1 is shared with the machine");
        }
    }

    void init()
    {
        m_rightDropped = geteuid() == 0 && setBindRight(false);
    }

    void cleanup()
    {
        if (m_rightDropped)
            QVERIFY(setBindRight(true));
    }

    // The helper run by hand: what it refuses comes back as a status and a
    // line on standard error, never as a socket.
    void rules_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("status");
        const auto row = [](const char *name, const QStringList &words, int status, const char *channel = "unix") {
            QTest::newRow(name) << QString::fromLatin1(channel) << words << status;
        };
        row("port 69 on this PC's address", {"@", "udp", "127.0.0.1", "69"}, MG_BIND69_OK);
        row("port 53", {"@", "udp", "127.0.0.1", "53"}, MG_BIND69_REFUSED);
        row("port 6969", {"@", "udp", "127.0.0.1", "6969"}, MG_BIND69_REFUSED);
        row("a TCP socket", {"@", "tcp", "127.0.0.1", "69"}, MG_BIND69_REFUSED);
        row("another machine's address", {"@", "udp", "192.0.2.1", "69"}, MG_BIND69_NOT_LOCAL);
        row("every address at once", {"@", "udp", "0.0.0.0", "69"}, MG_BIND69_NOT_LOCAL);
        row("IPv6", {"@", "udp", "::1", "69"}, MG_BIND69_REFUSED);
        row("a short address form", {"@", "udp", "127.1", "69"}, MG_BIND69_REFUSED);
        row("no port", {"@", "udp", "127.0.0.1"}, MG_BIND69_REFUSED);
        row("a word too many", {"@", "udp", "127.0.0.1", "69", "53"}, MG_BIND69_REFUSED);
        row("a file for the channel", {"@", "udp", "127.0.0.1", "69"}, MG_BIND69_REFUSED, "file");
        row("standard error for the channel", {"@", "udp", "127.0.0.1", "69"}, MG_BIND69_REFUSED, "stderr");
    }

    void rules()
    {
        QFETCH(QString, channel);
        QFETCH(QStringList, words);
        QFETCH(int, status);
        const qint64 sentBefore = loopbackSent();
        const HelperRun run = runHelper(words, channel);
        // A socket that came back is closed whatever fails, or port 69
        // stays taken for the rows after.
        const auto closeSocket = qScopeGuard([&run] {
            if (run.socket >= 0)
                ::close(run.socket);
        });
        if (status == MG_BIND69_OK && run.status == MG_BIND69_DENIED)
            QSKIP("the helper has no capability here (not root, no setcap)");
        if (status == MG_BIND69_OK && run.status == MG_BIND69_IN_USE)
            QSKIP("port 69 on 127.0.0.1 is taken on this machine");
        QVERIFY2(run.status == status, qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.said)));
        if (status != MG_BIND69_OK) {
            QCOMPARE(run.socket, -1);
            QVERIFY2(run.said.startsWith(QStringLiteral("marrowgate-bind69: ")), qPrintable(run.said));
            // Nothing else uses this namespace's loopback: a refusal sends nothing.
            if (m_ownNetwork)
                QCOMPARE(loopbackSent(), sentBefore);
            return;
        }
        QVERIFY(run.socket >= 0);
        int type = 0;
        socklen_t length = sizeof(type);
        sockaddr_in local{};
        socklen_t localLength = sizeof(local);
        const bool udp = ::getsockopt(run.socket, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM;
        const bool named = ::getsockname(run.socket, reinterpret_cast<sockaddr *>(&local), &localLength) == 0;
        QVERIFY(udp && named);
        QCOMPARE(local.sin_family, sa_family_t(AF_INET));
        QCOMPARE(ntohs(local.sin_port), quint16(69));
        QCOMPARE(ntohl(local.sin_addr.s_addr), Pc.toIPv4Address());
        QVERIFY2(run.said.isEmpty(), qPrintable(run.said));
    }

    // A program without the right serves a whole file from port 69 on the
    // socket the helper handed over.
    void transferThroughHelper()
    {
        requireHelperPath();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("script.cfg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("login\r\nsave\r\n") == 13);
        file.close();

        mgtest::ManualTickerFactory tickers;
        TftpServer server(tickers);
        server.setRouterAddress(Router);
        server.setFilePath(path);
        server.setBindHelper(Helper);
        const bool listening = server.listen(Pc, 69);
        if (!listening && geteuid() != 0 && server.errorString().contains(QStringLiteral("補助プログラムにもその権限がありません")))
            QSKIP("the helper has no capability here (not root, no setcap)");
        QVERIFY2(listening, qPrintable(server.errorString()));
        QCOMPARE(server.serverPort(), quint16(69));
        QSignalSpy finished(&server, &TftpServer::finished);

        QUdpSocket router;
        QVERIFY(router.bind(Router, 0));
        router.writeDatagram(QByteArray::fromHex("0001") + QByteArray("kv700.cfg\0octet\0", 16), Pc, 69);
        QVERIFY(QTest::qWaitFor([&] { return router.hasPendingDatagrams(); }, 5000));
        const QNetworkDatagram data = router.receiveDatagram();
        QCOMPARE(data.data(), QByteArray::fromHex("00030001") + QByteArray("login\r\nsave\r\n"));
        router.writeDatagram(QByteArray::fromHex("00040001"), Pc, quint16(data.senderPort()));
        QTRY_COMPARE(finished.count(), 1);
    }

    // When neither the program nor the helper can open the port, the
    // message says what to do; another privileged port is never the
    // helper's, and a taken port is no matter of rights.
    void listenFailures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QString>("helper"); // "built", or "missing" in an empty folder
        QTest::addColumn<bool>("held");      // something else holds port 69 first
        QTest::addColumn<QStringList>("parts"); // in order; "@" the helper's path
        QTest::addColumn<QString>("absent");

        QTest::newRow("no helper") << "127.0.0.1" << quint16(69) << "missing" << false
            << QStringList{"UDP ポート 69 を開く権限がありません。\n", "補助プログラム @ がないか、実行できません。",
                           "\n  sudo setcap cap_net_bind_service=+ep @\n", "パッケージからインストールすると"}
            << "";
        QTest::newRow("another privileged port: never through the helper") << "127.0.0.1" << quint16(53) << "built" << false
            << QStringList{"UDP ポート 53 を開く権限がありません。\n", "開けるのは TFTP のポート 69 だけです"}
            << "setcap";
        QTest::newRow("IPv6: the helper opens IPv4 only") << "::1" << quint16(69) << "built" << false
            << QStringList{"UDP ポート 69 を開く権限がありません。\n", "IPv4 のアドレスだけ",
                           "\n  sudo setcap cap_net_bind_service=+ep @\n"}
            << "";
        QTest::newRow("port 69 held by another program") << "127.0.0.1" << quint16(69) << "built" << true
            << QStringList{"UDP ポート 69 (127.0.0.1) を開けません: ほかのプログラムがこのポートを使っています。"}
            << "setcap";
    }

    void listenFailures()
    {
        QFETCH(QString, address);
        QFETCH(quint16, port);
        QFETCH(QString, helper);
        QFETCH(bool, held);
        QFETCH(QStringList, parts);
        QFETCH(QString, absent);
        requireHelperPath();
        QTemporaryDir dir;
        const QString path = helper == QLatin1String("built") ? Helper : dir.filePath(BindHelper::ProgramName);
        QUdpSocket holder;
        if (held) {
            const BindHelperResult taken = BindHelper::bindPort69(Helper, Pc);
            if (taken.status == BindHelperResult::Status::Denied)
                QSKIP("the helper has no capability here (not root, no setcap)");
            QVERIFY2(taken.status == BindHelperResult::Status::Bound, qPrintable(taken.reason));
            QVERIFY(holder.setSocketDescriptor(taken.descriptor, QAbstractSocket::BoundState));
        }

        mgtest::ManualTickerFactory tickers;
        TftpServer server(tickers);
        server.setBindHelper(path);
        QVERIFY(!server.listen(QHostAddress(address), port));
        QVERIFY(!server.isListening());
        const QString text = server.errorString();
        qsizetype at = 0;
        for (QString part : parts) {
            part.replace(QLatin1Char('@'), path);
            const qsizetype found = text.indexOf(part, at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("\"%1\" not in order in:\n%2").arg(part, text)));
            at = found + part.size();
        }
        QVERIFY2(absent.isEmpty() || !text.contains(absent), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestBindHelper)
#include "tst_BindHelper.moc"
