#include "EchoWatch.h"

namespace mg {

void EchoWatch::expect(const QString &lineText, bool expectEcho)
{
    m_echo = expectEcho ? lineText : QString();
    m_seen.clear();
    m_tail.clear();
    m_prompt.clear();
    m_phase = m_echo.isEmpty() ? Phase::LineEnd : Phase::Echo;
}

bool EchoWatch::feed(QStringView text)
{
    if (m_phase == Phase::Echo) {
        m_seen.append(text);
        const qsizetype at = m_seen.indexOf(m_echo);
        if (at < 0) {
            // Only a beginning of the echo can still matter.
            m_seen = m_seen.right(m_echo.size() - 1);
            return false;
        }
        const QString rest = m_seen.mid(at + m_echo.size());
        m_seen.clear();
        m_phase = Phase::LineEnd;
        return feed(rest);
    }
    if (m_phase == Phase::LineEnd) {
        qsizetype end = -1;
        for (qsizetype i = 0; i < text.size() && end < 0; ++i) {
            if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n'))
                end = i;
        }
        if (end < 0)
            return false;
        m_phase = Phase::Prompt;
        return feed(text.mid(end + 1));
    }
    if (m_phase == Phase::Prompt) {
        m_tail = m_tail.append(text).right(2);
        if (m_tail == QLatin1String("> ") || m_tail == QLatin1String(": ")) {
            m_phase = Phase::Idle;
            m_prompt = m_tail;
            return true;
        }
    }
    return false;
}

} // namespace mg
