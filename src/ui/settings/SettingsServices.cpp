#include "ui/settings/SettingsServices.h"

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

SettingsServices::SettingsServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
{}

AppStateManager *SettingsServices::appState() const
{
    return m_appState.data();
}

SessionManager *SettingsServices::sessionManager() const
{
    return m_sessionManager.data();
}
