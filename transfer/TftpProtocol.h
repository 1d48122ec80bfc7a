#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <chrono>
#include <optional>
#include <utility>

// The file server's side of the router's "load file=" download, as bytes in
// and datagrams out. No sockets here: TftpServer owns those and only carries
// what this code decides.

namespace mg {

namespace Tftp {

inline constexpr int BlockSize = 512;
inline constexpr int LastBlock = 65535;
// Blocks 1..65535 and the last one short: a file of 65535 * 512 bytes or more
// would need block 65536, which two bytes cannot carry.
inline constexpr qint64 MaxFileSize = qint64(LastBlock) * BlockSize - 1;

enum Opcode : quint8 { ReadRequest = 1, Data = 3, Acknowledgement = 4, Error = 5 };

// The opcode of an incoming datagram. The router's packets are read by byte 1
// alone (byte 0 is not examined); nothing for a datagram shorter than two bytes.
std::optional<quint8> opcode(QByteArrayView datagram);

// The block an acknowledgement names; nothing when the datagram is not one
// or is too short to carry a block number.
std::optional<quint16> acknowledgedBlock(QByteArrayView datagram);

// The file name of a read request, up to its terminating zero byte (or the
// end of a malformed request). Shown to the operator, never used to choose
// the file.
QByteArray requestedName(QByteArrayView datagram);

// Whether a datagram on the listening port is a read request to serve:
// only the router's are, since the file carries the manager account.
bool servesRequest(QByteArrayView datagram, const QHostAddress &from, const QHostAddress &router);

QByteArray dataPacket(quint16 block, QByteArrayView payload);

// The one refusal the router is ever sent, whatever the cause.
QByteArray fileNotFoundPacket();

// The answer to a datagram that reaches a transfer's socket from the
// router's address but another port: it belongs to no transfer of ours.
QByteArray unknownTransferIdPacket();

// Characters of the router's error text kept for the operator.
inline constexpr int ErrorTextLimit = 200;

// Why the router ended a transfer, as its ERROR packet said.
struct ErrorReport {
    quint16 code = 0;
    // Fit to show on a terminal or in a box: Shift_JIS, or Latin-1 where
    // the bytes are not valid Shift_JIS; every control or format character
    // replaced (an escape sequence must not reach the operator's terminal),
    // blanks collapsed, at most ErrorTextLimit characters and an ellipsis.
    QString text;
};

// The code and text of an ERROR packet, up to the text's zero byte (or the
// end of the datagram); nothing for any other datagram, or one too short to
// carry a code.
std::optional<ErrorReport> errorReport(QByteArrayView datagram);

// Blocks needed for a file of that size, counting the empty block that ends
// a file whose size is a multiple of 512.
int blockCount(qint64 fileSize);

} // namespace Tftp

enum class TftpEvent {
    None,
    Progress,    // an acknowledgement moved the transfer on
    Finished,    // the final block was acknowledged
    EmptyFile,   // refused: nothing to send
    FileTooBig,  // refused: it would need block 65536 or more
    GaveUp,      // retransmissions exhausted without an acknowledgement
    PeerError,   // the client ended the transfer with an ERROR packet
};

// What to do after an input: the datagram to send to the client (none when
// empty) and what happened to the transfer. A datagram from another port of
// the client's address is answered there alone (reply to replyPort), and
// the transfer, its retransmission period included, stays as it was.
struct TftpStep {
    TftpStep() = default;
    TftpStep(QByteArray send, TftpEvent event) : send(std::move(send)), event(event) {}

    QByteArray send;
    TftpEvent event = TftpEvent::None;
    QByteArray reply;
    quint16 replyPort = 0;
};

// One read transfer, from the accepted request to its last acknowledgement.
// Lock-step: one DATA block is outstanding at a time; only the
// acknowledgement of that block moves on, so a duplicate acknowledgement
// never sends a block twice.
class TftpTransfer {
public:
    enum class State { Idle, Sending, Finished, Failed };

    static constexpr std::chrono::milliseconds FirstTimeout{1000};
    static constexpr int MaxRetransmissions = 5;

    // A read request from clientPort was accepted; content is the whole
    // file. Starts again from block 1 whatever was under way. An empty or too
    // big file answers the refusal packet and fails at once.
    TftpStep start(const QByteArray &content, quint16 clientPort);

    // A datagram from the client's address that reached the transfer's own
    // socket from fromPort.
    TftpStep receive(QByteArrayView datagram, quint16 fromPort);

    // A datagram from the client's address on the listening port that is
    // not a read request. Only an ERROR from the client's port counts there:
    // a client that gives up before our first block reaches it knows no
    // other port of ours. Nothing else is answered on that port.
    TftpStep receiveOnServerPort(QByteArrayView datagram, quint16 fromPort);

    // The retransmission period elapsed without the awaited acknowledgement:
    // send the block again, or give up after the last retransmission.
    TftpStep timeout();

    State state() const { return m_state; }
    // How long to wait for the acknowledgement of what was sent last; it
    // doubles with each retransmission.
    std::chrono::milliseconds retransmitInterval() const { return FirstTimeout * (1 << m_retransmissions); }
    int blocksAcknowledged() const { return m_acknowledged; }
    int blocksTotal() const { return m_total; }
    quint16 currentBlock() const { return quint16(m_block); }
    int retransmissions() const { return m_retransmissions; }
    quint16 clientPort() const { return m_clientPort; }
    // What the client said when the event was PeerError.
    const Tftp::ErrorReport &peerError() const { return m_peerError; }

private:
    QByteArray packetFor(int block) const;
    TftpStep endedByPeer(const Tftp::ErrorReport &error);

    QByteArray m_content;
    QByteArray m_sent;
    State m_state = State::Idle;
    int m_block = 0;
    int m_acknowledged = 0;
    int m_total = 0;
    int m_retransmissions = 0;
    quint16 m_clientPort = 0;
    Tftp::ErrorReport m_peerError;
};

} // namespace mg
