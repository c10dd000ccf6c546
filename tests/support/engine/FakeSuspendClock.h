#pragma once

#include "platform/SuspendClock.h"

// Both clocks move together with advance(); suspend() moves only the boot-time one, as the kernel
// does while the machine sleeps.
class FakeSuspendClock final : public SuspendClock
{
public:
    double bootTimeSeconds() const override { return m_bootTime; }
    double monotonicSeconds() const override { return m_monotonic; }

    void advance(double seconds)
    {
        m_bootTime += seconds;
        m_monotonic += seconds;
    }
    void suspend(double seconds) { m_bootTime += seconds; }

private:
    double m_bootTime = 1000.0;
    double m_monotonic = 1000.0;
};
