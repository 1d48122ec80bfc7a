#pragma once

#include "RouterOutputParser.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;

namespace mg {

// The Telnet connection to the router's console: text in Shift_JIS both
// ways, option negotiation dropped from what the router prints.
class TelnetLink : public QObject {
    Q_OBJECT
public:
    // close() ends a connection at once: there is no state of closing.
    enum class State { Closed, Connecting, Connected, Error };
    Q_ENUM(State)
    static constexpr quint16 DefaultPort = 23;

    explicit TelnetLink(QObject *parent = nullptr);
    ~TelnetLink() override;

    void setRemotePort(quint16 port);
    quint16 remotePort() const;

    // Drops any connection there was and connects anew.
    void connectToRouter(const QString &address);
    // Back to Closed, ready to connect anew. What was sent is still
    // delivered; nothing more is received.
    void close();
    State state() const;
    // This PC's address on the connection; null when there is none.
    QHostAddress localAddress() const;

    bool send(const QString &text);
    QString errorString() const;

signals:
    void connected();
    void received(const QString &text, bool containsError);
    void failed(const QString &description);
    // The router ended the connection (it restarts after a load): the link
    // is Closed, not failed.
    void closedByPeer();

private:
    void release();
    void onReadyRead();
    void onError();
    void peerClosed();

    QPointer<QTcpSocket> m_socket;
    RouterOutputParser m_parser;
    quint16 m_port = DefaultPort;
    State m_state = State::Closed;
    QString m_error;
};

} // namespace mg
