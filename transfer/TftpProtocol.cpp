#include "TftpProtocol.h"

namespace mg {

namespace Tftp {

namespace {

void appendNumber(QByteArray &packet, quint16 value)
{
    packet.append(char(value >> 8));
    packet.append(char(value & 0xff));
}

} // namespace

std::optional<quint8> opcode(QByteArrayView datagram)
{
    if (datagram.size() < 2)
        return std::nullopt;
    return quint8(datagram[1]);
}

std::optional<quint16> acknowledgedBlock(QByteArrayView datagram)
{
    if (datagram.size() < 4 || opcode(datagram) != Acknowledgement)
        return std::nullopt;
    return quint16((quint8(datagram[2]) << 8) | quint8(datagram[3]));
}

QByteArray requestedName(QByteArrayView datagram)
{
    if (datagram.size() <= 2)
        return {};
    const QByteArrayView rest = datagram.sliced(2);
    const qsizetype end = rest.indexOf('\0');
    return (end < 0 ? rest : rest.first(end)).toByteArray();
}

bool servesRequest(QByteArrayView datagram, const QHostAddress &from, const QHostAddress &router)
{
    // A socket bound for both families reports IPv4 senders as mapped
    // addresses; they are still the router.
    return opcode(datagram) == ReadRequest && !router.isNull()
        && from.isEqual(router, QHostAddress::ConvertV4MappedToIPv4);
}

QByteArray dataPacket(quint16 block, QByteArrayView payload)
{
    QByteArray packet;
    packet.reserve(4 + payload.size());
    appendNumber(packet, Data);
    appendNumber(packet, block);
    packet.append(payload);
    return packet;
}

QByteArray fileNotFoundPacket()
{
    QByteArray packet;
    appendNumber(packet, Error);
    appendNumber(packet, 1);
    packet.append("File is not found");
    packet.append('\0');
    return packet;
}

int blockCount(qint64 fileSize)
{
    return int(fileSize / BlockSize) + 1;
}

} // namespace Tftp

TftpStep TftpTransfer::start(const QByteArray &content)
{
    m_retransmissions = 0;
    m_acknowledged = 0;
    m_block = 0;
    m_sent.clear();
    m_content.clear();
    m_total = 0;
    if (content.isEmpty() || content.size() > Tftp::MaxFileSize) {
        m_state = State::Failed;
        return {Tftp::fileNotFoundPacket(), content.isEmpty() ? TftpEvent::EmptyFile : TftpEvent::FileTooBig};
    }
    m_content = content;
    m_total = Tftp::blockCount(content.size());
    m_state = State::Sending;
    m_block = 1;
    m_sent = packetFor(m_block);
    return {m_sent, TftpEvent::None};
}

TftpStep TftpTransfer::receive(QByteArrayView datagram)
{
    if (m_state != State::Sending)
        return {};
    const std::optional<quint16> block = Tftp::acknowledgedBlock(datagram);
    // Anything but the acknowledgement of the outstanding block is a stray or
    // a duplicate: answering it would start a second stream of blocks.
    if (!block || *block != m_block)
        return {};
    m_acknowledged = m_block;
    m_retransmissions = 0;
    if (m_block == m_total) {
        m_state = State::Finished;
        m_sent.clear();
        m_content.clear();
        return {{}, TftpEvent::Finished};
    }
    ++m_block;
    m_sent = packetFor(m_block);
    return {m_sent, TftpEvent::Progress};
}

TftpStep TftpTransfer::timeout()
{
    if (m_state != State::Sending)
        return {};
    if (m_retransmissions >= MaxRetransmissions) {
        m_state = State::Failed;
        m_content.clear();
        return {{}, TftpEvent::GaveUp};
    }
    ++m_retransmissions;
    return {m_sent, TftpEvent::None};
}

QByteArray TftpTransfer::packetFor(int block) const
{
    const qint64 offset = qint64(block - 1) * Tftp::BlockSize;
    return Tftp::dataPacket(quint16(block), QByteArrayView(m_content).sliced(offset, qMin<qint64>(Tftp::BlockSize, m_content.size() - offset)));
}

} // namespace mg
