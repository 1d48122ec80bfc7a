#pragma once

#include <QString>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace mg {

struct TerminalText;

// Pieces shared by the login, password and progress windows.

// The router's output as a read-only, fixed-pitch box with a vertical
// scroll bar.
QPlainTextEdit *createTerminalBox(QWidget *parent, const QString &name);
// Shows a terminal's text with the caret at its end, as the router wrote it.
void showTerminal(QPlainTextEdit *box, const TerminalText &terminal);

// A login box (below) that shows each character as "*".
QLineEdit *createPasswordBox(QWidget *parent, const QString &name, bool (*accepts)(QChar));
// A box that takes only the characters `accepts` lets through, at most as
// many as the router takes, with a beep for the rest; Backspace always works.
QLineEdit *createLoginBox(QWidget *parent, const QString &name, bool (*accepts)(QChar));

// Enter and Escape in a box run these actions instead of reaching the box
// or the dialog (an empty action lets the key go on).
void onEnterAndEscape(QLineEdit *box, std::function<void()> enter, std::function<void()> escape);


// The hourglass over every window while the router dialogue runs.
class BusyPointer {
public:
    void set(bool busy);
    ~BusyPointer() { set(false); }

private:
    bool m_busy = false;
};

} // namespace mg
