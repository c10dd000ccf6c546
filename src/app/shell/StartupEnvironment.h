#pragma once

#include "app/config/RemoteConfig.h"
#include "app/state/ForceUpdateResponder.h"

#include <QString>

#include <functional>
#include <optional>

class AppStateManager;
class SessionManager;
class ShellDialogs;
class TrackingEngineControl;

// What start-up builds and starts. The application's context provides the real objects; the
// start-up sequence decides the order. Every object created here lives for the whole process.
class StartupEnvironment
{
public:
    using ConfigHandler = std::function<void(const RemoteConfig &)>;

    virtual ~StartupEnvironment() = default;

    // Loads and applies the saved palette (and the matching appearance).
    virtual void loadTheme() = 0;
    // Creating the state starts restoring the sign-in at once.
    virtual AppStateManager &createAppState() = 0;
    // Offers a stored unfinished session of the current company.
    virtual SessionManager &createSessionManager() = 0;
    virtual TrackingEngineControl &engineControl() = 0;
    virtual ShellDialogs &dialogs() = 0;
    virtual ForceUpdateResponder::WindowHooks windowHooks() = 0;
    virtual void startUploadService() = 0;
    virtual void bootstrapApiTimeZone() = 0;
    virtual void startWatchdog() = 0;
    virtual void startSegmentClock(SessionManager &sessionManager) = 0;
    // The cached configuration of the current company; none when missing or unreadable.
    virtual std::optional<RemoteConfig> readCachedConfig() = 0;
    virtual void startPeriodicRefresh(ConfigHandler onUpdate) = 0;

    // Told of each step the sequence itself performs (installing a callback or an observer).
    virtual void stepPerformed(const QString &step) { Q_UNUSED(step) }
};
