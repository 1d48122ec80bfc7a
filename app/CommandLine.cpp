#include "CommandLine.h"

#include "ConfigurationFiles.h"
#include "ScriptGenerator.h"
#include "ShiftJis.h"
#include "TftpServeCommand.h"

#include <QIODevice>

#ifndef MARROWGATE_VERSION
#error "MARROWGATE_VERSION must be defined by the build"
#endif

namespace mg {

namespace {

const char *const Usage =
    "使い方:\n"
    "  marrowgate                               設定ウィンドウを開きます。\n"
    "  marrowgate generate [--enat=yes|no] FILE\n"
    "      設定ファイル FILE からルータのコマンドスクリプトを作成し、標準出力に\n"
    "      Shift_JIS (改行は CR LF) で書き出します。FILE が .cfg ファイルのときは\n"
    "      同じフォルダの同じ名前の .rcf ファイルを読みます。\n"
    "      --enat=yes|no  端末型の接続先にダイナミックENATエントリを追加するか\n"
    "                     どうかの問いへの答え (省略時は no)。\n"
    "  marrowgate tftp-serve --router ADDRESS [--port N] [--timeout S] FILE\n"
    "      ルータ ADDRESS の TFTP 読み出し要求に FILE を1回送って終わります\n"
    "      (ルータのコンソールで load file= を自分で入力するときに使います)。\n"
    "      経過は標準エラー出力に書き出します。\n"
    "      --port N     待ち受ける UDP ポート (省略時は 69)。\n"
    "      --timeout S  要求を待つ秒数 (省略時は 120)。\n"
    "      終了コード 2 は使い方の誤りです。\n"
    "  marrowgate --help                        この説明を表示します。\n"
    "  marrowgate --version                     バージョンを表示します。\n"
    "\n"
    "終了コード: 0 成功、1 エラー (理由は標準エラー出力に書き出します)。\n";

void write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

int fail(QIODevice &err, const QString &message)
{
    write(err, QStringLiteral("marrowgate: ") + message + QLatin1Char('\n'));
    return 1;
}

QString describe(const RcfProblem &problem)
{
    QString text = problem.description.isEmpty() ? problem.message.text : problem.description;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    if (problem.line > 0)
        text = QStringLiteral("%1行目: ").arg(problem.line) + text;
    return text;
}

int generate(const QStringList &args, QIODevice &out, QIODevice &err)
{
    bool enat = false;
    QStringList files;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            files.append(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("--enat=yes")) {
            enat = true;
        } else if (arg == QLatin1String("--enat=no")) {
            enat = false;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            write(out, QString::fromUtf8(Usage));
            return 0;
        } else if (arg.startsWith(QLatin1String("--enat"))) {
            return fail(err, QStringLiteral("--enat には yes か no を指定してください (--enat=yes または --enat=no)。"));
        } else {
            return fail(err, QStringLiteral("generate: 不明なオプションです: %1\n詳しくは marrowgate --help を見てください。").arg(arg));
        }
    }
    if (files.size() != 1) {
        return fail(err, QStringLiteral("generate には設定ファイルを1つ指定してください。\n"
                                        "使い方: marrowgate generate [--enat=yes|no] FILE"));
    }

    const QString &file = files.first();
    const QString rcfPath = RcfPathFor(file);
    if (rcfPath.isEmpty())
        return fail(err, QStringLiteral("%1: 拡張子がないため、読み込む設定ファイル(.rcf)が決まりません。").arg(file));

    const RcfReadResult read = ReadRcfFile(rcfPath, Configuration{});
    // The window reports these and reads on; a script made from a file that
    // is not what it should be is not something to hand to a router unasked.
    for (const RcfProblem &warning : read.warnings)
        fail(err, rcfPath + QStringLiteral(": ") + describe(warning));
    if (!read.warnings.isEmpty())
        return 1;
    if (!read.ok)
        return fail(err, rcfPath + QStringLiteral(": ") + describe(read.error));

    Configuration config = read.config;
    AnswerPrompt prompt(enat);   // the generator's only question
    const QString script = GenerateScript(config, prompt);
    const std::optional<QByteArray> bytes = ShiftJis::encode(script);
    if (!bytes)
        return fail(err, rcfPath + QStringLiteral(": コマンドスクリプトに Shift_JIS で表せない文字があります。"));
    if (out.write(*bytes) != bytes->size())
        return fail(err, QStringLiteral("標準出力に書き込めませんでした。"));
    return 0;
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    const QStringList args = arguments.mid(1);
    if (args.isEmpty())
        return std::nullopt;
    const QString &command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        write(out, QString::fromUtf8(Usage));
        return 0;
    }
    if (command == QLatin1String("--version")) {
        write(out, QStringLiteral("marrowgate " MARROWGATE_VERSION "\n"));
        return 0;
    }
    if (command == QLatin1String("generate"))
        return generate(args.mid(1), out, err);
    if (command == QLatin1String("tftp-serve"))
        return runTftpServe(args.mid(1), out, err, QString::fromUtf8(Usage));
    // Options of Qt itself (-platform, -style, -display, ...) are the
    // window's; a word is a mistyped command, since the window takes none.
    if (command.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return fail(err, QStringLiteral("不明なコマンドです: %1\n詳しくは marrowgate --help を見てください。").arg(command));
}

} // namespace mg
