#include "upload/ServerTodayTotal.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

// Absent and null are alike; a value of another JSON type is an error (nullopt).
bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

bool hasWrongType(const QJsonValue &value, QJsonValue::Type expected)
{
    return !isAbsent(value) && value.type() != expected;
}

bool isWholeNumber(double number)
{
    constexpr double limit = 9007199254740992.0;
    return std::isfinite(number) && std::trunc(number) == number && std::fabs(number) <= limit;
}

} // namespace

std::optional<ServerTodayTotal> TrackingEndpointResponse::serverTodayTotal(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject response = document.object();
    const QJsonValue success = response.value(QStringLiteral("success"));
    const QJsonValue data = response.value(QStringLiteral("data"));
    if (hasWrongType(success, QJsonValue::Bool) || hasWrongType(data, QJsonValue::Object))
        return std::nullopt;
    if (isAbsent(data))
        return std::nullopt;

    const QJsonObject heartbeatData = data.toObject();
    const QJsonValue ok = heartbeatData.value(QStringLiteral("ok"));
    const QJsonValue total = heartbeatData.value(QStringLiteral("today_total_seconds"));
    const QJsonValue date = heartbeatData.value(QStringLiteral("today_date"));
    if (hasWrongType(ok, QJsonValue::Bool) || hasWrongType(total, QJsonValue::Double) ||
        hasWrongType(date, QJsonValue::String))
        return std::nullopt;
    // An integer member holding a fraction does not decode either.
    if (!isAbsent(total) && !isWholeNumber(total.toDouble()))
        return std::nullopt;
    if (isAbsent(total) || isAbsent(date))
        return std::nullopt;
    return ServerTodayTotal{static_cast<qint64>(total.toDouble()), date.toString()};
}
