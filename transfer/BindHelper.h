#pragma once

#include <QHostAddress>
#include <QString>

namespace mg {

// What came of asking the helper for port 69.
struct BindHelperResult {
    enum class Status { Bound, Missing, Denied, InUse, NotLocal, Failed };
    Status status = Status::Failed;
    int descriptor = -1;   // Bound: a UDP socket bound to port 69, now the caller's
    QString reason;        // otherwise: one sentence for the operator
};

// UDP port 69 for a program that may not bind it itself. The small helper
// marrowgate-bind69 in the program folder holds the capability, binds the
// port on one of this PC's IPv4 addresses and hands the socket back, so the
// program with its windows and plugins holds no privilege at all and no
// other privileged port is within its reach.
class BindHelper {
public:
    static const QString ProgramName;

    // The helper in the program folder; empty when that folder is unknown.
    static QString locate();
    // Runs the helper and waits for it: it answers at once, and is given
    // up after ten seconds.
    static BindHelperResult bindPort69(const QString &helperPath, const QHostAddress &address);
    // The descriptor the helper sent over the channel, unchecked; -1 when
    // none came. Now the caller's.
    static int receiveDescriptor(int channel);
};

} // namespace mg
