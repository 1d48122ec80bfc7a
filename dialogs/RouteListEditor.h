#pragma once

#include "Configuration.h"

#include <QList>
#include <QStringList>

namespace mg {

// The rules of the static route dialog, kept apart from its widgets.
//
// The dialog shows one row per static route list entry, followed by one row
// per route a destination tab defines (its default route, or its own static
// route). Row r < routeListCount() is list entry r; the rows after it belong
// to the tabs and can only be changed on their tab. Every change acts on the
// configuration at once: the dialog has no undo.
class RouteListEditor {
public:
    enum class Outcome {
        Stored,     // appended, or the edited entry overwritten
        Duplicate,  // another row has the same address, interface and next hop
        Full,       // the list already holds MaxRoutes entries
    };

    // Merges the tab routes in: a list entry that repeats a tab route is
    // taken out of the list, since the tab already makes that route.
    explicit RouteListEditor(Configuration &config);

    // "eth0" and then the PPP interfaces of the destinations.
    static QStringList interfaceNames(int destinations);

    int rowCount() const;
    int routeListCount() const;
    StaticRouteEntry row(int row) const;
    bool isListRow(int row) const { return row >= 0 && row < routeListCount(); }

    // The mask is deliberately left out: two routes to the same address over
    // the same interface and next hop clash whatever their masks.
    bool isDuplicate(const StaticRouteEntry &route, int exceptRow = -1) const;

    // Appends `route`, or overwrites list row `editRow` with it when editRow
    // is a list row. A default route over a PPP interface takes the default
    // route for the whole configuration.
    Outcome add(const StaticRouteEntry &route, int editRow = -1);

    // Only list rows can be edited here; a tab route is edited on its tab.
    bool canEdit(int row) const { return isListRow(row); }

    // Removes the list entry equal to the row. False, and nothing removed,
    // when the list holds no such entry: the row is a tab route.
    bool remove(int row);

    static bool isDefaultRouteOverPpp(const StaticRouteEntry &route);

private:
    void mergeTabRoutes();
    int findListEntry(const StaticRouteEntry &route) const;

    Configuration &m_config;
    QList<StaticRouteEntry> m_tabRows;
};

} // namespace mg
