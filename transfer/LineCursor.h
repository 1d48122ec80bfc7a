#pragma once

#include <QString>
#include <optional>

namespace mg {

// Walks a text of router lines, each ended by CR LF, one line at a time: the
// login lines, the serial send text and the Telnet command queue are all
// typed this way. A last piece without CR LF is a line of its own.
class LineCursor {
public:
    explicit LineCursor(QString text = QString()) : m_text(std::move(text)) {}

    // Starts over with another text.
    void reset(QString text)
    {
        m_text = std::move(text);
        m_pos = 0;
    }
    // More lines after those already there; the position stays.
    void append(const QString &more) { m_text += more; }

    // The next line through its CR LF, or nothing when all were taken.
    std::optional<QString> next();

    bool atEnd() const { return m_pos >= m_text.size(); }
    // A line as next() gives it, without its CR LF.
    static QString withoutLineEnd(const QString &line)
    {
        return line.endsWith(QLatin1String("\r\n")) ? line.chopped(2) : line;
    }
    const QString &text() const { return m_text; }
    // Lines taken so far and lines in all (a last piece without CR LF counts).
    int linesTaken() const;
    int lineCount() const;

private:
    static int countLines(QStringView text);

    QString m_text;
    qsizetype m_pos = 0;
};

} // namespace mg
