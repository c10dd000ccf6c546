#include "ui/reports/ScreenshotsServices.h"

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

ScreenshotsServices::ScreenshotsServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
{}

AppStateManager *ScreenshotsServices::appState() const
{
    return m_appState.data();
}

SessionManager *ScreenshotsServices::sessionManager() const
{
    return m_sessionManager.data();
}
