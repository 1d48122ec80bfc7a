// The server on loopback: the router is 127.0.0.2, this PC 127.0.0.1 (the
// data socket takes the client's port number, so the two need addresses of
// their own). A scripted client loses packets on purpose; curl against the
// program itself is tst_TftpServe's.

#include "ManualTicker.h"
#include "TftpServer.h"

#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace mg;

namespace {

const QHostAddress Pc(QStringLiteral("127.0.0.1"));
const QHostAddress Router(QStringLiteral("127.0.0.2"));
const QHostAddress Stranger(QStringLiteral("127.0.0.3"));
const QByteArray Request = QByteArray::fromHex("0001") + QByteArray("kv700.cfg\0octet\0", 16);

QByteArray content(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 37 + (i >> 9) * 11);
    return bytes;
}

bool bindAt(QUdpSocket &socket, const QHostAddress &address)
{
    socket.abort();
    return socket.bind(address, 0, QAbstractSocket::DontShareAddress);
}

} // namespace

class TestTftpServer : public QObject {
    Q_OBJECT
private slots:
    // A client's script, step by step: "rrq" and "ack N" from the router
    // ("@3" from another host, "~" from another port of the router), "junk
    // HEX" to the listening port and "junkdata HEX" to the data port, "recv
    // HEX +OFFSET:LENGTH" the next datagram ("recv~" on that other port),
    // "quiet" none comes, "tick MS" fires the retransmission ticker set to
    // MS, "idle" no ticker runs, "finished"/"failed TEXT" the signal ("failed
    // =TEXT": exactly that message), "newport"/"vanish" the client moves or
    // goes, "block" something on this PC holds the client's port number.
    void scenario_data()
    {
        QTest::addColumn<qint64>("size"); // -1: no file, -2: a folder
        QTest::addColumn<QStringList>("steps");
        const QString d1 = QStringLiteral("recv 0003 0001 +0:512");
        const QString d2 = QStringLiteral("recv 0003 0002 +512:488");
        const QString only = QStringLiteral("recv 0003 0001 +0:300");
        const QString refused = QStringLiteral("recv 0005 0001 46696c65206973206e6f7420666f756e64 00");
        const QString unknownTid = QStringLiteral("recv~ 0005 0005 556e6b6e6f776e207472616e73666572204944 00");
        const QString aborted = QStringLiteral("failed =ルータが TFTP の転送を中止しました (エラー %1)。");
        auto row = [](const char *name, qint64 size, const QStringList &steps) { QTest::newRow(name) << size << steps; };
        row("no ACK at all: gives up", 300,
            {"rrq", only, "tick 1000", only, "tick 2000", only, "tick 4000", only, "tick 8000", only, "tick 16000", only,
             "tick 32000", "quiet", "failed 応答がありません", "idle", "ack 1", "quiet"});
        row("another host is not served", 1000, {"rrq@3", "quiet", "idle", "rrq", d1, "ack@3 1", "quiet", "ack 1", d2, "ack 2", "finished"});
        row("client's port taken on this PC", 300, {"block", "rrq", only, "ack 1", "finished"});
        row("client gone, then back on another port", 1000,
            {"rrq", d1, "vanish", "tick 1000", "tick 2000", "newport", "rrq", d1, "ack 1", d2, "tick 1000", d2, "ack 2", "finished", "idle"});
        row("malformed datagrams ignored", 300,
            {"junk 00", "junk ", "junk 0004 0001", "junk 0002 6100 6f6300", "quiet", "junk ff01 6b763730302e63666700", only,
             "junkdata 04", "junkdata ", "junkdata 0001", "quiet", "ack 1", "finished"});
        row("missing file", -1, {"rrq", refused, "failed がありません", "idle"});
        row("empty file", 0, {"rrq", refused, "failed が空です", "idle"});
        row("a folder", -2, {"rrq", refused, "failed 読み込めません", "idle"});
        row("the router's ERROR ends it at once, its words in the message", 1000,
            {"rrq", d1, "ack 1", d2, "junkdata 0005 0003 4469736b2066756c6c00",
             aborted.arg(3) + QStringLiteral("\nルータからのメッセージ: Disk full"), "idle", "ack 2", "quiet"});
        row("an ERROR with a code alone", 300, {"rrq", only, "junkdata 0005 0001", aborted.arg(1), "idle"});
        row("another port of the router: Unknown transfer ID, the transfer goes on", 1000,
            {"rrq", d1, "ack~ 1", unknownTid, "quiet", "junkdata~ 0001 6b7637303000 6f6374657400", unknownTid,
             "junkdata~ 0005 0003 00", "quiet", "tick 1000", d1, "ack 1", d2, "ack~ 2", unknownTid, "quiet", "ack 2",
             "finished", "idle"});
        row("the router's ERROR on the listening port ends it too", 1000,
            {"rrq", d1, "junk~ 0005 0003 00", "junk 0004 0001", "quiet", "junk 0005 0002 4e6f7420666f756e6400",
             aborted.arg(2) + QStringLiteral("\nルータからのメッセージ: Not found"), "idle"});
        // Made sparse: it costs no disk.
        row("too big", qint64(65535) * 512, {"rrq", refused, "failed 大きすぎます", "idle"});
    }

    void scenario()
    {
        QFETCH(qint64, size);
        QFETCH(QStringList, steps);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("script.cfg"));
        const QByteArray file = content(size > 0 && size <= Tftp::MaxFileSize ? size : 0);
        QFile out(path);
        if (size == -2)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("script.cfg")));
        else if (size >= 0)
            QVERIFY(out.open(QIODevice::WriteOnly) && (size > Tftp::MaxFileSize ? out.resize(size) : out.write(file) == size));
        out.close();

        mgtest::ManualTickerFactory tickers;
        TftpServer server(tickers);
        server.setRouterAddress(Router);
        server.setFilePath(path);
        QVERIFY2(server.listen(Pc, 0), qPrintable(server.errorString()));
        QSignalSpy requests(&server, &TftpServer::requestReceived);
        QSignalSpy finished(&server, &TftpServer::finished);
        QSignalSpy failed(&server, &TftpServer::failed);
        QUdpSocket router, other, stranger, blocker;
        QVERIFY(bindAt(router, Router) && bindAt(other, Router) && bindAt(stranger, Stranger));
        bool portTaken = false, expectFinished = false, expectFailed = false;
        quint16 dataPort = 0;
        int routerRequests = 0;

        for (const QString &step : steps) {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            const QByteArray hex = QByteArray::fromHex(arg.toLatin1());
            QUdpSocket &client = verb.endsWith(QLatin1String("@3")) ? stranger
                               : verb.endsWith(QLatin1Char('~'))   ? other
                                                                    : router;
            if (verb.startsWith(QLatin1String("rrq"))) {
                routerRequests += &client == &router;
                client.writeDatagram(Request, Pc, server.serverPort());
            } else if (verb.startsWith(QLatin1String("ack"))) {
                const int block = arg.toInt();
                client.writeDatagram(QByteArray::fromHex("0004") + char(block >> 8) + char(block & 0xff), Pc, dataPort);
            } else if (verb.startsWith(QLatin1String("junkdata"))) {
                client.writeDatagram(hex, Pc, dataPort);
            } else if (verb.startsWith(QLatin1String("junk"))) {
                routerRequests += hex.size() >= 2 && hex[1] == 1; // byte 1 alone is the opcode
                client.writeDatagram(hex, Pc, server.serverPort());
            } else if (verb.startsWith(QLatin1String("recv"))) {
                QVERIFY2(QTest::qWaitFor([&] { return client.hasPendingDatagrams(); }, 5000), qPrintable(step));
                const QNetworkDatagram got = client.receiveDatagram();
                QByteArray expected = QByteArray::fromHex(arg.section(QLatin1Char('+'), 0, 0).toLatin1());
                if (arg.contains(QLatin1Char('+')))
                    expected += file.mid(arg.section(QLatin1Char('+'), 1).section(QLatin1Char(':'), 0, 0).toLongLong(),
                                         arg.section(QLatin1Char(':'), 1).toLongLong());
                QVERIFY2(got.data() == expected, qPrintable(step + QStringLiteral(": got ") + QString::fromLatin1(got.data().left(8).toHex(' '))));
                QVERIFY(got.senderAddress().isEqual(Pc, QHostAddress::ConvertV4MappedToIPv4));
                if (&client == &other) {
                    // Answered from the transfer's own socket, which stays.
                    QCOMPARE(quint16(got.senderPort()), dataPort);
                    continue;
                }
                // The client's own port number, unless something on this PC holds it.
                QCOMPARE(got.senderPort() == router.localPort(), !portTaken);
                QVERIFY(got.senderPort() != server.serverPort());
                dataPort = quint16(got.senderPort());
            } else if (verb == QLatin1String("quiet")) {
                QTest::qWait(200); // can only miss a fault on a slow machine, never invent one
                QVERIFY2(!router.hasPendingDatagrams(), qPrintable(router.receiveDatagram().data().left(8).toHex(' ')));
                QVERIFY(!stranger.hasPendingDatagrams());
                QVERIFY2(!other.hasPendingDatagrams(), qPrintable(other.receiveDatagram().data().left(8).toHex(' ')));
            } else if (verb == QLatin1String("tick")) {
                mgtest::ManualTicker *ticker = tickers.find(TftpServer::RetransmitTicker);
                QVERIFY(ticker);
                QCOMPARE(qint64(ticker->interval().count()), arg.toLongLong());
                QVERIFY(ticker->fire());
            } else if (verb == QLatin1String("idle")) {
                QVERIFY(!tickers.anyActive());
            } else if (verb == QLatin1String("finished")) {
                expectFinished = true;
                QTRY_COMPARE(finished.count(), 1);
            } else if (verb == QLatin1String("failed")) {
                expectFailed = true;
                QTRY_COMPARE(failed.count(), 1);
                const QString message = failed.first().first().toString();
                if (arg.startsWith(QLatin1Char('=')))
                    QCOMPARE(message, arg.mid(1));
                else
                    QVERIFY2(message.contains(arg), qPrintable(message));
            } else if (verb == QLatin1String("newport")) {
                QVERIFY(bindAt(router, Router));
            } else if (verb == QLatin1String("vanish")) {
                router.abort();
            } else if (verb == QLatin1String("block")) {
                portTaken = true;
                QVERIFY(blocker.bind(Pc, router.localPort()) || blocker.error() == QAbstractSocket::AddressInUseError);
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
        QCOMPARE(finished.count(), int(expectFinished));
        QCOMPARE(failed.count(), int(expectFailed));
        QCOMPARE(requests.count(), routerRequests);
        for (const QList<QVariant> &request : requests)
            QCOMPARE(request.first().toString(), QStringLiteral("kv700.cfg"));
    }

    // Root binds port 69 anyway, so the wording of a refused port 69 is
    // checked here: the remedy is the helper's capability, never the
    // program's. The refusals themselves are tst_BindHelper's.
    void privilegedPortText()
    {
        const QString text = tftpListenErrorText(Pc, 69, true, QStringLiteral("補助プログラムにもその権限がありません。"),
                                                 QStringLiteral("/opt/mg/marrowgate-bind69"));
        QVERIFY2(text.startsWith(QStringLiteral("UDP ポート 69 を開く権限がありません。\n"))
                     && text.contains(QStringLiteral("\n  sudo setcap cap_net_bind_service=+ep /opt/mg/marrowgate-bind69\n"))
                     && !text.contains(QStringLiteral("+ep /opt/mg/marrowgate\n")),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestTftpServer)
#include "tst_TftpServer.moc"
