#pragma once

#include <QObject>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class ActivityTracker;
class IdleTimeSource;

// Polls, every 5 seconds, how long the user has not moved the mouse or pressed a key, and reports
// the two edges: idleness beginning (idle time reached the threshold) and activity returning.
// While the activity tracker runs, the idle time comes from its own stream (so clicks and
// scrolling do not count as activity); otherwise from the system's idle time.
//
// The poll runs on a thread of its own; the edges are signals delivered in the detector's thread
// (queued there from the poll thread). An edge whose poll happened before stop() or a restart is
// dropped, so no stale edge ever reaches a receiver after stop() returns.
class IdleDetector : public QObject
{
    Q_OBJECT

public:
    static constexpr double pollIntervalSeconds = 5.0;
    static constexpr const char *threadName = "com.wendoka.zuvevivezid.idle.poll";

    // The idle time of the tracker's stream is measured with the tracker's own clock.
    IdleDetector(const ActivityTracker &tracker, IdleTimeSource &systemIdleTime,
                 QObject *parent = nullptr);
    ~IdleDetector() override;

    // (Re)starts polling with the threshold in minutes (at least 1); the first poll is at once.
    // A previous idle edge is forgotten.
    void start(int idleThresholdMinutes);
    // Stops polling, waits for a running poll to end and forgets the idle edge. No edge signal
    // arrives after it returns.
    void stop();
    // start() without the poll thread: the owner (or a test) calls poll() itself.
    void startWithoutTimer(int idleThresholdMinutes);

    bool isRunning() const;
    bool isIdle() const;
    double thresholdSeconds() const;

    // The idle time as a poll measures it now: the tracker's own stream while it runs, else the
    // system's idle time; none when neither can tell.
    std::optional<double> secondsSinceLastInput() const;
    // The idle time the latest poll measured; none before the first poll or when it could not tell.
    std::optional<double> lastMeasuredIdleSeconds() const;

    // One poll: measures the idle time and reports an edge when the idle state changes. Called by
    // the poll thread; a test calls it directly (edges are then emitted before it returns).
    void poll();

Q_SIGNALS:
    void idleDetected();
    void activityResumed();

private:
    enum class Edge
    {
        None,
        Idle,
        Active
    };

    void stopPolling(std::unique_lock<std::mutex> &lock);
    void pollLoop(quint64 generation);
    void deliver(Edge edge, quint64 generation);

    const ActivityTracker &m_tracker;
    IdleTimeSource &m_systemIdleTime;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_isIdle = false;
    double m_thresholdSeconds = 300.0;
    quint64 m_generation = 0; // bumped by every start and stop; edges of older ones are dropped
    std::optional<double> m_lastMeasuredIdleSeconds;
};
