#pragma once

#include "RateLimiter.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QTimer>

#include <functional>

namespace mg::routersim {

// Hands the router's output to a link the way the faults ask for: one byte
// per write, writes that end inside a two-byte Shift_JIS character, or a
// serial line's byte rate. A short write waits for resume().
class OutputPacer : public QObject {
    Q_OBJECT
public:
    struct Pacing {
        bool oneByte = false;
        bool splitSjis = false;
        int bytesPerSecond = 0; // 0: unpaced
    };
    // Writes what it can and answers how much, or -1 when the link is gone.
    using Writer = std::function<qint64(const QByteArray &)>;

    OutputPacer(Pacing pacing, Writer writer, QObject *parent = nullptr);

    void send(const QByteArray &bytes);
    bool isIdle() const { return m_pieces.isEmpty(); }
    // The link takes bytes again after a short write.
    void resume();

    // Cuts bytes where the pacing writes them apart.
    static QByteArrayList pieces(const QByteArray &bytes, Pacing pacing);

signals:
    void drained();
    // A write was short: call resume() when the link is writable.
    void stalled();

private:
    void writeNext();

    Pacing m_pacing;
    Writer m_writer;
    QByteArrayList m_pieces;
    QTimer m_pause;
    RateLimiter m_rate;
    bool m_stalled = false;
};

} // namespace mg::routersim
