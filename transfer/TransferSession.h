#pragma once

#include "ConsoleScript.h"
#include "DialogueMessage.h"
#include "InstallOutcome.h"
#include "LineCursor.h"
#include "Terminal.h"
#include "TransferRequest.h"

#include <QObject>
#include <chrono>
#include <memory>

namespace mg {

class RouterLink;
class TftpServer;
class Ticker;
class TickerFactory;

// What the installation hands the transfer once the login is through: the
// transfer types or serves it, and hides the secrets in what it reports.
struct TransferInput {
    QString sendText;          // serial: the whole console session
    QString transferFilePath;  // LAN: the file the router fetches
    QStringList secrets;       // every password known by then
};

// The transfer after the login, driven by its timers, the link's events and
// the file server. Serial: the send text is typed one line per second; with
// echo pacing the next line goes as soon as the router has echoed the last
// one and shown its prompt, the second being only the longest wait. What the
// router answers is checked as the lines go (ConsoleScript): the restart, the
// factory login, the manager password and the saving of the boot
// configuration each wait for the router's answer, an "Error" ends the
// transfer, and only the router's taking of the last line completes it. Telnet: the
// router is told to fetch the file from this PC's TFTP server; once it has
// the whole file it is told to boot from it and, unless it is in
// remote-operation mode, to restart. Router output containing "Error" ends
// the transfer as a failure.
class TransferSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds SerialPeriod{1000};
    static constexpr std::chrono::milliseconds CommandPeriod{1000};
    // The tickers' names, for tests that fire them by hand.
    static constexpr const char *SerialTicker = "TransferSerialLines";
    static constexpr const char *CommandTicker = "TransferCommands";

    // fileServer: the TFTP server of a Telnet transfer (unused on the serial
    // line); the session opens it, the caller owns it.
    TransferSession(const TransferRequest &request, TransferInput input, RouterLink &link, TickerFactory &tickers,
                    TftpServer *fileServer, QObject *parent = nullptr);
    ~TransferSession() override;

    // Starts typing (serial) or opens the file server and queues the load
    // command (Telnet). A file server that cannot open fails the transfer.
    void start();
    // The window closes: the timers stop, the line and the server close.
    void stop();
    // Nothing more is typed or sent until resume(); the router's output is
    // still read (an "Error" in it still ends the transfer), and the file
    // server still serves a fetch under way.
    void pause();
    void resume();

    void serialTick();   // every SerialPeriod on the serial line
    void commandTick();  // every CommandPeriod while Telnet commands are queued
    // Router output after the login; containsError when "Error" appeared.
    void receive(const QString &text, bool containsError = false);
    void fileDelivered();                     // the router acknowledged the last block
    void fileServerFailed(const QString &message);
    void linkFailed();                        // the Telnet connection reported an error
    void linkClosed();                        // the router closed the Telnet session

    const TerminalText &terminal() const { return m_terminal; }
    bool isFinished() const { return m_finished; }
    bool fileLoaded() const { return m_loaded; }
    // Serial: lines of the send text typed and in all.
    int linesSent() const { return m_console.linesTaken(); }
    int linesTotal() const { return m_console.lineCount(); }
    // Echo pacing: lines typed at the end of the period because the router
    // had not answered the one before.
    int linesWithoutEcho() const { return m_withoutEcho; }

    // Where the transfer is, and the steps it goes through.
    InstallStep step() const;
    QList<InstallStep> steps() const;
    // The LAN transfer's steps for a router at that address.
    static QList<InstallStep> networkSteps(const QString &routerAddress);
    // What the router has been left with so far.
    TransferState state() const;

signals:
    void terminalChanged();
    // A line typed, or a command sent, or the file fetched.
    void progressChanged();
    // The transfer is over, completed or failed; nothing follows.
    void finished(const mg::InstallOutcome &outcome);

private:
    bool serial() const { return m_request.method == TransferMethod::Serial; }
    void finish();
    void fail(const InstallOutcome &outcome);
    void show(const QString &text);
    void typeNextLine();
    // Starts the ticker, or, while paused, at resume().
    void startSerialTicker();
    void startCommandTicker();
    void consoleFailed(const ConsoleScript::Verdict &verdict);
    QString hidden(const QString &text) const;

    const TransferRequest m_request;
    const TransferInput m_input;
    RouterLink &m_link;
    TftpServer *m_fileServer;
    std::unique_ptr<Ticker> m_serialTicker;
    std::unique_ptr<Ticker> m_commandTicker;
    TerminalText m_terminal;
    ConsoleScript m_console;
    LineCursor m_queue;
    int m_withoutEcho = 0;
    bool m_loaded = false;
    bool m_finished = false;
    int m_bootCommandsSent = 0;   // LAN: commands sent after the file was fetched
    bool m_paused = false;
    bool m_resumeSerial = false;
    bool m_resumeCommands = false;
};

} // namespace mg
