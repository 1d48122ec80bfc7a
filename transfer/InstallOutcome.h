#pragma once

#include "DialogueMessage.h"

#include <QMetaType>

namespace mg {

// How an installation ended, as the windows and the command line act on it.
struct InstallOutcome {
    bool ok = false;
    DialogueMessage message;
    // The configuration should count as unsaved again (the router refused
    // what it was sent).
    bool markChanged = false;
    // The progress window closes by itself after the message.
    bool closesWindow = false;

    bool operator==(const InstallOutcome &) const = default;
};

} // namespace mg

Q_DECLARE_METATYPE(mg::InstallOutcome)
