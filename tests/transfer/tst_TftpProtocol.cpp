// The read transfer as bytes in, datagrams out. Expected packets are written
// as literal hex here; only the file's payload is sliced from the test's own
// content, never re-encoded by the code under test.

#include "TftpProtocol.h"

#include <QRegularExpression>
#include <QtTest>

using namespace mg;

namespace {

// Each byte depends on its block too, so a block sent from the wrong offset
// never matches by accident.
QByteArray content(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 37 + (i >> 9) * 11);
    return bytes;
}

QString eventName(TftpEvent e)
{
    static const char *const names[] = {"", "progress", "finished", "empty", "toobig", "gaveup"};
    return QString::fromLatin1(names[int(e)]);
}

// ACKs of blocks from..to, each answered by the next full block.
QStringList acks(int from, int to)
{
    QStringList steps;
    for (int b = from; b <= to; ++b)
        steps << QStringLiteral("0004 %1 -> 0003 %2 +%3:512 | progress")
                     .arg(b, 4, 16, QLatin1Char('0')).arg(b + 1, 4, 16, QLatin1Char('0')).arg(qint64(b) * 512);
    return steps;
}

} // namespace

class TestTftpProtocol : public QObject {
    Q_OBJECT
private slots:
    // A step: "INPUT -> OUTPUT [@MS] [| EVENT [ACKED/TOTAL]]". INPUT: rrq,
    // tick or a hex datagram. OUTPUT: "-" (nothing), ERROR, or a hex header
    // with "+OFFSET:LENGTH" of the file as payload. @MS: the retransmission wait.
    void transfer_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QStringList>("steps");
        auto row = [](const char *name, qint64 size, const QStringList &steps) { QTest::newRow(name) << size << steps; };
        row("0 bytes: refused", 0, {"rrq -> ERROR | empty", "0004 0001 -> -", "0004 0000 -> -", "tick -> -"});
        row("512 bytes end with an empty block, nothing after the end", 512,
            {"rrq -> 0003 0001 +0:512 @1000", "0004 0001 -> 0003 0002 +512:0 | progress 1/2",
             "0004 0002 -> - | finished 2/2", "0004 0002 -> -", "tick -> -"});
        // Every block number on the way, 00ff to 0100 included, is checked.
        row("largest file ends at block 65535", Tftp::MaxFileSize,
            QStringList{"rrq -> 0003 0001 +0:512"} + acks(1, 65533)
                + QStringList{"0004 fffe -> 0003 ffff +33553408:511 | progress 65534/65535",
                              "0004 ffff -> - | finished 65535/65535"});
        row("a block more is refused", Tftp::MaxFileSize + 1, {"rrq -> ERROR | toobig", "0004 0001 -> -"});
        row("stray, duplicate and malformed datagrams send nothing, only byte 1 is the opcode", 1000,
            {"rrq -> 0003 0001 +0:512", "0400 0001 -> -", "0003 0001 -> -", "0005 0001 00 -> -", "0001 6100 6f6300 -> -",
             "0004 0000 -> -", "0004 0002 -> -", "0004 0101 -> -", "0004 00 -> -", "00 -> -",
             "ff04 0001 ffff -> 0003 0002 +512:488 | progress 1/2", "0004 0001 -> -", "0004 0002 -> - | finished 2/2"});
        row("second request restarts from block 1", 1000,
            {"rrq -> 0003 0001 +0:512", "0004 0001 -> 0003 0002 +512:488 | progress 1/2", "tick -> 0003 0002 +512:488 @2000",
             "rrq -> 0003 0001 +0:512 @1000", "0004 0002 -> -", "0004 0001 -> 0003 0002 +512:488 | progress 1/2"});
        row("an ACK starts the retransmissions afresh; five, doubling, then failure", 1000,
            {"rrq -> 0003 0001 +0:512", "tick -> 0003 0001 +0:512 @2000", "tick -> 0003 0001 +0:512 @4000",
             "0004 0001 -> 0003 0002 +512:488 @1000 | progress 1/2", "tick -> 0003 0002 +512:488 @2000",
             "tick -> 0003 0002 +512:488 @4000", "tick -> 0003 0002 +512:488 @8000", "tick -> 0003 0002 +512:488 @16000",
             "tick -> 0003 0002 +512:488 @32000", "tick -> - | gaveup", "0004 0002 -> -", "tick -> -"});
    }

    void transfer()
    {
        QFETCH(qint64, size);
        QFETCH(QStringList, steps);
        static const QRegularExpression form(
            QStringLiteral("^(.+) -> ([^@|]+?)(?: @(\\d+))?(?: \\| (\\w+)(?: (\\S+))?)?$"));
        const QByteArray file = content(size);
        TftpTransfer transfer;
        for (const QString &step : steps) {
            const QRegularExpressionMatch m = form.match(step);
            QVERIFY2(m.hasMatch(), qPrintable(step));
            const QString input = m.captured(1), output = m.captured(2);
            const TftpStep s = input == QLatin1String("rrq")    ? transfer.start(file)
                             : input == QLatin1String("tick") ? transfer.timeout()
                                                               : transfer.receive(QByteArray::fromHex(input.toLatin1()));
            QByteArray expected = output == QLatin1String("ERROR")
                ? QByteArray("\x00\x05\x00\x01" "File is not found\x00", 22)
                : QByteArray::fromHex(output.section(QLatin1Char('+'), 0, 0).toLatin1()); // "-" reads as nothing
            if (output.contains(QLatin1Char('+')))
                expected += file.mid(output.section(QLatin1Char('+'), 1).section(QLatin1Char(':'), 0, 0).toLongLong(),
                                     output.section(QLatin1Char(':'), 1).toLongLong());
            QVERIFY2(s.send == expected, qPrintable(step + QStringLiteral(": sent ") + QString::fromLatin1(s.send.left(8).toHex(' '))));
            QCOMPARE(eventName(s.event), m.captured(4));
            if (m.hasCaptured(3))
                QCOMPARE(qint64(transfer.retransmitInterval().count()), m.captured(3).toLongLong());
            if (m.hasCaptured(5))
                QCOMPARE(QStringLiteral("%1/%2").arg(transfer.blocksAcknowledged()).arg(transfer.blocksTotal()), m.captured(5));
        }
    }

    // Only the router's read requests are served: the file carries the
    // manager account. (Other hosts, write requests and byte 0 at the
    // server: tst_TftpServer.)
    void requests_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("router");
        QTest::addColumn<bool>("served");
        QTest::addColumn<QByteArray>("name");
        const QByteArray rrq = QByteArray::fromHex("0001") + QByteArray("kv700.cfg\0octet\0", 16);
        auto row = [](const char *name, const QByteArray &datagram, const char *from, const char *router, bool served,
                      const QByteArray &requested) { QTest::newRow(name) << datagram << from << router << served << requested; };
        row("the router's", rrq, "127.0.0.2", "127.0.0.2", true, "kv700.cfg");
        row("mapped IPv4 is the router", rrq, "::ffff:127.0.0.2", "127.0.0.2", true, "kv700.cfg");
        row("no router set", rrq, "127.0.0.2", "", false, "kv700.cfg");
        row("bare opcode, no name", QByteArray::fromHex("0001"), "127.0.0.2", "127.0.0.2", true, {});
        row("name without its zero", QByteArray::fromHex("0001") + "abc", "127.0.0.2", "127.0.0.2", true, "abc");
        row("one byte", QByteArray::fromHex("01"), "127.0.0.2", "127.0.0.2", false, {});
    }

    void requests()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, from);
        QFETCH(QString, router);
        QFETCH(bool, served);
        QFETCH(QByteArray, name);
        QCOMPARE(Tftp::servesRequest(datagram, QHostAddress(from), QHostAddress(router)), served);
        QCOMPARE(Tftp::requestedName(datagram), name);
    }
};

QTEST_GUILESS_MAIN(TestTftpProtocol)
#include "tst_TftpProtocol.moc"
