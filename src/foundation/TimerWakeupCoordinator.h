#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>
#include <vector>

class ToleranceTimer;

// Wakes a thread for its active ToleranceTimers with one precise single-shot timer. Each wake is
// put as late as the window [deadline, deadline + tolerance] of the earliest due timer allows,
// so that it takes in the deadlines of as many other timers as fit in every window taken in; at
// the wake every timer that is due fires, earliest deadline first, in that one pass.
//
// One per thread, made when a timer of the thread starts; it goes away with the last one.
class TimerWakeupCoordinator : public QObject
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    struct Window
    {
        TimePoint deadline;
        std::chrono::milliseconds tolerance;
    };

    static TimerWakeupCoordinator &forCurrentThread();

    void add(ToleranceTimer &timer);
    // Stopped or deleted; the coordinator is deleted with its last timer.
    void remove(ToleranceTimer &timer);
    // The next deadline of the longest-active timer of that interval, for a timer that follows
    // its phase.
    std::optional<TimePoint> nextDeadlineOfInterval(std::chrono::milliseconds interval) const;

    // The latest deadline that lies in the windows of all the deadlines up to it, counted from
    // the earliest.
    static TimePoint latestSharedWake(std::vector<Window> windows);

private:
    TimerWakeupCoordinator();
    ~TimerWakeupCoordinator() override;

    void dispatch();
    ToleranceTimer *earliestDueAt(TimePoint now) const;
    void rearm();

    // In the order they started, which breaks ties between equal deadlines.
    std::vector<ToleranceTimer *> m_timers;
    QTimer m_wake;
    int m_dispatchDepth = 0;
};
