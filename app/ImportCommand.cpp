#include "ImportCommand.h"

#include "CommandOptions.h"
#include "ConfigurationFiles.h"
#include "ScriptReader.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace mg {

namespace {

using cli::fail;
using cli::write;

// The settings were written, but some lines of the script were not placed;
// the operator has to look at those lines.
constexpr int SomeLinesNotPlaced = 3;

} // namespace

ImportCommand::ImportCommand()
    : Subcommand(QStringLiteral("import"), QStringLiteral("import [-o FILE.rcf] [--force] SCRIPT"),
                 QStringLiteral("コマンドスクリプト SCRIPT (.cfg などのテキスト。Shift_JIS か UTF-8) を\n"
                                "読み、その設定を .rcf の形 (Shift_JIS、改行は CR LF) で標準出力に\n"
                                "書き出します。設定にできなかった行は標準エラー出力に1行ずつ\n"
                                "「N 行目: 行の内容 (理由)」と書き出します。")),
      m_output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
               QStringLiteral("標準出力の代わりに FILE.rcf に保存します (保存し終えてから\n"
                              "置き換えます)。すでにあるファイルは置き換えません。"),
               QStringLiteral("FILE.rcf")),
      m_force(QStringLiteral("force"), QStringLiteral("-o のファイルがすでにあっても置き換えます。"))
{
    declare(m_output);
    declare(m_force);
    setNotes(QStringLiteral("終了コード: 0 すべての行を設定にした、3 設定は書き出したが設定に\n"
                            "できなかった行がある、1 SCRIPT を読めない (何も書き出しません)、\n"
                            "2 使い方の誤り。"));
}

int ImportCommand::run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    cli::SubcommandParser command(*this);
    if (const std::optional<int> status = command.parse(args, out, err, usage))
        return *status;
    const QCommandLineParser &parser = command.parser();
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return command.wrongUsage(err, QStringLiteral("読み込むコマンドスクリプトを1つ指定してください。"));
    const QString &scriptPath = files.first();
    const QString outputPath = parser.value(m_output);
    if (parser.isSet(m_output) && outputPath.isEmpty())
        return command.wrongUsage(err, QStringLiteral("-o の後に保存するファイルの名前を指定してください。"));

    // Read whole before anything is written: a script that cannot be read
    // must not leave a half-made or empty .rcf behind.
    QFile file(scriptPath);
    if (!file.exists())
        return fail(err, QStringLiteral("%1 がありません。").arg(scriptPath));
    if (QFileInfo(scriptPath).isDir() || !file.open(QIODevice::ReadOnly))
        return fail(err, QStringLiteral("%1 を読めません。%2").arg(scriptPath, file.errorString()));
    // One byte past the limit tells a file that is too large from one that
    // is exactly at it, also where the size is not known beforehand (a pipe).
    const QByteArray bytes = file.read(MaxScriptSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(err, QStringLiteral("%1 を読めません。%2").arg(scriptPath, file.errorString()));
    if (bytes.size() > MaxScriptSize)
        return fail(err, QStringLiteral("%1 は大きすぎます (コマンドスクリプトは %2 バイトまでです)。")
                             .arg(scriptPath)
                             .arg(MaxScriptSize));

    const ScriptReadResult read = readScriptBytes(bytes);
    const RcfWriteResult rcf = writeRcf(read.config);
    if (!rcf.ok)
        return fail(err, scriptPath + QStringLiteral(": ") + rcf.errorText);

    if (outputPath.isEmpty()) {
        if (out.write(rcf.bytes) != rcf.bytes.size())
            return fail(err, QStringLiteral("標準出力に書き込めませんでした。"));
    } else {
        // Checked before writing: the operator's existing settings are not
        // replaced by a script's unless asked for.
        if (QFileInfo::exists(outputPath) && !parser.isSet(m_force))
            return fail(err, QStringLiteral("%1 はすでにあります。置き換えるときは --force を指定してください。").arg(outputPath));
        QString error = writeFileSafely(outputPath, rcf.bytes);
        if (!error.isEmpty())
            return fail(err, error.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    }

    for (const UnplacedLine &line : read.unplaced) {
        // The reason is a sentence; inside the parentheses it goes without
        // its full stop.
        QString reason = line.reason;
        if (reason.endsWith(QChar(0x3002)))
            reason.chop(1);
        write(err, QStringLiteral("%1 行目: %2 (%3)\n").arg(line.line).arg(line.text, reason));
    }
    return read.unplaced.isEmpty() ? 0 : SomeLinesNotPlaced;
}

} // namespace mg
