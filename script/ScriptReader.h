#pragma once

#include "Configuration.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Reads a command script, as GenerateScript writes it, back into a
// configuration: the way to pick up a router whose .rcf is lost, or a script
// edited by hand.
//
// What the script carries, and so what comes back:
//   Common: ConnectType; EthIP, EthMask; EthRIP; Filter (as 0 or 1); Syslog;
//     DHCP (0 or 1) and, with it, DHCP_IP, DHCP_Num, DHCP_Mask, DHCP_Router,
//     DHCP_DNS (each empty when its line is missing), DHCP_Lease; on dial-up
//     ANALOG1, ANALOG2, AutoHash1/2 and, with each, AutoHashTimer1/2;
//     PBX_DialIn, PBX_Number and Grobal when both numbers were given.
//   Destinations (TabCount follows the highest one written):
//     dial-up: Type, ISDN_Num (digits only: the hyphens are not in the
//       script), ISDN_ALTNum (terminal type, digits only), CallBack and with
//       it CBTimer, Idle, LQR, MP, the BOD thresholds of MP 1 when written;
//     both line types: UserName and UserPass (when both were given),
//       Authentication and with it PPPAuth, AuthName and AuthPass (when both
//       were given), Comp, VJC, DefRoute, StaticRoute and with it the route's
//       network address (RouteIP: the host bits are not in the script),
//       RouteNetMask, RouteNextHop; on LAN type PPPDyn, PPPIP and PPPMask
//       ("0.0.0.0" both under a dynamic address), PPPRIP.
//   Lists: the static routes (IP as the network address) and the ENAT
//     entries, the fields each type writes (NATType 3 with an interface
//     carries no GlobalIP).
// What the script does not carry, left as a new configuration has it:
//   everything of destinations beyond those written; on a leased line the
//   destination's Type, ISDN numbers, callback, Idle and MP; a terminal-type
//   destination's PPPDyn, PPPIP, PPPMask and PPPRIP; LAN type's ISDN_ALTNum;
//   CBTimer without callback, PPPAuth without authentication; BOD thresholds
//   of destinations not on demand; DHCP fields while DHCP is off; the timer of
//   an analog port without automatic hang-up; ENAT fields a type does not
//   write; the kept texts RouteCommands and EnatCommands (empty: the
//   generator rebuilds them from the lists); the window's state (Saved,
//   DefaultRouteTaken follows DefRoute and default routes of the list,
//   CurrentTab, CommandScript, ConfigFileName). With global incoming calls
//   the subscriber number is written as "notpresent"; that word is kept as
//   PBX_Number, so the lines come back, and the operator types the number.
// What the script cannot tell apart: a route of the list over the last
// destination's interface, right after that destination's own lines, is
// read as the destination's default or own route when it has none.

namespace mg {

// A line that was not placed: its 1-based number, its text and why.
struct UnplacedLine {
    int line = 0;
    QString text;
    QString reason;

    bool operator==(const UnplacedLine &) const = default;
};

struct ScriptReadResult {
    Configuration config;
    QList<UnplacedLine> unplaced; // in line order
};

// The script as text (CR LF or LF line ends).
ScriptReadResult readScript(const QString &text);

// The script's bytes: UTF-8 when they are valid UTF-8, Shift_JIS otherwise.
ScriptReadResult readScriptBytes(const QByteArray &bytes);

// Scripts larger than this are refused unread, as one unplaced line 0.
inline constexpr qint64 MaxScriptSize = 4 * 1024 * 1024;

} // namespace mg
