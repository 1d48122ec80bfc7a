#include "ControlEscapes.h"

namespace mg {

QString escapeControls(QStringView text, ControlEscaping how)
{
    const bool oneLine = how == ControlEscaping::OneLine;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool lineBreak = u == u'\r' || u == u'\n' || u == u'\t';
        if (u == u'\\' && oneLine)
            out += QStringLiteral("\\\\");
        else if ((u < 0x20 && (oneLine || !lineBreak)) || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace mg
