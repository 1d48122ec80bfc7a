#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <chrono>
#include <optional>

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
};

// What to do after an input: the datagram to send to the client (none when
// empty) and what happened to the transfer.
struct TftpStep {
    QByteArray send;
    TftpEvent event = TftpEvent::None;
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

    // A read request was accepted; content is the whole file. Starts again
    // from block 1 whatever was under way. An empty or too big file answers
    // the refusal packet and fails at once.
    TftpStep start(const QByteArray &content);

    // A datagram that reached the transfer's own socket.
    TftpStep receive(QByteArrayView datagram);

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

private:
    QByteArray packetFor(int block) const;

    QByteArray m_content;
    QByteArray m_sent;
    State m_state = State::Idle;
    int m_block = 0;
    int m_acknowledged = 0;
    int m_total = 0;
    int m_retransmissions = 0;
};

} // namespace mg
