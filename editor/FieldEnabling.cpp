#include "FieldEnabling.h"

namespace mg {

CommonEnabling commonEnabling(const CommonSettings &common)
{
    const bool dialUp = !common.isLeasedLine();
    CommonEnabling on;
    on.dhcpFields = common.DHCP != 0;
    on.analogPorts = dialUp;
    // A leased line has no analog ports, whichever speed it runs at.
    on.autoTimer = {dialUp && common.AutoHash1 != 0, dialUp && common.AutoHash2 != 0};
    return on;
}

DestinationEnabling destinationEnabling(const DestinationPageValues &page, bool dialUp, bool defaultRouteTakenElsewhere)
{
    const bool terminal = dialUp && page.Type == 1;
    DestinationEnabling on;
    on.dialUpFields = dialUp;
    on.altNum = terminal;
    on.cbdelay = dialUp && page.CallBack;
    on.ripPPP = !terminal;
    on.bod = dialUp && page.MP == 1;
    on.peerAuthentication = page.Authentication;
    on.pppAddress = !page.PPPDyn;
    // One destination carries the default route, and a destination carries
    // either the default route or a static route. The route's own boxes
    // follow the static route, but its address and mask stay with a default
    // route checked.
    on.defaultRoute = page.DefRoute || (!page.StaticRoute && !defaultRouteTakenElsewhere);
    on.staticRoute = !page.DefRoute;
    on.routeAddress = page.StaticRoute && !page.DefRoute;
    on.nextHop = page.StaticRoute;
    on.dynamicCaption = terminal;
    return on;
}

} // namespace mg
