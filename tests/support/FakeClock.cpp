#include "support/FakeClock.h"

FakeClock::FakeClock(Timestamp start)
    : m_seconds(start.secondsSince1970())
{}

Timestamp FakeClock::now() const
{
    return Timestamp::fromSecondsSince1970(m_seconds.load());
}

std::optional<double> FakeClock::steadySeconds() const
{
    return m_steadySeconds.load();
}

void FakeClock::set(Timestamp moment)
{
    // The wall clock lands exactly on the moment; adding the difference could round.
    m_steadySeconds.store(m_steadySeconds.load() + (moment.secondsSince1970() - m_seconds.load()));
    m_seconds.store(moment.secondsSince1970());
}

void FakeClock::advance(double seconds)
{
    m_steadySeconds.store(m_steadySeconds.load() + seconds);
    jump(seconds);
}

void FakeClock::jump(double seconds)
{
    m_seconds.store(m_seconds.load() + seconds);
}
