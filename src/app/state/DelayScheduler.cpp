#include "app/state/DelayScheduler.h"

#include <QTimer>

#include <chrono>

namespace {

class TimerDelayScheduler final : public DelayScheduler
{
public:
    std::unique_ptr<QObject> schedule(double seconds, std::function<void()> action) override
    {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(std::chrono::milliseconds(qRound64(seconds * 1000.0)));
        // Queued, so that the action may destroy the handle (the timer) without pulling it out from
        // under its own timer event.
        QObject::connect(timer.get(), &QTimer::timeout, timer.get(), std::move(action),
                         Qt::QueuedConnection);
        timer->start();
        return timer;
    }
};

} // namespace

DelayScheduler &systemDelayScheduler()
{
    static TimerDelayScheduler scheduler;
    return scheduler;
}
