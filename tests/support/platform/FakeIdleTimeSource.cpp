#include "support/platform/FakeIdleTimeSource.h"

std::optional<double> FakeIdleTimeSource::secondsSinceLastInput()
{
    std::lock_guard lock(m_mutex);
    ++m_queryCount;
    return m_seconds;
}

void FakeIdleTimeSource::setSeconds(std::optional<double> seconds)
{
    std::lock_guard lock(m_mutex);
    m_seconds = seconds;
}

int FakeIdleTimeSource::queryCount() const
{
    std::lock_guard lock(m_mutex);
    return m_queryCount;
}
