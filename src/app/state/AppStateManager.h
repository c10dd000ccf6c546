#pragma once

#include "app/config/RemoteConfig.h"
#include "app/config/RemoteProject.h"
#include "app/state/LocalDataAlerts.h"
#include "app/state/MainTab.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class AlertPresenter;
class Clock;
class DelayScheduler;
class KeychainService;
class RemoteConfigSource;
class TrackingEngineControl;

// The application-wide state every screen observes: the sign-in and its restore at launch, the
// permissions, the applied remote configuration, the forced update, and the hooks through which
// menus reach the main window.
//
// Lives on the main thread for the whole process. Creating it starts restoring the sign-in from
// the stored credentials on a thread of its own, so a keyring that prompts or hangs never blocks
// the interface; the restore counts as slow after a delay, and the user may give up on it.
class AppStateManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated WRITE setIsAuthenticated NOTIFY
                   isAuthenticatedChanged)
    Q_PROPERTY(bool isRestoringSession READ isRestoringSession NOTIFY isRestoringSessionChanged)
    Q_PROPERTY(bool authRestoreIsSlow READ authRestoreIsSlow NOTIFY authRestoreIsSlowChanged)
    Q_PROPERTY(bool hasRequiredPermissions READ hasRequiredPermissions WRITE
                   setHasRequiredPermissions NOTIFY hasRequiredPermissionsChanged)
    Q_PROPERTY(bool forceClientUpdate READ forceClientUpdate NOTIFY forceUpdateChanged)

public:
    static constexpr quint64 defaultSlowRestoreAfterNanoseconds = 8'000'000'000;
    // A keyring read slower than this probably waited for the user to allow access.
    static constexpr double slowKeychainReadSeconds = 2.0;

    // Runs on a thread of its own; answers whether stored credentials exist.
    using RestoreAuth = std::function<bool()>;
    // Runs on the main thread; answers whether both permissions are granted.
    using ProbePermissions = std::function<bool()>;
    // (update forced, screen should be surfaced) -> whether the update screen was surfaced.
    using ForceUpdateEvaluated = std::function<bool(bool forced, bool shouldSurface)>;

    struct Dependencies
    {
        RestoreAuth restoreAuth;
        ProbePermissions probePermissions;
        quint64 slowRestoreAfterNanoseconds = defaultSlowRestoreAfterNanoseconds;
        RemoteConfigSource &remoteConfigService;
        AlertPresenter &alerts;
        DelayScheduler &scheduler;
        // Times the restore; must outlive a restore that is still running.
        const Clock &clock;
    };

    // Credentials exist when the keyring, once it has answered, holds tokens of a finished
    // sign-in, one whose company address is known; the tokens of one left unfinished are deleted.
    static RestoreAuth defaultRestoreAuth(KeychainService &tokens, bool companyAddressKnown);
    // Screen capture possible, then Input Monitoring granted.
    static ProbePermissions defaultProbePermissions();

    // Starts the restore at once.
    explicit AppStateManager(Dependencies dependencies, QObject *parent = nullptr);
    ~AppStateManager() override;

    bool isAuthenticated() const { return m_isAuthenticated; }
    // Also ends a restore still running: a sign-in or sign-out decides the question.
    void setIsAuthenticated(bool value);
    bool isRestoringSession() const { return m_isRestoringSession; }
    bool authRestoreIsSlow() const { return m_authRestoreIsSlow; }
    bool hasRequiredPermissions() const { return m_hasRequiredPermissions; }
    void setHasRequiredPermissions(bool value);
    const ProbePermissions &probePermissions() const { return m_probePermissions; }

    const std::optional<RemoteConfig> &remoteConfig() const { return m_remoteConfig; }
    const QList<RemoteProject> &projects() const { return m_projects; }
    // Sets both the configuration and its tasks.
    void setRemoteConfig(const std::optional<RemoteConfig> &config);

    bool forceClientUpdate() const { return m_forceClientUpdate; }
    const std::optional<QString> &forceUpdateLatestVersion() const
    {
        return m_forceUpdateLatestVersion;
    }
    const std::optional<QUrl> &forceUpdateDownloadURL() const { return m_forceUpdateDownloadURL; }
    bool didSurfaceForceUpdate() const { return m_didSurfaceForceUpdate; }

    const std::optional<MainTab> &pendingMainTab() const { return m_pendingMainTab; }
    void setPendingMainTab(const std::optional<MainTab> &tab);

    // Hooks written once by their installers; each does nothing when unset.
    std::function<void()> openSettingsMenuAction;
    std::function<void()> surfaceMainWindowAction;
    ForceUpdateEvaluated onForceUpdateEvaluated;

    // Returns once the launch restore has ended (at once when it already has).
    QCoro::Task<> awaitAuthRestore();
    // The user gives up on a stalled restore: the sign-in screen shows, and the restore's late
    // answer is dropped. Nothing happens when no restore runs.
    void abandonAuthRestore();

    // Fetches the configuration and applies it with the version check; a failure is thrown
    // (APIError) and changes nothing. False, with nothing changed, when the user signed out (or
    // out and in again) while the fetch was out: that configuration is another sign-in's.
    QCoro::Task<bool> refreshRemoteConfigFromServer();
    // Forces an update when this build is older than the configuration's latest client version.
    void evaluateClientVersion(const std::optional<RemoteConfig> &config);
    // Tells the application of the forced-update state and records whether it surfaced it.
    void applyForceUpdateEnforcement();
    // The service ended the sign-in: back to a signed-out state and no further refresh.
    void applySessionInvalidated();
    // The "Check for Updates…" command; returns at once, answers with an alert.
    void checkForUpdatesFromMenu(TrackingEngineControl &engine);

Q_SIGNALS:
    void isAuthenticatedChanged();
    void isRestoringSessionChanged();
    void authRestoreIsSlowChanged();
    void hasRequiredPermissionsChanged();
    void remoteConfigChanged();
    void forceUpdateChanged();
    void pendingMainTabChanged();
    // The launch restore has ended; awaitAuthRestore() waiters resume on it.
    void authRestoreFinished();

private:
    void startAuthRestore();
    void applyRestoreOutcome(bool authenticated);
    void endAuthRestore();
    void setAuthRestoreIsSlow(bool value);
    void setForceUpdateState(bool forced, std::optional<QString> latestVersion,
                             std::optional<QUrl> downloadURL);
    QCoro::Task<> runCheckForUpdates(TrackingEngineControl &engine);

    const RestoreAuth m_restoreAuth;
    const ProbePermissions m_probePermissions;
    const quint64 m_slowRestoreAfterNanoseconds;
    RemoteConfigSource &m_remoteConfigService;
    AlertPresenter &m_alerts;
    DelayScheduler &m_scheduler;
    const Clock &m_clock;
    LocalDataAlerts m_localDataAlerts;

    bool m_isAuthenticated = false;

    // Counts sign-ins and sign-outs, so late answers can tell they belong to an earlier one.

    quint64 m_signInGeneration = 0;
    bool m_isRestoringSession = true;
    bool m_authRestoreIsSlow = false;
    bool m_hasRequiredPermissions = false;
    std::optional<RemoteConfig> m_remoteConfig;
    QList<RemoteProject> m_projects;
    bool m_forceClientUpdate = false;
    std::optional<QString> m_forceUpdateLatestVersion;
    std::optional<QUrl> m_forceUpdateDownloadURL;
    bool m_didSurfaceForceUpdate = false;
    std::optional<MainTab> m_pendingMainTab;
    std::unique_ptr<QObject> m_slowRestoreWatchdog;
};
