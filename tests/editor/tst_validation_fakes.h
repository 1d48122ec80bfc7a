#pragma once

// Collaborators of the main window for the tests of its checks and of the
// generate command: scripted message boxes, no file dialogs, settings in
// memory, and helpers that fill the window's fields by object name.

#include "Prompts.h"
#include "SettingsStore.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QtTest>

struct ShownMessage {
    QString text;
    QString title;
    mg::MessageIcon icon;
    mg::MessageButtons buttons;
};

// Answers from a queue and records every message. With the queue empty it
// answers No (or Ok for a box that has only OK), so an unexpected question
// never adds anything.
class ScriptedPrompt : public mg::MessagePrompt {
public:
    QList<mg::MessageAnswer> answers;
    QList<ShownMessage> shown;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == mg::MessageButtons::Ok ? mg::MessageAnswer::Ok : mg::MessageAnswer::No;
    }
};

class ScriptedFiles : public mg::FileDialogPrompt {
public:
    std::optional<QString> openPath;
    std::optional<QString> saveFileName(const mg::FileDialogRequest &) override { return std::nullopt; }
    std::optional<QString> openFileName(const mg::FileDialogRequest &) override { return openPath; }
};

class MemorySettings : public mg::SettingsStore {
public:
    QMap<QString, QString> values;
    QString GetSetting(const QString &section, const QString &key, const QString &defaultValue) const override
    {
        return values.value(section + QLatin1Char('/') + key, defaultValue);
    }
    void SaveSetting(const QString &section, const QString &key, const QString &value) override
    {
        values.insert(section + QLatin1Char('/') + key, value);
    }
    QList<QPair<QString, QString>> GetAllSettings(const QString &) const override { return {}; }
};

// Sets a control of the window the way the operator would leave it:
// "text" for a text box or the text of an editable list, "#n" for a list
// position, "1"/"0" for a check box (clicked when it can be, so the field
// rules run as for a click).
inline void setField(mg::frmMain &w, const QString &name, const QString &value)
{
    QWidget *control = w.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(QStringLiteral("no control ") + name));
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        line->setText(value);
    } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        const bool wanted = value == QLatin1String("1");
        if (check->isChecked() != wanted) {
            if (check->isEnabled() && check->isVisible())
                QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
            if (check->isChecked() != wanted)
                check->setChecked(wanted);
        }
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        if (value.startsWith(QLatin1Char('#')))
            combo->setCurrentIndex(value.mid(1).toInt());
        else
            combo->setEditText(value);
    } else {
        QFAIL(qPrintable(QStringLiteral("cannot set ") + name));
    }
}

// "name=value" pairs, applied in order.
inline void setFields(mg::frmMain &w, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const qsizetype eq = edit.indexOf(QLatin1Char('='));
        setField(w, edit.left(eq), edit.mid(eq + 1));
        if (QTest::currentTestFailed())
            return;
    }
}

inline QString focusName()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return QString();
    // An editable list has its line edit focused inside it.
    if (qobject_cast<QLineEdit *>(focus) && qobject_cast<QComboBox *>(focus->parentWidget()))
        focus = focus->parentWidget();
    return focus->objectName();
}

// The whole text of the control is selected (and there is text to select).
inline bool wholeTextSelected(mg::frmMain &w, const QString &name)
{
    QWidget *control = w.findChild<QWidget *>(name);
    QLineEdit *line = qobject_cast<QLineEdit *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(control))
        line = combo->lineEdit();
    return line && line->selectedText() == line->text() && (line->text().isEmpty() || line->hasSelectedText());
}
