#pragma once

#include "foundation/Timestamp.h"
#include "store/UploadTask.h"
#include "tracking/model/UploadQueue.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QTimer>
#include <QUuid>

#include <exception>
#include <functional>
#include <optional>

class Clock;
class DeviceIdProvider;
class NetworkMonitor;
class RandomSource;
class RetryManager;
class SQLiteStore;
class SettingsStore;
class UploadHttpClient;

// The single owner of the upload queue. It works off the store's queue rows in priority order,
// sends each by its type to the tracking API, deletes what the server took and hands every
// failure to the back-off and circuit-breaker rules. The tracking engine reaches it only through
// UploadQueue; it answers the engine only through the notification hub.
//
// Lives on the main thread; its asynchronous operations are coroutines, and a pass runs one task
// at a time. A pass starts at once when the service starts, 30 s after the previous one ended,
// and whenever the engine asks; one that is asked for while another runs is skipped.
class UploadService : public QObject, public UploadQueue
{
    Q_OBJECT

public:
    static constexpr int startSessionPriority = 110;
    static constexpr int heartbeatPriority = 100;
    static constexpr int activitySegmentPriority = 40;
    static constexpr int screenshotPriority = 10;
    static constexpr int defaultTasksPerPass = 20;
    static constexpr int loopPauseMilliseconds = 30'000;
    static constexpr double captureExpirySeconds = 604'800.0;

    struct Dependencies
    {
        SQLiteStore &store;
        UploadHttpClient &http;
        RetryManager &retry;
        SettingsStore &settings;
        const DeviceIdProvider &deviceIds;
        const Clock &clock;
        RandomSource &random;
        // Answers the current partition key (company and employee, DataPartition), or "global".
        std::function<QString()> domainKey;
        // The folder holding one captures folder per partition key.
        QString capturesBaseDirectory;
        // Advisory only; may be null.
        const NetworkMonitor *network = nullptr;
    };

    explicit UploadService(Dependencies dependencies, QObject *parent = nullptr);
    ~UploadService() override;

    // Returns interrupted tasks to pending, removes what can no longer be sent, sweeps stranded
    // capture files into the queue, and (re)starts the loop with an immediate pass.
    void start();
    void stop();

    std::optional<UploadTask> sessionStartTask(const Session &session) const override;
    UploadTask finalHeartbeatTask(const Session &session) const override;
    QCoro::Task<> enqueueScreenshotsForSession(QUuid sessionId,
                                               QString domainKey = QString()) override;
    // The start, or the final heartbeat and the screenshots of a completed session, queued on
    // their own, outside any transaction of the session's rows.
    QCoro::Task<> enqueueSessionStart(Session session);
    QCoro::Task<> enqueueSessionUpload(Session session, QString domainKey = QString());
    QCoro::Task<bool> uploadHeartbeatNow(Session session) override;
    QCoro::Task<> processQueue() override;

    // One task for the closed segments waiting for upload, unless one is already open.
    void enqueueActivitySegmentsForUpload(const std::optional<QString> &openSegmentDate,
                                          const std::optional<int> &openSegmentNumber);

    bool isProcessing() const { return m_isProcessing; }
    QSet<QUuid> takenOverSessions() const { return m_takenOverSessions; }
    // The benchmark lifts the per-pass limit; nothing else changes it.
    void setTasksPerPass(int limit) { m_tasksPerPass = limit; }

Q_SIGNALS:
    // A pass has ended (or was skipped); tests and the benchmark wait on it.
    void passFinished(int handledTasks);

private:
    // Queue pass and loop.
    QCoro::Task<> runLoop(quint64 generation);
    QCoro::Task<> sendTask(const UploadTask &task);
    QCoro::Task<> handleFailedTask(const UploadTask &task, std::exception_ptr error);
    bool deferHeartbeatUntilStartIsSent(const UploadTask &task);
    // Start and final heartbeat bodies are built once, when queued; losing the row loses them.
    static bool holdsOnlyCopyOfSessionData(UploadTaskType type);

    // Senders; each throws when the server did not take the task.
    QCoro::Task<> uploadStartSession(const UploadTask &task);
    QCoro::Task<> uploadQueuedHeartbeat(const UploadTask &task);
    QCoro::Task<> uploadActivitySegments(const UploadTask &task);
    QCoro::Task<> uploadScreenshot(const UploadTask &task);
    QCoro::Task<QByteArray> postJson(const char *path, const QByteArray &body);

    // Takeover and the server's today total.
    bool handleHeartbeatTakenOver(const QUuid &sessionId, int statusCode);
    // Only while the partition the request was made for is still the current one: another
    // employee's figure must never show as this one's.
    void postServerTodayTotalIfPresent(const QByteArray &responseBody, const QString &source,
                                       const QString &partition);
    void removeUnqueuedCaptures(const QUuid &sessionId);

    // Enqueueing and the orphan sweep.
    UploadTask newTask(UploadTaskType type, const QUuid &sessionId, int priority) const;
    void maybeEnqueuePendingActivitySegmentsUpload();
    void enqueueOrphanedScreenshots();
    // The session's capture files in the domain's folder (empty: the current domain's).
    QStringList screenshotFiles(const QUuid &sessionId, const QString &domainKey = QString()) const;
    QList<UploadTask> orphanedScreenshotTasks(
        const QString &folder, Timestamp now,
        const std::function<bool(const QUuid &, const QString &)> &hasQueuedTask) const;
    QString capturesFolder(const QString &domainKey) const;

    QTimeZone apiTimeZone() const;
    // The zone a session's bodies are written in: the one it was begun under.
    QTimeZone bodyTimeZone(const Session &session) const;
    QString storedTimezoneIdentifier() const;

    Dependencies m_deps;
    QTimer m_loopTimer;
    quint64 m_loopGeneration = 0;
    bool m_loopRunning = false;
    bool m_isProcessing = false;
    bool m_lastPassFoundNothing = false;
    int m_tasksPerPass = defaultTasksPerPass;
    QSet<QUuid> m_takenOverSessions;
    // The partition of the pass under way: its tasks were taken from it, and their outcomes are
    // written to it even when a sign-out has changed the current one meanwhile.
    QString m_passPartition;
};
