#include "LineCursor.h"

namespace mg {

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

std::optional<QString> LineCursor::next()
{
    if (atEnd())
        return std::nullopt;
    const qsizetype end = m_text.indexOf(CrLf, m_pos);
    const qsizetype stop = end < 0 ? m_text.size() : end + CrLf.size();
    QString line = m_text.mid(m_pos, stop - m_pos);
    m_pos = stop;
    return line;
}

int LineCursor::countLines(QStringView text)
{
    if (text.isEmpty())
        return 0;
    const int ended = int(text.count(CrLf));
    return text.endsWith(CrLf) ? ended : ended + 1;
}

int LineCursor::linesTaken() const
{
    return countLines(QStringView(m_text).left(m_pos));
}

int LineCursor::lineCount() const
{
    return countLines(m_text);
}

} // namespace mg
