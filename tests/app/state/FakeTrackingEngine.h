#pragma once

#include "app/state/TrackingEngineControl.h"

#include <QList>

// Keeps the engine's promises as the application relies on them: a forced update stops a running
// session, and only a running one.
class FakeTrackingEngine final : public TrackingEngineControl
{
public:
    bool isTracking = false;
    int stops = 0;
    int forceUpdateCalls = 0;
    QList<std::optional<RemoteConfig>> appliedConfigs;

    void applyConfig(const std::optional<RemoteConfig> &config) override
    {
        appliedConfigs.append(config);
    }
    void handleForceUpdateRequired() override
    {
        ++forceUpdateCalls;
        if (!isTracking)
            return;
        isTracking = false;
        ++stops;
    }
};
