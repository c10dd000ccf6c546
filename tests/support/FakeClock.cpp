#include "support/FakeClock.h"

FakeClock::FakeClock(Timestamp start)
    : m_seconds(start.secondsSince1970())
{}

Timestamp FakeClock::now() const
{
    return Timestamp::fromSecondsSince1970(m_seconds.load());
}

void FakeClock::set(Timestamp moment)
{
    m_seconds.store(moment.secondsSince1970());
}

void FakeClock::advance(double seconds)
{
    m_seconds.store(m_seconds.load() + seconds);
}
