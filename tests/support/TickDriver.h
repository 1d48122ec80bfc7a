#pragma once

// Runs a router dialogue against a live peer (the router simulator) with
// manual tickers: each period is fired as soon as the router has answered
// the previous one, instead of waiting the real second. The router has
// answered when output came after the last tick and ended at a prompt, or
// when it stayed quiet for longer (a router that does not answer). The TFTP
// server's retransmission ticker fires only when nothing else moves.

#include "DialogueTickers.h"
#include "ManualTicker.h"
#include "TftpServer.h"

#include <QElapsedTimer>
#include <QtTest>
#include <functional>

namespace mgtest {

class TickDriver {
public:
    explicit TickDriver(ManualTickerFactory &tickers) : m_tickers(tickers) {}

    // Call with every piece of router output.
    void output(const QString &text)
    {
        m_tail = (m_tail + text).right(2);
        m_answered = true;
        m_quiet.restart();
    }

    // Fires the dialogue's timers until `done()` holds; false when it does not
    // within `limit` (nothing left to fire and nothing happening).
    bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = std::chrono::seconds(60))
    {
        QElapsedTimer clock;
        clock.start();
        m_quiet.start();
        while (!done()) {
            if (clock.elapsed() > limit.count())
                return false;
            settle();
            if (done())
                return true;
            m_answered = false;
            bool fired = false;
            for (const char *name : DialogueTickers)
                fired = m_tickers.fire(name) || fired;
            if (fired)
                continue;
            // Waiting for the router (a TFTP fetch): only a stalled transfer
            // needs the retransmission period.
            if (m_quiet.elapsed() > 500)
                m_tickers.fire(mg::TftpServer::RetransmitTicker);
            QTest::qWait(10);
        }
        return true;
    }

private:
    void settle()
    {
        m_quiet.restart();
        for (;;) {
            QTest::qWait(5);
            const bool atPrompt = m_tail == QLatin1String(": ") || m_tail == QLatin1String("> ");
            if (m_answered && atPrompt && m_quiet.elapsed() >= 25)
                return;
            if (m_quiet.elapsed() >= 400)
                return;
        }
    }

    ManualTickerFactory &m_tickers;
    QString m_tail;
    bool m_answered = false;
    QElapsedTimer m_quiet;
};

} // namespace mgtest
