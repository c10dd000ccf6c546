#include "app/shell/ApplicationContext.h"

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/config/APITimeZoneResolver.h"
#include "app/state/AppStateManager.h"
#include "app/state/DelayScheduler.h"
#include "app/state/MainThreadWatchdog.h"
#include "app/state/RemoteConfigService.h"
#include "app/state/SessionManagerControl.h"
#include "foundation/AppPaths.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/IdleTimeSource.h"
#include "platform/InputEventSource.h"
#include "platform/PlatformServices.h"
#include "platform/logind/BootTimeSuspendClock.h"
#include "platform/logind/LogindSleepSource.h"
#include "platform/secrets/SecretServiceWatcher.h"
#include "store/DeviceIdProvider.h"
#include "store/SQLiteStore.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/engine/SegmentClockService.h"
#include "tracking/engine/SessionManager.h"
#include "ui/design/ThemeManager.h"
#include "ui/reports/ScreenshotsServices.h"
#include "ui/reports/StoreSummarySource.h"
#include "ui/reports/SummaryServices.h"
#include "ui/settings/LogoutCompletion.h"
#include "ui/settings/SettingsServices.h"
#include "ui/signin/AuthSignInBackend.h"
#include "ui/signin/SignInCompletion.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerServices.h"
#include "upload/NetworkMonitor.h"
#include "upload/RetryManager.h"
#include "upload/UploadHttpClient.h"
#include "upload/UploadService.h"

#include <QDir>

ApplicationContext::ApplicationContext(QObject *parent)
    : QObject(parent)
    , m_dataFolder(AppPaths::dataFolder())
{
    m_settings = std::make_unique<SettingsStore>(
        QDir(m_dataFolder).filePath(QString::fromLatin1(SettingsStore::defaultFileName)));
    m_domainStorage = std::make_unique<DomainStorage>(*m_settings);
    m_endpoints = std::make_unique<APIEndpoints>(*m_domainStorage);
    m_api = std::make_unique<APIClient>(*m_endpoints, KeychainService::shared());
    // A launch whose keyring could not answer (locked, its prompt dismissed) asks again as soon
    // as it may.
    m_keyringWatcher = std::make_unique<SecretServiceWatcher>();
    connect(m_keyringWatcher.get(), &SecretServiceWatcher::keyringMayHaveBecomeAvailable, this,
            [] { KeychainService::shared().retryFailedRead(); });
    m_reportCache = std::make_unique<ScreenshotReportCache>();
    m_auth = std::make_unique<AuthService>(*m_api, KeychainService::shared(), *m_domainStorage,
                                           *m_settings, *m_reportCache, systemClock());
    m_api->setUnauthorizedHandler(m_auth.get());
    m_configService = std::make_unique<RemoteConfigService>(RemoteConfigService::Dependencies{
        *m_api, *m_settings, *m_domainStorage, systemRandomSource(), systemDelayScheduler(),
        m_dataFolder, [auth = m_auth.get()] {
            return auth->signInGeneration();
        }});
}

ApplicationContext::~ApplicationContext()
{
    // The engine first: quitting closes the open interval through the store and the queue.
    m_signInCompletion.reset();
    m_signInBackend.reset();
    m_segmentClock.reset();
    m_engineControl.reset();
    m_sessionManager.reset();
    m_appState.reset();
}

TrackerServices &ApplicationContext::trackerServices()
{
    if (!m_trackerServices) {
        m_taskMenuRefresh = std::make_unique<TaskMenuConfigRefresh>(
            TaskMenuConfigRefresh::Dependencies{*m_appState, *m_sessionManager, *m_configService,
                                                [domains = m_domainStorage.get()] {
                                                    return domains->partitionKey();
                                                }});
        m_trackerServices = std::make_unique<TrackerServices>(TrackerServices::Dependencies{
            *m_appState, *m_sessionManager, *m_settings, systemRandomSource(), *m_taskMenuRefresh});
    }
    return *m_trackerServices;
}

SummaryServices &ApplicationContext::summaryServices()
{
    if (!m_summaryServices) {
        m_summaryServices = std::make_unique<SummaryServices>(
            SummaryServices::Dependencies{*m_appState,
                                          *m_sessionManager,
                                          std::make_unique<StoreSummarySource>(*m_store),
                                          systemClock(),
                                          {}});
    }
    return *m_summaryServices;
}

ScreenshotsServices &ApplicationContext::screenshotsServices()
{
    if (!m_screenshotsServices) {
        // Reports are filed per company and employee: another employee's are never shown.
        auto currentDomain = [domains = m_domainStorage.get()]() -> std::optional<QString> {
            const std::optional<QUrl> base = domains->getBaseURL();
            return base ? std::optional(domains->partitionKey()) : std::nullopt;
        };
        m_screenshotsServices = std::make_unique<ScreenshotsServices>(
            ScreenshotsServices::Dependencies{*m_appState, *m_sessionManager, *m_reportCache,
                                              ScreenshotsServices::fetchingFrom(*m_api),
                                              std::move(currentDomain), systemClock()});
    }
    return *m_screenshotsServices;
}

SettingsServices &ApplicationContext::settingsServices()
{
    if (!m_settingsServices) {
        m_logout = std::make_unique<LogoutCompletion>(LogoutCompletion::applicationSteps(
            *m_sessionManager, *m_auth, *m_configService, *m_appState));
        m_settingsServices = std::make_unique<SettingsServices>(SettingsServices::Dependencies{
            *m_appState, *m_sessionManager, *m_theme, *m_settings, *m_domainStorage,
            systemRandomSource(), *m_logout, SettingsServices::systemPermissionReset()});
    }
    return *m_settingsServices;
}

void ApplicationContext::loadTheme()
{
    m_theme = std::make_unique<ThemeManager>(*m_settings);
}

bool ApplicationContext::hasCompletedSignIn()
{
    const std::optional<QUrl> address = m_domainStorage->getBaseURL();
    return address && !address->host().isEmpty() && m_auth->identifyEmployeeOfStoredSignIn();
}

AppStateManager &ApplicationContext::createAppState()
{
    m_appState = std::make_unique<AppStateManager>(AppStateManager::Dependencies{
        AppStateManager::defaultRestoreAuth(KeychainService::shared(), hasCompletedSignIn()),
        AppStateManager::defaultProbePermissions(),
        AppStateManager::defaultSlowRestoreAfterNanoseconds, *m_configService, m_dialogs,
        systemDelayScheduler(), systemClock()});
    // The preferences were read before anything could tell the person; now something listens.
    if (const std::optional<SettingsStore::Damage> damage = m_settings->damageFound()) {
        Q_EMIT NotificationHub::instance().localFileWasDamaged(
            tr("The tracker's preferences file was damaged and has been replaced. Kept: %n "
               "setting(s).",
               nullptr, damage->keptValues),
            damage->asidePath);
    }
    return *m_appState;
}

SessionManager &ApplicationContext::createSessionManager()
{
    // Every row and capture file is kept for the company and the employee it was tracked for.
    const auto domainKey = [this] {
        return m_domainStorage->partitionKey();
    };
    const QString capturesBase = ScreenCaptureService::capturesBaseDirectory();

    m_store = std::make_unique<SQLiteStore>(
        QDir(m_dataFolder).filePath(QString::fromLatin1(SQLiteStore::databaseFileName)), domainKey,
        systemClock());
    m_deviceIds = std::make_unique<DeviceIdProvider>(*m_settings);
    m_retry = std::make_unique<RetryManager>(systemClock(), systemRandomSource());
    m_network = std::make_unique<NetworkMonitor>();
    m_uploadHttp =
        std::make_unique<UploadHttpClient>(*m_endpoints, KeychainService::shared(), m_auth.get());
    m_uploads = std::make_unique<UploadService>(UploadService::Dependencies{
        *m_store, *m_uploadHttp, *m_retry, *m_settings, *m_deviceIds, systemClock(),
        systemRandomSource(), domainKey, capturesBase, m_network.get()});

    m_activityTracker =
        std::make_unique<ActivityTracker>(PlatformServices::createInputEventSource());
    m_idleTime = PlatformServices::createIdleTimeSource();
    m_idleDetector = std::make_unique<IdleDetector>(*m_activityTracker, *m_idleTime);

    ScreenCaptureService::Dependencies capture;
    capture.capturesBaseDirectory = capturesBase;
    capture.domainKey = domainKey;
    capture.apiTimeZone = [this] {
        return APITimeZoneResolver::resolvedTimeZone(
            APITimeZoneResolver::storedTimezoneIdentifier(*m_settings));
    };
    capture.backend = PlatformServices::createDisplayCaptureBackend(*m_settings);
    m_capture = std::make_unique<ScreenCaptureService>(std::move(capture));
    m_sleepSource = std::make_unique<LogindSleepSource>();
    m_suspendClock = std::make_unique<BootTimeSuspendClock>();

    m_sessionManager = std::make_unique<SessionManager>(SessionManager::Dependencies{
        *m_store, *m_settings, systemClock(), *m_uploads, *m_activityTracker, *m_idleDetector,
        *m_capture, *m_domainStorage, SessionManager::PermissionChecks::system(),
        m_sleepSource.get(), m_suspendClock.get()});
    m_engineControl = std::make_unique<SessionManagerControl>(*m_sessionManager);
    createSignIn();
    return *m_sessionManager;
}

void ApplicationContext::createSignIn()
{
    m_signInBackend = std::make_unique<AuthSignInBackend>(*m_auth);
    SignInCompletion::Steps steps;
    steps.switchCompany = [this](const LoginCompany &company) {
        return m_auth->setDomainAndComplete(company);
    };
    steps.fetchRemote = [this] {
        return m_configService->fetchRemote();
    };
    steps.currentSignIn = [this] {
        return m_auth->signInGeneration();
    };
    steps.abandonSignIn = [this](bool keepTokens) {
        m_auth->abandonIncompleteSignIn(keepTokens);
    };
    steps.cachedConfig = [this](const QString &domainKey) {
        return m_configService->cachedConfig(domainKey);
    };
    steps.setRemoteConfig = [this](const RemoteConfig &config) {
        m_appState->setRemoteConfig(config);
    };
    steps.evaluateClientVersion = [this](const RemoteConfig &config) {
        m_appState->evaluateClientVersion(config);
    };
    steps.markAuthenticated = [this] {
        m_appState->setIsAuthenticated(true);
    };
    steps.applyToEngine = [this](const RemoteConfig &config) {
        m_engineControl->applyConfig(config);
    };
    steps.refreshPermissions = [this] {
        m_appState->setHasRequiredPermissions(m_appState->probePermissions()());
    };
    steps.recoverInterruptedSession = [this] {
        m_sessionManager->recoverInterruptedSessionForCurrentDomain();
    };
    steps.startPeriodicRefresh = [this](SignInCompletion::UpdateHandler onUpdate) {
        m_configService->startPeriodicRefresh(std::move(onUpdate));
    };
    m_signInCompletion =
        std::make_unique<SignInCompletion>(std::move(steps), *m_settings, *m_domainStorage);
    connect(m_appState.get(), &AppStateManager::isAuthenticatedChanged, m_signInCompletion.get(),
            [completion = m_signInCompletion.get(), state = m_appState.get()] {
                if (!state->isAuthenticated())
                    completion->signedOut();
            });
}

SignInBackend *ApplicationContext::signInBackend() const
{
    return m_signInBackend.get();
}

TrackingEngineControl &ApplicationContext::engineControl()
{
    return *m_engineControl;
}

ForceUpdateResponder::WindowHooks ApplicationContext::windowHooks()
{
    return ForceUpdateResponder::WindowHooks{[this] {
                                                 if (m_activate)
                                                     m_activate();
                                             },
                                             [this] {
                                                 return m_raiseMainWindow ? m_raiseMainWindow()
                                                                          : false;
                                             }};
}

void ApplicationContext::setWindowActions(std::function<void()> activate,
                                          std::function<bool()> raiseMainWindow)
{
    m_activate = activate;
    m_raiseMainWindow = std::move(raiseMainWindow);
    m_dialogs.setActivateApplication(std::move(activate));
}

void ApplicationContext::startUploadService()
{
    m_uploads->start();
}

void ApplicationContext::bootstrapApiTimeZone()
{
    // Only the configuration cached for the company signed in now says which day it is.
    APITimeZoneResolver::bootstrapFromCachedConfig(
        *m_settings, m_configService->cachedConfig(m_domainStorage->partitionKey()));
}

void ApplicationContext::startWatchdog()
{
    MainThreadWatchdog::shared().start();
}

void ApplicationContext::startSegmentClock(SessionManager &sessionManager)
{
    SegmentClockService::Dependencies dependencies{
        *m_store, *m_settings, systemClock(), [this](const SegmentUtils::SegmentKey &openSegment) {
            m_uploads->enqueueActivitySegmentsForUpload(openSegment.dayKey, openSegment.number);
            m_uploads->processQueue();
        }};
    m_segmentClock = std::make_unique<SegmentClockService>(sessionManager, std::move(dependencies));
    m_segmentClock->bindToTrackingState();
}

std::optional<RemoteConfig> ApplicationContext::readCachedConfig()
{
    return m_configService->cachedConfig(m_domainStorage->partitionKey());
}

void ApplicationContext::startPeriodicRefresh(ConfigHandler onUpdate)
{
    m_configService->startPeriodicRefresh(std::move(onUpdate));
}
