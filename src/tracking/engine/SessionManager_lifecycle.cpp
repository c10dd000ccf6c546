// Start, pause, resume and stop of a session, and the hand-over of their uploads.
#include "tracking/engine/SessionManager.h"

#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/DeviceIdProvider.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/model/UploadQueue.h"

#include <QTimer>

#include <cmath>

namespace {

TrackingInterval openIntervalAt(Timestamp start)
{
    return TrackingInterval{QUuid::createUuid(), start, std::nullopt};
}

} // namespace

void SessionManager::startTracking(const std::optional<RemoteProject> &project)
{
    if (m_isTracking || refusedWhileStartsHeld("start"))
        return;

    // Input monitoring is only asked once the screen check passed.
    if (!(m_permissions.canCaptureScreen() && m_permissions.canMonitorInput())) {
        setLastStatusMessage(QStringLiteral("Required permissions are not granted."));
        return;
    }
    if (!m_permissions.canCaptureScreen()) {
        setLastStatusMessage(
            QStringLiteral("Screen recording permission is required to start tracking."));
        setScreenRecordingPermissionLost(true);
        return;
    }

    writeUnwrittenSessionEdges();
    completeStaleActiveSessions();

    const Timestamp now = m_clock.now();
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = DeviceIdProvider(m_settings).current();
    session.projectId = project ? project->id : QString();
    session.projectName = project ? project->name : QString();
    session.intervals = {openIntervalAt(now)};
    session.status = SessionStatus::Active;
    session.apiTimeZoneId = APITimeZoneResolver::storedTimezoneIdentifier(m_settings);

    setCurrentSession(session);
    setSelectedProjectId(session.projectId);
    setIsTracking(true);
    setIsPaused(false);
    setIsIdle(false);
    setNeedsIdleDecision(false);
    m_pausedDueToSystemSleep = false;
    setCrossDayAutoCompletedProject(std::nullopt);
    setLastStatusMessage(std::nullopt);
    updateCaptureEligibility();

    writeSessionStart(session);
    m_heartbeat.record(session.id, now);

    m_activityTracker.reset();
    // Without the input stream the session still runs, only without idle detection.
    if (m_activityTracker.start())
        configureAndStartIdleDetector();

    m_heartbeatTick = 0;
    startTicker();
    startScreenCaptureTimer();

    zuvInfo(lcSession).noquote() << QStringLiteral("Tracking started, session %1, project %2")
                                        .arg(UuidText::format(session.id), session.projectId);
}

void SessionManager::pauseTracking()
{
    if (!m_isTracking || m_isPaused)
        return;

    m_screenCaptureService.stop();
    m_activityTracker.stop();

    const Timestamp now = m_clock.now();
    closeCurrentInterval(now);
    setIsPaused(true);
    updateCaptureEligibility();

    if (m_currentSession) {
        m_store.saveActiveSession(*m_currentSession);
        m_heartbeat.record(m_currentSession->id, now);
    }
    zuvInfo(lcSession).noquote() << QStringLiteral("Tracking paused");
}

void SessionManager::resumeTracking()
{
    if (!m_isTracking || !m_isPaused)
        return;

    maybePerformMidnightRolloverIfNeeded(m_clock.now());
    if (!m_currentSession)
        return;

    const Timestamp now = m_clock.now();
    Session session = *m_currentSession;
    // A session begun while paused (a day that began during a pause or a sleep) is made known
    // to the service only now, with its first interval.
    const bool startsNow = session.intervals.isEmpty();
    session.idleDiscardCutoffAt.reset();
    session.intervals.append(openIntervalAt(now));
    setCurrentSession(session);
    m_heartbeat.record(session.id, now);

    setIsPaused(false);
    setIsIdle(false);
    setNeedsIdleDecision(false);
    m_pausedDueToSystemSleep = false;

    m_screenCaptureService.stop();
    startScreenCaptureTimer();

    if (m_activityTracker.start())
        configureAndStartIdleDetector();
    else
        m_idleDetector.stop();

    startTicker();
    updateCaptureEligibility();
    if (startsNow)
        writeSessionStart(session);
    else
        m_store.saveActiveSession(session);
    zuvInfo(lcSession).noquote() << QStringLiteral("Tracking resumed");
}

void SessionManager::holdStarts(bool held)
{
    m_startsHeld = held;
}

bool SessionManager::refusedWhileStartsHeld(const char *what) const
{
    if (!m_startsHeld)
        return false;
    zuvInfo(lcSession).noquote()
        << QStringLiteral("Tracking %1 refused: a sign-out is under way").arg(QLatin1String(what));
    return true;
}

void SessionManager::stopTracking(const std::optional<QString> &reason)
{
    if (!m_currentSession)
        return;
    // The input of the second since the last tick belongs to this session, not to the next.
    m_activityTracker.stop();
    const Timestamp now = m_clock.now();
    keepClockJumpSinceLastTickOutOfStop(now);
    const std::optional<Session> session = finishCurrentSession(now, true);
    if (!session)
        return;
    resetAfterSessionEnded();

    if (reason)
        setLastStatusMessage(QStringLiteral("Tracking stopped: %1").arg(*reason));

    zuvInfo(lcSession).noquote() << QStringLiteral("Tracking stopped, session %1%2")
                                        .arg(UuidText::format(session->id),
                                             reason ? QStringLiteral(", reason: %1").arg(*reason)
                                                    : QString());
}

void SessionManager::keepClockJumpSinceLastTickOutOfStop(Timestamp now)
{
    // The ticker looks for a set clock once a second; a stop within that second must not bill
    // the step.
    keepWorkAcrossBackwardClockJump(now);
    skipForwardClockJump(now, m_clock.steadySeconds());
}

std::optional<Session> SessionManager::finishCurrentSession(Timestamp now, bool tellsService)
{
    closeCurrentInterval(now);
    if (!m_currentSession)
        return std::nullopt;
    Session session = *m_currentSession;

    const Timestamp endedAt =
        session.intervals.isEmpty() ? now : session.intervals.constLast().stoppedAt.value_or(now);
    return archiveCompletedSession(std::move(session), endedAt, tellsService);
}

Session SessionManager::archiveCompletedSession(Session session, Timestamp endedAt,
                                                bool tellsService)
{
    applyIdleDiscardPolicyIfNeeded(session);

    const double total = session.reportedTotalSeconds
                             ? static_cast<double>(*session.reportedTotalSeconds)
                             : session.totalSeconds(endedAt);
    applyActivitySnapshot(session, total);
    session.status = SessionStatus::Completed;
    session.reportedTotalSeconds = std::max<qint64>(0, static_cast<qint64>(std::trunc(total)));

    writeSessionEnd(session, tellsService, true);
    return session;
}

void SessionManager::applyActivitySnapshot(Session &session, double totalSeconds) const
{
    const ActivitySnapshot snapshot = m_activityTracker.snapshot(totalSeconds);
    session.mouseCount = snapshot.mouseMoves;
    session.keyboardCount = snapshot.keyboardEvents;
    session.activityScore = snapshot.activityScore;
}

void SessionManager::resetAfterSessionEnded()
{
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
}

void SessionManager::closeCurrentInterval(Timestamp at)
{
    if (!m_currentSession || m_currentSession->intervals.isEmpty() ||
        !m_currentSession->intervals.constLast().isOpen())
        return;
    Session session = *m_currentSession;
    session.intervals.last().stoppedAt = at;
    setCurrentSession(session);
    m_store.saveActiveSession(session, domainKeyOf(session.id));
}
