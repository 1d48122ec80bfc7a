#pragma once

#include "SimulatorOptions.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace mg::routersim {

class Router;
class TftpClient;

// The router's side of one terminal, the console or a Telnet session: bytes
// in, Shift_JIS text out. It assembles lines, echoes what is typed (never a
// password), logs in, and runs the commands against the shared Router. One
// line is handled at a time: while an answer waits (--slow, a TFTP transfer)
// the bytes behind it wait too, as they would in the router's input buffer.
class Dialogue : public QObject {
    Q_OBJECT
public:
    enum class Kind { Console, Telnet };

    Dialogue(Router &router, const SimulatorOptions &options, Kind kind, QObject *parent = nullptr);

    // What a terminal sees on connecting: the Telnet login banner; nothing
    // on the console, which has long been up.
    void begin();
    void receive(const QByteArray &bytes);

signals:
    void output(const QByteArray &bytes);
    // A Telnet session ends when the router restarts (after its last output).
    void closeRequested();

private:
    enum class Mode { LoginName, LoginPassword, Command, OldPassword, NewPassword, ConfirmPassword };

    void pump();
    void endLine(const QByteArray &line);
    void command(const QString &line);
    void load(const QStringList &words);
    void transferFinished(const QString &name, bool ok, const QByteArray &data, const QString &error);
    void answer(const QString &text, std::function<void()> then = {});
    void answerNow(const QByteArray &bytes, std::function<void()> then);
    void routerRestarted();
    void flush();
    bool echoes() const;
    bool quiet() const;
    void booted();

    Router &m_router;
    const SimulatorOptions &m_options;
    const Kind m_kind;
    Mode m_mode;
    QByteArray m_inbox;
    QByteArray m_line;
    bool m_afterCr = false;
    bool m_busy = false;
    bool m_closed = false;
    QByteArray m_out;
    QString m_user;
    QString m_oldPassword;
    QString m_newPassword;
    QTimer m_slow;
    QTimer m_boot;
    bool m_booting = false;
    QByteArray m_delayed;
    std::function<void()> m_afterDelayed;
    QPointer<TftpClient> m_transfer;
};

} // namespace mg::routersim
