#include "tracking/engine/SessionManager.h"

#include "api/DomainStorage.h"
#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"
#include "platform/PermissionService.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QSet>

SessionManager::PermissionChecks SessionManager::PermissionChecks::system()
{
    return PermissionChecks{&PermissionService::hasScreenRecordingPermission,
                            &PermissionService::hasInputMonitoringPermission};
}

SessionManager::SessionManager(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_store(dependencies.store)
    , m_settings(dependencies.settings)
    , m_clock(dependencies.clock)
    , m_uploadQueue(dependencies.uploadQueue)
    , m_activityTracker(dependencies.activityTracker)
    , m_idleDetector(dependencies.idleDetector)
    , m_screenCaptureService(dependencies.screenCaptureService)
    , m_domainStorage(dependencies.domainStorage)
    , m_permissions(std::move(dependencies.permissions))
    , m_sleepSource(dependencies.sleepSource)
    , m_suspendClock(dependencies.suspendClock)
    , m_heartbeat(dependencies.settings)
{
    // Its firings count nothing (elapsed time comes from the clock), so it may come late and,
    // whenever it is (re)started, takes the running segment clock's phase: the thread wakes once a
    // second for both.
    m_ticker.setInterval(std::chrono::milliseconds{tickerIntervalMs});
    m_ticker.setTolerance(std::chrono::milliseconds{tickerToleranceMs});
    m_ticker.setFollowsPhase(true);
    connect(&m_ticker, &ToleranceTimer::timeout, this, &SessionManager::updateLiveMetrics);
    m_unwrittenEdgeRetry.setInterval(unwrittenEdgeRetryIntervalMs);
    connect(&m_unwrittenEdgeRetry, &QTimer::timeout, this,
            &SessionManager::writeUnwrittenSessionEdges);

    connect(&m_idleDetector, &IdleDetector::idleDetected, this,
            &SessionManager::handleIdleDetected);
    connect(&m_idleDetector, &IdleDetector::activityResumed, this,
            &SessionManager::handleIdleEnded);

    m_screenRecordingPermissionLost =
        m_settings.boolean(QString::fromLatin1(screenRecordingPermissionLostKey)).value_or(false);

    loadInterruptedSessionAtLaunch();
    connectSystemEvents();
    refreshTodayCompletedSeconds();
}

SessionManager::~SessionManager()
{
    // Nothing is saved here: a quit keeps the session stored as active for the next launch.
    stopTicker();
    m_screenCaptureService.stop();
    m_idleDetector.stop();
    m_activityTracker.stop();
}

void SessionManager::loadInterruptedSessionAtLaunch()
{
    if (!hasChosenCompany())
        return;
    std::optional<Session> stored = m_store.loadActiveSession();
    if (!stored)
        return;
    const QString message =
        QStringLiteral("Recovered interrupted session %1.").arg(UuidText::format(stored->id));
    setInterruptedSession(std::move(stored));
    setLastStatusMessage(message);
}

bool SessionManager::hasChosenCompany() const
{
    const std::optional<QUrl> baseURL = m_domainStorage.getBaseURL();
    return baseURL && !baseURL->host().isEmpty();
}

void SessionManager::applyConfig(const std::optional<RemoteConfig> &config)
{
    // Checked here, not when fetched: the cached file keeps the configuration as it was sent.
    m_config = config ? std::optional(RemoteConfigLimits::checkedAndLogged(*config)) : std::nullopt;
    m_settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                         APITimeZoneResolver::timezoneIdentifierForAPI(config));

    if (m_config && !m_selectedProjectId.isEmpty() && !m_config->projects.isEmpty()) {
        const bool stillOffered = std::any_of(
            m_config->projects.cbegin(), m_config->projects.cend(),
            [this](const RemoteProject &project) { return project.id == m_selectedProjectId; });
        if (!stillOffered)
            setSelectedProjectId(m_config->projects.constFirst().id);
    }

    refreshTodayCompletedSeconds();
    if (m_config && m_config->todayTotalSeconds && m_config->todayDate)
        applyServerTodayTotal(ServerTodayTotal{*m_config->todayTotalSeconds, *m_config->todayDate});
}

void SessionManager::setOnNeedsIdleDecision(std::function<void()> callback)
{
    m_onNeedsIdleDecision = std::move(callback);
}

void SessionManager::clearCrossDayAutoCompletedProject()
{
    setCrossDayAutoCompletedProject(std::nullopt);
}

void SessionManager::setSelectedProjectId(const QString &projectId)
{
    if (m_selectedProjectId == projectId)
        return;
    m_selectedProjectId = projectId;
    Q_EMIT selectedProjectIdChanged();
}

void SessionManager::setScreenRecordingPermissionLost(bool lost)
{
    // Every capture clears the flag; only a change is worth rewriting the defaults file.
    if (m_screenRecordingPermissionLost == lost)
        return;
    m_settings.setBoolean(QString::fromLatin1(screenRecordingPermissionLostKey), lost);
    m_screenRecordingPermissionLost = lost;
    Q_EMIT screenRecordingPermissionLostChanged();
}

void SessionManager::setCurrentSession(std::optional<Session> session)
{
    if (m_currentSession == session)
        return;
    // A session belongs to the company and employee signed in when it began; both may be gone by
    // the time the session ends (a sign-out, or a refused refresh that clears them before
    // tracking stops).
    if (session && (!m_currentSession || m_currentSession->id != session->id))
        m_sessionDomain = {session->id, m_domainStorage.partitionKey()};
    m_currentSession = std::move(session);
    Q_EMIT currentSessionChanged();
}

QString SessionManager::domainKeyOf(const QUuid &sessionId) const
{
    // Sessions read back from the store at launch belong to the company and employee signed in
    // now: they were read from that partition.
    return m_sessionDomain.first == sessionId ? m_sessionDomain.second
                                              : m_domainStorage.partitionKey();
}

void SessionManager::setInterruptedSession(std::optional<Session> session)
{
    if (m_interruptedSession == session)
        return;
    m_interruptedSession = std::move(session);
    Q_EMIT interruptedSessionChanged();
}

void SessionManager::setCrossDayAutoCompletedProject(std::optional<RemoteProject> project)
{
    if (m_crossDayAutoCompletedProject == project)
        return;
    m_crossDayAutoCompletedProject = std::move(project);
    Q_EMIT crossDayAutoCompletedProjectChanged();
}

void SessionManager::setIsTracking(bool value)
{
    if (m_isTracking == value)
        return;
    m_isTracking = value;
    Q_EMIT isTrackingChanged();
}

void SessionManager::setIsPaused(bool value)
{
    if (m_isPaused == value)
        return;
    m_isPaused = value;
    Q_EMIT isPausedChanged();
}

void SessionManager::setIsIdle(bool value)
{
    if (m_isIdle == value)
        return;
    m_isIdle = value;
    Q_EMIT isIdleChanged();
}

void SessionManager::setNeedsIdleDecision(bool value)
{
    if (m_needsIdleDecision == value)
        return;
    m_needsIdleDecision = value;
    Q_EMIT needsIdleDecisionChanged();
}

void SessionManager::setElapsedSeconds(double value)
{
    if (m_elapsedSeconds == value)
        return;
    m_elapsedSeconds = value;
    Q_EMIT elapsedSecondsChanged();
}

void SessionManager::setLiveCounters(qint64 mouseMoves, qint64 keyboardEvents, double activityScore)
{
    if (m_mouseMoves != mouseMoves) {
        m_mouseMoves = mouseMoves;
        Q_EMIT mouseMovesChanged();
    }
    if (m_keyboardEvents != keyboardEvents) {
        m_keyboardEvents = keyboardEvents;
        Q_EMIT keyboardEventsChanged();
    }
    if (m_activityScore != activityScore) {
        m_activityScore = activityScore;
        Q_EMIT activityScoreChanged();
    }
}

void SessionManager::setLast5MinActivityRate(std::optional<double> rate)
{
    if (m_last5MinActivityRate == rate)
        return;
    m_last5MinActivityRate = rate;
    Q_EMIT last5MinActivityRateChanged();
}

void SessionManager::setLastStatusMessage(std::optional<QString> message)
{
    if (m_lastStatusMessage == message)
        return;
    m_lastStatusMessage = std::move(message);
    Q_EMIT lastStatusMessageChanged();
}

QVariant SessionManager::last5MinActivityRateValue() const
{
    return m_last5MinActivityRate ? QVariant(*m_last5MinActivityRate) : QVariant();
}

QVariant SessionManager::lastStatusMessageValue() const
{
    return m_lastStatusMessage ? QVariant(*m_lastStatusMessage) : QVariant();
}
