#include "CommandLine.h"

#include "CheckCommand.h"
#include "CommandOptions.h"
#include "GenerateSubcommand.h"
#include "ImportCommand.h"
#include "SendCommand.h"
#include "TftpServeCommand.h"

#include <QIODevice>

#include <memory>
#include <vector>

#ifndef MARROWGATE_VERSION
#error "MARROWGATE_VERSION must be defined by the build"
#endif

namespace mg {

namespace {

using cli::fail;
using cli::write;

// The line under a command that is not one of these.
const char *const Synopsis = "使い方: marrowgate [generate | import | send | check | tftp-serve] [オプション] [FILE]";

// The subcommands in the order the help shows them.
std::vector<std::unique_ptr<cli::Subcommand>> subcommands()
{
    std::vector<std::unique_ptr<cli::Subcommand>> all;
    all.push_back(std::make_unique<GenerateSubcommand>());
    all.push_back(std::make_unique<ImportCommand>());
    all.push_back(std::make_unique<SendCommand>());
    all.push_back(std::make_unique<CheckCommand>());
    all.push_back(std::make_unique<TftpServeCommand>());
    return all;
}

QString usageOf(const std::vector<std::unique_ptr<cli::Subcommand>> &all)
{
    QString usage = QStringLiteral("使い方:\n"
                                   "  marrowgate                               設定ウィンドウを開きます。\n");
    for (const auto &command : all)
        usage += command->help();
    usage += QStringLiteral("  marrowgate --help                        この説明を表示します。\n"
                            "  marrowgate --version                     バージョンを表示します。\n"
                            "\n"
                            "終了コード: 0 成功、1 エラー (理由は標準エラー出力に書き出します)。\n");
    return usage;
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    const QStringList args = arguments.mid(1);
    if (args.isEmpty())
        return std::nullopt;
    const QString &word = args.first();
    const auto all = subcommands();
    if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
        write(out, usageOf(all));
        return 0;
    }
    if (word == QLatin1String("--version")) {
        write(out, QStringLiteral("marrowgate " MARROWGATE_VERSION "\n"));
        return 0;
    }
    for (const auto &command : all) {
        if (command->name() == word)
            return command->run(args.mid(1), out, err, usageOf(all));
    }
    // Options of Qt itself (-platform, -style, -display, ...) are the
    // window's; a word is a mistyped command, since the window takes none.
    if (word.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return fail(err,
                QStringLiteral("不明なコマンドです: %1\n%2\n詳しくは marrowgate --help を見てください。")
                    .arg(word, QString::fromUtf8(Synopsis)),
                cli::WrongUsage);
}

} // namespace mg
