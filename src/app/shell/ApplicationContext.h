#pragma once

#include "app/shell/ShellDialogs.h"
#include "app/shell/StartupEnvironment.h"

#include <QObject>

#include <functional>
#include <memory>

class APIClient;
class APIEndpoints;
class ActivityTracker;
class AuthService;
class DeviceIdProvider;
class DomainStorage;
class IdleDetector;
class IdleTimeSource;
class LogoutCompletion;
class NetworkMonitor;
class RemoteConfigService;
class RetryManager;
class SQLiteStore;
class ScreenCaptureService;
class ScreenshotReportCache;
class SegmentClockService;
class SessionManagerControl;
class SleepSource;
class SuspendClock;
class SettingsStore;
class TaskMenuConfigRefresh;
class SignInBackend;
class SignInCompletion;
class ThemeManager;
class ScreenshotsServices;
class SecretServiceWatcher;
class SettingsServices;
class SummaryServices;
class TrackerServices;
class UploadHttpClient;
class UploadService;

// The composition root: the one place that creates every long-lived object of the process, over
// the real data folder, keyring, display and network. The start-up sequence asks for them in its
// order; everything lives until the context is destroyed at the end of main().
class ApplicationContext final : public QObject, public StartupEnvironment
{
    Q_OBJECT

public:
    // Everything under the data folder (AppPaths, or ZUV_DATA_DIR).
    explicit ApplicationContext(QObject *parent = nullptr);
    ~ApplicationContext() override;

    void loadTheme() override;
    AppStateManager &createAppState() override;
    SessionManager &createSessionManager() override;
    TrackingEngineControl &engineControl() override;
    ShellDialogs &dialogs() override { return m_dialogs; }
    ForceUpdateResponder::WindowHooks windowHooks() override;
    void startUploadService() override;
    void bootstrapApiTimeZone() override;
    void startWatchdog() override;
    void startSegmentClock(SessionManager &sessionManager) override;
    std::optional<RemoteConfig> readCachedConfig() override;
    void startPeriodicRefresh(ConfigHandler onUpdate) override;

    // The shell's windows, once they exist: bringing the application forward, and raising the
    // main window (false when there is none to raise).
    void setWindowActions(std::function<void()> activate, std::function<bool()> raiseMainWindow);

    SettingsStore &settings() { return *m_settings; }
    AppStateManager *appState() const { return m_appState.get(); }
    SessionManager *sessionManager() const { return m_sessionManager.get(); }
    UploadService *uploadService() const { return m_uploads.get(); }
    ThemeManager *themeManager() const { return m_theme.get(); }
    // The tracker tab's services, made on first use (after the state and the engine exist).
    TrackerServices &trackerServices();
    // The other tabs' services, each made on first use.
    SummaryServices &summaryServices();
    ScreenshotsServices &screenshotsServices();
    SettingsServices &settingsServices();
    // The sign-in screens' service and the completion of a sign-in; they exist once the tracking
    // engine does.
    SignInBackend *signInBackend() const;
    SignInCompletion *signInCompletion() const { return m_signInCompletion.get(); }

private:
    void createSignIn();
    // The stored sign-in chose a company and names its employee: only such a sign-in is
    // restored.
    bool hasCompletedSignIn();

    QString m_dataFolder;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DomainStorage> m_domainStorage;
    std::unique_ptr<APIEndpoints> m_endpoints;
    std::unique_ptr<APIClient> m_api;
    std::unique_ptr<SecretServiceWatcher> m_keyringWatcher;
    std::unique_ptr<ScreenshotReportCache> m_reportCache;
    std::unique_ptr<AuthService> m_auth;
    std::unique_ptr<RemoteConfigService> m_configService;
    std::unique_ptr<ThemeManager> m_theme;
    MessageBoxDialogs m_dialogs;
    std::unique_ptr<AppStateManager> m_appState;
    std::unique_ptr<SQLiteStore> m_store;
    std::unique_ptr<DeviceIdProvider> m_deviceIds;
    std::unique_ptr<RetryManager> m_retry;
    std::unique_ptr<NetworkMonitor> m_network;
    std::unique_ptr<UploadHttpClient> m_uploadHttp;
    std::unique_ptr<UploadService> m_uploads;
    std::unique_ptr<ActivityTracker> m_activityTracker;
    std::unique_ptr<IdleTimeSource> m_idleTime;
    std::unique_ptr<IdleDetector> m_idleDetector;
    std::unique_ptr<ScreenCaptureService> m_capture;
    std::unique_ptr<SleepSource> m_sleepSource;
    std::unique_ptr<SuspendClock> m_suspendClock;
    std::unique_ptr<SessionManager> m_sessionManager;
    std::unique_ptr<SessionManagerControl> m_engineControl;
    std::unique_ptr<SegmentClockService> m_segmentClock;
    std::unique_ptr<SignInBackend> m_signInBackend;
    std::unique_ptr<SignInCompletion> m_signInCompletion;
    std::function<void()> m_activate;
    std::function<bool()> m_raiseMainWindow;
    std::unique_ptr<TaskMenuConfigRefresh> m_taskMenuRefresh;
    std::unique_ptr<TrackerServices> m_trackerServices;
    std::unique_ptr<SummaryServices> m_summaryServices;
    std::unique_ptr<ScreenshotsServices> m_screenshotsServices;
    std::unique_ptr<LogoutCompletion> m_logout;
    std::unique_ptr<SettingsServices> m_settingsServices;
};
