#include "RouterInstall.h"

#include "LoginSession.h"
#include "ManagerAccount.h"
#include "RouterLinks.h"
#include "SendText.h"
#include "SerialLine.h"
#include "TelnetLink.h"
#include "TftpServer.h"
#include "TransferSession.h"

namespace mg {

namespace {
const TerminalText NoOutput;
}

RouterInstall::RouterInstall(TransferJob &job, TickerFactory &tickers, QObject *parent)
    : QObject(parent), m_job(job), m_tickers(tickers)
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

void RouterInstall::attach(SerialLine &line)
{
    release();
    m_job.method = TransferMethod::Serial;
    m_link = std::make_unique<SerialRouterLink>(line);
    m_linkConnections << connect(&line, &SerialLine::received, this,
                                 [this](const QString &text) { received(text, false); });
    attachLink();
}

void RouterInstall::attach(TelnetLink &link)
{
    release();
    m_job.method = TransferMethod::Telnet;
    m_link = std::make_unique<TelnetRouterLink>(link);
    m_linkConnections << connect(&link, &TelnetLink::received, this, &RouterInstall::received);
    m_linkConnections << connect(&link, &TelnetLink::connected, this, [this] {
        if (m_stage == Stage::Login)
            m_login->linkConnected();
    });
    m_linkConnections << connect(&link, &TelnetLink::failed, this, [this] {
        if (m_stage == Stage::Login)
            m_login->linkFailed();
        else if (m_stage == Stage::Transfer)
            m_transfer->linkFailed();
        else if (m_stage == Stage::ManagerAccount)
            end(false, DialogueMessages::ConnectionFailed());
    });
    attachLink();
}

void RouterInstall::attachLink()
{
    m_stage = Stage::Login;
    m_login = std::make_unique<LoginSession>(m_job, *m_link, m_tickers);
    connect(m_login.get(), &LoginSession::terminalChanged, this, &RouterInstall::loginTerminalChanged);
    connect(m_login.get(), &LoginSession::loggedIn, this, &RouterInstall::loggedInAs);
    connect(m_login.get(), &LoginSession::failed, this,
            [this](const DialogueMessage &message, LoginSession::AfterFailure after) {
                if (after == LoginSession::AfterFailure::Retry) {
                    emit loginFailed(message, true);
                    return;
                }
                m_stage = Stage::Done;
                release();
                emit loginFailed(message, false);
            });
}

void RouterInstall::login(const QString &user, const QString &password)
{
    if (m_stage != Stage::Login)
        return;
    m_password = password;
    m_login->start(user, password);
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
    emit output(text);
    // Output goes to the login while it runs, to the transfer after it.
    if (m_stage == Stage::Login)
        m_login->receive(text);
    else if (m_transfer)
        m_transfer->receive(text, containsError);
}

void RouterInstall::loggedInAs(bool factoryLogin)
{
    std::optional<QString> managerPassword;
    if (factoryLogin)
        managerPassword = m_factoryChoice ? m_factoryChoice() : std::nullopt;
    else
        managerPassword = SendText::PasswordAfterLogin(m_password);

    if (m_job.method == TransferMethod::Serial) {
        m_job.sendText += SendText::SerialTail(managerPassword, m_job.configName);
        emit loggedIn();
        startTransfer();
        return;
    }
    // Over the LAN the manager account travels in the file the router
    // fetches: a login that was not the factory one keeps its own password.
    const QString password = factoryLogin ? managerPassword.value_or(SendText::FactoryPassword) : m_password;
    m_stage = Stage::ManagerAccount;
    emit loggedIn();
    m_managerAccount = std::make_unique<ManagerAccountStep>();
    if (!m_programFolder.isEmpty())
        m_managerAccount->setProgramFolder(m_programFolder);
    connect(m_managerAccount.get(), &ManagerAccountStep::finished, this, &RouterInstall::managerAccountWritten);
    m_managerAccount->start(m_job.loginUser, password, m_job.commandScript, m_job.configName);
}

void RouterInstall::managerAccountWritten(const ManagerAccountResult &result)
{
    if (m_stage != Stage::ManagerAccount)
        return;
    if (!result.ok) {
        end(false, DialogueMessage{result.title, result.text, MessageIcon::Critical});
        return;
    }
    m_job.transferFilePath = result.filePath;
    startTransfer();
}

void RouterInstall::startTransfer()
{
    m_stage = Stage::Transfer;
    if (m_job.method == TransferMethod::Telnet) {
        m_fileServer = std::make_unique<TftpServer>(m_tickers);
        connect(m_fileServer.get(), &TftpServer::progress, this, &RouterInstall::progress);
        connect(m_fileServer.get(), &TftpServer::finished, this, [this] { m_transfer->fileDelivered(); });
        connect(m_fileServer.get(), &TftpServer::failed, this,
                [this](const QString &message) { m_transfer->fileServerFailed(message); });
    }
    m_transfer = std::make_unique<TransferSession>(m_job, *m_link, m_tickers, m_fileServer.get());
    connect(m_transfer.get(), &TransferSession::terminalChanged, this, &RouterInstall::transferTerminalChanged);
    connect(m_transfer.get(), &TransferSession::progressChanged, this, [this] {
        if (m_job.method == TransferMethod::Serial)
            emit progress(m_transfer->linesSent(), m_transfer->linesTotal());
    });
    connect(m_transfer.get(), &TransferSession::completed, this,
            [this](const DialogueMessage &message) { end(true, message); });
    connect(m_transfer.get(), &TransferSession::failed, this,
            [this](const DialogueMessage &message, bool markChanged, bool closesWindow) {
                end(false, message, markChanged, closesWindow);
            });
    emit transferStarted();
    m_transfer->start();
}

void RouterInstall::end(bool ok, const DialogueMessage &message, bool markChanged, bool closesWindow)
{
    if (m_stage == Stage::Done || m_stage == Stage::Idle)
        return;
    m_stage = Stage::Done;
    release();
    emit finished(ok, message, markChanged, closesWindow);
}

void RouterInstall::abort()
{
    release();
    m_stage = Stage::Idle;
}

void RouterInstall::release()
{
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
