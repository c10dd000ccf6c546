#pragma once

#include "foundation/Timestamp.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTimeZone>

#include <optional>

// The working day in the API time zone is cut into 144 ten-minute segments. These helpers name
// them: the day key ("yyyy-MM-dd", always ten characters) and the segment number (minute of the
// day / 10, 0...143) of a moment in a zone, and the first instant of a moment's day.
// Safe to call from any thread.
namespace SegmentUtils {

struct SegmentKey
{
    QString dayKey;
    int number = 0;

    friend bool operator==(const SegmentKey &, const SegmentKey &) = default;
};

SegmentKey segmentDateAndNumber(Timestamp moment, const QTimeZone &zone);
QString dayKey(Timestamp moment, const QTimeZone &zone);
QString dayKey(QDate date);

// The first instant of the moment's calendar day in the zone (on a day whose midnight does not
// exist, the first instant that does), or nothing when the zone cannot build one.
std::optional<Timestamp> calendarDate(Timestamp moment, const QTimeZone &zone);

// A zone by IANA identifier, built once per identifier and then reused.
QTimeZone timeZone(const QByteArray &identifier);

} // namespace SegmentUtils
