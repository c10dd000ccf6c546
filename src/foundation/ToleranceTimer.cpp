#include "foundation/ToleranceTimer.h"

#include "foundation/TimerWakeupCoordinator.h"

#include <QThread>

#include <algorithm>
#include <optional>
#include <utility>

using namespace std::chrono_literals;

ToleranceTimer::ToleranceTimer(QObject *parent)
    : QObject(parent)
{}

ToleranceTimer::~ToleranceTimer()
{
    stop();
}

void ToleranceTimer::setInterval(std::chrono::milliseconds interval)
{
    // A zero interval would have no schedule to keep.
    m_interval = std::max(interval, 1ms);
}

void ToleranceTimer::setTolerance(std::chrono::milliseconds tolerance)
{
    m_tolerance = std::max(tolerance, 0ms);
}

void ToleranceTimer::start()
{
    Q_ASSERT(thread() == QThread::currentThread());
    stop();
    TimerWakeupCoordinator &coordinator = TimerWakeupCoordinator::forCurrentThread();
    const std::optional<SteadyClock::time_point> followed =
        m_followsPhase ? coordinator.nextDeadlineOfInterval(m_interval) : std::nullopt;
    m_nextDeadline = followed.value_or(SteadyClock::now() + m_interval);
    m_coordinator = &coordinator;
    coordinator.add(*this);
}

void ToleranceTimer::stop()
{
    if (!m_coordinator)
        return;
    // Cleared first: the coordinator may go away with its last timer.
    TimerWakeupCoordinator *coordinator = std::exchange(m_coordinator, nullptr);
    coordinator->remove(*this);
}

void ToleranceTimer::fire()
{
    if (m_singleShot)
        stop();
    Q_EMIT timeout();
}

void ToleranceTimer::scheduleNextAfter(SteadyClock::time_point now)
{
    m_nextDeadline += m_interval;
    if (m_nextDeadline <= now)
        m_nextDeadline += ((now - m_nextDeadline) / m_interval + 1) * m_interval;
}
