#include "UdpEndpoint.h"

#include <QNetworkDatagram>
#include <QPointer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cstring>

namespace mg {

UdpEndpoint::UdpEndpoint(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::drain);
}

bool UdpEndpoint::bind(const QHostAddress &address, quint16 port)
{
    close();
    m_error.clear();
    m_permissionDenied = false;
    // Never shared: a port that another socket holds must be refused, so that
    // the caller moves elsewhere instead of splitting datagrams with it.
    if (m_socket.bind(address, port, QAbstractSocket::DontShareAddress))
        return true;
    m_errorKind = m_socket.error();
    m_permissionDenied = m_errorKind == QAbstractSocket::SocketAccessError;
    m_error = m_socket.errorString();
    m_socket.abort();
    return false;
}

bool UdpEndpoint::adopt(int descriptor)
{
    close();
    m_error.clear();
    m_permissionDenied = false;
    if (m_socket.setSocketDescriptor(descriptor, QAbstractSocket::BoundState))
        return true;
    m_errorKind = m_socket.error();
    m_error = m_socket.errorString();
    m_socket.abort();
    // Qt closes a descriptor it gave up on after looking at it, but not
    // one it could not look at; a socket still bound is ours to close, or
    // it would keep the port from the next try.
    sockaddr_storage local{};
    socklen_t length = sizeof(local);
    if (::getsockname(descriptor, reinterpret_cast<sockaddr *>(&local), &length) == 0)
        ::close(descriptor);
    return false;
}

void UdpEndpoint::close()
{
    m_socket.abort();
}

bool UdpEndpoint::isBound() const
{
    return m_socket.state() == QAbstractSocket::BoundState;
}

quint16 UdpEndpoint::localPort() const
{
    return m_socket.localPort();
}

QHostAddress UdpEndpoint::localAddress() const
{
    return m_socket.localAddress();
}

bool UdpEndpoint::send(const QByteArray &datagram, const QHostAddress &host, quint16 port)
{
    if (!isBound()) {
        m_errorKind = QAbstractSocket::UnknownSocketError;
        m_error = QStringLiteral("ソケットが開いていません。");
        return false;
    }
    if (m_socket.writeDatagram(datagram, host, port) == datagram.size())
        return true;
    m_errorKind = m_socket.error();
    m_error = m_socket.errorString();
    return false;
}

QString UdpEndpoint::errorString() const
{
    return m_error;
}

bool UdpEndpoint::permissionDenied() const
{
    return m_permissionDenied;
}

QAbstractSocket::SocketError UdpEndpoint::error() const
{
    return m_errorKind;
}

void UdpEndpoint::drain()
{
    // A receiver may close this socket (or delete it later) from its slot;
    // stop reading then.
    const QPointer<UdpEndpoint> self(this);
    while (self && isBound() && m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        // A pending ICMP error reads as a failed datagram: it is not data,
        // and looping on it would never end.
        if (!datagram.isValid())
            break;
        emit datagramReceived(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

QHostAddress UdpEndpoint::localAddressTowards(const QHostAddress &peer)
{
    // Connecting a datagram socket only asks the routing table which source
    // address it would use; no packet leaves the machine.
    const bool v6 = peer.protocol() == QAbstractSocket::IPv6Protocol;
    if (!v6 && peer.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    QHostAddress result;
    sockaddr_storage local{};
    socklen_t length = sizeof(local);
    int connected = -1;
    if (v6) {
        sockaddr_in6 to{};
        to.sin6_family = AF_INET6;
        to.sin6_port = htons(9);
        const Q_IPV6ADDR bytes = peer.toIPv6Address();
        std::memcpy(&to.sin6_addr, &bytes, sizeof(to.sin6_addr));
        to.sin6_scope_id = peer.scopeId().toUInt();
        connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof(to));
    } else {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        to.sin_addr.s_addr = htonl(peer.toIPv4Address());
        connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof(to));
    }
    if (connected == 0 && ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) == 0)
        result.setAddress(reinterpret_cast<const sockaddr *>(&local));
    ::close(fd);
    return result;
}

} // namespace mg
