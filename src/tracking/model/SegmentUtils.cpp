#include "tracking/model/SegmentUtils.h"

#include <QHash>
#include <QMutex>

namespace SegmentUtils {

namespace {

QMutex zoneCacheMutex;
QHash<QByteArray, QTimeZone> zoneCache;

} // namespace

SegmentKey segmentDateAndNumber(Timestamp moment, const QTimeZone &zone)
{
    const QDateTime local = moment.toDateTime().toTimeZone(zone);
    const QTime time = local.time();
    return SegmentKey{dayKey(local.date()), (time.hour() * 60 + time.minute()) / 10};
}

QString dayKey(Timestamp moment, const QTimeZone &zone)
{
    return dayKey(moment.toDateTime().toTimeZone(zone).date());
}

QString dayKey(QDate date)
{
    // Always "%04d-%02d-%02d" in ASCII digits, whatever the locale.
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<Timestamp> calendarDate(Timestamp moment, const QTimeZone &zone)
{
    const QDate date = moment.toDateTime().toTimeZone(zone).date();
    const QDateTime start = date.startOfDay(zone);
    if (!start.isValid())
        return std::nullopt;
    return Timestamp::fromDateTime(start);
}

QTimeZone timeZone(const QByteArray &identifier)
{
    const QMutexLocker locker(&zoneCacheMutex);
    const auto cached = zoneCache.constFind(identifier);
    if (cached != zoneCache.constEnd())
        return *cached;
    const QTimeZone zone(identifier);
    zoneCache.insert(identifier, zone);
    return zone;
}

} // namespace SegmentUtils
