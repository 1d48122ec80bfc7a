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
    if (!IsSingleByteText(text))
        return false;
    const QString work = text + QLatin1Char('.');
    if (work.count(QLatin1Char('.')) != 4)
        return false;
    if (work.contains(QLatin1String("..")))
        return false;
    if (work.startsWith(QLatin1Char('.')))
        return false;
    const QStringList parts = text.split(QLatin1Char('.'));
    for (const QString &part : parts) {
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        if (leadingNumber(part) > 255)
            return false;
    }
    return true;
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
