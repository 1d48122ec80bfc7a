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

// One whole installation without windows: the login, the manager password,
// the transfer file and the transfer, one after the other on the same line.
// What the windows do with a login window, the default password dialog and
// the progress window, this does with a callback, and it ends with one
// outcome. A login the router refuses ends it too (there is nobody to type
// the password again).
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

    // Serial: over an open port, with job.sendText already built.
    void start(SerialLine &line, const QString &user, const QString &password);
    // Telnet: connects to job.routerAddress on the link's port.
    void start(TelnetLink &link, const QString &user, const QString &password);
    // Ends whatever runs: timers stop, the line and the server close, the
    // transfer file is removed. No outcome follows.
    void abort();

    bool isRunning() const { return m_stage != Stage::Idle && m_stage != Stage::Done; }
    // Everything the router printed, login and transfer.
    const TerminalText &terminal() const { return m_terminal; }

signals:
    void output(const QString &text);
    // Serial: lines typed of the total; Telnet: blocks acknowledged of the total.
    void progress(int done, int total);
    void finished(bool ok, const mg::DialogueMessage &message);

private:
    enum class Stage { Idle, Login, ManagerAccount, Transfer, Done };

    void begin(const QString &user, const QString &password);
    void received(const QString &text, bool containsError);
    void loggedIn(bool factoryLogin);
    void managerAccountWritten(const ManagerAccountResult &result);
    void startTransfer();
    void end(bool ok, const DialogueMessage &message);
    void release();

    TransferJob &m_job;
    TickerFactory &m_tickers;
    FactoryPasswordChoice m_factoryChoice;
    QString m_programFolder;
    Stage m_stage = Stage::Idle;
    QString m_password;
    TerminalText m_terminal;

    std::unique_ptr<RouterLink> m_link;
    std::unique_ptr<LoginSession> m_login;
    std::unique_ptr<TransferSession> m_transfer;
    std::unique_ptr<TftpServer> m_fileServer;
    std::unique_ptr<ManagerAccountStep> m_managerAccount;
    QList<QMetaObject::Connection> m_linkConnections;
};

} // namespace mg
