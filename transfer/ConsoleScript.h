#pragma once

#include "EchoWatch.h"
#include "SecretMasker.h"
#include "TransferRequest.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <chrono>
#include <optional>

namespace mg {

// The serial send text as a dialogue with the router: every line typed, and
// what the router must answer before the installation may go on. No port and
// no timer here: the transfer session types what this allows, feeds it the
// router's output and the time it has waited, and acts on the verdicts.
//
// The reset, the factory login after the restart, the manager password and
// the saving of the boot configuration are recognised by their lines (the
// ones SendText builds); everything between them is the command script.
// Lines of the script are typed at the session's pace without waiting for
// their answers, but an "Error" the router prints for one of them ends the
// transfer. The steps that decide whether the router ends up with the new
// configuration wait for the right prompt before the next line goes:
// after the restart the login prompt (for as long as a router may take to
// boot), a password only at the question that asks for it, and the saving
// lines at the command prompt without an "Error".
class ConsoleScript {
public:
    // How long the router may take to come back after the reset's restart.
    static constexpr std::chrono::seconds BootWait{90};
    // How long any other awaited answer may take.
    static constexpr std::chrono::seconds AnswerWait{30};
    // Lines of the reset that opens every serial send text: the one that
    // moves boot.cfg aside, and the restart.
    static constexpr int RenameLine = 2;
    static constexpr int ResetRestartLine = 5;

    struct Line {
        // What the router must show after the line before the next one goes.
        enum class Await {
            Nothing,  // the pace alone decides
            Question, // a prompt ending in ": " (login, password)
            Command,  // the command prompt "> "
            LineEnd,  // the line taken (its echo and line end), whatever follows
        };
        QString text;           // as typed, CR LF included
        Await await = Await::Nothing;
        bool secret = false;    // a password: never echoed, never shown
        bool checked = false;   // an "Error" in its answer ends the transfer
        bool restart = false;   // the factory restart and login: a wrong answer means an old configuration
        bool boot = false;      // its answer may take as long as the router's boot
        int scriptLine = 0;     // 1-based line of the command script; 0 for the program's own lines
        InstallStep step = InstallStep::Script; // the part of the installation it belongs to
    };

    enum class Failure {
        None,
        Refused,       // the router printed "Error" for a checked line
        NotFactory,    // after the restart the factory login did not give the command prompt
        NoLoginPrompt, // the router did not come back after the restart in BootWait
        NoAnswer,      // an awaited answer did not come in AnswerWait
        WrongPrompt,   // a question where the command prompt was due, or the other way round
    };

    struct Verdict {
        Failure failure = Failure::None;
        int line = -1;          // index of the line concerned
        QString routerLine;     // the router's line that refused it
        bool answered = false;  // the last line typed has been taken (echo pacing may go on)

        bool failed() const { return failure != Failure::None; }
    };

    // The lines of a send text with what each awaits.
    static QList<Line> plan(const QString &sendText);

    void reset(const QString &sendText);
    // Lines holding one of these are not awaited for their echo: the
    // router does not show a line with a password.
    void setSecrets(const QStringList &secrets)
    {
        m_secrets = SecretMasker();
        for (const QString &secret : secrets)
            m_secrets.addSecret(secret);
    }

    // Whether the next line may be typed now: nothing is typed yet, or what
    // the last one awaits has come.
    bool ready() const;
    // The next line (its state is watched from now on), or nothing at the end.
    std::optional<Line> take();
    bool atEnd() const { return m_next >= m_lines.size(); }
    // Every line typed and what the last one awaited has come.
    bool complete() const { return atEnd() && ready(); }

    // The router's output.
    Verdict feed(QStringView text);
    // The session waited this long without the next line being allowed;
    // a failure once the awaited answer is overdue.
    Verdict waited(std::chrono::milliseconds period);

    int linesTaken() const { return int(m_next); }
    int lineCount() const { return int(m_lines.size()); }
    const Line &line(int index) const { return m_lines.at(index); }
    // Whether the last line typed is awaited for its echo (echo pacing).
    bool awaitingEcho() const { return m_echo.isWaiting(); }

    // The step of the line typed last (the first line's before any).
    InstallStep step() const;
    // The steps of the send text, each once, in their order.
    QList<InstallStep> steps() const;
    // Whether the send text opens with the reset (RenameLine and
    // ResetRestartLine are then those lines).
    bool hasReset() const { return !m_lines.isEmpty() && m_lines.first().step == InstallStep::Reset; }
    // The last line of a step; -1 when the send text has none.
    int lastLineOf(InstallStep step) const;
    // Whether a line has been typed; taken: and the router gave the answer
    // it awaits (a line that awaits nothing: typed).
    bool typed(int index) const { return index >= 0 && index < m_next; }
    bool taken(int index) const { return typed(index) && (index < m_next - 1 || lastAnswered()); }

private:
    Verdict examine(const QString &outputLine);
    bool lastAnswered() const;

    QList<Line> m_lines;
    SecretMasker m_secrets;
    QString m_lastLine;         // the router's last non-empty line
    qsizetype m_next = 0;       // the next line to type
    qsizetype m_echoed = -1;    // the last line whose echo the router showed
    EchoWatch m_echo;           // the answer to the last line typed
    bool m_answered = false;    // what the last line awaits has come
    QString m_partial;          // the router's line not yet ended
    std::chrono::milliseconds m_waited{0};
};

} // namespace mg
