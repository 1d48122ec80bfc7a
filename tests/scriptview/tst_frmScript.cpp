#include "ScriptPrinter.h"
#include "TestFakes.h"
#include "UnplacedLinesDialog.h"
#include "frmScript.h"

#include <QAction>
#include <QFile>

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace mg;

class TestFrmScript : public QObject {
    Q_OBJECT
private slots:
    void showsAndEditsTheScript()
    {
        const QString script = QStringLiteral("enable ip\r\n\r\nset user=ユーザ名\u00a0x");
        Configuration config;
        config.CommandScript = script;
        mgtest::ScriptedPrompt prompt;
        frmScript w(config, prompt);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(2 * w.x() + w.width() - screen.width()) <= 2 && qAbs(2 * w.y() + w.height() - screen.height()) <= 2);
        QVERIFY(QFontInfo(w.txtScript->font()).fixedPitch() && w.cmdPrint->isEnabled());
        // Read back, the shown text is the script byte for byte, CR LF included.
        QCOMPARE(frmScript::scriptText(*w.txtScript), script);
        Configuration empty;
        QVERIFY(!frmScript(empty, prompt).cmdAccept->isEnabled()); // nothing to send
        using State = QList<bool>; // editing, read-only, send, back
        auto state = [&w] {
            return State{w.HandEditing, w.txtScript->isReadOnly(), w.cmdAccept->isEnabled(), w.cmdReconf->isEnabled()};
        };
        // Without a transfer to run (a window shown only for reading), sending
        // neither asks anything nor closes the window.
        QTest::mouseClick(w.cmdAccept, Qt::LeftButton);
        QVERIFY(prompt.shown.isEmpty() && w.isVisible());

        // The warning answered Cancel changes nothing.
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QCOMPARE(prompt.lastText(), QStringLiteral("設定を編集する場合、その内容によっては正常に\r\n"
                                                   "設定できない可能性がありますがよろしいですか？"));
        QVERIFY(prompt.lastTitle() == "設定の編集" && prompt.shown.last().buttons == MessageButtons::OkCancel);
        QCOMPARE(state(), (State{false, true, true, true}));

        // Answered OK, the box opens; sending and returning are blocked, Escape too.
        prompt.answers = {MessageAnswer::Ok};
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QCOMPARE(state(), (State{true, false, false, false}));
        QVERIFY(w.txtScript->hasFocus());
        QTest::keyClick(w.txtScript, Qt::Key_Escape);
        QVERIFY(w.isVisible());

        // An emptied script is refused and editing goes on; the script is kept.
        w.txtScript->selectAll();
        QTest::keyClick(w.txtScript, Qt::Key_Delete);
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QCOMPARE(prompt.shown.size(), 3);
        QCOMPARE(prompt.lastText(), QStringLiteral("設定がありません。設定を作成して下さい。"));
        QVERIFY(prompt.lastTitle() == "設定の作成" && prompt.shown.last().icon == MessageIcon::Critical);
        QCOMPARE(state(), (State{true, false, false, true}));
        QCOMPARE(config.CommandScript, script);

        // Typed text, finished, becomes the script with the router's line ends.
        QTest::keyClicks(w.txtScript, QStringLiteral("enable ip"));
        QTest::keyClick(w.txtScript, Qt::Key_Return);
        QTest::keyClicks(w.txtScript, QStringLiteral("save"));
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QCOMPARE(state(), (State{false, true, true, true}));
        QCOMPARE(config.CommandScript, QStringLiteral("enable ip\r\nsave"));
        QCOMPARE(prompt.shown.size(), 3);

        // Outside an edit, Escape is the usual way back to the editor.
        QTest::keyClick(w.txtScript, Qt::Key_Escape);
        QVERIFY(!w.isVisible() && config.CommandScript == "enable ip\r\nsave");
    }

    // "フォームに読み込む" carries the script in the box, hand edits and all,
    // back into the configuration after a question: unsaved, under the same
    // file name, the editor told to refresh, and the lines nothing took
    // listed by number. No changes nothing.
    void loadsTheScriptIntoTheForm_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QString>("typedLine");
        QTest::newRow("yes") << MessageAnswer::Yes << QString();
        QTest::newRow("yes, a typed line nothing takes") << MessageAnswer::Yes << QStringLiteral("set router colour=blue");
        QTest::newRow("no") << MessageAnswer::No << QStringLiteral("set router colour=blue");
    }
    void loadsTheScriptIntoTheForm()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, typedLine);
        QFile example(QStringLiteral(MG_EXAMPLES "/office.cfg"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        QString script = QString::fromLatin1(example.readAll());
        QVERIFY(script.contains("ip=192.168.10.1 "));
        script.replace("ip=192.168.10.1 ", "ip=192.168.77.1 ");   // edited by hand before
        Configuration config;
        config.CommandScript = script;
        config.ConfigFileName = QStringLiteral("office.cfg");
        config.Common.EthIP = QStringLiteral("10.0.0.1");
        config.Saved = true;
        mgtest::ScriptedPrompt prompt;
        frmScript w(config, prompt);
        int refreshes = 0;
        w.formRefresh = [&refreshes] { ++refreshes; };
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (!typedLine.isEmpty()) {
            prompt.answers = {MessageAnswer::Ok};
            QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
            w.txtScript->moveCursor(QTextCursor::End);
            QTest::keyClicks(w.txtScript, typedLine);
            QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        }
        const Configuration before = config;
        const int typedLineNumber = int(script.count('\n')) + 1;
        prompt.shown.clear();
        prompt.answers = {answer};
        w.findChild<QAction *>("mnuLoadForm")->trigger();

        QCOMPARE(prompt.shown.size(), 1);
        QCOMPARE(prompt.lastText(), QStringLiteral("このスクリプトの内容で、編集画面の設定をすべて置き換えます。\r\nよろしいですか？"));
        QVERIFY(prompt.lastTitle() == "フォームに読み込む" && prompt.shown[0].buttons == MessageButtons::YesNo);
        auto *report = w.findChild<UnplacedLinesDialog *>("frmUnplaced");
        if (answer == MessageAnswer::No) {
            QVERIFY(config == before && refreshes == 0 && !report);
            return;
        }
        QCOMPARE(refreshes, 1);
        QVERIFY(!config.Saved && config.ConfigFileName == "office.cfg");
        QCOMPARE(config.Common.EthIP, QStringLiteral("192.168.77.1"));
        QCOMPARE(config.CommandScript, frmScript::scriptText(*w.txtScript));
        QCOMPARE(config.destination(1).UserName, QStringLiteral("branch01"));
        if (typedLine.isEmpty()) {
            QVERIFY(!report);
            return;
        }
        QVERIFY(report && report->isVisible());
        QCOMPARE(report->txtLines->toPlainText().section(" (", 0, 0),
                 QStringLiteral("%1 行目: %2").arg(typedLineNumber).arg(typedLine));
    }

    void printsTheScriptThatWouldBeSent_data()
    {
        QTest::addColumn<QString>("configFileName");
        QTest::addColumn<QString>("header");
        QTest::newRow("saved") << "office.cfg" << "office.cfg";
        QTest::newRow("never saved") << "" << "（保存されていない設定）";
    }

    // The print button opens Qt's preview over the window, with the pages
    // drawn; what goes to paper is the script as it would be sent, never an
    // unfinished edit, under the file's name and the time of printing.
    void printsTheScriptThatWouldBeSent()
    {
        Configuration config;
        config.CommandScript = QStringLiteral("enable ip\r\nsave\r\n");
        QFETCH(QString, configFileName);
        config.ConfigFileName = configFileName;
        mgtest::ScriptedPrompt prompt;
        frmScript w(config, prompt);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        int pages = -1;
        QString parentName;
        QTimer::singleShot(0, &w, [&] {
            if (auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget())) {
                parentName = preview->parentWidget() ? preview->parentWidget()->objectName() : QString();
                if (auto *pagesView = preview->findChild<QPrintPreviewWidget *>())
                    pages = pagesView->pageCount();
                preview->reject();
            }
        });
        QTest::mouseClick(w.cmdPrint, Qt::LeftButton);
        QCOMPARE(parentName, QStringLiteral("frmScript"));
        QCOMPARE(pages, 1);

        const QDateTime now(QDate(2024, 12, 31), QTime(23, 59));
        w.clock = [now] { return now; };
        QList<ScriptPrintout> printed;
        w.printPreview = [&printed](const ScriptPrintout &printout) { printed << printout; };
        QTest::mouseClick(w.cmdPrint, Qt::LeftButton);
        QCOMPARE(printed.size(), 1);
        QTEST(printed[0].fileName, "header");
        QCOMPARE(printed[0].printedAt, now);
        QCOMPARE(printed[0].script, config.CommandScript);

        prompt.answers = {MessageAnswer::Ok};
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QVERIFY(!w.cmdPrint->isEnabled());
        w.txtScript->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.txtScript, QStringLiteral("exit"));
        w.cmdPrint_Click();
        QCOMPARE(printed.size(), 1);
        QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
        QVERIFY(w.cmdPrint->isEnabled());
        QTest::mouseClick(w.cmdPrint, Qt::LeftButton);
        QCOMPARE(printed.value(1).script, QStringLiteral("enable ip\r\nsave\r\nexit"));
    }
};

QTEST_MAIN(TestFrmScript)
#include "tst_frmScript.moc"
