#include "FieldStyle.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace mg {

namespace {

// A third of the way from `from` to `to`.
QColor towards(const QColor &from, const QColor &to)
{
    auto third = [](int a, int b) { return a + qRound((b - a) / 3.0); };
    return QColor(third(from.red(), to.red()), third(from.green(), to.green()), third(from.blue(), to.blue()));
}

} // namespace

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
    // The colour scheme's own colours, as the application has them (the
    // control's palette holds what an earlier call set): a text box's
    // background when enabled, the window's when disabled. A light scheme
    // gives white and its window grey, a dark one its dark shades, under
    // the scheme's own text colour.
    const QPalette scheme = QApplication::palette(control);
    const QColor background = scheme.color(QPalette::Active, enabled ? QPalette::Base : QPalette::Window);
    QPalette palette = control->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Button, background);
    }
    // A disabled box keeps its value readable on the window's background:
    // the operator still sees what will be used once the box is switched
    // on. The window's text, a third of the way to the background: dimmed,
    // never faint (#505050 on the light scheme's grey).
    const QColor disabledText = towards(scheme.color(QPalette::Active, QPalette::WindowText),
                                        scheme.color(QPalette::Active, QPalette::Window));
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(palette);
}

} // namespace mg
