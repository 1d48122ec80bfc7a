// marrowgate check: each check against the real thing it checks (a
// pseudo-terminal, the router simulator on 127.0.0.2, UDP ports on
// 127.0.0.1, the encoder beside the program), a failure with its remedy.
// Its wrong usage is answered by the options it shares with send, in tst_Send.

#include "MakerEncoder.h"
#include "SessionChecks.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <unistd.h>

using namespace mgtest;

class TestCheck : public QObject {
    Q_OBJECT

private slots:
    void check_data();
    void check();
};

void TestCheck::check_data()
{
    // kind picks the setting up; lines are parts of standard output in order.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("serial: the console opens") << "serial" << 0
        << QStringList{"✓ デバイス", "✓ ", "を開けます (19200,e,7,2、フロー制御なし)。", "すべて問題ありません。"};
    QTest::newRow("serial: no such device") << "serial missing" << 1
        << QStringList{"✗ デバイス", "がありません。", "  → ケーブル (USB シリアル変換器)", "1 項目に問題があります。"};
    // The console's pseudo-terminal belongs to root, its group may not read
    // it: no group would help, so none is named.
    QTest::newRow("serial: a device only its owner may open") << "serial denied" << 1
        << QStringList{"✓ デバイス", "✗ ", "を開けません: ", "  → デバイス @device を開けるのは root だけで、グループに加わっても開けません。\n",
                       "    このコンピュータの管理者に、このユーザが使えるようにしてもらってください"};
    QTest::newRow("LAN: everything ready") << "lan" << 0
        << QStringList{"✓ ルータ 127.0.0.2 への経路があります (この PC のアドレス: 127.0.0.1)。",
                       "✓ ルータ 127.0.0.2 の Telnet ポート", "が応答しました (この PC のアドレス: 127.0.0.1)。",
                       "✓ この PC のアドレス 127.0.0.1 で TFTP の UDP ポート", "✓ パスワードの暗号化プログラム",
                       "✓ パスワード暗号化プログラム", "は代用のプログラムですが、--standin-encoder-ok の指定により",
                       "すべて問題ありません。"};
    // Without the option the stand-in is a fault of its own, after its answer.
    QTest::newRow("LAN: the stand-in encoder") << "lan stand-in" << 1
        << QStringList{"✓ パスワードの暗号化プログラム", "が応答しました", "✗ パスワード暗号化プログラム ",
                       "/tzel は、Marrowgate に付属する代用のプログラムです。",
                       "  → メーカーの暗号化プログラムを ",
                       "の Target で指定してください。\n    ルータがこの代用の暗号化を読める場合 (ルータのシミュレータなど) だけ、"
                       "--standin-encoder-ok を指定してください。\n",
                       "1 項目に問題があります。"};
    // The maker's encoder, in a folder named by Target, is not mistaken for it.
    QTest::newRow("LAN: the maker's encoder") << "lan maker" << 0
        << QStringList{"✓ パスワードの暗号化プログラム ", "/maker/tzel が応答しました", "すべて問題ありません。"};
    // The address as written, each part decimal: "010" is ten, never the
    // octal eight of a resolver.
    QTest::newRow("LAN: the address with leading zeros") << "lan 127.000.000.002" << 0
        << QStringList{"LAN 127.0.0.2 (", "✓ ルータ 127.0.0.2 の Telnet ポート", "が応答しました", "すべて問題ありません。"};
    QTest::newRow("LAN: 010 is read as ten") << "lan 127.0.0.010" << 1
        << QStringList{"✓ ルータ 127.0.0.10 への経路があります", "✗ ルータ 127.0.0.10 の Telnet ポート"};
    QTest::newRow("LAN: nothing listens on the Telnet port") << "lan closed" << 1
        << QStringList{"✗ ルータ 127.0.0.2 の Telnet ポート", "への接続を拒否されました。",
                       "  → ルータのアドレス (--lan) とポート番号 (--telnet-port) を確かめてください。"};
    QTest::newRow("LAN: the router says nothing") << "lan silent" << 1
        << QStringList{"に接続できましたが、5 秒以内に何も表示しませんでした。", "  → ルータが起動し終わっているか"};
    QTest::newRow("LAN: the TFTP port is taken") << "lan tftp taken" << 1
        << QStringList{"✗ UDP ポート", "を開けません: ほかのプログラムがこのポートを使っています。"};
    QTest::newRow("LAN: no right to the TFTP port") << "lan tftp privileged" << 1
        << QStringList{"✗ UDP ポート 69 を開く権限がありません。", "補助プログラム", "cap_net_bind_service",
                       "    sudo setcap cap_net_bind_service=+ep ", "/marrowgate-bind69\n"};
    QTest::newRow("LAN: no encoder beside the program") << "lan no encoder" << 1
        << QStringList{"✗ パスワードの暗号化プログラム", "  → メーカーの暗号化プログラムを", "に置き、実行できるようにしてください"};
}

void TestCheck::check()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    QString program = QStringLiteral(MG_PROGRAM);
    QStringList args{"check"};
    // Runs the program through setpriv with the options before its own.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const auto throughSetpriv = [&](const QStringList &options) {
        args = options + QStringList{program} + args;
        program = setpriv;
    };
    RouterUnderTest router;
    QUdpSocket holder;
    if (kind == QLatin1String("lan tftp taken")) {
        QVERIFY(holder.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        router.tftpPort = holder.localPort();
    } else if (kind == QLatin1String("lan tftp privileged")) {
        QFile start(QStringLiteral("/proc/sys/net/ipv4/ip_unprivileged_port_start"));
        if (start.open(QIODevice::ReadOnly) && start.readAll().trimmed().toInt() <= 69)
            QSKIP("every user may bind port 69 on this machine");
        router.tftpPort = 69;
    }
    if (kind == QLatin1String("serial missing")) {
        router.words = {"--serial", dir.filePath(QStringLiteral("ttyUSB9"))};
    } else {
        QVERIFY2(router.start(kind.startsWith(QLatin1String("serial")),
                              kind == QLatin1String("lan closed")   ? QStringList{"closed"}
                              : kind == QLatin1String("lan silent") ? QStringList{"--silent"}
                                                                    : QStringList{}),
                 qPrintable(router.simulator.errorString()));
    }
    // "lan ADDRESS": the router's address written another way.
    if (kind.startsWith(QLatin1String("lan ")) && kind.at(4).isDigit())
        router.words[1] = kind.mid(4);
    args << router.words;
    if (kind == QLatin1String("lan stand-in") || kind == QLatin1String("lan maker"))
        args.removeAll(QStringLiteral("--standin-encoder-ok"));
    if (kind == QLatin1String("serial")) {
        args << "--speed" << "19200" << "--parity" << "even" << "--data-bits" << "7" << "--stop-bits" << "2";
    } else if (kind == QLatin1String("serial denied")) {
        // The console's own device, opened by a user outside its group.
        if (setpriv.isEmpty() || geteuid() != 0)
            QSKIP("changing to another user needs root and setpriv");
        args.last() = router.simulator.serialDevice();
        throughSetpriv({"--reuid=65534", "--regid=65534", "--clear-groups"});
        const QFileInfo device(router.simulator.serialDevice());
        QVERIFY(device.ownerId() == 0 && !(device.permissions() & QFileDevice::ReadGroup && device.permissions() & QFileDevice::WriteGroup));
        lines.replaceInStrings(QStringLiteral("@device"), device.filePath());
    } else if (kind == QLatin1String("lan tftp privileged") && geteuid() == 0) {
        // Root binds it anyway: run without the capability, which the
        // helper beside the program then lacks too.
        if (setpriv.isEmpty())
            QSKIP("setpriv is not installed");
        throughSetpriv({"--bounding-set=-net_bind_service"});
    } else if (kind == QLatin1String("lan no encoder")) {
        // The program alone in a folder: its program folder has no tzel.
        const QString copy = dir.filePath(QStringLiteral("marrowgate"));
        QVERIFY(QFile::copy(program, copy));
        program = copy;
    }

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), dir.path());
    if (kind == QLatin1String("lan maker")) {
        const QString settings = dir.filePath(QStringLiteral("xdg/Brenholt/Quillmark KV700 Marrowgate.ini"));
        QVERIFY(QDir().mkpath(QFileInfo(settings).path()) && writeMakerEncoder(dir.filePath(QStringLiteral("maker"))));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nTarget=\"" + QFile::encodeName(dir.filePath(QStringLiteral("maker"))) + "\"\n");
        file.close();
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("xdg")));
    }
    run.setProcessEnvironment(env);
    run.start(program, args);
    QVERIFY(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    QVERIFY2(run.exitCode() == status, qPrintable(out + QString::fromUtf8(run.readAllStandardError())));
    qsizetype at = 0;
    for (const QString &line : lines) {
        const qsizetype found = out.indexOf(line, at);
        QVERIFY2(found >= 0, qPrintable(QStringLiteral("\"%1\" not in order in:\n%2").arg(line, out)));
        at = found + line.size();
    }
    // Every failure comes with a remedy, every check with a mark.
    const QStringList report = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < report.size(); ++i) {
        if (report.at(i).startsWith(QStringLiteral("✗ ")))
            QVERIFY2(i + 1 < report.size() && report.at(i + 1).startsWith(QStringLiteral("  → ")), qPrintable(out));
    }
    QCOMPARE(out.contains(QStringLiteral("✗ ")), status != 0);
    if (kind == QLatin1String("lan maker"))
        QVERIFY2(!out.contains(QStringLiteral("代用")), qPrintable(out));
    QVERIFY2(!out.contains(QStringLiteral("usermod -aG root")), qPrintable(out));
    // The encoder check leaves nothing in the temporary folder.
    QCOMPARE(QDir(dir.path()).entryList({"marrowgate-*"}, QDir::Dirs), QStringList());
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_Check.moc"
