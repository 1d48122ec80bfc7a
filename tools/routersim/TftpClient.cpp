#include "TftpClient.h"

#include <QNetworkDatagram>

#include <cstdio>

namespace mg::routersim {

namespace {

enum Opcode : quint16 { ReadRequest = 1, WriteRequest = 2, Data = 3, Ack = 4, Error = 5 };

quint16 word(const QByteArray &packet, qsizetype at)
{
    return quint16((quint8(packet.at(at)) << 8) | quint8(packet.at(at + 1)));
}

QByteArray withWord(quint16 value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value >> 8);
    bytes[1] = char(value & 0xFF);
    return bytes;
}

QByteArray errorPacket(quint16 code, const char *message)
{
    return withWord(Error) + withWord(code) + QByteArray(message) + QByteArray(1, '\0');
}

void note(const QString &text)
{
    std::fprintf(stderr, "routersim: TFTP: %s\n", qPrintable(text));
}

} // namespace

TftpClient::TftpClient(QHostAddress local, QHostAddress server, quint16 serverPort, QByteArray fileName,
                       std::chrono::milliseconds timeout, DataFilter filter, bool strayAck, QObject *parent)
    : QObject(parent), m_local(std::move(local)), m_server(std::move(server)), m_serverPort(serverPort),
      m_fileName(std::move(fileName)), m_filter(std::move(filter)), m_strayAck(strayAck)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeout);
    connect(&m_timer, &QTimer::timeout, this, &TftpClient::timedOut);
    connect(&m_socket, &QUdpSocket::readyRead, this, &TftpClient::readPending);
    connect(&m_stray, &QUdpSocket::readyRead, this, &TftpClient::readStray);
}

void TftpClient::start()
{
    if (!m_socket.bind(m_local, 0)) {
        const QString error = QStringLiteral("Error: TFTP ソケットを開けません (%1)").arg(m_socket.errorString());
        QMetaObject::invokeMethod(this, [this, error] { fail(error); }, Qt::QueuedConnection);
        return;
    }
    m_stage = Stage::Transferring;
    m_last = withWord(ReadRequest) + m_fileName + QByteArray(1, '\0') + QByteArray("octet") + QByteArray(1, '\0');
    m_tries = 0;
    sendLast();
}

void TftpClient::sendLast()
{
    ++m_tries;
    const quint16 port = m_transferPort != 0 ? m_transferPort : m_serverPort;
    m_socket.writeDatagram(m_last, m_server, port);
    m_timer.start();
}

void TftpClient::acknowledge(quint16 block)
{
    m_last = withWord(Ack) + withWord(block);
    m_tries = 0;
    sendLast();
}

void TftpClient::readPending()
{
    // The server answers the stray port before it sends anything more to
    // this one: counted first, the answer is in the state file by the time
    // the load's outcome is printed (unless the first block was the last).
    readStray();
    while (m_socket.state() == QAbstractSocket::BoundState && m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid())
            continue;
        if (m_stage != Stage::Transferring && m_stage != Stage::Lingering)
            continue;
        handle(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void TftpClient::sendStrayAck()
{
    m_straySent = true;
    if (!m_stray.bind(m_local, 0)) {
        note(QStringLiteral("no second port for the stray acknowledgement: %1").arg(m_stray.errorString()));
        return;
    }
    m_stray.writeDatagram(withWord(Ack) + withWord(1), m_server, m_transferPort);
}

void TftpClient::readStray()
{
    while (m_stray.state() == QAbstractSocket::BoundState && m_stray.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_stray.receiveDatagram();
        if (!datagram.isValid())
            break;
        const QByteArray packet = datagram.data();
        if (datagram.senderAddress().isEqual(m_server, QHostAddress::ConvertV4MappedToIPv4) && packet.size() >= 4
            && word(packet, 0) == Error && word(packet, 2) == 5)
            emit unknownTransferIdHeard();
        else
            note(QStringLiteral("the second port got %1 bytes that are not ERROR 5").arg(packet.size()));
    }
}

void TftpClient::handle(const QByteArray &packet, const QHostAddress &from, quint16 fromPort)
{
    if (!from.isEqual(m_server, QHostAddress::ConvertV4MappedToIPv4)) {
        note(QStringLiteral("ignored a packet from %1, not the server").arg(from.toString()));
        return;
    }
    if (packet.size() < 4 || (word(packet, 0) != Data && word(packet, 0) != Error)) {
        note(QStringLiteral("ignored a malformed packet of %1 bytes").arg(packet.size()));
        return;
    }
    if (m_transferPort != 0 && fromPort != m_transferPort) {
        m_socket.writeDatagram(errorPacket(5, "Unknown transfer ID"), from, fromPort);
        return;
    }
    const quint16 opcode = word(packet, 0);
    const quint16 block = word(packet, 2);
    if (opcode == Error) {
        if (m_stage == Stage::Lingering)
            return;
        const QByteArray message = packet.mid(4).split('\0').constFirst();
        fail(QStringLiteral("Error: TFTP エラー %1: %2").arg(block).arg(QString::fromLatin1(message)));
        return;
    }
    const DataFate fate = m_filter();
    if (fate == DataFate::Lost)
        return; // lost on the way: nothing arrived
    if (m_transferPort == 0)
        m_transferPort = fromPort;
    const QByteArray payload = packet.mid(4);
    if (payload.size() > BlockSize) {
        m_socket.writeDatagram(errorPacket(4, "Illegal TFTP operation"), from, fromPort);
        fail(QStringLiteral("Error: TFTP 不正なパケットを受信しました (%1 バイトのブロック)").arg(payload.size()));
        return;
    }
    // Once the file is whole, finished() has been emitted; it is not taken back.
    if (fate == DataFate::Refused && m_stage == Stage::Transferring) {
        m_socket.writeDatagram(errorPacket(3, "Disk full or allocation exceeded"), from, fromPort);
        // The terminal's line follows the packet a moment later, so that a
        // test sees which of the two the program reports, however busy the
        // machine: the packet, which carries the router's reason.
        m_stage = Stage::Done;
        m_timer.stop();
        m_socket.close();
        QTimer::singleShot(500, this, [this] { fail(QStringLiteral("Error: TFTP フラッシュメモリに空きがありません")); });
        return;
    }
    if (m_stage == Stage::Lingering) {
        if (block == m_lastBlock)
            acknowledge(block);
        return;
    }
    if (block == m_expected) {
        if (m_data.size() + payload.size() > MaxFileSize) {
            m_socket.writeDatagram(errorPacket(3, "Disk full or allocation exceeded"), from, fromPort);
            fail(QStringLiteral("Error: TFTP ファイルが大きすぎます"));
            return;
        }
        m_data += payload;
        m_lastBlock = block;
        if (m_strayAck && !m_straySent && block == 1)
            sendStrayAck();
        ++m_expected; // wraps after 65535 as the block number does
        acknowledge(block);
        if (payload.size() < BlockSize)
            complete();
    } else if (m_expected != 1 && block == m_lastBlock) {
        // The server missed our acknowledgement.
        m_socket.writeDatagram(m_last, m_server, m_transferPort);
    }
}

void TftpClient::timedOut()
{
    if (m_stage == Stage::Lingering) {
        m_stage = Stage::Done;
        m_socket.close();
        deleteLater();
        return;
    }
    if (m_stage != Stage::Transferring)
        return;
    if (m_tries >= MaxTries) {
        fail(QStringLiteral("Error: TFTP サーバから応答がありません"));
        return;
    }
    sendLast();
}

void TftpClient::complete()
{
    m_stage = Stage::Lingering;
    m_timer.start();
    emit finished(true, m_data, QString());
}

void TftpClient::fail(const QString &error)
{
    m_stage = Stage::Done;
    m_timer.stop();
    m_socket.close();
    deleteLater();
    emit finished(false, QByteArray(), error);
}

} // namespace mg::routersim
