#pragma once

#include <QPointer>

#include <functional>

class AppStateManager;
class TrackingEngineControl;

// The application's answer to every forced-update evaluation, installed as
// AppStateManager::onForceUpdateEvaluated: a forced update stops a running session, and the update
// screen is brought forward when the state asks for it.
class ForceUpdateResponder
{
public:
    struct WindowHooks
    {
        // Brings the application in front of the others.
        std::function<void()> activateApplication;
        // Makes the first window that can be the main window key and front; false without one.
        std::function<bool()> raiseFirstMainWindow;
    };

    // The engine outlives the responder; the state may not, and is then left alone.
    ForceUpdateResponder(AppStateManager &state, TrackingEngineControl &engine, WindowHooks hooks);

    // Whether the update screen was brought forward.
    bool operator()(bool force, bool shouldSurface) const;

    // Installs a responder on the state.
    static void install(AppStateManager &state, TrackingEngineControl &engine, WindowHooks hooks);

private:
    QPointer<AppStateManager> m_state;
    TrackingEngineControl &m_engine;
    WindowHooks m_hooks;
};
