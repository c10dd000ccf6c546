#pragma once

#include "api/report/ScreenshotReport.h"
#include "foundation/Timestamp.h"

#include <QCoroTask>
#include <QString>
#include <QTimeZone>

#include <optional>

class APIClient;

// Fetches the screenshot report of one day. The day is named as the device's calendar sees it
// (not the API time zone), always as Gregorian "yyyy-MM-dd" with ASCII digits, whatever the
// user's locale. Failures reach the caller as the client's APIError.
class ScreenshotReportService
{
public:
    static constexpr const char *reportPath = "hr/zuvevivezid/reporting/screenshots/employees";

    // Days are those of the device's time zone at each call, unless a fixed zone is given.
    explicit ScreenshotReportService(APIClient &api,
                                     std::optional<QTimeZone> fixedZone = std::nullopt);

    QCoro::Task<ScreenshotReport> fetch(Timestamp date);

    // "yyyy-MM-dd" of the date's day in the zone.
    static QString dayText(Timestamp date, const QTimeZone &zone);
    QString requestPath(Timestamp date) const;

private:
    APIClient &m_api;
    const std::optional<QTimeZone> m_fixedZone;
};
