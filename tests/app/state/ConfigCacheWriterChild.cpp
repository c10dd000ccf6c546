// Rewrites the cached configuration file as fast as it can, alternating between configurations of
// different sizes, until it is killed. Says "ready" once the first file is complete.
//
// Usage: zuv-config-cache-writer FILE DOMAIN_KEY

#include "app/state/RemoteConfigService.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

RemoteConfig generation(qint64 number)
{
    RemoteConfig config;
    config.deviceId = QStringLiteral("generation-%1").arg(number);
    // Large enough that a write takes long enough to be cut in the middle.
    const qint64 projectCount = 4000 + (number % 5) * 500;
    for (qint64 i = 0; i < projectCount; ++i)
        config.projects.append({QStringLiteral("project-%1").arg(i),
                                QStringLiteral("Task %1 of generation %2").arg(i).arg(number)});
    config.screenshotIntervalMinutes = number;
    config.idleMinutesThreshold = projectCount;
    return config;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3)
        return 2;
    for (qint64 number = 0;; ++number) {
        if (!RemoteConfigService::writeCacheFile(arguments.at(1), generation(number),
                                                 arguments.at(2)))
            return 1;
        if (number == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
}
