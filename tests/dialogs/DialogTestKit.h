#pragma once

// Driving the dialogs as the operator does: typing key by key, clicking
// rows, and reading back what the window and the message boxes showed.

#include "TestFakes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

namespace dlgtest {

// Replaces the box's text key by key; a character no key of the test
// keyboard types (a full-width digit) arrives as an input method hands it.
inline void typeInto(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(box, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// One QString column per name and one row per line of the tab-separated file
// in the data folder; the line's first field names the row. "#" starts a
// comment line; "-" stands for an empty field and "\r\n" for a line break.
inline void addRowsFromTable(const char *fileName, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    QFile table(QStringLiteral(MG_DIALOG_TEST_DATA "/") + QLatin1String(fileName));
    QVERIFY2(table.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(table.fileName()));
    for (const QString &line : QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        QVERIFY2(fields.size() == qsizetype(columns.size()) + 1, qPrintable(line));
        QTestData &row = QTest::newRow(qPrintable(fields[0]));
        for (QString field : fields.mid(1))
            row << (field == QLatin1String("-") ? QString()
                                                : field.replace(QStringLiteral("\\r\\n"), QStringLiteral("\r\n")));
    }
}

// The current row's field in that column of a table read as above.
inline QString cell(const char *column) { return *static_cast<QString *>(QTest::qData(column, QMetaType::QString)); }

// A dialog on screen; the operator's answers are queued before it opens,
// since some dialogs ask while opening.
template <class Dialog> struct Shown {
    template <class... Args>
    explicit Shown(const QList<mg::MessageAnswer> &answers, Args &&...args)
        : prompt([&] { mgtest::ScriptedPrompt p; p.answers = answers; return p; }()),
          dialog(std::forward<Args>(args)..., prompt)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    template <class T = QLineEdit> T *get(const char *name)
    {
        if (T *found = dialog.template findChild<T *>(QLatin1String(name)))
            return found;
        qFatal("control %s missing", name);
    }
    void press(const char *button)
    {
        QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void clickRowAnd(QTreeWidget *view, int row, const char *button)
    {
        QTreeWidgetItem *item = view->topLevelItem(row);
        QVERIFY(item);
        view->scrollToItem(item);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
        QCoreApplication::processEvents();
        press(button);
    }

    mgtest::ScriptedPrompt prompt;
    Dialog dialog;
};

// The one message shown since the last look, with its box; forgets it.
inline QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

inline void expectShown(mgtest::ScriptedPrompt &prompt, const QString &text, const QString &title,
                        mg::MessageIcon icon = mg::MessageIcon::Critical,
                        mg::MessageButtons buttons = mg::MessageButtons::Ok)
{
    QCOMPARE(prompt.texts(), QStringList{text});
    QCOMPARE(prompt.lastTitle(), title);
    QCOMPARE(prompt.shown[0].icon, icon);
    QCOMPARE(prompt.shown[0].buttons, buttons);
    prompt.shown.clear();
}

// Nothing clipped on a 1024x768 screen: labels and buttons get their full
// width, boxes show their whole text, list columns are as wide as their
// header and widest row, and no list needs sideways scrolling.
// The application font at another size for the life of the object; 0 keeps it.
struct FontSize {
    explicit FontSize(int points) : old(QApplication::font())
    {
        if (points > 0) {
            QFont font = old;
            font.setPointSize(points);
            QApplication::setFont(font);
        }
    }
    ~FontSize() { QApplication::setFont(old); }
    const QFont old;
};

inline void checkNothingClipped(QDialog *dialog)
{
    QVERIFY(dialog->width() <= 1024 && dialog->height() <= 768);
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    for (const QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
    for (const QLineEdit *box : dialog->findChildren<QLineEdit *>())
        QVERIFY2(box->contentsRect().width() >= box->fontMetrics().horizontalAdvance(box->text()),
                 qPrintable(box->objectName()));
    for (const QTreeWidget *view : dialog->findChildren<QTreeWidget *>()) {
        for (int c = 0; c < view->columnCount(); ++c) {
            int needed = view->header()->fontMetrics().horizontalAdvance(view->headerItem()->text(c));
            for (int r = 0; r < view->topLevelItemCount(); ++r)
                needed = std::max(needed, view->fontMetrics().horizontalAdvance(view->topLevelItem(r)->text(c)) + 8);
            QVERIFY2(view->columnWidth(c) >= needed, qPrintable(view->headerItem()->text(c)));
        }
        QVERIFY(!view->horizontalScrollBar()->isVisible());
    }
}

} // namespace dlgtest
