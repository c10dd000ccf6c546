#include "ui/settings/SettingsServices.h"

#include "app/state/AppStateManager.h"
#include "platform/PermissionService.h"
#include "tracking/engine/SessionManager.h"

SettingsServices::PermissionReset SettingsServices::systemPermissionReset()
{
    return PermissionReset{false, &PermissionService::revokePermissions};
}

SettingsServices::SettingsServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_theme(dependencies.theme)
    , m_defaults(dependencies.defaults)
    , m_domainStorage(dependencies.domainStorage)
    , m_random(dependencies.random)
    , m_logout(dependencies.logout)
    , m_permissionReset(std::move(dependencies.permissionReset))
{}

AppStateManager *SettingsServices::appState() const
{
    return m_appState.data();
}

SessionManager *SettingsServices::sessionManager() const
{
    return m_sessionManager.data();
}
