#include "upload/StartSessionPayload.h"

#include "foundation/Iso8601.h"
#include "foundation/UuidText.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<QByteArray> StartSessionPayload::build(const Session &session,
                                                     const QTimeZone &apiZone)
{
    if (session.intervals.isEmpty())
        return std::nullopt;
    const QJsonObject body{
        {QStringLiteral("device_uuid"), session.deviceId},
        {QStringLiteral("session_uuid"), UuidText::format(session.id)},
        {QStringLiteral("started_at"),
         Iso8601::format(session.intervals.constFirst().startedAt, apiZone)},
        {QStringLiteral("task_id"), session.projectId},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}
