#pragma once

#include "app/config/RemoteConfig.h"

#include <optional>

// What the application state asks of the tracking engine: take a configuration, and stop a
// running session because this client is too old.
class TrackingEngineControl
{
public:
    virtual ~TrackingEngineControl() = default;

    virtual void applyConfig(const std::optional<RemoteConfig> &config) = 0;
    // Stops a running session with the reason "Update required"; does nothing otherwise.
    virtual void handleForceUpdateRequired() = 0;
};
