#include "foundation/Timestamp.h"

#include <cmath>

Timestamp Timestamp::fromDateTime(const QDateTime &dateTime)
{
    return Timestamp(static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

QDateTime Timestamp::toDateTime() const
{
    // Milliseconds are the finest unit QDateTime keeps; round down so that a moment never moves
    // into the next second (or the next day) on conversion.
    const auto milliseconds = static_cast<qint64>(std::floor(m_seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::utc());
}
