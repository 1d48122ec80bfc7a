#include "FieldStyle.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace mg {

void setFieldEnabled(QWidget *control, bool enabled)
{
    if (!control)
        return;
    control->setEnabled(enabled);
    const bool coloured = qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control)
        || qobject_cast<QTextEdit *>(control) || qobject_cast<QPlainTextEdit *>(control)
        || qobject_cast<QAbstractSpinBox *>(control);
    if (!coloured)
        return;
    const QColor background = enabled ? QColor(Qt::white) : QColor(0xB4, 0xB4, 0xB4);
    QPalette palette = control->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Button, background);
    }
    // A disabled box keeps its value readable on the grey background: the
    // operator still sees what will be used once the box is switched on.
    const QColor disabledText(0x50, 0x50, 0x50);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(palette);
}

} // namespace mg
