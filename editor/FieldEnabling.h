#pragma once

#include "Configuration.h"

#include <array>

namespace mg {

// Which fields of the main window the operator may use, worked out from the
// values alone: the line type, the check boxes and lists a field depends on,
// and whether another destination holds the default route. The window
// applies the whole answer after every change, so no field keeps a state
// that an earlier event left behind.

struct CommonEnabling {
    bool dhcpFields = false;      // txtLease, txtDHCPSubnet, txtRouter, txtDNSServer, txtIP, txtIPNumber
    bool analogPorts = false;     // chkGrobal, txtNumber, txtDialIn, cboAnalog(i), chkAutoHash(i)
    std::array<bool, 2> autoTimer{};

    bool operator==(const CommonEnabling &) const = default;
};

struct DestinationEnabling {
    bool dialUpFields = false;    // cboType and its label, the ISDN frame, chkCallBack, txtISDNNum, cboMP, cboIdleTimer
    bool altNum = false;
    bool cbdelay = false;
    bool ripPPP = false;
    bool bod = false;
    bool peerAuthentication = false; // cboPPPAuth, txtAuthUserName, txtAuthUserPass
    bool pppAddress = false;      // txtPPPIP, txtPPPNetMask
    bool defaultRoute = false;    // chkDefault
    bool staticRoute = false;     // chkStaticRoute
    bool routeAddress = false;    // txtRouteIP, txtRouteNetMask
    bool nextHop = false;
    bool dynamicCaption = false;  // chkPPPDyn reads "動的アドレス割り当てを使用", else "アンナンバードI/Fを使用"

    bool operator==(const DestinationEnabling &) const = default;
};

CommonEnabling commonEnabling(const CommonSettings &common);

// `defaultRouteTakenElsewhere`: a destination other than the one on the page,
// or a route of the route list, carries the default route.
DestinationEnabling destinationEnabling(const DestinationPageValues &page, bool dialUp,
                                        bool defaultRouteTakenElsewhere);

} // namespace mg
