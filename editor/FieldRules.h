#pragma once

#include <QString>

class QLineEdit;

namespace mg {

// The key rule of one filtered text box of the editor. A typed key passes, in
// this order: the selection rule (a selection empties the whole box first,
// whatever the key), the box's key filter (address, telephone number or
// digits), the character rule of names and passwords, and the length limit.
// Backspace is never refused.
struct FieldKeyRule {
    enum class Filter { None, Address, Phone, Digits };

    bool clearSelection = false;
    Filter filter = Filter::None;
    bool nameCharacters = false;
    int maxLength = 0;            // 0: no limit beyond the filter's own

    static FieldKeyRule address() { return {true, Filter::Address, false, 0}; }
    static FieldKeyRule phone(int maxLength = 0) { return {true, Filter::Phone, false, maxLength}; }
    static FieldKeyRule digits(bool clearSelection, int maxLength)
    {
        return {clearSelection, Filter::Digits, false, maxLength};
    }
    static FieldKeyRule name(int maxLength) { return {false, Filter::None, true, maxLength}; }

    // Applies the selection rule to `box` and answers whether `keyCode` may
    // be typed into it now.
    bool accept(QLineEdit *box, int keyCode) const;
    // The same without the selection rule, on the text the box holds.
    bool acceptText(const QString &text, int keyCode) const;
};

// Names and passwords: "!" to "~" without the double quote and "?".
bool isNameCharacter(int keyCode);

} // namespace mg
