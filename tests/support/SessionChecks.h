#pragma once

// What the transcript and installation tests share: a file read back, the
// permissions others have on it, the first password a text still shows and,
// for targets that run the router simulator, a router reached the way the
// command line reaches it (the PC at 127.0.0.1, the router at 127.0.0.2).

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace mgtest {

inline QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The permissions of a file or folder without Qt's "user" bits, which only
// repeat the owner's for the user running the test; 0 when it is missing.
inline QFileDevice::Permissions permissionsOf(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

inline const QFileDevice::Permissions OwnerReadWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The first of the secrets the text shows; empty when it shows none, so a
// failing comparison names the password that got through.
inline QString shownSecret(const QString &text, const QStringList &secrets)
{
    for (const QString &secret : secrets) {
        if (text.contains(secret))
            return secret;
    }
    return QString();
}

} // namespace mgtest

#ifdef MG_ROUTERSIM
#include "RouterSimulator.h"

#include <QTcpServer>
#include <QUdpSocket>

namespace mgtest {

inline quint16 freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return socket.localPort();
}

// The simulator on the console or on Telnet with the PC's TFTP port, or with
// the option "closed" no router at all (a Telnet port nobody listens on);
// words are the command-line options that reach it. The simulator reads
// the stand-in encoder's passwords, which a real router cannot: over the
// LAN the words say so (--standin-encoder-ok).
struct RouterUnderTest {
    RouterSimulator simulator;
    quint16 tftpPort = freeUdpPort();
    quint16 telnetPort = 0;
    QStringList words;

    bool start(bool serial, const QStringList &options = {})
    {
        if (options == QStringList{QStringLiteral("closed")}) {
            QTcpServer closed;
            closed.listen(RouterSimulator::routerAddress(), 0);
            telnetPort = closed.serverPort();
        } else if (simulator.start(options + QStringList{"--tftp-port", QString::number(tftpPort)},
                                   serial ? RouterSimulator::Serial : RouterSimulator::Telnet)) {
            telnetPort = simulator.telnetPort();
        } else {
            return false;
        }
        words = serial ? QStringList{"--serial", simulator.serialLink()}
                       : QStringList{"--lan", "127.0.0.2", "--telnet-port", QString::number(telnetPort), "--tftp-port",
                                     QString::number(tftpPort), "--standin-encoder-ok"};
        return true;
    }
};

} // namespace mgtest
#endif
