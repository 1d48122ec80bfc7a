#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace mg {

// The code page of the router's files and console: Shift_JIS as Windows
// writes it (cp932). Conversions are strict: a character the code page
// cannot represent is an error, never a silent "?".
namespace ShiftJis {

// The bytes of text, or nothing when a character cannot be represented.
std::optional<QByteArray> encode(const QString &text);

// The text of bytes, or nothing when they are not valid cp932.
std::optional<QString> decodeStrict(const QByteArray &bytes);

// The text of bytes; a byte sequence that is not valid cp932 decodes to
// U+FFFD for that sequence, the rest is kept.
QString decode(const QByteArray &bytes);

// The number of bytes of one character (1 or 2), or 0 when the code page
// cannot represent it. A surrogate pair counts as one character.
int byteLength(const QString &character);

} // namespace ShiftJis
} // namespace mg
