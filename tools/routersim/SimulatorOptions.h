#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace mg::routersim {

// How one run of the simulator behaves: its links, its accounts and the
// faults it plays.
struct SimulatorOptions {
    QString statePath;
    QString serialLink; // empty: no console
    bool telnet = false;
    QHostAddress telnetAddress;
    quint16 telnetPort = 0;
    quint16 tftpPort = 69;
    QString managerPassword = QStringLiteral("pastry");
    QList<QPair<QString, QString>> users; // extra accounts: name, password
    QStringList existing;                 // files already in flash
    bool loggedIn = false;
    bool silent = false;
    bool wrongPassword = false;
    bool loadError = false;
    int slowMs = 0;
    int dropTftp = 0; // the n-th DATA packet is lost; 0: none
    bool oneByte = false;
    bool splitSjis = false;
    int lineRate = 0; // bit/s of the console; 0: as fast as the pty goes
    int tftpTimeoutMs = 3000;
    int bootMs = 0;          // a restart takes this long; input meanwhile is lost
    QString configured;      // set up before: boots from this file, which keeps --password
    QStringList refuse;      // a command holding one of these is answered with an Error line
    QString closeAfter;      // Telnet: the session is closed once a line holding this arrives
    QString stallAfter;      // the router answers nothing more once a line holding this arrives
    int tftpError = 0;         // the n-th DATA packet is answered with ERROR 3 (disk full); 0: none
    bool tftpStrayAck = false; // block 1 is also acknowledged from a second port
    QString noise;             // put before its welcome and every Error line (control characters too)

    // The options of a command line (arguments[0] is the program), or nothing
    // with the reason in *error. Help goes into *error too, with *helpShown set.
    static std::optional<SimulatorOptions> parse(const QStringList &arguments, QString *error,
                                                 bool *helpShown);

    // The router's own address: the Telnet listener's, which is also where its
    // TFTP client sends from.
    QHostAddress routerAddress() const;
};

} // namespace mg::routersim
