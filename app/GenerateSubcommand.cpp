#include "GenerateSubcommand.h"

#include "CommandOptions.h"
#include "ConfigurationFiles.h"
#include "ScriptGenerator.h"
#include "ShiftJis.h"

#include <QFileInfo>
#include <QIODevice>

namespace mg {

namespace {

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

} // namespace

GenerateSubcommand::GenerateSubcommand()
    : Subcommand(QStringLiteral("generate"), QStringLiteral("generate [--enat=yes|no] FILE"),
                 QStringLiteral("設定ファイル FILE からルータのコマンドスクリプトを作成し、標準出力に\n"
                                "Shift_JIS (改行は CR LF) で書き出します。FILE が .cfg ファイルのときは\n"
                                "同じフォルダの同じ名前の .rcf ファイルを読みます。"))
{
    declare(QCommandLineOption(QStringLiteral("enat"),
                               QStringLiteral("端末型の接続先にダイナミックENATエントリを追加するか\n"
                                              "どうかの問いへの答え (省略時は no)。"),
                               QStringLiteral("yes|no")));
}

int GenerateSubcommand::run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    // Read by hand rather than by the common parser: --enat takes its
    // answer only after "=", so that "--enat yes FILE" is not read as a
    // file named "yes".
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
            write(out, usage);
            return 0;
        } else if (arg.startsWith(QLatin1String("--enat"))) {
            return fail(err, QStringLiteral("--enat には yes か no を指定してください (--enat=yes または --enat=no)。"),
                        cli::WrongUsage);
        } else {
            return fail(err, QStringLiteral("generate: 不明なオプションです: %1\n詳しくは marrowgate --help を見てください。").arg(arg),
                        cli::WrongUsage);
        }
    }
    if (files.size() != 1)
        return fail(err, QStringLiteral("generate には設定ファイルを1つ指定してください。\n") + usageLine(), cli::WrongUsage);

    const GeneratedScript generated = generateScriptFor(files.first(), enat);
    if (!generated.ok) {
        for (const QString &problem : generated.problems)
            fail(err, problem);
        return cli::Failure;
    }
    const QByteArray bytes = *ShiftJis::encode(generated.script);
    if (out.write(bytes) != bytes.size())
        return fail(err, QStringLiteral("標準出力に書き込めませんでした。"));
    return 0;
}

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

} // namespace mg
