#include "app/state/SessionManagerControl.h"

#include "tracking/engine/SessionManager.h"

SessionManagerControl::SessionManagerControl(SessionManager &sessionManager)
    : m_sessionManager(sessionManager)
{}

void SessionManagerControl::applyConfig(const std::optional<RemoteConfig> &config)
{
    m_sessionManager.applyConfig(config);
}

void SessionManagerControl::handleForceUpdateRequired()
{
    m_sessionManager.handleForceUpdateRequired();
}
