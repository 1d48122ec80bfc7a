#include "Configuration.h"

#include "AddressChecks.h"
#include "NumericText.h"

#include <algorithm>

namespace mg {

QString pppInterface(int destination)
{
    return QStringLiteral("ppp") + QString::number(destination - 1);
}

bool isDefaultRouteOverPpp(const StaticRouteEntry &route)
{
    const QString any = QStringLiteral("0.0.0.0");
    return route.Int.contains(QLatin1String("ppp")) && route.IP == any && route.Mask == any && route.NextHop == any;
}

BodSetting BodSetting::defaults()
{
    return {QStringLiteral("80"), QStringLiteral("30"), QStringLiteral("20"), QStringLiteral("60")};
}

Configuration Configuration::atProgramStart()
{
    Configuration config;
    for (int n = 1; n <= MaxDestinations; ++n)
        config.DestinationTable[n].PPPMask.clear();
    return config;
}

void Configuration::reset()
{
    TabCount = 2;
    DefaultRouteTaken = false;
    Saved = true;
    CurrentTab = 1;
    DestinationTable.fill(Destination{});
    BodTable.fill(BodSetting{});
    StaticRouteList.fill(StaticRouteEntry{});
    EnatList.fill(EnatEntry{});
    RouteCount = 0;
    EnatCount = 0;
    RouteCommands.clear();
    EnatCommands.clear();
    Common = CommonSettings{};
}

void Configuration::newDestinationRecord(int n)
{
    Destination &d = DestinationTable.at(n);
    d = Destination{};
    d.Idle.clear();
    d.PPPMask.clear();
}

void Configuration::settleBodThresholds(int n)
{
    if (DestinationTable.at(n).MP != 1)
        return;
    BodSetting &bod = BodTable.at(n);
    const BodSetting fallback = BodSetting::defaults();
    for (auto field : {&BodSetting::Uprate, &BodSetting::Uptime, &BodSetting::Downrate, &BodSetting::Downtime})
        if ((bod.*field).isEmpty())
            bod.*field = fallback.*field;
}

void Configuration::clearDestination(int n)
{
    newDestinationRecord(n);
    BodTable.at(n) = BodSetting{};
}

bool Configuration::appendRoute(const StaticRouteEntry &entry)
{
    if (RouteCount < 0 || RouteCount >= MaxRoutes)
        return false;
    StaticRouteList[RouteCount++] = entry;
    RouteCommands.clear();
    return true;
}

bool Configuration::appendEnat(const EnatEntry &entry)
{
    if (EnatCount < 0 || EnatCount >= MaxEnatEntries)
        return false;
    EnatList[EnatCount++] = entry;
    EnatCommands.clear();
    return true;
}

bool Configuration::removeRoute(int index)
{
    if (index < 0 || index >= RouteCount)
        return false;
    for (int i = index; i + 1 < RouteCount; ++i)
        StaticRouteList[i] = StaticRouteList[i + 1];
    StaticRouteList[--RouteCount] = StaticRouteEntry{};
    RouteCommands.clear();
    // Otherwise no destination could take the default route again.
    if (!defaultRouteCarried())
        DefaultRouteTaken = false;
    return true;
}

bool Configuration::removeEnat(int index)
{
    if (index < 0 || index >= EnatCount)
        return false;
    for (int i = index; i + 1 < EnatCount; ++i)
        EnatList[i] = EnatList[i + 1];
    EnatList[--EnatCount] = EnatEntry{};
    EnatCommands.clear();
    return true;
}

void Configuration::removeEntriesOver(const QString &face)
{
    for (int i = std::min<int>(RouteCount, MaxRoutes) - 1; i >= 0; --i)
        if (StaticRouteList[i].Int == face)
            removeRoute(i);
    for (int i = std::min<int>(EnatCount, MaxEnatEntries) - 1; i >= 0; --i)
        if (EnatList[i].GlobalInterFace == face)
            removeEnat(i);
}

bool Configuration::defaultRouteCarried() const
{
    for (int n = 1; n <= std::min(destinationCount(), MaxDestinations); ++n)
        if (DestinationTable[n].DefRoute == 1)
            return true;
    for (int i = 0; i < std::clamp<int>(RouteCount, 0, MaxRoutes); ++i)
        if (isDefaultRouteOverPpp(StaticRouteList[i]))
            return true;
    return false;
}

bool Configuration::hasLanEnatEntry() const
{
    const QString network = NetworkAddress(Common.EthIP, Common.EthMask);
    const int used = std::clamp<int>(EnatCount, 0, MaxEnatEntries);
    for (int i = 0; i < used; ++i) {
        if (EnatList[i].PrivateIP == network && EnatList[i].PrivateMask == Common.EthMask)
            return true;
    }
    return false;
}

EnatEntry Configuration::lanEnatEntry(int destination) const
{
    EnatEntry entry;
    entry.NATType = 3;
    entry.PrivateIP = NetworkAddress(Common.EthIP, Common.EthMask);
    entry.PrivateMask = Common.EthMask;
    entry.GlobalInterFace = pppInterface(destination);
    return entry;
}

bool Configuration::addAutomaticEnatEntry()
{
    int terminal = 0;
    for (int n = 1; n < TabCount && n <= MaxDestinations; ++n) {
        if (DestinationTable[n].Type == 1) {
            terminal = n;
            break;
        }
    }
    if (terminal == 0 || hasLanEnatEntry())
        return false;
    return appendEnat(lanEnatEntry(terminal));
}

bool Configuration::removeAutomaticEnatEntry(int n)
{
    const EnatEntry automatic = lanEnatEntry(n);
    for (int i = std::min<int>(EnatCount, MaxEnatEntries) - 1; i >= 0; --i) {
        const EnatEntry &e = EnatList[i];
        if (e.NATType == automatic.NATType && e.GlobalInterFace == automatic.GlobalInterFace
            && e.PrivateIP == automatic.PrivateIP && e.PrivateMask == automatic.PrivateMask)
            return removeEnat(i);
    }
    return false;
}

int Configuration::addDestination()
{
    if (TabCount < 1 || TabCount > MaxDestinations)
        return 0;
    const int n = TabCount;
    clearDestination(n);
    ++TabCount;
    return n;
}

bool Configuration::removeDestination(int n)
{
    const int last = std::min(destinationCount(), MaxDestinations);
    if (n < 1 || n > last || last < 2)
        return false;
    if (DestinationTable[n].DefRoute == 1)
        DefaultRouteTaken = false;
    // The records close the gap before any route goes: removing a route asks
    // which destinations still carry the default route.
    for (int i = n; i < last; ++i) {
        DestinationTable[i] = DestinationTable[i + 1];
        BodTable[i] = BodTable[i + 1];
    }
    // The vacated record belongs to no tab; a destination added later must
    // not inherit the moved destination's thresholds.
    clearDestination(last);
    --TabCount;
    removeEntriesOver(pppInterface(n));

    // A route or translation that named "ppp4" for the fifth destination now
    // names "ppp3", the same destination's new name.
    bool routesMoved = false;
    bool enatMoved = false;
    for (int d = n + 1; d <= MaxDestinations; ++d) {
        const QString from = pppInterface(d);
        const QString to = pppInterface(d - 1);
        for (int i = 0; i < std::clamp<int>(RouteCount, 0, MaxRoutes); ++i) {
            if (StaticRouteList[i].Int == from) {
                StaticRouteList[i].Int = to;
                routesMoved = true;
            }
        }
        for (int i = 0; i < std::clamp<int>(EnatCount, 0, MaxEnatEntries); ++i) {
            if (EnatList[i].GlobalInterFace == from) {
                EnatList[i].GlobalInterFace = to;
                enatMoved = true;
            }
        }
    }
    if (routesMoved)
        RouteCommands.clear();
    if (enatMoved)
        EnatCommands.clear();
    return true;
}

void Configuration::setEthIP(const QString &ip)
{
    if (Common.EthIP == ip)
        return;
    Common.EthIP = ip;
    Common.DHCP_Router = ip;
}

void Configuration::setEthMask(const QString &mask)
{
    if (Common.EthMask == mask)
        return;
    Common.EthMask = mask;
    Common.DHCP_Mask = mask;
}

void Configuration::setAnalogPort(int port, int16 choice)
{
    const int16 other = choice == 0 ? 1 : 0;
    if (port == 0) {
        Common.ANALOG1 = choice;
        Common.ANALOG2 = other;
    } else {
        Common.ANALOG2 = choice;
        Common.ANALOG1 = other;
    }
}

void Configuration::setConnectType(int16 type)
{
    Common.ConnectType = type;
    if (type != 0 && TabCount > 2) {
        const int last = std::min<int>(TabCount - 1, MaxDestinations);
        TabCount = 2;
        // As deleting them would: nothing may name an interface that is gone.
        for (int n = 2; n <= last; ++n)
            removeEntriesOver(pppInterface(n));
        // Only the destinations removed here give the default route up: when
        // the first one carries it, another must not take it as well.
        DefaultRouteTaken = DestinationTable[1].DefRoute == 1;
    }
}

void storeDestination(Configuration &config, int n, const DestinationPageValues &page)
{
    Destination &d = config.DestinationTable.at(n);
    const bool hadDefaultRoute = d.DefRoute == 1;

    d.Type = page.Type;
    d.ISDN_Num = page.ISDN_Num;
    d.ISDN_ALTNum = page.ISDN_ALTNum;
    d.CallBack = page.CallBack ? 1 : 0;
    d.CBTimer = numericValue(page.CBTimerText);
    d.UserName = page.UserName;
    d.UserPass = page.UserPass;
    d.Comp = page.Comp;
    d.Authentication = page.Authentication ? 1 : 0;
    d.AuthName = page.AuthName;
    d.AuthPass = page.AuthPass;
    d.PPPAuth = page.PPPAuth;
    d.Idle = page.Idle.isEmpty() ? QStringLiteral("60") : page.Idle;
    d.LQR = page.LQR ? 1 : 0;
    d.PPPDyn = page.PPPDyn ? 1 : 0;
    if (page.PPPDyn) {
        d.PPPIP = QStringLiteral("0.0.0.0");
        d.PPPMask = QStringLiteral("0.0.0.0");
    } else {
        d.PPPIP = page.PPPIP;
        d.PPPMask = page.PPPMask;
    }
    d.VJC = page.VJC ? 1 : 0;
    d.DefRoute = page.DefRoute ? 1 : 0;
    d.PPPRIP = page.PPPRIP ? 1 : 0;
    d.StaticRoute = page.StaticRoute ? 1 : 0;
    if (page.StaticRoute) {
        d.RouteIP = page.RouteIP;
        d.RouteNetMask = page.RouteNetMask;
        d.RouteNextHop = page.RouteNextHop;
    } else {
        d.RouteIP.clear();
        d.RouteNetMask.clear();
        d.RouteNextHop.clear();
    }
    d.MP = page.MP;
    config.settleBodThresholds(n);

    if (hadDefaultRoute && !page.DefRoute)
        config.DefaultRouteTaken = false;
    if (page.DefRoute)
        config.DefaultRouteTaken = true;
}

DestinationPageValues showDestination(const Configuration &config, int n)
{
    const Destination &d = config.DestinationTable.at(n);
    const QString defaultMask = QStringLiteral("255.255.255.0");
    DestinationPageValues page;
    page.Type = d.Type;
    page.ISDN_Num = d.ISDN_Num;
    page.ISDN_ALTNum = d.ISDN_ALTNum;
    page.CallBack = d.CallBack != 0;
    page.CBTimerText = QString::number(d.CBTimer);
    page.UserName = d.UserName;
    page.UserPass = d.UserPass;
    page.Comp = d.Comp;
    page.Authentication = d.Authentication != 0;
    page.AuthName = d.AuthName;
    page.AuthPass = d.AuthPass;
    page.PPPAuth = d.PPPAuth;
    page.PPPDyn = d.PPPDyn != 0;
    if (d.PPPDyn == 1) {
        page.PPPIP.clear();
        page.PPPMask = defaultMask;
    } else {
        page.PPPIP = d.PPPIP;
        page.PPPMask = d.PPPMask.isEmpty() ? defaultMask : d.PPPMask;
    }
    page.VJC = d.VJC != 0;
    page.DefRoute = d.DefRoute == 1;
    page.PPPRIP = d.PPPRIP != 0;
    page.StaticRoute = d.StaticRoute != 0;
    page.RouteIP = d.RouteIP;
    page.RouteNetMask = d.RouteNetMask.isEmpty() ? defaultMask : d.RouteNetMask;
    page.RouteNextHop = d.RouteNextHop;
    page.MP = d.MP;
    page.Idle = d.Idle.isEmpty() ? QStringLiteral("60") : d.Idle;
    page.LQR = d.LQR != 0;
    return page;
}

} // namespace mg
