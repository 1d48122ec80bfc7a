#pragma once

#include "DialogueMessage.h"
#include "Terminal.h"
#include "TransferJob.h"

#include <QObject>
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
class TickerFactory;
class TransferSession;

// One whole installation: the login, the manager password, the transfer file
// and the transfer, one after the other on the same line. The login window
// and the progress window show its two stages; the command line runs it
// alone. The choice of a new manager password after a factory login is a
// callback (the default password dialog, or the command line's answer).
class RouterInstall : public QObject {
    Q_OBJECT
public:
    // After a login as the manager with the factory password: the password
    // the manager account is to get, or nothing to keep the factory one.
    using FactoryPasswordChoice = std::function<std::optional<QString>()>;

    RouterInstall(TransferJob &job, TickerFactory &tickers, QObject *parent = nullptr);
    ~RouterInstall() override;

    void setFactoryPasswordChoice(FactoryPasswordChoice choice) { m_factoryChoice = std::move(choice); }
    // Where the password encoder is (tests); otherwise the program folder.
    void setProgramFolder(const QString &folder);

    // The line to use: the serial port (open, with job.sendText already
    // built) or the Telnet connection (connected at the login, to
    // job.routerAddress on the link's port).
    void attach(SerialLine &line);
    void attach(TelnetLink &link);
    // Logs in; after a failure that allows another try, logs in again.
    void login(const QString &user, const QString &password);
    // Ends whatever runs: timers stop, the line and the server close, the
    // transfer file is removed. No outcome follows.
    void abort();

    bool isRunning() const { return m_stage != Stage::Idle && m_stage != Stage::Done; }
    bool inLogin() const { return m_stage == Stage::Login; }
    // What the router printed during the login, and after it.
    const TerminalText &loginTerminal() const;
    const TerminalText &transferTerminal() const;

signals:
    // Router output as it arrives, login and transfer alike.
    void output(const QString &text);
    void loginTerminalChanged();
    void transferTerminalChanged();
    // Retry: the login can be tried again; Close: the installation is over.
    void loginFailed(const mg::DialogueMessage &message, bool canRetry);
    // The router took the login; the transfer follows (for Telnet once the
    // transfer file is written).
    void loggedIn();
    void transferStarted();
    // Serial: lines typed of the total; Telnet: blocks acknowledged of the total.
    void progress(int done, int total);
    // The end of the transfer. markChanged: the configuration should count
    // as unsaved again. closesWindow: the progress window closes.
    void finished(bool ok, const mg::DialogueMessage &message, bool markChanged, bool closesWindow);

private:
    enum class Stage { Idle, Login, ManagerAccount, Transfer, Done };

    void attachLink();
    void received(const QString &text, bool containsError);
    void loggedInAs(bool factoryLogin);
    void managerAccountWritten(const ManagerAccountResult &result);
    void startTransfer();
    void end(bool ok, const DialogueMessage &message, bool markChanged = false, bool closesWindow = false);
    void release();

    TransferJob &m_job;
    TickerFactory &m_tickers;
    FactoryPasswordChoice m_factoryChoice;
    QString m_programFolder;
    Stage m_stage = Stage::Idle;
    QString m_password;

    std::unique_ptr<RouterLink> m_link;
    std::unique_ptr<LoginSession> m_login;
    std::unique_ptr<TransferSession> m_transfer;
    std::unique_ptr<TftpServer> m_fileServer;
    std::unique_ptr<ManagerAccountStep> m_managerAccount;
    QList<QMetaObject::Connection> m_linkConnections;
};

} // namespace mg
