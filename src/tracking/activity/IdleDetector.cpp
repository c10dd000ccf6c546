#include "tracking/activity/IdleDetector.h"

#include "platform/IdleTimeSource.h"
#include "platform/ThreadName.h"
#include "tracking/activity/ActivityTracker.h"

#include <QThread>

#include <algorithm>
#include <chrono>

IdleDetector::IdleDetector(const ActivityTracker &tracker, IdleTimeSource &systemIdleTime,
                           QObject *parent)
    : QObject(parent)
    , m_tracker(tracker)
    , m_systemIdleTime(systemIdleTime)
{}

IdleDetector::~IdleDetector()
{
    stop();
}

void IdleDetector::start(int idleThresholdMinutes)
{
    std::unique_lock lock(m_mutex);
    stopPolling(lock);
    m_thresholdSeconds = std::max(idleThresholdMinutes, 1) * 60.0;
    m_running = true;
    m_stopRequested = false;
    ++m_generation;
    m_thread = std::thread(&IdleDetector::pollLoop, this, m_generation);
}

void IdleDetector::startWithoutTimer(int idleThresholdMinutes)
{
    std::unique_lock lock(m_mutex);
    stopPolling(lock);
    m_thresholdSeconds = std::max(idleThresholdMinutes, 1) * 60.0;
    m_running = true;
    ++m_generation;
}

void IdleDetector::stop()
{
    std::unique_lock lock(m_mutex);
    stopPolling(lock);
}

void IdleDetector::stopPolling(std::unique_lock<std::mutex> &lock)
{
    if (m_thread.joinable()) {
        m_stopRequested = true;
        m_wake.notify_all();
        std::thread pollThread = std::move(m_thread);
        // The poll takes the mutex itself; it must be free while the thread finishes.
        lock.unlock();
        pollThread.join();
        lock.lock();
    }
    m_running = false;
    m_isIdle = false;
    m_lastMeasuredIdleSeconds.reset();
    // Edges a finished poll has queued but not yet delivered belong to the old generation.
    ++m_generation;
}

bool IdleDetector::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool IdleDetector::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_isIdle;
}

double IdleDetector::thresholdSeconds() const
{
    std::lock_guard lock(m_mutex);
    return m_thresholdSeconds;
}

std::optional<double> IdleDetector::secondsSinceLastInput() const
{
    if (m_tracker.isRunning()) {
        if (const auto seconds = m_tracker.secondsSinceLastInput())
            return seconds;
    }
    return m_systemIdleTime.secondsSinceLastInput();
}

std::optional<double> IdleDetector::lastMeasuredIdleSeconds() const
{
    std::lock_guard lock(m_mutex);
    return m_lastMeasuredIdleSeconds;
}

void IdleDetector::pollLoop(quint64 generation)
{
    ThreadName::setForCurrentThread(threadName);
    std::unique_lock lock(m_mutex);
    while (!m_stopRequested && generation == m_generation) {
        lock.unlock();
        poll();
        lock.lock();
        m_wake.wait_for(lock, std::chrono::duration<double>(pollIntervalSeconds),
                        [this] { return m_stopRequested; });
    }
}

void IdleDetector::poll()
{
    // Measured outside the lock: the system's idle time is a round trip to the display server.
    const std::optional<double> idleSeconds = secondsSinceLastInput();
    Edge edge = Edge::None;
    quint64 generation = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        generation = m_generation;
        m_lastMeasuredIdleSeconds = idleSeconds;
        // An idle time that cannot be told (or is not a number) counts as activity.
        const bool idle = idleSeconds && m_thresholdSeconds <= *idleSeconds;
        if (idle && !m_isIdle) {
            m_isIdle = true;
            edge = Edge::Idle;
        } else if (!idle && m_isIdle) {
            m_isIdle = false;
            edge = Edge::Active;
        }
    }
    deliver(edge, generation);
}

void IdleDetector::deliver(Edge edge, quint64 generation)
{
    if (edge == Edge::None)
        return;
    const auto emitIfCurrent = [this, edge, generation] {
        {
            std::lock_guard lock(m_mutex);
            if (!m_running || generation != m_generation)
                return;
        }
        if (edge == Edge::Idle)
            Q_EMIT idleDetected();
        else
            Q_EMIT activityResumed();
    };
    if (QThread::currentThread() == thread())
        emitIfCurrent();
    else
        QMetaObject::invokeMethod(this, emitIfCurrent, Qt::QueuedConnection);
}
