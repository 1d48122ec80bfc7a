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

// Decodes a byte stream that arrives in pieces (a serial line, a socket). A
// two-byte character whose lead byte ends one piece decodes whole when the
// next piece brings its second byte. Same table and control codes as
// decode(); a byte sequence that is not valid cp932 becomes U+FFFD.
class Decoder {
public:
    QString decode(const QByteArray &chunk);
    // Forgets a lead byte still waiting for its second byte.
    void reset();

private:
    char m_lead = 0; // 0: none waiting (0x00 is never a lead byte)
};

} // namespace ShiftJis
} // namespace mg
