#include "InterruptWatch.h"

#include <QObject>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mg::cli {

namespace {
volatile std::sig_atomic_t g_watchFd = -1;
}

void InterruptWatch::handler(int signal)
{
    const int fd = g_watchFd;
    if (fd < 0)
        return;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Nothing but write() here: the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
}

QString InterruptWatch::describe(int signal)
{
    switch (signal) {
    case SIGINT: return QStringLiteral("Ctrl+C");
    case SIGTERM: return QStringLiteral("終了の要求 (SIGTERM)");
    case SIGHUP: return QStringLiteral("端末の切断 (SIGHUP)");
    case SIGQUIT: return QStringLiteral("Ctrl+\\ (SIGQUIT)");
    default: return QStringLiteral("シグナル %1").arg(signal);
    }
}

InterruptWatch::InterruptWatch(std::function<void(int signal)> onSignal) : m_onSignal(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_watchFd = m_fds[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        unsigned char number = 0;
        while (::read(m_fds[1], &number, 1) == 1) {
            if (m_onSignal)
                m_onSignal(number);
        }
    });
    struct sigaction action {};
    action.sa_handler = &InterruptWatch::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &action, &m_old[i]);
}

InterruptWatch::~InterruptWatch()
{
    if (m_fds[0] < 0)
        return;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &m_old[i], nullptr);
    g_watchFd = -1;
    m_notifier.reset();
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

} // namespace mg::cli
