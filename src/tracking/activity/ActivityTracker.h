#pragma once

#include "foundation/Clock.h"
#include "foundation/Timestamp.h"
#include "platform/InputEventSource.h"
#include "tracking/activity/ActivitySnapshot.h"

#include <QSet>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Counts the user's mouse movement and key-downs while a session runs, without seeing what is
// typed: it listens to the raw input stream on a thread of its own and keeps only counters and the
// time of the last counted event. Clicks, key-ups and scrolling never count, nor does moving the
// pointer while only a button other than the left and right one is held.
//
// Every operation may be called from any thread; the counters sit under one mutex, so each
// read-and-clear loses no event. The counters outlive stop() and start(); only reset() and seed()
// change them from outside.
//
// Where the stream keeps events until they are read (X11), the listening thread wakes for the
// first event after each read of the per-second counts and then rests until the next one: the
// read takes the events that wait itself, so a second's counts hold every event up to the read,
// whatever the rate of input, at two wake-ups a second. snapshot() and stop() take them too;
// latestInputAt() and secondsSinceLastInput() do not, so they may be up to a second behind.
class ActivityTracker
{
public:
    static constexpr const char *threadName = "com.wendoka.zuvevivezid.activity.tap";

    explicit ActivityTracker(std::unique_ptr<InputEventSource> source,
                             const Clock &clock = systemClock());
    ~ActivityTracker();
    ActivityTracker(const ActivityTracker &) = delete;
    ActivityTracker &operator=(const ActivityTracker &) = delete;

    // Opens the input stream and starts the listening thread. True when it runs (also when it
    // already ran), false when the stream cannot be opened.
    bool start();
    // Ends the listening thread and waits for it; no event is counted after it returns. Does
    // nothing when not running.
    void stop();
    bool isRunning() const;

    // Zeroes every counter and forgets the last input time. Does not touch the stream.
    void reset();
    // Continues a stored session: the totals start from its counts (per-second values cleared).
    void seed(qint64 mouseMoves, qint64 keyboardEvents, qint64 activeSeconds = 0);
    // A new session takes over from a running one: its totals start at zero, while the input of
    // the second under way stays for the segment clock, which goes on across the change.
    void restartSessionTotals();

    // Counts one event of the stream; called by the listening thread.
    void handleEvent(const RawInputEvent &event);

    std::optional<Timestamp> latestInputAt() const;
    // While running: seconds since the later of the last counted event and the moment the stream
    // was opened (input before that was not seen). None when not running.
    std::optional<double> secondsSinceLastInput() const;

    bool consumeHadInputThisSecond();
    MouseKeyboardDelta getAndResetMouseKeyboardDeltaThisSecond();
    void recordActiveSecondForSession();
    qint64 activeSecondsCount() const;

    // The counters and the share of active seconds in totalTrackedSeconds (0 when that is not
    // above 0), as a percentage clamped to 0..100.
    ActivitySnapshot snapshot(double totalTrackedSeconds);

private:
    void runStream(InputEventSource *source);
    void countEvent(const RawInputEvent &event);
    // Until a reader took the waiting events, or stop().
    void restUntilRead();
    // Counts what waits in the stream and lets a resting listening thread go back to waiting.
    void takeWaitingEvents();
    void takeWaitingEventsLocked();

    const Clock &m_clock;

    // Start and stop, one at a time; guards the stream, the thread and the running time.
    mutable std::mutex m_lifecycleMutex;
    std::unique_ptr<InputEventSource> m_source;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_running{false};

    std::mutex m_restMutex;
    std::condition_variable m_readerTookEvents;
    bool m_listenerRests = false;

    // The counters.
    mutable std::mutex m_stateMutex;
    qint64 m_mouseMoves = 0;
    qint64 m_keyboardEvents = 0;
    qint64 m_activeSecondsCount = 0;
    bool m_hadInputThisSecond = false;
    qint64 m_mouseMovesThisSecond = 0;
    qint64 m_keyboardEventsThisSecond = 0;
    std::optional<Timestamp> m_lastInputAt;
    std::optional<Timestamp> m_streamOpenedAt; // set while running
    QSet<int> m_heldButtons;
};
