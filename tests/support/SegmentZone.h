#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// A ten-minute segment reaches the service once it has closed. Of two company time zones whose
// segments begin five minutes apart, the one whose segment closes soonest after the given time:
// a run that picks it has its last segment close soon after it ends.
struct SegmentZone
{
    QString zone;
    QDateTime closes;
};

inline SegmentZone zoneClosingSoonestAfter(const QDateTime &moment)
{
    SegmentZone best;
    for (const QString &zone :
         {QStringLiteral("Europe/Berlin"), QStringLiteral("Asia/Kathmandu")}) {
        const QDateTime local = moment.toTimeZone(QTimeZone(zone.toLatin1()));
        const int secondsIntoSegment = local.time().minute() % 10 * 60 + local.time().second();
        const QDateTime closes = moment.addSecs(600 - secondsIntoSegment);
        if (best.zone.isEmpty() || closes < best.closes)
            best = {zone, closes};
    }
    return best;
}
