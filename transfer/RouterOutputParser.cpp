#include "RouterOutputParser.h"

namespace mg {

namespace {
constexpr uchar Iac = 255;
constexpr uchar Sb = 250;
constexpr uchar Se = 240;
constexpr uchar FirstVerb = 251; // WILL, WONT, DO, DONT: an option byte follows
constexpr uchar FirstShortCommand = 241; // NOP .. GA: nothing follows

const QString ErrorWord = QStringLiteral("Error");
} // namespace

RouterOutput RouterOutputParser::feed(const QByteArray &bytes)
{
    QByteArray data;
    data.reserve(bytes.size());
    // The byte after an IAC.
    auto command = [&](uchar b) {
        m_state = State::Data;
        if (b == Iac)
            data += char(b); // an escaped data byte 255
        else if (b >= FirstVerb)
            m_state = State::Option;
        else if (b == Sb)
            m_state = State::Sub;
        else if (b < FirstShortCommand && b != Se)
            data += char(b); // not a command: the stray IAC is dropped, the byte shown
    };
    for (const char c : bytes) {
        const uchar b = uchar(c);
        switch (m_state) {
        case State::Data:
            if (b == Iac)
                m_state = State::Command;
            else
                data += c;
            break;
        case State::Command: command(b); break;
        case State::Option: m_state = State::Data; break;
        case State::Sub:
            if (b == Iac)
                m_state = State::SubCommand;
            break;
        case State::SubCommand:
            if (b == Iac)
                m_state = State::Sub; // an escaped 255 inside the subnegotiation
            else if (b == Se)
                m_state = State::Data;
            else
                // A subnegotiation that is never closed must not swallow the
                // rest of the session: any other command ends it.
                command(b);
            break;
        }
    }

    RouterOutput out;
    out.text = m_decoder.decode(data);
    const QString window = m_tail + out.text;
    out.error = window.contains(ErrorWord);
    m_tail = window.right(ErrorWord.size() - 1);
    return out;
}

void RouterOutputParser::reset()
{
    m_state = State::Data;
    m_decoder.reset();
    m_tail.clear();
}

} // namespace mg
