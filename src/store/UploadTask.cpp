#include "store/UploadTask.h"

#include "foundation/UuidText.h"
#include "tracking/model/StrictJson.h"

#include <QJsonValue>

#include <array>
#include <limits>
#include <utility>

namespace {

constexpr std::array<std::pair<UploadTaskType, const char *>, 5> typeNames{{
    {UploadTaskType::Metadata, "metadata"},
    {UploadTaskType::Heartbeat, "heartbeat"},
    {UploadTaskType::Screenshot, "screenshot"},
    {UploadTaskType::ActivitySegment, "activitySegment"},
    {UploadTaskType::StartSession, "startSession"},
}};

constexpr std::array<std::pair<UploadTaskStatus, const char *>, 4> statusNames{{
    {UploadTaskStatus::Pending, "pending"},
    {UploadTaskStatus::InProgress, "inProgress"},
    {UploadTaskStatus::Failed, "failed"},
    {UploadTaskStatus::Completed, "completed"},
}};

template<typename Enum, std::size_t N>
QString rawValue(const std::array<std::pair<Enum, const char *>, N> &names, Enum value)
{
    for (const auto &[candidate, name] : names) {
        if (candidate == value)
            return QString::fromLatin1(name);
    }
    return QString();
}

template<typename Enum, std::size_t N>
std::optional<Enum> fromRawValue(const std::array<std::pair<Enum, const char *>, N> &names,
                                 QStringView text)
{
    for (const auto &[candidate, name] : names) {
        if (text == QLatin1String(name))
            return candidate;
    }
    return std::nullopt;
}

std::optional<int> requiredInt32(const QJsonObject &object, const QString &key)
{
    const std::optional<qint64> value = StrictJson::requiredInteger(object, key);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

// Absent or null: a value of nothing. Present with another type: an error (nullopt).
std::optional<std::optional<QString>> optionalString(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<QString>();
    if (!value.isString())
        return std::nullopt;
    return std::optional<QString>(value.toString());
}

std::optional<std::optional<QByteArray>> optionalBase64(const QJsonObject &object,
                                                        const QString &key)
{
    const std::optional<std::optional<QString>> text = optionalString(object, key);
    if (!text)
        return std::nullopt;
    if (!*text)
        return std::optional<QByteArray>();
    auto decoded = QByteArray::fromBase64Encoding(text->value().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::optional<QByteArray>(*decoded);
}

} // namespace

QString uploadTaskTypeRawValue(UploadTaskType type)
{
    return rawValue(typeNames, type);
}

std::optional<UploadTaskType> uploadTaskTypeFromRawValue(QStringView text)
{
    return fromRawValue(typeNames, text);
}

QString uploadTaskStatusRawValue(UploadTaskStatus status)
{
    return rawValue(statusNames, status);
}

std::optional<UploadTaskStatus> uploadTaskStatusFromRawValue(QStringView text)
{
    return fromRawValue(statusNames, text);
}

QJsonObject UploadTask::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), UuidText::format(id)},
        {QStringLiteral("sessionId"), UuidText::format(sessionId)},
        {QStringLiteral("type"), uploadTaskTypeRawValue(type)},
        {QStringLiteral("retryCount"), retryCount},
        {QStringLiteral("createdAt"), createdAt.secondsSinceReferenceDate()},
        {QStringLiteral("status"), uploadTaskStatusRawValue(status)},
        {QStringLiteral("priority"), priority},
    };
    if (filePath)
        object.insert(QStringLiteral("filePath"), *filePath);
    if (jsonPayload)
        object.insert(QStringLiteral("jsonPayload"), QString::fromLatin1(jsonPayload->toBase64()));
    return object;
}

std::optional<UploadTask> UploadTask::fromJson(const QJsonObject &object)
{
    const auto id = StrictJson::requiredUuid(object, QStringLiteral("id"));
    const auto sessionId = StrictJson::requiredUuid(object, QStringLiteral("sessionId"));
    const auto typeText = StrictJson::requiredString(object, QStringLiteral("type"));
    const auto statusText = StrictJson::requiredString(object, QStringLiteral("status"));
    const auto retryCount = requiredInt32(object, QStringLiteral("retryCount"));
    const auto priority = requiredInt32(object, QStringLiteral("priority"));
    const auto createdAt = StrictJson::requiredReferenceDate(object, QStringLiteral("createdAt"));
    const auto filePath = optionalString(object, QStringLiteral("filePath"));
    const auto jsonPayload = optionalBase64(object, QStringLiteral("jsonPayload"));
    if (!id || !sessionId || !typeText || !statusText || !retryCount || !priority || !createdAt ||
        !filePath || !jsonPayload)
        return std::nullopt;
    const auto type = uploadTaskTypeFromRawValue(*typeText);
    const auto status = uploadTaskStatusFromRawValue(*statusText);
    if (!type || !status)
        return std::nullopt;

    UploadTask task;
    task.id = *id;
    task.sessionId = *sessionId;
    task.type = *type;
    task.filePath = *filePath;
    task.jsonPayload = *jsonPayload;
    task.retryCount = *retryCount;
    task.createdAt = *createdAt;
    task.status = *status;
    task.priority = *priority;
    return task;
}
