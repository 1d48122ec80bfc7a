#include "TelnetServer.h"

#include "SimulatorOptions.h"
#include "TelnetConnection.h"

#include <QTcpSocket>

namespace mg::routersim {

TelnetServer::TelnetServer(Router &router, const SimulatorOptions &options, QObject *parent)
    : QObject(parent), m_router(router), m_options(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            new TelnetConnection(socket, m_router, m_options, this);
    });
}

bool TelnetServer::listen(QString *error)
{
    if (m_server.listen(m_options.telnetAddress, m_options.telnetPort))
        return true;
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(m_options.telnetAddress.toString())
                 .arg(m_options.telnetPort)
                 .arg(m_server.errorString());
    return false;
}

} // namespace mg::routersim
