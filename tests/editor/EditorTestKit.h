#pragma once

// The editor window under test with stand-in collaborators, checks that pass
// or fail on demand, and hands that set fields the way the operator would.

#include "CommonPage.h"
#include "ConfigurationValidator.h"
#include "DestinationPage.h"
#include "EditorChecks.h"
#include "GenerateCommand.h"
#include "TestFakes.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Checks that pass or refuse as told and record which tab they were asked about.
class ControlledChecks : public mg::EditorChecks {
public:
    bool tabCheckPasses = true, configurationPasses = true;
    QList<int> tabChecks, configurationChecks;
    bool TabCheck(int tab) override { return tabChecks.append(tab), tabCheckPasses; }
    bool CheckConfiguration(int tab) override { return configurationChecks.append(tab), configurationPasses; }
};

// The window with the controlled checks, or with the real checks and the
// generate command counting script windows instead of showing them. The
// members go in reverse order: the command, the window, then its checks.
struct EditorRig {
    mgtest::ScriptedPrompt prompt;
    mgtest::ScriptedFileDialog files;
    mgtest::MemorySettings settings;
    ControlledChecks checks;
    std::unique_ptr<mg::ConfigurationValidator> validator;
    std::unique_ptr<mg::frmMain> w;
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
};

// A fresh window for every test function: start() in init(), gone in cleanup().
class EditorFixture : public QObject {
protected:
    std::unique_ptr<EditorRig> rig;
    mg::frmMain *w = nullptr;
    mgtest::ScriptedPrompt *prompt = nullptr;

    void start(bool realChecks, bool shown)
    {
        rig = std::make_unique<EditorRig>(realChecks);
        w = rig->w.get();
        prompt = &rig->prompt;
        if (shown) {
            w->show();
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
        }
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

inline bool menuOffers(QMenu *menu, QAction *item)
{
    menu->popup(QPoint(0, 0));   // the menu refreshes its items as it opens
    const bool enabled = item->isEnabled();
    menu->hide();
    return enabled;
}

// "saved" or "unsaved" where the change mark, the save button and the File
// menu's save agree, "mixed" where they do not.
inline QString saveState(mg::frmMain &w)
{
    const bool unsaved = !w.configuration().Saved;
    if (w.cmdSave->isEnabled() != unsaved || menuOffers(w.mnuFile, w.mnuFileWrite) != unsaved)
        return QStringLiteral("mixed");
    return unsaved ? QStringLiteral("unsaved") : QStringLiteral("saved");
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
        setField(w, edit.section(QLatin1Char('='), 0, 0), edit.section(QLatin1Char('='), 1));
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

// A QStringList column "row" with one row per line of the tab-separated file
// in the data folder; the line's first field names the row, the others make
// the list. "#" starts a comment line; "\r\n" and "\b" stand for a line
// break and Backspace.
inline void addRowsFromTable(const QString &fileName, int fields)
{
    QTest::addColumn<QStringList>("row");
    QFile table(QStringLiteral(MG_EDITOR_TEST_DATA "/") + fileName);
    QVERIFY2(table.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(table.fileName()));
    for (QString line : QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        line.replace(QStringLiteral("\\r\\n"), QStringLiteral("\r\n"));
        line.replace(QStringLiteral("\\b"), QStringLiteral("\b"));
        const QStringList row = line.split(QLatin1Char('\t'));
        QVERIFY2(row.size() == fields + 1, qPrintable(line));
        QTest::newRow(qPrintable(row[0])) << row.mid(1);
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
