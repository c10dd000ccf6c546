// Running sessions, the history of finished ones and the activity segments.

#include "store/SQLiteStore.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SqliteStatement.h"
#include "tracking/model/SegmentUtils.h"

#include <QTimeZone>

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int segmentSeconds = 600;

// Counters are stored as 32-bit integers; a larger count saturates instead of wrapping into a
// negative or small number.
int clampedCounter(qint64 value, const char *name)
{
    constexpr qint64 lowest = std::numeric_limits<int>::min();
    constexpr qint64 highest = std::numeric_limits<int>::max();
    if (value >= lowest && value <= highest)
        return static_cast<int>(value);
    zuvError(lcSession).noquote() << QStringLiteral(
                                         "SQLiteStore: %1 %2 is out of range; stored as %3")
                                         .arg(QLatin1String(name))
                                         .arg(value)
                                         .arg(std::clamp(value, lowest, highest));
    return static_cast<int>(std::clamp(value, lowest, highest));
}

struct HistorySpan
{
    Timestamp start;
    Timestamp stop;
};

HistorySpan historySpan(const Session &session, Timestamp now)
{
    if (session.intervals.isEmpty())
        return {now, now};
    const TrackingInterval &last = session.intervals.constLast();
    return {session.intervals.constFirst().startedAt, last.stoppedAt.value_or(now)};
}

SQLiteStore::SessionSummaryRow summaryRow(const Session &session, Timestamp now)
{
    SQLiteStore::SessionSummaryRow row;
    row.projectName = session.projectName;
    row.activityScore = session.activityScore;
    const HistorySpan span = historySpan(session, now);
    row.startedAt = span.start;
    if (session.reportedTotalSeconds) {
        row.totalSeconds = static_cast<double>(*session.reportedTotalSeconds);
    } else {
        for (const TrackingInterval &interval : session.intervals)
            row.totalSeconds +=
                std::max(0.0, interval.stoppedAt.value_or(span.stop) - interval.startedAt);
    }
    return row;
}

// The stored JSON must read back, or the session would be lost at the next start. A value JSON
// cannot carry (a NaN or infinite number) is where encoding fails.
std::optional<QByteArray> encodedSession(const Session &session, const char *operation)
{
    QByteArray json = session.toJson();
    if (json.isEmpty() || !Session::fromJson(json)) {
        zuvError(lcSession).noquote()
            << QStringLiteral("%1: encode failed: a value of the session has no JSON form")
                   .arg(QLatin1String(operation));
        return std::nullopt;
    }
    return json;
}

} // namespace

QList<Session> SQLiteStore::readSessionRows(SqliteStatement &statement, const char *operation)
{
    QList<Session> sessions;
    while (statement.nextRow()) {
        const QByteArray payload = statement.columnBlob(0);
        if (payload.isEmpty())
            continue;
        std::optional<Session> session = Session::fromJson(payload);
        if (!session) {
            // The row stays in the table: it may be read by a later version or by hand.
            zuvError(lcSession).noquote()
                << QStringLiteral("SQLiteStore: %1 skipped a stored session that does not decode")
                       .arg(QLatin1String(operation));
            continue;
        }
        sessions.append(std::move(*session));
    }
    return sessions;
}

void SQLiteStore::saveActiveSession(const Session &session, const std::optional<QString> &domainKey)
{
    const std::optional<QByteArray> json = encodedSession(session, "saveActiveSession");
    if (!json)
        return;
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    writeActiveSessionRow(session, *json, domainKeyOr(domainKey));
}

bool SQLiteStore::writeActiveSessionRow(const Session &session, const QByteArray &json,
                                        const QString &domain)
{
    SqliteStatement statement(
        m_connection, "INSERT OR REPLACE INTO sessions (id, domain_key, device_id, project_id, "
                      "project_name, payload, updated_at)\nVALUES (?, ?, ?, ?, ?, ?, ?);");
    if (statement.isValid()) {
        statement.bindText(1, UuidText::format(session.id));
        statement.bindText(2, domain);
        statement.bindText(3, session.deviceId);
        statement.bindText(4, session.projectId);
        statement.bindText(5, session.projectName);
        statement.bindBlob(6, json);
        statement.bindReal(7, m_clock.now().secondsSince1970());
    }
    return finishWrite(statement, "saveActiveSession");
}

bool SQLiteStore::saveActiveSessionWithUpload(const Session &session, const UploadTask &start,
                                              const std::optional<QString> &domainKey)
{
    return writeSessionInTransaction(session, "saveActiveSession", domainKey,
                                     [&](const QByteArray &json, const QString &domain) {
                                         return writeActiveSessionRow(session, json, domain) &&
                                                writeUploadTaskRow(start, domain);
                                     });
}

bool SQLiteStore::writeSessionInTransaction(const Session &session, const char *operation,
                                            const std::optional<QString> &domainKey,
                                            const SessionWrites &writes)
{
    const std::optional<QByteArray> json = encodedSession(session, operation);
    if (!json)
        return false;
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return false;
    const QString domain = domainKeyOr(domainKey);
    return writeInTransaction(operation, [&] { return writes(*json, domain); });
}

QList<Session> SQLiteStore::loadAllActiveSessions()
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return {};
    SqliteStatement statement(m_connection, "SELECT payload FROM sessions\nWHERE domain_key = "
                                            "?\nORDER BY updated_at DESC;");
    if (!statement.isValid())
        return {};
    statement.bindText(1, domainKey());
    return readSessionRows(statement, "loadAllActiveSessions");
}

std::optional<Session> SQLiteStore::loadActiveSession()
{
    QList<Session> sessions = loadAllActiveSessions();
    if (sessions.isEmpty())
        return std::nullopt;
    return std::move(sessions.first());
}

void SQLiteStore::clearActiveSession(const std::optional<QUuid> &id)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    if (id) {
        deleteActiveSessionRow(*id, domainKey());
    } else {
        SqliteStatement statement(m_connection, "DELETE FROM sessions WHERE domain_key = ?;");
        if (statement.isValid())
            statement.bindText(1, domainKey());
        finishWrite(statement, "clearActiveSession");
    }
}

bool SQLiteStore::deleteActiveSessionRow(const QUuid &id, const QString &domain)
{
    SqliteStatement statement(m_connection,
                              "DELETE FROM sessions WHERE domain_key = ? AND id = ?;");
    if (statement.isValid()) {
        statement.bindText(1, domain);
        statement.bindText(2, UuidText::format(id));
    }
    return finishWrite(statement, "clearActiveSession");
}

void SQLiteStore::appendSessionHistory(const Session &session)
{
    const std::optional<QByteArray> json = encodedSession(session, "appendSessionHistory");
    if (!json)
        return;
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    writeSessionHistoryRow(session, *json, domainKey());
}

bool SQLiteStore::moveSessionToHistory(const Session &session,
                                       const std::optional<QString> &domainKey)
{
    return moveToHistory(session, nullptr, domainKey);
}

bool SQLiteStore::moveSessionToHistoryWithUpload(const Session &session,
                                                 const UploadTask &finalHeartbeat,
                                                 const std::optional<QString> &domainKey)
{
    return moveToHistory(session, &finalHeartbeat, domainKey);
}

bool SQLiteStore::moveToHistory(const Session &session, const UploadTask *finalHeartbeat,
                                const std::optional<QString> &domainKey)
{
    return writeSessionInTransaction(session, "moveSessionToHistory", domainKey,
                                     [&](const QByteArray &json, const QString &domain) {
                                         return writeSessionHistoryRow(session, json, domain) &&
                                                deleteActiveSessionRow(session.id, domain) &&
                                                (!finalHeartbeat ||
                                                 writeUploadTaskRow(*finalHeartbeat, domain));
                                     });
}

bool SQLiteStore::writeInTransaction(const char *operation, const std::function<bool()> &writes)
{
    int resultCode = m_connection.execute("BEGIN IMMEDIATE;");
    if (resultCode != SQLITE_OK) {
        zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: %1 could not begin: rc=%2 %3")
                                             .arg(QLatin1String(operation))
                                             .arg(resultCode)
                                             .arg(m_connection.lastErrorMessage());
        noteWriteOutcome(false, resultCode);
        return false;
    }
    if (writes()) {
        resultCode = m_connection.execute("COMMIT;");
        if (resultCode == SQLITE_OK)
            return true;
        noteWriteOutcome(false, resultCode);
    }
    // Nothing of it stays: the running row is as it was, so the session is not lost either.
    m_connection.execute("ROLLBACK;");
    zuvError(lcSession).noquote()
        << QStringLiteral("SQLiteStore: %1 rolled back; the session stays as it was stored")
               .arg(QLatin1String(operation));
    return false;
}

bool SQLiteStore::writeSessionHistoryRow(const Session &session, const QByteArray &json,
                                         const QString &domain)
{
    const HistorySpan span = historySpan(session, m_clock.now());
    SqliteStatement statement(m_connection,
                              "INSERT OR REPLACE INTO session_history (id, domain_key, device_id, "
                              "project_id, project_name, payload, started_at, stopped_at)\nVALUES "
                              "(?, ?, ?, ?, ?, ?, ?, ?);");
    if (statement.isValid()) {
        statement.bindText(1, UuidText::format(session.id));
        statement.bindText(2, domain);
        statement.bindText(3, session.deviceId);
        statement.bindText(4, session.projectId);
        statement.bindText(5, session.projectName);
        statement.bindBlob(6, json);
        statement.bindReal(7, span.start.secondsSince1970());
        statement.bindReal(8, span.stop.secondsSince1970());
    }
    return finishWrite(statement, "appendSessionHistory");
}

QList<SQLiteStore::SessionSummaryRow> SQLiteStore::sessionHistory(Timestamp from, Timestamp to)
{
    QList<Session> sessions;
    {
        const QMutexLocker locker(&m_mutex);
        if (!ensureUsable())
            return {};
        SqliteStatement statement(m_connection,
                                  "SELECT payload FROM session_history\nWHERE domain_key = ? AND "
                                  "started_at >= ? AND started_at < ?\nORDER BY started_at ASC;");
        if (!statement.isValid())
            return {};
        statement.bindText(1, domainKey());
        statement.bindReal(2, from.secondsSince1970());
        statement.bindReal(3, to.secondsSince1970());
        sessions = readSessionRows(statement, "sessionHistory");
    }
    const Timestamp now = m_clock.now();
    QList<SessionSummaryRow> rows;
    rows.reserve(sessions.size());
    for (const Session &session : std::as_const(sessions))
        rows.append(summaryRow(session, now));
    return rows;
}

void SQLiteStore::upsertActivitySegment(const QString &segmentDate, int segmentNumber,
                                        qint64 activeSeconds, qint64 nonIdleSeconds,
                                        qint64 mouseMovements, qint64 keyboardMovements,
                                        const std::optional<QString> &domainKey)
{
    const int active = clampedCounter(activeSeconds, "activeSeconds");
    const int nonIdle = clampedCounter(nonIdleSeconds, "nonIdleSeconds");
    const int mouse = clampedCounter(mouseMovements, "mouseMovements");
    const int keyboard = clampedCounter(keyboardMovements, "keyboardMovements");

    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(
        m_connection,
        "INSERT INTO activity_segments (domain_key, segment_date, segment_number, active_seconds, "
        "non_idle_seconds, mouse_movements, keyboard_movements, uploaded_at)\n"
        "VALUES (?, ?, ?, ?, ?, ?, ?, NULL)\n"
        "ON CONFLICT(domain_key, segment_date, segment_number) DO UPDATE SET\n"
        "  active_seconds = excluded.active_seconds,\n"
        "  non_idle_seconds = excluded.non_idle_seconds,\n"
        "  mouse_movements = excluded.mouse_movements,\n"
        "  keyboard_movements = excluded.keyboard_movements,\n"
        "  uploaded_at = NULL;");
    if (statement.isValid()) {
        statement.bindText(1, domainKeyOr(domainKey));
        statement.bindText(2, segmentDate);
        statement.bindInt(3, segmentNumber);
        statement.bindInt(4, active);
        statement.bindInt(5, nonIdle);
        statement.bindInt(6, mouse);
        statement.bindInt(7, keyboard);
    }
    finishWrite(statement, "upsertActivitySegment");
}

QList<SQLiteStore::ActivitySegmentRow>
SQLiteStore::pendingActivitySegmentsForUpload(const QString &currentSegmentDate,
                                              int currentSegmentNumber)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return {};
    SqliteStatement statement(
        m_connection,
        "SELECT segment_date, segment_number, active_seconds, non_idle_seconds, mouse_movements, "
        "keyboard_movements\n"
        "FROM activity_segments\n"
        "WHERE domain_key = ? AND uploaded_at IS NULL\n"
        "AND (segment_date < ? OR (segment_date = ? AND segment_number < ?))\n"
        "AND NOT (active_seconds = 0 AND non_idle_seconds = 0\n"
        "         AND mouse_movements = 0 AND keyboard_movements = 0)\n"
        "ORDER BY segment_date ASC, segment_number ASC;");
    if (!statement.isValid())
        return {};
    statement.bindText(1, domainKey());
    statement.bindText(2, currentSegmentDate);
    statement.bindText(3, currentSegmentDate);
    statement.bindInt(4, currentSegmentNumber);

    QList<ActivitySegmentRow> rows;
    while (statement.nextRow()) {
        if (statement.columnIsNull(0))
            continue;
        rows.append(ActivitySegmentRow{statement.columnText(0), statement.columnInt(1),
                                       statement.columnInt(2), statement.columnInt(3),
                                       statement.columnInt(4), statement.columnInt(5)});
    }
    return rows;
}

void SQLiteStore::markActivitySegmentUploaded(const QString &segmentDate, int segmentNumber)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return;
    SqliteStatement statement(m_connection,
                              "UPDATE activity_segments SET uploaded_at = ?\nWHERE domain_key = ? "
                              "AND segment_date = ? AND segment_number = ?;");
    if (statement.isValid()) {
        statement.bindReal(1, m_clock.now().secondsSince1970());
        statement.bindText(2, domainKey());
        statement.bindText(3, segmentDate);
        statement.bindInt(4, segmentNumber);
    }
    finishWrite(statement, "markActivitySegmentUploaded");
}

SQLiteStore::SegmentActivitySummary SQLiteStore::segmentActivitySummary(Timestamp from,
                                                                        Timestamp to)
{
    // The reports count days of the device's own calendar.
    const QTimeZone deviceZone = QTimeZone::systemTimeZone();
    const QString fromDay = SegmentUtils::dayKey(from, deviceZone);
    const QString toDay = SegmentUtils::dayKey(to, deviceZone);

    const QMutexLocker locker(&m_mutex);
    SegmentActivitySummary summary;
    if (!ensureUsable())
        return summary;
    SqliteStatement statement(m_connection,
                              "SELECT active_seconds, non_idle_seconds FROM activity_segments\n"
                              "WHERE domain_key = ? AND segment_date >= ? AND segment_date < ?\n"
                              "ORDER BY segment_date ASC, segment_number ASC;");
    if (!statement.isValid())
        return summary;
    statement.bindText(1, domainKey());
    statement.bindText(2, fromDay);
    statement.bindText(3, toDay);
    while (statement.nextRow()) {
        const double activityPercent = statement.columnInt(0) * 100.0 / segmentSeconds;
        const double nonIdlePercent = statement.columnInt(1) * 100.0 / segmentSeconds;
        summary.activityRateWeightedSum += activityPercent * nonIdlePercent;
        summary.nonIdlePercentSum += nonIdlePercent;
    }
    return summary;
}

int SQLiteStore::cleanupUnattributableData(const QString &staleCutoffDate,
                                           const std::optional<QString> &currentDomain)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return 0;
    const QString domain = domainKeyOr(currentDomain);
    struct Cleanup
    {
        const char *sql;
        bool bindsDomainAndCutoff;
    };
    const Cleanup cleanups[] = {
        {"DELETE FROM upload_queue WHERE domain_key = 'global';", false},
        {"DELETE FROM activity_segments WHERE domain_key = 'global';", false},
        {"DELETE FROM activity_segments\n"
         "WHERE uploaded_at IS NULL\n"
         "AND active_seconds = 0 AND non_idle_seconds = 0\n"
         "AND mouse_movements = 0 AND keyboard_movements = 0;",
         false},
        {"DELETE FROM activity_segments\n"
         "WHERE domain_key != ? AND uploaded_at IS NULL AND segment_date < ?;",
         true},
    };
    int removed = 0;
    for (const Cleanup &cleanup : cleanups) {
        SqliteStatement statement(m_connection, cleanup.sql);
        if (!statement.isValid())
            continue;
        if (cleanup.bindsDomainAndCutoff) {
            statement.bindText(1, domain);
            statement.bindText(2, staleCutoffDate);
        }
        if (finishWrite(statement, "cleanupUnattributableData"))
            removed += m_connection.changes();
    }
    return removed;
}
