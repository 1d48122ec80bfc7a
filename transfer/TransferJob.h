#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace mg {

enum class TransferMethod { Serial, Telnet };

// How the serial send text is typed: one line a second, or each line as
// soon as the router has echoed the one before and shown its prompt (with
// the second as the longest wait).
enum class TransferPacing { Line, Echo };

// Where an installation is, in the order the steps come. Serial: the login,
// the reset (boot.cfg moved aside), the restart and factory login, the
// script, the manager password, the boot configuration saved and set, the
// final restart. LAN: the login, the file the router fetches, the boot
// configuration set, the final restart.
enum class InstallStep { Login, Reset, Restart, Script, Password, FileTransfer, BootConfig, FinalRestart };

// What the router has been left with at a moment of the transfer: what an
// operator who stops half way must be told.
struct TransferState {
    TransferMethod method = TransferMethod::Serial;
    QString configName;
    // Serial: lines of the send text typed, of all.
    int linesSent = 0;
    int linesTotal = 0;
    bool bootMovedAside = false;  // serial: "rename boot.cfg boot_bak.cfg" typed
    bool restarted = false;       // serial: the reset's "restart router" typed
    bool fileFetched = false;     // LAN: the router acknowledged the file's last block
    bool bootConfigSent = false;  // "set config=" typed (serial) or sent (LAN)
    bool bootConfigTaken = false; // serial: ... and the router took it without an "Error"
};

// One installation of a script on a router: what the operator chose before
// the dialogue starts, and what the dialogue fills in on the way. The login
// and the transfer share it.
struct TransferJob {
    TransferMethod method = TransferMethod::Serial;
    QString commandScript;       // the script to install
    QString configName;          // the file name the router stores it under
    QString routerAddress;       // Telnet: the router's address
    quint16 tftpPort = 69;       // Telnet: the port the router fetches from
    TransferPacing pacing = TransferPacing::Line;

    // Serial: the whole console session typed by the transfer; the login
    // appends the tail once it knows the manager password.
    QString sendText;
    // Telnet: who logged in (the manager account lines name the user) and
    // the file the TFTP server serves.
    QString loginUser;
    QString transferFilePath;
    // The passwords the dialogue types or carries, as far as known so far:
    // what is kept or shown of the session hides them, and the router does
    // not echo a line that holds one.
    QStringList secrets;
};

} // namespace mg
