#include "tracking/model/TrackingInterval.h"

#include "foundation/UuidText.h"
#include "tracking/model/StrictJson.h"

#include <algorithm>

double TrackingInterval::countedSeconds(Timestamp asOf) const
{
    const Timestamp end = stoppedAt.value_or(asOf);
    return std::max(0.0, end - startedAt);
}

QJsonObject TrackingInterval::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), UuidText::format(id)},
        {QStringLiteral("startedAt"), startedAt.secondsSinceReferenceDate()},
    };
    if (stoppedAt)
        object.insert(QStringLiteral("stoppedAt"), stoppedAt->secondsSinceReferenceDate());
    return object;
}

std::optional<TrackingInterval> TrackingInterval::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = StrictJson::requiredUuid(object, QStringLiteral("id"));
    const auto startedAt = StrictJson::requiredReferenceDate(object, QStringLiteral("startedAt"));
    const auto stoppedAt = StrictJson::optionalReferenceDate(object, QStringLiteral("stoppedAt"));
    if (!id || !startedAt || !stoppedAt)
        return std::nullopt;
    return TrackingInterval{*id, *startedAt, *stoppedAt};
}
