#pragma once

#include "app/state/TrackingEngineControl.h"

class SessionManager;

// The tracking engine as the application state reaches it.
class SessionManagerControl final : public TrackingEngineControl
{
public:
    // The manager outlives this object (both live for the whole process).
    explicit SessionManagerControl(SessionManager &sessionManager);

    void applyConfig(const std::optional<RemoteConfig> &config) override;
    void handleForceUpdateRequired() override;

private:
    SessionManager &m_sessionManager;
};
