#pragma once

#include "Prompts.h"
#include "TransferRequest.h"

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

DialogueMessage noAnswer();                 // the console did not answer the wake-up
DialogueMessage loginRefused();             // the router asked for the login again
DialogueMessage loginNoPrompt(bool serial); // no prompt after the login lines
DialogueMessage notConnected();             // a Telnet login line was due before the connection
DialogueMessage connectionFailed();         // the Telnet connection reported an error
DialogueMessage connectionLost();           // a Telnet command was due and the connection was gone
DialogueMessage loadFailed();               // the router printed "Error"
DialogueMessage completed(const QString &routerAddress);
DialogueMessage serialWriteFailed(const QString &description);
DialogueMessage fileServerFailed(const QString &description);
DialogueMessage timedOut(int seconds);      // the session's time limit passed

// The serial console, checked as the lines go out. `line` is the line as
// typed (passwords already hidden); scriptLine its number in the command
// script, 0 for the program's own lines.
DialogueMessage consoleLineRefused(const QString &line, int scriptLine, const QString &routerLine);
DialogueMessage consoleWrongPrompt(const QString &line, const QString &routerLine);
DialogueMessage consoleNoAnswer(const QString &line, int seconds);
DialogueMessage notFactorySettings();           // the factory login failed after the reset's restart
DialogueMessage noLoginAfterRestart(int seconds);
// Neither output nor progress for that long.
DialogueMessage stalled(int seconds, bool serial);
// A configuration name the router's commands cannot carry.
DialogueMessage badConfigName(const QString &name);
// The operator stopped the transfer half way: what the router has been
// left with, and what to do about it.
DialogueMessage stopped(const TransferState &state);

} // namespace DialogueMessages
} // namespace mg
