#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

#include <functional>

class AppStateManager;
class DomainStorage;
class LogoutCompletion;
class RandomSource;
class SessionManager;
class SettingsStore;
class ThemeManager;

// What the settings tab works with, handed by the application to the root view and from it to the
// view models that QML creates. Lives as long as the application, so a logout, which removes the
// screen that started it, runs to its end here.
class SettingsServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the services of the settings tab")

public:
    // Resetting the two permissions of this application, where the system keeps such a record.
    struct PermissionReset
    {
        bool available = false;
        // True when something was reset.
        std::function<bool()> reset;
    };

    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        ThemeManager &theme;
        // The stored display names of the user and the company.
        SettingsStore &defaults;
        // The company's address, whose host names the company when no name is stored.
        const DomainStorage &domainStorage;
        RandomSource &random;
        LogoutCompletion &logout;
        PermissionReset permissionReset;
    };

    // This desktop keeps no permission per application: the display server alone decides, so
    // there is nothing to reset.
    static PermissionReset systemPermissionReset();

    explicit SettingsServices(Dependencies dependencies, QObject *parent = nullptr);

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;
    ThemeManager &theme() const { return m_theme; }
    SettingsStore &defaults() const { return m_defaults; }
    const DomainStorage &domainStorage() const { return m_domainStorage; }
    RandomSource &random() const { return m_random; }
    LogoutCompletion &logout() const { return m_logout; }
    const PermissionReset &permissionReset() const { return m_permissionReset; }

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    ThemeManager &m_theme;
    SettingsStore &m_defaults;
    const DomainStorage &m_domainStorage;
    RandomSource &m_random;
    LogoutCompletion &m_logout;
    const PermissionReset m_permissionReset;
};
