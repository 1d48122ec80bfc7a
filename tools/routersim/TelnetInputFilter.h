#pragma once

#include <QByteArray>

namespace mg::routersim {

// Takes the Telnet protocol out of what a client sends: option negotiation
// and subnegotiation are dropped whatever they ask (the router never changes
// its mind), IAC IAC is one 0xFF, and the NUL a client may send after a bare
// CR is dropped. Sequences may be cut anywhere between reads.
class TelnetInputFilter {
public:
    QByteArray feed(const QByteArray &bytes)
    {
        QByteArray data;
        for (const char c : bytes) {
            const auto b = quint8(c);
            switch (m_state) {
            case State::Data:
                if (b == Iac) {
                    m_state = State::Command;
                } else if (b == 0 && m_afterCr) {
                    m_afterCr = false;
                } else {
                    m_afterCr = b == '\r';
                    data += c;
                }
                break;
            case State::Command:
                if (b == Iac) {
                    data += c;
                    m_afterCr = false;
                    m_state = State::Data;
                } else if (b >= Will && b <= Dont) {
                    m_state = State::Option;
                } else if (b == Sb) {
                    m_state = State::Sub;
                } else {
                    m_state = State::Data; // a two-byte command
                }
                break;
            case State::Option:
                m_state = State::Data;
                break;
            case State::Sub:
                if (b == Iac)
                    m_state = State::SubIac;
                break;
            case State::SubIac:
                m_state = b == Se ? State::Data : State::Sub;
                break;
            }
        }
        return data;
    }

private:
    enum : quint8 { Se = 0xF0, Sb = 0xFA, Will = 0xFB, Dont = 0xFE, Iac = 0xFF };
    enum class State { Data, Command, Option, Sub, SubIac };
    State m_state = State::Data;
    bool m_afterCr = false;
};

} // namespace mg::routersim
