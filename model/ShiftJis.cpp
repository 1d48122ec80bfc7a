#include "ShiftJis.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mg::ShiftJis {

namespace {
// ICU knows cp932 as "windows-31j"; its plain "Shift_JIS" table lacks the
// Microsoft extensions (circled digits, NEC kanji) that Windows users type.
constexpr const char *CodecName = "windows-31j";
}

std::optional<QByteArray> encode(const QString &text)
{
    QStringEncoder encoder(CodecName, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    // ICU substitutes unmappable characters with the SUB control (0x1A)
    // instead of reporting them; the files never legitimately hold it.
    if (bytes.contains('\x1a') && !text.contains(QChar(0x1a)))
        return std::nullopt;
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

int byteLength(const QString &character)
{
    const std::optional<QByteArray> bytes = encode(character);
    if (!bytes || bytes->isEmpty() || bytes->size() > 2)
        return 0;
    return int(bytes->size());
}

} // namespace mg::ShiftJis
