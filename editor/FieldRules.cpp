#include "FieldRules.h"

#include "AddressChecks.h"

#include <QLineEdit>

namespace mg {

bool isNameCharacter(int keyCode)
{
    return keyCode >= 33 && keyCode <= 126 && keyCode != 34 && keyCode != 63;
}

bool FieldKeyRule::accept(QLineEdit *box, int keyCode) const
{
    if (clearSelection && box->hasSelectedText())
        box->clear();
    return acceptText(box->text(), keyCode);
}

bool FieldKeyRule::acceptText(const QString &text, int keyCode) const
{
    switch (filter) {
    case Filter::Address:
        if (!FilterAddressKey(text, keyCode))
            return false;
        break;
    case Filter::Phone:
        if (!FilterPhoneKey(text, keyCode))
            return false;
        break;
    case Filter::Digits:
        if (!FilterDigitKey(text, keyCode))
            return false;
        break;
    case Filter::None:
        break;
    }
    if (keyCode == BackspaceKey)
        return true;
    if (nameCharacters && !isNameCharacter(keyCode))
        return false;
    return maxLength <= 0 || text.size() < maxLength;
}

} // namespace mg
