// The same session was resumed on another device: it ends here and belongs to the other device
// from now on, so nothing of it is uploaded from this one.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <cmath>

void SessionManager::handleSessionTakenOver()
{
    if (!m_currentSession)
        return;
    completeTakenOverSession();
}

void SessionManager::handleSessionTakenOver(const QUuid &sessionId)
{
    if (!m_currentSession || m_currentSession->id != sessionId) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Takeover of session %1 ignored: it is not the current session")
                   .arg(UuidText::format(sessionId));
        return;
    }
    completeTakenOverSession();
}

void SessionManager::completeTakenOverSession()
{
    const Timestamp now = m_clock.now();
    closeCurrentInterval(now);
    if (!m_currentSession)
        return;
    Session session = *m_currentSession;

    applyIdleDiscardPolicyIfNeeded(session);
    const Timestamp stop =
        session.intervals.isEmpty() ? now : session.intervals.constLast().stoppedAt.value_or(now);
    const double total = session.reportedTotalSeconds
                             ? static_cast<double>(*session.reportedTotalSeconds)
                             : session.totalSeconds(stop);
    const ActivitySnapshot snapshot = m_activityTracker.snapshot(total);
    session.mouseCount = snapshot.mouseMoves;
    session.keyboardCount = snapshot.keyboardEvents;
    session.activityScore = snapshot.activityScore;
    session.status = SessionStatus::Completed;
    session.reportedTotalSeconds = std::max<qint64>(0, static_cast<qint64>(std::trunc(total)));

    m_store.appendSessionHistory(session);
    m_store.clearActiveSession(session.id);
    m_heartbeat.clear(session.id);

    m_activityTracker.stop();
    m_idleDetector.stop();
    m_screenCaptureService.stop();
    stopTicker();
    m_heartbeatTick = 0;

    setCurrentSession(std::nullopt);
    setIsTracking(false);
    setIsPaused(false);
    setIsIdle(false);
    setNeedsIdleDecision(false);
    setElapsedSeconds(0.0);
    setLiveCounters(0, 0, 0.0);
    setLast5MinActivityRate(std::nullopt);

    refreshTodayCompletedSeconds();

    m_last5MinInputBuffer.clear();
    m_pausedDueToSystemSleep = false;
    updateCaptureEligibility();

    setLastStatusMessage(QStringLiteral("Session was resumed on another device."));
    zuvInfo(lcSession).noquote() << QStringLiteral(
                                        "Session %1 closed locally after backend takeover.")
                                        .arg(UuidText::format(session.id));
}
