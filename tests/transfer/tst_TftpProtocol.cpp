// The read transfer as bytes in, datagrams out. Expected packets are written
// as literal hex here; only the file's payload is sliced from the test's own
// content, never re-encoded by the code under test.

#include "TftpProtocol.h"

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

const QByteArray NotFound("\x00\x05\x00\x01" "File is not found\x00", 22);

QString eventName(TftpEvent e)
{
    switch (e) {
    case TftpEvent::None: return {};
    case TftpEvent::Progress: return QStringLiteral("progress");
    case TftpEvent::Finished: return QStringLiteral("finished");
    case TftpEvent::EmptyFile: return QStringLiteral("empty");
    case TftpEvent::FileTooBig: return QStringLiteral("toobig");
    case TftpEvent::GaveUp: return QStringLiteral("gaveup");
    }
    return QStringLiteral("?");
}

} // namespace

class TestTftpProtocol : public QObject {
    Q_OBJECT
private slots:
    // A step: "INPUT -> OUTPUT [@MS] [| EVENT [ACKED/TOTAL]]".
    // INPUT: rrq | tick | hex datagram | "acks A..B" (each ACK answered by the
    // next block). OUTPUT: "-" (nothing), ERROR, or a hex header with
    // "+OFFSET:LENGTH" of the file as payload. @MS: the retransmission wait.
    void transfer_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("0 bytes: refused") << qint64(0) << QStringList{
            "rrq -> ERROR | empty", "0004 0001 -> -", "0004 0000 -> -", "tick -> -"};
        QTest::newRow("300 bytes") << qint64(300) << QStringList{
            "rrq -> 0003 0001 +0:300 @1000", "0004 0001 -> - | finished 1/1", "0004 0001 -> -", "tick -> -"};
        QTest::newRow("512 bytes end with an empty block") << qint64(512) << QStringList{
            "rrq -> 0003 0001 +0:512", "0004 0001 -> 0003 0002 +512:0 | progress 1/2", "0004 0002 -> - | finished 2/2"};
        QTest::newRow("1000 bytes, duplicate ACKs send nothing") << qint64(1000) << QStringList{
            "rrq -> 0003 0001 +0:512", "0004 0001 -> 0003 0002 +512:488 | progress 1/2",
            "0004 0001 -> -", "0004 0001 -> -", "0004 0002 -> - | finished 2/2"};
        QTest::newRow("131072 bytes: block 256 is 01 00") << qint64(131072) << QStringList{
            "rrq -> 0003 0001 +0:512", "acks 1..254", "0004 00ff -> 0003 0100 +130560:512 | progress 255/257",
            "0004 0100 -> 0003 0101 +131072:0 | progress 256/257", "0004 0101 -> - | finished 257/257"};
        QTest::newRow("largest file ends at block 65535") << Tftp::MaxFileSize << QStringList{
            "rrq -> 0003 0001 +0:512", "acks 1..65533", "0004 fffe -> 0003 ffff +33553408:511 | progress 65534/65535",
            "0004 ffff -> - | finished 65535/65535"};
        QTest::newRow("a block more is refused") << Tftp::MaxFileSize + 1 << QStringList{
            "rrq -> ERROR | toobig", "0004 0001 -> -"};
        QTest::newRow("only byte 1 is the opcode") << qint64(1000) << QStringList{
            "rrq -> 0003 0001 +0:512", "0400 0001 -> -", "0003 0001 -> -", "0005 0001 00 -> -", "0001 6100 6f6300 -> -",
            "ff04 0001 -> 0003 0002 +512:488 | progress 1/2"};
        QTest::newRow("ACKs of other blocks and short ones ignored") << qint64(1000) << QStringList{
            "rrq -> 0003 0001 +0:512", "0004 0000 -> -", "0004 0002 -> -", "0004 0101 -> -", "0004 00 -> -", "00 -> -",
            "0004 0001 ffff -> 0003 0002 +512:488 | progress 1/2"};
        QTest::newRow("second request restarts from block 1") << qint64(1000) << QStringList{
            "rrq -> 0003 0001 +0:512", "0004 0001 -> 0003 0002 +512:488 | progress 1/2", "tick -> 0003 0002 +512:488 @2000",
            "rrq -> 0003 0001 +0:512 @1000", "0004 0002 -> -", "0004 0001 -> 0003 0002 +512:488 | progress 1/2"};
        QTest::newRow("five retransmissions, doubling, then failure") << qint64(300) << QStringList{
            "rrq -> 0003 0001 +0:300 @1000", "tick -> 0003 0001 +0:300 @2000", "tick -> 0003 0001 +0:300 @4000",
            "tick -> 0003 0001 +0:300 @8000", "tick -> 0003 0001 +0:300 @16000", "tick -> 0003 0001 +0:300 @32000",
            "tick -> - | gaveup", "0004 0001 -> -", "tick -> -"};
        QTest::newRow("an ACK starts the retransmissions afresh") << qint64(1000) << QStringList{
            "rrq -> 0003 0001 +0:512", "tick -> 0003 0001 +0:512 @2000", "tick -> 0003 0001 +0:512 @4000",
            "0004 0001 -> 0003 0002 +512:488 @1000 | progress 1/2", "tick -> 0003 0002 +512:488", "tick -> 0003 0002 +512:488",
            "tick -> 0003 0002 +512:488", "tick -> 0003 0002 +512:488", "tick -> 0003 0002 +512:488 @32000", "tick -> - | gaveup"};
    }

    void transfer()
    {
        QFETCH(qint64, size);
        QFETCH(QStringList, steps);
        const QByteArray file = content(size);
        TftpTransfer transfer;
        const auto expectPacket = [&](const QString &wanted) {
            if (wanted == QLatin1String("-"))
                return QByteArray();
            if (wanted == QLatin1String("ERROR"))
                return NotFound;
            const QStringList parts = wanted.split(QLatin1Char('+'));
            QByteArray packet = QByteArray::fromHex(parts[0].toLatin1());
            if (parts.size() > 1) {
                const QStringList range = parts[1].split(QLatin1Char(':'));
                packet += file.mid(range[0].toLongLong(), range[1].toLongLong());
            }
            return packet;
        };
        for (const QString &step : steps) {
            const QString input = step.section(QStringLiteral(" -> "), 0, 0);
            QString output = step.section(QStringLiteral(" -> "), 1).section(QLatin1Char('|'), 0, 0).trimmed();
            const QStringList event = step.section(QLatin1Char('|'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            qint64 interval = -1;
            if (output.contains(QLatin1Char('@'))) {
                interval = output.section(QLatin1Char('@'), 1).toLongLong();
                output = output.section(QLatin1Char('@'), 0, 0).trimmed();
            }
            if (input.startsWith(QLatin1String("acks "))) {
                const QStringList bounds = input.mid(5).split(QStringLiteral(".."));
                for (int b = bounds[0].toInt(); b <= bounds[1].toInt(); ++b) {
                    const TftpStep s = transfer.receive(QByteArray::fromHex("0004") + char(b >> 8) + char(b & 0xff));
                    QByteArray header = QByteArray::fromHex("0003") + char((b + 1) >> 8) + char((b + 1) & 0xff);
                    if (s.send != header + file.mid(qint64(b) * 512, 512) || s.event != TftpEvent::Progress)
                        QFAIL(qPrintable(QStringLiteral("ACK of block %1 not answered by the next block").arg(b)));
                }
                continue;
            }
            const TftpStep s = input == QLatin1String("rrq")    ? transfer.start(file)
                             : input == QLatin1String("tick") ? transfer.timeout()
                                                               : transfer.receive(QByteArray::fromHex(input.toLatin1()));
            const QByteArray expected = expectPacket(output);
            if (s.send != expected)
                QFAIL(qPrintable(QStringLiteral("%1: sent %2").arg(step, QString::fromLatin1(s.send.left(8).toHex(' ')))));
            QCOMPARE(eventName(s.event), event.value(0));
            if (interval >= 0)
                QCOMPARE(qint64(transfer.retransmitInterval().count()), interval);
            if (event.size() > 1)
                QCOMPARE(QStringLiteral("%1/%2").arg(transfer.blocksAcknowledged()).arg(transfer.blocksTotal()), event[1]);
        }
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("router");
        QTest::addColumn<bool>("served");
        QTest::addColumn<QByteArray>("name");
        const QByteArray rrq = QByteArray::fromHex("0001") + QByteArray("kv700.cfg\0octet\0", 16);
        QTest::newRow("the router's") << rrq << "127.0.0.2" << "127.0.0.2" << true << QByteArray("kv700.cfg");
        QTest::newRow("another host's") << rrq << "127.0.0.3" << "127.0.0.2" << false << QByteArray("kv700.cfg");
        QTest::newRow("mapped IPv4 is the router") << rrq << "::ffff:127.0.0.2" << "127.0.0.2" << true << QByteArray("kv700.cfg");
        QTest::newRow("no router set") << rrq << "127.0.0.2" << "" << false << QByteArray("kv700.cfg");
        QTest::newRow("byte 0 not examined") << QByteArray::fromHex("ff01") + "a\0" << "127.0.0.2" << "127.0.0.2" << true << QByteArray("a");
        QTest::newRow("bare opcode, no name") << QByteArray::fromHex("0001") << "127.0.0.2" << "127.0.0.2" << true << QByteArray();
        QTest::newRow("name without its zero") << QByteArray::fromHex("0001") + "abc" << "127.0.0.2" << "127.0.0.2" << true << QByteArray("abc");
        QTest::newRow("write request") << QByteArray::fromHex("0002") + "a\0" << "127.0.0.2" << "127.0.0.2" << false << QByteArray("a");
        QTest::newRow("one byte") << QByteArray::fromHex("01") << "127.0.0.2" << "127.0.0.2" << false << QByteArray();
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
