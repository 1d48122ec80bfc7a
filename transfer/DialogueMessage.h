#pragma once

#include "Prompts.h"
#include "TransferJob.h"

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

// The serial console, checked as the lines go out. `line` is the line as
// typed (passwords already hidden); scriptLine its number in the command
// script, 0 for the program's own lines.
DialogueMessage ConsoleLineRefused(const QString &line, int scriptLine, const QString &routerLine);
DialogueMessage ConsoleWrongPrompt(const QString &line, const QString &routerLine);
DialogueMessage ConsoleNoAnswer(const QString &line, int seconds);
DialogueMessage NotFactorySettings();           // the factory login failed after the reset's restart
DialogueMessage NoLoginAfterRestart(int seconds);
// Neither output nor progress for that long.
DialogueMessage Stalled(int seconds, bool serial);
// A configuration name the router's commands cannot carry.
DialogueMessage BadConfigName(const QString &name);
// The operator stopped the transfer half way: what the router has been
// left with, and what to do about it.
DialogueMessage Stopped(const TransferState &state);

} // namespace DialogueMessages
} // namespace mg
