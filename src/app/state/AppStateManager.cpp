#include "app/state/AppStateManager.h"

#include "api/APIError.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "app/state/AlertPresenter.h"
#include "app/state/AppVersion.h"
#include "app/state/DelayScheduler.h"
#include "app/state/RemoteConfigSource.h"
#include "app/state/TrackingEngineControl.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "platform/PermissionService.h"

#include <QCoroSignal>
#include <QFutureWatcher>
#include <QPointer>
#include <QPromise>

#include <thread>

namespace {

// What a person reads under "Failed to check for updates.": what went wrong, in words, never the
// error kind's code name.
QString failureDescription(const std::exception &error)
{
    const auto *apiError = dynamic_cast<const APIError *>(&error);
    if (apiError == nullptr)
        return QString::fromUtf8(error.what());
    switch (apiError->kind()) {
    case APIError::Kind::ServerError:
        return apiError->statusCode() < 0 ? QStringLiteral("The server did not answer over HTTP.")
                                          : QStringLiteral("The server answered with status %1.")
                                                .arg(apiError->statusCode());
    case APIError::Kind::Network:
        return apiError->networkErrorDescription().isEmpty()
                   ? QStringLiteral("The server could not be reached.")
                   : apiError->networkErrorDescription();
    case APIError::Kind::InvalidURL:
        return QStringLiteral("The company address is not valid.");
    case APIError::Kind::Unauthorized:
        return QStringLiteral("The sign-in is no longer accepted.");
    case APIError::Kind::DecodingFailed:
        return QStringLiteral("The server's answer could not be read.");
    }
    return QString::fromUtf8(error.what());
}

} // namespace

AppStateManager::RestoreAuth AppStateManager::defaultRestoreAuth(KeychainService &tokens,
                                                                 bool companyAddressKnown)
{
    return [&tokens, companyAddressKnown] {
        // A keyring that could not answer (locked, its prompt dismissed) is no answer: the
        // restore waits until it can, or until the user gives up on it.
        if (!tokens.waitForKnownTokens())
            return false;
        if (companyAddressKnown)
            return true;
        // Stored by a sign-in that ended before its company and configuration: restoring it
        // would open signed in with nothing to track under.
        zuvInfo(lcAuth) << "Stored sign-in was never completed; signing in again";
        tokens.deleteAuthTokens();
        return false;
    };
}

AppStateManager::ProbePermissions AppStateManager::defaultProbePermissions()
{
    return [] {
        return PermissionService::hasScreenRecordingPermission() &&
               PermissionService::hasInputMonitoringPermission();
    };
}

AppStateManager::AppStateManager(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_restoreAuth(std::move(dependencies.restoreAuth))
    , m_probePermissions(std::move(dependencies.probePermissions))
    , m_slowRestoreAfterNanoseconds(dependencies.slowRestoreAfterNanoseconds)
    , m_remoteConfigService(dependencies.remoteConfigService)
    , m_alerts(dependencies.alerts)
    , m_scheduler(dependencies.scheduler)
    , m_clock(dependencies.clock)
    , m_localDataAlerts(dependencies.alerts)
{
    startAuthRestore();
}

AppStateManager::~AppStateManager() = default;

void AppStateManager::startAuthRestore()
{
    // The restore runs detached: nothing of this object goes with it, and its answer comes back
    // through a watcher that dies with this object.
    auto promise = std::make_shared<QPromise<bool>>();
    promise->start();
    auto *watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const bool authenticated = watcher->future().resultCount() > 0 && watcher->result();
        watcher->deleteLater();
        applyRestoreOutcome(authenticated);
    });
    watcher->setFuture(promise->future());

    std::thread([promise, restore = m_restoreAuth, &clock = m_clock] {
        const Timestamp started = clock.now();
        bool authenticated = false;
        try {
            authenticated = restore && restore();
        } catch (...) {
            authenticated = false;
        }
        const double elapsed = clock.now() - started;
        if (elapsed > slowKeychainReadSeconds) {
            zuvError(lcAuth).noquote()
                << QStringLiteral("Keychain read took %1s — the user was probably asked to "
                                  "authorise access")
                       .arg(elapsed, 0, 'f', 1);
        }
        promise->addResult(authenticated);
        promise->finish();
    }).detach();

    m_slowRestoreWatchdog =
        m_scheduler.schedule(static_cast<double>(m_slowRestoreAfterNanoseconds) / 1e9, [this] {
            if (m_isRestoringSession)
                setAuthRestoreIsSlow(true);
        });
}

void AppStateManager::applyRestoreOutcome(bool authenticated)
{
    // An abandoned restore, or one a sign-in already ended, has nothing more to say.
    if (m_isRestoringSession)
        setIsAuthenticated(authenticated);
}

void AppStateManager::setIsAuthenticated(bool value)
{
    if (m_isAuthenticated != value) {
        m_isAuthenticated = value;
        ++m_signInGeneration;
        Q_EMIT isAuthenticatedChanged();
    }
    if (m_isRestoringSession)
        endAuthRestore();
}

void AppStateManager::endAuthRestore()
{
    m_isRestoringSession = false;
    m_slowRestoreWatchdog.reset();
    setAuthRestoreIsSlow(false);
    Q_EMIT isRestoringSessionChanged();
    Q_EMIT authRestoreFinished();
}

void AppStateManager::setAuthRestoreIsSlow(bool value)
{
    if (m_authRestoreIsSlow == value)
        return;
    m_authRestoreIsSlow = value;
    Q_EMIT authRestoreIsSlowChanged();
}

QCoro::Task<> AppStateManager::awaitAuthRestore()
{
    if (!m_isRestoringSession)
        co_return;
    co_await qCoro(this, &AppStateManager::authRestoreFinished);
}

void AppStateManager::abandonAuthRestore()
{
    if (!m_isRestoringSession)
        return;
    zuvError(lcAuth) << "User abandoned a stalled launch keychain read; showing the login screen";
    setIsAuthenticated(false);
}

void AppStateManager::setHasRequiredPermissions(bool value)
{
    if (m_hasRequiredPermissions == value)
        return;
    m_hasRequiredPermissions = value;
    Q_EMIT hasRequiredPermissionsChanged();
}

void AppStateManager::setRemoteConfig(const std::optional<RemoteConfig> &config)
{
    m_remoteConfig = config;
    m_projects = config ? config->projects : QList<RemoteProject>();
    Q_EMIT remoteConfigChanged();
}

void AppStateManager::setPendingMainTab(const std::optional<MainTab> &tab)
{
    if (m_pendingMainTab == tab)
        return;
    m_pendingMainTab = tab;
    Q_EMIT pendingMainTabChanged();
}

QCoro::Task<bool> AppStateManager::refreshRemoteConfigFromServer()
{
    const QPointer<AppStateManager> self(this);
    const quint64 generation = m_signInGeneration;
    const RemoteConfig config = co_await m_remoteConfigService.fetchRemote();
    if (!self || generation != m_signInGeneration || !m_isAuthenticated)
        co_return false;
    setRemoteConfig(config);
    evaluateClientVersion(config);
    co_return true;
}

void AppStateManager::evaluateClientVersion(const std::optional<RemoteConfig> &config)
{
    const QString latest =
        config && config->latestClientVersion ? config->latestClientVersion->trimmed() : QString();
    if (latest.isEmpty()) {
        setForceUpdateState(false, std::nullopt, std::nullopt);
    } else {
        const bool older = AppVersion::isLower(AppVersion::currentMarketingVersion(), latest);
        std::optional<QUrl> downloadURL;
        if (older && config->clientDownloadURL)
            downloadURL = DomainStorage::parseURL(*config->clientDownloadURL);
        setForceUpdateState(older, latest, downloadURL);
    }
    applyForceUpdateEnforcement();
}

void AppStateManager::setForceUpdateState(bool forced, std::optional<QString> latestVersion,
                                          std::optional<QUrl> downloadURL)
{
    m_forceClientUpdate = forced;
    m_forceUpdateLatestVersion = std::move(latestVersion);
    m_forceUpdateDownloadURL = std::move(downloadURL);
    Q_EMIT forceUpdateChanged();
}

void AppStateManager::applyForceUpdateEnforcement()
{
    const bool shouldSurface = m_forceClientUpdate && !m_didSurfaceForceUpdate;
    const bool surfaced =
        onForceUpdateEvaluated ? onForceUpdateEvaluated(m_forceClientUpdate, shouldSurface) : false;
    // Not surfaced yet: the next evaluation, or the main window's opener, tries again.
    if (m_forceClientUpdate && !surfaced)
        return;
    m_didSurfaceForceUpdate = m_forceClientUpdate;
}

void AppStateManager::applySessionInvalidated()
{
    setIsAuthenticated(false);
    setRemoteConfig(std::nullopt);
    setForceUpdateState(false, std::nullopt, std::nullopt);
    m_didSurfaceForceUpdate = false;
    m_remoteConfigService.stopPeriodicRefresh();
}

void AppStateManager::checkForUpdatesFromMenu(TrackingEngineControl &engine)
{
    runCheckForUpdates(engine);
}

QCoro::Task<> AppStateManager::runCheckForUpdates(TrackingEngineControl &engine)
{
    const QPointer<AppStateManager> self(this);
    if (!m_isAuthenticated) {
        m_alerts.presentInformational(QStringLiteral("Sign in to check for updates."),
                                      std::nullopt);
        co_return;
    }
    std::optional<QString> failure;
    bool applied = false;
    try {
        applied = co_await refreshRemoteConfigFromServer();
    } catch (const std::exception &error) {
        failure = failureDescription(error);
    } catch (...) {
        failure = QString();
    }
    // Signed out meanwhile: the answer is another sign-in's and there is nobody to tell.
    if (!self || (!failure && !applied))
        co_return;
    if (failure) {
        m_alerts.presentInformational(QStringLiteral("Failed to check for updates."), failure);
    } else {
        engine.applyConfig(m_remoteConfig);
        m_alerts.presentInformational(m_forceClientUpdate
                                          ? QStringLiteral("A newer version is available.")
                                          : QStringLiteral("You’re up to date."),
                                      std::nullopt);
    }
}
