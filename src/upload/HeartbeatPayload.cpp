#include "upload/HeartbeatPayload.h"

#include "foundation/Iso8601.h"
#include "foundation/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

QJsonValue timeOrNull(const std::optional<Timestamp> &moment, const QTimeZone &zone)
{
    return moment ? QJsonValue(Iso8601::format(*moment, zone)) : QJsonValue(QJsonValue::Null);
}

} // namespace

qint64 HeartbeatPayload::wholeSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // JSON carries numbers as doubles: stay within what a double holds exactly.
    constexpr double limit = 9007199254740992.0;
    return static_cast<qint64>(std::trunc(std::clamp(seconds, -limit, limit)));
}

QByteArray HeartbeatPayload::build(const Session &session, const QString &status,
                                   Timestamp buildMoment, const QTimeZone &apiZone)
{
    const bool completed = status == QLatin1String(completedStatus);
    const QList<TrackingInterval> &intervals = session.intervals;
    const Timestamp start = intervals.isEmpty() ? buildMoment : intervals.constFirst().startedAt;

    std::optional<Timestamp> stoppedAt;
    Timestamp end = buildMoment;
    if (completed) {
        end = intervals.isEmpty() ? buildMoment
                                  : intervals.constLast().stoppedAt.value_or(buildMoment);
        stoppedAt = end;
    }

    QJsonArray intervalObjects;
    for (qsizetype i = 0; i < intervals.size(); ++i) {
        const TrackingInterval &interval = intervals.at(i);
        std::optional<Timestamp> intervalStop = interval.stoppedAt;
        if (!intervalStop && completed && i == intervals.size() - 1)
            intervalStop = buildMoment;
        intervalObjects.append(QJsonObject{
            {QStringLiteral("interval_uuid"), UuidText::format(interval.id)},
            {QStringLiteral("started_at"), Iso8601::format(interval.startedAt, apiZone)},
            {QStringLiteral("stopped_at"), timeOrNull(intervalStop, apiZone)},
        });
    }

    const QJsonObject body{
        {QStringLiteral("device_uuid"), session.deviceId},
        {QStringLiteral("session_uuid"), UuidText::format(session.id)},
        {QStringLiteral("task_id"), session.projectId},
        {QStringLiteral("started_at"), Iso8601::format(start, apiZone)},
        {QStringLiteral("total_seconds"), wholeSeconds(session.totalSecondsForReporting(end))},
        {QStringLiteral("mouse_movements"), session.mouseCount},
        {QStringLiteral("key_press_count"), session.keyboardCount},
        {QStringLiteral("activity_rate"), session.activityScore},
        {QStringLiteral("status"), status},
        {QStringLiteral("intervals"), intervalObjects},
        {QStringLiteral("stopped_at"), timeOrNull(stoppedAt, apiZone)},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}
