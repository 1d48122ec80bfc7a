#include "ShiftJis.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mg::ShiftJis {

namespace {
// ICU knows cp932 as "windows-31j"; its plain "Shift_JIS" table lacks the
// Microsoft extensions (circled digits, NEC kanji) that Windows users type.
constexpr const char *CodecName = "windows-31j";

// ICU's table follows the IBM convention for three control codes: byte 0x1A
// is U+001C, 0x1C is U+007F and 0x7F is U+001A. Windows maps each of these
// bytes to the code point of the same value. None of them can be the second
// byte of a double-byte character, so swapping the code points around the
// conversion gives exactly the Windows bytes.
QString toIcuControls(QString text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0x1A: c = QChar(0x1C); break;
        case 0x1C: c = QChar(0x7F); break;
        case 0x7F: c = QChar(0x1A); break;
        default: break;
        }
    }
    return text;
}

QString fromIcuControls(QString text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0x1C: c = QChar(0x1A); break;
        case 0x7F: c = QChar(0x1C); break;
        case 0x1A: c = QChar(0x7F); break;
        default: break;
        }
    }
    return text;
}
} // namespace

std::optional<QByteArray> encode(const QString &text)
{
    QStringEncoder encoder(CodecName, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(toIcuControls(text));
    if (encoder.hasError())
        return std::nullopt;
    // ICU does not report a character it cannot map: it writes a substitute
    // (0x1A, or 0xFC 0xFC for wide characters) or a best fit ("¥" as "\").
    // Only bytes that read back as the very same text are a true encoding.
    const std::optional<QString> back = decodeStrict(bytes);
    if (!back || *back != text)
        return std::nullopt;
    return bytes;
}

std::optional<QString> decodeStrict(const QByteArray &bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return fromIcuControls(text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return fromIcuControls(decoder.decode(bytes));
}

int byteLength(const QString &character)
{
    const std::optional<QByteArray> bytes = encode(character);
    if (!bytes || bytes->isEmpty() || bytes->size() > 2)
        return 0;
    return int(bytes->size());
}

} // namespace mg::ShiftJis
