#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <compare>

// A moment in time as double seconds since 1970-01-01 00:00 UTC, fractions kept.
// Calendar work converts to QDateTime; everything else stays in this one type.
class Timestamp
{
public:
    // Stored JSON dates count from 2001-01-01 00:00 UTC; this is that instant after 1970.
    static constexpr double referenceDateOffset = 978307200.0;

    constexpr Timestamp() = default;

    static constexpr Timestamp fromSecondsSince1970(double seconds) { return Timestamp(seconds); }
    static constexpr Timestamp fromSecondsSinceReferenceDate(double seconds)
    {
        return Timestamp(seconds + referenceDateOffset);
    }
    static Timestamp fromDateTime(const QDateTime &dateTime);

    constexpr double secondsSince1970() const { return m_seconds; }
    constexpr double secondsSinceReferenceDate() const { return m_seconds - referenceDateOffset; }
    QDateTime toDateTime() const;

    constexpr Timestamp addingSeconds(double seconds) const
    {
        return Timestamp(m_seconds + seconds);
    }

    friend constexpr double operator-(Timestamp a, Timestamp b)
    {
        return a.m_seconds - b.m_seconds;
    }
    friend constexpr bool operator==(Timestamp, Timestamp) = default;
    friend constexpr auto operator<=>(Timestamp, Timestamp) = default;

private:
    constexpr explicit Timestamp(double seconds)
        : m_seconds(seconds)
    {}

    double m_seconds = 0.0;
};
