#pragma once

#include "foundation/ToleranceTimer.h"
#include "tracking/model/SegmentUtils.h"

#include <QObject>
#include <QPointer>
#include <QTimeZone>

#include <chrono>
#include <functional>
#include <optional>

class Clock;
class SQLiteStore;
class SessionManager;
class SettingsStore;

// Cuts the tracked time into the ten-minute segments of the API time zone's day. While a session
// is tracked it asks the session manager once a second what the last second held, adds that to
// the open segment's counters, writes them to the store every 60 ticks and, when the time falls
// into another segment, writes the finished one and has the closed segments queued for upload.
//
// Its tick is also the only driver of the session manager's per-second activity accounting, so
// the session's activity score advances only while this clock runs.
//
// The counters are the open segment's totals: every write replaces the stored row with them. A
// segment whose row already exists when it is opened (a restart within the same ten minutes, a
// clock set back, a daylight-saving fall-back, a changed zone) continues from the stored counters,
// so its row only ever grows. A segment opened for one company is never continued for another:
// the first tick after a change of company starts the segment afresh from that company's row.
// The open segment is written when the application quits, and when tracking ends with the input
// of the second since the last tick, so a session's segments hold every count of the session.
//
// Lives on the main thread. Holds the session manager weakly: once it is gone, nothing happens.
class SegmentClockService : public QObject
{
    Q_OBJECT

public:
    static constexpr int ticksPerPersist = 60;
    static constexpr std::chrono::milliseconds tickTolerance{200};

    // Queues an upload of the closed segments (those before openSegment) and asks the upload
    // queue for a pass. Called from the event loop after the tick that closed a segment, never
    // from inside it.
    using SegmentsClosedHandler = std::function<void(const SegmentUtils::SegmentKey &openSegment)>;

    struct Dependencies
    {
        SQLiteStore &store;
        // The stored API time zone, used until the session manager holds a configuration.
        const SettingsStore &settings;
        const Clock &clock;
        SegmentsClosedHandler segmentsClosed;
        // Tests that call tick() themselves pass a long interval so the timer stays out of the
        // way.
        std::chrono::milliseconds tickInterval{1000};
    };

    struct Counters
    {
        qint64 activeSeconds = 0;
        qint64 nonIdleSeconds = 0;
        qint64 mouseMovements = 0;
        qint64 keyboardMovements = 0;

        friend bool operator==(const Counters &, const Counters &) = default;
    };

    // Starts nothing: bindToTrackingState() does.
    SegmentClockService(SessionManager &sessionManager, Dependencies dependencies,
                        QObject *parent = nullptr);
    ~SegmentClockService() override;

    // Follows the session manager's tracking flag from now on, starting with its current value:
    // tracking starts the clock, the end of tracking flushes the open segment and stops it.
    void bindToTrackingState();

    // (Re)starts the one-second clock after writing the open segment.
    void start();
    // One second of accounting; the timer calls it, tests call it directly.
    void tick();
    // Writes the open segment if anything was counted into it; it stays open with its totals.
    void flushCurrentSegment();

    bool isRunning() const { return m_timer.isActive(); }
    const std::optional<SegmentUtils::SegmentKey> &currentSegment() const { return m_openSegment; }
    const Counters &currentCounters() const { return m_counters; }

private:
    void handleTrackingChanged();
    void stop();
    QTimeZone apiTimeZone(const SessionManager &sessionManager) const;
    SegmentUtils::SegmentKey segmentNow(const SessionManager &sessionManager) const;
    // Finishes the open segment when the time or the company is another one's, and opens the
    // segment of the key.
    void enterSegment(const SegmentUtils::SegmentKey &key);
    // Tracking ended between two ticks: its last input goes into the segment it fell in.
    void countInputSinceLastTick();
    void finishOpenSegment(const SegmentUtils::SegmentKey &next);
    void leaveOtherCompanysSegment();
    void openSegment(const SegmentUtils::SegmentKey &key);
    // Anything counted since the segment was last written (or opened); a segment written
    // already is not written back unchanged, which would only make it wait for upload again.
    bool hasNewCounts() const { return m_counters != m_countersWritten; }
    bool hasCountsSinceOpen() const { return m_counters != m_countersAtOpen; }
    void writeOpenSegment();

    QPointer<SessionManager> m_sessionManager;
    SQLiteStore &m_store;
    const SettingsStore &m_settings;
    const Clock &m_clock;
    const SegmentsClosedHandler m_segmentsClosed;

    ToleranceTimer m_timer;
    QMetaObject::Connection m_trackingConnection;
    std::optional<bool> m_lastTrackingValue;

    std::optional<SegmentUtils::SegmentKey> m_openSegment;
    // The company the open segment's counts belong to; its row is written under this key even
    // when another company has been signed in to since.
    QString m_openSegmentDomain;
    Counters m_counters;
    Counters m_countersAtOpen;
    Counters m_countersWritten;
    int m_ticksSinceLastPersist = 0;
};
