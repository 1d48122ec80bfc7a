#include "CheckCommand.h"

#include "InterruptWatch.h"
#include "ManagerAccount.h"
#include "ProgramFolder.h"
#include "SerialLine.h"
#include "StandInEncoder.h"
#include "TftpServer.h"
#include "Ticker.h"
#include "UdpEndpoint.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QIODevice>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

namespace mg {

namespace {

using cli::write;

// How long the router has to show something on its Telnet port.
constexpr std::chrono::seconds TelnetPatience{5};

// The wait in progress, which Ctrl+C ends.
QPointer<QEventLoop> g_waiting;

struct Result {
    bool ok = false;
    QString text;
    QString remedy; // for a failure: what to do, possibly several lines
};

Result passed(const QString &text) { return {true, text, {}}; }
Result failed(const QString &text, const QString &remedy) { return {false, text, remedy}; }

void print(QIODevice &out, const Result &result)
{
    QString text = (result.ok ? QStringLiteral("✓ ") : QStringLiteral("✗ ")) + result.text + QLatin1Char('\n');
    if (!result.ok && !result.remedy.isEmpty()) {
        const QStringList lines = result.remedy.split(QLatin1Char('\n'));
        text += QStringLiteral("  → ") + lines.first() + QLatin1Char('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            text += QStringLiteral("    ") + lines.at(i) + QLatin1Char('\n');
    }
    write(out, text);
}

QList<Result> checkSerial(const cli::RouterLineChoice &choice)
{
    QList<Result> results;
    const QFileInfo device(choice.device);
    if (!device.exists()) {
        results << failed(QStringLiteral("デバイス %1 がありません。").arg(choice.device),
                          serialOpenRemedy(SerialOpenFault::Missing, DeviceAccess::of(choice.device)));
        return results;
    }
    results << passed(QStringLiteral("デバイス %1 があります。").arg(choice.device));

    SerialLine line(choice.device);
    QString reason, remedy;
    if (cli::openSerialLine(line, choice, &reason, &remedy)) {
        results << passed(QStringLiteral("%1 を開けます (%2)。").arg(choice.device, choice.settings.describe()));
        line.close();
        return results;
    }
    results << failed(QStringLiteral("%1 を開けません: %2").arg(choice.device, reason), remedy);
    return results;
}

// Connects and waits for the router's first output (its banner or login
// prompt): a port that takes the connection and says nothing is not a
// router ready for a session.
Result checkTelnet(const cli::RouterLineChoice &choice)
{
    const QString where = QStringLiteral("ルータ %1 の Telnet ポート %2").arg(choice.address.toString()).arg(choice.telnetPort);
    QTcpSocket socket;
    QEventLoop loop;
    QTimer patience;
    patience.setSingleShot(true);
    QObject::connect(&patience, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&loop] { loop.exit(0); });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&loop] { loop.exit(2); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&loop] { loop.exit(2); });
    patience.start(TelnetPatience);
    socket.connectToHost(choice.address, choice.telnetPort);
    g_waiting = &loop;
    const int how = loop.exec();
    const bool connected = socket.state() == QAbstractSocket::ConnectedState || how == 0;
    const QString local = socket.localAddress().toString();
    const QAbstractSocket::SocketError error = socket.error();
    const QString reason = socket.errorString();
    socket.abort();

    const int seconds = int(TelnetPatience.count());
    if (how == 0)
        return passed(QStringLiteral("%1 が応答しました (この PC のアドレス: %2)。").arg(where, local));
    if (how == 1 && connected) {
        return failed(QStringLiteral("%1 に接続できましたが、%2 秒以内に何も表示しませんでした。").arg(where).arg(seconds),
                      QStringLiteral("ルータが起動し終わっているか、ほかの Telnet セッションが使っていないか、"
                                     "ポート番号 (--telnet-port) が正しいか確かめてください。"));
    }
    if (how == 1) {
        return failed(QStringLiteral("%1 が %2 秒以内に応答しませんでした。").arg(where).arg(seconds),
                      QStringLiteral("ルータの電源、LAN ケーブル、ルータのアドレス (--lan) を確かめてください。"));
    }
    if (error == QAbstractSocket::ConnectionRefusedError) {
        return failed(QStringLiteral("%1 への接続を拒否されました。").arg(where),
                      QStringLiteral("ルータのアドレス (--lan) とポート番号 (--telnet-port) を確かめてください。"));
    }
    return failed(QStringLiteral("%1 に接続できません: %2").arg(where, reason),
                  QStringLiteral("ルータの電源、LAN ケーブル、ルータのアドレス (--lan) を確かめてください。"));
}

Result checkTftp(const QHostAddress &local, quint16 port)
{
    QtTickerFactory tickers;
    TftpServer server(tickers);
    if (server.listen(local, port)) {
        server.close();
        return passed(QStringLiteral("この PC のアドレス %1 で TFTP の UDP ポート %2 を開けます。").arg(local.toString()).arg(port));
    }
    // The server's own text, the one a send would give: its first line says
    // what failed, the rest how to grant the right (cap_net_bind_service).
    QStringList lines = server.errorString().split(QLatin1Char('\n'));
    const QString first = lines.takeFirst();
    QString remedy = lines.join(QLatin1Char('\n')).trimmed();
    if (remedy.isEmpty())
        remedy = QStringLiteral("このポートを使っているほかの TFTP サーバを止めるか、--tftp-port でほかのポートを指定してください。");
    return failed(first, remedy);
}

// The stand-in answers like any encoder; whether it may reach the router
// is a check of its own, after the answer.
QList<Result> checkEncoder(bool standInAccepted)
{
    const ProgramFolderResult folder = locateProgramFolder();
    if (!folder.ok) {
        return {failed(QStringLiteral("パスワードの暗号化プログラムのフォルダが分かりません。"),
                       QString(ProgramFolderErrorText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))};
    }
    const QString encoder = QDir(folder.folder).filePath(QStringLiteral("tzel"));
    ManagerAccountStep step;
    step.setProgramFolder(folder.folder);
    QEventLoop loop;
    ManagerAccountResult result;
    QObject::connect(&step, &ManagerAccountStep::finished, &loop, [&](const ManagerAccountResult &r) {
        result = r;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    // A throwaway password: only whether the encoder answers matters here.
    step.start(QStringLiteral("manager"), QStringLiteral("check0"), QString(), QStringLiteral("check.cfg"));
    g_waiting = &loop;
    loop.exec();
    step.cleanup();
    if (result.ok) {
        QList<Result> results{
            passed(QStringLiteral("パスワードの暗号化プログラム %1 が応答しました (%2 ミリ秒)。").arg(encoder).arg(clock.elapsed()))};
        if (!StandInEncoder::isStandIn(folder.folder))
            return results;
        if (standInAccepted) {
            results << passed(QStringLiteral("パスワード暗号化プログラム %1 は代用のプログラムですが、--standin-encoder-ok "
                                             "の指定により、ルータがその暗号化を読めるものとします。")
                                  .arg(encoder));
        } else {
            results << failed(StandInEncoder::explanation(encoder),
                              StandInEncoder::remedy(encoder) + QLatin1Char('\n') + cli::StandInAcceptedHint);
        }
        return results;
    }
    // The step's own text says what went wrong: missing, a failure status,
    // a crash, no answer in time, or an answer that is no password.
    return {failed(QStringLiteral("パスワードの暗号化プログラム %1 を使えません: %2")
                       .arg(encoder, QString(result.text).replace(QStringLiteral("\r\n"), QStringLiteral(" "))),
                   QStringLiteral("メーカーの暗号化プログラムを %1 に置き、実行できるようにしてください (chmod +x)。").arg(encoder))};
}

} // namespace

CheckCommand::CheckCommand()
    : Subcommand(QStringLiteral("check"), QStringLiteral("check (--serial DEVICE | --lan ADDRESS) [オプション]"),
                 QStringLiteral("send の前に確かめます。シリアル: デバイスがあり、開けるか。LAN: ルータ\n"
                                "への経路とこの PC のアドレス、ルータが Telnet ポートで5秒以内に応答するか、\n"
                                "そのアドレスで TFTP のポートを開けるか、パスワードの暗号化プログラムが\n"
                                "応答するか、それが代用の暗号化プログラムでないか。✗ の項目には対処を\n"
                                "表示します。オプションは send のシリアルと LAN のもの、\n"
                                "--standin-encoder-ok と同じです。終了コード 0 はすべて ✓ のとき、2 は\n"
                                "使い方の誤りです。")),
      m_standIn(cli::StandInEncoderOk)
{
    // Described under send, as the summary says.
    for (const QCommandLineOption &option : m_line.options())
        declare(option);
    declare(m_standIn);
}

int CheckCommand::run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    cli::SubcommandParser command(*this);
    if (const std::optional<int> status = command.parse(args, out, err, usage))
        return *status;
    QString problem;
    const std::optional<cli::RouterLineChoice> choice = m_line.read(command.parser(), &problem);
    if (!choice)
        return command.wrongUsage(err, problem);
    if (!command.parser().positionalArguments().isEmpty())
        return command.wrongUsage(err, QStringLiteral("ファイルは指定しません: %1").arg(command.parser().positionalArguments().first()));
    if (choice->serial && command.parser().isSet(m_standIn))
        return command.wrongUsage(err, cli::StandInOnSerialText);

    // Ctrl+C during the encoder's wait must not leave its private folder.
    bool interrupted = false;
    const cli::InterruptWatch interrupts([&interrupted](int) {
        interrupted = true;
        if (g_waiting)
            g_waiting->exit(3);
    });

    int failures = 0;
    auto report = [&](const Result &result) {
        print(out, result);
        if (!result.ok)
            ++failures;
    };
    write(out, QStringLiteral("%1 を確かめます。\n").arg(choice->describe()));
    if (choice->serial) {
        for (const Result &result : checkSerial(*choice))
            report(result);
    } else {
        const QHostAddress local = UdpEndpoint::localAddressTowards(choice->address);
        if (local.isNull()) {
            report(failed(QStringLiteral("ルータ %1 への経路がありません。").arg(choice->address.toString()),
                          QStringLiteral("この PC のネットワークの設定 (アドレスとネットマスク) とルータのアドレス (--lan) を確かめてください。")));
        } else {
            report(passed(QStringLiteral("ルータ %1 への経路があります (この PC のアドレス: %2)。")
                              .arg(choice->address.toString(), local.toString())));
        }
        if (!interrupted)
            report(checkTelnet(*choice));
        if (!interrupted && !local.isNull())
            report(checkTftp(local, choice->tftpPort));
        if (!interrupted) {
            for (const Result &result : checkEncoder(command.parser().isSet(m_standIn)))
                report(result);
        }
    }
    if (interrupted) {
        write(out, QStringLiteral("中断しました。\n"));
        return cli::Failure;
    }
    write(out, failures == 0 ? QStringLiteral("すべて問題ありません。\n")
                             : QStringLiteral("%1 項目に問題があります。\n").arg(failures));
    return failures == 0 ? 0 : cli::Failure;
}

} // namespace mg
