#pragma once

#include "foundation/Timestamp.h"

#include <QJsonObject>
#include <QUuid>

#include <optional>

// One stretch of counted time. Open while stoppedAt is empty.
struct TrackingInterval
{
    QUuid id;
    Timestamp startedAt;
    std::optional<Timestamp> stoppedAt;

    bool isOpen() const { return !stoppedAt.has_value(); }
    // end - start with the open end at asOf; never negative.
    double countedSeconds(Timestamp asOf) const;

    // Stored form: {"id": UUID text, "startedAt": seconds since 2001, "stoppedAt": ...}.
    QJsonObject toJson() const;
    static std::optional<TrackingInterval> fromJson(const QJsonValue &value);

    friend bool operator==(const TrackingInterval &, const TrackingInterval &) = default;
};
