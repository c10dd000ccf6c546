#pragma once

// Two readings of elapsed time since boot: one that includes the time the machine was suspended
// and one that does not. Their difference grows only while the machine sleeps, so comparing it
// between two moments tells whether a suspend happened in between, even when no one announced it.
class SuspendClock
{
public:
    virtual ~SuspendClock() = default;

    // Seconds since boot, suspended time included.
    virtual double bootTimeSeconds() const = 0;
    // Seconds since boot, suspended time left out.
    virtual double monotonicSeconds() const = 0;

    double suspendedSeconds() const { return bootTimeSeconds() - monotonicSeconds(); }
};
