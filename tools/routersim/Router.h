#pragma once

#include "SimulatorOptions.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace mg::routersim {

// What the router holds, shared by the console and every Telnet session:
// accounts, the files in flash, the running configuration, the boot
// configuration and the counters tests read back. Changes are published by
// commit(), which every answer calls first, so that the state file on disk is
// never older than anything a peer has seen.
class Router : public QObject {
    Q_OBJECT
public:
    static constexpr const char *Manager = "manager";
    static constexpr const char *FactoryPassword = "pastry";

    explicit Router(const SimulatorOptions &options, QObject *parent = nullptr);

    bool passwordMatches(const QString &user, const QString &password) const;
    QString managerPassword() const { return m_accounts.value(QLatin1String(Manager)); }
    void setManagerPassword(const QString &password);
    void noteLoginFailure();
    void noteReceivedLine(const QString &line);

    bool hasFile(const QString &name) const { return m_files.contains(name); }
    void storeFile(const QString &name, const QString &text);
    // Answers whether the file was there.
    bool deleteFile(const QString &name);
    void renameFile(const QString &from, const QString &to);
    // Answers false when the file is not in flash.
    bool setBootConfig(const QString &name);

    // A line that is not a command: it joins the running configuration, and
    // a "set user=NAME pass=E" line sets that account's password.
    void applyConfigurationLine(const QString &line);
    // The text "create config=" writes: the manager password first, so that
    // it survives a restart, then the running configuration, CR LF each.
    QString runningConfigurationFile() const;

    // Empties the running configuration, resets the accounts and applies the
    // boot configuration; then emits restarted().
    void restart();

    // After --stall-after: every terminal reads on and answers nothing.
    bool stalled() const { return m_stalled; }
    void stall() { m_stalled = true; }

    void noteTftpRequest();
    // Counts a DATA packet that reached the router; false when it is the one
    // to lose.
    bool noteTftpData();
    int tftpDataReceived() const { return m_tftpData; }
    // The server told the stray port of --tftp-stray-ack it is no transfer's.
    void noteTftpUnknownTid();

    QJsonObject toJson() const;
    // Emits changed() when something changed since the last commit.
    void commit();

    // The password of a "set user=" line's pass= value: "$0$" and upper-case
    // hex of the Shift_JIS bytes, anything else taken as it is.
    static QString decodePassword(const QString &encoded);
    static QString encodePassword(const QString &password);
    // The account and password a configuration line sets, if it sets one.
    static std::optional<QPair<QString, QString>> accountOf(const QString &line);

signals:
    void changed();
    void restarted();

private:
    void resetAccounts();
    void markDirty();

    const SimulatorOptions &m_options;
    QMap<QString, QString> m_accounts;
    QMap<QString, QString> m_files;
    QStringList m_running;
    QString m_bootConfig = QStringLiteral("boot.cfg");
    QString m_received;
    QStringList m_commands;
    int m_restarts = 0;
    int m_loginFailures = 0;
    int m_tftpRequests = 0;
    int m_tftpData = 0;
    int m_tftpUnknownTid = 0;
    bool m_dirty = false;
    bool m_stalled = false;
    bool m_commitPosted = false;
};

} // namespace mg::routersim
