#pragma once

#include <QObject>
#include <QPointer>
#include <QUuid>

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

class ShellDialogs;

// The engine asks the user what an idle period becomes: Continue resumes the session, Stop ends
// it with the reason "idle". No question while an update is forced. Installed once at start-up
// as the engine's idle-decision callback; it holds both objects weakly.
class IdleDecisionHandler
{
public:
    IdleDecisionHandler(SessionManager &sessionManager, AppStateManager &appState,
                        ShellDialogs &dialogs);

    void operator()() const;

    static void install(SessionManager &sessionManager, AppStateManager &appState,
                        ShellDialogs &dialogs);

private:
    QPointer<SessionManager> m_sessionManager;
    QPointer<AppStateManager> m_appState;
    ShellDialogs &m_dialogs;
};

// The service said the running session was resumed on another device: the session ends here
// without being uploaded, and the user is told, whether or not something was being tracked.
class SessionTakeoverObserver : public QObject
{
    Q_OBJECT

public:
    // Observes the notification for as long as this object lives.
    SessionTakeoverObserver(SessionManager &sessionManager, ShellDialogs &dialogs,
                            QObject *parent = nullptr);

    void handleTakeover(const QUuid &sessionId);

private:
    QPointer<SessionManager> m_sessionManager;
    ShellDialogs &m_dialogs;
};

// The service refused to refresh the sign-in: the application state signs out, the engine drops
// its configuration, a running session stops with the reason "Session ended" and an unfinished
// one is discarded. Handled once, by this long-lived object, so the notice is never missed when no
// window is open (and not repeated once per open window).
class SignInInvalidationResponder : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *stopReason = "Session ended";

    SignInInvalidationResponder(AppStateManager &appState, SessionManager &sessionManager,
                                QObject *parent = nullptr);

    void handleInvalidation();

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
};
