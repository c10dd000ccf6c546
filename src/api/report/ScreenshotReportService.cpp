#include "api/report/ScreenshotReportService.h"

#include "api/APIClient.h"
#include "api/auth/StrictJsonReader.h"

namespace {

// The answer of the report request: the report under "data", other keys ignored.
struct ReportEnvelope
{
    ScreenshotReport data;

    static std::optional<ReportEnvelope> fromJson(const QJsonValue &value)
    {
        StrictJsonReader reader(value);
        ReportEnvelope envelope{
            reader.required<ScreenshotReport>(QStringLiteral("data"), &ScreenshotReport::fromJson)};
        if (!reader.ok())
            return std::nullopt;
        return envelope;
    }
};

} // namespace

ScreenshotReportService::ScreenshotReportService(APIClient &api, std::optional<QTimeZone> fixedZone)
    : m_api(api)
    , m_fixedZone(std::move(fixedZone))
{}

QString ScreenshotReportService::dayText(Timestamp date, const QTimeZone &zone)
{
    // Spelled out rather than left to a locale-aware formatter: the service reads this key, and
    // another calendar or digit set would name a day it does not know.
    const QDate day = date.toDateTime().toTimeZone(zone).date();
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}

QString ScreenshotReportService::requestPath(Timestamp date) const
{
    return QLatin1String(reportPath) + QStringLiteral("?date=") +
           dayText(date, m_fixedZone.value_or(QTimeZone::systemTimeZone()));
}

QCoro::Task<ScreenshotReport> ScreenshotReportService::fetch(Timestamp date)
{
    APIClient::Call call;
    call.path = requestPath(date);
    call.method = QByteArrayLiteral("GET");
    call.includeAuthorization = true;
    call.retryOnUnauthorized = true;
    const ReportEnvelope envelope = co_await m_api.request<ReportEnvelope>(std::move(call));
    co_return envelope.data;
}
