#include "platform/wayland/IdleNotificationState.h"

#include <algorithm>

IdleNotificationState::IdleNotificationState(const Clock &clock, double timeoutSeconds)
    : m_clock(clock)
    , m_timeoutSeconds(timeoutSeconds)
{}

void IdleNotificationState::idled()
{
    const double now = steadyNow();
    std::lock_guard lock(m_mutex);
    // A second edge without a resume in between says nothing new about the last input.
    if (!m_lastInputAt)
        m_lastInputAt = now - m_timeoutSeconds;
}

void IdleNotificationState::resumed()
{
    std::lock_guard lock(m_mutex);
    m_lastInputAt.reset();
}

bool IdleNotificationState::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_lastInputAt.has_value();
}

double IdleNotificationState::secondsSinceLastInput() const
{
    const double now = steadyNow();
    std::lock_guard lock(m_mutex);
    if (!m_lastInputAt)
        return 0.0;
    return std::max(0.0, now - *m_lastInputAt);
}

double IdleNotificationState::steadyNow() const
{
    // The steady clock is not moved by setting the wall clock, which would otherwise make a
    // long idle period out of a clock change.
    if (const std::optional<double> steady = m_clock.steadySeconds())
        return *steady;
    return m_clock.now().secondsSince1970();
}
