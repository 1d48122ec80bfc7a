#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace mg::routersim {

// A token bucket for a serial line's byte rate. It holds at most 20 ms worth
// of bytes, so a pause never turns into a burst faster than the line.
class RateLimiter {
public:
    explicit RateLimiter(int bytesPerSecond)
        : m_rate(bytesPerSecond), m_capacity(std::max(1.0, bytesPerSecond / 50.0))
    {
        m_clock.start();
    }

    bool isLimited() const { return m_rate > 0; }

    qint64 available()
    {
        refill();
        return qint64(m_tokens);
    }

    void consume(qint64 bytes) { m_tokens -= double(bytes); }

    // Milliseconds until one more byte may pass (at least 1).
    int millisecondsToNextByte()
    {
        refill();
        const double missing = 1.0 - m_tokens;
        return missing <= 0 ? 1 : std::max(1, int(std::ceil(missing * 1000.0 / m_rate)));
    }

private:
    void refill()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_tokens = std::min(m_capacity, m_tokens + double(now - m_last) * m_rate / 1e9);
        m_last = now;
    }

    int m_rate;
    double m_capacity;
    double m_tokens = 0;
    qint64 m_last = 0;
    QElapsedTimer m_clock;
};

} // namespace mg::routersim
