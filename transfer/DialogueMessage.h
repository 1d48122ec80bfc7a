#pragma once

#include "Prompts.h"

#include <QString>

namespace mg {

// A message of the router dialogue for the operator: the windows show it in
// a box, the command line prints it. Outcomes carry it as a value.
struct DialogueMessage {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Information;

    bool operator==(const DialogueMessage &) const = default;
};

namespace DialogueMessages {

DialogueMessage NoAnswer();                 // the console did not answer the wake-up
DialogueMessage LoginRefused();             // the router asked for the login again
DialogueMessage LoginNoPrompt(bool serial); // no prompt after the login lines
DialogueMessage NotConnected();             // a Telnet login line was due before the connection
DialogueMessage ConnectionFailed();         // the Telnet connection reported an error
DialogueMessage ConnectionLost();           // a Telnet command was due and the connection was gone
DialogueMessage LoadFailed();               // the router printed "Error"
DialogueMessage Completed(const QString &routerAddress);
DialogueMessage SerialWriteFailed(const QString &description);
DialogueMessage FileServerFailed(const QString &description);
DialogueMessage TimedOut(int seconds);      // the session's time limit passed

} // namespace DialogueMessages
} // namespace mg
