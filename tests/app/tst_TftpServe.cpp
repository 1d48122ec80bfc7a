// marrowgate tftp-serve: wrong usage answered at once with status 2, and the
// program itself serving curl on loopback (router 127.0.0.2, PC 127.0.0.1).

#include "CommandLine.h"

#include <QBuffer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <unistd.h>

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
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("kv700.cfg"));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("login\r\n") == 7);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");   // after "tftp-serve"; "@" is a file that exists
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");    // a part of standard output (status 0) or standard error
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "tftp-serve --router ADDRESS [--port N] [--timeout S] FILE";
        QTest::newRow("no router") << QStringList{"@"} << 2 << "--router でルータのアドレスを";
        QTest::newRow("router not an address") << QStringList{"--router", "kv700", "@"} << 2 << "正しくありません: kv700";
        QTest::newRow("router 0.0.0.0") << QStringList{"--router=0.0.0.0", "@"} << 2 << "正しくありません: 0.0.0.0";
        QTest::newRow("port 0") << QStringList{"--router", "127.0.0.2", "--port", "0", "@"} << 2 << "--port には";
        QTest::newRow("port 65536") << QStringList{"--router", "127.0.0.2", "--port", "65536", "@"} << 2 << ": 65536";
        QTest::newRow("port with a sign") << QStringList{"--router", "127.0.0.2", "--port", "+69", "@"} << 2 << ": +69";
        QTest::newRow("timeout 0") << QStringList{"--router", "127.0.0.2", "--timeout", "0", "@"} << 2 << "--timeout には";
        QTest::newRow("no file") << QStringList{"--router", "127.0.0.2"} << 2 << "ファイルを1つ";
        QTest::newRow("unknown option") << QStringList{"--fast", "--router", "127.0.0.2", "@"} << 2 << "不明なオプションです: --fast";
        QTest::newRow("value missing") << QStringList{"@", "--router"} << 2 << "--router の後に値を";
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), m_file);
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        QCOMPARE(mg::runCommandLine(QStringList{"marrowgate", "tftp-serve"} + args, out, err), std::optional<int>(status));
        const QString text = QString::fromUtf8(status == 0 ? out.data() : err.data());
        QVERIFY2(text.contains(message), qPrintable(text));
        QVERIFY((status == 0 ? err : out).data().isEmpty());
    }

    void serve_data()
    {
        QTest::addColumn<qint64>("size");
        for (qint64 size : {0, 300, 512, 1000, 131072})
            QTest::addRow("%lld bytes", size) << size;
    }

    void serve()
    {
        QFETCH(qint64, size);
        const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
        if (curl.isEmpty())
            QSKIP("curl is not installed");
        const QString file = m_dir.filePath(QStringLiteral("serve.cfg"));
        const QString received = m_dir.filePath(QStringLiteral("received"));
        QFile::remove(received);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content(size)) == size);
        f.close();
        const quint16 port = freePort();
        QProcess server;
        server.setReadChannel(QProcess::StandardError);
        server.start(QStringLiteral(MG_PROGRAM), {"tftp-serve", "--router", "127.0.0.2", "--port", QString::number(port), "--timeout", "60", file});
        QByteArray log;
        while (!log.contains("待ちます") && server.waitForReadyRead(30000))
            log += server.readAllStandardError();
        QVERIFY2(log.contains("待ちます"), log.constData());

        QProcess client;
        client.start(curl, {"-s", "--interface", "127.0.0.2", "-o", received, QStringLiteral("tftp://127.0.0.1:%1/anyname").arg(port)});
        QVERIFY(client.waitForFinished(60000) && server.waitForFinished(60000));
        log += server.readAllStandardError();
        if (size == 0) {
            QCOMPARE(client.exitCode(), 68);   // curl's "file not found"
            QCOMPARE(server.exitCode(), 1);
            QVERIFY2(log.contains("が空です"), log.constData());
            return;
        }
        QCOMPARE(client.exitCode(), 0);
        QVERIFY2(server.exitCode() == 0, log.constData());
        QVERIFY2(log.contains("「anyname」") && log.contains("100% ("), log.constData());
        QFile got(received);
        QVERIFY(got.open(QIODevice::ReadOnly));
        QVERIFY(got.readAll() == content(size));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("no request in time") << "timeout" << "1 秒待ちましたが、ルータ 127.0.0.2 から";
        QTest::newRow("port in use") << "in use" << "ほかのプログラムがこのポートを使っています";
        QTest::newRow("privileged port without the right") << "privileged"
            << "sudo setcap cap_net_bind_service=+ep " + QFileInfo(QStringLiteral(MG_PROGRAM)).canonicalFilePath();
    }

    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QUdpSocket holder;
        QStringList args{"tftp-serve", "--router", "127.0.0.2", "--timeout", "1", m_file};
        QString program = QStringLiteral(MG_PROGRAM);
        if (kind == QLatin1String("privileged")) {
            QFile start(QStringLiteral("/proc/sys/net/ipv4/ip_unprivileged_port_start"));
            if (start.open(QIODevice::ReadOnly) && start.readAll().trimmed().toInt() <= 69)
                QSKIP("every user may bind port 69 on this machine");
            if (geteuid() == 0) {   // root binds it anyway: run without the capability
                const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
                if (setpriv.isEmpty())
                    QSKIP("setpriv is not installed");
                args.prepend(program);
                args.prepend(QStringLiteral("--bounding-set=-net_bind_service"));
                program = setpriv;
            }
        } else if (kind == QLatin1String("in use")) {
            QVERIFY(holder.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
            args << "--port" << QString::number(holder.localPort());
        } else {
            args << "--port" << QString::number(freePort());
        }
        QProcess server;
        server.start(program, args);
        QVERIFY(server.waitForFinished(60000));
        const QString log = QString::fromUtf8(server.readAllStandardError());
        QCOMPARE(server.exitCode(), 1);
        QVERIFY2(log.contains(message), qPrintable(log));
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestTftpServe)
#include "tst_TftpServe.moc"
