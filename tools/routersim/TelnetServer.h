#pragma once

#include <QObject>
#include <QTcpServer>

namespace mg::routersim {

class Router;
struct SimulatorOptions;

// The router's Telnet port. Every client gets its own session on the
// shared router.
class TelnetServer : public QObject {
    Q_OBJECT
public:
    TelnetServer(Router &router, const SimulatorOptions &options, QObject *parent = nullptr);

    bool listen(QString *error);
    quint16 port() const { return m_server.serverPort(); }

private:
    Router &m_router;
    const SimulatorOptions &m_options;
    QTcpServer m_server;
};

} // namespace mg::routersim
