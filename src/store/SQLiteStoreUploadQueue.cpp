// The upload queue: a durable, prioritised work queue of upload tasks.

#include "store/SQLiteStore.h"

#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SqliteStatement.h"

#include <algorithm>
#include <limits>

namespace {

const char *const openStatuses = "('pending', 'inProgress', 'failed')";

int clampedRetryCount(qint64 value)
{
    constexpr qint64 lowest = std::numeric_limits<int>::min();
    constexpr qint64 highest = std::numeric_limits<int>::max();
    if (value >= lowest && value <= highest)
        return static_cast<int>(value);
    const qint64 stored = std::clamp(value, lowest, highest);
    zuvError(lcUpload).noquote() << QStringLiteral(
                                        "SQLiteStore: retry count %1 is out of range; stored as %2")
                                        .arg(value)
                                        .arg(stored);
    return static_cast<int>(stored);
}

} // namespace

void SQLiteStore::enqueueUploadTask(const UploadTask &task, const std::optional<QString> &domainKey)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    writeUploadTaskRow(task, domainKeyOr(domainKey));
}

bool SQLiteStore::writeUploadTaskRow(const UploadTask &task, const QString &domain)
{
    SqliteStatement statement(m_connection,
                              "INSERT OR REPLACE INTO upload_queue\n"
                              "(id, domain_key, session_id, type, file_path, json_payload, "
                              "retry_count, created_at, status, priority, next_attempt_at)\n"
                              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
    if (statement.isValid()) {
        statement.bindText(1, UuidText::format(task.id));
        statement.bindText(2, domain);
        statement.bindText(3, UuidText::format(task.sessionId));
        statement.bindText(4, uploadTaskTypeRawValue(task.type));
        statement.bindOptionalText(5, task.filePath);
        // An empty body reads back as none; store it as such.
        statement.bindOptionalBlob(
            6, task.jsonPayload && !task.jsonPayload->isEmpty() ? task.jsonPayload : std::nullopt);
        statement.bindInt(7, task.retryCount);
        statement.bindReal(8, task.createdAt.secondsSince1970());
        statement.bindText(9, uploadTaskStatusRawValue(task.status));
        statement.bindInt(10, task.priority);
        statement.bindReal(11, 0.0);
    }
    return finishWrite(statement, "enqueueUploadTask");
}

std::optional<UploadTask> SQLiteStore::nextUploadTask(Timestamp now)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return std::nullopt;
    const QString domain = domainKey();
    // A row that cannot be addressed by its id, or belongs to no readable session, could never be
    // marked or sent; it is removed so it does not hold back the tasks behind it.
    for (;;) {
        std::optional<QString> unreadableId;
        {
            SqliteStatement statement(
                m_connection,
                "SELECT id, session_id, type, file_path, json_payload, retry_count, created_at, "
                "status, priority\n"
                "FROM upload_queue\n"
                "WHERE domain_key = ? AND status IN ('pending', 'failed') AND next_attempt_at <= "
                "?\n"
                "ORDER BY priority DESC, created_at ASC\n"
                "LIMIT 1;");
            if (!statement.isValid())
                return std::nullopt;
            statement.bindText(1, domain);
            statement.bindReal(2, now.secondsSince1970());
            if (!statement.nextRow() || statement.columnIsNull(1) || statement.columnIsNull(2) ||
                statement.columnIsNull(7))
                return std::nullopt;

            const std::optional<QString> idText =
                statement.columnIsNull(0) ? std::nullopt
                                          : std::optional<QString>(statement.columnText(0));
            const QString sessionIdText = statement.columnText(1);
            const std::optional<QUuid> id = idText ? UuidText::parse(*idText) : std::nullopt;
            const std::optional<QUuid> sessionId = UuidText::parse(sessionIdText);
            if (id && sessionId) {
                UploadTask task;
                task.id = *id;
                task.sessionId = *sessionId;
                task.type = uploadTaskTypeFromRawValue(statement.columnText(2))
                                .value_or(UploadTaskType::Metadata);
                if (!statement.columnIsNull(3))
                    task.filePath = statement.columnText(3);
                const QByteArray payload = statement.columnBlob(4);
                if (!payload.isEmpty())
                    task.jsonPayload = payload;
                task.retryCount = statement.columnInt(5);
                task.createdAt = Timestamp::fromSecondsSince1970(statement.columnReal(6));
                task.status = uploadTaskStatusFromRawValue(statement.columnText(7))
                                  .value_or(UploadTaskStatus::Pending);
                task.priority = statement.columnInt(8);
                return task;
            }
            zuvError(lcUpload).noquote()
                << QStringLiteral("SQLiteStore: removing upload task \"%1\" of session \"%2\" "
                                  "(type %3): its ids are not UUIDs")
                       .arg(idText.value_or(QStringLiteral("NULL")), sessionIdText,
                            statement.columnText(2));
            unreadableId = idText;
        }
        if (!deleteUnreadableUploadTask(domain, unreadableId))
            return std::nullopt;
    }
}

bool SQLiteStore::deleteUnreadableUploadTask(const QString &domain,
                                             const std::optional<QString> &idText)
{
    SqliteStatement statement(m_connection,
                              idText ? "DELETE FROM upload_queue WHERE domain_key = ? AND id = ?;"
                                     : "DELETE FROM upload_queue WHERE domain_key = ? AND id IS "
                                       "NULL;");
    if (statement.isValid()) {
        statement.bindText(1, domain);
        if (idText)
            statement.bindText(2, *idText);
    }
    // Without a row removed the selection would find the same row again.
    return finishWrite(statement, "nextUploadTask") && m_connection.changes() > 0;
}

void SQLiteStore::markUploadTaskInProgress(const QUuid &id, const std::optional<QString> &domainKey)
{
    updateUploadTaskStatus(id, UploadTaskStatus::InProgress, domainKey);
}

void SQLiteStore::updateUploadTaskStatus(const QUuid &id, UploadTaskStatus status,
                                         const std::optional<QString> &domainKey)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(
        m_connection, "UPDATE upload_queue SET status = ? WHERE domain_key = ? AND id = ?;");
    if (statement.isValid()) {
        statement.bindText(1, uploadTaskStatusRawValue(status));
        statement.bindText(2, domainKeyOr(domainKey));
        statement.bindText(3, UuidText::format(id));
    }
    finishWrite(statement, "updateUploadTaskStatus");
}

void SQLiteStore::resetStaleInProgressTasks()
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(
        m_connection, "UPDATE upload_queue SET status = 'pending' WHERE status = 'inProgress';");
    finishWrite(statement, "resetStaleInProgressTasks");
}

void SQLiteStore::markUploadTaskCompleted(const QUuid &id, const std::optional<QString> &domainKey)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(m_connection,
                              "DELETE FROM upload_queue WHERE domain_key = ? AND id = ?;");
    if (statement.isValid()) {
        statement.bindText(1, domainKeyOr(domainKey));
        statement.bindText(2, UuidText::format(id));
    }
    finishWrite(statement, "markUploadTaskCompleted");
}

void SQLiteStore::markUploadTaskFailed(const QUuid &id, qint64 retryCount, Timestamp nextAttemptAt,
                                       const std::optional<QString> &domainKey)
{
    const int storedRetryCount = clampedRetryCount(retryCount);
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(m_connection, "UPDATE upload_queue\n"
                                            "SET status = ?, retry_count = ?, next_attempt_at = ?\n"
                                            "WHERE domain_key = ? AND id = ?;");
    if (statement.isValid()) {
        statement.bindText(1, QStringLiteral("failed"));
        statement.bindInt(2, storedRetryCount);
        statement.bindReal(3, nextAttemptAt.secondsSince1970());
        statement.bindText(4, domainKeyOr(domainKey));
        statement.bindText(5, UuidText::format(id));
    }
    finishWrite(statement, "markUploadTaskFailed");
}

QList<QUuid> SQLiteStore::pendingUploadTaskIds(const QUuid &sessionId,
                                               const QList<UploadTaskType> &types)
{
    if (types.isEmpty())
        return {};
    QByteArray sql = "SELECT id FROM upload_queue\nWHERE domain_key = ? AND session_id = ? AND "
                     "type IN (";
    for (qsizetype i = 0; i < types.size(); ++i)
        sql += i == 0 ? "?" : ",?";
    sql += ")\n  AND status IN ";
    sql += openStatuses;
    sql += ";";

    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return {};
    SqliteStatement statement(m_connection, sql.constData());
    if (!statement.isValid())
        return {};
    statement.bindText(1, domainKey());
    statement.bindText(2, UuidText::format(sessionId));
    for (qsizetype i = 0; i < types.size(); ++i)
        statement.bindText(static_cast<int>(i) + 3, uploadTaskTypeRawValue(types.at(i)));

    QList<QUuid> ids;
    while (statement.nextRow()) {
        if (statement.columnIsNull(0))
            continue;
        if (const std::optional<QUuid> id = UuidText::parse(statement.columnText(0)))
            ids.append(*id);
    }
    return ids;
}

QSet<QString> SQLiteStore::pendingUploadFilePaths()
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return {};
    SqliteStatement statement(m_connection,
                              "SELECT file_path FROM upload_queue\n"
                              "WHERE domain_key = ? AND file_path IS NOT NULL AND status IN "
                              "('pending', 'inProgress', 'failed');");
    if (!statement.isValid())
        return {};
    statement.bindText(1, domainKey());
    QSet<QString> paths;
    while (statement.nextRow())
        paths.insert(statement.columnText(0));
    return paths;
}

bool SQLiteStore::hasScreenshotTask(const QUuid &sessionId, const QString &filePath,
                                    const std::optional<QString> &domainKey)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return false;
    SqliteStatement statement(
        m_connection,
        "SELECT 1 FROM upload_queue\n"
        "WHERE domain_key = ? AND type = 'screenshot' AND session_id = ? AND file_path = ?\n"
        "AND status IN ('pending', 'failed', 'inProgress')\n"
        "LIMIT 1;");
    if (!statement.isValid())
        return false;
    statement.bindText(1, domainKeyOr(domainKey));
    statement.bindText(2, UuidText::format(sessionId));
    statement.bindText(3, filePath);
    return statement.nextRow();
}

bool SQLiteStore::hasActivitySegmentTask()
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return false;
    SqliteStatement statement(m_connection, "SELECT 1 FROM upload_queue\n"
                                            "WHERE domain_key = ? AND type = 'activitySegment'\n"
                                            "AND status IN ('pending', 'failed', 'inProgress')\n"
                                            "LIMIT 1;");
    if (!statement.isValid())
        return false;
    statement.bindText(1, domainKey());
    return statement.nextRow();
}
