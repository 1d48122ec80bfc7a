#include "TelnetLink.h"

#include "AddressChecks.h"
#include "ShiftJis.h"

#include <QTcpSocket>

namespace mg {

TelnetLink::TelnetLink(QObject *parent) : QObject(parent) {}

TelnetLink::~TelnetLink()
{
    if (m_socket)
        m_socket->abort();
}

void TelnetLink::setRemotePort(quint16 port) { m_port = port; }

quint16 TelnetLink::remotePort() const { return m_port; }

void TelnetLink::connectToRouter(const QString &address)
{
    release();
    m_parser.reset();
    m_error.clear();
    // A socket per connection: a closed one may still be flushing its last
    // lines while the next connection starts, and its late signals must not
    // reach the new one.
    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, [this] {
        m_state = State::Connected;
        emit connected();
    });
    connect(socket, &QTcpSocket::readyRead, this, &TelnetLink::onReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &TelnetLink::onError);
    // The close normally comes as an error first; this catches the rest.
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (m_state == State::Connected)
            peerClosed();
    });
    m_state = State::Connecting;
    // Never a name lookup or the resolver's reading of the text ("010" as
    // octal, "127.1" as shorthand): what is not four decimal numbers is no
    // address, and the connection fails as to an unknown host.
    const std::optional<quint32> host = readDottedQuad(address);
    socket->connectToHost(host ? QHostAddress(*host) : QHostAddress(), m_port);
}

void TelnetLink::close()
{
    release();
    m_parser.reset();
    m_state = State::Closed;
}

// Detaches the socket from the link and lets it finish on its own: pending
// output still goes out, then it deletes itself.
void TelnetLink::release()
{
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    disconnect(socket, nullptr, this, nullptr);
    if (socket->state() == QAbstractSocket::ConnectedState) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            return;
    } else {
        socket->abort();
    }
    socket->deleteLater();
}

TelnetLink::State TelnetLink::state() const { return m_state; }

QHostAddress TelnetLink::localAddress() const
{
    if (m_state != State::Connected || !m_socket)
        return QHostAddress();
    return m_socket->localAddress();
}

bool TelnetLink::send(const QString &text)
{
    if (m_state != State::Connected || !m_socket) {
        m_error = QStringLiteral("ルーターに接続されていません。");
        return false;
    }
    // cp932 never produces the byte 255, so no IAC needs doubling.
    const std::optional<QByteArray> bytes = ShiftJis::encode(text);
    if (!bytes) {
        m_error = QStringLiteral("Shift_JIS で表せない文字が含まれています。");
        return false;
    }
    if (m_socket->write(*bytes) != bytes->size()) {
        m_error = m_socket->errorString();
        return false;
    }
    return true;
}

QString TelnetLink::errorString() const { return m_error; }

void TelnetLink::onReadyRead()
{
    if (!m_socket)
        return;
    const RouterOutput out = m_parser.feed(m_socket->readAll());
    if (!out.text.isEmpty())
        emit received(out.text, out.error);
}

void TelnetLink::onError()
{
    if (!m_socket)
        return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError && m_state == State::Connected) {
        peerClosed();
        return;
    }
    m_error = m_socket->errorString();
    m_state = State::Error;
    release();
    emit failed(m_error);
}

void TelnetLink::peerClosed()
{
    // Whatever came with the close is still shown before the link goes.
    onReadyRead();
    if (!m_socket)
        return; // the window closed the link on those last words
    m_state = State::Closed;
    release();
    m_parser.reset();
    emit closedByPeer();
}

} // namespace mg
