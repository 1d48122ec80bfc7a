#include "Terminal.h"

namespace mg {

namespace {
constexpr QChar Backspace(8);
constexpr QChar LineFeed(10);
constexpr QChar CarriageReturn(13);
} // namespace

void ShowData(TerminalText &terminal, QString data)
{
    if (terminal.text.size() > TerminalLimit)
        terminal.text.remove(0, TerminalTrim);
    const qsizetype n = terminal.text.size();
    terminal.selectionStart = n;
    terminal.selectionLength = 0;

    for (qsizetype i = data.indexOf(Backspace); i >= 0; i = data.indexOf(Backspace)) {
        if (i == 0) {
            // Takes back the last character already shown. On an empty
            // terminal there is nothing to take back.
            if (n > 0) {
                terminal.selectionStart = n - 1;
                terminal.selectionLength = 1;
            }
            data.remove(0, 1);
        } else {
            data.remove(i - 1, 2);
        }
    }
    data.remove(LineFeed);
    data.replace(CarriageReturn, QStringLiteral("\r\n"));

    terminal.text.replace(terminal.selectionStart, terminal.selectionLength, data);
    terminal.selectionStart = terminal.text.size();
    terminal.selectionLength = 0;
}

QString promptTail(const TerminalText &terminal)
{
    return terminal.text.right(2);
}

} // namespace mg
