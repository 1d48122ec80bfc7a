#pragma once

#include <QString>
#include <QtGlobal>

namespace mg {

enum class TransferMethod { Serial, Telnet };

// One installation of a script on a router: what the operator chose before
// the dialogue starts, and what the dialogue fills in on the way. The login
// and the transfer share it.
struct TransferJob {
    TransferMethod method = TransferMethod::Serial;
    QString commandScript;       // the script to install
    QString configName;          // the file name the router stores it under
    QString routerAddress;       // Telnet: the router's address
    quint16 tftpPort = 69;       // Telnet: the port the router fetches from

    // Serial: the whole console session typed by the transfer; the login
    // appends the tail once it knows the manager password.
    QString sendText;
    // Telnet: who logged in (the manager account lines name the user) and
    // the file the TFTP server serves.
    QString loginUser;
    QString transferFilePath;
};

} // namespace mg
