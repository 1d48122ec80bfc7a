#include "TftpProtocol.h"

#include "ShiftJis.h"

namespace mg {

namespace Tftp {

namespace {

void appendNumber(QByteArray &packet, quint16 value)
{
    packet.append(char(value >> 8));
    packet.append(char(value & 0xff));
}

QByteArray errorPacket(quint16 code, const char *text)
{
    QByteArray packet;
    appendNumber(packet, Error);
    appendNumber(packet, code);
    packet.append(text);
    packet.append('\0');
    return packet;
}

bool isShown(char32_t c)
{
    // Line and paragraph separators count as printable, yet they break a
    // one-line message as a line feed would.
    return QChar::isPrint(c) && QChar::category(c) != QChar::Separator_Line
        && QChar::category(c) != QChar::Separator_Paragraph;
}

QString shownText(const QString &text)
{
    QString shown;
    for (const char32_t c : text.toUcs4()) {
        if (c == '\t' || c == '\n' || c == '\r')
            shown += QLatin1Char(' ');
        else if (isShown(c))
            shown += QString::fromUcs4(&c, 1);
        else
            shown += QChar(QChar::ReplacementCharacter);
    }
    shown = shown.simplified();
    const QList<uint> points = shown.toUcs4();
    if (points.size() <= ErrorTextLimit)
        return shown;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData()), ErrorTextLimit)
        + QChar(0x2026);
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
    return errorPacket(1, "File is not found");
}

QByteArray unknownTransferIdPacket()
{
    return errorPacket(5, "Unknown transfer ID");
}

std::optional<ErrorReport> errorReport(QByteArrayView datagram)
{
    if (datagram.size() < 4 || opcode(datagram) != Error)
        return std::nullopt;
    QByteArrayView raw = datagram.sliced(4);
    if (const qsizetype end = raw.indexOf('\0'); end >= 0)
        raw = raw.first(end);
    const QByteArray bytes = raw.toByteArray();
    const std::optional<QString> text = ShiftJis::decodeStrict(bytes);
    return ErrorReport{quint16((quint8(datagram[2]) << 8) | quint8(datagram[3])),
                       shownText(text ? *text : QString::fromLatin1(bytes))};
}

int blockCount(qint64 fileSize)
{
    return int(fileSize / BlockSize) + 1;
}

} // namespace Tftp

TftpStep TftpTransfer::start(const QByteArray &content, quint16 clientPort)
{
    m_clientPort = clientPort;
    m_peerError = {};
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

TftpStep TftpTransfer::receive(QByteArrayView datagram, quint16 fromPort)
{
    if (m_state != State::Sending)
        return {};
    if (fromPort != m_clientPort) {
        // Another program on the router, or a transfer it has left behind:
        // it is told so and never moves this one. An ERROR is not answered,
        // so that two ends that each take the other for a stranger cannot
        // bounce errors back and forth.
        if (Tftp::opcode(datagram) == Tftp::Error)
            return {};
        TftpStep step;
        step.reply = Tftp::unknownTransferIdPacket();
        step.replyPort = fromPort;
        return step;
    }
    if (const std::optional<Tftp::ErrorReport> error = Tftp::errorReport(datagram))
        return endedByPeer(*error);
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

TftpStep TftpTransfer::receiveOnServerPort(QByteArrayView datagram, quint16 fromPort)
{
    if (m_state != State::Sending || fromPort != m_clientPort)
        return {};
    if (const std::optional<Tftp::ErrorReport> error = Tftp::errorReport(datagram))
        return endedByPeer(*error);
    return {};
}

TftpStep TftpTransfer::endedByPeer(const Tftp::ErrorReport &error)
{
    // The client has let the transfer go: an answer, even a retransmission,
    // would reach nobody.
    m_state = State::Failed;
    m_peerError = error;
    m_sent.clear();
    m_content.clear();
    return {{}, TftpEvent::PeerError};
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
