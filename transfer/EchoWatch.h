#pragma once

#include <QString>

namespace mg {

// Tells when the router has taken a typed line: it has echoed the line's
// text, then its line end, and then shown a prompt ("> " the command
// prompt, ": " a question such as a password). A line the router does not
// echo (a password) or an empty one waits for the line end and the prompt
// only. Output that was already on its way when the line was typed cannot
// pass for the answer, since the echo has to come first.
class EchoWatch {
public:
    // A line was typed (without its CR LF); expectEcho: the router shows it.
    void expect(const QString &lineText, bool expectEcho);
    // Nothing is awaited any more.
    void clear()
    {
        m_phase = Phase::Idle;
        m_prompt.clear();
    }
    bool isWaiting() const { return m_phase != Phase::Idle; }

    // Router output; true once (and only once) the line has been taken.
    bool feed(QStringView text);
    // The prompt that ended the last wait ("> " or ": "); empty before.
    QString prompt() const { return m_prompt; }
    // The echo (if any) and the line's end have come: the router has the line.
    bool lineEnded() const { return m_phase == Phase::Prompt || (m_phase == Phase::Idle && !m_prompt.isEmpty()); }

private:
    enum class Phase { Idle, Echo, LineEnd, Prompt };

    Phase m_phase = Phase::Idle;
    QString m_echo;      // the text the router has to show
    QString m_seen;      // the last characters seen while waiting for the echo
    QString m_tail;      // the last two characters after the line end
    QString m_prompt;
};

} // namespace mg
