#include "ui/tracker/TrackerServices.h"

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

TrackerServices::TrackerServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_settings(dependencies.settings)
    , m_random(dependencies.random)
    , m_taskMenuRefresh(dependencies.taskMenuRefresh)
{}

AppStateManager *TrackerServices::appState() const
{
    return m_appState.data();
}

SessionManager *TrackerServices::sessionManager() const
{
    return m_sessionManager.data();
}
