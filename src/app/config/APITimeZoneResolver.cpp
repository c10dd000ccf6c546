#include "app/config/APITimeZoneResolver.h"

#include "foundation/SettingsStore.h"
#include "tracking/model/SegmentUtils.h"

QString APITimeZoneResolver::timezoneIdentifierForAPI(const std::optional<RemoteConfig> &config)
{
    const QString trimmed =
        config && config->appTimezone ? config->appTimezone->trimmed() : QString();
    if (knownZone(trimmed))
        return trimmed;
    return systemTimezoneIdentifier();
}

QString APITimeZoneResolver::storedTimezoneIdentifier(const SettingsStore &settings)
{
    const std::optional<QString> stored = settings.string(QString::fromLatin1(storageKey));
    if (stored && !stored->isEmpty())
        return *stored;
    return systemTimezoneIdentifier();
}

QTimeZone APITimeZoneResolver::resolvedTimeZone(const std::optional<QString> &identifier)
{
    const QString trimmed = identifier ? identifier->trimmed() : QString();
    if (const auto zone = knownZone(trimmed))
        return *zone;
    return QTimeZone::systemTimeZone();
}

void APITimeZoneResolver::bootstrapFromCachedConfig(SettingsStore &settings,
                                                    const std::optional<RemoteConfig> &cachedConfig)
{
    if (!cachedConfig)
        return;
    settings.setString(QString::fromLatin1(storageKey), timezoneIdentifierForAPI(cachedConfig));
}

bool APITimeZoneResolver::isAcceptableIdentifier(QStringView identifier)
{
    if (identifier.isEmpty() || identifier.size() > maximumIdentifierLength)
        return false;
    if (identifier.startsWith(QLatin1Char('/')))
        return false;
    for (const QChar character : identifier) {
        if (character.category() == QChar::Other_Control)
            return false;
    }
    for (const QStringView segment : identifier.split(QLatin1Char('/'))) {
        if (segment == u"..")
            return false;
    }
    return true;
}

QString APITimeZoneResolver::systemTimezoneIdentifier()
{
    const QByteArray identifier = QTimeZone::systemTimeZoneId();
    return identifier.isEmpty() ? QStringLiteral("UTC") : QString::fromUtf8(identifier);
}

std::optional<QTimeZone> APITimeZoneResolver::knownZone(const QString &trimmedIdentifier)
{
    if (!isAcceptableIdentifier(trimmedIdentifier))
        return std::nullopt;
    const QTimeZone zone = SegmentUtils::timeZone(trimmedIdentifier.toUtf8());
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}
