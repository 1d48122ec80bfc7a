#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace mg {

// The few shapes every control of the main window's pages takes, each named
// by its objectName.
QLineEdit *makeEdit(QWidget *parent, const QString &name, int characters = 15);
QCheckBox *makeCheck(QWidget *parent, const QString &name, const QString &caption);
QComboBox *makeCombo(QWidget *parent, const QString &name, const QStringList &items);
QGroupBox *makeGroup(QWidget *parent, const QString &name, const QString &title);
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption);
QFormLayout *makeForm();

// A value outside the list (a damaged file) shows the first item, and the
// change handling writes that back, so control and model agree.
void setListPosition(QComboBox *combo, int position);

} // namespace mg
