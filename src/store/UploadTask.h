#pragma once

#include "foundation/Timestamp.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringView>
#include <QUuid>

#include <optional>

// What a queued upload sends.
enum class UploadTaskType
{
    Metadata,
    Heartbeat,
    Screenshot,
    ActivitySegment,
    StartSession,
};

// Where a queued upload stands. Completed is never stored: completion deletes the row.
enum class UploadTaskStatus
{
    Pending,
    InProgress,
    Failed,
    Completed,
};

QString uploadTaskTypeRawValue(UploadTaskType type);
// Exact, case-sensitive match of a raw value; nothing for any other text.
std::optional<UploadTaskType> uploadTaskTypeFromRawValue(QStringView text);

QString uploadTaskStatusRawValue(UploadTaskStatus status);
std::optional<UploadTaskStatus> uploadTaskStatusFromRawValue(QStringView text);

// One unit of work of the upload queue, kept as one row of the store's queue table. A plain value.
struct UploadTask
{
    QUuid id;
    QUuid sessionId;
    UploadTaskType type = UploadTaskType::Metadata;
    // The capture file to send (screenshots only).
    std::optional<QString> filePath;
    // The request body made when the task was queued; absent when it is built at upload time.
    std::optional<QByteArray> jsonPayload;
    int retryCount = 0;
    Timestamp createdAt;
    UploadTaskStatus status = UploadTaskStatus::Pending;
    // Larger is taken first.
    int priority = 0;

    // Keys named after the fields; the enumerations as raw values, the date as seconds since
    // 2001, the payload as Base64; "filePath" and "jsonPayload" only when present.
    QJsonObject toJson() const;
    // Strict: a missing or mistyped required key, a bad UUID or an unknown raw value fails.
    static std::optional<UploadTask> fromJson(const QJsonObject &object);

    friend bool operator==(const UploadTask &, const UploadTask &) = default;
};
