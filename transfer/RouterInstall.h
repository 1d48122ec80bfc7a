#pragma once

#include "DialogueMessage.h"
#include "InstallOutcome.h"
#include "SecretMasker.h"
#include "Terminal.h"
#include "TransferRequest.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace mg {

class LoginSession;
class ManagerAccountStep;
struct ManagerAccountResult;
class RouterLink;
class SerialLine;
class TelnetLink;
class TftpServer;
class Ticker;
class TickerFactory;
class Transcript;
class TransferSession;

// One whole installation: the login, the manager password, the transfer file
// and the transfer, one after the other on the same line. The login window
// and the progress window show its two stages; the command line runs it
// alone. The choice of a new manager password after a factory login is a
// callback (the default password dialog, or the command line's answer).
//
// It knows the session's secrets (the login password, the factory password
// when the serial reset types it, the new manager password, the encoded
// password of the transfer file) as they become known, and hides them in
// the transcript and in shownOutput().
class RouterInstall : public QObject {
    Q_OBJECT
public:
    // After a login as the manager with the factory password: the password
    // the manager account is to get, or nothing to keep the factory one.
    using FactoryPasswordChoice = std::function<std::optional<QString>()>;

    // No healthy installation goes this long without the router printing
    // anything or the transfer moving on; then it ends as a failure.
    static constexpr std::chrono::seconds StallLimit{120};
    // The tickers' names, for tests that fire them by hand.
    static constexpr const char *StallTicker = "Stall";
    static constexpr const char *LimitTicker = "SessionLimit";

    // The request's method picks the line to attach.
    RouterInstall(TransferRequest request, TickerFactory &tickers, QObject *parent = nullptr);
    ~RouterInstall() override;

    void setFactoryPasswordChoice(FactoryPasswordChoice choice) { m_factoryChoice = std::move(choice); }
    // Where the password encoder is (tests); otherwise the program folder.
    void setProgramFolder(const QString &folder);
    // Everything typed and received, with the program's notes, goes there
    // too, secrets hidden; it opens with who sends what over which line
    // (the request's caller). Not owned; the caller closes it.
    void setTranscript(Transcript *transcript);
    // The whole installation must end within this, counted from the first
    // login(); otherwise it ends as a failure (finished(), whatever the
    // stage). Zero: no limit, as in the windows.
    void setTimeLimit(std::chrono::seconds limit);

    // The line to use, as the request's method says: the serial port (open)
    // or the Telnet connection (connected at the login, to the request's
    // router address on the link's port).
    void attach(SerialLine &line);
    void attach(TelnetLink &link);
    // Logs in; after a failure that allows another try, logs in again.
    // While a login runs, another is ignored.
    void login(const QString &user, const QString &password);
    // Ends whatever runs: timers stop, the line and the server close, the
    // transfer file is removed. No outcome follows.
    void abort();
    // abort() for the program's end (the desktop session logging out, a
    // signal): the transfer file's folder is gone on return, not only once
    // the event loop has seen the encoder end.
    void abortNow();
    // While the operator is asked whether to stop: nothing more is typed or
    // sent, and the stall watch waits (that time is the operator's). The
    // router's output is still read, and an end it brings still comes.
    void pause();
    void resume();

    TransferMethod method() const { return m_request.method; }
    // Serial: the console session as typed, its tail included once the
    // login has been taken.
    QString sendText() const { return m_state.sendText; }
    bool isRunning() const { return m_stage != Stage::Idle && m_stage != Stage::Done; }
    bool inLogin() const { return m_stage == Stage::Login; }
    // A login has been started and has not ended yet.
    bool loggingIn() const;
    // Where the installation is, the steps it goes through (the login
    // first), and what the router has been left with so far (also after
    // abort()).
    InstallStep step() const;
    QList<InstallStep> steps() const;
    TransferState state() const;
    // What the router printed during the login, and after it.
    const TerminalText &loginTerminal() const;
    const TerminalText &transferTerminal() const;

signals:
    // Router output as it arrives, login and transfer alike.
    void output(const QString &text);
    // The same with the session's secrets hidden; a few characters that may
    // begin a secret come with the next piece (or at the end).
    void shownOutput(const QString &text);
    void loginTerminalChanged();
    void transferTerminalChanged();
    // Retry: the login can be tried again; Close: the installation is over.
    void loginFailed(const mg::DialogueMessage &message, bool canRetry);
    // The router took the login; the transfer follows (for Telnet once the
    // transfer file is written).
    void loggedIn();
    void transferStarted();
    // The installation moved on to another step.
    void stepChanged(mg::InstallStep step);
    // Serial: lines typed of the total; Telnet: blocks acknowledged of the total.
    void progress(int done, int total);
    // The end of the transfer.
    void finished(const mg::InstallOutcome &outcome);

private:
    enum class Stage { Idle, Login, ManagerAccount, Transfer, Done };

    // What the installation learns on the way; only this class writes it.
    struct InstallState {
        // Serial: the console session the transfer types; the tail with
        // the manager password comes once the login is taken.
        QString sendText;
        // Telnet: who logged in (the manager account lines name the user)
        // and the file the TFTP server serves.
        QString loginUser;
        QString transferFilePath;
        // The passwords the dialogue types or carries, as far as known so
        // far: what is kept or shown of the session hides them, and the
        // router does not echo a line that holds one.
        QStringList secrets;
    };

    void attachLink();
    void received(const QString &text, bool containsError);
    void loggedInAs(bool factoryLogin);
    void managerAccountWritten(const ManagerAccountResult &result);
    void startTransfer();
    void end(const InstallOutcome &outcome);
    void writeOpeningNotes();
    void release();
    void addSecret(const QString &secret);
    void note(const QString &text);
    // The end of the record: what the masker held back is shown, the
    // outcome noted.
    void settle(const QString &outcome);
    void timedOut();
    void stalled();
    // Something happened: the stall watch counts from now.
    void alive();
    void typed(const QString &text);
    void checkStep();

    const TransferRequest m_request;
    InstallState m_state;
    TickerFactory &m_tickers;
    FactoryPasswordChoice m_factoryChoice;
    QString m_programFolder;
    Stage m_stage = Stage::Idle;
    InstallStep m_step = InstallStep::Login;
    bool m_paused = false;
    QString m_password;
    Transcript *m_transcript = nullptr;
    SecretMasker m_shown;
    std::chrono::seconds m_timeLimit{0};
    std::unique_ptr<Ticker> m_limit;
    std::unique_ptr<Ticker> m_stall;

    std::unique_ptr<RouterLink> m_link;
    std::unique_ptr<LoginSession> m_login;
    std::unique_ptr<TransferSession> m_transfer;
    std::unique_ptr<TftpServer> m_fileServer;
    std::unique_ptr<ManagerAccountStep> m_managerAccount;
    QList<QMetaObject::Connection> m_linkConnections;
};

} // namespace mg
