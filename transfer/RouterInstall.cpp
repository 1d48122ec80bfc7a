#include "RouterInstall.h"

#include "LineCursor.h"
#include "LoginSession.h"
#include "ManagerAccount.h"
#include "RouterLinks.h"
#include "SendText.h"
#include "SerialLine.h"
#include "TelnetLink.h"
#include "TftpServer.h"
#include "Ticker.h"
#include "Transcript.h"
#include "TransferSession.h"

#include <QFile>
#include <QRegularExpression>

#include <utility>

namespace mg {

namespace {

const TerminalText NoOutput;

// The line as the sessions see it, with everything typed reported on the
// way, so that nothing reaches the router unrecorded.
class RecordedLink : public RouterLink {
public:
    RecordedLink(std::unique_ptr<RouterLink> link, std::function<void(const QString &)> typed)
        : m_link(std::move(link)), m_typed(std::move(typed))
    {
    }
    bool send(const QString &text) override
    {
        const bool ok = m_link->send(text);
        if (ok)
            m_typed(text);
        return ok;
    }
    bool isUsable() const override { return m_link->isUsable(); }
    void close() override { m_link->close(); }
    QString errorString() const override { return m_link->errorString(); }
    void connectToRouter(const QString &address) override { m_link->connectToRouter(address); }
    QString localAddress() const override { return m_link->localAddress(); }

private:
    std::unique_ptr<RouterLink> m_link;
    std::function<void(const QString &)> m_typed;
};

// The encoded password in the transfer file's first line, "set user=NAME
// pass=ENCODED": the router may print it back, and it must not be kept.
QString encodedPassword(const QString &transferFile)
{
    QFile file(transferFile);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString line = QString::fromLatin1(file.readLine(64 * 1024));
    const qsizetype at = line.indexOf(QLatin1String(" pass="));
    if (at < 0)
        return QString();
    line = line.mid(at + 6);
    const qsizetype end = line.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    return (end < 0 ? line : line.left(end)).trimmed();
}

QString oneLine(const DialogueMessage &message)
{
    QString text = message.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return message.title + QStringLiteral(": ") + text;
}

} // namespace

RouterInstall::RouterInstall(TransferRequest request, TickerFactory &tickers, QObject *parent)
    : QObject(parent), m_request(std::move(request)), m_tickers(tickers),
      m_stall(tickers.create(StallTicker, StallLimit, [this] { stalled(); }))
{
}

RouterInstall::~RouterInstall()
{
    release();
}

void RouterInstall::setProgramFolder(const QString &folder)
{
    m_programFolder = folder;
}

void RouterInstall::setTranscript(Transcript *transcript)
{
    m_transcript = transcript;
    if (!m_transcript)
        return;
    for (const QString &secret : std::as_const(m_state.secrets))
        m_transcript->addSecret(secret);
    writeOpeningNotes();
}

void RouterInstall::writeOpeningNotes()
{
    const TransferCaller &caller = m_request.caller;
    if (!caller.program.isEmpty()) {
        note(QStringLiteral("%1: %2 を %3 で送ります。").arg(caller.program, caller.scriptFile, caller.line));
        note(QStringLiteral("ルータでの名前: %1、%2").arg(m_request.configName, caller.scriptOrigin));
    } else if (m_request.method == TransferMethod::Serial) {
        note(QStringLiteral("シリアル コンソール %1 で設定 %2 を送ります。").arg(caller.line, m_request.configName));
    } else {
        note(QStringLiteral("ルータ %1 に LAN で設定 %2 を送ります。").arg(m_request.routerAddress, m_request.configName));
    }
}

void RouterInstall::setTimeLimit(std::chrono::seconds limit)
{
    m_timeLimit = limit;
    m_limit.reset();
    if (limit.count() > 0)
        m_limit = m_tickers.create(LimitTicker, limit, [this] { timedOut(); });
}

void RouterInstall::addSecret(const QString &secret)
{
    if (secret.isEmpty() || m_state.secrets.contains(secret))
        return;
    m_state.secrets << secret;
    m_shown.addSecret(secret);
    if (m_transcript)
        m_transcript->addSecret(secret);
}

void RouterInstall::note(const QString &text)
{
    if (m_transcript)
        m_transcript->note(text);
}

void RouterInstall::alive()
{
    if (isRunning() && m_stall->isActive())
        m_stall->start();
}

void RouterInstall::stalled()
{
    m_stall->stop();
    if (!isRunning())
        return;
    note(QStringLiteral("%1 秒の間、ルータの表示も転送の進みもありませんでした。").arg(StallLimit.count()));
    const DialogueMessage message = DialogueMessages::stalled(int(StallLimit.count()), m_request.method == TransferMethod::Serial);
    if (m_stage == Stage::Login) {
        m_stage = Stage::Done;
        release();
        settle(QStringLiteral("結果: ") + oneLine(message));
        emit loginFailed(message, false);
        return;
    }
    end({.message = message, .closesWindow = true});
}

void RouterInstall::typed(const QString &text)
{
    alive();
    if (m_transcript)
        m_transcript->sent(text);
}

void RouterInstall::settle(const QString &outcome)
{
    const QString rest = m_shown.finish();
    if (!rest.isEmpty())
        emit shownOutput(rest);
    note(outcome);
}

void RouterInstall::attach(SerialLine &line)
{
    Q_ASSERT(m_request.method == TransferMethod::Serial);
    release();
    m_link = std::make_unique<RecordedLink>(std::make_unique<SerialRouterLink>(line),
                                            [this](const QString &text) { typed(text); });
    m_linkConnections << connect(&line, &SerialLine::received, this,
                                 [this](const QString &text) { received(text, false); });
    attachLink();
}

void RouterInstall::attach(TelnetLink &link)
{
    Q_ASSERT(m_request.method == TransferMethod::Telnet);
    release();
    m_link = std::make_unique<RecordedLink>(std::make_unique<TelnetRouterLink>(link),
                                            [this](const QString &text) { typed(text); });
    m_linkConnections << connect(&link, &TelnetLink::received, this, &RouterInstall::received);
    m_linkConnections << connect(&link, &TelnetLink::connected, this, [this] {
        if (m_stage == Stage::Login)
            m_login->linkConnected();
    });
    m_linkConnections << connect(&link, &TelnetLink::closedByPeer, this, [this] {
        note(QStringLiteral("ルータが Telnet の接続を閉じました。"));
        if (m_stage == Stage::Login)
            m_login->linkFailed();
        else if (m_stage == Stage::Transfer)
            m_transfer->linkClosed();
        else if (m_stage == Stage::ManagerAccount)
            end({.message = DialogueMessages::connectionLost(), .closesWindow = true});
    });
    m_linkConnections << connect(&link, &TelnetLink::failed, this, [this] {
        if (m_stage == Stage::Login)
            m_login->linkFailed();
        else if (m_stage == Stage::Transfer)
            m_transfer->linkFailed();
        else if (m_stage == Stage::ManagerAccount)
            end({.message = DialogueMessages::connectionFailed()});
    });
    attachLink();
}

void RouterInstall::attachLink()
{
    m_stage = Stage::Login;
    m_step = InstallStep::Login;
    m_login = std::make_unique<LoginSession>(m_request, *m_link, m_tickers);
    connect(m_login.get(), &LoginSession::terminalChanged, this, &RouterInstall::loginTerminalChanged);
    connect(m_login.get(), &LoginSession::loggedIn, this, &RouterInstall::loggedInAs);
    connect(m_login.get(), &LoginSession::failed, this,
            [this](const DialogueMessage &message, LoginSession::AfterFailure after) {
                if (after == LoginSession::AfterFailure::Retry) {
                    // The operator reads the message and types again.
                    m_stall->stop();
                    note(QStringLiteral("ログインできませんでした。") + oneLine(message));
                    emit loginFailed(message, true);
                    return;
                }
                m_stage = Stage::Done;
                release();
                settle(QStringLiteral("結果: ") + oneLine(message));
                emit loginFailed(message, false);
            });
}

void RouterInstall::login(const QString &user, const QString &password)
{
    // A second login would start over on the line the first is typing on.
    if (m_stage != Stage::Login || loggingIn())
        return;
    if (!SendText::configNameAllowed(m_request.configName)) {
        // Nothing may be typed: the router would be reset and then refuse
        // to save the configuration under this name.
        const DialogueMessage message = DialogueMessages::badConfigName(m_request.configName);
        m_stage = Stage::Done;
        release();
        settle(QStringLiteral("結果: ") + oneLine(message));
        emit loginFailed(message, false);
        return;
    }
    m_password = password;
    m_state.loginUser = user;
    // Every try starts from the script's own send text: the tail comes only
    // with a login the router took.
    if (m_request.method == TransferMethod::Serial)
        m_state.sendText = SendText::serialText(m_request.commandScript);
    addSecret(password);
    // After the reset the serial session logs in with the factory password.
    if (m_request.method == TransferMethod::Serial)
        addSecret(SendText::FactoryPassword);
    for (const QString &secret : SendText::scriptPasswords(m_request.commandScript))
        addSecret(secret);
    note(m_request.method == TransferMethod::Serial
             ? QStringLiteral("シリアル コンソールにユーザ %1 でログインします。").arg(user)
             : QStringLiteral("%1 に Telnet でユーザ %2 としてログインします。").arg(m_request.routerAddress, user));
    if (m_limit && !m_limit->isActive())
        m_limit->start();
    m_stall->start();
    m_login->start(user, password);
}

bool RouterInstall::loggingIn() const
{
    return m_stage == Stage::Login && m_login && m_login->isBusy();
}

InstallStep RouterInstall::step() const
{
    if (m_transfer)
        return m_transfer->step();
    // Over the LAN the transfer file is written before the router fetches it.
    return m_stage == Stage::ManagerAccount ? InstallStep::FileTransfer : InstallStep::Login;
}

QList<InstallStep> RouterInstall::steps() const
{
    QList<InstallStep> list{InstallStep::Login};
    if (m_transfer)
        list += m_transfer->steps();
    else if (m_request.method == TransferMethod::Telnet)
        list += TransferSession::networkSteps(m_request.routerAddress);
    return list;
}

TransferState RouterInstall::state() const
{
    if (m_transfer)
        return m_transfer->state();
    TransferState state;
    state.method = m_request.method;
    state.configName = m_request.configName;
    return state;
}

void RouterInstall::checkStep()
{
    const InstallStep now = step();
    if (now == m_step)
        return;
    m_step = now;
    emit stepChanged(now);
}

void RouterInstall::pause()
{
    if (m_paused || !isRunning())
        return;
    m_paused = true;
    m_stall->stop();
    if (m_transfer)
        m_transfer->pause();
}

void RouterInstall::resume()
{
    if (!std::exchange(m_paused, false))
        return;
    if (m_transfer)
        m_transfer->resume();
    if (isRunning())
        m_stall->start();
}

const TerminalText &RouterInstall::loginTerminal() const
{
    return m_login ? m_login->terminal() : NoOutput;
}

const TerminalText &RouterInstall::transferTerminal() const
{
    return m_transfer ? m_transfer->terminal() : NoOutput;
}

void RouterInstall::received(const QString &text, bool containsError)
{
    alive();
    emit output(text);
    // Recorded before the sessions see it: they may type the next line at once.
    if (m_transcript)
        m_transcript->received(text);
    const QString shown = m_shown.feed(text);
    if (!shown.isEmpty())
        emit shownOutput(shown);
    // Output goes to the login while it runs, to the transfer after it.
    if (m_stage == Stage::Login)
        m_login->receive(text);
    else if (m_transfer)
        m_transfer->receive(text, containsError);
}

void RouterInstall::loggedInAs(bool factoryLogin)
{
    std::optional<QString> managerPassword;
    if (factoryLogin) {
        // The operator answers a dialog: that time is theirs, not the router's.
        m_stall->stop();
        managerPassword = m_factoryChoice ? m_factoryChoice() : std::nullopt;
        // Ended while the dialog was open (the program is ending): nothing
        // may start after that, least of all the encoder and its folder.
        if (m_stage != Stage::Login)
            return;
        m_stall->start();
    }
    else
        managerPassword = SendText::passwordAfterLogin(m_password);
    if (managerPassword)
        addSecret(*managerPassword);
    if (!factoryLogin)
        note(QStringLiteral("ログインしました。"));
    else if (managerPassword)
        note(QStringLiteral("工場出荷時のパスワードでログインしました。管理者パスワードを新しいものにします。"));
    else
        note(QStringLiteral("工場出荷時のパスワードでログインしました。パスワードは変えません。"));

    if (m_request.method == TransferMethod::Serial) {
        m_state.sendText += SendText::serialTail(managerPassword, m_request.configName);
        emit loggedIn();
        startTransfer();
        return;
    }
    // Over the LAN the manager account travels in the file the router
    // fetches: a login that was not the factory one keeps its own password.
    const QString password = factoryLogin ? managerPassword.value_or(SendText::FactoryPassword) : m_password;
    m_stage = Stage::ManagerAccount;
    checkStep();
    emit loggedIn();
    m_managerAccount = std::make_unique<ManagerAccountStep>();
    if (!m_programFolder.isEmpty())
        m_managerAccount->setProgramFolder(m_programFolder);
    connect(m_managerAccount.get(), &ManagerAccountStep::finished, this, &RouterInstall::managerAccountWritten);
    m_managerAccount->start(m_state.loginUser, password, m_request.commandScript, m_request.configName);
}

void RouterInstall::managerAccountWritten(const ManagerAccountResult &result)
{
    if (m_stage != Stage::ManagerAccount)
        return;
    if (!result.ok) {
        end({.message = DialogueMessage{result.title, result.text, MessageIcon::Critical}});
        return;
    }
    m_state.transferFilePath = result.filePath;
    addSecret(encodedPassword(result.filePath));
    note(QStringLiteral("管理者アカウントの行を入れた転送ファイルを作成しました。"));
    startTransfer();
}

void RouterInstall::startTransfer()
{
    m_stage = Stage::Transfer;
    if (m_request.method == TransferMethod::Telnet) {
        m_fileServer = std::make_unique<TftpServer>(m_tickers);
        connect(m_fileServer.get(), &TftpServer::progress, this, [this](int done, int total) {
            alive();
            emit progress(done, total);
        });
        connect(m_fileServer.get(), &TftpServer::requestReceived, this, [this](const QString &name) {
            note(QStringLiteral("ルータが TFTP で「%1」を要求しました。").arg(name));
        });
        connect(m_fileServer.get(), &TftpServer::finished, this, [this] {
            note(QStringLiteral("ルータが転送ファイルを最後まで受け取りました。"));
            m_transfer->fileDelivered();
        });
        connect(m_fileServer.get(), &TftpServer::failed, this,
                [this](const QString &message) { m_transfer->fileServerFailed(message); });
    }
    m_transfer = std::make_unique<TransferSession>(
        m_request, TransferInput{m_state.sendText, m_state.transferFilePath, m_state.secrets}, *m_link, m_tickers,
        m_fileServer.get());
    connect(m_transfer.get(), &TransferSession::terminalChanged, this, &RouterInstall::transferTerminalChanged);
    connect(m_transfer.get(), &TransferSession::progressChanged, this, [this] {
        checkStep();
        if (m_request.method == TransferMethod::Serial)
            emit progress(m_transfer->linesSent(), m_transfer->linesTotal());
    });
    connect(m_transfer.get(), &TransferSession::finished, this, &RouterInstall::end);
    if (m_request.method == TransferMethod::Serial) {
        note(QStringLiteral("設定を %1 行送ります (%2)。")
                 .arg(LineCursor(m_state.sendText).lineCount())
                 .arg(m_request.pacing == TransferPacing::Echo ? QStringLiteral("ルータの応答を待って次の行")
                                                           : QStringLiteral("1 秒に 1 行")));
    }
    emit transferStarted();
    // The operator is being asked whether to stop as the transfer file
    // becomes ready: the router is told nothing before the answer.
    if (m_paused)
        m_transfer->pause();
    m_transfer->start();
    checkStep();
}

void RouterInstall::end(const InstallOutcome &outcome)
{
    if (m_stage == Stage::Done || m_stage == Stage::Idle)
        return;
    m_stage = Stage::Done;
    release();
    settle(QStringLiteral("結果: ") + oneLine(outcome.message));
    emit finished(outcome);
}

void RouterInstall::timedOut()
{
    if (m_stage == Stage::Done || m_stage == Stage::Idle)
        return;
    end({.message = DialogueMessages::timedOut(int(m_timeLimit.count())), .closesWindow = true});
}

void RouterInstall::abort()
{
    m_paused = false;
    const bool running = isRunning();
    release();
    m_stage = Stage::Idle;
    if (running)
        settle(QStringLiteral("中断しました。"));
}

void RouterInstall::abortNow()
{
    abort();
    if (m_managerAccount)
        m_managerAccount->cleanupNow();
}

void RouterInstall::release()
{
    if (m_limit)
        m_limit->stop();
    m_stall->stop();
    for (const QMetaObject::Connection &c : std::as_const(m_linkConnections))
        disconnect(c);
    m_linkConnections.clear();
    if (m_login)
        m_login->cancel();
    if (m_transfer)
        m_transfer->stop();
    else if (m_link)
        m_link->close();
    if (m_fileServer)
        m_fileServer->close();
    if (m_managerAccount)
        m_managerAccount->cleanup();
    // The sessions stay (they may be what called us, and their terminals
    // stay readable): they go with the next attach or with this object.
}

} // namespace mg
