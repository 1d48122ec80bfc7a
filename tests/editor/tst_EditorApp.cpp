// The program's start: the editor window with its real collaborators, Qt's
// own captions in Japanese, and one instance per user.

#include "EditorApp.h"
#include "EditorTestKit.h"
#include "SingleInstance.h"

#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QTimer>

using namespace mg;

class TestEditorApp : public QObject {
    Q_OBJECT
private slots:
    // Started over the lock of a process that has ended, the editor opens one
    // window with the real checks and boxes, and keeps a second start out.
    void startsOneWiredWindow()
    {
        QTemporaryDir home;
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile lock(SingleInstance::defaultLockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        QStringList seen;   // the second start's message, the real boxes' text and Cancel caption
        const auto answerBox = [&seen](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, [&seen, button] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    QAbstractButton *cancel = box->button(QMessageBox::Cancel);
                    seen << box->text() << (cancel ? cancel->text() : QString());
                    box->button(button)->click();
                }
            });
        };
        QTimer::singleShot(0, [&] {
            frmMain *window = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *found = qobject_cast<frmMain *>(top); found && found->isVisible())
                    window = found;
            if (!window)
                return answerBox(QMessageBox::Ok);   // the stale lock kept the editor out
            mgtest::ScriptedPrompt prompt;
            SingleInstance second;
            if (!ensureSingleInstance(second, prompt))
                seen << prompt.texts();
            answerBox(QMessageBox::Ok);
            window->cmdGen->click();   // the real checks stop at the empty Ethernet address
            answerBox(QMessageBox::No);
            window->commonPage->txtSyslog->setText(QStringLiteral("1"));   // unsaved: exit asks
            window->close();
        });
        QCOMPARE(runEditor(*qApp), 0);
        QCOMPARE(seen, QStringList({"既に起動されています",
                                    "EthernetインターフェースのIPアドレス、または、ネットマスクが入力されていません。", "",
                                    "現在の設定は保存されていません。終了する前に\r\n現在の設定を保存しますか？", "キャンセル"}));
        SingleInstance next;   // the lock went with the window
        QVERIFY(next.tryAcquire());
    }

    // A lock file that cannot be created says nothing of another instance.
    void unwritableLockStillStarts()
    {
        QTemporaryDir dir;
        QFile notAFolder(dir.filePath(QStringLiteral("file")));
        QVERIFY(notAFolder.open(QIODevice::WriteOnly));
        SingleInstance instance(notAFolder.fileName() + QStringLiteral("/run/editor.lock"));
        mgtest::ScriptedPrompt prompt;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot create the lock file")));
        QVERIFY(ensureSingleInstance(instance, prompt));
        QVERIFY(prompt.shown.isEmpty() && !instance.isHeldElsewhere());
    }
};

QTEST_MAIN(TestEditorApp)
#include "tst_EditorApp.moc"
