#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace mg {

// A periodic timer of the router dialogue. Sessions never touch QTimer
// directly: they get tickers from a factory, so that tests can fire each tick
// by hand instead of waiting seconds.
class Ticker {
public:
    virtual ~Ticker() = default;
    // Starts (or restarts) the period from now.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual std::chrono::milliseconds interval() const = 0;
    // Takes effect at the next start().
    virtual void setInterval(std::chrono::milliseconds interval) = 0;
};

class TickerFactory {
public:
    virtual ~TickerFactory() = default;
    // A stopped ticker that calls onTick at every period while active. The
    // name identifies it to tests: each owner names its tickers with
    // constants of its own (LoginSession::WakeTicker, ...).
    virtual std::unique_ptr<Ticker> create(const char *name, std::chrono::milliseconds interval,
                                           std::function<void()> onTick) = 0;
};

// The production tickers: QTimer on the thread that creates them.
class QtTickerFactory : public TickerFactory {
public:
    std::unique_ptr<Ticker> create(const char *name, std::chrono::milliseconds interval,
                                   std::function<void()> onTick) override;
};

} // namespace mg
