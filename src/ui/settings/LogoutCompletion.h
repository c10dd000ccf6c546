#pragma once

#include <QCoroTask>
#include <QObject>

#include <functional>

class AppStateManager;
class AuthService;
class RemoteConfigSource;
class SessionManager;

// Signs the user out: first the end of tracking (a running session is stopped while its company
// is still the current one, and nothing can be started until the sign-out is over), then the
// server (best effort, the local sign-in is always cleared), then the end of the periodic
// configuration refresh, then the application state back to signed out. Lives as long as the
// application, because the last step removes the settings screen that asked.
//
// One logout at a time: a second request while one runs waits for that one and sends nothing.
class LogoutCompletion : public QObject
{
    Q_OBJECT

public:
    // The parts of the application the logout drives, in the order they run. Every function must
    // be set.
    struct Steps
    {
        // Stops a running session, its final heartbeat queued, and withdraws the configuration
        // so that no screen can start another. Runs again after the server's answer, for a
        // session started some other way meanwhile.
        std::function<void()> endTracking;
        // Never fails: ends the sign-in on the server if it can and clears the stored one.
        std::function<QCoro::Task<>()> serverLogout;
        std::function<void()> stopPeriodicRefresh;
        // Signed out, no configuration, no tasks, no forced update.
        std::function<void()> resetAppState;
    };

    // The application's own parts: the tracking engine, the authentication service's logout, the
    // configuration service's refresh, and the application state's return to signed out.
    static Steps applicationSteps(SessionManager &engine, AuthService &auth,
                                  RemoteConfigSource &configService, AppStateManager &appState);

    explicit LogoutCompletion(Steps steps, QObject *parent = nullptr);

    // Returns once the user is signed out.
    QCoro::Task<> logout();
    bool isLoggingOut() const { return m_isLoggingOut; }

Q_SIGNALS:
    void loggingOutChanged();
    void loggedOut();

private:
    void setLoggingOut(bool value);

    Steps m_steps;
    bool m_isLoggingOut = false;
};
