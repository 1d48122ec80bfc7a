// The server on loopback: the router is 127.0.0.2, this PC 127.0.0.1 (the
// data socket takes the client's port number, so the two need addresses of
// their own). A scripted client loses packets on purpose; curl checks that a
// client written by others gets the file whole.

#include "ManualTicker.h"
#include "TftpServer.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QStandardPaths>
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

// A file of that size in dir; -1: none at all, -2: a folder. A file too big
// to serve is made sparse, so it costs no disk.
QString makeFile(const QTemporaryDir &dir, qint64 size)
{
    const QString path = dir.filePath(QStringLiteral("script.cfg"));
    if (size == -2)
        QDir(dir.path()).mkdir(QStringLiteral("script.cfg"));
    QFile file(path);
    if (size >= 0 && file.open(QIODevice::WriteOnly))
        size > Tftp::MaxFileSize ? void(file.resize(size)) : void(file.write(content(size)));
    return path;
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
    // A client's script, step by step (see scenario()).
    void scenario_data()
    {
        QTest::addColumn<qint64>("size");   // -1: no file, -2: a folder
        QTest::addColumn<QStringList>("steps");
        const QString d1 = QStringLiteral("recv 0003 0001 +0:512");
        const QString d2 = QStringLiteral("recv 0003 0002 +512:488");
        const QString only = QStringLiteral("recv 0003 0001 +0:300");
        const QString refused = QStringLiteral("recv 0005 0001 46696c65206973206e6f7420666f756e64 00");
        QTest::newRow("first DATA lost") << qint64(1000) << QStringList{
            "rrq", d1, "tick 1000", d1, "ack 1", d2, "ack 2", "finished", "idle"};
        QTest::newRow("final ACK lost twice") << qint64(1000) << QStringList{
            "rrq", d1, "ack 1", d2, "tick 1000", d2, "tick 2000", d2, "ack 2", "finished", "idle"};
        QTest::newRow("no ACK at all: gives up") << qint64(300) << QStringList{
            "rrq", only, "tick 1000", only, "tick 2000", only, "tick 4000", only, "tick 8000", only, "tick 16000", only,
            "tick 32000", "quiet", "failed 応答がありません", "idle", "ack 1", "quiet"};
        QTest::newRow("another host is not served") << qint64(1000) << QStringList{
            "rrq@3", "quiet", "idle", "rrq", d1, "ack@3 1", "quiet", "ack 1", d2, "ack 2", "finished"};
        QTest::newRow("second request restarts on its own port") << qint64(1000) << QStringList{
            "rrq", d1, "ack 1", d2, "newport", "rrq", d1, "ack 1", d2, "ack 2", "finished"};
        QTest::newRow("client's port taken on this PC") << qint64(300) << QStringList{
            "block", "rrq", only, "ack 1", "finished"};
        QTest::newRow("client gone, then back") << qint64(300) << QStringList{
            "rrq", only, "vanish", "tick 1000", "tick 2000", "newport", "rrq", only, "ack 1", "finished"};
        QTest::newRow("malformed datagrams ignored") << qint64(300) << QStringList{
            "junk 00", "junk ", "junk 0004 0001", "junk 0002 6100 6f6300", "quiet", "junk ff01 6b763730302e63666700", only,
            "junkdata 04", "junkdata ", "junkdata 0001", "quiet", "ack 1", "finished"};
        QTest::newRow("missing file") << qint64(-1) << QStringList{"rrq", refused, "failed がありません", "idle"};
        QTest::newRow("empty file") << qint64(0) << QStringList{"rrq", refused, "failed が空です", "idle"};
        QTest::newRow("a folder") << qint64(-2) << QStringList{"rrq", refused, "failed 読み込めません", "idle"};
        QTest::newRow("too big") << qint64(65535) * 512 << QStringList{"rrq", refused, "failed 大きすぎます", "idle"};
    }

    void scenario()
    {
        QFETCH(qint64, size);
        QFETCH(QStringList, steps);
        QTemporaryDir dir;
        const QByteArray file = content(qMax<qint64>(size, 0));
        mgtest::ManualTickerFactory tickers;
        TftpServer server(tickers);
        server.setRouterAddress(Router);
        server.setFilePath(makeFile(dir, size));
        QVERIFY2(server.listen(Pc, 0), qPrintable(server.errorString()));
        QSignalSpy requests(&server, &TftpServer::requestReceived);
        QSignalSpy finished(&server, &TftpServer::finished);
        QSignalSpy failed(&server, &TftpServer::failed);
        QUdpSocket router, stranger, blocker;
        QVERIFY(bindAt(router, Router) && bindAt(stranger, Stranger));
        bool portTaken = false, expectFinished = false, expectFailed = false;
        quint16 dataPort = 0;
        int routerRequests = 0;

        for (const QString &step : steps) {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            const QByteArray hex = QByteArray::fromHex(arg.toLatin1());
            const auto ack = [&](int block) { return QByteArray::fromHex("0004") + char(block >> 8) + char(block & 0xff); };
            if (verb == QLatin1String("rrq")) {
                ++routerRequests;
                router.writeDatagram(Request, Pc, server.serverPort());
            } else if (verb == QLatin1String("rrq@3")) {
                stranger.writeDatagram(Request, Pc, server.serverPort());
            } else if (verb == QLatin1String("junk")) {
                routerRequests += hex.size() >= 2 && hex[1] == 1; // byte 1 alone is the opcode
                router.writeDatagram(hex, Pc, server.serverPort());
            } else if (verb == QLatin1String("junkdata")) {
                router.writeDatagram(hex, Pc, dataPort);
            } else if (verb == QLatin1String("ack")) {
                router.writeDatagram(ack(arg.toInt()), Pc, dataPort);
            } else if (verb == QLatin1String("ack@3")) {
                stranger.writeDatagram(ack(arg.toInt()), Pc, dataPort);
            } else if (verb == QLatin1String("recv")) {
                QVERIFY2(QTest::qWaitFor([&] { return router.hasPendingDatagrams(); }, 5000), qPrintable(step));
                const QNetworkDatagram got = router.receiveDatagram();
                QByteArray expected = QByteArray::fromHex(arg.section(QLatin1Char('+'), 0, 0).toLatin1());
                if (arg.contains(QLatin1Char('+')))
                    expected += file.mid(arg.section(QLatin1Char('+'), 1).section(QLatin1Char(':'), 0, 0).toLongLong(),
                                         arg.section(QLatin1Char(':'), 1).toLongLong());
                QVERIFY2(got.data() == expected, qPrintable(step + QStringLiteral(": got ") + QString::fromLatin1(got.data().left(8).toHex(' '))));
                QVERIFY(got.senderAddress().isEqual(Pc, QHostAddress::ConvertV4MappedToIPv4));
                // The client's own port number, unless something on this PC holds it.
                QCOMPARE(got.senderPort() == router.localPort(), !portTaken);
                QVERIFY(got.senderPort() != server.serverPort());
                dataPort = quint16(got.senderPort());
            } else if (verb == QLatin1String("quiet")) {
                QTest::qWait(200); // can only miss a fault on a slow machine, never invent one
                QVERIFY2(!router.hasPendingDatagrams(), qPrintable(router.receiveDatagram().data().toHex(' ')));
                QVERIFY(!stranger.hasPendingDatagrams());
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
                QVERIFY2(failed.first().first().toString().contains(arg), qPrintable(failed.first().first().toString()));
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

    void curl_data()
    {
        QTest::addColumn<qint64>("size");
        for (qint64 size : {0, 300, 512, 1000, 131072})
            QTest::addRow("%lld bytes", size) << size;
    }

    // The production tickers and a client from Debian; curl's exit status 68
    // is the server's "file not found".
    void curl()
    {
        QFETCH(qint64, size);
        const QString curlProgram = QStandardPaths::findExecutable(QStringLiteral("curl"));
        if (curlProgram.isEmpty())
            QSKIP("curl is not installed");
        QTemporaryDir dir;
        QtTickerFactory tickers;
        TftpServer server(tickers);
        server.setRouterAddress(Router);
        server.setFilePath(makeFile(dir, size));
        QVERIFY2(server.listen(Pc, 0), qPrintable(server.errorString()));
        QSignalSpy finished(&server, &TftpServer::finished);
        QSignalSpy failed(&server, &TftpServer::failed);
        QSignalSpy progress(&server, &TftpServer::progress);

        QProcess client;
        const QString out = dir.filePath(QStringLiteral("received"));
        client.start(curlProgram, {"-s", "-S", "--interface", "127.0.0.2", "-o", out,
                                   QStringLiteral("tftp://127.0.0.1:%1/anyname").arg(server.serverPort())});
        QSignalSpy done(&client, &QProcess::finished);
        QVERIFY(done.wait(60000));
        if (size == 0) {
            QCOMPARE(client.exitCode(), 68);
            QCOMPARE(failed.count(), 1);
            return;
        }
        QVERIFY2(client.exitCode() == 0, client.readAllStandardError().constData());
        QFile received(out);
        QVERIFY(received.open(QIODevice::ReadOnly));
        QVERIFY(received.readAll() == content(size));
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(failed.count(), 0);
        const int blocks = int(size / 512 + 1);
        QCOMPARE(progress.last(), (QList<QVariant>{blocks, blocks}));
    }

    void listenRefused()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(Pc, 0));
        mgtest::ManualTickerFactory tickers;
        TftpServer server(tickers);
        QVERIFY(!server.listen(Pc, holder.localPort()));
        QVERIFY(!server.isListening());
        QVERIFY2(server.errorString().contains(QString::number(holder.localPort()))
                     && server.errorString().contains(QStringLiteral("使っています")),
                 qPrintable(server.errorString()));
        // Running as root binds port 69 anyway: the wording of a refused
        // privileged port is checked here, the refusal itself by the command's test.
        const QString text = TftpListenErrorText(Pc, 69, true, QStringLiteral("Permission denied"), QStringLiteral("/opt/mg/marrowgate"));
        QVERIFY2(text.contains(QStringLiteral("UDP ポート 69 "))
                     && text.contains(QStringLiteral("sudo setcap cap_net_bind_service=+ep /opt/mg/marrowgate")),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestTftpServer)
#include "tst_TftpServer.moc"
