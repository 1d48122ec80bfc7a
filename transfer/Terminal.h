#pragma once

#include <QString>

namespace mg {

// What a terminal box of the transfer windows holds: the router's output as
// shown, with the box's selection. The windows only display it.
struct TerminalText {
    QString text;
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0;

    bool operator==(const TerminalText &) const = default;
};

// A terminal longer than this drops its oldest TerminalTrim characters
// before the next output is shown, so a long session never slows the box.
constexpr qsizetype TerminalLimit = 16000;
constexpr qsizetype TerminalTrim = 4096;

// Shows router output: a backspace at the start of the output takes back the
// terminal's last character, one inside it takes back the character before
// it; line feeds are dropped and every carriage return gets exactly one line
// feed, so CR LF and bare CR line ends both show one line break. The
// insertion point ends at the end of the text.
void ShowData(TerminalText &terminal, QString data);

// The last two characters of the terminal: the router's prompt test
// (": " asks for a login, "> " is the command prompt).
QString promptTail(const TerminalText &terminal);

} // namespace mg
