#pragma once

#include "app/config/RemoteConfig.h"

#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <optional>

class SettingsStore;

// The API time zone defines "today", the midnight rule, the segment numbers and the times sent to
// the server. The configuration names it; the defaults keep it so that it is known before any
// configuration arrives. Every identifier passes isAcceptableIdentifier() before the zone
// database sees it, because the database lookup reads files by that name.
class APITimeZoneResolver
{
public:
    static constexpr const char *storageKey = "com.wendoka.zuvevivezid.apiTimezoneIdentifier";
    // Real identifiers stay well below this; the longest in the database has about 32 characters.
    static constexpr qsizetype maximumIdentifierLength = 64;

    APITimeZoneResolver() = delete;

    // The configuration's trimmed "app_timezone" when it names a known zone, else the system's.
    static QString timezoneIdentifierForAPI(const std::optional<RemoteConfig> &config);

    // The stored text as it stands when not empty, else the system's zone identifier.
    static QString storedTimezoneIdentifier(const SettingsStore &settings);

    // The zone of the trimmed identifier when acceptable and known, else the system's zone.
    static QTimeZone resolvedTimeZone(const std::optional<QString> &identifier);

    // Start-up: the cached configuration's zone (or the system's when it names none) becomes the
    // stored identifier. No cached configuration (none, unreadable, or another company's) changes
    // nothing.
    static void bootstrapFromCachedConfig(SettingsStore &settings,
                                          const std::optional<RemoteConfig> &cachedConfig);

    // Shape check only: no path traversal, no absolute path, no control characters, no overlong
    // text. Says nothing about whether the zone exists.
    static bool isAcceptableIdentifier(QStringView identifier);

    static QString systemTimezoneIdentifier();

private:
    static std::optional<QTimeZone> knownZone(const QString &trimmedIdentifier);
};
