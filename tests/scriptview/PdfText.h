#pragma once

// Reads back the text of a PDF file written by Qt's PDF engine, so a test can
// check what a printout says without any outside tool. It reads only what
// that engine writes: one "dx dy Td <glyph> Tj" per character between BT and
// ET, fonts named "/F<object number>" with a ToUnicode map of bfrange
// sections. Text drawn any other way comes back as an error, never a guess.

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

namespace mgtest {

struct PdfLine {
    QString text;
    QList<double> x; // where each character of `text` starts, left to right
};

struct PdfText {
    QList<QList<PdfLine>> pages; // lines top to bottom
    QString error;

    QStringList lines(int page) const
    {
        QStringList texts;
        for (const PdfLine &line : pages.value(page))
            texts << line.text;
        return texts;
    }
};

namespace pdfdetail {

// Glyph -> text, from a map's ranges: "<low> <high> <first character>" or
// "<low> <high> [<character> ...]", characters in UTF-16 hex.
inline QHash<uint, QString> toUnicode(const QString &cmap)
{
    static const QRegularExpression range(QStringLiteral("<(\\w+)>\\s*<(\\w+)>\\s*(<\\w+>|\\[[^\\]]*\\])"));
    static const QRegularExpression item(QStringLiteral("<(\\w+)>"));
    const auto utf16 = [](const QString &hex) {
        return QString(QStringDecoder(QStringDecoder::Utf16BE)(QByteArray::fromHex(hex.toLatin1())));
    };
    QHash<uint, QString> map;
    for (const QRegularExpressionMatch &m : range.globalMatch(cmap)) {
        uint code = m.captured(1).toUInt(nullptr, 16);
        const uint high = m.captured(2).toUInt(nullptr, 16);
        if (m.captured(3).startsWith(QLatin1Char('<'))) {
            for (char16_t c = utf16(m.captured(3).mid(1).chopped(1)).front().unicode(); code <= high; ++code, ++c)
                map[code] = QChar(c);
        } else {
            for (const QRegularExpressionMatch &i : item.globalMatch(m.captured(3)))
                map[code++] = utf16(i.captured(1));
        }
    }
    return map;
}

} // namespace pdfdetail

inline PdfText readPdfText(const QString &path)
{
    PdfText result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QString pdf = QString::fromLatin1(file.readAll());
    // Object number -> its dictionary and its stream, inflated.
    QMap<int, std::pair<QString, QString>> objects;
    static const QRegularExpression object(QStringLiteral("(\\d+) 0 obj(.*?)endobj"),
                                           QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch &m : object.globalMatch(pdf)) {
        const QString body = m.captured(2);
        const qsizetype at = body.indexOf(QLatin1String("stream\n"));
        const QString dict = at < 0 ? body : body.left(at);
        const qsizetype end = body.lastIndexOf(QLatin1String("endstream"));
        QByteArray stream = at < 0 ? QByteArray() : body.mid(at + 7, end - at - 7).toLatin1();
        if (dict.contains(QLatin1String("/FlateDecode"))) {
            QByteArray sized(4, '\0'); // qUncompress wants a size hint in front
            qToBigEndian<quint32>(quint32(std::max<qsizetype>(64, stream.size() * 16)), sized.data());
            stream = qUncompress(sized + stream);
        }
        objects.insert(m.captured(1).toInt(), {dict, QString::fromLatin1(stream)});
    }
    const auto ref = [&objects](int number, const char *key) {
        const QRegularExpression re(QStringLiteral("/%1 (\\d+) 0 R").arg(QLatin1String(key)));
        return objects.value(re.match(objects.value(number).first).captured(1).toInt());
    };

    static const QRegularExpression kid(QStringLiteral("(\\d+) 0 R"));
    static const QRegularExpression text(QStringLiteral("\\bBT\\b|/F(\\d+) [\\d.]+ Tf|(\\S+) (\\S+) Td <(\\w{4})> Tj"));
    const QString kids = pdf.section(QLatin1String("/Kids"), 1).section(QLatin1Char(']'), 0, 0);
    for (const QRegularExpressionMatch &page : kid.globalMatch(kids)) {
        const QString content = ref(page.captured(1).toInt(), "Contents").second;
        // Glyphs by their height on the page, higher first, then left to right.
        QMap<qint64, QList<std::pair<double, QString>>> rows;
        QHash<uint, QString> font;
        int glyphs = 0;
        double x = 0, y = 0;
        for (const QRegularExpressionMatch &m : text.globalMatch(content)) {
            if (m.captured() == QLatin1String("BT")) {
                x = y = 0;
            } else if (m.hasCaptured(1)) {
                font = pdfdetail::toUnicode(ref(m.captured(1).toInt(), "ToUnicode").second);
            } else {
                x += m.captured(2).toDouble();
                y += m.captured(3).toDouble();
                const uint code = m.captured(4).toUInt(nullptr, 16);
                if (!font.contains(code)) {
                    result.error = QStringLiteral("glyph %1 has no text").arg(code);
                    return result;
                }
                // The engine maps a glyph back to the first character that
                // uses it: the space of most fonts comes back as a tab.
                const QString mapped = font.value(code);
                rows[-qRound64(y * 100)].append({x, mapped == QLatin1String("\t") ? QStringLiteral(" ") : mapped});
                ++glyphs;
            }
        }
        if (glyphs != content.count(QLatin1String("Tj")) || content.contains(QLatin1String("TJ"))) {
            result.error = QStringLiteral("text drawn in a way this reader does not know");
            return result;
        }
        QList<PdfLine> lines;
        for (auto &row : rows) {
            std::stable_sort(row.begin(), row.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
            PdfLine line;
            for (const auto &[at, glyph] : row) {
                line.text += glyph;
                line.x.insert(line.x.size(), glyph.size(), at);
            }
            lines << line;
        }
        result.pages << lines;
    }
    if (result.pages.isEmpty())
        result.error = QStringLiteral("no pages");
    return result;
}

} // namespace mgtest
