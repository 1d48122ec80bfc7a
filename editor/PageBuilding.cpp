#include "PageBuilding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace mg {

QLineEdit *makeEdit(QWidget *parent, const QString &name, int characters)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    const int width = edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (characters + 2) + 12;
    edit->setMinimumWidth(width);
    return edit;
}

QCheckBox *makeCheck(QWidget *parent, const QString &name, const QString &caption)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    return check;
}

QComboBox *makeCombo(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    // The lists never change, so the width the combo box takes from its
    // items when first shown is the one it keeps. Asking to follow later
    // changes (AdjustToContents) would build every list's popup up front,
    // a good part of the time before the window first shows.
    combo->addItems(items);
    return combo;
}

QGroupBox *makeGroup(QWidget *parent, const QString &name, const QString &title)
{
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(name);
    return group;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QFormLayout *makeForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    return form;
}

void setListPosition(QComboBox *combo, int position)
{
    combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : 0);
}

} // namespace mg
