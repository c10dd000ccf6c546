#include "tracking/engine/TrackingHeartbeat.h"

#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"

TrackingHeartbeat::TrackingHeartbeat(SettingsStore &settings)
    : m_settings(settings)
{}

QString TrackingHeartbeat::key(const QUuid &sessionId)
{
    return QString::fromLatin1(keyPrefix) + UuidText::format(sessionId);
}

void TrackingHeartbeat::record(const QUuid &sessionId, Timestamp at)
{
    m_settings.setReal(key(sessionId), at.secondsSince1970());
}

std::optional<Timestamp> TrackingHeartbeat::load(const QUuid &sessionId) const
{
    const std::optional<double> seconds = m_settings.real(key(sessionId));
    if (!seconds || !(*seconds > 0.0))
        return std::nullopt;
    return Timestamp::fromSecondsSince1970(*seconds);
}

void TrackingHeartbeat::clear(const QUuid &sessionId)
{
    m_settings.remove(key(sessionId));
}
