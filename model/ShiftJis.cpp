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
constexpr char16_t WindowsControls[] = {0x1A, 0x1C, 0x7F};
constexpr char16_t IcuControls[] = {0x1C, 0x7F, 0x1A};

QString swapControls(QString text, const char16_t (&from)[3], const char16_t (&to)[3])
{
    for (QChar &c : text) {
        for (int i = 0; i < 3; ++i) {
            if (c.unicode() == from[i]) {
                c = QChar(to[i]);
                break;
            }
        }
    }
    return text;
}

QString toIcuControls(const QString &text) { return swapControls(text, WindowsControls, IcuControls); }
QString fromIcuControls(const QString &text) { return swapControls(text, IcuControls, WindowsControls); }

bool isLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrailByte(uchar b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool isInvalidSingle(uchar b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }
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

// Qt's stateful decoder does keep a lead byte across calls, but ICU marks an
// invalid byte with U+001A, the very code point it gives the valid byte 0x7F,
// so its output cannot tell the two apart. The decoder therefore frames the
// characters itself and hands only well-formed runs to the converter.
QString Decoder::decode(const QByteArray &chunk)
{
    QString text;
    QByteArray run; // well-formed bytes not yet converted
    auto invalid = [&] {
        text += ShiftJis::decode(run);
        run.clear();
        text += QChar(QChar::ReplacementCharacter);
    };
    for (const char c : chunk) {
        const uchar b = uchar(c);
        if (m_lead) {
            const char lead = m_lead;
            m_lead = 0;
            if (isTrailByte(b)) {
                run += lead;
                run += c;
                continue;
            }
            // A lead byte without its second byte is one bad character; the
            // byte after it starts afresh (it cannot be a lead byte itself).
            invalid();
        }
        if (isLeadByte(b))
            m_lead = c;
        else if (isInvalidSingle(b))
            invalid();
        else
            run += c;
    }
    text += ShiftJis::decode(run);
    return text;
}

void Decoder::reset() { m_lead = 0; }

int byteLength(const QString &character)
{
    const std::optional<QByteArray> bytes = encode(character);
    if (!bytes || bytes->isEmpty() || bytes->size() > 2)
        return 0;
    return int(bytes->size());
}

} // namespace mg::ShiftJis
