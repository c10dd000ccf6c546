#pragma once

#include "foundation/Clock.h"

#include <mutex>
#include <optional>

// Idle seconds from a compositor that only tells edges: "idled" once the user has not touched
// any device for the notification's timeout, "resumed" at the next input. While idle, the last
// input was one timeout before the idled edge; while active it is less than one timeout ago,
// which reads as 0. Before the first edge the notification's creation counts as the last input
// (the compositor starts its timer there). Edges are written by the connection's thread and read
// by the idle poll, so every operation locks.
class IdleNotificationState
{
public:
    IdleNotificationState(const Clock &clock, double timeoutSeconds);

    double timeoutSeconds() const { return m_timeoutSeconds; }

    void idled();
    void resumed();
    bool isIdle() const;
    double secondsSinceLastInput() const;

private:
    double steadyNow() const;

    const Clock &m_clock;
    const double m_timeoutSeconds;
    mutable std::mutex m_mutex;
    std::optional<double> m_lastInputAt; // on steadyNow()'s clock; set while idle
};
