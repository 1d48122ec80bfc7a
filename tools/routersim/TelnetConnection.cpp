#include "TelnetConnection.h"

#include "Router.h"

#include <QTcpSocket>

namespace mg::routersim {

TelnetConnection::TelnetConnection(QTcpSocket *socket, Router &router, const SimulatorOptions &options,
                                   QObject *parent)
    : QObject(parent), m_socket(socket), m_dialogue(router, options, Dialogue::Kind::Telnet),
      m_pacer({options.oneByte, options.splitSjis, 0},
              [socket](const QByteArray &bytes) -> qint64 {
                  if (socket->state() != QAbstractSocket::ConnectedState)
                      return -1;
                  const qint64 written = socket->write(bytes);
                  // Each write its own segment: a paced piece must not wait in
                  // Qt's buffer for the next one.
                  socket->flush();
                  return written;
              })
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { m_dialogue.receive(m_filter.feed(m_socket->readAll())); });
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(&m_dialogue, &Dialogue::output, this, &TelnetConnection::sendOutput);
    connect(&m_dialogue, &Dialogue::closeRequested, this, [this] {
        m_closing = true;
        closeWhenDrained();
    });
    connect(&m_pacer, &OutputPacer::drained, this, &TelnetConnection::closeWhenDrained);
    if (!options.silent) {
        // IAC WILL ECHO, IAC WILL SUPPRESS-GO-AHEAD, IAC DO TERMINAL-TYPE: raw
        // protocol, past the escaping of data bytes.
        m_pacer.send(QByteArray("\xFF\xFB\x01\xFF\xFB\x03\xFF\xFD\x18", 9));
    }
    m_dialogue.begin();
}

void TelnetConnection::sendOutput(const QByteArray &bytes)
{
    // 0xFF is never part of Shift_JIS, but an echoed IAC IAC must go back
    // out doubled to stay one data byte.
    QByteArray escaped = bytes;
    escaped.replace("\xFF", 1, "\xFF\xFF", 2);
    m_pacer.send(escaped);
}

void TelnetConnection::closeWhenDrained()
{
    if (m_closing && m_pacer.isIdle())
        m_socket->disconnectFromHost();
}

} // namespace mg::routersim
