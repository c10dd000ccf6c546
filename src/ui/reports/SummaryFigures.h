#pragma once

#include "foundation/Timestamp.h"
#include "store/SQLiteStore.h"

#include <QList>
#include <QString>
#include <QTimeZone>

// The summary tab's arithmetic and texts, free of any screen so every rule is checked on its own.
// Safe to call from any thread.
namespace SummaryFigures {

enum class Period
{
    Today,
    Week,
};

struct DateRange
{
    Timestamp start;
    Timestamp end; // exclusive

    friend bool operator==(const DateRange &, const DateRange &) = default;
};

// The period around `now` in the zone's calendar: today, or the week from Monday 00:00 whatever
// first weekday the locale prefers. Day starts come from QDate::startOfDay(), so a day whose
// midnight is skipped by a clock change begins at its first instant that exists.
DateRange dateRange(Period period, Timestamp now, const QTimeZone &zone);

// Whole minutes below an hour ("59m"), else hours and minutes ("12h 5m"); seconds are dropped.
QString formatDuration(double seconds);

// The non-idle-weighted activity percent, 0 when no segment had non-idle time.
double averageActivity(const SQLiteStore::SegmentActivitySummary &summary);
// Printed as the C library rounds it: 86.5 gives "86%".
QString percentText(double percent);

// The finished sessions the table lists: only those with tracked time, in the store's order.
QList<SQLiteStore::SessionSummaryRow>
rowsWithTime(const QList<SQLiteStore::SessionSummaryRow> &rows);

// Newest first; rows that started together keep the store's order.
QList<SQLiteStore::SessionSummaryRow> newestFirst(QList<SQLiteStore::SessionSummaryRow> rows);

} // namespace SummaryFigures
