#include "CommandLine.h"

#include "CommandOptions.h"
#include "CheckCommand.h"
#include "ConfigurationFiles.h"
#include "ScriptGenerator.h"
#include "ScriptReader.h"
#include "SendCommand.h"
#include "ShiftJis.h"
#include "TftpServeCommand.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
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
    "  marrowgate import [-o FILE.rcf] [--force] SCRIPT\n"
    "      コマンドスクリプト SCRIPT (.cfg などのテキスト。Shift_JIS か UTF-8) を\n"
    "      読み、その設定を .rcf の形 (Shift_JIS、改行は CR LF) で標準出力に\n"
    "      書き出します。設定にできなかった行は標準エラー出力に1行ずつ\n"
    "      「N 行目: 行の内容 (理由)」と書き出します。\n"
    "      -o FILE.rcf  標準出力の代わりに FILE.rcf に保存します (保存し終えてから\n"
    "                   置き換えます)。すでにあるファイルは置き換えません。\n"
    "      --force      -o のファイルがすでにあっても置き換えます。\n"
    "      終了コード: 0 すべての行を設定にした、3 設定は書き出したが設定に\n"
    "      できなかった行がある、1 SCRIPT を読めない (何も書き出しません)、\n"
    "      2 使い方の誤り。\n"
    "  marrowgate send (--serial DEVICE | --lan ADDRESS) [オプション] FILE\n"
    "      設定ファイル FILE から generate と同じコマンドスクリプトを作り、ルータに\n"
    "      設定します。シリアル: ログイン、リセット、スクリプト、パスワード、起動設定。\n"
    "      LAN: Telnet でログインし、ルータに TFTP でファイルを取らせ、起動設定にして\n"
    "      再起動します。パスワードはコマンドラインでは受け取りません。端末からは\n"
    "      表示せずに尋ねます。標準入力が端末でないときは、1行目をログイン\n"
    "      パスワード、2行目を工場出荷時のパスワードのルータに設定する新しい\n"
    "      管理者パスワードとして読みます。経過は標準エラー出力に書き出し、\n"
    "      記録 (パスワードは ******** で隠します) を残します。\n"
    "      --script             FILE をコマンドスクリプトとしてそのまま送ります。\n"
    "      --enat=yes|no        generate と同じです (省略時は no)。\n"
    "      --user NAME          ログインするユーザ名 (省略時は manager)。\n"
    "      --keep-factory-password  工場出荷時のパスワードを変えずに残します。\n"
    "      --pace=line|echo     シリアルで送る速さ。line: 1秒に1行 (省略時)。\n"
    "                           echo: ルータが前の行を表示してプロンプトを出したら\n"
    "                           すぐ次の行 (出さないときは1秒後)。\n"
    "      --timeout S          全体の制限時間の秒数 (省略時は 600)。\n"
    "      --transcript FILE    記録を FILE に書きます (省略時はデータフォルダの\n"
    "                           Quillmark KV700 Marrowgate/transcripts)。\n"
    "      --verbose            ルータの出力も標準エラー出力に表示します。\n"
    "      --standin-encoder-ok LAN で、付属の代用のパスワード暗号化プログラム\n"
    "                           (tzel) のまま送ります。ルータがその暗号化を読める\n"
    "                           場合 (ルータのシミュレータなど) だけ指定します。\n"
    "                           指定がなく代用のプログラムのときは、何も送らずに\n"
    "                           終了コード 1 で終わります。\n"
    "      シリアル: --speed N (9600)  --parity none|even|odd|mark|space (none)\n"
    "                --data-bits 5..8 (8)  --stop-bits 1|2 (1)  --flow none|xon|rts|xon-rts (none)\n"
    "                N は標準の通信速度 (50 から 4000000。1200, 2400, 4800, 9600,\n"
    "                19200, 38400, 57600, 115200 など) のどれかです。\n"
    "      LAN:      --telnet-port N (23)  --tftp-port N (69)\n"
    "      終了コード: 0 ルータが最後まで設定を終えた、1 失敗 (ルータのエラー行か\n"
    "      理由を表示)、2 使い方の誤り、130 Ctrl+C で中断 (143 SIGTERM)。\n"
    "  marrowgate check (--serial DEVICE | --lan ADDRESS) [オプション]\n"
    "      send の前に確かめます。シリアル: デバイスがあり、開けるか。LAN: ルータ\n"
    "      への経路とこの PC のアドレス、ルータが Telnet ポートで5秒以内に応答するか、\n"
    "      そのアドレスで TFTP のポートを開けるか、パスワードの暗号化プログラムが\n"
    "      応答するか、それが代用の暗号化プログラムでないか。✗ の項目には対処を\n"
    "      表示します。オプションは send のシリアルと LAN のもの、\n"
    "      --standin-encoder-ok と同じです。終了コード 0 はすべて ✓ のとき、2 は\n"
    "      使い方の誤りです。\n"
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

// The line under a command that is not one of these.
const char *const Synopsis = "使い方: marrowgate [generate | import | send | check | tftp-serve] [オプション] [FILE]";

const char *const ImportSynopsis = "使い方: marrowgate import [-o FILE.rcf] [--force] SCRIPT";

// import: the settings were written, but some lines of the script were not
// placed; the operator has to look at those lines.
constexpr int SomeLinesNotPlaced = 3;

using cli::fail;
using cli::write;

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

    const GeneratedScript generated = generateScriptFor(files.first(), enat);
    if (!generated.ok) {
        for (const QString &problem : generated.problems)
            fail(err, problem);
        return 1;
    }
    const QByteArray bytes = *ShiftJis::encode(generated.script);
    if (out.write(bytes) != bytes.size())
        return fail(err, QStringLiteral("標準出力に書き込めませんでした。"));
    return 0;
}

int import(const QStringList &args, QIODevice &out, QIODevice &err)
{
    cli::SubcommandParser command(QStringLiteral("import"), QString::fromUtf8(ImportSynopsis));
    const QCommandLineOption outputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                          QStringLiteral("FILE.rcf"));
    const QCommandLineOption forceOption(QStringLiteral("force"));
    command.addOption(outputOption);
    command.addOption(forceOption);
    if (const std::optional<int> status = command.parse(args, out, err, QString::fromUtf8(Usage)))
        return *status;
    const QCommandLineParser &parser = command.parser();
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return command.wrongUsage(err, QStringLiteral("読み込むコマンドスクリプトを1つ指定してください。"));
    const QString &scriptPath = files.first();
    const QString outputPath = parser.value(outputOption);
    if (parser.isSet(outputOption) && outputPath.isEmpty())
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
        if (QFileInfo::exists(outputPath) && !parser.isSet(forceOption))
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

} // namespace

GeneratedScript generateScriptFor(const QString &file, bool enat)
{
    GeneratedScript result;
    const QString rcfPath = rcfPathFor(file);
    if (rcfPath.isEmpty()) {
        result.problems << QStringLiteral("%1: 拡張子がないため、読み込む設定ファイル(.rcf)が決まりません。").arg(file);
        return result;
    }

    // The settings come from the .rcf, but a name typed wrong is the name
    // the operator typed, missing: that is what the message names.
    if (!QFileInfo::exists(rcfPath)) {
        result.problems << (QFileInfo::exists(file)
                                ? QStringLiteral("%1 がありません (%2 の設定は同じ名前の .rcf ファイルから読みます)。").arg(rcfPath, file)
                                : QStringLiteral("%1 がありません。").arg(file));
        return result;
    }
    const RcfReadResult read = readRcfFile(rcfPath, Configuration{});
    // The window reports these and reads on; a script made from a file that
    // is not what it should be is not something to hand to a router unasked.
    for (const RcfProblem &warning : read.warnings)
        result.problems << rcfPath + QStringLiteral(": ") + describe(warning);
    if (!result.problems.isEmpty())
        return result;
    if (!read.ok) {
        result.problems << rcfPath + QStringLiteral(": ") + describe(read.error);
        return result;
    }

    Configuration config = read.config;
    AnswerPrompt prompt(enat);   // the generator's only question
    const QString script = GenerateScript(config, prompt);
    if (!ShiftJis::encode(script)) {
        result.problems << rcfPath + QStringLiteral(": コマンドスクリプトに Shift_JIS で表せない文字があります。");
        return result;
    }
    result.ok = true;
    result.script = script;
    return result;
}

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
    if (command == QLatin1String("import"))
        return import(args.mid(1), out, err);
    if (command == QLatin1String("tftp-serve"))
        return runTftpServe(args.mid(1), out, err, QString::fromUtf8(Usage));
    if (command == QLatin1String("send"))
        return runSend(args.mid(1), out, err, QString::fromUtf8(Usage));
    if (command == QLatin1String("check"))
        return runCheck(args.mid(1), out, err, QString::fromUtf8(Usage));
    // Options of Qt itself (-platform, -style, -display, ...) are the
    // window's; a word is a mistyped command, since the window takes none.
    if (command.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return fail(err,
                QStringLiteral("不明なコマンドです: %1\n%2\n詳しくは marrowgate --help を見てください。")
                    .arg(command, QString::fromUtf8(Synopsis)),
                cli::WrongUsage);
}

} // namespace mg
