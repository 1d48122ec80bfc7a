#pragma once

#include "Configuration.h"

#include <QString>
#include <optional>

namespace mg {

// The checks of the main window before a tab is left and before the
// configuration is saved or generated, as rules over values: each answers
// the first fault with the field it concerns and the message for it, and the
// window maps the field to its control, shows the message and moves the
// focus.
//
// The common page is read from the configuration's common settings, which
// its controls mirror. A destination is read partly from what the
// destination page shows and partly from its stored record; the page always
// shows one destination, whichever destination a walk has reached, which is
// how the checks have always read it.

// The controls a fault can send the focus to.
enum class CheckField {
    None, // the focus stays where it is
    EtherIP, EthernetMask, Syslog, DhcpStart, DhcpSubnet, DhcpRouter, DnsServer, Lease, AddressCount,
    SubscriberNumber, DialInNumber, AutoTimer0, AutoTimer1,
    IsdnNumber, AltNumber, CallbackTimer, UserName, UserPass, AuthUserName, AuthUserPass,
    PppAddress, PppMask, RouteAddress, RouteMask, NextHop, IdleTimer,
};

struct CheckFailure {
    CheckField field = CheckField::None;
    QString text;
    QString title;
    bool format = false;   // the format message: the field's whole text is selected
    // A fault read from the record of this destination while another one is
    // on the page: its tab comes to the front before the message. 0 otherwise.
    int destination = 0;

    bool operator==(const CheckFailure &) const = default;
};

// What the destination page shows, and which destination that is: the one
// of the selected tab, or 0 while the common tab is selected.
struct ShownPage {
    DestinationPageValues values;
    int destination = 0;
};

// The Ethernet address and mask are given: the whole check looks for this
// first.
std::optional<CheckFailure> checkEthernetGiven(const CommonSettings &common);

// Leaving the common tab.
std::optional<CheckFailure> checkCommonPage(const CommonSettings &common);

// Leaving the tab of destination r, or destination r reached by the whole
// check while its PPP address is fixed.
std::optional<CheckFailure> checkDestinationPage(const Configuration &config, int r, const ShownPage &page);

// What the whole check asks of destination r, its page's checks included.
// The destination on the page is read from the page; every other one from
// its record.
std::optional<CheckFailure> checkDestination(const Configuration &config, int r, const ShownPage &page);

} // namespace mg
