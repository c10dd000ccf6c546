#include "ui/root/RelativeDate.h"

#include <cmath>

namespace {

constexpr qint64 minute = 60;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;
constexpr qint64 week = 7 * day;

QString phrase(qint64 count, const char *unit, bool past)
{
    const QString amount = QStringLiteral("%1 %2%3")
                               .arg(count)
                               .arg(QString::fromLatin1(unit))
                               .arg(count == 1 ? QString() : QStringLiteral("s"));
    return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
}

} // namespace

QString RelativeDate::text(const std::optional<Timestamp> &date, Timestamp now)
{
    if (!date)
        return QStringLiteral("unknown");
    const double difference = *date - now;
    // The very moment reads as past: "0 seconds ago", not "in 0 seconds".
    const bool past = difference <= 0.0;
    const auto seconds = static_cast<qint64>(std::floor(std::fabs(difference)));
    if (seconds < minute)
        return phrase(seconds, "second", past);
    if (seconds < hour)
        return phrase(seconds / minute, "minute", past);
    if (seconds < day)
        return phrase(seconds / hour, "hour", past);
    if (seconds < week)
        return phrase(seconds / day, "day", past);

    const QDateTime a = date->toDateTime().toLocalTime();
    const QDateTime b = now.toDateTime().toLocalTime();
    const int months = past ? wholeMonthsBetween(a, b) : wholeMonthsBetween(b, a);
    if (months < 1)
        return phrase(seconds / week, "week", past);
    if (months < 12)
        return phrase(months, "month", past);
    return phrase(months / 12, "year", past);
}

int RelativeDate::wholeMonthsBetween(const QDateTime &earlier, const QDateTime &later)
{
    int months = (later.date().year() - earlier.date().year()) * 12 +
                 (later.date().month() - earlier.date().month());
    // A month counts only once its day and time of day are reached again.
    const QDateTime anniversary = earlier.addMonths(months);
    if (anniversary > later)
        --months;
    return std::max(months, 0);
}
