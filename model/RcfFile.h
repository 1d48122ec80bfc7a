#pragma once

#include "Configuration.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The .rcf file: the Key=Value lines from which a whole configuration is
// rebuilt. Pure conversions between a Configuration and the file's bytes
// (Shift_JIS, CR LF); showing messages and touching the disk are the
// business of the commands in ConfigurationFiles.h.

namespace mg {

// A message for the operator, as the message box shows it.
struct FileMessage {
    QString text;
    QString title;

    bool operator==(const FileMessage &) const = default;
};

struct RcfWriteResult {
    bool ok = false;
    QByteArray bytes;       // the whole file when ok
    QString errorText;      // why it cannot be written when not ok
};

// The lines of the file, every line ended by CR LF, before encoding.
QString rcfText(const Configuration &config);

// The file's bytes. Refused (never written half-way or with substitutes):
// counts outside the tables, a value holding a line break (it would turn into
// lines of its own and be read back as other keys), a character Shift_JIS
// cannot represent.
RcfWriteResult writeRcf(const Configuration &config);

// The script file: the command script followed by one CR LF, in Shift_JIS.
RcfWriteResult writeScriptFile(const QString &commandScript);

// A fault found in a file: the message box the window shows, and a plain
// description for the command line, where the box's bare "エラー" would
// not tell what is wrong.
struct RcfProblem {
    FileMessage message;
    QString description;
    int line = 0;           // 1-based line of the fault, 0 when none applies
};

struct RcfReadResult {
    bool ok = false;
    // The configuration as the window holds it after opening the file. Only
    // meaningful when ok; a stopped read leaves the caller's configuration
    // as it was, so a damaged file never replaces good work with half of it.
    Configuration config;
    // Faults the reading went on past, in file order.
    QList<RcfProblem> warnings;
    // Why the reading stopped, when not ok.
    RcfProblem error;
};

// Rebuilds the configuration from the file's bytes. `current` is the
// configuration on screen: its TabCount (the tabs shown), CommandScript and
// ConfigFileName survive the reset that precedes the reading.
//
// Values pass through the same change rules as when the operator edits them
// (Ethernet address and mask copied to the DHCP defaults, the two analog
// ports kept apart, a leased line keeping one destination, a default route
// taking DefaultRouteTaken), in file order.
//
// Saved afterwards: the window marks the configuration changed whenever a
// loaded value differs from what its control held (controls start from the
// reset values; the one set of destination controls carries each destination
// read in turn; the callback timer, the auto-hash timers, the next hop and the
// LQR box mark nothing). The result's Saved is false exactly when such a
// change happened, true when the file only repeated what the controls held.
RcfReadResult readRcf(const QByteArray &bytes, const Configuration &current);

// Files larger than this are refused unread; a real configuration is a few
// kilobytes.
inline constexpr qint64 MaxRcfFileSize = 16 * 1024 * 1024;

} // namespace mg
