#pragma once

#include "Dialogue.h"
#include "OutputPacer.h"
#include "TelnetInputFilter.h"

#include <QObject>

class QTcpSocket;

namespace mg::routersim {

class Router;
struct SimulatorOptions;

// One Telnet client: the socket, the filter for its protocol bytes, a
// Dialogue and the pacing of the output. It deletes itself when the client
// goes away or once the router's restart has closed it.
class TelnetConnection : public QObject {
    Q_OBJECT
public:
    TelnetConnection(QTcpSocket *socket, Router &router, const SimulatorOptions &options, QObject *parent);

private:
    void sendOutput(const QByteArray &bytes);
    void closeWhenDrained();

    QTcpSocket *m_socket;
    TelnetInputFilter m_filter;
    Dialogue m_dialogue;
    OutputPacer m_pacer;
    bool m_closing = false;
};

} // namespace mg::routersim
