#include "AddressChecks.h"

#include "NumericText.h"
#include "ShiftJis.h"

#include <QStringList>

namespace mg {

namespace {

bool isDigit(int keyCode) { return keyCode >= '0' && keyCode <= '9'; }

bool filterWithSeparator(const QString &currentText, int keyCode, int separator, int maxLength)
{
    if (keyCode == BackspaceKey)
        return true;
    if (!isDigit(keyCode) && keyCode != separator)
        return false;
    return currentText.size() < maxLength;
}

} // namespace

bool FilterAddressKey(const QString &currentText, int keyCode)
{
    return filterWithSeparator(currentText, keyCode, '.', 15);
}

bool FilterPhoneKey(const QString &currentText, int keyCode)
{
    return filterWithSeparator(currentText, keyCode, '-', 31);
}

bool FilterDigitKey(const QString &, int keyCode)
{
    return keyCode == BackspaceKey || isDigit(keyCode);
}

bool IsSingleByteText(const QString &text)
{
    // Plain ASCII is one byte in Shift_JIS; only the rest needs the table.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return true;
    const std::optional<QByteArray> bytes = ShiftJis::encode(text);
    if (!bytes)
        return false;
    // Every character must have become exactly one byte. Surrogate pairs
    // never encode, so counting UTF-16 units is exact here.
    return bytes->size() == text.size();
}

bool IsDottedQuad(const QString &text)
{
    return readDottedQuad(text).has_value();
}

std::optional<quint32> readDottedQuad(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString &part : parts) {
        // Digits only: no sign, blank, "0x" or full-width digit gets through.
        if (part.isEmpty())
            return std::nullopt;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        const std::int64_t number = leadingNumber(part);
        if (number > 255)
            return std::nullopt;
        value = (value << 8) | quint32(number);
    }
    return value;
}

QString NetworkAddress(const QString &address, const QString &mask)
{
    const QStringList a = address.split(QLatin1Char('.'));
    const QStringList m = mask.split(QLatin1Char('.'));
    QStringList out;
    for (int i = 0; i < 4; ++i) {
        const std::int64_t ai = i < a.size() ? leadingNumber(a[i]) : 0;
        const std::int64_t mi = i < m.size() ? leadingNumber(m[i]) : 0;
        out << QString::number(ai & mi & 0xff);
    }
    return out.join(QLatin1Char('.'));
}

QString StripHyphens(const QString &number)
{
    QString out = number;
    out.remove(QLatin1Char('-'));
    return out;
}

FormatErrorMessage ReportFormatError(const QString &fieldName)
{
    return {fieldName + QStringLiteral("の形式が正しくありません。"), fieldName};
}

} // namespace mg
