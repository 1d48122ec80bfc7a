#pragma once

#include "ShiftJis.h"

#include <QByteArray>
#include <QString>

namespace mg {

// What one arrival of Telnet bytes shows: its text, and whether it completed
// an "Error" of the router.
struct RouterOutput {
    QString text;
    bool error = false;

    bool operator==(const RouterOutput &) const = default;
};

// Turns the Telnet byte stream from the router into text. Option
// negotiation is dropped (this program answers none, so the router falls
// back to a plain terminal), whatever way the arrivals cut it; the rest is
// Shift_JIS. Pure: the socket owner feeds it.
class RouterOutputParser {
public:
    RouterOutput feed(const QByteArray &bytes);
    // A new connection: nothing half-read is kept.
    void reset();

private:
    enum class State { Data, Command, Option, Sub, SubCommand };

    State m_state = State::Data;
    ShiftJis::Decoder m_decoder;
    // The last characters shown, so that an "Error" cut by arrivals is seen
    // when its last letter comes. Shorter than the word, so an occurrence
    // already reported can never match again.
    QString m_tail;
};

} // namespace mg
