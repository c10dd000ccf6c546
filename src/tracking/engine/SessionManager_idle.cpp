// The company's idle policy: pause when idleness begins, then stop, stay paused or ask when the
// user comes back, and cut the idle minutes out of a session that ends in its idle pause.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"

#include <algorithm>
#include <limits>

qint64 SessionManager::idleMinutesThreshold() const
{
    const qint64 minutes = m_config ? m_config->idleMinutesThreshold : defaultIdleMinutesThreshold;
    return std::max<qint64>(1, minutes);
}

void SessionManager::configureAndStartIdleDetector()
{
    m_idleDetector.start(static_cast<int>(
        std::min<qint64>(idleMinutesThreshold(), std::numeric_limits<int>::max())));
}

void SessionManager::handleIdleDetected()
{
    // A session the user (or sleep) paused is left alone.
    if (!m_isTracking || m_isPaused)
        return;

    m_idleAskPresentedForCurrentIdlePeriod = false;
    setIsIdle(true);
    applyIdleDiscardCutoff(idleCutoff(m_clock.now()));
    pauseTracking();
}

Timestamp SessionManager::idleCutoff(Timestamp now) const
{
    // The last input time is only current while the input stream runs.
    if (m_activityTracker.isRunning()) {
        if (const std::optional<Timestamp> lastInput = m_activityTracker.latestInputAt())
            return *lastInput;
    }
    // Without it, the measured idle time still tells when the user stopped; falling back to the
    // interval's start would bill nothing of it once the idle time is discarded.
    std::optional<double> idleSeconds = m_idleDetector.secondsSinceLastInput();
    if (!idleSeconds)
        idleSeconds = m_idleDetector.lastMeasuredIdleSeconds();
    if (idleSeconds && *idleSeconds >= 0.0)
        return now.addingSeconds(-*idleSeconds);
    if (m_currentSession && !m_currentSession->intervals.isEmpty())
        return m_currentSession->intervals.constLast().startedAt;
    return now;
}

void SessionManager::applyIdleDiscardCutoff(Timestamp cutoff)
{
    if (!m_currentSession || m_currentSession->intervals.isEmpty())
        return;
    Session session = *m_currentSession;
    session.idleDiscardCutoffAt = cutoff;
    setCurrentSession(session);
    m_store.saveActiveSession(session);
}

void SessionManager::handleIdleEnded()
{
    if (!m_isTracking)
        return;
    if (m_isPaused && !m_isIdle)
        return;

    const QString action =
        m_config && m_config->idleAction ? *m_config->idleAction : QStringLiteral("ask");

    if (action == u"stop") {
        stopTracking(QStringLiteral("idle"));
        return;
    }
    if (!m_isPaused) {
        setIsIdle(true);
        pauseTracking();
    }
    if (action == u"pause")
        return;
    raiseIdleDecision();
}

void SessionManager::raiseIdleDecision()
{
    if (m_idleAskPresentedForCurrentIdlePeriod || m_needsIdleDecision)
        return;
    m_idleAskPresentedForCurrentIdlePeriod = true;
    setNeedsIdleDecision(true);
    setLastStatusMessage(QStringLiteral("You were idle. Continue tracking or stop the session."));
    if (m_onNeedsIdleDecision)
        m_onNeedsIdleDecision();
}

void SessionManager::applyIdleDiscardPolicyIfNeeded(Session &session) const
{
    const bool discard = !m_config || m_config->discardIdleTime;
    if (discard && session.idleDiscardCutoffAt && !session.intervals.isEmpty() &&
        session.intervals.constLast().stoppedAt) {
        TrackingInterval &last = session.intervals.last();
        const Timestamp cutoff = std::max(last.startedAt, *session.idleDiscardCutoffAt);
        last.stoppedAt = std::min(*last.stoppedAt, cutoff);
    }
    session.idleDiscardCutoffAt.reset();
}
