#include "foundation/Iso8601.h"

#include <cmath>
#include <cstdlib>

namespace Iso8601 {

namespace {

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString offsetText(int offsetSeconds)
{
    if (offsetSeconds == 0)
        return QStringLiteral("Z");
    const int magnitude = std::abs(offsetSeconds);
    const QString sign = offsetSeconds < 0 ? QStringLiteral("-") : QStringLiteral("+");
    return sign + twoDigits(magnitude / 3600) + QLatin1Char(':') + twoDigits(magnitude / 60 % 60);
}

} // namespace

QString format(Timestamp moment, const QTimeZone &zone)
{
    const double wholeSeconds = std::floor(moment.secondsSince1970());
    const QDateTime utc =
        QDateTime::fromSecsSinceEpoch(static_cast<qint64>(wholeSeconds), QTimeZone::utc());
    const QDateTime local = utc.toTimeZone(zone.isValid() ? zone : QTimeZone::systemTimeZone());
    const QDate date = local.date();
    const QTime time = local.time();
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
               .arg(date.year(), 4, 10, QLatin1Char('0'))
               .arg(twoDigits(date.month()), twoDigits(date.day()), twoDigits(time.hour()),
                    twoDigits(time.minute()), twoDigits(time.second())) +
           offsetText(local.offsetFromUtc());
}

} // namespace Iso8601
