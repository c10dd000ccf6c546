#include "ui/settings/LogoutCompletion.h"

#include "api/auth/AuthService.h"
#include "app/state/AppStateManager.h"
#include "app/state/RemoteConfigSource.h"
#include "tracking/engine/SessionManager.h"

#include <QCoroSignal>
#include <QPointer>

LogoutCompletion::Steps LogoutCompletion::applicationSteps(SessionManager &engine,
                                                           AuthService &auth,
                                                           RemoteConfigSource &configService,
                                                           AppStateManager &appState)
{
    Steps steps;
    // Without a configuration every Start is disabled, as it is once signed out; the engine
    // itself refuses the starts no button asks for (an unfinished session resumed, a new day's
    // start) until the sign-out is over.
    steps.endTracking = [&engine, &appState] {
        appState.setRemoteConfig(std::nullopt);
        engine.holdStarts(true);
        if (engine.isTracking())
            engine.stopTracking(QStringLiteral("signed out"));
    };
    steps.serverLogout = [&auth] {
        return auth.logout();
    };
    steps.stopPeriodicRefresh = [&configService] {
        configService.stopPeriodicRefresh();
    };
    // The same return to a signed-out state as when the service ends the sign-in.
    steps.resetAppState = [&engine, &appState] {
        appState.applySessionInvalidated();
        engine.holdStarts(false);
    };
    return steps;
}

LogoutCompletion::LogoutCompletion(Steps steps, QObject *parent)
    : QObject(parent)
    , m_steps(std::move(steps))
{}

QCoro::Task<> LogoutCompletion::logout()
{
    if (m_isLoggingOut) {
        co_await qCoro(this, &LogoutCompletion::loggedOut);
        co_return;
    }
    setLoggingOut(true);
    m_steps.endTracking();
    const QPointer<LogoutCompletion> self(this);
    co_await m_steps.serverLogout();
    if (!self)
        co_return;
    m_steps.endTracking();
    m_steps.stopPeriodicRefresh();
    m_steps.resetAppState();
    setLoggingOut(false);
    Q_EMIT loggedOut();
}

void LogoutCompletion::setLoggingOut(bool value)
{
    if (m_isLoggingOut == value)
        return;
    m_isLoggingOut = value;
    Q_EMIT loggingOutChanged();
}
