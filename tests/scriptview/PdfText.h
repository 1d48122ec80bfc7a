#pragma once

// Reads the text of the pages of a PDF file written by Qt's PDF engine, so a
// test can check what a printout says without any outside tool. It knows
// exactly what that engine writes: numbered objects, Flate-compressed
// content streams, Type0 fonts with a ToUnicode map, and one glyph drawn per
// "Td <code> Tj". Anything else comes back as an error, never as a guess.

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QString>
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

struct Object {
    QByteArray dict;
    QByteArray stream;
};

inline int ref(const QByteArray &dict, const char *key)
{
    const QRegularExpression re(QStringLiteral("/%1\\s+(\\d+)\\s+0\\s+R").arg(QLatin1String(key)));
    const auto match = re.match(QString::fromLatin1(dict));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

inline QMap<int, Object> objects(const QByteArray &pdf, QString *error)
{
    QMap<int, Object> all;
    QHash<int, QByteArray> rawLength; // object number -> its "/Length" text
    const QRegularExpression head(QStringLiteral("(?:^|\\n)(\\d+) 0 obj\\s*"));
    const QString text = QString::fromLatin1(pdf);
    QList<std::pair<int, qsizetype>> starts;
    for (auto it = head.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        starts.append({m.captured(1).toInt(), m.capturedEnd()});
    }
    // Streams are cut by their declared lengths, which may be objects of
    // their own, so the dictionaries come first.
    QHash<int, qsizetype> streamAt;
    for (const auto &[number, at] : starts) {
        const qsizetype end = pdf.indexOf("endobj", at);
        const qsizetype stream = pdf.indexOf("stream\n", at);
        Object object;
        if (stream >= 0 && (end < 0 || stream < end)) {
            object.dict = pdf.mid(at, stream - at);
            streamAt.insert(number, stream + 7);
        } else {
            object.dict = pdf.mid(at, end - at).trimmed();
        }
        all.insert(number, object);
    }
    for (auto it = streamAt.cbegin(); it != streamAt.cend(); ++it) {
        Object &object = all[it.key()];
        bool ok = false;
        qsizetype length = -1;
        const int lengthRef = ref(object.dict, "Length");
        if (lengthRef >= 0) {
            length = all.value(lengthRef).dict.trimmed().toLongLong(&ok);
        } else {
            const QRegularExpression re(QStringLiteral("/Length\\s+(\\d+)"));
            const auto m = re.match(QString::fromLatin1(object.dict));
            length = m.captured(1).toLongLong(&ok);
        }
        if (!ok || it.value() + length > pdf.size()) {
            *error = QStringLiteral("object %1: stream without a usable length").arg(it.key());
            return {};
        }
        QByteArray data = pdf.mid(it.value(), length);
        if (object.dict.contains("/FlateDecode")) {
            QByteArray sized(4, '\0');
            qToBigEndian<quint32>(quint32(std::max<qsizetype>(64, data.size() * 16)), sized.data());
            data = qUncompress(sized + data);
            if (data.isEmpty()) {
                *error = QStringLiteral("object %1: stream does not inflate").arg(it.key());
                return {};
            }
        }
        object.stream = data;
    }
    return all;
}

inline QString utf16(const QByteArray &hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t((uchar(bytes[i]) << 8) | uchar(bytes[i + 1])));
    return text;
}

// Glyph code -> text, from a ToUnicode map's bfchar and bfrange sections.
inline QHash<uint, QString> toUnicode(const QByteArray &cmap)
{
    QHash<uint, QString> map;
    const QString text = QString::fromLatin1(cmap);
    const QRegularExpression chars(QStringLiteral("beginbfchar(.*?)endbfchar"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression pair(QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>"));
    for (auto it = chars.globalMatch(text); it.hasNext();) {
        const QString section = it.next().captured(1);
        for (auto p = pair.globalMatch(section); p.hasNext();) {
            const auto m = p.next();
            map.insert(m.captured(1).toUInt(nullptr, 16), utf16(m.captured(2).toLatin1()));
        }
    }
    const QRegularExpression ranges(QStringLiteral("beginbfrange(.*?)endbfrange"),
                                    QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression range(
        QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(?:<([0-9A-Fa-f]+)>|\\[([^\\]]*)\\])"));
    const QRegularExpression item(QStringLiteral("<([0-9A-Fa-f]+)>"));
    for (auto it = ranges.globalMatch(text); it.hasNext();) {
        const QString section = it.next().captured(1);
        for (auto r = range.globalMatch(section); r.hasNext();) {
            const auto m = r.next();
            const uint low = m.captured(1).toUInt(nullptr, 16);
            const uint high = m.captured(2).toUInt(nullptr, 16);
            if (!m.captured(3).isEmpty()) {
                const QString first = utf16(m.captured(3).toLatin1());
                for (uint code = low; code <= high && !first.isEmpty(); ++code) {
                    QString mapped = first;
                    mapped[mapped.size() - 1] = QChar(char16_t(first.back().unicode() + (code - low)));
                    map.insert(code, mapped);
                }
            } else {
                uint code = low;
                for (auto i = item.globalMatch(m.captured(4)); i.hasNext() && code <= high; ++code)
                    map.insert(code, utf16(i.next().captured(1).toLatin1()));
            }
        }
    }
    return map;
}

} // namespace pdfdetail

inline PdfText readPdfText(const QString &path)
{
    using namespace pdfdetail;
    PdfText result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray pdf = file.readAll();
    const QMap<int, Object> all = objects(pdf, &result.error);
    if (!result.error.isEmpty())
        return result;

    QList<int> pageNumbers;
    for (const Object &object : all) {
        if (!object.dict.contains("/Type /Pages"))
            continue;
        const QRegularExpression kid(QStringLiteral("(\\d+)\\s+0\\s+R"));
        const QByteArray kids = object.dict.mid(object.dict.indexOf("/Kids"));
        const QByteArray list = kids.left(kids.indexOf(']'));
        for (auto it = kid.globalMatch(QString::fromLatin1(list)); it.hasNext();)
            pageNumbers << it.next().captured(1).toInt();
    }
    if (pageNumbers.isEmpty())
        result.error = QStringLiteral("no pages");

    for (int pageNumber : pageNumbers) {
        const Object page = all.value(pageNumber);
        const Object resources = all.value(ref(page.dict, "Resources"));
        QHash<QString, QHash<uint, QString>> fonts;
        const QRegularExpression fontRef(QStringLiteral("/(\\w+)\\s+(\\d+)\\s+0\\s+R"));
        const QByteArray fontDict = resources.dict.mid(resources.dict.indexOf("/Font"));
        const QByteArray fontList = fontDict.left(fontDict.indexOf(">>"));
        for (auto it = fontRef.globalMatch(QString::fromLatin1(fontList)); it.hasNext();) {
            const auto m = it.next();
            const Object font = all.value(m.captured(2).toInt());
            fonts.insert(m.captured(1), toUnicode(all.value(ref(font.dict, "ToUnicode")).stream));
        }

        // Runs by their height on the page, higher first; then left to right.
        QMap<qint64, QList<std::pair<double, QString>>> rows;
        QList<QByteArray> operands;
        QString font;
        double tx = 0, ty = 0;
        const QByteArray content = all.value(ref(page.dict, "Contents")).stream;
        const QRegularExpression token(QStringLiteral("<[0-9A-Fa-f]*>|\\[[^\\]]*\\]|\\([^)]*\\)|[^\\s<\\[(]+"));
        for (auto it = token.globalMatch(QString::fromLatin1(content)); it.hasNext();) {
            const QByteArray word = it.next().captured().toLatin1();
            const char c = word.at(0);
            const bool operand = c == '<' || c == '/' || c == '[' || c == '(' || c == '-' || c == '.'
                                 || (c >= '0' && c <= '9');
            if (operand) {
                operands << word;
                continue;
            }
            if (word == "BT") {
                tx = ty = 0;
            } else if (word == "Tf" && operands.size() >= 2) {
                font = QString::fromLatin1(operands.at(operands.size() - 2).mid(1));
            } else if (word == "Tm" && operands.size() >= 6) {
                tx = operands.at(operands.size() - 2).toDouble();
                ty = operands.at(operands.size() - 1).toDouble();
            } else if (word == "Td" && operands.size() >= 2) {
                tx += operands.at(operands.size() - 2).toDouble();
                ty += operands.at(operands.size() - 1).toDouble();
            } else if (word == "Tj" && !operands.isEmpty() && operands.constLast().startsWith('<')) {
                const QByteArray hex = operands.constLast().mid(1, operands.constLast().size() - 2);
                QString text;
                for (qsizetype i = 0; i + 3 < hex.size(); i += 4) {
                    const uint code = hex.mid(i, 4).toUInt(nullptr, 16);
                    if (!fonts.value(font).contains(code)) {
                        result.error = QStringLiteral("glyph %1 of font %2 has no text").arg(code).arg(font);
                        return result;
                    }
                    // The engine maps a glyph back to the first character that
                    // uses it: the space of most fonts comes back as a tab.
                    const QString mapped = fonts.value(font).value(code);
                    text += mapped == QStringLiteral("\t") ? QStringLiteral(" ") : mapped;
                }
                rows[-qRound64(ty * 100)].append({tx, text});
            } else if (word == "TJ" || word == "'" || word == "\"") {
                result.error = QStringLiteral("text operator %1 is not read").arg(QString::fromLatin1(word));
                return result;
            }
            operands.clear();
        }
        QList<PdfLine> lines;
        for (auto row = rows.begin(); row != rows.end(); ++row) {
            std::stable_sort(row->begin(), row->end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; });
            PdfLine line;
            for (const auto &[x, text] : *row) {
                line.text += text;
                for (qsizetype i = 0; i < text.size(); ++i)
                    line.x << x;
            }
            lines << line;
        }
        result.pages << lines;
    }
    return result;
}

} // namespace mgtest
