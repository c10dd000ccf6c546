// Midnight of the API time zone: a running session never spans two days. At the first check on a
// later day the session is completed at the end of its day and a new one for the same project
// takes over in the same running or paused state.
#include "tracking/engine/SessionManager.h"

#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/model/SegmentUtils.h"

#include <cmath>

bool SessionManager::maybePerformMidnightRolloverIfNeeded(Timestamp asOf)
{
    if (!m_isTracking || !m_currentSession || m_currentSession->intervals.isEmpty())
        return false;
    const TrackingInterval &last = m_currentSession->intervals.constLast();
    const Timestamp reference = last.stoppedAt.value_or(last.startedAt);

    const QTimeZone zone = apiTimeZone();
    const QString currentDay = SegmentUtils::dayKey(asOf, zone);
    const QString referenceDay = SegmentUtils::dayKey(reference, zone);
    if (currentDay == referenceDay)
        return false;
    // Day keys order as dates: an earlier day means the clock went back, not that a day ended.
    if (currentDay < referenceDay) {
        keepWorkAcrossBackwardClockJump(asOf);
        return false;
    }
    performMidnightRollover(asOf);
    return true;
}

bool SessionManager::keepWorkAcrossBackwardClockJump(Timestamp now)
{
    if (!m_isTracking || m_isPaused || !m_currentSession)
        return false;
    const TrackingInterval *open = m_currentSession->openInterval();
    if (!open)
        return false;
    const Timestamp lastKnown = std::max(open->startedAt, m_lastTickAt.value_or(open->startedAt));
    if (lastKnown - now < backwardClockJumpToleranceSeconds)
        return false;

    // What was worked up to the last tick before the jump stays billed; counting goes on from
    // the new time in an interval of its own. Left open, the interval would end before it began
    // and count nothing.
    zuvInfo(lcSession).noquote() << QStringLiteral(
                                        "Clock moved back from %1 to %2; keeping the time worked")
                                        .arg(lastKnown.toDateTime().toString(Qt::ISODateWithMs),
                                             now.toDateTime().toString(Qt::ISODateWithMs));
    Session session = *m_currentSession;
    session.intervals.last().stoppedAt = lastKnown;
    session.intervals.append(TrackingInterval{QUuid::createUuid(), now, std::nullopt});
    setCurrentSession(session);
    m_store.saveActiveSession(session);
    return true;
}

bool SessionManager::skipForwardClockJump(Timestamp now, std::optional<double> steadyNow)
{
    if (!m_lastTickAt || !m_steadySecondsAtLastTick || !steadyNow)
        return false;
    const double passed = *steadyNow - *m_steadySecondsAtLastTick;
    const double jumped = (now - *m_lastTickAt) - passed;
    if (!std::isfinite(jumped) || jumped <= forwardClockJumpToleranceSeconds)
        return false;
    if (!m_isTracking || m_isPaused || !m_currentSession || !m_currentSession->openInterval())
        return false;

    const Timestamp lastKnown =
        std::max(m_currentSession->openInterval()->startedAt, *m_lastTickAt);
    zuvInfo(lcSession).noquote()
        << QStringLiteral("Clock moved forward by %1s, from %2 to %3; the skipped time is not "
                          "billed")
               .arg(static_cast<qint64>(jumped))
               .arg(lastKnown.toDateTime().toString(Qt::ISODateWithMs),
                    now.toDateTime().toString(Qt::ISODateWithMs));
    closeCurrentInterval(lastKnown);
    // Landed on a later day, the session ends at the last tick and the new day's one opens now.
    if (maybePerformMidnightRolloverIfNeeded(now))
        return true;
    Session session = *m_currentSession;
    session.intervals.append(TrackingInterval{QUuid::createUuid(), now, std::nullopt});
    setCurrentSession(session);
    m_store.saveActiveSession(session);
    return true;
}

void SessionManager::performMidnightRollover(Timestamp newDate)
{
    if (!m_currentSession || m_currentSession->intervals.isEmpty())
        return;

    Session old = *m_currentSession;
    TrackingInterval &last = old.intervals.last();
    if (last.isOpen()) {
        // The end of the interval's own day: the new day's midnight after one day, and never the
        // whole of several days when the clock jumped further.
        Timestamp cut = dayStart(newDate).addingSeconds(-midnightEpsilonSeconds);
        if (const std::optional<Timestamp> ownDayEnd = endOfDay(last.startedAt))
            cut = std::min(cut, *ownDayEnd);
        last.stoppedAt = cut;
    }
    const Timestamp stop = *last.stoppedAt;
    old = archiveCompletedSession(std::move(old), stop, true);

    m_heartbeatTick = 0;
    m_serverTodayTotal.reset();
    m_localTotalAtServerAnchor = 0.0;
    refreshTodayCompletedSeconds();

    const bool wasPaused = m_isPaused;
    Session next;
    next.id = QUuid::createUuid();
    next.deviceId = old.deviceId;
    next.projectId = old.projectId;
    next.projectName = old.projectName;
    if (!wasPaused)
        next.intervals = {TrackingInterval{QUuid::createUuid(), newDate, std::nullopt}};
    next.status = SessionStatus::Active;
    next.apiTimeZoneId = APITimeZoneResolver::storedTimezoneIdentifier(m_settings);

    setCurrentSession(next);
    setSelectedProjectId(next.projectId);
    zuvInfo(lcSession).noquote()
        << QStringLiteral("Midnight rollover: session %1 completed, new session %2 started at %3, "
                          "wasPaused: %4")
               .arg(UuidText::format(old.id), UuidText::format(next.id),
                    newDate.toDateTime().toString(Qt::ISODateWithMs),
                    wasPaused ? QStringLiteral("1") : QStringLiteral("0"));

    setIsTracking(true);
    setIsPaused(wasPaused);
    setIsIdle(false);
    setNeedsIdleDecision(false);
    m_idleAskPresentedForCurrentIdlePeriod = false;

    m_activityTracker.restartSessionTotals();
    setLast5MinActivityRate(std::nullopt);
    m_last5MinInputBuffer.clear();
    m_pausedDueToSystemSleep = false;
    updateCaptureEligibility();

    writeSessionStart(next);
    if (!wasPaused)
        m_heartbeat.record(next.id, newDate);

    m_idleDetector.stop();
    configureAndStartIdleDetector();
    m_screenCaptureService.stop();
    if (!wasPaused)
        startScreenCaptureTimer();
    startTicker();
}
