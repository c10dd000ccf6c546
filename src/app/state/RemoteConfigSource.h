#pragma once

#include "app/config/RemoteConfig.h"

#include <QCoroTask>

// What the application state needs of the remote-configuration service: a fetch shared with
// whoever else is fetching, and the end of the periodic refresh when the sign-in ends.
class RemoteConfigSource
{
public:
    virtual ~RemoteConfigSource() = default;

    // Throws the fetch's error (an APIError) when it fails.
    virtual QCoro::Task<RemoteConfig> fetchRemote() = 0;
    virtual void stopPeriodicRefresh() = 0;
};
