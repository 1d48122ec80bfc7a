#pragma once

// The editor window under test with stand-in collaborators, checks that pass
// or fail on demand, and hands that set fields the way the operator would.

#include "ConfigurationValidator.h"
#include "EditorChecks.h"
#include "GenerateCommand.h"
#include "TestFakes.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Checks that pass or refuse as told and record which tab they were asked about.
class ControlledChecks : public mg::EditorChecks {
public:
    bool tabCheckPasses = true;
    bool configurationPasses = true;
    QList<int> tabChecks;
    QList<int> configurationChecks;
    bool TabCheck(int tab) override
    {
        tabChecks.append(tab);
        return tabCheckPasses;
    }
    bool CheckConfiguration(int tab) override
    {
        configurationChecks.append(tab);
        return configurationPasses;
    }
};

// The window with the controlled checks, or with the real checks and the
// generate command counting script windows instead of showing them.
struct EditorRig {
    mgtest::ScriptedPrompt prompt;
    mgtest::ScriptedFileDialog files;
    mgtest::MemorySettings settings;
    ControlledChecks checks;
    std::unique_ptr<mg::frmMain> w;
    std::unique_ptr<mg::ConfigurationValidator> validator;
    std::unique_ptr<mg::GenerateCommand> generate;
    int scriptWindows = 0;

    explicit EditorRig(bool realChecks = false)
    {
        w = std::make_unique<mg::frmMain>(prompt, files, settings, realChecks ? nullptr : &checks);
        if (!realChecks)
            return;
        validator = std::make_unique<mg::ConfigurationValidator>(*w, prompt);
        w->setChecks(validator.get());
        generate = std::make_unique<mg::GenerateCommand>(*w, *validator, prompt, [this] { ++scriptWindows; });
        w->setGenerateHandler([this] { generate->cmdGen_Click(); });
    }
    ~EditorRig()
    {
        generate.reset();
        w.reset();
    }
};

inline void clickTab(mg::frmMain &w, int tab)
{
    QTest::mouseClick(w.tabConfig, Qt::LeftButton, {}, w.tabConfig->tabRect(tab - 1).center());
}

inline void addDestinations(mg::frmMain &w, int count)
{
    for (int i = 0; i < count; ++i)
        w.mnuConnectAdd->trigger();
}

inline QStringList tabCaptions(mg::frmMain &w)
{
    QStringList list;
    for (int i = 0; i < w.tabConfig->count(); ++i)
        list << w.tabConfig->tabText(i);
    return list;
}

// The line edit of a text box or of an editable list.
inline QLineEdit *lineOf(mg::frmMain &w, const QString &name)
{
    QWidget *control = w.findChild<QWidget *>(name);
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->lineEdit();
    return qobject_cast<QLineEdit *>(control);
}

// Sets a control as the operator would leave it: "text" for a text box or
// an editable list, "#n" for a list position, "1"/"0" for a check box
// (clicked when it can be, so the field rules run as for a click).
inline void setField(mg::frmMain &w, const QString &name, const QString &value)
{
    QWidget *control = w.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(QStringLiteral("no control ") + name));
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        line->setText(value);
    } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        const bool wanted = value == QLatin1String("1");
        if (check->isChecked() != wanted && check->isEnabled() && check->isVisible())
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
        check->setChecked(wanted);
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
    if (focus && qobject_cast<QComboBox *>(focus->parentWidget()))
        focus = focus->parentWidget();   // the line edit inside an editable list
    return focus ? focus->objectName() : QString();
}

// One QString column per name and one row per line of the tab-separated file
// in the data folder; the line's first field names the row. "#" starts a
// comment line; "\r\n" and "\b" stand for a line break and Backspace.
inline void addRowsFromTable(const QString &fileName, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    QFile table(QStringLiteral(MG_EDITOR_TEST_DATA "/") + fileName);
    QVERIFY2(table.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(table.fileName()));
    for (QString line : QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        line.replace(QStringLiteral("\\r\\n"), QStringLiteral("\r\n"));
        line.replace(QStringLiteral("\\b"), QStringLiteral("\b"));
        const QStringList fields = line.split(QLatin1Char('\t'));
        QVERIFY2(fields.size() == qsizetype(columns.size()) + 1, qPrintable(line));
        QTestData &row = QTest::newRow(qPrintable(fields[0]));
        for (const QString &field : fields.mid(1))
            row << field;
    }
}

// Opens a copy of the sample `name` from the data folder as "office.cfg",
// answering No should the window ask to save what it holds first.
inline void openSample(EditorRig &rig, const QString &name, const QTemporaryDir &dir)
{
    QVERIFY(QFile::copy(QStringLiteral(MG_EDITOR_TEST_DATA "/") + name, dir.filePath(QStringLiteral("office.rcf"))));
    rig.files.answers = {dir.filePath(QStringLiteral("office.cfg"))};
    rig.prompt.answers = {mg::MessageAnswer::No};
    rig.w->mnuFileOpen_Click();
    rig.prompt.answers.clear();
}
