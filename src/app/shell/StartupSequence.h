#pragma once

#include "app/config/RemoteConfig.h"
#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <memory>

class SessionTakeoverObserver;
class SignInInvalidationResponder;
class StartupEnvironment;

// The application's start-up, in its fixed order: the theme before anything draws, the state
// (which starts restoring the sign-in) before the engine, the callbacks before the services that
// may call them, the API time zone before the watchdog and the segment clock, and last the
// start-up task, which applies the cached configuration before it waits for the sign-in restore
// and starts the periodic refresh only for a signed-in user.
class StartupSequence : public QObject
{
    Q_OBJECT

public:
    explicit StartupSequence(StartupEnvironment &environment, QObject *parent = nullptr);
    ~StartupSequence() override;

    // Runs every step; returns without waiting for the upload service or the start-up task.
    void run();

    AppStateManager *appState() const { return m_appState; }
    SessionManager *sessionManager() const { return m_sessionManager; }
    bool isStartupTaskFinished() const { return m_startupTaskFinished; }

    // Hands a configuration to the state and the engine: the state first, then its version check,
    // then the engine.
    void applyConfiguration(const RemoteConfig &config);

Q_SIGNALS:
    void startupTaskFinished();

private:
    QCoro::Task<> runStartupTask();

    StartupEnvironment &m_environment;
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    std::unique_ptr<SessionTakeoverObserver> m_takeoverObserver;
    std::unique_ptr<SignInInvalidationResponder> m_invalidationResponder;
    bool m_startupTaskFinished = false;
    // Moves on with every sign-out, so a refresh started for one sign-in never reaches another.
    quint64 m_signOutCount = 0;
};
