#pragma once

// Tickers that only tick when a test says so. ManualTickerFactory::anyActive
// tells whether any is running, so a test can catch a session that leaves a
// timer live while a modal box is open.

#include "Ticker.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <memory>

namespace mgtest {

class ManualTicker : public mg::Ticker {
public:
    using Registry = std::shared_ptr<QList<ManualTicker *>>;
    ManualTicker(Registry registry, QByteArray name, std::chrono::milliseconds interval,
                 std::function<void()> onTick)
        : name(std::move(name)), m_registry(std::move(registry)), m_interval(interval),
          m_onTick(std::move(onTick))
    {
        m_registry->append(this);
    }
    ~ManualTicker() override { m_registry->removeAll(this); }

    const QByteArray name;
    int starts = 0;

    void start() override { m_active = true; ++starts; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    std::chrono::milliseconds interval() const override { return m_interval; }
    void setInterval(std::chrono::milliseconds interval) override { m_interval = interval; }

    // One period elapses: the callback runs only while the ticker is active,
    // as a stopped QTimer never fires. Answers whether it ran.
    bool fire()
    {
        if (!m_active)
            return false;
        m_onTick();
        return true;
    }

private:
    Registry m_registry;
    std::chrono::milliseconds m_interval;
    std::function<void()> m_onTick;
    bool m_active = false;
};

class ManualTickerFactory : public mg::TickerFactory {
public:
    // Tickers live as long as their owner; a ticker leaves the factory's
    // list when it is destroyed.
    std::unique_ptr<mg::Ticker> create(const char *name, std::chrono::milliseconds interval,
                                       std::function<void()> onTick) override
    {
        return std::make_unique<ManualTicker>(m_made, QByteArray(name), interval, std::move(onTick));
    }

    // The last ticker made with that name (sessions made anew make new ones).
    ManualTicker *find(const char *name) const
    {
        for (qsizetype i = m_made->size() - 1; i >= 0; --i)
            if (m_made->at(i)->name == name)
                return m_made->at(i);
        return nullptr;
    }
    bool fire(const char *name)
    {
        ManualTicker *t = find(name);
        return t && t->fire();
    }
    bool isActive(const char *name) const
    {
        const ManualTicker *t = find(name);
        return t && t->isActive();
    }
    // Whether any live ticker is running (a modal box must not open then).
    bool anyActive() const
    {
        for (const ManualTicker *t : *m_made)
            if (t->isActive())
                return true;
        return false;
    }

private:
    ManualTicker::Registry m_made = std::make_shared<QList<ManualTicker *>>();
};

} // namespace mgtest
