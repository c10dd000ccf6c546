#pragma once

#include <QCoroTask>
#include <QObject>

#include <functional>

class AppStateManager;
class AuthService;
class RemoteConfigSource;

// Signs the user out: on the server (best effort, the local sign-in is always cleared), then the
// end of the periodic configuration refresh, then the application state back to signed out. Lives
// as long as the application, because the last step removes the settings screen that asked.
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
        // Never fails: ends the sign-in on the server if it can and clears the stored one.
        std::function<QCoro::Task<>()> serverLogout;
        std::function<void()> stopPeriodicRefresh;
        // Signed out, no configuration, no tasks, no forced update.
        std::function<void()> resetAppState;
    };

    // The application's own parts: the authentication service's logout, the configuration
    // service's refresh, and the application state's return to signed out.
    static Steps applicationSteps(AuthService &auth, RemoteConfigSource &configService,
                                  AppStateManager &appState);

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
