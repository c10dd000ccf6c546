#include "foundation/TimerWakeupCoordinator.h"

#include "foundation/ToleranceTimer.h"

#include <algorithm>

namespace {

thread_local TimerWakeupCoordinator *threadCoordinator = nullptr;

} // namespace

TimerWakeupCoordinator &TimerWakeupCoordinator::forCurrentThread()
{
    if (!threadCoordinator)
        threadCoordinator = new TimerWakeupCoordinator;
    return *threadCoordinator;
}

TimerWakeupCoordinator::TimerWakeupCoordinator()
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &TimerWakeupCoordinator::dispatch);
}

TimerWakeupCoordinator::~TimerWakeupCoordinator()
{
    if (threadCoordinator == this)
        threadCoordinator = nullptr;
}

void TimerWakeupCoordinator::add(ToleranceTimer &timer)
{
    m_timers.push_back(&timer);
    if (m_dispatchDepth == 0)
        rearm();
}

void TimerWakeupCoordinator::remove(ToleranceTimer &timer)
{
    std::erase(m_timers, &timer);
    if (m_dispatchDepth > 0)
        return;
    if (m_timers.empty()) {
        delete this;
        return;
    }
    rearm();
}

std::optional<TimerWakeupCoordinator::TimePoint>
TimerWakeupCoordinator::nextDeadlineOfInterval(std::chrono::milliseconds interval) const
{
    const auto followed = std::find_if(m_timers.cbegin(), m_timers.cend(), [interval](auto *timer) {
        return timer->interval() == interval;
    });
    if (followed == m_timers.cend())
        return std::nullopt;
    return (*followed)->nextDeadline();
}

TimerWakeupCoordinator::TimePoint
TimerWakeupCoordinator::latestSharedWake(std::vector<Window> windows)
{
    Q_ASSERT(!windows.empty());
    std::stable_sort(windows.begin(), windows.end(),
                     [](const Window &a, const Window &b) { return a.deadline < b.deadline; });
    TimePoint wake = windows.front().deadline;
    TimePoint windowsEnd = TimePoint::max();
    for (const Window &window : windows) {
        if (window.deadline > windowsEnd)
            break;
        wake = window.deadline;
        windowsEnd = std::min(windowsEnd, window.deadline + window.tolerance);
    }
    return wake;
}

void TimerWakeupCoordinator::dispatch()
{
    const TimePoint now = std::chrono::steady_clock::now();
    ++m_dispatchDepth;
    while (ToleranceTimer *timer = earliestDueAt(now)) {
        // Not from the pass's start: a slot before this one may have held the thread up.
        timer->scheduleNextAfter(std::chrono::steady_clock::now());
        // A slot may run a nested event loop (a modal dialog): the others keep their wake-ups.
        rearm();
        timer->fire();
    }
    --m_dispatchDepth;
    rearm();
    // Inside the wake timer's own signal, so not deleted at once.
    if (m_timers.empty() && m_dispatchDepth == 0) {
        if (threadCoordinator == this)
            threadCoordinator = nullptr;
        deleteLater();
    }
}

ToleranceTimer *TimerWakeupCoordinator::earliestDueAt(TimePoint now) const
{
    ToleranceTimer *earliest = nullptr;
    for (ToleranceTimer *timer : m_timers) {
        if (timer->nextDeadline() <= now &&
            (!earliest || timer->nextDeadline() < earliest->nextDeadline()))
            earliest = timer;
    }
    return earliest;
}

void TimerWakeupCoordinator::rearm()
{
    if (m_timers.empty()) {
        m_wake.stop();
        return;
    }
    std::vector<Window> windows;
    windows.reserve(m_timers.size());
    for (const ToleranceTimer *timer : m_timers)
        windows.push_back({timer->nextDeadline(), timer->tolerance()});
    // Rounded up: the platform timer fires at or after its interval, so the wake is never early.
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(
        latestSharedWake(windows) - std::chrono::steady_clock::now());
    m_wake.start(std::max(delay, std::chrono::milliseconds{0}));
}
