#pragma once

#include "foundation/Timestamp.h"

#include <QString>

#include <optional>

// A moment said relative to now, in whole units of the largest one that fits: "59 seconds ago",
// "1 hour ago", "3 weeks ago", "in 2 minutes". Months and years count calendar months in the
// local time zone, so 31 January to 1 March is one month, not a rounded 30 days.
class RelativeDate
{
public:
    RelativeDate() = delete;

    // "unknown" when there is no date.
    static QString text(const std::optional<Timestamp> &date, Timestamp now);

private:
    static int wholeMonthsBetween(const QDateTime &earlier, const QDateTime &later);
};
