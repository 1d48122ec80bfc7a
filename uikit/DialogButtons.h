#pragma once

#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace mg {

// A push button named after its control that Enter never presses on its
// own: in these dialogs Enter in a filtered box is a key like any other,
// and a stray one must not send, store or close anything.
QPushButton *createButton(QWidget *parent, const QString &name, const QString &caption);

// The row of a dialog's closing buttons, at its right edge.
QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons);

} // namespace mg
