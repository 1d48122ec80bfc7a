#pragma once

// Driving the dialogs as the operator does: typing key by key, clicking
// rows, and reading back what the window and the message boxes showed.

#include "TestFakes.h"

#include <QAbstractButton>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

namespace dlgtest {

template <class T = QLineEdit> T *child(const QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("control %s missing", name);
    return found;
}

inline void click(const QWidget *dialog, const char *button)
{
    QTest::mouseClick(child<QAbstractButton>(dialog, button), Qt::LeftButton);
    QCoreApplication::processEvents();
}

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

inline void clickRow(QTreeWidget *view, int row)
{
    QTreeWidgetItem *item = view->topLevelItem(row);
    QVERIFY(item);
    view->scrollToItem(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
    QCoreApplication::processEvents();
}

inline QStringList rowTexts(const QTreeWidget *view, int row)
{
    QStringList texts;
    for (int c = 0; c < view->columnCount(); ++c)
        texts << view->topLevelItem(row)->text(c);
    return texts;
}

// The one message shown since the last look, with its box; forgets it.
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
inline void checkNothingClipped(QDialog *dialog)
{
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
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
