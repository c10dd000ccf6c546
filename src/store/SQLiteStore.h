#pragma once

#include "foundation/Timestamp.h"
#include "store/SqliteConnection.h"
#include "store/UploadTask.h"
#include "tracking/model/Session.h"

#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class Clock;
class SqliteStatement;

// The program's only local database: running sessions, the history of finished ones, per-segment
// activity counters and the upload queue, every row partitioned by the company and the employee
// it was tracked for (the key DataPartition makes, kept in the column domain_key), so one
// company's or one person's data stays invisible while another works here.
//
// One connection, serialised by a mutex held for each operation: calls from any thread run one at
// a time in the order they take the lock. Every statement commits on its own.
//
// Failures never reach callers: with no database, or a statement that cannot run, queries answer
// nothing and writes do nothing. Failed writes are logged. A file that turns out not to be a
// database is moved aside (kept, never deleted) and replaced by a fresh one; a path that cannot be
// opened at all leaves the store inert for the life of the object.
class SQLiteStore
{
public:
    static constexpr const char *databaseFileName = "zuvevivezid.sqlite";

    // One finished session as the reports show it.
    struct SessionSummaryRow
    {
        QString projectName;
        double totalSeconds = 0.0;
        double activityScore = 0.0;
        Timestamp startedAt;

        friend bool operator==(const SessionSummaryRow &, const SessionSummaryRow &) = default;
    };

    // One ten-minute segment's counters.
    struct ActivitySegmentRow
    {
        QString segmentDate;
        int segmentNumber = 0;
        int activeSeconds = 0;
        int nonIdleSeconds = 0;
        int mouseMovements = 0;
        int keyboardMovements = 0;

        friend bool operator==(const ActivitySegmentRow &, const ActivitySegmentRow &) = default;
    };

    // activityRateWeightedSum / nonIdlePercentSum is the segments' activity percent weighted by
    // their non-idle share; the division is the caller's.
    struct SegmentActivitySummary
    {
        double activityRateWeightedSum = 0.0;
        double nonIdlePercentSum = 0.0;
    };

    // Answers the partition key of the signed-in company and employee (DataPartition::key), or
    // "global" when no company is stored (an empty answer counts as "global"). Asked anew for
    // every statement, under the store's lock, so it must not call back into the store.
    //
    // Rows written under a company's bare domain key (before employees were told apart, or while
    // the employee is unknown) go to the first employee of that company whose key the provider
    // answers.
    using DomainKeyProvider = std::function<QString()>;

    SQLiteStore(const QString &databasePath, DomainKeyProvider domainKeyProvider,
                const Clock &clock);
    ~SQLiteStore();
    SQLiteStore(const SQLiteStore &) = delete;
    SQLiteStore &operator=(const SQLiteStore &) = delete;

    // The database file in the application's data folder.
    static QString defaultDatabasePath();

    QString databasePath() const { return m_databasePath; }
    bool isOpen() const;

    // Running sessions.
    void saveActiveSession(const Session &session,
                           const std::optional<QString> &domainKey = std::nullopt);
    QList<Session> loadAllActiveSessions();
    // The running session saved last.
    std::optional<Session> loadActiveSession();
    // Without an id: every running session of the current domain.
    void clearActiveSession(const std::optional<QUuid> &id);

    // Finished sessions.
    void appendSessionHistory(const Session &session);
    // The history row written and the running row removed in one transaction, so a failed
    // write never leaves the session in neither table. Answers whether both happened.
    bool moveSessionToHistory(const Session &session,
                              const std::optional<QString> &domainKey = std::nullopt);
    // The same, with the upload task that tells the service the session ended added to the queue
    // in that transaction: a crash or a full disk leaves all three or none.
    bool moveSessionToHistoryWithUpload(const Session &session, const UploadTask &finalHeartbeat,
                                        const std::optional<QString> &domainKey = std::nullopt);
    // The running row and the upload task that tells the service the session began, in one
    // transaction. Answers whether both were written.
    bool saveActiveSessionWithUpload(const Session &session, const UploadTask &start,
                                     const std::optional<QString> &domainKey = std::nullopt);
    // Sessions that started in [from, to), in start order.
    QList<SessionSummaryRow> sessionHistory(Timestamp from, Timestamp to);

    // Activity segments. The counters are the segment's totals so far, not increments; every
    // write makes the segment wait for upload again. Counters beyond the 32-bit range are stored
    // at the range's limit.
    void upsertActivitySegment(const QString &segmentDate, int segmentNumber, qint64 activeSeconds,
                               qint64 nonIdleSeconds, qint64 mouseMovements,
                               qint64 keyboardMovements,
                               const std::optional<QString> &domainKey = std::nullopt);
    // Closed (strictly before the given one), not yet uploaded segments with any activity.
    QList<ActivitySegmentRow> pendingActivitySegmentsForUpload(const QString &currentSegmentDate,
                                                               int currentSegmentNumber);
    // The current domain's row of one segment, uploaded or not.
    std::optional<ActivitySegmentRow> activitySegment(const QString &date, int number);
    void markActivitySegmentUploaded(const QString &segmentDate, int segmentNumber);
    // Marks the segment uploaded only while its counters still equal those sent; a segment that
    // grew while its upload was in flight stays pending. Answers whether the row was marked.
    bool
    markActivitySegmentUploadedIfUnchanged(const ActivitySegmentRow &sent,
                                           const std::optional<QString> &domainKey = std::nullopt);
    // Over the whole days of the device's calendar from the day of `from` up to, not including,
    // the day of `to`.
    SegmentActivitySummary segmentActivitySummary(Timestamp from, Timestamp to);
    // Removes what can no longer be sent to any company; answers the number of rows removed.
    int cleanupUnattributableData(const QString &staleCutoffDate,
                                  const std::optional<QString> &currentDomain = std::nullopt);

    // Upload queue. Enqueueing a task again replaces its row and makes it due at once.
    void enqueueUploadTask(const UploadTask &task,
                           const std::optional<QString> &domainKey = std::nullopt);
    // The most urgent pending or failed task of the current domain due at `now`: highest
    // priority, then oldest. The row is unchanged; the caller marks it in progress next.
    std::optional<UploadTask> nextUploadTask(Timestamp now);
    // The marks take the key the task was taken under, so an outcome that arrives after a
    // sign-out is still written to the task's own row; without one, the current key.
    void markUploadTaskInProgress(const QUuid &id,
                                  const std::optional<QString> &domainKey = std::nullopt);
    // At start: tasks a crash or quit left in progress become pending again, in every domain.
    void resetStaleInProgressTasks();
    void markUploadTaskCompleted(const QUuid &id,
                                 const std::optional<QString> &domainKey = std::nullopt);
    // Retry counts beyond the 32-bit range are stored at the range's limit.
    void markUploadTaskFailed(const QUuid &id, qint64 retryCount, Timestamp nextAttemptAt,
                              const std::optional<QString> &domainKey = std::nullopt);
    // Open (pending, in progress or failed) tasks of the session with one of the types.
    QList<QUuid> pendingUploadTaskIds(const QUuid &sessionId, const QList<UploadTaskType> &types);
    QSet<QString> pendingUploadFilePaths();
    bool hasScreenshotTask(const QUuid &sessionId, const QString &filePath,
                           const std::optional<QString> &domainKey = std::nullopt);
    bool hasActivitySegmentTask();

    // The key the rows of the signed-in company are kept under.
    QString domainKey() const;

private:
    enum class SchemaOutcome
    {
        Ready,
        DamagedFile,
    };

    void openIfNeeded();
    // Opens, migrates and checks the file; a damaged one is set aside, replaced and salvaged.
    void openCheckedDatabase();
    SchemaOutcome migrateIfNeeded();
    bool passesQuickCheck();
    // Runs at the start of every operation: a statement that met a damaged page makes the next
    // operation replace the file first. Answers whether there is a connection to work on.
    bool ensureUsable();
    // Gives the rows kept under the bare domain key of the current key's company to the employee
    // the current key names, once per change of key.
    void claimRowsOfUnknownEmployee();
    void replaceDamagedDatabase();
    // Copies every row that still reads from the set-aside file; answers what was kept.
    QString salvageRowsFrom(const QString &asidePath);
    int salvageTable(const char *table);
    void noteWriteOutcome(bool succeeded, int resultCode);
    bool execute(const char *sql, int *resultCode = nullptr);
    bool tableHasColumn(const char *table, const char *column);
    // Closes the connection; answers the path the file went to (empty: the store stays inert).
    QString moveDamagedFileAside();

    QString domainKeyOr(const std::optional<QString> &explicitKey) const;
    // Steps a prepared write once and logs when it did not complete. Answers whether it did.
    bool finishWrite(SqliteStatement &statement, const char *operation);
    bool writeSessionHistoryRow(const Session &session, const QByteArray &json,
                                const QString &domain);
    bool writeActiveSessionRow(const Session &session, const QByteArray &json,
                               const QString &domain);
    bool writeUploadTaskRow(const UploadTask &task, const QString &domain);
    // The history row and the running row's removal, with the task when there is one.
    bool moveToHistory(const Session &session, const UploadTask *finalHeartbeat,
                       const std::optional<QString> &domainKey);
    // The session encoded and the domain key resolved, then the writes in one transaction.
    using SessionWrites = std::function<bool(const QByteArray &json, const QString &domain)>;
    bool writeSessionInTransaction(const Session &session, const char *operation,
                                   const std::optional<QString> &domainKey,
                                   const SessionWrites &writes);
    // Runs the writes under the lock in one transaction, committed only when every one of them
    // succeeded. Answers whether it was committed.
    bool writeInTransaction(const char *operation, const std::function<bool()> &writes);
    bool deleteActiveSessionRow(const QUuid &id, const QString &domain);
    void updateUploadTaskStatus(const QUuid &id, UploadTaskStatus status,
                                const std::optional<QString> &domainKey);
    bool deleteUnreadableUploadTask(const QString &domain, const std::optional<QString> &idText);
    // Decodes the payload in column 0 of every row; rows that do not decode are skipped, logged.
    QList<Session> readSessionRows(SqliteStatement &statement, const char *operation);

    const QString m_databasePath;
    const DomainKeyProvider m_domainKeyProvider;
    const Clock &m_clock;
    mutable QMutex m_mutex;
    SqliteConnection m_connection;
    bool m_damageSeen = false;
    bool m_writesFailing = false;
    // The key the rows of an unknown employee were last given to.
    QString m_claimedForKey;
};
