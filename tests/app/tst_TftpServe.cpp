// marrowgate tftp-serve: wrong usage answered at once with status 2, and the
// program itself serving curl on loopback (router 127.0.0.2, PC 127.0.0.1).

#include "CommandLine.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>

namespace {

QByteArray content(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 37 + (i >> 9) * 11);
    return bytes;
}

quint16 freePort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0, QAbstractSocket::DontShareAddress) ? probe.localPort() : 0;
}

} // namespace

class TestTftpServe : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // Starts the server for the router at `router` and reads its log until
    // it says it waits for the router's request or it has ended; answers
    // whether it waits.
    static bool startServing(QProcess &server, QByteArray &log, const QString &router, quint16 port, const QString &file)
    {
        server.start(QStringLiteral(MG_PROGRAM), {"tftp-serve", "--router", router, "--port", QString::number(port),
                                                  "--timeout", "60", file});
        return QTest::qWaitFor([&] {
                   log += server.readAllStandardError();
                   return log.contains("待ちます") || server.state() == QProcess::NotRunning;
               }, 30000)
            && log.contains("待ちます");
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() ? f.fileName() : QString();
    }

private slots:
    void usage_data()
    {
        QTest::addColumn<QStringList>("args"); // after "tftp-serve"; "@" is a file that exists
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // a part of standard output (status 0) or standard error
        auto row = [](const char *name, const QStringList &args, int status, const QString &message) {
            QTest::newRow(name) << args << status << message;
        };
        row("--help", {"--help"}, 0, "tftp-serve --router ADDRESS [--port N] [--timeout S] FILE");
        row("no router", {"@"}, 2, "--router でルータのアドレスを");
        row("router not an address", {"--router", "kv700", "@"}, 2, "正しくありません: kv700");
        row("router 0.0.0.0", {"--router=0.0.0.0", "@"}, 2, "正しくありません: 0.0.0.0");
        // Four decimal numbers only, as everywhere in the program.
        for (const char *address : {"127.1", "2130706434", "0x7f.0.0.2", "1.2.3.4.5", "256.0.0.1"})
            QTest::addRow("router %s", address) << QStringList{"--router", address, "@"} << 2
                                                << QStringLiteral("正しくありません: %1").arg(address);
        row("port 0", {"--router", "127.0.0.2", "--port", "0", "@"}, 2, "--port には 1 から 65535 までの数を指定してください: 0");
        row("port 65536", {"--router", "127.0.0.2", "--port", "65536", "@"}, 2, ": 65536");
        row("timeout 0", {"--router", "127.0.0.2", "--timeout", "0", "@"}, 2, "--timeout には");
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), writeFile(QStringLiteral("kv700.cfg"), "login\r\n"));
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        QCOMPARE(mg::runCommandLine(QStringList{"marrowgate", "tftp-serve"} + args, out, err), std::optional<int>(status));
        const QString text = QString::fromUtf8(status == 0 ? out.data() : err.data());
        QVERIFY2(text.contains(message), qPrintable(text));
        QVERIFY((status == 0 ? err : out).data().isEmpty());
    }

    // A client written by others gets the file whole: one short block, a
    // size that ends with an empty block, block numbers past 255. curl's
    // exit status 68 is the server's "file not found".
    void serve_data()
    {
        QTest::addColumn<qint64>("size");
        for (qint64 size : {0, 300, 512, 131072})
            QTest::addRow("%lld bytes", size) << size;
    }

    void serve()
    {
        QFETCH(qint64, size);
        const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
        if (curl.isEmpty())
            QSKIP("curl is not installed");
        const QString file = writeFile(QStringLiteral("serve.cfg"), content(size));
        const QString received = m_dir.filePath(QStringLiteral("received"));
        QFile::remove(received);
        const quint16 port = freePort();
        QProcess server;
        QByteArray log;
        QVERIFY2(startServing(server, log, QStringLiteral("127.0.0.2"), port, file), log.constData());

        QProcess client;
        client.start(curl, {"-s", "--interface", "127.0.0.2", "-o", received, QStringLiteral("tftp://127.0.0.1:%1/anyname").arg(port)});
        QVERIFY(client.waitForFinished(60000) && server.waitForFinished(60000));
        log += server.readAllStandardError();
        QCOMPARE(client.exitCode(), size == 0 ? 68 : 0);
        QVERIFY2(server.exitCode() == (size == 0 ? 1 : 0), log.constData());
        if (size == 0) {
            QVERIFY2(log.contains("が空です"), log.constData());
            return;
        }
        const QByteArray progress = QStringLiteral("100% (%1/%1 ブロック)").arg(size / 512 + 1).toUtf8();
        QVERIFY2(log.contains("「anyname」") && log.contains(progress), log.constData());
        QFile got(received);
        QVERIFY(got.open(QIODevice::ReadOnly));
        QVERIFY(got.readAll() == content(size));
    }

    // Status 1 and the reason; the wording of a refused privileged port is
    // tst_Check's, through the same server.
    void failures_data()
    {
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("message"); // "%1": the port
        QTest::newRow("no request in time") << false << "1 秒待ちましたが、ルータ 127.0.0.2 から読み出し要求が届きませんでした。";
        QTest::newRow("port in use") << true << "UDP ポート %1 (127.0.0.1) を開けません: ほかのプログラムがこのポートを使っています。";
    }

    void failures()
    {
        QFETCH(bool, portTaken);
        QFETCH(QString, message);
        QUdpSocket holder;
        QVERIFY(!portTaken || holder.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        const QString port = QString::number(portTaken ? holder.localPort() : freePort());
        QProcess server;
        server.start(QStringLiteral(MG_PROGRAM), {"tftp-serve", "--router", "127.0.0.2", "--timeout", "1", "--port", port,
                                                  writeFile(QStringLiteral("kv700.cfg"), "login\r\n")});
        QVERIFY(server.waitForFinished(60000));
        const QString log = QString::fromUtf8(server.readAllStandardError());
        QCOMPARE(server.exitCode(), 1);
        QVERIFY2(log.contains(message.replace(QLatin1String("%1"), port)), qPrintable(log));
    }

    // A client's file name is shown on the terminal, never obeyed by it: an
    // escape sequence in it (clear screen) arrives escaped. The address
    // written with leading zeros is the router's all the same.
    void nameIsShownSafely()
    {
        const quint16 port = freePort();
        QProcess server;
        QByteArray log;
        QVERIFY2(startServing(server, log, QStringLiteral("127.000.000.002"), port,
                              writeFile(QStringLiteral("kv700.cfg"), "login\r\n")),
                 log.constData());

        QUdpSocket router;
        QVERIFY(router.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        QByteArray request("\0\1", 2);
        request += "a\x1b[2Jb.cfg";
        request += '\0';
        request += "octet";
        request += '\0';
        router.writeDatagram(request, QHostAddress(QStringLiteral("127.0.0.1")), port);
        QVERIFY(QTest::qWaitFor([&] {
            log += server.readAllStandardError();
            return log.contains("を要求しました") || server.state() == QProcess::NotRunning;
        }, 30000));
        // The router gives up on the file, at the port the first block came
        // from: the server ends with its reason.
        QHostAddress from;
        quint16 dataPort = 0;
        QVERIFY(QTest::qWaitFor([&] {
            while (router.hasPendingDatagrams() && !dataPort) {
                router.readDatagram(nullptr, 0, &from, &dataPort);
            }
            return dataPort != 0;
        }, 30000));
        router.writeDatagram(QByteArray("\0\5\0\0stop\0", 9), QHostAddress(QStringLiteral("127.0.0.1")), dataPort);
        QVERIFY(server.waitForFinished(30000));
        log += server.readAllStandardError();
        QVERIFY2(log.contains("ルータが「a\\x1b[2Jb.cfg」を要求しました。"), log.constData());
        QVERIFY2(!log.contains('\x1b'), log.constData());
        QCOMPARE(server.exitCode(), 1);
    }

    // A signal ends the wait with its own status, the port free again.
    void interrupt_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("message");
        QTest::newRow("Ctrl+C") << int(SIGINT) << "Ctrl+C で中断しました。";
        QTest::newRow("SIGTERM") << int(SIGTERM) << "終了の要求 (SIGTERM) で中断しました。";
        QTest::newRow("terminal closed") << int(SIGHUP) << "端末の切断 (SIGHUP) で中断しました。";
        QTest::newRow("Ctrl+\\") << int(SIGQUIT) << "Ctrl+\\ (SIGQUIT) で中断しました。";
    }

    void interrupt()
    {
        QFETCH(int, signal);
        QFETCH(QString, message);
        const quint16 port = freePort();
        QProcess server;
        QByteArray log;
        startServing(server, log, QStringLiteral("127.0.0.2"), port, writeFile(QStringLiteral("kv700.cfg"), "login\r\n"));
        QVERIFY2(server.state() == QProcess::Running, log.constData());
        ::kill(pid_t(server.processId()), signal);
        QVERIFY(server.waitForFinished(20000));
        log += server.readAllStandardError();
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 128 + signal);
        QVERIFY2(QString::fromUtf8(log).contains(QStringLiteral("marrowgate: ") + message), log.constData());
        QUdpSocket again;
        QVERIFY(again.bind(QHostAddress(QStringLiteral("127.0.0.1")), port, QAbstractSocket::DontShareAddress));
    }
};

QTEST_GUILESS_MAIN(TestTftpServe)
#include "tst_TftpServe.moc"
