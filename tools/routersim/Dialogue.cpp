#include "Dialogue.h"

#include "Router.h"
#include "ShiftJis.h"
#include "TftpClient.h"

#include <QRegularExpression>

#include <algorithm>
#include <chrono>

namespace mg::routersim {

namespace {

constexpr qsizetype MaxLineLength = 64 * 1024;
const char Prompt[] = "KV700> ";
const char LoginPrompt[] = "login: ";

// Texts are the router's own and always representable; a name typed in
// bytes that are not Shift_JIS comes back with "?" where it cannot.
QByteArray sjis(const QString &text)
{
    if (const std::optional<QByteArray> bytes = ShiftJis::encode(text))
        return *bytes;
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        bytes += ShiftJis::encode(text.mid(i, length)).value_or(QByteArray("?"));
        i += length - 1;
    }
    return bytes;
}

QString jp(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

Dialogue::Dialogue(Router &router, const SimulatorOptions &options, Kind kind, QObject *parent)
    : QObject(parent), m_router(router), m_options(options), m_kind(kind),
      m_mode(kind == Kind::Console && options.loggedIn ? Mode::Command : Mode::LoginName)
{
    if (m_mode == Mode::Command)
        m_user = QLatin1String(Router::Manager);
    m_slow.setSingleShot(true);
    m_slow.setInterval(options.slowMs);
    connect(&m_slow, &QTimer::timeout, this, [this] {
        m_busy = false;
        answerNow(std::exchange(m_delayed, {}), std::exchange(m_afterDelayed, {}));
        pump();
    });
    connect(&m_router, &Router::restarted, this, &Dialogue::routerRestarted);
    m_boot.setSingleShot(true);
    m_boot.setInterval(options.bootMs);
    connect(&m_boot, &QTimer::timeout, this, &Dialogue::booted);
}

void Dialogue::begin()
{
    if (m_kind != Kind::Telnet || m_options.silent)
        return;
    m_out += "\r\nKV700 TELNET session now in ESTABLISHED state\r\n\r\n";
    m_out += LoginPrompt;
    flush();
}

void Dialogue::receive(const QByteArray &bytes)
{
    // A booting router has no console yet: what is typed is lost.
    if (m_closed || m_booting)
        return;
    m_inbox += bytes;
    pump();
}

bool Dialogue::quiet() const
{
    return m_options.silent || m_router.stalled();
}

bool Dialogue::echoes() const
{
    return !quiet()
           && (m_mode == Mode::LoginName || m_mode == Mode::Command);
}

void Dialogue::pump()
{
    qsizetype used = 0;
    while (used < m_inbox.size() && !m_busy && !m_closed) {
        const char c = m_inbox.at(used++);
        if (c == '\n' && m_afterCr) {
            m_afterCr = false;
            continue;
        }
        m_afterCr = c == '\r';
        if (c == '\r' || c == '\n') {
            endLine(std::exchange(m_line, {}));
            continue;
        }
        if (m_line.size() >= MaxLineLength)
            continue;
        m_line += c;
        if (echoes())
            m_out += c;
    }
    if (m_closed)
        m_inbox.clear();
    else
        m_inbox.remove(0, used);
    flush();
}

void Dialogue::flush()
{
    m_router.commit();
    if (!m_out.isEmpty())
        emit output(std::exchange(m_out, {}));
}

void Dialogue::answer(const QString &text, std::function<void()> then)
{
    QString shown = text;
    if (!m_options.noise.isEmpty()) {
        for (const QString &mark : {QStringLiteral("Error"), jp("ようこそ")})
            shown.replace(mark, m_options.noise + mark);
    }
    const QByteArray bytes = sjis(shown);
    if (m_options.slowMs > 0) {
        m_busy = true;
        m_delayed = bytes;
        m_afterDelayed = std::move(then);
        m_slow.start();
        return;
    }
    answerNow(bytes, std::move(then));
}

void Dialogue::answerNow(const QByteArray &bytes, std::function<void()> then)
{
    m_out += bytes;
    if (then)
        then();
}

void Dialogue::endLine(const QByteArray &line)
{
    const QString text = ShiftJis::decode(line);
    m_router.noteReceivedLine(text);
    if (!m_options.stallAfter.isEmpty() && text.contains(m_options.stallAfter))
        m_router.stall();
    if (quiet())
        return;
    if (m_kind == Kind::Telnet && !m_options.closeAfter.isEmpty() && text.contains(m_options.closeAfter)) {
        // The router hangs up on this line, without a word.
        m_closed = true;
        flush();
        emit closeRequested();
        return;
    }
    // The echo of the line's end, immediate like the echo of what was typed.
    m_out += "\r\n";
    switch (m_mode) {
    case Mode::LoginName:
        if (text.isEmpty()) {
            answer(QLatin1String(LoginPrompt));
        } else {
            m_user = text;
            m_mode = Mode::LoginPassword;
            answer(QStringLiteral("Password: "));
        }
        return;
    case Mode::LoginPassword:
        if (!m_options.wrongPassword && m_router.passwordMatches(m_user, text)) {
            m_mode = Mode::Command;
            answer(jp("ようこそ %1 さん\r\n").arg(m_user) + QLatin1String(Prompt));
        } else {
            m_router.noteLoginFailure();
            m_mode = Mode::LoginName;
            answer(QStringLiteral("Login incorrect\r\n\r\n") + QLatin1String(LoginPrompt));
        }
        return;
    case Mode::OldPassword:
        m_oldPassword = text;
        m_mode = Mode::NewPassword;
        answer(QStringLiteral("New password: "));
        return;
    case Mode::NewPassword:
        m_newPassword = text;
        m_mode = Mode::ConfirmPassword;
        answer(QStringLiteral("Confirm: "));
        return;
    case Mode::ConfirmPassword: {
        m_mode = Mode::Command;
        QString error;
        if (m_oldPassword != m_router.managerPassword())
            error = jp("Error: 旧パスワードが違います\r\n");
        else if (m_newPassword != text)
            error = jp("Error: 新パスワードが一致しません\r\n");
        else
            m_router.setManagerPassword(m_newPassword);
        m_oldPassword.clear();
        m_newPassword.clear();
        answer(error + QLatin1String(Prompt));
        return;
    }
    case Mode::Command:
        command(text);
        return;
    }
}

void Dialogue::command(const QString &line)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList w = line.split(blanks, Qt::SkipEmptyParts);
    const QString prompt = QLatin1String(Prompt);
    auto is = [&w](std::initializer_list<const char *> words) {
        if (w.size() != qsizetype(words.size()))
            return false;
        qsizetype i = 0;
        for (const char *word : words) {
            if (w.at(i++) != QLatin1String(word))
                return false;
        }
        return true;
    };
    auto valueOf = [&w](qsizetype at, const char *key) -> std::optional<QString> {
        const QString prefix = QLatin1String(key) + QLatin1Char('=');
        if (at >= w.size() || !w.at(at).startsWith(prefix))
            return std::nullopt;
        return w.at(at).mid(prefix.size());
    };

    const bool refused = std::any_of(m_options.refuse.cbegin(), m_options.refuse.cend(),
                                     [&line](const QString &text) { return line.contains(text); });
    if (w.isEmpty()) {
        answer(prompt);
    } else if (refused) {
        answer(jp("Error: コマンドを実行できません\r\n") + prompt);
    } else if ((w.at(0) == QLatin1String("create") || w.at(0) == QLatin1String("set")) && w.size() > 2
               && valueOf(1, "config")) {
        // The words end at blanks: a name with one leaves a word over.
        answer(jp("Error: 引数が正しくありません: %1\r\n").arg(w.at(2)) + prompt);
    } else if (w.size() == 2 && w.at(0) == QLatin1String("login")) {
        m_user = w.at(1);
        m_mode = Mode::LoginPassword;
        answer(QStringLiteral("Password: "));
    } else if (w.size() == 2 && w.at(0) == QLatin1String("delete") && valueOf(1, "file")) {
        const QString name = *valueOf(1, "file");
        const bool present = m_router.deleteFile(name);
        answer((present ? jp("%1 を削除しました\r\n") : jp("%1 はありません\r\n")).arg(name) + prompt);
    } else if (w.size() == 3 && w.at(0) == QLatin1String("rename")) {
        m_router.renameFile(w.at(1), w.at(2));
        answer(prompt);
    } else if (is({"restart", "router"})) {
        answer(QStringLiteral("Restarting ...\r\n"), [this] { m_router.restart(); });
    } else if (w.size() >= 2 && w.at(0) == QLatin1String("set") && valueOf(1, "port")) {
        answer(prompt);
    } else if (is({"set", "password"})) {
        m_mode = Mode::OldPassword;
        answer(QStringLiteral("Old password: "));
    } else if (w.size() == 2 && w.at(0) == QLatin1String("create") && valueOf(1, "config")) {
        const QString name = *valueOf(1, "config");
        if (name.isEmpty()) {
            answer(jp("Error: ファイル名がありません\r\n") + prompt);
        } else {
            m_router.storeFile(name, m_router.runningConfigurationFile());
            answer(prompt);
        }
    } else if (w.size() == 2 && w.at(0) == QLatin1String("set") && valueOf(1, "config")) {
        const QString name = *valueOf(1, "config");
        if (m_router.setBootConfig(name))
            answer(prompt);
        else
            answer(jp("Error: %1 はフラッシュにありません\r\n").arg(name) + prompt);
    } else if (w.at(0) == QLatin1String("load")) {
        load(w);
    } else {
        m_router.applyConfigurationLine(line);
        answer(prompt);
    }
}

void Dialogue::load(const QStringList &words)
{
    const QString prompt = QLatin1String(Prompt);
    QString name, server, destination = QStringLiteral("flash");
    bool understood = true;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word.startsWith(QLatin1String("file=")))
            name = word.mid(5);
        else if (word.startsWith(QLatin1String("server=")))
            server = word.mid(7);
        else if (word.startsWith(QLatin1String("destination=")))
            destination = word.mid(12);
        else
            understood = false;
    }
    if (!understood || name.isEmpty() || server.isEmpty() || destination != QLatin1String("flash")) {
        answer(jp("Error: load file=名前 server=アドレス destination=flash と指定してください\r\n") + prompt);
        return;
    }
    if (m_options.loadError) {
        answer(jp("Error (flash full): フラッシュメモリに空きがありません\r\n") + prompt);
        return;
    }
    if (m_router.hasFile(name)) {
        answer(jp("Error (file exists): %1 は既に存在します\r\n").arg(name) + prompt);
        return;
    }
    const QHostAddress address(server);
    // Whatever a test types, the simulator never sends outside this machine.
    if (address.isNull() || !address.isLoopback()) {
        answer(jp("Error: TFTP サーバのアドレス %1 は使えません\r\n").arg(server) + prompt);
        return;
    }
    m_router.noteTftpRequest();
    m_busy = true;
    auto *client = new TftpClient(m_options.routerAddress(), address, m_options.tftpPort, sjis(name),
                                  std::chrono::milliseconds(m_options.tftpTimeoutMs),
                                  [this] {
                                      if (!m_router.noteTftpData())
                                          return TftpClient::DataFate::Lost;
                                      // Counted across loads, as --drop-tftp is: a second load can succeed.
                                      return m_router.tftpDataReceived() == m_options.tftpError
                                          ? TftpClient::DataFate::Refused
                                          : TftpClient::DataFate::Taken;
                                  },
                                  m_options.tftpStrayAck, this);
    m_transfer = client;
    connect(client, &TftpClient::unknownTransferIdHeard, this, [this] { m_router.noteTftpUnknownTid(); });
    connect(client, &TftpClient::finished, this, [this, name](bool ok, const QByteArray &data, const QString &error) {
        transferFinished(name, ok, data, error);
    });
    client->start();
}

void Dialogue::transferFinished(const QString &name, bool ok, const QByteArray &data, const QString &error)
{
    QString text;
    if (ok) {
        m_router.storeFile(name, ShiftJis::decode(data));
        text = QStringLiteral("File transfer completed (%1 bytes)\r\n").arg(data.size());
    } else {
        text = error + QLatin1String("\r\n");
    }
    m_busy = false;
    answer(text + QLatin1String(Prompt));
    pump();
}

void Dialogue::routerRestarted()
{
    m_slow.stop();
    m_delayed.clear();
    m_afterDelayed = {};
    if (m_transfer) {
        m_transfer->disconnect(this);
        m_transfer->deleteLater();
    }
    m_busy = false;
    // The LF of the CR LF that ended "restart router" is still to come: it
    // belongs to that line, not to an empty one at the new login prompt.
    m_line.clear();
    m_user.clear();
    m_mode = Mode::LoginName;
    if (m_kind == Kind::Telnet) {
        m_closed = true;
        flush();
        emit closeRequested();
        return;
    }
    if (m_options.bootMs > 0) {
        m_booting = true;
        m_inbox.clear();
        flush();
        m_boot.start();
        return;
    }
    booted();
}

void Dialogue::booted()
{
    m_booting = false;
    if (!quiet())
        m_out += sjis(jp("\r\nKV700 を再起動しました\r\n\r\n") + QLatin1String(LoginPrompt));
    flush();
}

} // namespace mg::routersim
