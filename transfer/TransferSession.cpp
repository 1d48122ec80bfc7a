#include "TransferSession.h"

#include "RouterLink.h"
#include "SendText.h"
#include "TftpServer.h"
#include "Ticker.h"

#include <QHostAddress>

#include <algorithm>

namespace mg {

TransferSession::TransferSession(TransferJob &job, RouterLink &link, TickerFactory &tickers,
                                 TftpServer *fileServer, QObject *parent)
    : QObject(parent), m_job(job), m_link(link), m_fileServer(fileServer),
      m_serialTicker(tickers.create("Timer1", SerialPeriod, [this] { serialTick(); })),
      m_commandTicker(tickers.create("Timer", CommandPeriod, [this] { commandTick(); }))
{
}

TransferSession::~TransferSession() = default;

void TransferSession::start()
{
    m_loaded = false;
    m_finished = false;
    m_withoutEcho = 0;
    m_echo.clear();
    m_queue.reset(QString());
    if (serial()) {
        m_sendText.reset(m_job.sendText);
        emit progressChanged();
        m_serialTicker->start();
        // The login ended at the command prompt: with echo pacing the first
        // line need not wait for the period.
        if (m_job.pacing == TransferPacing::Echo)
            typeNextLine();
        return;
    }

    const QString pcAddress = m_link.localAddress();
    if (m_fileServer) {
        m_fileServer->setRouterAddress(QHostAddress(m_job.routerAddress));
        m_fileServer->setFilePath(m_job.transferFilePath);
        if (!m_fileServer->listen(QHostAddress(pcAddress), m_job.tftpPort)) {
            // Nothing has been changed on the router yet: say why and stop.
            m_link.close();
            fail(DialogueMessages::FileServerFailed(m_fileServer->errorString()), false, false);
            return;
        }
    }
    m_queue.reset(SendText::LoadCommands(m_job.configName, pcAddress));
    m_commandTicker->start();
}

void TransferSession::stop()
{
    m_echo.clear();
    m_serialTicker->stop();
    m_commandTicker->stop();
    m_queue.reset(QString());
    m_link.close();
    if (m_fileServer)
        m_fileServer->close();
}

void TransferSession::serialTick()
{
    if (m_echo.isWaiting())
        ++m_withoutEcho;
    typeNextLine();
}

void TransferSession::typeNextLine()
{
    m_echo.clear();
    if (const std::optional<QString> line = m_sendText.next()) {
        if (!m_link.send(*line)) {
            // The port is gone (the cable pulled, or closed after a line
            // error): the rest of the script cannot reach the router, and
            // the end must not be reported as a completed installation.
            fail(DialogueMessages::SerialWriteFailed(m_link.errorString()), false, false);
            return;
        }
        if (m_job.pacing == TransferPacing::Echo) {
            QString text = *line;
            if (text.endsWith(QLatin1String("\r\n")))
                text.chop(2);
            const bool secret = std::any_of(m_job.secrets.cbegin(), m_job.secrets.cend(),
                                            [&](const QString &s) { return !s.isEmpty() && text.contains(s); });
            m_echo.expect(text, !secret);
        }
        emit progressChanged();
        return;
    }
    m_serialTicker->stop();
    m_finished = true;
    emit completed(DialogueMessages::Completed(QString()));
}

void TransferSession::commandTick()
{
    if (!m_queue.atEnd()) {
        if (!m_link.isUsable()) {
            fail(DialogueMessages::ConnectionLost(), false, true);
            return;
        }
        m_link.send(*m_queue.next());
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
    m_link.close();
    if (m_fileServer)
        m_fileServer->close();
    m_finished = true;
    emit completed(DialogueMessages::Completed(m_job.routerAddress));
}

void TransferSession::receive(const QString &text, bool containsError)
{
    show(text);
    if (serial() && !m_finished && m_echo.isWaiting() && m_echo.feed(text)) {
        // The router has taken the line: the next one goes now, and the
        // period (the longest wait) counts from here.
        m_serialTicker->start();
        typeNextLine();
        return;
    }
    if (containsError && !m_finished && !serial()) {
        m_link.close();
        fail(DialogueMessages::LoadFailed(), true, false);
    }
}

void TransferSession::fileDelivered()
{
    if (m_finished)
        return;
    m_loaded = true;
    m_queue.reset(SendText::BootCommands(m_job.configName, m_job.routerAddress));
    m_commandTicker->start();
}

void TransferSession::fileServerFailed(const QString &message)
{
    if (m_finished)
        return;
    m_link.close();
    fail(DialogueMessages::FileServerFailed(message), true, false);
}

void TransferSession::linkFailed()
{
    if (m_finished || serial())
        return;
    fail(DialogueMessages::ConnectionFailed(), false, false);
}

void TransferSession::fail(const DialogueMessage &message, bool markChanged, bool closesWindow)
{
    m_echo.clear();
    m_serialTicker->stop();
    m_commandTicker->stop();
    if (m_fileServer)
        m_fileServer->close();
    m_finished = true;
    emit failed(message, markChanged, closesWindow);
}

void TransferSession::show(const QString &text)
{
    ShowData(m_terminal, text);
    emit terminalChanged();
}

} // namespace mg
