#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

class AppStateManager;
class RandomSource;
class SessionManager;
class SettingsStore;
class TaskMenuConfigRefresh;

// What the tracker tab's screens work with, handed by the application to the root view and from
// it to the view models that QML creates. Lives as long as the application, so the task menu's
// refresh, which runs here, outlives the screen that asked for it.
class TrackerServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the tracker's services")

public:
    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        SettingsStore &settings;
        RandomSource &random;
        TaskMenuConfigRefresh &taskMenuRefresh;
    };

    explicit TrackerServices(Dependencies dependencies, QObject *parent = nullptr);

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;
    SettingsStore &settings() const { return m_settings; }
    RandomSource &random() const { return m_random; }
    TaskMenuConfigRefresh &taskMenuRefresh() const { return m_taskMenuRefresh; }

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    SettingsStore &m_settings;
    RandomSource &m_random;
    TaskMenuConfigRefresh &m_taskMenuRefresh;
};
