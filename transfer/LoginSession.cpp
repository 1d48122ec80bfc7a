#include "LoginSession.h"

#include "RouterLink.h"
#include "SendText.h"
#include "Ticker.h"

namespace mg {

namespace {
constexpr int WakeLines = 3;
const QString LoginPrompt = QStringLiteral(": ");
const QString CommandPrompt = QStringLiteral("> ");
} // namespace

LoginSession::LoginSession(const TransferRequest &request, RouterLink &link, TickerFactory &tickers, QObject *parent)
    : QObject(parent), m_request(request), m_link(link),
      m_wake(tickers.create(WakeTicker, WakePeriod, [this] { wakeTick(); })),
      m_lines(tickers.create(LineTicker, LinePeriod, [this] { lineTick(); }))
{
}

LoginSession::~LoginSession() = default;

void LoginSession::start(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
    m_terminal = TerminalText();
    emit terminalChanged();
    m_wakeLinesSent = 0;

    if (serial()) {
        m_loginLines.reset(QString());
        enter(Phase::Waking);
        m_wake->start();
        return;
    }
    m_loginLines.reset(SendText::telnetLoginLines(user, password));
    // The lines are typed once the connection reports itself up.
    enter(Phase::Connecting);
    m_link.connectToRouter(m_request.routerAddress);
}

void LoginSession::cancel()
{
    m_userEcho.clear();
    m_wake->stop();
    m_lines->stop();
    enter(Phase::Idle);
    m_link.close();
}

void LoginSession::wakeTick()
{
    if (m_wakeLinesSent < WakeLines) {
        ++m_wakeLinesSent;
        if (!m_link.send(QStringLiteral("\r\n"))) {
            fail(DialogueMessages::serialWriteFailed(m_link.errorString()), AfterFailure::Close);
        }
        return;
    }
    m_wake->stop();
    checkWakeAnswer();
}

void LoginSession::checkWakeAnswer()
{
    const QString prompt = promptTail(m_terminal);
    if (prompt != LoginPrompt && prompt != CommandPrompt) {
        fail(DialogueMessages::noAnswer(), AfterFailure::Retry);
        return;
    }
    m_loginLines.reset(SendText::serialLoginLines(prompt == CommandPrompt, m_user, m_password));
    enter(Phase::Typing);
    m_lines->start();
}

void LoginSession::lineTick()
{
    // On the console the password goes only to the question that asks for
    // it: after the user name's echo, a prompt ending in ": ". A console
    // slow to answer gets more periods, within a bound.
    if (serial() && m_loginLines.linesTaken() == 1 && !m_passwordAsked) {
        if (m_userEcho.isWaiting() && ++m_periodsWaited < PasswordPromptPeriods)
            return;
        fail(DialogueMessages::loginNoPrompt(true), AfterFailure::Close);
        return;
    }
    if (const std::optional<QString> line = m_loginLines.next()) {
        if (serial()) {
            if (!m_link.send(*line)) {
                fail(DialogueMessages::serialWriteFailed(m_link.errorString()), AfterFailure::Close);
                return;
            }
            if (m_loginLines.linesTaken() == 1) {
                m_userEcho.expect(LineCursor::withoutLineEnd(*line), true);
                m_passwordAsked = false;
                m_periodsWaited = 0;
            }
            return;
        }
        if (!m_link.isUsable()) {
            closeTelnet();
            fail(DialogueMessages::notConnected(), AfterFailure::Close);
            return;
        }
        m_link.send(*line);
        return;
    }
    m_lines->stop();
    checkLoginAnswer();
}

void LoginSession::checkLoginAnswer()
{
    const QString prompt = promptTail(m_terminal);
    if (prompt == LoginPrompt) {
        // Asked again: a wrong user name or password. Over the LAN another
        // try starts from a fresh connection.
        if (!serial())
            closeTelnet();
        fail(DialogueMessages::loginRefused(), AfterFailure::Retry);
        return;
    }
    if (prompt == CommandPrompt) {
        enter(Phase::LoggedIn);
        emit loggedIn(SendText::isFactoryLogin(m_user, m_password));
        return;
    }
    if (!serial())
        closeTelnet();
    fail(DialogueMessages::loginNoPrompt(serial()), AfterFailure::Close);
}

void LoginSession::linkConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    enter(Phase::Typing);
    m_lines->start();
}

void LoginSession::linkFailed()
{
    if (serial() || !isBusy())
        return;
    m_wake->stop();
    m_lines->stop();
    closeTelnet();
    fail(DialogueMessages::connectionFailed(), AfterFailure::Close);
}

void LoginSession::receive(const QString &text)
{
    if (m_userEcho.isWaiting() && m_userEcho.feed(text))
        m_passwordAsked = m_userEcho.prompt() == LoginPrompt;
    ShowData(m_terminal, text);
    emit terminalChanged();
}

void LoginSession::fail(const DialogueMessage &message, AfterFailure after)
{
    m_userEcho.clear();
    // No timer may run while the operator reads the message.
    m_wake->stop();
    m_lines->stop();
    enter(Phase::Failed);
    emit failed(message, after);
}

void LoginSession::closeTelnet()
{
    m_link.close();
}

void LoginSession::enter(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(phase);
}

} // namespace mg
