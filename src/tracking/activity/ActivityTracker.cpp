#include "tracking/activity/ActivityTracker.h"

#include "foundation/Log.h"
#include "platform/ThreadName.h"

#include <algorithm>
#include <chrono>

namespace {

// Dragging with the left or right button held counts as moving; with only another button held
// (the middle one, side buttons) it does not.
bool motionCounts(const QSet<int> &heldButtons)
{
    return heldButtons.isEmpty() || heldButtons.contains(1) || heldButtons.contains(3);
}

} // namespace

ActivityTracker::ActivityTracker(std::unique_ptr<InputEventSource> source, const Clock &clock)
    : m_clock(clock)
    , m_source(std::move(source))
{}

ActivityTracker::~ActivityTracker()
{
    stop();
}

bool ActivityTracker::start()
{
    std::lock_guard lifecycle(m_lifecycleMutex);
    if (m_running)
        return true;
    // A stream that broke by itself left its thread to be collected.
    if (m_thread.joinable()) {
        m_thread.join();
        m_source->close();
    }
    if (!m_source || !m_source->open()) {
        zuvError(lcActivity) << "Failed creating CGEvent tap";
        return false;
    }
    {
        std::lock_guard state(m_stateMutex);
        m_streamOpenedAt = m_clock.now();
        // Button releases while nobody listened were never seen.
        m_heldButtons.clear();
    }
    m_stopRequested = false;
    m_running = true;
    m_thread = std::thread([this, source = m_source.get()] { runStream(source); });
    return true;
}

void ActivityTracker::stop()
{
    std::lock_guard lifecycle(m_lifecycleMutex);
    if (!m_thread.joinable())
        return;
    // What waits in the stream is input from before the stop.
    takeWaitingEventsLocked();
    m_stopRequested = true;
    m_source->wake();
    {
        std::lock_guard rest(m_restMutex);
        m_listenerRests = false;
    }
    m_readerTookEvents.notify_all();
    m_thread.join();
    m_source->close();
    m_running = false;
    std::lock_guard state(m_stateMutex);
    m_streamOpenedAt.reset();
}

bool ActivityTracker::isRunning() const
{
    return m_running;
}

void ActivityTracker::runStream(InputEventSource *source)
{
    ThreadName::setForCurrentThread(threadName);
    const auto sink = [this](const RawInputEvent &event) {
        countEvent(event);
    };
    while (!m_stopRequested) {
        if (!source->waitAndDispatch(sink)) {
            zuvError(lcActivity) << "The input event stream ended; activity is no longer counted";
            std::lock_guard state(m_stateMutex);
            m_streamOpenedAt.reset();
            m_running = false;
            return;
        }
        if (source->keepsUnreadEvents())
            restUntilRead();
    }
}

void ActivityTracker::countEvent(const RawInputEvent &event)
{
    if (!m_stopRequested)
        handleEvent(event);
}

void ActivityTracker::restUntilRead()
{
    // Without a reader (nobody asks for the counts) the stream is looked at now and then, so
    // the time of the last input does not stand still.
    constexpr auto longestRest = std::chrono::seconds(2);
    std::unique_lock rest(m_restMutex);
    m_listenerRests = true;
    m_readerTookEvents.wait_for(rest, longestRest,
                                [this] { return !m_listenerRests || m_stopRequested; });
    m_listenerRests = false;
}

void ActivityTracker::takeWaitingEvents()
{
    std::lock_guard lifecycle(m_lifecycleMutex);
    takeWaitingEventsLocked();
}

void ActivityTracker::takeWaitingEventsLocked()
{
    if (!m_running || !m_source || !m_source->keepsUnreadEvents())
        return;
    // A stream that broke here is noticed by the listening thread once it goes back to it.
    m_source->dispatchWaiting([this](const RawInputEvent &event) { countEvent(event); });
    {
        std::lock_guard rest(m_restMutex);
        if (!m_listenerRests)
            return;
        m_listenerRests = false;
    }
    m_readerTookEvents.notify_one();
}

void ActivityTracker::reset()
{
    std::lock_guard state(m_stateMutex);
    m_mouseMoves = 0;
    m_keyboardEvents = 0;
    m_activeSecondsCount = 0;
    m_mouseMovesThisSecond = 0;
    m_keyboardEventsThisSecond = 0;
    m_hadInputThisSecond = false;
    m_lastInputAt.reset();
}

void ActivityTracker::seed(qint64 mouseMoves, qint64 keyboardEvents, qint64 activeSeconds)
{
    std::lock_guard state(m_stateMutex);
    m_mouseMoves = std::max<qint64>(0, mouseMoves);
    m_keyboardEvents = std::max<qint64>(0, keyboardEvents);
    m_activeSecondsCount = std::max<qint64>(0, activeSeconds);
    m_mouseMovesThisSecond = 0;
    m_keyboardEventsThisSecond = 0;
    m_hadInputThisSecond = false;
}

void ActivityTracker::restartSessionTotals()
{
    std::lock_guard state(m_stateMutex);
    m_mouseMoves = 0;
    m_keyboardEvents = 0;
    m_activeSecondsCount = 0;
}

void ActivityTracker::handleEvent(const RawInputEvent &event)
{
    const Timestamp now = m_clock.now();
    std::lock_guard state(m_stateMutex);
    switch (event.type) {
    case RawInputEvent::Type::ButtonDown:
        m_heldButtons.insert(event.button);
        return;
    case RawInputEvent::Type::ButtonUp:
        m_heldButtons.remove(event.button);
        return;
    case RawInputEvent::Type::PointerMotion:
        if (!motionCounts(m_heldButtons))
            return;
        ++m_mouseMoves;
        ++m_mouseMovesThisSecond;
        break;
    case RawInputEvent::Type::KeyDown:
        ++m_keyboardEvents;
        ++m_keyboardEventsThisSecond;
        break;
    case RawInputEvent::Type::ScrollMotion:
    case RawInputEvent::Type::KeyUp:
        return;
    }
    m_hadInputThisSecond = true;
    m_lastInputAt = now;
}

std::optional<Timestamp> ActivityTracker::latestInputAt() const
{
    std::lock_guard state(m_stateMutex);
    return m_lastInputAt;
}

std::optional<double> ActivityTracker::secondsSinceLastInput() const
{
    const Timestamp now = m_clock.now();
    std::lock_guard state(m_stateMutex);
    if (!m_streamOpenedAt)
        return std::nullopt;
    const Timestamp since =
        m_lastInputAt ? std::max(*m_lastInputAt, *m_streamOpenedAt) : *m_streamOpenedAt;
    return std::max(0.0, now - since);
}

bool ActivityTracker::consumeHadInputThisSecond()
{
    takeWaitingEvents();
    std::lock_guard state(m_stateMutex);
    return std::exchange(m_hadInputThisSecond, false);
}

MouseKeyboardDelta ActivityTracker::getAndResetMouseKeyboardDeltaThisSecond()
{
    takeWaitingEvents();
    std::lock_guard state(m_stateMutex);
    return MouseKeyboardDelta{std::exchange(m_mouseMovesThisSecond, 0),
                              std::exchange(m_keyboardEventsThisSecond, 0)};
}

void ActivityTracker::recordActiveSecondForSession()
{
    std::lock_guard state(m_stateMutex);
    ++m_activeSecondsCount;
}

qint64 ActivityTracker::activeSecondsCount() const
{
    std::lock_guard state(m_stateMutex);
    return m_activeSecondsCount;
}

ActivitySnapshot ActivityTracker::snapshot(double totalTrackedSeconds)
{
    takeWaitingEvents();
    std::lock_guard state(m_stateMutex);
    double score = 0.0;
    if (totalTrackedSeconds > 0.0) {
        score = static_cast<double>(m_activeSecondsCount) / totalTrackedSeconds * 100.0;
        score = std::clamp(score, 0.0, 100.0);
    }
    return ActivitySnapshot{m_mouseMoves, m_keyboardEvents, score};
}
