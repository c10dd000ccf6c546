#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Measures how long the main thread takes to get to a small task posted to it. Pings come from a
// plain thread of the watchdog's own, so a blocked main thread cannot delay them; between pings
// that thread sleeps on a condition with the next ping as its deadline, so an idle process wakes
// for the ping and nothing else. A ping answered stallThreshold or more seconds late is a stall
// and goes to the stall handler, which runs on the watchdog's thread as well. The watchdog only
// observes: the main thread never waits for it.
//
// The object itself belongs to the main thread (that is where its measurements run).
class MainThreadWatchdog : public QObject
{
    Q_OBJECT

public:
    using StallHandler = std::function<void(double stallSeconds)>;
    // Monotonic nanoseconds; read on both threads, so it must be thread-safe.
    using MonotonicClock = std::function<qint64()>;

    static constexpr double defaultPingInterval = 2.0;
    static constexpr double defaultStallThreshold = 0.25;

    // The process's watchdog (2 s pings, 0.25 s threshold, the stall log), created on first use
    // from the main thread and owned by the application object.
    static MainThreadWatchdog &shared();
    // "mainthread-stalls.log" in the data folder.
    static QString defaultLogURL();
    static qint64 systemMonotonicNanoseconds();

    // Without a handler, stalls go to the stall log at defaultLogURL().
    MainThreadWatchdog(double pingInterval, double stallThreshold, StallHandler onStall = {},
                       MonotonicClock monotonicClock = systemMonotonicNanoseconds,
                       QObject *parent = nullptr);
    ~MainThreadWatchdog() override;

    // Starts the watchdog thread, whose first ping comes one interval later. Later calls do
    // nothing. There is no stop: it runs until the watchdog is destroyed, which wakes the thread
    // at once and waits for it.
    void start();
    bool isStarted() const { return m_thread.joinable(); }

    // One ping: reads the clock and posts the measurement to the main thread. The watchdog thread
    // calls it every interval; it is safe from any thread.
    void ping();

    double pingInterval() const { return m_pingInterval; }
    double stallThreshold() const { return m_stallThreshold; }

protected:
    bool event(QEvent *event) override;

private:
    void run();
    void measure(qint64 postedAt);
    void reportStalls(std::unique_lock<std::mutex> &lock);

    const double m_pingInterval;
    const double m_stallThreshold;
    const StallHandler m_onStall;
    const MonotonicClock m_monotonicClock;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    // Measured on the main thread, waiting for the watchdog thread to hand them to the handler.
    QList<double> m_stalls;
    std::thread m_thread;
};
