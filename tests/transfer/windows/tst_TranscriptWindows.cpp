// The windows keep a transcript of every session in the transcript folder,
// and the progress window says where it is: a Telnet installation on the
// router simulator (127.0.0.2) and one that never gets through the login.

#include "DialogueTickers.h"
#include "ManualTicker.h"
#include "SerialLine.h"
#include "SessionChecks.h"
#include "TestFakes.h"
#include "TransferWindows.h"
#include "frmDefaultPass.h"
#include "frmLogin.h"
#include "frmStatus.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace mg;
using namespace mgtest;

class TestTranscriptWindows : public QObject {
    Q_OBJECT

private slots:
    void windowsKeepATranscript_data();
    void windowsKeepATranscript();
    void routerControlCharactersAreShownEscaped();
    void programEndEndsTheTransfer_data();
    void programEndEndsTheTransfer();
};

namespace {

// A LAN installation of a small script through the windows, on the router
// simulator; the caller plays the operator.
struct WindowsRun {
    RouterUnderTest router;
    QTemporaryDir dir;
    QDir folder{dir.filePath(QStringLiteral("transcripts"))};
    MemorySettings settings;
    ScriptedPrompt prompt;
    SerialLine serial{settings};
    ManualTickerFactory tickers;
    TransferEnvironment environment{settings, prompt, serial, tickers};
    TransferRequest request;

    bool start(const QStringList &options)
    {
        if (!router.start(false, options))
            return false;
        environment.telnetPort = router.telnetPort;
        environment.tftpPort = router.tftpPort;
        environment.programFolder = QStringLiteral(MG_TZEL_DIR);
        environment.transcriptFolder = folder.path();
        request.method = TransferMethod::Telnet;
        request.commandScript = QStringLiteral("enable ip\r\n");
        request.configName = QStringLiteral("office.cfg");
        request.routerAddress = RouterSimulator::routerAddress().toString();
        return true;
    }

    // Fires the windows' periods: from an event of its own, since a tick may
    // open a modal window.
    void tick(QObject *context)
    {
        QTimer::singleShot(0, context, [this] {
            for (const char *name : DialogueTickers)
                if (tickers.fire(name))
                    return;
        });
    }

    QString record() const
    {
        const QStringList made = folder.entryList(QDir::Files);
        return made.size() == 1 ? readText(folder.filePath(made.first())) : QString();
    }
};

} // namespace

void TestTranscriptWindows::windowsKeepATranscript_data()
{
    QTest::addColumn<bool>("routerListens");
    QTest::addColumn<QString>("outcome"); // the transcript's last note
    QTest::newRow("installed") << true << "# 結果: 完了: KV700 の設定が完了しました。";
    QTest::newRow("nothing listens") << false << "# 結果: 接続失敗: ログインに失敗しました。";
}

void TestTranscriptWindows::windowsKeepATranscript()
{
    QFETCH(bool, routerListens);
    QFETCH(QString, outcome);

    RouterUnderTest router;
    QVERIFY2(router.start(false, routerListens ? QStringList() : QStringList{"closed"}),
             qPrintable(router.simulator.errorString()));
    QTemporaryDir dir;
    const QDir folder(dir.filePath(QStringLiteral("transcripts")));
    MemorySettings settings;
    ScriptedPrompt prompt;
    SerialLine serial(settings);
    ManualTickerFactory tickers;
    TransferEnvironment environment{settings, prompt, serial, tickers, {}, {}, router.telnetPort,
                                    router.tftpPort, QStringLiteral(MG_TZEL_DIR), folder.path()};
    TransferRequest request;
    request.method = TransferMethod::Telnet;
    request.commandScript = QStringLiteral("enable ip\r\nset ppp=0 pass=\"isp-pass\"\r\n");
    request.configName = QStringLiteral("office.cfg");
    request.routerAddress = RouterSimulator::routerAddress().toString();

    // The operator: types the factory password, sets a new one, closes the
    // progress window at the end; the windows' periods pass every 50 ms.
    QString shownPath;
    bool typed = false;
    QTimer operatorTimer;
    operatorTimer.setInterval(50);
    connect(&operatorTimer, &QTimer::timeout, this, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (auto *login = qobject_cast<frmLogin *>(window); login && !typed) {
            typed = true;
            login->txtPassword->setText(QStringLiteral("pastry"));
            login->cmdOk->click();
        } else if (auto *pass = qobject_cast<frmDefaultPass *>(window)) {
            pass->txtNewPass->setText(QStringLiteral("n3wpass1"));
            pass->txtConfirm->setText(QStringLiteral("n3wpass1"));
            return pass->cmdOk->click();
        } else if (auto *status = qobject_cast<frmStatus *>(window)) {
            shownPath = status->lblTranscript->text();
            if (status->cmdFinish->isEnabled())
                return status->cmdFinish->click();
        }
        // A tick may open a modal window: from an event of its own.
        QTimer::singleShot(0, this, [&tickers] {
            for (const char *name : DialogueTickers)
                if (tickers.fire(name))
                    return;
        });
    });
    operatorTimer.start();
    runTransferWindows(request, environment, nullptr);
    operatorTimer.stop();

    const QStringList made = folder.entryList(QDir::Files);
    QCOMPARE(made.size(), 1);
    const QString path = folder.filePath(made.first());
    if (routerListens) {
        QCOMPARE(router.simulator.state().managerPassword, QStringLiteral("n3wpass1"));
        QCOMPARE(shownPath, QStringLiteral("記録: ") + path);
    }
    const QString record = readText(path);
    QVERIFY2(record.contains(QStringLiteral("# ルータ 127.0.0.2 に LAN で設定 office.cfg を送ります。")), qPrintable(record));
    QVERIFY2(record.trimmed().section(QLatin1Char('\n'), -1).mid(24).startsWith(outcome), qPrintable(record));
    QCOMPARE(shownSecret(record, {"pastry", "n3wpass1", "isp-pass"}), QString());
    QCOMPARE(permissionsOf(path), OwnerReadWrite);
}

// A router whose output holds an escape sequence (clear screen) before its
// welcome and its error line: the login and progress windows and the
// transcript show it as text.
void TestTranscriptWindows::routerControlCharactersAreShownEscaped()
{
    WindowsRun run;
    QVERIFY2(run.start({"--noise", "\x1b[2J", "--load-error"}), qPrintable(run.router.simulator.errorString()));
    QString loginShown, statusShown;
    bool typed = false;
    QTimer operatorTimer;
    operatorTimer.setInterval(50);
    connect(&operatorTimer, &QTimer::timeout, this, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (auto *login = qobject_cast<frmLogin *>(window)) {
            loginShown = login->txtLogin->toPlainText();
            if (!std::exchange(typed, true)) {
                login->txtPassword->setText(QStringLiteral("pastry"));
                login->cmdOk->click();
            }
        } else if (auto *pass = qobject_cast<frmDefaultPass *>(window)) {
            return pass->cmdNotChange->click();
        } else if (auto *status = qobject_cast<frmStatus *>(window)) {
            statusShown = status->txtStatus->toPlainText();
            if (status->cmdFinish->isEnabled())
                return status->cmdFinish->click();
        }
        run.tick(this);
    });
    operatorTimer.start();
    runTransferWindows(run.request, run.environment, nullptr);
    operatorTimer.stop();

    QVERIFY2(loginShown.contains(QStringLiteral("\\x1b[2Jようこそ manager さん")), qPrintable(loginShown));
    QVERIFY2(statusShown.contains(QStringLiteral("\\x1b[2JError (flash full)")), qPrintable(statusShown));
    const QString record = run.record();
    QVERIFY2(record.contains(QStringLiteral("< \\x1b[2Jようこそ manager さん"))
                 && record.contains(QStringLiteral("< \\x1b[2JError (flash full)")),
             qPrintable(record));
    for (const QString &shown : {loginShown, statusShown, record})
        QVERIFY2(!shown.contains(QChar(0x1b)), qPrintable(shown));
}

void TestTranscriptWindows::programEndEndsTheTransfer_data()
{
    QTest::addColumn<QString>("window"); // the window in front when the program ends
    QTest::newRow("at the default password dialog") << "frmDefaultPass";
    QTest::newRow("while the password is encoded") << "frmStatus";
}

// The desktop session logs out, or the program gets a signal, in the middle
// of a LAN installation: the installation ends at once and its private
// folder (the manager account file) is gone before anything else happens,
// and nothing of the installation starts again after that.
void TestTranscriptWindows::programEndEndsTheTransfer()
{
    QFETCH(QString, window);
    WindowsRun run;
    QVERIFY2(run.start({}), qPrintable(run.router.simulator.errorString()));
    // The encoder takes its time, so the folder is caught in use; the
    // folder is looked for in a temporary folder of the test's own.
    const QString tmp = run.dir.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    qputenv("TZEL_STANDIN_SLEEP", "60");
    const auto restore = qScopeGuard([&] {
        oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
        qunsetenv("TZEL_STANDIN_SLEEP");
    });
    const auto privateFolders = [&tmp] { return QDir(tmp).entryList({"marrowgate-*"}, QDir::Dirs); };

    bool typed = false, ended = false;
    QStringList folderBefore, folderAfterEnd, windowsAfterEnd;
    QTimer operatorTimer;
    operatorTimer.setInterval(20);
    connect(&operatorTimer, &QTimer::timeout, this, [&] {
        QWidget *front = QApplication::activeModalWidget();
        if (ended) {
            // Nothing may come back: no folder, no window of the installation.
            folderAfterEnd += privateFolders();
            if (front)
                windowsAfterEnd << front->objectName();
            return;
        }
        if (front && front->objectName() == window && (window != QLatin1String("frmStatus") || !privateFolders().isEmpty())) {
            folderBefore = privateFolders();
            ended = true;
            endTransferWindows(run.environment);
            folderAfterEnd += privateFolders();
            return;
        }
        if (auto *login = qobject_cast<frmLogin *>(front); login && !std::exchange(typed, true)) {
            login->txtPassword->setText(QStringLiteral("pastry"));
            login->cmdOk->click();
        } else if (auto *pass = qobject_cast<frmDefaultPass *>(front)) {
            return pass->cmdNotChange->click();
        }
        run.tick(this);
    });
    operatorTimer.start();
    runTransferWindows(run.request, run.environment, nullptr);
    // What the windows' loops still deliver after the end is watched too.
    QTest::qWait(200);
    operatorTimer.stop();

    QVERIFY(ended);
    QCOMPARE(folderBefore.isEmpty(), window != QLatin1String("frmStatus"));
    QCOMPARE(folderAfterEnd, QStringList());
    QCOMPARE(windowsAfterEnd, QStringList());
    QCOMPARE(privateFolders(), QStringList());
    QVERIFY(!run.environment.endRunning);
    const QString record = run.record();
    QVERIFY2(record.trimmed().endsWith(QStringLiteral("中断しました。")), qPrintable(record));
    QVERIFY(run.router.simulator.state().bootConfig != QStringLiteral("office.cfg"));
}

QTEST_MAIN(TestTranscriptWindows)
#include "tst_TranscriptWindows.moc"
