#include "TftpServeCommand.h"

#include "CommandOptions.h"
#include "ControlEscapes.h"
#include "InterruptWatch.h"
#include "TftpServer.h"
#include "Ticker.h"
#include "UdpEndpoint.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QIODevice>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace mg {

namespace {

using cli::fail;
using cli::Failure;
using cli::write;

constexpr int DefaultTimeoutSeconds = 120;
// Ends the wait when no router asks for the file in time.
constexpr const char *NoRequestTicker = "TftpServeNoRequest";

} // namespace

TftpServeCommand::TftpServeCommand()
    : Subcommand(QStringLiteral("tftp-serve"), QStringLiteral("tftp-serve --router ADDRESS [--port N] [--timeout S] FILE"),
                 QStringLiteral("ルータ ADDRESS の TFTP 読み出し要求に FILE を1回送って終わります\n"
                                "(ルータのコンソールで load file= を自分で入力するときに使います)。\n"
                                "経過は標準エラー出力に書き出します。")),
      m_router(QStringLiteral("router"), QString(), QStringLiteral("ADDRESS")),
      m_port(QStringLiteral("port"), QStringLiteral("待ち受ける UDP ポート (省略時は 69)。"), QStringLiteral("N")),
      m_timeout(QStringLiteral("timeout"), QStringLiteral("要求を待つ秒数 (省略時は 120)。"), QStringLiteral("S"))
{
    // The router's address is the usage line's own.
    declare(m_router);
    declare(m_port);
    declare(m_timeout);
    setNotes(QStringLiteral("終了コード 2 は使い方の誤りです。"));
}

int TftpServeCommand::run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    cli::SubcommandParser command(*this);
    if (const std::optional<int> status = command.parse(args, out, err, usage))
        return *status;
    const QCommandLineParser &parser = command.parser();

    if (!parser.isSet(m_router))
        return command.wrongUsage(err, QStringLiteral("--router でルータのアドレスを指定してください。"));
    const std::optional<QHostAddress> router = cli::routerAddress(parser.value(m_router));
    if (!router)
        return command.wrongUsage(err, QStringLiteral("--router のアドレスが正しくありません: %1").arg(parser.value(m_router)));

    quint16 port = TftpServer::DefaultPort;
    if (parser.isSet(m_port)) {
        const std::optional<uint> value = cli::decimal(parser.value(m_port), 1, 65535);
        if (!value)
            return command.wrongUsage(err, QStringLiteral("--port には 1 から 65535 までの数を指定してください: %1").arg(parser.value(m_port)));
        port = quint16(*value);
    }

    const std::optional<int> timeout = command.timeoutSeconds(m_timeout, DefaultTimeoutSeconds, err);
    if (!timeout)
        return cli::WrongUsage;
    const int timeoutSeconds = *timeout;

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return command.wrongUsage(err, QStringLiteral("送るファイルを1つ指定してください。"));
    const QString file = files.first();

    const QHostAddress local = UdpEndpoint::localAddressTowards(*router);
    if (local.isNull())
        return fail(err, QStringLiteral("ルータ %1 への経路がありません。この PC のネットワークの設定を確かめてください。").arg(router->toString()));

    QtTickerFactory tickers;
    TftpServer server(tickers);
    server.setRouterAddress(*router);
    server.setFilePath(file);
    if (!server.listen(local, port))
        return fail(err, server.errorString());

    // The file is read when the request comes, as the window's server does;
    // saying now that it is unusable lets the operator fix it before typing
    // "load" at the console.
    const QFileInfo info(file);
    if (!info.exists())
        write(err, QStringLiteral("注意: %1 がありません。このままではルータに「File is not found」を返します。\n").arg(file));
    else if (info.isFile() && info.size() == 0)
        write(err, QStringLiteral("注意: %1 は空です。このままではルータに「File is not found」を返します。\n").arg(file));

    QEventLoop loop;
    int lastPercent = -1;
    const std::unique_ptr<Ticker> noRequest = tickers.create(NoRequestTicker, std::chrono::seconds(timeoutSeconds), [&] {
        fail(err, QStringLiteral("%1 秒待ちましたが、ルータ %2 から読み出し要求が届きませんでした。")
                      .arg(timeoutSeconds)
                      .arg(router->toString()));
        loop.exit(Failure);
    });
    QObject::connect(&server, &TftpServer::requestReceived, &loop, [&](const QString &name) {
        noRequest->stop();
        lastPercent = -1;
        // The name is the client's: shown, never obeyed by the terminal.
        write(err, QStringLiteral("ルータが「%1」を要求しました。%2 を送ります。\n").arg(escapeControls(name), file));
    });
    QObject::connect(&server, &TftpServer::progress, &loop, [&](int acknowledged, int total) {
        // Every tenth is enough on a terminal; a large file would otherwise
        // print a line per block.
        const int percent = total > 0 ? int(qint64(acknowledged) * 10 / total) * 10 : 0;
        if (percent == lastPercent)
            return;
        lastPercent = percent;
        write(err, QStringLiteral("送信中: %1% (%2/%3 ブロック)\n").arg(percent).arg(acknowledged).arg(total));
    });
    QObject::connect(&server, &TftpServer::finished, &loop, [&] {
        write(err, QStringLiteral("送信が完了しました。\n"));
        loop.exit(0);
    });
    QObject::connect(&server, &TftpServer::failed, &loop, [&](const QString &message) {
        fail(err, message);
        loop.exit(Failure);
    });

    // A signal ends the wait or the transfer as a failure would: the port
    // is closed, and the status says which signal it was.
    bool interrupted = false;
    const cli::InterruptWatch interrupts([&](int signal) {
        if (std::exchange(interrupted, true))
            return;
        fail(err, cli::InterruptWatch::describe(signal) + QStringLiteral(" で中断しました。"));
        loop.exit(128 + signal);
    });
    write(err, QStringLiteral("%1 の UDP ポート %2 で、ルータ %3 からの読み出し要求を %4 秒待ちます。\n")
                   .arg(local.toString())
                   .arg(server.serverPort())
                   .arg(router->toString())
                   .arg(timeoutSeconds));
    noRequest->start();
    const int status = loop.exec();
    noRequest->stop();
    server.close();
    return status;
}

} // namespace mg
