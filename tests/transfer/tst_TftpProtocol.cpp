// The read transfer as bytes in, datagrams out. Expected packets are written
// as literal hex here; only the file's payload is sliced from the test's own
// content, never re-encoded by the code under test.

#include "TftpProtocol.h"

#include <QRegularExpression>
#include <QtTest>

using namespace mg;

namespace {

constexpr quint16 ClientPort = 1069;
constexpr quint16 OtherPort = 2000; // the router's address, not the transfer's port

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
    static const char *const names[] = {"", "progress", "finished", "empty", "toobig", "gaveup", "peererror"};
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
    // tick or a hex datagram, from the client's port or, after "~", from
    // another port of its address; "^" before it: on the listening port.
    // OUTPUT: "-" (nothing), ERROR, TID (Unknown transfer ID to that other
    // port, nothing to the client), or a hex header with "+OFFSET:LENGTH" of
    // the file as payload. @MS: the retransmission wait.
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
            {"rrq -> 0003 0001 +0:512", "0400 0001 -> -", "0003 0001 -> -", "0005 00 -> -", "0001 6100 6f6300 -> -",
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
        // "Disk full"; the client lets go at once, so nothing more goes out.
        row("the client's ERROR ends it mid-file", 1000,
            {"rrq -> 0003 0001 +0:512", "0004 0001 -> 0003 0002 +512:488 | progress 1/2",
             "0005 0003 4469736b2066756c6c00 -> - | peererror 1/2", "0004 0002 -> -", "tick -> -", "~0004 0002 -> -"});
        row("an ERROR with a code alone, before any ACK", 300,
            {"rrq -> 0003 0001 +0:300", "ff05 0000 -> - | peererror 0/1", "tick -> -"});
        row("another port of the router is told Unknown transfer ID and moves nothing", 1000,
            {"rrq -> 0003 0001 +0:512", "~0004 0001 -> TID", "~0001 6b7600 6f6300 -> TID", "~00 -> TID", "~ -> TID",
             "~0005 0005 556e6b6e6f776e00 -> -", "~0005 0003 4469736b00 -> -", "tick -> 0003 0001 +0:512 @2000",
             "~0004 0001 -> TID", "tick -> 0003 0001 +0:512 @4000",
             "0004 0001 -> 0003 0002 +512:488 @1000 | progress 1/2", "~0004 0002 -> TID", "0004 0002 -> - | finished 2/2"});
        row("on the listening port only the client's own ERROR counts", 1000,
            {"rrq -> 0003 0001 +0:512", "^0004 0001 -> -", "^~0005 0003 00 -> -", "^~0004 0001 -> -",
             "tick -> 0003 0001 +0:512 @2000", "^0005 0002 4e6f7420666f756e6400 -> - | peererror 0/2", "0004 0001 -> -"});
        row("a refused request answers no other port", 0, {"rrq -> ERROR | empty", "~0004 0001 -> -", "^0005 0000 -> -"});
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
            QString input = m.captured(1);
            const QString output = m.captured(2);
            const bool listening = input.startsWith(QLatin1Char('^'));
            input.remove(0, int(listening));
            const quint16 from = input.startsWith(QLatin1Char('~')) ? OtherPort : ClientPort;
            const QByteArray datagram = QByteArray::fromHex(input.mid(int(from == OtherPort)).toLatin1());
            const TftpStep s = input == QLatin1String("rrq")    ? transfer.start(file, ClientPort)
                             : input == QLatin1String("tick") ? transfer.timeout()
                             : listening                      ? transfer.receiveOnServerPort(datagram, from)
                                                               : transfer.receive(datagram, from);
            const bool tid = output == QLatin1String("TID");
            QCOMPARE(s.reply, tid ? QByteArray("\x00\x05\x00\x05" "Unknown transfer ID\x00", 24) : QByteArray());
            QCOMPARE(s.replyPort, tid ? OtherPort : quint16(0));
            QByteArray expected = output == QLatin1String("ERROR")
                ? QByteArray("\x00\x05\x00\x01" "File is not found\x00", 22)
                : tid ? QByteArray()
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

    // The router's words reach the operator's terminal and message box: they
    // must read as the router meant them and never act on the terminal.
    void peerError_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("code"); // -1: not an ERROR packet
        QTest::addColumn<QString>("text");
        auto row = [](const char *name, const QByteArray &datagram, int code, const QString &text) {
            QTest::newRow(name) << datagram << code << text;
        };
        const QByteArray head = QByteArray::fromHex("00050003");
        row("plain", head + QByteArray("Disk full or allocation exceeded\0", 33), 3, QStringLiteral("Disk full or allocation exceeded"));
        row("code above 255, no zero at the end", QByteArray::fromHex("0005 0102") + "File not found", 258, QStringLiteral("File not found"));
        row("the text ends at its zero", head + QByteArray("Access\0junk\0", 12), 3, QStringLiteral("Access"));
        row("code alone", QByteArray::fromHex("0005 0000"), 0, QString());
        row("Shift_JIS", head + "nofile \x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1",
            3, QStringLiteral("nofile はありません"));
        // A lead byte without its second byte: not Shift_JIS.
        row("not Shift_JIS reads as Latin-1", head + "Caf\xe9", 3, QStringLiteral("Café"));
        row("escape sequences lose their escape", head + "\x1b[2J\x1b]0;x\x07red\x7f!", 3,
            QStringLiteral("\uFFFD[2J\uFFFD]0;x\uFFFDred\uFFFD!"));
        // 0x9b is a lead byte, so the whole text reads as Latin-1, where it is CSI.
        row("C1 control of Latin-1", head + "x\x9b" "31mred", 3, QStringLiteral("x\uFFFD" "31mred"));
        row("line breaks and tabs become single blanks", head + "\r\n Disk\r\nfull\t\t(flash) \n", 3,
            QStringLiteral("Disk full (flash)"));
        row("200 characters, not bytes, then an ellipsis", head + QByteArray("\x82\xa0").repeated(201), 3,
            QString(200, QChar(0x3042)) + QChar(0x2026));
        row("exactly 200 kept whole", head + QByteArray(200, 'a'), 3, QString(200, QLatin1Char('a')));
        row("too short for a code", QByteArray::fromHex("0005 00"), -1, QString());
    }

    void peerError()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, code);
        QFETCH(QString, text);
        const std::optional<Tftp::ErrorReport> report = Tftp::errorReport(datagram);
        QCOMPARE(report.has_value(), code >= 0);
        if (!report)
            return;
        QCOMPARE(int(report->code), code);
        QCOMPARE(report->text, text);
    }
};

QTEST_GUILESS_MAIN(TestTftpProtocol)
#include "tst_TftpProtocol.moc"
