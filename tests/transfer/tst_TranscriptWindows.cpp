// The windows keep a transcript of every session in the transcript folder,
// and the progress window says where it is: a Telnet installation on the
// router simulator (127.0.0.2) and one that never gets through the login.

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
#include <QPushButton>
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
};

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
    TransferJob job;
    job.method = TransferMethod::Telnet;
    job.commandScript = QStringLiteral("enable ip\r\nset ppp=0 pass=\"isp-pass\"\r\n");
    job.configName = QStringLiteral("office.cfg");
    job.routerAddress = RouterSimulator::routerAddress().toString();

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
            for (const char *name : {"Timer1", "Timer2", "Timer"})
                if (tickers.fire(name))
                    return;
        });
    });
    operatorTimer.start();
    RunTransferWindows(job, environment, nullptr);
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

QTEST_MAIN(TestTranscriptWindows)
#include "tst_TranscriptWindows.moc"
