#include "FirstShowProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace mg {

FirstShowProbe::FirstShowProbe(QWidget &window, qint64 launched)
    : QObject(&window), m_window(window), m_launched(launched)
{
    window.installEventFilter(this);
}

void FirstShowProbe::watchIfAsked(QWidget &window)
{
    const QByteArray launched = qgetenv("MARROWGATE_BENCH_FIRST_SHOW");
    if (!launched.isEmpty())
        new FirstShowProbe(window, launched.toLongLong());
}

bool FirstShowProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_window || event->type() != QEvent::Paint)
        return false;
    m_window.removeEventFilter(this);
    // Queued, so that the paint under way (the window's own first, then its
    // children's) and the frame's delivery count too.
    QTimer::singleShot(0, this, [this] {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        std::printf("first show after %.1f ms\n", double(now.count() - m_launched) / 1e6);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return false;
}

} // namespace mg
