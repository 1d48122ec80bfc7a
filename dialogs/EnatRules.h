#pragma once

#include "Configuration.h"
#include "Prompts.h"

#include <QList>
#include <QString>

// The rules of the ENAT list, kept apart from the dialog so that they can be
// checked without any window: what an entry of each type holds, when a new
// or edited entry is refused, which dynamic entry covers a static one, and
// the clean-up that follows the removal of a dynamic ENAT entry.

namespace mg {

enum EnatType : int16 {
    StaticNat = 0,
    DynamicNat = 1,
    StaticEnat = 2,
    DynamicEnat = 3,
};

inline constexpr int EnatTypeCount = 4;

// "スタティックNAT(SN)" ... as the type list shows them; empty for an unknown type.
QString enatTypeText(int type);
// "SN" ... as the list view shows them; empty for an unknown type.
QString enatTypeCode(int type);

// Which dynamic entries may cover an address.
enum class CoverBy {
    AnyDynamic,     // dynamic NAT and dynamic ENAT: a static NAT address must lie outside them
    DynamicEnatOnly // dynamic ENAT only: a static ENAT address must lie inside one
};

// True when a dynamic entry of the used part of the list has GlobalIP equal
// to `globalAddress` and its private network (PrivateIP and PrivateMask)
// contains `address`. The network is compared octet by octet under the
// entry's mask, so an entry typed with a host address (192.168.1.1 /
// 255.255.255.0) covers its whole network just as the router applies it.
bool IsCoveredByDynamic(const Configuration &config, const QString &address,
                        const QString &globalAddress, CoverBy coverBy);

// What the input area holds when the operator presses the add button.
struct EnatInput {
    int type = StaticNat;
    QString privateIP;
    QString privateMask;
    QString privatePort;
    QString globalIP;
    QString globalMask;
    QString globalPort;
    QString protocol;            // the chosen protocol text
    bool useInterface = false;   // "インターフェースを指定"
    QString globalInterface;     // the chosen interface
};

// The entry stored for an input that passed the checks.
EnatEntry makeEnatEntry(const EnatInput &input);

enum class EnatFault {
    None,
    PrivateAddress,
    GlobalAddress,
    PrivateMask,
    GlobalMask,
    Port,
    Duplicate,
    UsedByDynamic,   // static NAT inside a dynamic entry
    NoDynamicCover,  // static ENAT outside every dynamic ENAT entry
};

// The checks of the add button, in their order; the first fault is answered.
// `editIndex` is the 0-based position of the entry being edited, or -1 while
// adding.
EnatFault checkEnatInput(const Configuration &config, const EnatInput &input, int editIndex);

// 0-based position of the first entry that the input duplicates, -1 when
// none. While adding, the private side decides; while editing, the private
// and the global side together.
int findDuplicateEnat(const Configuration &config, const EnatInput &input, bool editing);

// Refusal message of a fault found by checkEnatInput, as text and title.
// The four format faults are reported with their field name; the others
// carry their own text.
struct EnatFaultMessage {
    QString text;
    QString title;
};
EnatFaultMessage enatFaultText(EnatFault fault, int type);

// Removes every static ENAT entry that no dynamic ENAT entry covers any
// more, scanning again after each removal until nothing is removed.
// Answers the 0-based positions removed, each as it was at its removal.
QList<int> removeUncoveredStaticEnat(Configuration &config);

// The interfaces a dynamic ENAT entry may use as its global side:
// "ppp0" ... for the destinations, then "eth0".
QStringList globalInterfaceNames(const Configuration &config);

// The question put when the dialog opens, for every terminal-type
// destination whose LAN has no entry yet. Yes appends a dynamic ENAT entry
// for the LAN over that destination's PPP interface; No, or a full list,
// ends the questioning. `caption` titles the refusal of a full list.
// Answers whether the list changed.
bool askLanEnatEntries(Configuration &config, MessagePrompt &prompt, const QString &caption);

// The refusal of a 101st entry.
QString enatListFullText();

} // namespace mg
