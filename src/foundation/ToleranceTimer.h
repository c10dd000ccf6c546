#pragma once

#include <QObject>

#include <chrono>

class TimerWakeupCoordinator;

// A repeating or single-shot timer that may fire up to its tolerance late, never early, so that
// the timers of a thread can share one wake-up. The k-th firing is due at start + k × interval on
// the steady clock; a late firing does not move the later ones, and a firing missed by more than an
// interval (the thread was blocked) is skipped rather than made up.
//
// A timer that follows the phase of its thread's timers takes, when it starts, the schedule of an
// active timer of the same interval, so the two fire in one pass from then on. Its first firing
// may then come sooner than one interval: only a timer whose firings count nothing may follow.
//
// Started and stopped on the thread it lives on.
class ToleranceTimer : public QObject
{
    Q_OBJECT

public:
    using SteadyClock = std::chrono::steady_clock;

    explicit ToleranceTimer(QObject *parent = nullptr);
    ~ToleranceTimer() override;

    // Both take effect at the next start().
    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    void setTolerance(std::chrono::milliseconds tolerance);
    std::chrono::milliseconds tolerance() const { return m_tolerance; }
    void setFollowsPhase(bool follows) { m_followsPhase = follows; }
    bool followsPhase() const { return m_followsPhase; }
    // A single-shot timer stops before it fires once; its slot may start it again.
    void setSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }

    // (Re)starts the schedule from now, or from the followed timer's next firing.
    void start();
    void stop();
    bool isActive() const { return m_coordinator != nullptr; }
    // When the next firing is due; meaningful while active.
    SteadyClock::time_point nextDeadline() const { return m_nextDeadline; }

Q_SIGNALS:
    void timeout();

private:
    friend class TimerWakeupCoordinator;

    // The first deadline on the schedule after now.
    void scheduleNextAfter(SteadyClock::time_point now);
    void fire();

    std::chrono::milliseconds m_interval{1000};
    std::chrono::milliseconds m_tolerance{0};
    bool m_followsPhase = false;
    bool m_singleShot = false;
    SteadyClock::time_point m_nextDeadline;
    // The coordinator of this thread while active.
    TimerWakeupCoordinator *m_coordinator = nullptr;
};
