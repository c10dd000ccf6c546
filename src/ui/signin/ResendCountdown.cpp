#include "ui/signin/ResendCountdown.h"

#include "app/state/DelayScheduler.h"

ResendCountdown::ResendCountdown(DelayScheduler &scheduler, int initialSeconds, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_seconds(initialSeconds)
{}

ResendCountdown::~ResendCountdown() = default;

void ResendCountdown::start(int seconds)
{
    stop();
    if (m_seconds != seconds) {
        m_seconds = seconds;
        Q_EMIT secondsChanged();
    }
    scheduleTick();
}

void ResendCountdown::stop()
{
    m_pendingTick.reset();
}

void ResendCountdown::scheduleTick()
{
    if (m_seconds < 1) {
        m_pendingTick.reset();
        return;
    }
    m_pendingTick = m_scheduler.schedule(1.0, [this] { tick(); });
}

void ResendCountdown::tick()
{
    // The handle that fired is spent; scheduling the next tick replaces it.
    --m_seconds;
    Q_EMIT secondsChanged();
    scheduleTick();
}
