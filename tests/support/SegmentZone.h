#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// A ten-minute segment reaches the service once it has closed. Of company time zones whose
// segments begin five minutes apart, the one whose segment closes soonest after the given time:
// a run that picks it has its last segment close soon after it ends.
//
// Only a zone whose day is the device's own from now until that segment has closed counts: the
// screenshots tab asks for the device's day, and the service files segments under the company's.
struct SegmentZone
{
    QString zone;
    QDateTime closes;
};

inline SegmentZone zoneClosingSoonestAfter(const QDateTime &moment)
{
    const QDateTime now = QDateTime::currentDateTime();
    const auto sameDayAsDevice = [](const QDateTime &at, const QTimeZone &zone) {
        return at.toTimeZone(zone).date() == at.toLocalTime().date();
    };
    const QByteArray deviceZone = QTimeZone::systemTimeZoneId();
    // Five minutes ahead of the device: the other phase with the device's day at any hour, since
    // every named zone of that phase lies east of Greenwich and its midnight comes early.
    const int ahead = now.offsetFromUtc() / 60 + 5;
    const QByteArray fiveMinutesAhead = QStringLiteral("UTC%1%2:%3")
                                            .arg(ahead < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                            .arg(qAbs(ahead) / 60, 2, 10, QLatin1Char('0'))
                                            .arg(qAbs(ahead) % 60, 2, 10, QLatin1Char('0'))
                                            .toLatin1();
    SegmentZone best;
    for (const QByteArray &zone :
         {QByteArrayLiteral("Europe/Berlin"), QByteArrayLiteral("Asia/Kathmandu"), deviceZone,
          fiveMinutesAhead}) {
        const QTimeZone timeZone(zone);
        const QDateTime local = moment.toTimeZone(timeZone);
        const int secondsIntoSegment = local.time().minute() % 10 * 60 + local.time().second();
        const QDateTime closes = moment.addSecs(600 - secondsIntoSegment);
        const bool sameDay =
            sameDayAsDevice(now, timeZone) && sameDayAsDevice(closes.addSecs(120), timeZone);
        // The device's own zone shares its day whenever anything can.
        if (!sameDay && zone != deviceZone)
            continue;
        if (best.zone.isEmpty() || closes < best.closes)
            best = {QString::fromLatin1(zone), closes};
    }
    return best;
}
