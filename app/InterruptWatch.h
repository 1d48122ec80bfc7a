#pragma once

#include <QString>

#include <csignal>
#include <functional>
#include <iterator>
#include <memory>

class QSocketNotifier;

namespace mg::cli {

// Ctrl+C (SIGINT), SIGTERM, a closed terminal (SIGHUP) and Ctrl+\ (SIGQUIT)
// as a call on the event loop, so that a session ends cleanly (port and
// sockets closed, temporary files removed) instead of dying where it stands.
// The previous handlers come back with the destructor. One watch at a time.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void(int signal)> onSignal);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // The signals watched, and how the operator is told which one ended
    // the session ("Ctrl+C", "終了の要求 (SIGTERM)", ...).
    static constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    static QString describe(int signal);

private:
    static void handler(int signal);

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fds[2] = {-1, -1};
    struct sigaction m_old[std::size(Signals)] {};  // one for each of Signals
};

} // namespace mg::cli
