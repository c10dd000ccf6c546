#include "ui/reports/SummaryFigures.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace SummaryFigures {

DateRange dateRange(Period period, Timestamp now, const QTimeZone &zone)
{
    const QDate today = now.toDateTime().toTimeZone(zone).date();
    // Monday is 1 and Sunday 7 in Qt's numbering, so this counts back to the week's Monday.
    const QDate first = period == Period::Today ? today : today.addDays(1 - today.dayOfWeek());
    const QDate afterLast = first.addDays(period == Period::Today ? 1 : 7);
    return {Timestamp::fromDateTime(first.startOfDay(zone)),
            Timestamp::fromDateTime(afterLast.startOfDay(zone))};
}

QString formatDuration(double seconds)
{
    // Non-finite or absurd figures are never published; they read as nothing tracked.
    const double truncated = std::trunc(seconds);
    const long long s = std::isfinite(truncated) && std::abs(truncated) < 1e15
                            ? static_cast<long long>(truncated)
                            : 0;
    const long long minutes = s % 3600 / 60;
    if (s < 3600)
        return QString::number(minutes) + QLatin1Char('m');
    return QStringLiteral("%1h %2m").arg(s / 3600).arg(minutes);
}

double averageActivity(const SQLiteStore::SegmentActivitySummary &summary)
{
    if (!(summary.nonIdlePercentSum > 0.0))
        return 0.0;
    return summary.activityRateWeightedSum / summary.nonIdlePercentSum;
}

QString percentText(double percent)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", percent);
    return QString::fromLatin1(text);
}

QList<SQLiteStore::SessionSummaryRow>
rowsWithTime(const QList<SQLiteStore::SessionSummaryRow> &rows)
{
    QList<SQLiteStore::SessionSummaryRow> kept;
    kept.reserve(rows.size());
    std::copy_if(rows.cbegin(), rows.cend(), std::back_inserter(kept),
                 [](const SQLiteStore::SessionSummaryRow &row) { return row.totalSeconds > 0.0; });
    return kept;
}

QList<SQLiteStore::SessionSummaryRow> newestFirst(QList<SQLiteStore::SessionSummaryRow> rows)
{
    std::stable_sort(
        rows.begin(), rows.end(),
        [](const SQLiteStore::SessionSummaryRow &a, const SQLiteStore::SessionSummaryRow &b) {
            return a.startedAt.secondsSince1970() > b.startedAt.secondsSince1970();
        });
    return rows;
}

} // namespace SummaryFigures
