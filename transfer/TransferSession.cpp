#include "TransferSession.h"

#include "AddressChecks.h"
#include "RouterLink.h"
#include "SecretMasker.h"
#include "SendText.h"
#include "TftpServer.h"
#include "Ticker.h"

#include <QHostAddress>

#include <algorithm>
#include <utility>

namespace mg {

TransferSession::TransferSession(const TransferRequest &request, TransferInput input, RouterLink &link,
                                 TickerFactory &tickers, TftpServer *fileServer, QObject *parent)
    : QObject(parent), m_request(request), m_input(std::move(input)), m_link(link), m_fileServer(fileServer),
      m_serialTicker(tickers.create(SerialTicker, SerialPeriod, [this] { serialTick(); })),
      m_commandTicker(tickers.create(CommandTicker, CommandPeriod, [this] { commandTick(); }))
{
}

TransferSession::~TransferSession() = default;

void TransferSession::start()
{
    m_loaded = false;
    m_finished = false;
    m_withoutEcho = 0;
    m_bootCommandsSent = 0;
    m_queue.reset(QString());
    if (serial()) {
        m_console.setSecrets(m_input.secrets);
        m_console.reset(m_input.sendText);
        emit progressChanged();
        startSerialTicker();
        // The login ended at the command prompt: with echo pacing the first
        // line need not wait for the period.
        if (m_request.pacing == TransferPacing::Echo && !m_paused)
            typeNextLine();
        return;
    }

    const QString pcAddress = m_link.localAddress();
    if (m_fileServer) {
        // The address as the operator's box read it; a text it did not take
        // is no address, and the server then serves nobody.
        const std::optional<quint32> router = readDottedQuad(m_request.routerAddress);
        m_fileServer->setRouterAddress(router ? QHostAddress(*router) : QHostAddress());
        m_fileServer->setFilePath(m_input.transferFilePath);
        if (!m_fileServer->listen(QHostAddress(pcAddress), m_request.tftpPort)) {
            // Nothing has been changed on the router yet: say why and stop.
            m_link.close();
            fail({.message = DialogueMessages::fileServerFailed(m_fileServer->errorString())});
            return;
        }
    }
    m_queue.reset(SendText::loadCommands(m_request.configName, pcAddress));
    startCommandTicker();
}

void TransferSession::stop()
{
    m_serialTicker->stop();
    m_commandTicker->stop();
    m_queue.reset(QString());
    m_link.close();
    if (m_fileServer)
        m_fileServer->close();
}

void TransferSession::pause()
{
    if (m_paused)
        return;
    m_paused = true;
    m_resumeSerial = m_serialTicker->isActive();
    m_resumeCommands = m_commandTicker->isActive();
    m_serialTicker->stop();
    m_commandTicker->stop();
}

void TransferSession::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    const bool serialTicks = std::exchange(m_resumeSerial, false);
    const bool commandTicks = std::exchange(m_resumeCommands, false);
    if (m_finished)
        return;
    // A full period before the next line: the router's answers that came
    // meanwhile have been read, and nothing goes out in a burst.
    if (serialTicks)
        m_serialTicker->start();
    if (commandTicks)
        m_commandTicker->start();
}

void TransferSession::startSerialTicker()
{
    if (m_paused)
        m_resumeSerial = true;
    else
        m_serialTicker->start();
}

void TransferSession::startCommandTicker()
{
    if (m_paused)
        m_resumeCommands = true;
    else
        m_commandTicker->start();
}

InstallStep TransferSession::step() const
{
    if (serial())
        return m_console.step();
    if (!m_loaded)
        return InstallStep::FileTransfer;
    return m_bootCommandsSent >= 2 ? InstallStep::FinalRestart : InstallStep::BootConfig;
}

QList<InstallStep> TransferSession::steps() const
{
    return serial() ? m_console.steps() : networkSteps(m_request.routerAddress);
}

QList<InstallStep> TransferSession::networkSteps(const QString &routerAddress)
{
    QList<InstallStep> list{InstallStep::FileTransfer, InstallStep::BootConfig};
    // In remote-operation mode the operator power-cycles the router.
    if (routerAddress != SendText::RemoteOperationAddress)
        list << InstallStep::FinalRestart;
    return list;
}

TransferState TransferSession::state() const
{
    TransferState state;
    state.method = m_request.method;
    state.configName = m_request.configName;
    if (!serial()) {
        state.fileFetched = m_loaded;
        state.bootConfigSent = m_bootCommandsSent >= 1;
        return state;
    }
    state.linesSent = linesSent();
    state.linesTotal = linesTotal();
    if (m_console.hasReset()) {
        state.bootMovedAside = m_console.typed(ConsoleScript::RenameLine);
        state.restarted = m_console.typed(ConsoleScript::ResetRestartLine);
    }
    const int bootLine = m_console.lastLineOf(InstallStep::BootConfig);
    state.bootConfigSent = m_console.typed(bootLine);
    state.bootConfigTaken = m_console.taken(bootLine);
    return state;
}

void TransferSession::serialTick()
{
    if (m_finished)
        return;
    if (!m_console.ready()) {
        // The router has not given the answer this step needs: nothing more
        // is typed until it does, and not for ever.
        const ConsoleScript::Verdict verdict = m_console.waited(SerialPeriod);
        if (verdict.failed())
            consoleFailed(verdict);
        return;
    }
    if (m_console.awaitingEcho())
        ++m_withoutEcho;
    typeNextLine();
}

void TransferSession::typeNextLine()
{
    if (const std::optional<ConsoleScript::Line> line = m_console.take()) {
        if (!m_link.send(line->text)) {
            // The port is gone (the cable pulled, or closed after a line
            // error): the rest of the script cannot reach the router, and
            // the end must not be reported as a completed installation.
            fail({.message = DialogueMessages::serialWriteFailed(m_link.errorString())});
            return;
        }
        emit progressChanged();
        return;
    }
    finish();
}

void TransferSession::consoleFailed(const ConsoleScript::Verdict &verdict)
{
    const ConsoleScript::Line &line = m_console.line(verdict.line);
    const QString text = line.secret ? SecretMasker::Mask : hidden(LineCursor::withoutLineEnd(line.text));
    const QString routerLine = hidden(verdict.routerLine);
    using Failure = ConsoleScript::Failure;
    switch (verdict.failure) {
    case Failure::Refused:
        // As a refused file over the LAN: the configuration counts as unsaved.
        fail({.message = DialogueMessages::consoleLineRefused(text, line.scriptLine, routerLine), .markChanged = true});
        return;
    case Failure::NotFactory:
        fail({.message = DialogueMessages::notFactorySettings()});
        return;
    case Failure::NoLoginPrompt:
        fail({.message = DialogueMessages::noLoginAfterRestart(int(ConsoleScript::BootWait.count()))});
        return;
    case Failure::NoAnswer:
        fail({.message = DialogueMessages::consoleNoAnswer(text, int(ConsoleScript::AnswerWait.count()))});
        return;
    case Failure::WrongPrompt:
        fail({.message = DialogueMessages::consoleWrongPrompt(text, routerLine)});
        return;
    case Failure::None:
        return;
    }
}

QString TransferSession::hidden(const QString &text) const
{
    SecretMasker masker;
    for (const QString &secret : std::as_const(m_input.secrets))
        masker.addSecret(secret);
    return masker.masked(text);
}

void TransferSession::commandTick()
{
    if (!m_queue.atEnd()) {
        if (!m_link.isUsable()) {
            fail({.message = DialogueMessages::connectionLost(), .closesWindow = true});
            return;
        }
        m_link.send(*m_queue.next());
        if (m_loaded) {
            ++m_bootCommandsSent;
            emit progressChanged();
        }
        return;
    }
    m_commandTicker->stop();
    // Until the router has fetched the file the session waits: the end of
    // the file transfer queues the next commands.
    if (m_loaded)
        finish();
}

void TransferSession::finish()
{
    m_serialTicker->stop();
    m_commandTicker->stop();
    m_link.close();
    if (m_fileServer)
        m_fileServer->close();
    m_finished = true;
    emit finished({.ok = true, .message = DialogueMessages::completed(serial() ? QString() : m_request.routerAddress)});
}

void TransferSession::receive(const QString &text, bool containsError)
{
    show(text);
    if (m_finished)
        return;
    if (serial()) {
        const ConsoleScript::Verdict verdict = m_console.feed(text);
        if (verdict.failed()) {
            consoleFailed(verdict);
            return;
        }
        if (!verdict.answered)
            return;
        // The router has taken the last line: after the last of all, the
        // installation is complete; with echo pacing the next one goes now,
        // and the period (the longest wait) counts from here.
        if (m_console.complete()) {
            finish();
            return;
        }
        if (m_request.pacing == TransferPacing::Echo && m_console.ready()) {
            startSerialTicker();
            if (!m_paused)
                typeNextLine();
        }
        return;
    }
    if (containsError) {
        m_link.close();
        fail({.message = DialogueMessages::loadFailed(), .markChanged = true});
    }
}

void TransferSession::fileDelivered()
{
    if (m_finished)
        return;
    m_loaded = true;
    m_queue.reset(SendText::bootCommands(m_request.configName, m_request.routerAddress));
    startCommandTicker();
    emit progressChanged();
}

void TransferSession::fileServerFailed(const QString &message)
{
    if (m_finished)
        return;
    m_link.close();
    fail({.message = DialogueMessages::fileServerFailed(message), .markChanged = true});
}

void TransferSession::linkFailed()
{
    if (m_finished || serial())
        return;
    fail({.message = DialogueMessages::connectionFailed()});
}

void TransferSession::linkClosed()
{
    if (m_finished || serial())
        return;
    // The router hung up. After the last command (the restart) that is its
    // answer; before it, the installation cannot have ended.
    if (m_loaded && m_queue.atEnd()) {
        finish();
        return;
    }
    m_link.close();
    fail({.message = DialogueMessages::connectionLost(), .markChanged = m_loaded, .closesWindow = true});
}

void TransferSession::fail(const InstallOutcome &outcome)
{
    m_serialTicker->stop();
    m_commandTicker->stop();
    if (m_fileServer)
        m_fileServer->close();
    m_finished = true;
    emit finished(outcome);
}

void TransferSession::show(const QString &text)
{
    ShowData(m_terminal, text);
    emit terminalChanged();
}

} // namespace mg
