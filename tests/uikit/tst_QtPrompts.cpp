// The real message box: the operator's answer, and lines kept whole where
// the message breaks them and nowhere else.

#include "QtPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace mg;

class TestQtPrompts : public QObject {
    Q_OBJECT
private slots:
    void answersAndLines_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("pressed"); // a QMessageBox::StandardButton, 0 for Escape, -1 for Enter
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(MessageButtons::YesNoCancel) << int(QMessageBox::Yes) << int(MessageAnswer::Yes);
        QTest::newRow("Escape is Cancel") << int(MessageButtons::YesNoCancel) << 0 << int(MessageAnswer::Cancel);
        QTest::newRow("Escape is No") << int(MessageButtons::YesNo) << 0 << int(MessageAnswer::No);
        QTest::newRow("OK") << int(MessageButtons::OkCancel) << int(QMessageBox::Ok) << int(MessageAnswer::Ok);
        QTest::newRow("Enter is Yes") << int(MessageButtons::YesNo) << -1 << int(MessageAnswer::Yes);
        // A question whose Yes stops something half way: a stray key never agrees.
        QTest::newRow("Enter is No where No is the default")
            << int(MessageButtons::YesNoDefaultNo) << -1 << int(MessageAnswer::No);
        QTest::newRow("Escape is No where No is the default")
            << int(MessageButtons::YesNoDefaultNo) << 0 << int(MessageAnswer::No);
        QTest::newRow("Yes where No is the default")
            << int(MessageButtons::YesNoDefaultNo) << int(QMessageBox::Yes) << int(MessageAnswer::Yes);
    }
    void answersAndLines()
    {
        QFETCH(int, buttons);
        QFETCH(int, pressed);
        QFETCH(int, answer);
        const QStringList lines{QStringLiteral("この設定は、接続先タブで設定されているものです。"),
                                QStringLiteral("この設定を削除する為には、接続先タブの経路制御のところで削除して下さい。")};
        int shownLines = 0;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return QApplication::closeAllWindows();
            // Each line fits the label's width, so only the message's own breaks show.
            if (const QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
                for (const QString &line : lines)
                    shownLines += label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(line);
            if (pressed > 0)
                box->button(QMessageBox::StandardButton(pressed))->click();
            else
                QTest::keyClick(box, pressed < 0 ? Qt::Key_Return : Qt::Key_Escape);
        });
        QtMessagePrompt prompt;
        const MessageAnswer given =
            prompt.show(lines.join(QStringLiteral("\r\n")), QStringLiteral("経路情報の削除"), MessageIcon::Critical,
                        MessageButtons(buttons));
        QCOMPARE(int(given), answer);
        QCOMPARE(shownLines, 2);
    }
};

QTEST_MAIN(TestQtPrompts)
#include "tst_QtPrompts.moc"
