#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Small shared checks that keep addresses, masks and numbers in shape.
// They hold no state; the callers decide which field gets which check.

namespace mg {

inline constexpr int BackspaceKey = 8;

// Key filters: given the text a box holds and the character code of a key,
// answer whether the key may be typed. Backspace is always accepted. The
// caller discards a refused key and beeps.
bool FilterAddressKey(const QString &currentText, int keyCode); // digits and ".", at most 15
bool FilterPhoneKey(const QString &currentText, int keyCode);   // digits and "-", at most 31
bool FilterDigitKey(const QString &currentText, int keyCode);   // digits, no length limit

// True when every character takes one byte in Shift_JIS (half-width
// katakana included). A character Shift_JIS cannot represent is not
// single-byte. The empty text passes.
bool IsSingleByteText(const QString &text);

// Four decimal parts of at most 255 joined by three dots. Leading zeros
// are allowed ("010.1.1.1"); the form alone is tested, not the meaning.
bool IsDottedQuad(const QString &text);

// The one reading of an IPv4 address the operator wrote, for everything the
// program connects to or serves: the address IsDottedQuad accepts, each part
// read as decimal whatever its leading zeros ("192.168.044.002" is
// 192.168.44.2, never octal), as a host-order value (QHostAddress(quint32)
// takes it). Nothing for any other text: no shorthand ("127.1"), no single
// number, no hexadecimal, no blanks. A resolver's parse would read "010" as
// 8 and send the login to another machine.
std::optional<quint32> readDottedQuad(const QString &text);

// Octet-wise AND of an address and a mask, written without leading zeros.
// Both arguments must have passed IsDottedQuad.
QString NetworkAddress(const QString &address, const QString &mask);

QString StripHyphens(const QString &number);

// The text and title of the message that reports a malformed field.
struct FormatErrorMessage {
    QString text;
    QString title;
};
FormatErrorMessage ReportFormatError(const QString &fieldName);

} // namespace mg
