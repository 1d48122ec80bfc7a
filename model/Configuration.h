#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The whole configuration of one router, as a plain value.
//
// Field names are the keys of the .rcf file, so the file reader, the file
// writer, the generator and the windows all speak of the same thing by the
// same name. Numeric fields are 16-bit like the router tool has always held
// them; texts are held exactly as the operator typed them.

namespace mg {

using int16 = std::int16_t;

inline constexpr int MaxDestinations = 32;
inline constexpr int MaxRoutes = 100;
inline constexpr int MaxEnatEntries = 100;

// Settings that apply to the whole router (the common page of the window).
struct CommonSettings {
    int16 ConnectType = 0;        // 0 dial-up, 1 64k leased, 2 128k leased
    QString EthIP;
    QString EthMask = QStringLiteral("255.255.255.0");
    int16 EthRIP = 0;
    int16 Filter = 0;
    QString Syslog;
    int16 DHCP = 0;
    QString DHCP_IP;
    QString DHCP_Num;
    QString DHCP_Mask = QStringLiteral("255.255.255.0");
    QString DHCP_Router;
    QString DHCP_DNS;
    QString DHCP_Lease = QStringLiteral("3600");
    int16 Grobal = 0;
    int16 ANALOG1 = 0;
    QString PBX_Number;
    int16 AutoHash1 = 0;
    QString AutoHashTimer1 = QStringLiteral("5");
    int16 ANALOG2 = 1;
    QString PBX_DialIn;
    int16 AutoHash2 = 0;
    QString AutoHashTimer2 = QStringLiteral("5");

    bool isLeasedLine() const { return ConnectType != 0; }
    bool operator==(const CommonSettings &) const = default;
};

struct Destination {
    int16 Type = 0;               // 0 LAN type, 1 terminal type
    QString ISDN_Num;
    QString ISDN_ALTNum;
    int16 CallBack = 0;
    int16 CBTimer = 41;
    QString UserName;
    QString UserPass;
    int16 Comp = 0;               // 0 none, 1 STACLZS, 2 Predictor
    int16 Authentication = 0;
    QString AuthName;
    QString AuthPass;
    int16 PPPAuth = 0;            // 0 CHAP, 1 PAP, 2 either
    QString Idle = QStringLiteral("60");
    int16 LQR = 1;
    int16 PPPDyn = 0;
    QString PPPIP;
    QString PPPMask = QStringLiteral("255.255.255.0");
    int16 VJC = 0;
    int16 DefRoute = 0;
    int16 PPPRIP = 0;
    int16 StaticRoute = 0;
    QString RouteIP;
    QString RouteNetMask;
    QString RouteNextHop;
    int16 MP = 0;                 // 0 single, 1 bandwidth on demand, 2 both B channels

    bool operator==(const Destination &) const = default;
};

struct BodSetting {
    QString Uprate;
    QString Uptime;
    QString Downrate;
    QString Downtime;

    // What an empty threshold stands for: the .rcf writes it in its place.
    static BodSetting defaults();

    bool operator==(const BodSetting &) const = default;
};

struct StaticRouteEntry {
    QString IP;
    QString Mask;
    QString Int;                  // "int" in the file: "eth0" or "ppp<k>"
    QString NextHop;

    bool operator==(const StaticRouteEntry &) const = default;
};

struct EnatEntry {
    QString PrivateIP;
    QString PrivateMask;
    QString PrivatePort;
    QString GlobalIP;
    QString GlobalMask;
    QString GlobalPort;
    QString Protocol;
    QString GlobalInterFace;
    int16 NATType = 0;            // 0 SN, 1 DN, 2 SE, 3 DE

    bool operator==(const EnatEntry &) const = default;
};

// The router interface of destination n (1-based): "ppp" followed by n - 1.
QString pppInterface(int destination);

// A route of the route list that gives a destination's PPP interface the
// default route: address, mask and next hop all 0.0.0.0.
bool isDefaultRouteOverPpp(const StaticRouteEntry &route);

struct Configuration {
    CommonSettings Common;

    // Indexed from 1 like the destinations themselves; element 0 is unused.
    std::array<Destination, MaxDestinations + 1> DestinationTable{};
    std::array<BodSetting, MaxDestinations + 1> BodTable{};

    std::array<StaticRouteEntry, MaxRoutes> StaticRouteList{};
    int16 RouteCount = 0;
    std::array<EnatEntry, MaxEnatEntries> EnatList{};
    int16 EnatCount = 0;

    QString RouteCommands;
    QString EnatCommands;

    // Main-window state that travels with the configuration.
    int16 TabCount = 2;
    bool Saved = true;
    bool DefaultRouteTaken = false;
    bool SaveSucceeded = false;
    int16 CurrentTab = 1;

    QString CommandScript;
    QString ConfigFileName;

    int destinationCount() const { return TabCount - 1; }
    Destination &destination(int n) { return DestinationTable.at(n); }
    const Destination &destination(int n) const { return DestinationTable.at(n); }
    BodSetting &bod(int n) { return BodTable.at(n); }
    const BodSetting &bod(int n) const { return BodTable.at(n); }

    // The state at program start: destinations as after a reset but with an
    // empty PPPMask, empty lists, TabCount 2, Saved.
    static Configuration atProgramStart();

    // Defaults of every table, list and flag; the common settings go back to
    // their defaults too. Keeps CommandScript and ConfigFileName.
    void reset();

    // A destination added by a new tab: reset values with empty Idle and PPPMask.
    // BodSetting n is left as it is.
    void newDestinationRecord(int n);
    // A bandwidth-on-demand destination gets the thresholds its .rcf holds:
    // each empty one takes its default, so the script made now and the one
    // made from the saved file agree. Other destinations keep theirs.
    void settleBodThresholds(int n);
    // A destination record that starts anew or that no tab holds any more:
    // the new record, and the default BOD thresholds as well.
    void clearDestination(int n);

    // Capacity-checked list edits. Each answers false and changes nothing
    // when the list is full or the index is outside the used part.
    bool appendRoute(const StaticRouteEntry &entry);
    bool appendEnat(const EnatEntry &entry);
    // Removing a route also gives the default route up when nothing carries
    // it any more (see defaultRouteCarried).
    bool removeRoute(int index);
    bool removeEnat(int index);
    // Every route and ENAT entry over `face` goes, the rest keep their order.
    void removeEntriesOver(const QString &face);

    // Whether an existing destination, or a default route over a PPP
    // interface in the route list, carries the default route.
    bool defaultRouteCarried() const;

    // A destination added after the last one: a record that starts anew,
    // default thresholds included (the record may hold those of a
    // destination a leased line removed). Answers its number, or 0 when
    // MaxDestinations exist already.
    int addDestination();
    // Destination n goes, as its tab does: its routes and ENAT entries go
    // with it, the later destinations move down with their thresholds, and
    // the routes and ENAT entries over their interfaces follow them to their
    // new names. The default route is free again when nothing else carries
    // it. Answers false, changing nothing, when n is not a destination or is
    // the only one.
    bool removeDestination(int n);

    // Terminal-type destinations reach the Internet through the dynamic
    // ENAT entry of the LAN: private side the Ethernet network and mask.
    // Whether the list already holds it (private address and mask compared
    // as texts, the rest of the entry plays no part), and the entry that
    // gives the LAN destination n's PPP interface as its global side.
    bool hasLanEnatEntry() const;
    EnatEntry lanEnatEntry(int destination) const;
    // Before saving: when a destination is terminal-type and no ENAT entry
    // covers the Ethernet network with the Ethernet mask, appends the LAN's
    // entry over the first terminal-type destination's interface. Answers
    // whether an entry was added (never when the list is full).
    bool addAutomaticEnatEntry();
    // Destination n, terminal-type when its tab was entered, left as LAN
    // type: the last LAN entry over its interface goes, the one a save added
    // for it. Entries the operator made over the interface stay. Answers
    // whether one went.
    bool removeAutomaticEnatEntry(int n);

    // The file change rules of the editor, shared with the file reader.
    // Any change of the Ethernet address or mask is copied to the DHCP
    // defaults; each analog port takes the other port's opposite choice; a
    // leased line keeps one destination, takes the routes and ENAT entries
    // over the others' interfaces with them and releases the default route
    // unless the first destination carries it.
    void setEthIP(const QString &ip);
    void setEthMask(const QString &mask);
    void setAnalogPort(int port, int16 choice);
    void setConnectType(int16 type);

    void markChanged() { Saved = false; }

    bool operator==(const Configuration &) const = default;
};

// The values shown on the destination page, as the operator left them.
// Storing them into record n applies the storing rules.
struct DestinationPageValues {
    int16 Type = 0;
    QString ISDN_Num;
    QString ISDN_ALTNum;
    bool CallBack = false;
    QString CBTimerText = QStringLiteral("41");
    QString UserName;
    QString UserPass;
    int16 Comp = 0;
    bool Authentication = false;
    QString AuthName;
    QString AuthPass;
    int16 PPPAuth = 0;
    QString Idle = QStringLiteral("60");
    bool LQR = true;
    bool PPPDyn = false;
    QString PPPIP;
    QString PPPMask = QStringLiteral("255.255.255.0");
    bool VJC = false;
    bool DefRoute = false;
    bool PPPRIP = false;
    bool StaticRoute = false;
    QString RouteIP;
    QString RouteNetMask = QStringLiteral("255.255.255.0");
    QString RouteNextHop;
    int16 MP = 0;

    bool operator==(const DestinationPageValues &) const = default;
};

// Copies the page into record n with the storing rules (numeric CBTimer,
// "0.0.0.0" under a dynamic PPP address, no route fields without a static
// route, "60" for an empty idle timer, the thresholds of bandwidth on demand
// settled) and keeps DefaultRouteTaken up to date.
void storeDestination(Configuration &config, int n, const DestinationPageValues &page);

// What the destination page shows for record n: the reverse of storing, with
// the display defaults for empty masks and idle timer.
DestinationPageValues showDestination(const Configuration &config, int n);

} // namespace mg
