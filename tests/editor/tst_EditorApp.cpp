// The program's start: the editor window with its real collaborators, Qt's
// own captions in Japanese, and one instance per user.

#include "EditorApp.h"
#include "SingleInstance.h"
#include "WindowFakes.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace mg;

class TestEditorApp : public QObject {
    Q_OBJECT
private slots:
    void startsOneWiredWindow();
};

void TestEditorApp::startsOneWiredWindow()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());

    bool sawWindow = false;
    bool secondRefused = false;
    QString message;
    QString cancelCaption;
    QTimer::singleShot(0, [&] {
        frmMain *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<frmMain *>(w); f && f->isVisible())
                window = f;
        sawWindow = window != nullptr;
        if (!window)
            return;
        ScriptedMessages prompt;
        SingleInstance second;
        secondRefused = !ensureSingleInstance(second, prompt) && prompt.texts()
            == QStringList({QStringLiteral("既に起動されています")});

        // The real checks stop generation at the empty Ethernet address, in
        // a real message box with Japanese buttons.
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        window->cmdGen->click();

        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (QAbstractButton *cancel = box->button(QMessageBox::Cancel))
                    cancelCaption = cancel->text();
                box->button(QMessageBox::No)->click();
            }
        });
        window->txtSyslog->setText(QStringLiteral("1"));   // unsaved: exit asks
        window->close();
    });
    QCOMPARE(runEditor(*qApp), 0);
    QVERIFY(sawWindow);
    QVERIFY(secondRefused);
    QCOMPARE(message, QStringLiteral("EthernetインターフェースのIPアドレス、または、ネットマスクが入力されていません。"));
    QCOMPARE(cancelCaption, QStringLiteral("キャンセル"));
    // The lock went with the window: the next start runs.
    SingleInstance next;
    QVERIFY(next.tryAcquire());
}

QTEST_MAIN(TestEditorApp)
#include "tst_EditorApp.moc"
