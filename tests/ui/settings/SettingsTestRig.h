#pragma once

#include "api/APIError.h"
#include "api/auth/SignInPreferences.h"
#include "app/shell/ShellTestRig.h"
#include "app/state/RemoteConfigSource.h"
#include "ui/design/ThemeManager.h"
#include "ui/design/WD.h"
#include "ui/settings/LogoutCompletion.h"
#include "ui/settings/SettingsRootView.h"
#include "ui/settings/SettingsServices.h"

#include <QCoroSignal>
#include <QObject>
#include <QQuickItem>
#include <QStringList>

#include <variant>

// A configuration source whose fetches answer the scripted outcome at once, or, while gated, only
// when the test releases them.
class GatedConfigSource final : public QObject, public RemoteConfigSource
{
    Q_OBJECT

public:
    std::variant<RemoteConfig, APIError> answer =
        APIError::network(QNetworkReply::HostNotFoundError, QStringLiteral("offline"));
    bool gated = false;
    int fetches = 0;
    int stops = 0;

    QCoro::Task<RemoteConfig> fetchRemote() override
    {
        ++fetches;
        if (gated)
            co_await qCoro(this, &GatedConfigSource::released);
        if (const auto *error = std::get_if<APIError>(&answer))
            throw *error;
        co_return std::get<RemoteConfig>(answer);
    }
    void stopPeriodicRefresh() override { ++stops; }

    void release() { Q_EMIT released(); }

Q_SIGNALS:
    void released();
};

// Steps of a logout that write into one log, the server's step answering when the test says.
struct RecordingLogoutSteps : public QObject
{
    Q_OBJECT

public:
    QStringList log;
    bool gated = false;
    int trackingEnds = 0;
    std::function<void()> onReset;

    LogoutCompletion::Steps steps()
    {
        LogoutCompletion::Steps steps;
        steps.endTracking = [this] {
            ++trackingEnds;
        };
        steps.serverLogout = [this]() -> QCoro::Task<> {
            log << QStringLiteral("server logout");
            if (gated)
                co_await qCoro(this, &RecordingLogoutSteps::released);
            log << QStringLiteral("server answered");
        };
        steps.stopPeriodicRefresh = [this] {
            log << QStringLiteral("stop refresh");
        };
        steps.resetAppState = [this] {
            log << QStringLiteral("reset state");
            if (onReset)
                onReset();
        };
        return steps;
    }

    void release() { Q_EMIT released(); }

Q_SIGNALS:
    void released();
};

// The settings tab's services over a real application state (its configuration from a gated
// source) and a real tracking engine, with a real theme manager over the test's user defaults.
struct SettingsTestRig
{
    explicit SettingsTestRig(bool permissionResetAvailable = true)
        : rig(false)
    {
        permissionReset.available = permissionResetAvailable;
        appState = std::make_unique<AppStateManager>(
            AppStateManager::Dependencies{[] { return true; },
                                          [this] {
                                              ++rig.permissionProbes;
                                              return rig.permissionsGranted;
                                          },
                                          AppStateManager::defaultSlowRestoreAfterNanoseconds,
                                          configSource, rig.alerts, rig.scheduler, rig.stateClock});
        rig.engine.createManager();
        services = std::make_unique<SettingsServices>(SettingsServices::Dependencies{
            *appState, engine(), theme, defaults(), rig.engine.domainStorage, rig.random, logout,
            permissionReset});
        if (!QTest::qWaitFor([this] { return !appState->isRestoringSession(); }))
            qWarning("the sign-in restore did not end");
    }

    ~SettingsTestRig()
    {
        services.reset();
        QCoreApplication::processEvents();
        appState.reset();
    }

    SettingsStore &defaults() { return rig.engine.settings; }
    SessionManager &engine() { return rig.engine.manager(); }

    // The item of that name at or below the given one, through the visual tree (items a Repeater
    // made have no QObject parent to be found by).
    static QQuickItem *findItem(QQuickItem *item, const QString &name)
    {
        return findViewItem(item, name);
    }

    void storeNames(const std::optional<QString> &user, const std::optional<QString> &company)
    {
        UserProfileStorage::set(user, company, defaults());
    }

    ShellTestRig rig;
    GatedConfigSource configSource;
    std::unique_ptr<AppStateManager> appState;
    QList<ThemeManager::Appearance> appearances;
    ThemeManager theme{rig.engine.settings, [this](ThemeManager::Appearance appearance) {
                           appearances << appearance;
                       }};
    RecordingLogoutSteps logoutSteps;
    LogoutCompletion logout{logoutSteps.steps()};
    int resets = 0;
    bool resetAnswer = false;
    SettingsServices::PermissionReset permissionReset{true, [this] {
                                                          ++resets;
                                                          return resetAnswer;
                                                      }};
    std::unique_ptr<SettingsServices> services;
};
