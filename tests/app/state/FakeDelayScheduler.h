#pragma once

#include "app/state/DelayScheduler.h"
#include "support/FakeClock.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

// Delays that come due only when the test moves time on. Moves a FakeClock along when given one.
class FakeDelayScheduler final : public DelayScheduler
{
public:
    explicit FakeDelayScheduler(FakeClock *clock = nullptr)
        : m_clock(clock)
    {}

    std::unique_ptr<QObject> schedule(double seconds, std::function<void()> action) override
    {
        auto handle = std::make_unique<QObject>();
        m_pending.append({m_now + seconds, QPointer<QObject>(handle.get()), std::move(action)});
        m_requestedDelays.append(seconds);
        return handle;
    }

    // Runs every delay that comes due within the next seconds, in the order they come due.
    void advance(double seconds)
    {
        const double target = m_now + seconds;
        for (;;) {
            qsizetype next = -1;
            for (qsizetype i = 0; i < m_pending.size(); ++i) {
                if (m_pending.at(i).handle.isNull() || m_pending.at(i).dueAt > target)
                    continue;
                if (next < 0 || m_pending.at(i).dueAt < m_pending.at(next).dueAt)
                    next = i;
            }
            if (next < 0)
                break;
            const Pending due = m_pending.takeAt(next);
            moveTo(due.dueAt);
            due.action();
        }
        moveTo(target);
        m_pending.removeIf([](const Pending &pending) { return pending.handle.isNull(); });
    }

    // Delays still waiting (their handles alive).
    int pendingCount() const
    {
        int count = 0;
        for (const Pending &pending : m_pending)
            count += pending.handle.isNull() ? 0 : 1;
        return count;
    }
    QList<double> requestedDelays() const { return m_requestedDelays; }
    double now() const { return m_now; }

private:
    struct Pending
    {
        double dueAt;
        QPointer<QObject> handle;
        std::function<void()> action;
    };

    void moveTo(double moment)
    {
        if (m_clock)
            m_clock->advance(moment - m_now);
        m_now = moment;
    }

    FakeClock *m_clock;
    double m_now = 0.0;
    QList<Pending> m_pending;
    QList<double> m_requestedDelays;
};
