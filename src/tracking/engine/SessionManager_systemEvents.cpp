// Events that do not come from the user's buttons: a finished capture, the machine sleeping and
// waking (announced or only noticed afterwards), the program quitting, a forced update.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "platform/SleepSource.h"
#include "platform/SuspendClock.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/model/UploadQueue.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

namespace {

// The suspended time of the two kernel clocks differs by reading jitter only; a real suspend
// that went unannounced is at least this long.
constexpr double missedSuspendThresholdSeconds = 2.0;

QCoro::Task<> uploadHeartbeatThenScreenshots(UploadQueue &queue, Session session)
{
    const QUuid sessionId = session.id;
    const bool accepted = co_await queue.uploadHeartbeatNow(std::move(session));
    if (!accepted) {
        zuvInfo(lcSession) << "Heartbeat failed, skipping screenshot upload";
        co_return;
    }
    co_await queue.enqueueScreenshotsForSession(sessionId);
    co_await queue.processQueue();
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void SessionManager::connectSystemEvents()
{
    NotificationHub &hub = NotificationHub::instance();
    // Queued: the reaction runs after the poster has returned, on this thread.
    connect(&hub, &NotificationHub::screenCaptureDidComplete, this,
            &SessionManager::handleCaptureComplete, Qt::QueuedConnection);
    connect(&hub, &NotificationHub::serverTodayTotalDidUpdate, this,
            [this](qint64 totalSeconds, const QString &date) {
                applyServerTodayTotal(ServerTodayTotal{totalSeconds, date});
            });

    // Inside the quit, before the event loop is gone: the interval is saved before the exit.
    if (QCoreApplication *application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this,
                &SessionManager::handleWillTerminate, Qt::DirectConnection);
    }

    if (m_sleepSource) {
        connect(m_sleepSource, &SleepSource::aboutToSleep, this,
                &SessionManager::handleSleepSourceAboutToSleep, Qt::QueuedConnection);
        connect(m_sleepSource, &SleepSource::didWake, this, &SessionManager::handleDidWake,
                Qt::QueuedConnection);
    }
}

void SessionManager::handleCaptureComplete()
{
    zuvInfo(lcSession) << "handleCaptureComplete received";
    setScreenRecordingPermissionLost(false);

    if (!m_currentSession || !m_isTracking || m_isPaused) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("handleCaptureComplete skipped: session=%1, tracking=%2, paused=%3")
                   .arg(flag(m_currentSession.has_value()), flag(m_isTracking), flag(m_isPaused));
        return;
    }

    Session session = *m_currentSession;
    const double total = session.totalSecondsForReporting(m_clock.now());
    applyActivitySnapshot(session, total);
    setCurrentSession(session);
    m_store.saveActiveSession(session);

    zuvInfo(lcSession).noquote()
        << QStringLiteral("Session updated: total=%1s, mouse=%2, keyboard=%3, score=%4")
               .arg(static_cast<qint64>(std::trunc(total)))
               .arg(session.mouseCount)
               .arg(session.keyboardCount)
               .arg(session.activityScore, 0, 'f', 6);
    zuvInfo(lcSession) << "Uploading heartbeat, then screenshots if success";

    QTimer::singleShot(0, this, [this, session] {
        // A stop in between has queued the final heartbeat and the remaining screenshots; a live
        // heartbeat sent after it would tell the service that the session runs again.
        if (!m_currentSession || m_currentSession->id != session.id) {
            zuvInfo(lcSession) << "Session ended before its heartbeat went out; not sending it";
            return;
        }
        uploadHeartbeatThenScreenshots(m_uploadQueue, session);
    });
}

void SessionManager::handleSleepSourceAboutToSleep()
{
    handleWillSleep();
    // Only now, with the session saved, may the machine go to sleep.
    m_sleepSource->releaseSleepInhibitor();
}

void SessionManager::handleWillSleep()
{
    // Without a delay held, the announcement may be handled only after the machine woke up; the
    // suspend clock then tells that the sleep began long before now.
    const Timestamp now = m_clock.now();
    const std::optional<double> slept = suspendedSinceLastTick();
    pauseForSystemSleep(slept ? estimatedSleepStart(now, *slept) : now);
}

void SessionManager::pauseForSystemSleep(Timestamp sleptAt)
{
    if (!m_isTracking || m_isPaused)
        return;
    m_pausedDueToSystemSleep = true;

    m_screenCaptureService.stop();
    m_activityTracker.stop();
    stopTicker();

    closeCurrentInterval(sleptAt);
    setIsPaused(true);
    updateCaptureEligibility();
    if (m_currentSession)
        m_store.saveActiveSession(*m_currentSession);
    zuvInfo(lcSession) << "Tracking paused due to system sleep";
}

void SessionManager::handleDidWake()
{
    if (m_interruptedSession)
        return;
    if (m_pausedDueToSystemSleep && m_isTracking)
        resumeTracking();
    maybePerformMidnightRolloverIfNeeded(m_clock.now());
}

void SessionManager::handleWillTerminate()
{
    // The last chance for a start or a stop the store refused so far.
    writeUnwrittenSessionEdges();
    if (!m_isTracking || !m_currentSession)
        return;
    const Timestamp now = m_clock.now();
    if (!m_isPaused)
        closeCurrentInterval(now);
    // The counts since the last capture, which the next launch continues from.
    Session session = *m_currentSession;
    applyActivitySnapshot(session, session.totalSecondsForReporting(now));
    setCurrentSession(session);
    m_store.saveActiveSession(session);
    zuvInfo(lcSession) << "Tracking interval closed on app termination";
}

void SessionManager::handleForceUpdateRequired()
{
    if (!m_isTracking)
        return;
    zuvError(lcSession) << "Force update required — stopping tracking";
    stopTracking(QStringLiteral("Update required"));
}

void SessionManager::resetSuspendBaseline()
{
    m_suspendedSecondsAtLastTick.reset();
    if (m_suspendClock)
        m_suspendedSecondsAtLastTick = m_suspendClock->suspendedSeconds();
}

std::optional<double> SessionManager::suspendedSinceLastTick() const
{
    if (!m_suspendClock || !m_suspendedSecondsAtLastTick)
        return std::nullopt;
    const double slept = m_suspendClock->suspendedSeconds() - *m_suspendedSecondsAtLastTick;
    if (!std::isfinite(slept) || slept < missedSuspendThresholdSeconds)
        return std::nullopt;
    return slept;
}

Timestamp SessionManager::estimatedSleepStart(Timestamp now, double sleptSeconds) const
{
    // The machine went down after the last tick; when within that second is unknown, so the
    // second is not billed.
    Timestamp sleptAt = m_lastTickAt.value_or(now.addingSeconds(-sleptSeconds));
    if (m_currentSession && !m_currentSession->intervals.isEmpty())
        sleptAt = std::max(sleptAt, m_currentSession->intervals.constLast().startedAt);
    return std::min(sleptAt, now);
}

bool SessionManager::handleMissedSuspendIfAny(Timestamp now)
{
    const std::optional<double> slept = suspendedSinceLastTick();
    resetSuspendBaseline();
    // A paused session has no open interval for the sleep to cut.
    if (!slept || !m_isTracking || m_isPaused)
        return false;
    zuvInfo(lcSession).noquote()
        << QStringLiteral("Missed a system suspend of %1s; handling it as sleep and wake")
               .arg(static_cast<qint64>(*slept));
    pauseForSystemSleep(estimatedSleepStart(now, *slept));
    handleDidWake();
    return true;
}
