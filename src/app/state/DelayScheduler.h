#pragma once

#include <QObject>

#include <functional>
#include <memory>

// One-shot delays for the application state's timed behaviour (the slow-restore flag, the
// configuration refresh). Production runs them on timers; tests fire them by hand, so minutes and
// seconds pass without waiting.
class DelayScheduler
{
public:
    virtual ~DelayScheduler() = default;

    // Calls action once, on the calling thread, after the given seconds, unless the returned handle
    // is destroyed first.
    [[nodiscard]] virtual std::unique_ptr<QObject> schedule(double seconds,
                                                            std::function<void()> action) = 0;
};

// Timers of the calling thread's event loop.
DelayScheduler &systemDelayScheduler();
