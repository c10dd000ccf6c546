#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The server's total for the employee's current day, as the tracking endpoints answer it.
struct ServerTodayTotal
{
    qint64 totalSeconds = 0;
    // The day the total counts, as the server wrote it (an API-zone "yyyy-MM-dd" is expected).
    QString date;

    friend bool operator==(const ServerTodayTotal &, const ServerTodayTotal &) = default;
};

// The shape of a tracking endpoint's answer: {"success": bool?, "data": {"ok": bool?,
// "today_total_seconds": int?, "today_date": text?}?}. Every member may be missing or null; one
// present with the wrong JSON type makes the whole body unreadable.
class TrackingEndpointResponse
{
public:
    static std::optional<ServerTodayTotal> serverTodayTotal(const QByteArray &body);
};
