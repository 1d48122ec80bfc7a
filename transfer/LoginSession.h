#pragma once

#include "DialogueMessage.h"
#include "EchoWatch.h"
#include "LineCursor.h"
#include "Terminal.h"
#include "TransferRequest.h"

#include <QObject>
#include <chrono>
#include <memory>

namespace mg {

class RouterLink;
class Ticker;
class TickerFactory;

// The login to the router's manager account, over the serial console or
// Telnet, as a machine driven by its two timers and the link's events.
// Serial: three empty lines wake the console, 300 ms apart; the last two
// characters it printed decide how the login is typed (": " a login prompt,
// "> " already at the command prompt). Telnet: the login is typed once the
// connection is up. Then one line per second, and the router's last two
// characters decide: "> " logged in, ": " refused, anything else no answer.
class LoginSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds WakePeriod{300};
    static constexpr std::chrono::milliseconds LinePeriod{1000};
    // Periods the console may take to ask for the password.
    static constexpr int PasswordPromptPeriods = 30;
    // The tickers' names, for tests that fire them by hand.
    static constexpr const char *WakeTicker = "LoginWake";
    static constexpr const char *LineTicker = "LoginLines";

    // Where the login is. Serial: Waking, then Typing; Telnet: Connecting,
    // then Typing. It ends LoggedIn or Failed; cancel() goes back to Idle,
    // and a failed login may start again.
    enum class Phase { Idle, Waking, Connecting, Typing, LoggedIn, Failed };
    Q_ENUM(Phase)

    // After a failure the login window stays for another try (the password
    // selected), or closes.
    enum class AfterFailure { Retry, Close };
    Q_ENUM(AfterFailure)

    LoginSession(const TransferRequest &request, RouterLink &link, TickerFactory &tickers, QObject *parent = nullptr);
    ~LoginSession() override;

    // The operator pressed OK with these.
    void start(const QString &user, const QString &password);
    // The operator cancelled: the timers stop and the line is closed.
    void cancel();

    void wakeTick();   // every WakePeriod while waking the console
    void lineTick();   // every LinePeriod while typing the login
    void linkConnected();
    void linkFailed();
    // Router output while the login window is open.
    void receive(const QString &text);

    const TerminalText &terminal() const { return m_terminal; }
    Phase phase() const { return m_phase; }
    // A login has been started and has not ended yet.
    bool isBusy() const { return m_phase == Phase::Waking || m_phase == Phase::Connecting || m_phase == Phase::Typing; }
    QString user() const { return m_user; }
    QString password() const { return m_password; }

signals:
    void terminalChanged();
    void phaseChanged(mg::LoginSession::Phase phase);
    // The command prompt answered the login; factoryLogin when it was the
    // manager with the factory password.
    void loggedIn(bool factoryLogin);
    void failed(const mg::DialogueMessage &message, mg::LoginSession::AfterFailure after);

private:
    bool serial() const { return m_request.method == TransferMethod::Serial; }
    void enter(Phase phase);
    void checkWakeAnswer();
    void checkLoginAnswer();
    void fail(const DialogueMessage &message, AfterFailure after);
    void closeTelnet();

    const TransferRequest m_request;
    RouterLink &m_link;
    std::unique_ptr<Ticker> m_wake;
    std::unique_ptr<Ticker> m_lines;
    TerminalText m_terminal;
    LineCursor m_loginLines;
    EchoWatch m_userEcho;        // the console's answer to the user name
    bool m_passwordAsked = false;
    int m_periodsWaited = 0;
    int m_wakeLinesSent = 0;
    Phase m_phase = Phase::Idle;
    QString m_user;
    QString m_password;
};

} // namespace mg
