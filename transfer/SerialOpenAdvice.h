#pragma once

#include <QString>

namespace mg {

// Why a serial device would not open, as far as the operator can act on it.
enum class SerialOpenFault { None, Missing, Permission, Busy, Other };

// Who may open a device file: what the advice for a refused open needs. It
// is read from the file, or written out whole, so that the advice for any
// owner, group and mode can be had without a user that lacks the right.
struct DeviceAccess {
    QString path;
    bool exists = false;
    QString owner;           // user name, or the number when it has none
    QString group;           // group name, or the number when it has none
    bool groupIsRoot = false; // group number 0
    bool groupReadWrite = false; // members of the group may read and write it

    static DeviceAccess of(const QString &path);
};

// What the operator can do about a failed open, one advice a line ("\n"
// between them). The window, send and check all show this text, so that
// the advice never differs between them.
QString serialOpenRemedy(SerialOpenFault fault, const DeviceAccess &device);

} // namespace mg
