#include "RouteListEditor.h"

#include <algorithm>

namespace mg {

namespace {

const QString AnyAddress = QStringLiteral("0.0.0.0");

int destinationsInUse(const Configuration &config)
{
    return std::clamp(config.destinationCount(), 0, MaxDestinations);
}

} // namespace

RouteListEditor::RouteListEditor(Configuration &config) : m_config(config)
{
    mergeTabRoutes();
}

QStringList RouteListEditor::interfaceNames(int destinations)
{
    QStringList names{QStringLiteral("eth0")};
    const int n = std::clamp(destinations, 0, MaxDestinations);
    for (int d = 1; d <= n; ++d)
        names << pppInterface(d);
    return names;
}

int RouteListEditor::routeListCount() const
{
    // A count read from a damaged file must not take us outside the list.
    return std::clamp(int(m_config.RouteCount), 0, MaxRoutes);
}

int RouteListEditor::rowCount() const
{
    return routeListCount() + int(m_tabRows.size());
}

StaticRouteEntry RouteListEditor::row(int row) const
{
    if (isListRow(row))
        return m_config.StaticRouteList[row];
    const int tabRow = row - routeListCount();
    if (tabRow >= 0 && tabRow < m_tabRows.size())
        return m_tabRows.at(tabRow);
    return {};
}

void RouteListEditor::mergeTabRoutes()
{
    m_tabRows.clear();
    const int n = destinationsInUse(m_config);
    for (int d = 1; d <= n; ++d) {
        const Destination &dest = m_config.destination(d);
        const QString iface = pppInterface(d);
        StaticRouteEntry tabRoute;
        QStringList sameNextHops;
        if (dest.DefRoute == 1) {
            tabRoute = {AnyAddress, AnyAddress, iface, AnyAddress};
            sameNextHops = {AnyAddress};
        } else if (dest.StaticRoute == 1) {
            const QString nextHop = dest.PPPDyn == 1 ? AnyAddress : dest.PPPIP;
            tabRoute = {dest.RouteIP, dest.RouteNetMask, iface, nextHop};
            // Over a point-to-point link "via our own end" and "via the
            // interface" are the same route.
            sameNextHops = {dest.PPPIP, AnyAddress};
        } else {
            continue;
        }

        int repeated = -1;
        for (int i = 0; i < routeListCount(); ++i) {
            const StaticRouteEntry &e = m_config.StaticRouteList[i];
            if (e.Int == iface && e.IP == tabRoute.IP && e.Mask == tabRoute.Mask
                && sameNextHops.contains(e.NextHop)) {
                repeated = i;
                break;
            }
        }
        if (repeated >= 0)
            m_config.removeRoute(repeated);
        m_tabRows.append(tabRoute);
    }
}

bool RouteListEditor::isDuplicate(const StaticRouteEntry &route, int exceptRow) const
{
    for (int r = 0; r < rowCount(); ++r) {
        if (r == exceptRow)
            continue;
        const StaticRouteEntry other = row(r);
        if (other.IP == route.IP && other.Int == route.Int && other.NextHop == route.NextHop)
            return true;
    }
    return false;
}

bool RouteListEditor::isDefaultRouteOverPpp(const StaticRouteEntry &route)
{
    return mg::isDefaultRouteOverPpp(route);
}

RouteListEditor::Outcome RouteListEditor::add(const StaticRouteEntry &route, int editRow)
{
    const bool editing = isListRow(editRow);
    if (isDuplicate(route, editing ? editRow : -1))
        return Outcome::Duplicate;
    if (editing) {
        m_config.StaticRouteList[editRow] = route;
        m_config.RouteCommands.clear();
    } else if (!m_config.appendRoute(route)) {
        return Outcome::Full;
    }
    if (isDefaultRouteOverPpp(route))
        m_config.DefaultRouteTaken = true;
    else if (editing && !m_config.defaultRouteCarried())
        m_config.DefaultRouteTaken = false; // the edit may have turned the default route into another
    return Outcome::Stored;
}

int RouteListEditor::findListEntry(const StaticRouteEntry &route) const
{
    for (int i = 0; i < routeListCount(); ++i) {
        if (m_config.StaticRouteList[i] == route)
            return i;
    }
    return -1;
}

bool RouteListEditor::remove(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    const int index = findListEntry(this->row(row));
    if (index < 0)
        return false;
    return m_config.removeRoute(index);
}

} // namespace mg
