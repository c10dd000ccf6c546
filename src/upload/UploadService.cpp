#include "upload/UploadService.h"

#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RandomSource.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/model/SegmentUtils.h"
#include "upload/NetworkMonitor.h"
#include "upload/RetryManager.h"
#include "upload/UploadFailureAction.h"
#include "upload/UploadHttpClient.h"
#include "upload/UploadServiceError.h"

#include <QFile>
#include <QPointer>

UploadService::UploadService(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_deps(std::move(dependencies))
{
    m_loopTimer.setSingleShot(true);
    m_loopTimer.setInterval(loopPauseMilliseconds);
    connect(&m_loopTimer, &QTimer::timeout, this, [this] { runLoop(m_loopGeneration); });
}

UploadService::~UploadService() = default;

void UploadService::start()
{
    m_deps.store.resetStaleInProgressTasks();

    const QTimeZone zone = apiTimeZone();
    const QDate today = m_deps.clock.now().toDateTime().toTimeZone(zone).date();
    const QString cutoff = SegmentUtils::dayKey(today.addDays(-30));
    const int removed = m_deps.store.cleanupUnattributableData(cutoff);
    if (removed > 0) {
        zuvInfo(lcUpload).nospace()
            << "Launch cleanup: removed " << removed
            << " unattributable row(s) (global-domain queue/segments, zero segments, stale "
               "foreign-domain segments)";
    }

    enqueueOrphanedScreenshots();

    // A new loop replaces the old one; a pass of the old loop that is still running finishes,
    // but does not schedule another.
    m_loopTimer.stop();
    ++m_loopGeneration;
    m_loopRunning = true;
    runLoop(m_loopGeneration);
}

void UploadService::stop()
{
    m_loopTimer.stop();
    ++m_loopGeneration;
    m_loopRunning = false;
}

QCoro::Task<> UploadService::runLoop(quint64 generation)
{
    QPointer<UploadService> self(this);
    co_await processQueue();
    // Passes are 30 s apart from the end of one to the start of the next.
    if (self && m_loopRunning && generation == m_loopGeneration)
        m_loopTimer.start();
}

QCoro::Task<> UploadService::processQueue()
{
    if (m_deps.network && !m_deps.network->isOnline()) {
        zuvInfo(lcUpload)
            << "processQueue: NetworkMonitor reports offline (advisory) — proceeding anyway";
    }
    maybeEnqueuePendingActivitySegmentsUpload();

    if (m_isProcessing) {
        zuvInfo(lcUpload) << "processQueue skipped: already processing";
        co_return;
    }
    m_isProcessing = true;
    if (m_deps.retry.isCircuitOpen(m_deps.clock.now())) {
        zuvInfo(lcUpload) << "processQueue skipped: circuit breaker open";
        m_isProcessing = false;
        Q_EMIT passFinished(0);
        co_return;
    }

    QPointer<UploadService> self(this);
    int handled = 0;
    m_passPartition = m_deps.domainKey();
    while (handled < m_tasksPerPass) {
        if (m_deps.retry.isCircuitOpen(m_deps.clock.now()))
            break;
        // A sign-out (or another sign-in) ends the pass: the next task would go out with the
        // token of whoever is signed in now.
        if (m_deps.domainKey() != m_passPartition) {
            zuvInfo(lcUpload) << "processQueue: the sign-in changed during the pass; it ends here";
            break;
        }
        const std::optional<UploadTask> task = m_deps.store.nextUploadTask(m_deps.clock.now());
        if (!task)
            break;
        m_deps.store.markUploadTaskInProgress(task->id, m_passPartition);
        if (deferHeartbeatUntilStartIsSent(*task)) {
            ++handled;
            continue;
        }

        std::exception_ptr failure;
        try {
            co_await sendTask(*task);
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self)
            co_return;
        if (failure) {
            co_await handleFailedTask(*task, failure);
        } else {
            m_deps.store.markUploadTaskCompleted(task->id, m_passPartition);
            m_deps.retry.registerSuccess();
        }
        ++handled;
    }
    // Said when the queue becomes empty, not at every pass of the loop that finds it so.
    if (handled == 0 && !m_lastPassFoundNothing)
        zuvInfo(lcUpload) << "processQueue: no tasks in queue";
    m_lastPassFoundNothing = handled == 0;
    m_deps.http.releaseIdleConnections();
    m_isProcessing = false;
    Q_EMIT passFinished(handled);
}

bool UploadService::deferHeartbeatUntilStartIsSent(const UploadTask &task)
{
    // The server knows a session only once its start has arrived; a heartbeat sent before that
    // is answered 404, which reads as a takeover and would drop the start for good. So a final
    // heartbeat waits while its session's start is still queued (for instance in back-off).
    if (task.type != UploadTaskType::Heartbeat)
        return false;
    if (m_deps.store.pendingUploadTaskIds(task.sessionId, {UploadTaskType::StartSession}).isEmpty())
        return false;
    zuvInfo(lcUpload).noquote() << "Task" << UuidText::format(task.id)
                                << "heartbeat waits for its session's start to be sent";
    m_deps.store.markUploadTaskFailed(
        task.id, task.retryCount, m_deps.clock.now().addingSeconds(loopPauseMilliseconds / 1000.0),
        m_passPartition);
    return true;
}

QCoro::Task<> UploadService::sendTask(const UploadTask &task)
{
    switch (task.type) {
    case UploadTaskType::Metadata:
        co_return;
    case UploadTaskType::Heartbeat:
        co_await uploadQueuedHeartbeat(task);
        co_return;
    case UploadTaskType::Screenshot:
        co_await uploadScreenshot(task);
        co_return;
    case UploadTaskType::ActivitySegment:
        co_await uploadActivitySegments(task);
        co_return;
    case UploadTaskType::StartSession:
        co_await uploadStartSession(task);
        co_return;
    }
}

QCoro::Task<> UploadService::handleFailedTask(const UploadTask &task, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const UploadServiceError &) {
        m_deps.store.markUploadTaskCompleted(task.id, m_passPartition);
        co_return;
    } catch (...) {
    }

    const QString id = UuidText::format(task.id);
    const QString type = uploadTaskTypeRawValue(task.type);
    const UploadFailureAction action = UploadFailureAction::forError(error, task.type);
    switch (action.kind) {
    case UploadFailureAction::Kind::TakenOver:
        handleHeartbeatTakenOver(task.sessionId, action.statusCode.value_or(409));
        m_deps.store.markUploadTaskCompleted(task.id, m_passPartition);
        break;
    case UploadFailureAction::Kind::Drop:
        zuvError(lcUpload).noquote()
            << "Task" << id << "type=" + type << "permanent client error; dropping.";
        if (action.deleteFile && task.filePath)
            QFile::remove(*task.filePath);
        m_deps.store.markUploadTaskCompleted(task.id, m_passPartition);
        break;
    case UploadFailureAction::Kind::Retry: {
        const int attempt = task.retryCount + 1;
        QString description;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception &exception) {
            description = QString::fromUtf8(exception.what());
        } catch (...) {
            description = QStringLiteral("unknown error");
        }
        zuvError(lcUpload).noquote()
            << "Task" << id << "type=" + type << QStringLiteral("failed (attempt %1):").arg(attempt)
            << description;
        m_deps.retry.registerFailure(action.statusCode);
        if (holdsOnlyCopyOfSessionData(task.type)) {
            // The start or final heartbeat exists nowhere but in this row: a server or network
            // in trouble only delays it, until it is as old as a stranded capture may get.
            if (m_deps.clock.now() - task.createdAt > captureExpirySeconds) {
                zuvError(lcUpload).noquote()
                    << "Task" << id << "type=" + type
                    << "could not be delivered for seven days, discarding; the session is lost "
                       "for the server.";
                m_deps.store.markUploadTaskCompleted(task.id, m_passPartition);
            } else {
                m_deps.store.markUploadTaskFailed(
                    task.id, attempt, m_deps.retry.nextAttemptDate(attempt), m_passPartition);
            }
        } else if (attempt > RetryManager::maximumRetries) {
            zuvError(lcUpload).noquote() << "Task" << id << "exceeded max retries, discarding.";
            m_deps.store.markUploadTaskCompleted(task.id, m_passPartition);
        } else {
            m_deps.store.markUploadTaskFailed(
                task.id, attempt, m_deps.retry.nextAttemptDate(attempt), m_passPartition);
        }
        break;
    }
    case UploadFailureAction::Kind::Offline:
        zuvInfo(lcUpload).noquote()
            << "Task" << id << "offline transport error; rescheduling without retry penalty";
        m_deps.store.markUploadTaskFailed(
            task.id, task.retryCount,
            m_deps.clock.now().addingSeconds(m_deps.random.uniform(60.0, 90.0)), m_passPartition);
        break;
    }
}

bool UploadService::holdsOnlyCopyOfSessionData(UploadTaskType type)
{
    return type == UploadTaskType::StartSession || type == UploadTaskType::Heartbeat;
}

QTimeZone UploadService::apiTimeZone() const
{
    return APITimeZoneResolver::resolvedTimeZone(storedTimezoneIdentifier());
}

QTimeZone UploadService::bodyTimeZone(const Session &session) const
{
    return session.apiTimeZoneId.isEmpty()
               ? apiTimeZone()
               : APITimeZoneResolver::resolvedTimeZone(session.apiTimeZoneId);
}

QString UploadService::storedTimezoneIdentifier() const
{
    return APITimeZoneResolver::storedTimezoneIdentifier(m_deps.settings);
}

QString UploadService::capturesFolder(const QString &domainKey) const
{
    return m_deps.capturesBaseDirectory + QLatin1Char('/') + domainKey;
}
