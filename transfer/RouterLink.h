#pragma once

#include <QString>

namespace mg {

// What the dialogue needs of the line to the router, whichever it is. The
// serial console and the Telnet connection implement it over their ports
// (RouterLinks.h); tests implement it with a recorder.
class RouterLink {
public:
    virtual ~RouterLink() = default;
    // Sends one piece of the dialogue; false when it could not be sent.
    virtual bool send(const QString &text) = 0;
    // Whether a line can be sent now (the port is open, the connection up).
    virtual bool isUsable() const = 0;
    virtual void close() = 0;
    virtual QString errorString() const = 0;

    // Telnet only. Connects when the connection is closed; nothing while it
    // is connecting or connected.
    virtual void connectToRouter(const QString &address) { Q_UNUSED(address); }
    // Telnet only: the PC's address on the connection, where the router
    // fetches the file from; empty when not connected.
    virtual QString localAddress() const { return QString(); }
};

} // namespace mg
