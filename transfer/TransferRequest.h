#pragma once

#include <QString>
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

// Who asks for an installation and over what line, in the words the
// transcript opens with. The command line names itself, the file the
// script came from and how the script was made; the windows leave those
// empty and the transcript names the line and the configuration only.
struct TransferCaller {
    QString program;       // e.g. "marrowgate 1.0 send"
    QString scriptFile;    // the file given to the program
    QString scriptOrigin;  // a sentence: the script as written, or generated
    // The line as the operator knows it: the serial device with its
    // settings, or the command line's own description of the line.
    QString line;
};

// One installation of a script on a router as the operator chose it before
// the dialogue starts. It does not change once the installation runs: what
// the dialogue learns on the way belongs to the installation.
struct TransferRequest {
    TransferMethod method = TransferMethod::Serial;
    QString commandScript;       // the script to install
    QString configName;          // the file name the router stores it under
    QString routerAddress;       // Telnet: the router's address
    quint16 tftpPort = 69;       // Telnet: the port the router fetches from
    TransferPacing pacing = TransferPacing::Line;
    TransferCaller caller;
};

} // namespace mg
