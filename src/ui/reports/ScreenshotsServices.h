#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

class AppStateManager;
class SessionManager;

// What the screenshots tab works with, handed by the application to the root view and from it to
// the view models that QML creates. Lives as long as the application.
class ScreenshotsServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the services of the screenshots tab")

public:
    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
    };

    explicit ScreenshotsServices(Dependencies dependencies, QObject *parent = nullptr);

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
};
