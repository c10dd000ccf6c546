#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

class AppStateManager;
class SessionManager;

// What the settings tab works with, handed by the application to the root view and from it to the
// view models that QML creates. Lives as long as the application.
class SettingsServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the services of the settings tab")

public:
    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
    };

    explicit SettingsServices(Dependencies dependencies, QObject *parent = nullptr);

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
};
