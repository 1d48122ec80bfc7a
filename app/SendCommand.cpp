#include "SendCommand.h"

#include "ControlEscapes.h"
#include "DialogueMessage.h"
#include "GenerateSubcommand.h"
#include "InterruptWatch.h"
#include "PasswordRules.h"
#include "ProgramFolder.h"
#include "RouterInstall.h"
#include "SendText.h"
#include "SerialLine.h"
#include "ShiftJis.h"
#include "StandInEncoder.h"
#include "TelnetLink.h"
#include "Ticker.h"
#include "Transcript.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <termios.h>
#include <variant>
#include <unistd.h>

#ifndef MARROWGATE_VERSION
#error "MARROWGATE_VERSION must be defined by the build"
#endif

namespace mg {

namespace {

using cli::fail;
using cli::write;

constexpr int DefaultTimeoutSeconds = 600;
constexpr qint64 MaxScriptBytes = 4 * 1024 * 1024;
constexpr qint64 MaxPasswordInput = 4096;

// Tests run the session's clock faster (MG_TIME_SCALE): every period,
// time-out and the time limit alike, so the dialogue keeps its proportions.
class ScaledTicker : public Ticker {
public:
    ScaledTicker(std::unique_ptr<Ticker> ticker, int scale) : m_ticker(std::move(ticker)), m_scale(scale) {}
    void start() override { m_ticker->start(); }
    void stop() override { m_ticker->stop(); }
    bool isActive() const override { return m_ticker->isActive(); }
    std::chrono::milliseconds interval() const override { return m_ticker->interval() * m_scale; }
    void setInterval(std::chrono::milliseconds interval) override { m_ticker->setInterval(scaled(interval)); }
    std::chrono::milliseconds scaled(std::chrono::milliseconds interval) const
    {
        return std::max(std::chrono::milliseconds(1), interval / m_scale);
    }

private:
    std::unique_ptr<Ticker> m_ticker;
    int m_scale;
};

class ScaledTickerFactory : public TickerFactory {
public:
    explicit ScaledTickerFactory(int scale) : m_scale(scale) {}
    std::unique_ptr<Ticker> create(const char *name, std::chrono::milliseconds interval,
                                   std::function<void()> onTick) override
    {
        if (m_scale <= 1)
            return m_real.create(name, interval, std::move(onTick));
        const auto period = std::max(std::chrono::milliseconds(1), interval / m_scale);
        return std::make_unique<ScaledTicker>(m_real.create(name, period, std::move(onTick)), m_scale);
    }

private:
    QtTickerFactory m_real;
    int m_scale;
};

int timeScale()
{
    const int scale = qEnvironmentVariableIntValue("MG_TIME_SCALE");
    return scale >= 1 && scale <= 1000 ? scale : 1;
}

// A script file sent as it is, but with the line ends the router needs:
// every line, the last one too, ends with CR LF.
std::optional<QString> readScript(const QString &path, QString *error)
{
    // A mistyped name is a missing file, said so, not a system's reason.
    if (!QFileInfo::exists(path)) {
        *error = QStringLiteral("%1 がありません。").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: 読み込めません: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(MaxScriptBytes + 1);
    if (bytes.size() > MaxScriptBytes) {
        *error = QStringLiteral("%1: コマンドスクリプトとしては大きすぎます。").arg(path);
        return std::nullopt;
    }
    const std::optional<QString> text = ShiftJis::decodeStrict(bytes);
    if (!text) {
        *error = QStringLiteral("%1: Shift_JIS のテキストではありません。").arg(path);
        return std::nullopt;
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text->split(lineEnd);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        *error = QStringLiteral("%1: コマンドスクリプトが空です。").arg(path);
        return std::nullopt;
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

// The name the router keeps the configuration under: the file's own name
// for a .cfg, else its base name with ".cfg" (an .rcf names its .cfg).
QString configNameFor(const QString &path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("cfg"), Qt::CaseInsensitive) == 0)
        return info.fileName();
    return (info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName()) + QStringLiteral(".cfg");
}

// ---- passwords ----------------------------------------------------------

volatile std::sig_atomic_t g_promptInterrupted = 0;

void promptInterrupted(int signal)
{
    g_promptInterrupted = signal;
}

enum class ReadResult { Line, End, Interrupted, Failed };

// One line from standard input, byte by byte: nothing past it is taken, so
// a caller that pipes more keeps the rest. Without echo on a terminal.
ReadResult readLine(bool noEcho, QByteArray *line)
{
    line->clear();
    // Every signal that would end the program at the prompt (Ctrl+C,
    // Ctrl+\, a closed terminal, SIGTERM) must give the echo back first: it
    // is caught before the echo goes and let go only after it is back.
    constexpr auto &Signals = cli::InterruptWatch::Signals;
    struct sigaction action {}, old[std::size(Signals)] {};
    action.sa_handler = &promptInterrupted;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: read() returns and the loop sees it
    g_promptInterrupted = 0;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &action, &old[i]);
    termios saved{};
    const bool terminal = noEcho && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }

    ReadResult result = ReadResult::Line;
    for (;;) {
        char c = 0;
        const ssize_t got = g_promptInterrupted ? -1 : ::read(STDIN_FILENO, &c, 1);
        if (g_promptInterrupted) {
            result = ReadResult::Interrupted;
            break;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result = ReadResult::Failed;
            break;
        }
        if (got == 0) {
            result = line->isEmpty() ? ReadResult::End : ReadResult::Line;
            break;
        }
        if (c == '\n')
            break;
        if (line->size() >= MaxPasswordInput) {
            result = ReadResult::Failed;
            break;
        }
        line->append(c);
    }
    if (line->endsWith('\r'))
        line->chop(1);

    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &old[i], nullptr);
    return result;
}

struct Passwords {
    QString login;
    std::optional<QString> newPassword;
};

// The passwords, or the status to end with (the message written).
std::variant<Passwords, int> readPasswords(const QString &user, bool keepFactory, QIODevice &err)
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    auto interrupted = [&err](int signal) {
        return fail(err, QStringLiteral("中断しました。ルータには何も送っていません。"), 128 + signal);
    };
    Passwords passwords;
    QByteArray line;

    if (terminal)
        write(err, QStringLiteral("KV700 のユーザ %1 のパスワード: ").arg(user));
    switch (readLine(terminal, &line)) {
    case ReadResult::Interrupted: return interrupted(g_promptInterrupted);
    case ReadResult::Failed: return fail(err, QStringLiteral("標準入力からパスワードを読めませんでした。"));
    case ReadResult::End:
        return fail(err, QStringLiteral("パスワードがありません。標準入力の1行目にログイン パスワードを書いてください。"));
    case ReadResult::Line: break;
    }
    passwords.login = QString::fromUtf8(line);
    if (const QString problem = PasswordRules::checkLoginPassword(passwords.login); !problem.isEmpty())
        return fail(err, problem);

    // Only a router with the factory password gets a new one; the question
    // is settled before anything is sent to it.
    const bool factory = SendText::isFactoryLogin(user, passwords.login);
    std::optional<QString> second;
    if (!terminal) {
        switch (readLine(false, &line)) {
        case ReadResult::Interrupted: return interrupted(g_promptInterrupted);
        case ReadResult::Failed: return fail(err, QStringLiteral("標準入力から新しいパスワードを読めませんでした。"));
        case ReadResult::End: break;
        case ReadResult::Line:
            if (!line.isEmpty())
                second = QString::fromUtf8(line);
            break;
        }
    } else if (factory && !keepFactory) {
        write(err, QStringLiteral("工場出荷時のパスワードです。新しい管理者パスワード (%1 文字以上): ")
                       .arg(PasswordRules::MinNewPasswordLength));
        const ReadResult first = readLine(true, &line);
        if (first == ReadResult::Interrupted)
            return interrupted(g_promptInterrupted);
        if (first == ReadResult::Line && !line.isEmpty()) {
            const QString typed = QString::fromUtf8(line);
            if (const QString problem = PasswordRules::checkNewPassword(typed); !problem.isEmpty())
                return fail(err, problem);
            write(err, QStringLiteral("もう一度入力してください: "));
            const ReadResult again = readLine(true, &line);
            if (again == ReadResult::Interrupted)
                return interrupted(g_promptInterrupted);
            if (QString::fromUtf8(line) != typed)
                return fail(err, QStringLiteral("新しいパスワードが一致しません。ルータには何も送っていません。"));
            second = typed;
        }
    }

    if (second && keepFactory)
        return fail(err, QStringLiteral("--keep-factory-password と新しいパスワードの両方が指定されています。どちらか一方にしてください。"),
                    cli::WrongUsage);
    if (factory && !keepFactory) {
        if (!second) {
            return fail(err, QStringLiteral("工場出荷時のパスワードでログインするときは、新しい管理者パスワード (標準入力の2行目) か "
                                            "--keep-factory-password を指定してください。ルータには何も送っていません。"));
        }
        if (const QString problem = PasswordRules::checkNewPassword(*second); !problem.isEmpty())
            return fail(err, problem);
        passwords.newPassword = second;
    }
    return passwords;
}

// ---- progress -----------------------------------------------------------

// What the operator sees on standard error while the session runs: a bar on
// a terminal, plain lines (every tenth) otherwise; the router's output in
// between when asked for, where the bar would only be in the way.
class Progress {
public:
    Progress(QIODevice &err, bool bar) : m_err(err), m_bar(bar) {}

    void line(const QString &text)
    {
        clearBar();
        endRouterLine();
        write(m_err, text + QLatin1Char('\n'));
    }

    void count(const QString &label, const QString &unit, int done, int total)
    {
        if (total <= 0)
            return;
        if (m_bar) {
            constexpr int Width = 30;
            const int filled = int(qint64(done) * Width / total);
            write(m_err, QStringLiteral("\r%1 [%2%3] %4/%5 %6\x1b[K")
                             .arg(label, QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char('-')))
                             .arg(done)
                             .arg(total)
                             .arg(unit));
            m_barShown = true;
            return;
        }
        const int tenth = int(qint64(done) * 10 / total);
        if (label == m_label && tenth == m_tenth)
            return;
        m_label = label;
        m_tenth = tenth;
        endRouterLine();
        write(m_err, QStringLiteral("%1: %2% (%3/%4 %5)\n").arg(label).arg(tenth * 10).arg(done).arg(total).arg(unit));
    }

    void router(QString text)
    {
        if (text.isEmpty())
            return;
        clearBar();
        // The router's bytes are shown, never obeyed by the terminal.
        text = escapeControls(text);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        write(m_err, text);
        m_routerMidLine = !text.endsWith(QLatin1Char('\n'));
    }

    void end()
    {
        if (m_barShown)
            write(m_err, QStringLiteral("\n"));
        m_barShown = false;
        endRouterLine();
    }

private:
    void clearBar()
    {
        if (m_barShown)
            write(m_err, QStringLiteral("\r\x1b[K"));
        m_barShown = false;
    }
    void endRouterLine()
    {
        if (m_routerMidLine)
            write(m_err, QStringLiteral("\n"));
        m_routerMidLine = false;
    }

    QIODevice &m_err;
    bool m_bar;
    bool m_barShown = false;
    bool m_routerMidLine = false;
    QString m_label;
    int m_tenth = -1;
};

// The router's own line for a failure: the last one it printed with
// "Error" in it, as far as it came before the session ended.
QString routerErrorLine(const QString &output)
{
    const qsizetype at = output.lastIndexOf(QLatin1String("Error"));
    if (at < 0)
        return QString();
    qsizetype start = at;
    while (start > 0 && output.at(start - 1) != QLatin1Char('\n') && output.at(start - 1) != QLatin1Char('\r'))
        --start;
    qsizetype end = at;
    while (end < output.size() && output.at(end) != QLatin1Char('\n') && output.at(end) != QLatin1Char('\r'))
        ++end;
    return escapeControls(output.mid(start, end - start).trimmed());
}

QString messageText(const DialogueMessage &message)
{
    // Some messages quote the router's line: printed, it must not reach the
    // terminal as a command.
    QString text = escapeControls(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// How the session ended, for the report.
struct SessionEnd {
    int status = cli::Failure;
    int interruptedBy = 0; // the signal that ended it
    DialogueMessage outcome;
    QString routerOutput; // the transfer's, secrets hidden
    int linesSent = 0;
    qsizetype bytesSent = 0;
    qint64 sendingTime = -1; // milliseconds over the serial line; -1: nothing sent
};

int runSession(const SendRequest &request, const Passwords &passwords, QIODevice &err);
int report(const SendRequest &request, const SessionEnd &end, Transcript &transcript, QIODevice &err);

} // namespace

// What the options ask for, with the script they name.
struct SendRequest {
    cli::RouterLineChoice line;
    QString file;
    bool scriptAsIs = false; // --script
    bool enat = false;
    QString user;
    bool keepFactoryPassword = false;
    TransferPacing pacing = TransferPacing::Line;
    int timeoutSeconds = DefaultTimeoutSeconds;
    std::optional<QString> transcriptPath; // else the default folder
    bool verbose = false;
    QString script;
    QString configName;
};

SendCommand::SendCommand()
    : Subcommand(QStringLiteral("send"), QStringLiteral("send (--serial DEVICE | --lan ADDRESS) [オプション] FILE"),
                 QStringLiteral("設定ファイル FILE から generate と同じコマンドスクリプトを作り、ルータに\n"
                                "設定します。シリアル: ログイン、リセット、スクリプト、パスワード、起動設定。\n"
                                "LAN: Telnet でログインし、ルータに TFTP でファイルを取らせ、起動設定にして\n"
                                "再起動します。パスワードはコマンドラインでは受け取りません。端末からは\n"
                                "表示せずに尋ねます。標準入力が端末でないときは、1行目をログイン\n"
                                "パスワード、2行目を工場出荷時のパスワードのルータに設定する新しい\n"
                                "管理者パスワードとして読みます。経過は標準エラー出力に書き出し、\n"
                                "記録 (パスワードは ******** で隠します) を残します。")),
      m_script(QStringLiteral("script"), QStringLiteral("FILE をコマンドスクリプトとしてそのまま送ります。")),
      m_enat(QStringLiteral("enat"), QStringLiteral("generate と同じです (省略時は no)。"), QStringLiteral("yes|no")),
      m_user(QStringLiteral("user"), QStringLiteral("ログインするユーザ名 (省略時は manager)。"), QStringLiteral("NAME")),
      m_keep(QStringLiteral("keep-factory-password"), QStringLiteral("工場出荷時のパスワードを変えずに残します。")),
      m_pace(QStringLiteral("pace"),
             QStringLiteral("シリアルで送る速さ。line: 1秒に1行 (省略時)。\n"
                            "echo: ルータが前の行を表示してプロンプトを出したら\n"
                            "すぐ次の行 (出さないときは1秒後)。"),
             QStringLiteral("line|echo")),
      m_timeout(QStringLiteral("timeout"), QStringLiteral("全体の制限時間の秒数 (省略時は 600)。"), QStringLiteral("S")),
      m_transcript(QStringLiteral("transcript"),
                   QStringLiteral("記録を FILE に書きます (省略時はデータフォルダの\n"
                                  "Quillmark KV700 Marrowgate/transcripts)。"),
                   QStringLiteral("FILE")),
      m_verbose(QStringLiteral("verbose"), QStringLiteral("ルータの出力も標準エラー出力に表示します。")),
      m_standIn(cli::StandInEncoderOk,
                QStringLiteral("LAN で、付属の代用のパスワード暗号化プログラム\n"
                               "(tzel) のまま送ります。ルータがその暗号化を読める\n"
                               "場合 (ルータのシミュレータなど) だけ指定します。\n"
                               "指定がなく代用のプログラムのときは、何も送らずに\n"
                               "終了コード 1 で終わります。"))
{
    for (const QCommandLineOption &option : m_line.options())
        declare(option);
    for (const QCommandLineOption &option :
         {m_script, m_enat, m_user, m_keep, m_pace, m_timeout, m_transcript, m_verbose, m_standIn})
        declare(option);
    // The widest names share one column; the longest keeps its own.
    setDescriptionColumn(21);
    setNotes(cli::RouterLineOptions::help()
             + QStringLiteral("\n終了コード: 0 ルータが最後まで設定を終えた、1 失敗 (ルータのエラー行か\n"
                              "理由を表示)、2 使い方の誤り、130 Ctrl+C で中断 (143 SIGTERM)。"));
}

int SendCommand::run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage)
{
    cli::SubcommandParser command(*this);
    if (const std::optional<int> status = command.parse(args, out, err, usage))
        return *status;
    SendRequest request;
    if (const std::optional<int> status = readOptions(command, err, &request))
        return *status;

    const std::variant<Passwords, int> read = readPasswords(request.user, request.keepFactoryPassword, err);
    if (const int *status = std::get_if<int>(&read))
        return *status;
    const Passwords &passwords = std::get<Passwords>(read);
    // Over the LAN the login password goes through the encoder, which would
    // change some; the serial line types it as it is.
    if (!request.line.serial) {
        if (const QString problem = PasswordRules::checkEncodablePassword(passwords.login); !problem.isEmpty())
            return fail(err, problem);
    }

    return runSession(request, passwords, err);
}

// The options, read and checked, and the script made: everything the
// operator can get wrong is found before anyone is asked for a password.
std::optional<int> SendCommand::readOptions(const cli::SubcommandParser &command, QIODevice &err,
                                            SendRequest *request) const
{
    const QCommandLineParser &parser = command.parser();

    QString problem;
    const std::optional<cli::RouterLineChoice> line = m_line.read(parser, &problem);
    if (!line)
        return command.wrongUsage(err, problem);
    request->line = *line;
    for (const QCommandLineOption *option : {&m_enat, &m_user, &m_pace, &m_timeout, &m_transcript}) {
        if (parser.values(*option).size() > 1)
            return command.wrongUsage(err, QStringLiteral("--%1 は1回だけ指定してください。").arg(option->names().constFirst()));
    }

    bool &enat = request->enat;
    if (parser.isSet(m_enat)) {
        if (parser.isSet(m_script))
            return command.wrongUsage(err, QStringLiteral("--enat は --script と一緒には使えません (スクリプトはそのまま送ります)。"));
        const QString value = parser.value(m_enat);
        if (value != QLatin1String("yes") && value != QLatin1String("no"))
            return command.wrongUsage(err, QStringLiteral("--enat には yes か no を指定してください: %1").arg(value));
        enat = value == QLatin1String("yes");
    }
    request->user = parser.isSet(m_user) ? parser.value(m_user) : SendText::FactoryUser;
    if (const QString bad = PasswordRules::checkUserName(request->user); !bad.isEmpty())
        return command.wrongUsage(err, QStringLiteral("--user: ") + bad);
    TransferPacing &pacing = request->pacing;
    if (parser.isSet(m_pace)) {
        const QString value = parser.value(m_pace);
        if (value == QLatin1String("echo"))
            pacing = TransferPacing::Echo;
        else if (value != QLatin1String("line"))
            return command.wrongUsage(err, QStringLiteral("--pace には line か echo を指定してください: %1").arg(value));
        if (!line->serial && pacing == TransferPacing::Echo)
            return command.wrongUsage(err, QStringLiteral("--pace=echo はシリアルで送るときだけ使えます (LAN ではルータがファイルを取りに来ます)。"));
    }
    const std::optional<int> timeout = command.timeoutSeconds(m_timeout, DefaultTimeoutSeconds, err);
    if (!timeout)
        return cli::WrongUsage;
    request->timeoutSeconds = *timeout;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return command.wrongUsage(err, QStringLiteral("送る設定ファイルを1つ指定してください。"));
    request->file = files.first();
    const QString &file = request->file;
    request->scriptAsIs = parser.isSet(m_script);
    request->keepFactoryPassword = parser.isSet(m_keep);
    if (parser.isSet(m_transcript))
        request->transcriptPath = parser.value(m_transcript);
    request->verbose = parser.isSet(m_verbose);
    if (line->serial && parser.isSet(m_standIn))
        return command.wrongUsage(err, cli::StandInOnSerialText);

    // The script first: a file that cannot be sent is found before anyone
    // is asked for a password.
    QString &script = request->script;
    if (request->scriptAsIs) {
        const std::optional<QString> read = readScript(file, &problem);
        if (!read)
            return fail(err, problem);
        script = *read;
        if (!ShiftJis::encode(script))
            return fail(err, QStringLiteral("%1: Shift_JIS で表せない文字があります。").arg(file));
    } else {
        const GeneratedScript generated = generateScriptFor(file, enat);
        if (!generated.ok) {
            for (const QString &text : generated.problems)
                fail(err, text);
            return cli::Failure;
        }
        script = generated.script;
    }
    request->configName = configNameFor(file);
    const QString &configName = request->configName;
    if (!SendText::configNameAllowed(configName))
        return fail(err, messageText(DialogueMessages::badConfigName(configName)));
    // A router given the stand-in's placeholder would lock the operator out
    // and still report the installation done: asked before any password.
    if (!line->serial && !parser.isSet(m_standIn)) {
        const ProgramFolderResult folder = locateProgramFolder();
        if (folder.ok && StandInEncoder::isStandIn(folder.folder)) {
            const QString encoder = StandInEncoder::encoderPath(folder.folder);
            return fail(err, StandInEncoder::explanation(encoder) + QStringLiteral("ルータには何も送っていません。\n")
                                 + StandInEncoder::remedy(encoder) + QLatin1Char('\n') + cli::StandInAcceptedHint);
        }
    }
    return std::nullopt;
}

namespace {

// The installation itself, from the login to its end.
int runSession(const SendRequest &request, const Passwords &passwords, QIODevice &err)
{
    const cli::RouterLineChoice *const line = &request.line;
    const QString &file = request.file, &script = request.script, &configName = request.configName;
    const QString &user = request.user;
    const bool enat = request.enat, verbose = request.verbose;
    const TransferPacing pacing = request.pacing;
    const int timeoutSeconds = request.timeoutSeconds;

    // From here on Ctrl+C ends the session cleanly. The signal is taken in
    // the event loop, so it always finds the session set up.
    QEventLoop loop;
    RouterInstall *running = nullptr;
    int interruptedBy = 0;
    const cli::InterruptWatch interrupts([&](int signal) {
        if (interruptedBy)
            return;
        interruptedBy = signal;
        if (running)
            running->abort();
        loop.exit(128 + signal);
    });

    Transcript transcript;
    const bool recorded = request.transcriptPath ? transcript.open(*request.transcriptPath)
                                                 : transcript.openInFolder(Transcript::defaultFolder());
    if (!recorded)
        return fail(err, QStringLiteral("記録ファイルを作成できません: ") + transcript.errorString());
    write(err, QStringLiteral("記録: %1\n").arg(transcript.path()));
    SerialLine serialLine(line->device);
    TelnetLink telnet;
    TransferRequest job;
    job.method = line->serial ? TransferMethod::Serial : TransferMethod::Telnet;
    job.commandScript = script;
    job.configName = configName;
    job.pacing = pacing;
    job.caller = {QStringLiteral("marrowgate " MARROWGATE_VERSION " send"), file,
                  request.scriptAsIs ? QStringLiteral("スクリプトをそのまま送ります。")
                                     : QStringLiteral("設定から作ったスクリプトを送ります (--enat=%1)。")
                                           .arg(enat ? QLatin1String("yes") : QLatin1String("no")),
                  line->describe()};
    if (!line->serial) {
        job.routerAddress = line->address.toString();
        job.tftpPort = line->tftpPort;
    }
    ScaledTickerFactory tickers(timeScale());
    RouterInstall install(job, tickers);
    install.setTranscript(&transcript);
    if (line->serial) {
        QString reason, remedy;
        if (!cli::openSerialLine(serialLine, *line, &reason, &remedy)) {
            QString text = QStringLiteral("%1 を開けません: %2").arg(line->device, reason);
            if (!remedy.isEmpty())
                text += QLatin1Char('\n') + remedy;
            // Closed like every other failed run, with the status the shell sees.
            transcript.note(QStringLiteral("失敗: ") + text);
            transcript.close(QStringLiteral("終了 (終了コード %1)").arg(cli::Failure));
            return fail(err, text, cli::Failure);
        }
    } else {
        telnet.setRemotePort(line->telnetPort);
    }
    install.setTimeLimit(std::chrono::seconds(timeoutSeconds));
    const std::optional<QString> managerPassword = passwords.newPassword;
    install.setFactoryPasswordChoice([managerPassword] { return managerPassword; });
    running = &install;

    Progress progress(err, !verbose && ::isatty(STDERR_FILENO) == 1);
    QString routerOutput;  // the transfer's output, secrets hidden, for the router's own error line
    bool inTransfer = false;
    DialogueMessage outcome;
    QElapsedTimer transferClock;
    int linesTotal = 0;

    QObject::connect(&install, &RouterInstall::shownOutput, &loop, [&](const QString &text) {
        if (verbose)
            progress.router(text);
        if (inTransfer)
            routerOutput = (routerOutput + text).right(8192);
    });
    QObject::connect(&install, &RouterInstall::loggedIn, &loop, [&] {
        progress.line(QStringLiteral("ログインしました。"));
    });
    QObject::connect(&install, &RouterInstall::transferStarted, &loop, [&] {
        inTransfer = true;
        transferClock.start();
        progress.line(line->serial ? QStringLiteral("設定を送っています。")
                                   : QStringLiteral("ルータが設定ファイルを取りに来るのを待っています。"));
    });
    QObject::connect(&install, &RouterInstall::progress, &loop, [&](int done, int total) {
        linesTotal = total;
        if (line->serial)
            progress.count(QStringLiteral("送信"), QStringLiteral("行"), done, total);
        else
            progress.count(QStringLiteral("TFTP"), QStringLiteral("ブロック"), done, total);
    });
    QObject::connect(&install, &RouterInstall::loginFailed, &loop,
                     [&](const DialogueMessage &message, bool canRetry) {
                         outcome = message;
                         // The command line does not try again: the same
                         // password would be refused the same way.
                         if (canRetry)
                             install.abort();
                         loop.exit(cli::Failure);
                     });
    QObject::connect(&install, &RouterInstall::finished, &loop, [&](const InstallOutcome &end) {
        outcome = end.message;
        loop.exit(end.ok ? 0 : cli::Failure);
    });

    if (line->serial)
        install.attach(serialLine);
    else
        install.attach(telnet);
    progress.line(QStringLiteral("%1 に %2 でログインしています。").arg(line->describe(), user));
    QMetaObject::invokeMethod(&loop, [&] { install.login(user, passwords.login); }, Qt::QueuedConnection);
    const int status = loop.exec();

    // Whatever ended it, nothing stays open or behind.
    install.abort();
    serialLine.close();
    telnet.close();
    progress.end();

    SessionEnd end;
    end.status = status;
    end.interruptedBy = interruptedBy;
    end.outcome = outcome;
    end.routerOutput = routerOutput;
    end.linesSent = linesTotal;
    if (line->serial && transferClock.isValid()) {
        end.bytesSent = ShiftJis::encode(install.sendText()).value_or(QByteArray()).size();
        end.sendingTime = transferClock.elapsed();
    }
    return report(request, end, transcript, err);
}

// What the operator and the transcript are told of the session's end, and
// the status it ends with.
int report(const SendRequest &request, const SessionEnd &end, Transcript &transcript, QIODevice &err)
{
    const cli::RouterLineChoice *const line = &request.line;
    const int status = end.status;
    if (end.interruptedBy) {
        const QString text = cli::InterruptWatch::describe(end.interruptedBy) + QStringLiteral(" で中断しました。");
        transcript.close(text + QStringLiteral(" (終了コード %1)").arg(status));
        return fail(err, text + QStringLiteral("ポートとソケットを閉じ、一時ファイルを削除しました。ルータの設定は途中の状態です。"),
                    status);
    }
    if (status == 0) {
        QString summary = messageText(end.outcome);
        if (end.sendingTime >= 0) {
            summary += QStringLiteral("\n%1 行 (%2 バイト) を %3 秒で送りました。")
                           .arg(end.linesSent)
                           .arg(end.bytesSent)
                           .arg(double(end.sendingTime) / 1000.0, 0, 'f', 1);
        }
        write(err, summary + QLatin1Char('\n'));
        transcript.close(QStringLiteral("終了 (終了コード 0)"));
        return 0;
    }
    // The serial checks quote the router's line in their own message.
    const QString routerLine = line->serial ? QString() : routerErrorLine(end.routerOutput);
    if (!routerLine.isEmpty())
        fail(err, QStringLiteral("ルータの表示: ") + routerLine);
    transcript.close(QStringLiteral("終了 (終了コード %1)").arg(status));
    return fail(err, messageText(end.outcome), status);
}

} // namespace

} // namespace mg
