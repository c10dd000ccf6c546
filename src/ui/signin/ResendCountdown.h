#pragma once

#include <QObject>

#include <memory>

class DelayScheduler;

// The sign-in sub-screens' once-a-second countdown before a code or a link may be asked for
// again. One countdown per screen: starting it anew replaces the running one, so a screen never
// has two timers pulling the same counter down.
class ResendCountdown : public QObject
{
    Q_OBJECT

public:
    static constexpr int defaultSeconds = 60;

    explicit ResendCountdown(DelayScheduler &scheduler, int initialSeconds = 0,
                             QObject *parent = nullptr);
    ~ResendCountdown() override;

    int seconds() const { return m_seconds; }
    bool isRunning() const { return m_pendingTick != nullptr; }

    void start(int seconds = defaultSeconds);
    // Stops the ticking; the counter keeps the value it had.
    void stop();

Q_SIGNALS:
    void secondsChanged();

private:
    void scheduleTick();
    void tick();

    DelayScheduler &m_scheduler;
    int m_seconds;
    std::unique_ptr<QObject> m_pendingTick;
};
