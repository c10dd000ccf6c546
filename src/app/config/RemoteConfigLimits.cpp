#include "app/config/RemoteConfigLimits.h"

#include "foundation/Log.h"

RemoteConfigLimits::Checked RemoteConfigLimits::check(RemoteConfig config)
{
    QStringList refused;
    if (config.idleMinutesThreshold < 1) {
        refused.append(QStringLiteral("idle_minutes_threshold %1 (using %2)")
                           .arg(config.idleMinutesThreshold)
                           .arg(defaultIdleMinutesThreshold));
        config.idleMinutesThreshold = defaultIdleMinutesThreshold;
    }
    if (config.screenshotIntervalMinutes < minimumScreenshotIntervalMinutes) {
        refused.append(QStringLiteral("screenshot_interval_minutes %1 (using %2)")
                           .arg(config.screenshotIntervalMinutes)
                           .arg(minimumScreenshotIntervalMinutes));
        config.screenshotIntervalMinutes = minimumScreenshotIntervalMinutes;
    }
    if (config.todayTotalSeconds &&
        (*config.todayTotalSeconds < 0 || *config.todayTotalSeconds > longestDaySeconds)) {
        refused.append(
            QStringLiteral("today_total_seconds %1 (ignored)").arg(*config.todayTotalSeconds));
        config.todayTotalSeconds.reset();
    }
    return {std::move(config), refused};
}

RemoteConfig RemoteConfigLimits::checkedAndLogged(const RemoteConfig &config)
{
    Checked checked = check(config);
    for (const QString &refused : std::as_const(checked.refusedKeys))
        zuvError(lcSession).noquote()
            << QStringLiteral("Configuration value out of range: ") + refused;
    return std::move(checked.config);
}
