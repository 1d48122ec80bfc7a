#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

namespace mg {

// A bound UDP socket: datagrams in with their source, out to any host and
// port. Socket faults never reach the caller as anything but a false answer
// and errorString(): a stray ICMP error must not end a transfer or crash.
class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    explicit UdpEndpoint(QObject *parent = nullptr);

    // Binds exclusively, so a port another socket holds is refused rather
    // than shared. False with errorString() when it cannot be bound;
    // permissionDenied() tells a privileged port the program may not use.
    bool bind(const QHostAddress &address, quint16 port);
    // Takes over a UDP socket bound elsewhere (port 69 from the helper,
    // BindHelper). The endpoint owns the descriptor from then on: when it
    // cannot take it, it closes it and answers false with errorString().
    bool adopt(int descriptor);
    void close();
    bool isBound() const;
    quint16 localPort() const;
    QHostAddress localAddress() const;
    bool send(const QByteArray &datagram, const QHostAddress &host, quint16 port);
    QString errorString() const;
    bool permissionDenied() const;
    // The kind of the last failure of bind() or send().
    QAbstractSocket::SocketError error() const;

    // This PC's address on the route to peer (the source address the system
    // would choose); a null address when there is no route. Sends nothing.
    static QHostAddress localAddressTowards(const QHostAddress &peer);

signals:
    void datagramReceived(const QByteArray &data, const QHostAddress &from, quint16 port);

private:
    void drain();

    QUdpSocket m_socket;
    QString m_error;
    QAbstractSocket::SocketError m_errorKind = QAbstractSocket::UnknownSocketError;
    bool m_permissionDenied = false;
};

} // namespace mg
