// The one-second ticker, the live figures, the last-five-minutes rate and the capture schedule.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <algorithm>
#include <limits>

void SessionManager::startTicker()
{
    m_liveMetricsTick = 0;
    m_lastTickAt.reset();
    m_steadySecondsAtLastTick.reset();
    resetSuspendBaseline();
    m_ticker.start();
}

void SessionManager::stopTicker()
{
    m_ticker.stop();
}

void SessionManager::updateLiveMetrics()
{
    const Timestamp now = m_clock.now();
    const std::optional<double> steadyNow = m_clock.steadySeconds();
    // The steady clock goes on through a suspend, so a suspend never reads as a clock set
    // forward; the suspend clock sees it first and handles it as sleep and wake.
    if (handleMissedSuspendIfAny(now))
        return;
    keepWorkAcrossBackwardClockJump(now);
    if (!skipForwardClockJump(now, steadyNow))
        maybePerformMidnightRolloverIfNeeded(now);
    m_lastTickAt = now;
    m_steadySecondsAtLastTick = steadyNow;
    if (!m_currentSession)
        return;

    setElapsedSeconds(m_currentSession->totalSecondsForReporting(m_clock.now()));
    recomputeTodayTotalSeconds();

    if (m_isPaused)
        return;

    if (++m_liveMetricsTick < ticksPerActivitySnapshot)
        return;
    m_liveMetricsTick = 0;

    const ActivitySnapshot snapshot = m_activityTracker.snapshot(std::max(m_elapsedSeconds, 1.0));
    setLiveCounters(snapshot.mouseMoves, snapshot.keyboardEvents, snapshot.activityScore);

    if (++m_heartbeatTick < snapshotsPerHeartbeatMark)
        return;
    m_heartbeatTick = 0;
    m_heartbeat.record(m_currentSession->id, m_clock.now());
}

void SessionManager::recordLast5MinInput(bool hadInput)
{
    if (!m_isTracking || m_isPaused)
        return;

    m_last5MinInputBuffer.push_back(hadInput);
    while (m_last5MinInputBuffer.size() > static_cast<std::size_t>(last5MinWindowSize))
        m_last5MinInputBuffer.pop_front();

    const auto seconds = static_cast<double>(m_last5MinInputBuffer.size());
    const auto active = static_cast<double>(
        std::count(m_last5MinInputBuffer.cbegin(), m_last5MinInputBuffer.cend(), true));
    setLast5MinActivityRate(std::clamp(active / seconds * 100.0, 0.0, 100.0));
}

SessionManager::SegmentTickInput SessionManager::segmentTickInput()
{
    SegmentTickInput input;
    input.hadInput = m_activityTracker.consumeHadInputThisSecond();
    input.isTracked = isCaptureEligible();
    // The only place an active second is counted: the score advances with the segment clock.
    if (input.hadInput && input.isTracked)
        m_activityTracker.recordActiveSecondForSession();
    const MouseKeyboardDelta delta = m_activityTracker.getAndResetMouseKeyboardDeltaThisSecond();
    input.mouseDelta = delta.mouse;
    input.keyboardDelta = delta.keyboard;
    return input;
}

qint64 SessionManager::screenshotIntervalMinutes() const
{
    const qint64 minutes =
        m_config ? m_config->screenshotIntervalMinutes : defaultScreenshotIntervalMinutes;
    return std::max<qint64>(1, minutes);
}

void SessionManager::startScreenCaptureTimer()
{
    if (!m_currentSession)
        return;

    // Both callbacks run on the capture thread. stop() in the destructor waits for a running
    // cycle, so neither can run once the manager is gone; a queued call to a deleted manager is
    // dropped by Qt.
    auto shouldCapture = [this] {
        return isCaptureEligible();
    };
    auto permissionLost = [this] {
        QMetaObject::invokeMethod(this, &SessionManager::handleScreenRecordingPermissionLost,
                                  Qt::QueuedConnection);
    };
    const auto minutes = static_cast<int>(
        std::min<qint64>(screenshotIntervalMinutes(), std::numeric_limits<int>::max()));
    m_screenCaptureService.start(m_currentSession->id, minutes, std::move(shouldCapture),
                                 std::move(permissionLost));
    updateCaptureEligibility();
}

void SessionManager::updateCaptureEligibility()
{
    m_captureEligibleState.store(m_isTracking && !m_isPaused && !m_isIdle);
}

bool SessionManager::isCaptureEligible() const
{
    return m_captureEligibleState.load();
}

void SessionManager::handleScreenRecordingPermissionLost()
{
    setScreenRecordingPermissionLost(true);
    setLastStatusMessage(QStringLiteral("Screen recording permission was revoked."));
    stopTracking(QStringLiteral("screenRecordingRevoked"));
}
