#include "TftpServeCommand.h"

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

namespace mg {

namespace {

constexpr int Failure = 1;
constexpr int WrongUsage = 2;
constexpr int DefaultTimeoutSeconds = 120;
constexpr int MaxTimeoutSeconds = 24 * 60 * 60;

const char *const Synopsis = "使い方: marrowgate tftp-serve --router ADDRESS [--port N] [--timeout S] FILE";

void write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

int fail(QIODevice &err, const QString &message, int status = Failure)
{
    write(err, QStringLiteral("marrowgate: ") + message + QLatin1Char('\n'));
    return status;
}

int wrongUsage(QIODevice &err, const QString &message)
{
    return fail(err, QStringLiteral("tftp-serve: ") + message + QLatin1Char('\n') + QString::fromUtf8(Synopsis), WrongUsage);
}

// Plain decimal digits only: "+69", " 69" or "0x45" is a typing slip, not a port.
std::optional<uint> decimal(const QString &text, uint low, uint high)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const uint value = text.toUInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<QHostAddress> routerAddress(const QString &text)
{
    QHostAddress address;
    if (!address.setAddress(text) || address.isNull() || address.isMulticast()
        || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6
        || address == QHostAddress::Broadcast)
        return std::nullopt;
    return address;
}

} // namespace

int runTftpServe(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption routerOption(QStringLiteral("router"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QString(), QStringLiteral("S"));
    parser.addOptions({help, routerOption, portOption, timeoutOption});

    if (!parser.parse(QStringList{QStringLiteral("tftp-serve")} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString &name = unknown.first();
            return fail(err, QStringLiteral("tftp-serve: 不明なオプションです: %1%2\n詳しくは marrowgate --help を見てください。")
                                 .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name),
                        WrongUsage);
        }
        // The only other fault the parser finds: an option that takes a
        // value came last, without one.
        return wrongUsage(err, QStringLiteral("%1 の後に値を指定してください。").arg(args.isEmpty() ? QString() : args.last()));
    }
    if (parser.isSet(help)) {
        write(out, usage);
        return 0;
    }

    if (!parser.isSet(routerOption))
        return wrongUsage(err, QStringLiteral("--router でルータのアドレスを指定してください。"));
    const std::optional<QHostAddress> router = routerAddress(parser.value(routerOption));
    if (!router)
        return wrongUsage(err, QStringLiteral("--router のアドレスが正しくありません: %1").arg(parser.value(routerOption)));

    quint16 port = TftpServer::DefaultPort;
    if (parser.isSet(portOption)) {
        const std::optional<uint> value = decimal(parser.value(portOption), 1, 65535);
        if (!value)
            return wrongUsage(err, QStringLiteral("--port には 1 から 65535 までの数を指定してください: %1").arg(parser.value(portOption)));
        port = quint16(*value);
    }

    int timeoutSeconds = DefaultTimeoutSeconds;
    if (parser.isSet(timeoutOption)) {
        const std::optional<uint> value = decimal(parser.value(timeoutOption), 1, MaxTimeoutSeconds);
        if (!value)
            return wrongUsage(err, QStringLiteral("--timeout には 1 から %1 までの秒数を指定してください: %2")
                                       .arg(MaxTimeoutSeconds)
                                       .arg(parser.value(timeoutOption)));
        timeoutSeconds = int(*value);
    }

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return wrongUsage(err, QStringLiteral("送るファイルを1つ指定してください。"));
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
    const std::unique_ptr<Ticker> noRequest = tickers.create("TftpServeTimeout", std::chrono::seconds(timeoutSeconds), [&] {
        fail(err, QStringLiteral("%1 秒待ちましたが、ルータ %2 から読み出し要求が届きませんでした。")
                      .arg(timeoutSeconds)
                      .arg(router->toString()));
        loop.exit(Failure);
    });
    QObject::connect(&server, &TftpServer::requestReceived, &loop, [&](const QString &name) {
        noRequest->stop();
        lastPercent = -1;
        write(err, QStringLiteral("ルータが「%1」を要求しました。%2 を送ります。\n").arg(name, file));
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
