// Unfinished sessions: a session left active by a crash, a kill or a quit is offered at launch and
// then resumed up to the last moment the program was known to be tracking it, or completed.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/model/UploadQueue.h"

#include <cmath>

namespace {

TrackingInterval openIntervalAt(Timestamp start)
{
    return TrackingInterval{QUuid::createUuid(), start, std::nullopt};
}

QString describe(Timestamp moment)
{
    return moment.toDateTime().toString(Qt::ISODateWithMs);
}

} // namespace

void SessionManager::recoverInterruptedSessionForCurrentDomain()
{
    setInterruptedSession(std::nullopt);
    setLastStatusMessage(std::nullopt);
    if (!hasChosenCompany())
        return;
    writeUnwrittenSessionEdges();
    for (Session &stored : m_store.loadAllActiveSessions()) {
        if (hasUnwrittenEdge(stored.id))
            continue;
        const QString message =
            QStringLiteral("Recovered interrupted session %1.").arg(UuidText::format(stored.id));
        setInterruptedSession(std::move(stored));
        setLastStatusMessage(message);
        break;
    }
    refreshTodayCompletedSeconds();
}

bool SessionManager::isSessionCrossDay(const Session &session, Timestamp now) const
{
    if (session.intervals.isEmpty())
        return false;
    return dayStart(now) > dayStart(session.intervals.constFirst().startedAt);
}

Timestamp SessionManager::recoveredStopOfOpenInterval(const Session &session, Timestamp now) const
{
    const Timestamp start = session.intervals.constLast().startedAt;
    const std::optional<Timestamp> mark = m_heartbeat.load(session.id);
    if (mark && *mark < start) {
        zuvError(lcSession).noquote()
            << QStringLiteral("Stale heartbeat on recovery: %1 < intervalStart %2; billing 0 for "
                              "that interval")
                   .arg(describe(*mark), describe(start));
    }
    // The mark was written by a clock that read right then; a clock that reads earlier now (a
    // hardware clock not yet corrected after a reboot) takes nothing from the time it saw.
    if (mark && now < *mark) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("The clock reads %1, before the heartbeat mark %2; the mark stands")
                   .arg(describe(now), describe(*mark));
    }
    Timestamp stop = std::max(start, mark.value_or(start));
    // The mark of a session left running overnight may lie on a later day than the interval.
    if (const std::optional<Timestamp> lastOfDay = endOfDay(start))
        stop = std::max(start, std::min(stop, *lastOfDay));
    return stop;
}

void SessionManager::resumeInterruptedSession()
{
    // Resuming over a running session would lose it.
    if (!m_interruptedSession || m_isTracking || refusedWhileStartsHeld("resume"))
        return;
    const double before = currentLocalTotal();
    const Timestamp now = m_clock.now();

    if (isSessionCrossDay(*m_interruptedSession, now)) {
        const RemoteProject project{m_interruptedSession->projectId,
                                    m_interruptedSession->projectName};
        finalizeInterruptedSessionIfCrossDay(now);
        setInterruptedSession(std::nullopt);
        setCrossDayAutoCompletedProject(std::nullopt);
        startTracking(project);
        return;
    }

    zuvInfo(lcSession).noquote() << QStringLiteral("Tracking resumed (interrupted session)");
    Session session = *m_interruptedSession;
    if (!session.intervals.isEmpty() && session.intervals.constLast().isOpen()) {
        session.intervals.last().stoppedAt = recoveredStopOfOpenInterval(session, now);
        m_heartbeat.clear(session.id);
    }
    applyIdleDiscardPolicyIfNeeded(session);

    // The counts and active seconds stored so far carry on; the tracker of this process would
    // otherwise start from zero and overwrite them at the next save.
    const double trackedSoFar = session.totalSeconds(now);
    const auto activeSeconds = static_cast<qint64>(
        std::llround(std::clamp(session.activityScore, 0.0, 100.0) / 100.0 * trackedSoFar));
    m_activityTracker.reset();
    m_activityTracker.seed(session.mouseCount, session.keyboardCount, activeSeconds);

    session.intervals.append(openIntervalAt(now));

    setCurrentSession(session);
    setInterruptedSession(std::nullopt);
    setIsTracking(true);
    setIsPaused(false);
    setIsIdle(false);
    setNeedsIdleDecision(false);
    setCrossDayAutoCompletedProject(std::nullopt);
    m_pausedDueToSystemSleep = false;
    updateCaptureEligibility();

    m_localTotalAtServerAnchor += currentLocalTotal() - before;
    recomputeTodayTotalSeconds();

    writeSessionStart(session);
    m_heartbeat.record(session.id, now);

    if (m_activityTracker.start())
        configureAndStartIdleDetector();
    m_heartbeatTick = 0;
    startTicker();
    startScreenCaptureTimer();
}

void SessionManager::discardInterruptedSession()
{
    if (!m_interruptedSession)
        return;
    const Timestamp now = m_clock.now();
    if (isSessionCrossDay(*m_interruptedSession, now)) {
        finalizeInterruptedSessionIfCrossDay(now);
        setInterruptedSession(std::nullopt);
        setLastStatusMessage(
            QStringLiteral("Previous session was ended because it crossed midnight."));
        return;
    }
    completeStaleActiveSessions();
    setInterruptedSession(std::nullopt);
}

void SessionManager::completeStaleActiveSessions()
{
    if (!hasChosenCompany())
        return;
    const double before = currentLocalTotal();
    const Timestamp now = m_clock.now();

    for (Session session : m_store.loadAllActiveSessions()) {
        // The session being tracked in this process is not stale, nor one stopped here whose
        // end is still waiting to be written.
        if ((m_currentSession && session.id == m_currentSession->id) ||
            hasUnwrittenEdge(session.id))
            continue;
        if (!session.intervals.isEmpty() && session.intervals.constLast().isOpen())
            session.intervals.last().stoppedAt = recoveredStopOfOpenInterval(session, now);
        const Timestamp stop = session.intervals.isEmpty()
                                   ? now
                                   : session.intervals.constLast().stoppedAt.value_or(now);
        const QUuid id = session.id;
        completeStoredSession(std::move(session), stop);
        // A completed session is never offered for resuming again.
        if (m_interruptedSession && m_interruptedSession->id == id)
            setInterruptedSession(std::nullopt);
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Completed stale active session %1").arg(UuidText::format(id));
    }

    refreshTodayCompletedSeconds();
    m_localTotalAtServerAnchor += currentLocalTotal() - before;
    recomputeTodayTotalSeconds();
}

void SessionManager::completeStoredSession(Session session, Timestamp stop)
{
    applyIdleDiscardPolicyIfNeeded(session);
    session.status = SessionStatus::Completed;
    if (!session.reportedTotalSeconds) {
        session.reportedTotalSeconds =
            std::max<qint64>(0, static_cast<qint64>(std::trunc(session.totalSeconds(stop))));
    }
    // Told to the service even without an interval, as its start may have gone out before the
    // program died; the mark stays: the session was not tracked by this process.
    writeSessionEdge(SessionEdge{session, domainKeyOf(session.id), true,
                                 m_uploadQueue.finalHeartbeatTask(session), false});
}

void SessionManager::finalizeInterruptedSessionIfCrossDay(Timestamp now)
{
    if (!m_interruptedSession || !isSessionCrossDay(*m_interruptedSession, now) ||
        m_interruptedSession->intervals.isEmpty())
        return;
    const std::optional<Timestamp> stopAt =
        endOfDay(m_interruptedSession->intervals.constFirst().startedAt);
    if (!stopAt)
        return;

    Session session = *m_interruptedSession;
    // An interval left open is billed up to the last sign of life, as on the resume path, not to
    // the end of its day: the program may have died hours before midnight.
    if (session.intervals.constLast().isOpen())
        session.intervals.last().stoppedAt = recoveredStopOfOpenInterval(session, *stopAt);
    clampSessionIntervalsToStopAt(session, *stopAt);
    const RemoteProject project{session.projectId, session.projectName};
    completeStoredSession(std::move(session), *stopAt);

    setInterruptedSession(std::nullopt);
    setCrossDayAutoCompletedProject(project);
    setSelectedProjectId(project.id);
    setLastStatusMessage(QStringLiteral("Session auto-completed because it crossed midnight."));
}

void SessionManager::clampSessionIntervalsToStopAt(Session &session, Timestamp stopAt)
{
    if (session.intervals.isEmpty())
        return;
    const TrackingInterval first = session.intervals.constFirst();
    QList<TrackingInterval> kept;
    for (TrackingInterval interval : std::as_const(session.intervals)) {
        if (interval.startedAt > stopAt)
            continue;
        interval.stoppedAt = std::min(stopAt, interval.stoppedAt.value_or(stopAt));
        if (!(*interval.stoppedAt < interval.startedAt))
            kept.append(interval);
    }
    if (kept.isEmpty())
        kept.append(TrackingInterval{first.id, first.startedAt, stopAt});
    session.intervals = kept;
}
