#pragma once

#include "app/config/RemoteConfig.h"

#include <QStringList>

// The numbers of a configuration as the tracker may act on them. The service can send values no
// company means (an idle threshold of zero seconds would call every pause between two keystrokes
// idleness and cut the time out of the session); such a value is taken as missing, so its
// default applies, and the log says which key was refused.
class RemoteConfigLimits
{
public:
    static constexpr qint64 defaultIdleMinutesThreshold = 5;
    static constexpr qint64 defaultScreenshotIntervalMinutes = 5;
    static constexpr qint64 minimumScreenshotIntervalMinutes = 1;
    // A day with a summer-time change has 25 hours.
    static constexpr qint64 longestDaySeconds = 25 * 3600;

    // The configuration with each refused number replaced; the keys refused, for the log.
    struct Checked
    {
        RemoteConfig config;
        QStringList refusedKeys;
    };

    static Checked check(RemoteConfig config);
    // check(), with one log line per refused key.
    static RemoteConfig checkedAndLogged(const RemoteConfig &config);
};
