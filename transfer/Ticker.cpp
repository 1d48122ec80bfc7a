#include "Ticker.h"

#include <QObject>
#include <QTimer>

namespace mg {

namespace {

class QtTicker : public Ticker {
public:
    QtTicker(const char *name, std::chrono::milliseconds interval, std::function<void()> onTick)
    {
        m_timer.setObjectName(QString::fromLatin1(name));
        m_timer.setInterval(interval);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTick));
    }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    std::chrono::milliseconds interval() const override { return m_timer.intervalAsDuration(); }
    void setInterval(std::chrono::milliseconds interval) override { m_timer.setInterval(interval); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<Ticker> QtTickerFactory::create(const char *name, std::chrono::milliseconds interval,
                                                std::function<void()> onTick)
{
    return std::make_unique<QtTicker>(name, interval, std::move(onTick));
}

} // namespace mg
