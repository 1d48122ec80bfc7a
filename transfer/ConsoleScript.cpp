#include "ConsoleScript.h"

#include "LineCursor.h"
#include "SendText.h"

#include <algorithm>

namespace mg {

namespace {

using Await = ConsoleScript::Line::Await;

// The router's own lines are short; a line without an end this long is
// not one, and only its end can still matter.
constexpr qsizetype MaxOutputLine = 4096;

QString bare(const QString &line)
{
    return LineCursor::withoutLineEnd(line);
}

QStringList linesOf(const QString &text)
{
    QStringList lines;
    LineCursor cursor(text);
    while (const std::optional<QString> line = cursor.next())
        lines << *line;
    return lines;
}

// The reset, restart and factory login that open every serial send text.
void markPrefix(QList<ConsoleScript::Line> &lines)
{
    // delete, rename and the empty lines around them: a file that is not
    // there is no fault, so their answers are not looked at.
    for (int i = 0; i < 5; ++i)
        lines[i].step = InstallStep::Reset;
    for (int i = 5; i < 10; ++i)
        lines[i].step = InstallStep::Restart;
    ConsoleScript::Line &restart = lines[5];
    restart.await = Await::Question;   // the login prompt of the restarted router
    restart.restart = restart.boot = true;
    ConsoleScript::Line &wake = lines[6];
    wake.await = Await::Question;
    wake.restart = wake.boot = true;
    ConsoleScript::Line &user = lines[7];
    user.await = Await::Question;      // the password prompt
    user.restart = true;
    ConsoleScript::Line &password = lines[8];
    password.await = Await::Command;   // logged in with the factory password
    password.secret = password.restart = true;
    ConsoleScript::Line &empty = lines[9];
    empty.await = Await::Command;
    empty.checked = true;
    lines[10].checked = true;          // paging off
}

// The manager password (when set) and the saving of the boot configuration.
void markTail(QList<ConsoleScript::Line> &lines, qsizetype from, bool setsPassword)
{
    qsizetype i = from;
    for (qsizetype j = from; j < lines.size(); ++j)
        lines[j].step = InstallStep::BootConfig;
    if (setsPassword) {
        for (qsizetype j = from; j < from + 5; ++j)
            lines[j].step = InstallStep::Password;
        lines[i].await = Await::Question;  // "set password": the old password is asked
        lines[i++].checked = true;
        for (int answer = 0; answer < 3; ++answer) {
            ConsoleScript::Line &line = lines[i++];
            line.secret = line.checked = true;
            line.await = answer < 2 ? Await::Question : Await::Command;
        }
        lines[i].await = Await::Command;
        lines[i++].checked = true;
    }
    lines[i++].checked = true;             // paging on again
    for (int saving = 0; saving < 2; ++saving) { // create config=, set config=
        lines[i].await = Await::Command;
        lines[i++].checked = true;
    }
    lines[i].await = Await::LineEnd;       // the final restart
    lines[i].step = InstallStep::FinalRestart;
}

} // namespace

QList<ConsoleScript::Line> ConsoleScript::plan(const QString &sendText)
{
    const QStringList texts = linesOf(sendText);
    QList<Line> lines;
    lines.reserve(texts.size());
    for (const QString &text : texts)
        lines.append(Line{text});

    const QStringList prefix = linesOf(SendText::serialText(QString()));
    const bool hasPrefix = texts.size() >= prefix.size() && std::equal(prefix.cbegin(), prefix.cend(), texts.cbegin());
    const qsizetype scriptFrom = hasPrefix ? prefix.size() : 0;
    if (hasPrefix)
        markPrefix(lines);

    const qsizetype n = texts.size();
    auto at = [&](qsizetype i) { return bare(texts.at(i)); };
    qsizetype scriptTo = n;
    bool setsPassword = false;
    if (n - scriptFrom >= 4 && at(n - 4) == QLatin1String("set port=0 page=22")
        && at(n - 3).startsWith(QLatin1String("create config=")) && at(n - 2).startsWith(QLatin1String("set config="))
        && at(n - 1) == QLatin1String("restart router")) {
        scriptTo = n - 4;
        if (n - 9 >= scriptFrom && at(n - 9) == QLatin1String("set password") && at(n - 5).isEmpty()) {
            scriptTo = n - 9;
            setsPassword = true;
        }
        markTail(lines, scriptTo, setsPassword);
    }
    for (qsizetype i = scriptFrom; i < scriptTo; ++i) {
        lines[i].checked = true;
        lines[i].scriptLine = int(i - scriptFrom + 1);
    }
    return lines;
}

void ConsoleScript::reset(const QString &sendText)
{
    m_lines = plan(sendText);
    m_next = 0;
    m_echoed = -1;
    m_echo.clear();
    m_answered = false;
    m_partial.clear();
    m_lastLine.clear();
    m_waited = std::chrono::milliseconds(0);
}

bool ConsoleScript::lastAnswered() const
{
    return m_next == 0 || m_lines.at(m_next - 1).await == Await::Nothing || m_answered;
}

bool ConsoleScript::ready() const
{
    return lastAnswered();
}

std::optional<ConsoleScript::Line> ConsoleScript::take()
{
    if (atEnd())
        return std::nullopt;
    const Line line = m_lines.at(m_next++);
    const QString text = bare(line.text);
    m_echo.expect(text, !line.secret && !m_secrets.carriesSecret(text));
    m_answered = false;
    m_waited = std::chrono::milliseconds(0);
    return line;
}

ConsoleScript::Verdict ConsoleScript::feed(QStringView text)
{
    // Whole lines first: an "Error" comes before the prompt that follows it.
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            const QString ended = std::exchange(m_partial, QString());
            if (ended.trimmed().isEmpty())
                continue;
            const Verdict verdict = examine(ended);
            if (verdict.failed())
                return verdict;
            continue;
        }
        m_partial += c;
        if (m_partial.size() > MaxOutputLine)
            m_partial = m_partial.right(MaxOutputLine / 2);
    }

    Verdict verdict;
    if (m_next == 0 || !m_echo.isWaiting())
        return verdict;
    const Line &last = m_lines.at(m_next - 1);
    const bool taken = m_echo.feed(text);
    if (last.await == Await::LineEnd && m_echo.lineEnded()) {
        m_answered = true;
        verdict.answered = true;
        return verdict;
    }
    if (!taken)
        return verdict;
    const QString prompt = m_echo.prompt();
    const bool wrong = (last.await == Await::Question && prompt != QLatin1String(": "))
                       || (last.await == Await::Command && prompt != QLatin1String("> "));
    if (wrong) {
        verdict.failure = last.restart ? Failure::NotFactory : Failure::WrongPrompt;
        verdict.line = int(m_next - 1);
        verdict.routerLine = m_lastLine;
        return verdict;
    }
    m_answered = true;
    verdict.answered = true;
    return verdict;
}

ConsoleScript::Verdict ConsoleScript::examine(const QString &outputLine)
{
    QString rest = outputLine;
    // The router shows a typed line back (after its prompt): the first line
    // typed since the last one seen that this output holds is the line the
    // router is answering now.
    for (qsizetype i = m_echoed + 1; i < m_next; ++i) {
        const Line &typed = m_lines.at(i);
        const QString text = bare(typed.text);
        if (typed.secret || text.trimmed().isEmpty())
            continue;
        const qsizetype at = rest.indexOf(text);
        if (at >= 0) {
            m_echoed = i;
            rest.remove(at, text.size());
            break;
        }
    }
    m_lastLine = outputLine.trimmed();
    // An echo may itself hold the word (a name in the script): only the
    // router's own text counts.
    if (!rest.contains(QLatin1String("Error")))
        return {};
    const qsizetype owner = m_echoed >= 0 ? m_echoed : m_next - 1;
    if (owner < 0 || !m_lines.at(owner).checked)
        return {};
    Verdict verdict;
    verdict.failure = Failure::Refused;
    verdict.line = int(owner);
    // A prompt left on the line before the refusal is not part of it.
    verdict.routerLine = m_lastLine.mid(m_lastLine.indexOf(QLatin1String("Error")));
    return verdict;
}

InstallStep ConsoleScript::step() const
{
    if (m_lines.isEmpty())
        return InstallStep::Script;
    return m_lines.at(m_next > 0 ? m_next - 1 : 0).step;
}

QList<InstallStep> ConsoleScript::steps() const
{
    QList<InstallStep> list;
    for (const Line &line : m_lines) {
        if (list.isEmpty() || list.constLast() != line.step)
            list << line.step;
    }
    return list;
}

int ConsoleScript::lastLineOf(InstallStep step) const
{
    for (qsizetype i = m_lines.size() - 1; i >= 0; --i) {
        if (m_lines.at(i).step == step)
            return int(i);
    }
    return -1;
}

ConsoleScript::Verdict ConsoleScript::waited(std::chrono::milliseconds period)
{
    if (ready() || m_next == 0)
        return {};
    m_waited += period;
    const Line &last = m_lines.at(m_next - 1);
    const std::chrono::milliseconds limit = last.boot ? BootWait : AnswerWait;
    if (m_waited < limit)
        return {};
    Verdict verdict;
    verdict.failure = last.restart ? Failure::NoLoginPrompt : Failure::NoAnswer;
    verdict.line = int(m_next - 1);
    verdict.routerLine = m_lastLine;
    return verdict;
}

} // namespace mg
