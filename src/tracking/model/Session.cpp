#include "tracking/model/Session.h"

#include "foundation/UuidText.h"
#include "tracking/model/StrictJson.h"

#include <QJsonArray>
#include <QJsonDocument>

double Session::totalSeconds(Timestamp asOf) const
{
    double total = 0.0;
    for (const TrackingInterval &interval : intervals)
        total += interval.countedSeconds(asOf);
    return total;
}

double Session::totalSecondsForReporting(Timestamp asOf) const
{
    if (reportedTotalSeconds)
        return static_cast<double>(*reportedTotalSeconds);
    return totalSeconds(asOf);
}

const TrackingInterval *Session::openInterval() const
{
    if (intervals.isEmpty() || !intervals.constLast().isOpen())
        return nullptr;
    return &intervals.constLast();
}

TrackingInterval *Session::openInterval()
{
    if (intervals.isEmpty() || !intervals.last().isOpen())
        return nullptr;
    return &intervals.last();
}

QByteArray Session::toJson() const
{
    QJsonArray intervalArray;
    for (const TrackingInterval &interval : intervals)
        intervalArray.append(interval.toJson());

    QJsonObject object{
        {QStringLiteral("id"), UuidText::format(id)},
        {QStringLiteral("deviceId"), deviceId},
        {QStringLiteral("projectId"), projectId},
        {QStringLiteral("projectName"), projectName},
        {QStringLiteral("intervals"), intervalArray},
        {QStringLiteral("mouseCount"), mouseCount},
        {QStringLiteral("keyboardCount"), keyboardCount},
        {QStringLiteral("activityScore"), activityScore},
        {QStringLiteral("status"), sessionStatusRawValue(status)},
    };
    if (idleDiscardCutoffAt) {
        object.insert(QStringLiteral("idleDiscardCutoffAt"),
                      idleDiscardCutoffAt->secondsSinceReferenceDate());
    }
    if (reportedTotalSeconds)
        object.insert(QStringLiteral("reportedTotalSeconds"), *reportedTotalSeconds);
    if (!apiTimeZoneId.isEmpty())
        object.insert(QStringLiteral("apiTimeZone"), apiTimeZoneId);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Session> Session::fromJson(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const auto id = StrictJson::requiredUuid(object, QStringLiteral("id"));
    const auto deviceId = StrictJson::requiredString(object, QStringLiteral("deviceId"));
    const auto projectId = StrictJson::requiredString(object, QStringLiteral("projectId"));
    const auto projectName = StrictJson::requiredString(object, QStringLiteral("projectName"));
    const auto mouseCount = StrictJson::requiredInteger(object, QStringLiteral("mouseCount"));
    const auto keyboardCount = StrictJson::requiredInteger(object, QStringLiteral("keyboardCount"));
    const auto activityScore = StrictJson::requiredNumber(object, QStringLiteral("activityScore"));
    const auto statusText = StrictJson::requiredString(object, QStringLiteral("status"));
    const auto status = statusText ? sessionStatusFromRawValue(*statusText) : std::nullopt;
    const auto cutoff =
        StrictJson::optionalReferenceDate(object, QStringLiteral("idleDiscardCutoffAt"));
    const auto reported =
        StrictJson::optionalInteger(object, QStringLiteral("reportedTotalSeconds"));
    const QJsonValue intervalsValue = object.value(QStringLiteral("intervals"));
    const QJsonValue zoneValue = object.value(QStringLiteral("apiTimeZone"));
    if (!id || !deviceId || !projectId || !projectName || !mouseCount || !keyboardCount ||
        !activityScore || !status || !cutoff || !reported || !intervalsValue.isArray() ||
        !(zoneValue.isUndefined() || zoneValue.isString()))
        return std::nullopt;

    Session session;
    for (const QJsonValue &intervalValue : intervalsValue.toArray()) {
        const auto interval = TrackingInterval::fromJson(intervalValue);
        if (!interval)
            return std::nullopt;
        session.intervals.append(*interval);
    }
    session.id = *id;
    session.deviceId = *deviceId;
    session.projectId = *projectId;
    session.projectName = *projectName;
    session.mouseCount = *mouseCount;
    session.keyboardCount = *keyboardCount;
    session.activityScore = *activityScore;
    session.status = *status;
    session.idleDiscardCutoffAt = *cutoff;
    session.reportedTotalSeconds = *reported;
    session.apiTimeZoneId = zoneValue.toString();
    return session;
}
