// Turning the engine's work into queue rows, and the sweep that puts stranded capture files back
// into the queue. Nothing here sends anything or runs a pass.

#include "upload/UploadService.h"

#include "foundation/Clock.h"
#include "foundation/DataPartition.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/model/SegmentUtils.h"
#include "upload/HeartbeatPayload.h"
#include "upload/StartSessionPayload.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

UploadTask UploadService::newTask(UploadTaskType type, const QUuid &sessionId, int priority) const
{
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = sessionId;
    task.type = type;
    task.retryCount = 0;
    task.createdAt = m_deps.clock.now();
    task.status = UploadTaskStatus::Pending;
    task.priority = priority;
    return task;
}

std::optional<UploadTask> UploadService::sessionStartTask(const Session &session) const
{
    if (session.intervals.isEmpty())
        return std::nullopt;
    const auto body = StartSessionPayload::build(session, bodyTimeZone(session));
    if (!body) {
        zuvError(lcUpload) << "enqueueSessionStart: StartSessionPayload.build failed";
        return std::nullopt;
    }
    UploadTask task = newTask(UploadTaskType::StartSession, session.id, startSessionPriority);
    task.jsonPayload = *body;
    return task;
}

UploadTask UploadService::finalHeartbeatTask(const Session &session) const
{
    UploadTask heartbeat = newTask(UploadTaskType::Heartbeat, session.id, heartbeatPriority);
    heartbeat.jsonPayload =
        HeartbeatPayload::build(session, QString::fromLatin1(HeartbeatPayload::completedStatus),
                                m_deps.clock.now(), bodyTimeZone(session));
    return heartbeat;
}

QCoro::Task<> UploadService::enqueueSessionStart(Session session)
{
    if (const std::optional<UploadTask> task = sessionStartTask(session))
        m_deps.store.enqueueUploadTask(*task);
    co_return;
}

QCoro::Task<> UploadService::enqueueSessionUpload(Session session, QString domainKey)
{
    const QString domain = domainKey.isEmpty() ? m_deps.domainKey() : domainKey;
    m_deps.store.enqueueUploadTask(finalHeartbeatTask(session), domain);

    for (const QString &path : screenshotFiles(session.id, domain)) {
        UploadTask screenshot = newTask(UploadTaskType::Screenshot, session.id, screenshotPriority);
        screenshot.filePath = path;
        m_deps.store.enqueueUploadTask(screenshot, domain);
    }
    co_return;
}

QCoro::Task<> UploadService::enqueueScreenshotsForSession(QUuid sessionId, QString domainKey)
{
    const QString domain = domainKey.isEmpty() ? m_deps.domainKey() : domainKey;
    const QStringList files = screenshotFiles(sessionId, domain);
    zuvInfo(lcUpload).noquote() << QStringLiteral("Enqueueing %1 screenshot(s) for session %2")
                                       .arg(files.size())
                                       .arg(UuidText::format(sessionId));
    for (const QString &path : files) {
        if (m_deps.store.hasScreenshotTask(sessionId, path, domain))
            continue;
        UploadTask screenshot = newTask(UploadTaskType::Screenshot, sessionId, screenshotPriority);
        screenshot.filePath = path;
        m_deps.store.enqueueUploadTask(screenshot, domain);
    }
    co_return;
}

void UploadService::enqueueActivitySegmentsForUpload(const std::optional<QString> &openSegmentDate,
                                                     const std::optional<int> &openSegmentNumber)
{
    if (m_deps.store.hasActivitySegmentTask())
        return;
    UploadTask task = newTask(UploadTaskType::ActivitySegment, QUuid(), activitySegmentPriority);
    if (openSegmentDate && openSegmentNumber) {
        const QJsonObject open{{QStringLiteral("open_segment_date"), *openSegmentDate},
                               {QStringLiteral("open_segment_number"), *openSegmentNumber}};
        task.jsonPayload = QJsonDocument(open).toJson(QJsonDocument::Compact);
    }
    m_deps.store.enqueueUploadTask(task);
}

void UploadService::maybeEnqueuePendingActivitySegmentsUpload()
{
    if (m_deps.store.hasActivitySegmentTask())
        return;
    const auto open = SegmentUtils::segmentDateAndNumber(m_deps.clock.now(), apiTimeZone());
    if (!m_deps.store.pendingActivitySegmentsForUpload(open.dayKey, open.number).isEmpty())
        enqueueActivitySegmentsForUpload(open.dayKey, open.number);
}

QStringList UploadService::screenshotFiles(const QUuid &sessionId, const QString &domainKey) const
{
    const QString folder = capturesFolder(domainKey.isEmpty() ? m_deps.domainKey() : domainKey);
    QDir().mkpath(folder);
    const QString prefix = UuidText::format(sessionId) + QLatin1Char('_');
    QStringList files;
    const QDir directory(folder);
    const QStringList names =
        directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        if (name.startsWith(prefix))
            files.append(directory.absoluteFilePath(name));
    }
    return files;
}

void UploadService::enqueueOrphanedScreenshots()
{
    const QString domain = m_deps.domainKey();
    const Timestamp now = m_deps.clock.now();
    const QDir base(m_deps.capturesBaseDirectory);

    // Other companies' folders only age out: their files cannot be sent while signed in here.
    const auto alwaysQueued = [](const QUuid &, const QString &) {
        return true;
    };
    // The company's bare folder holds captures from before employees were told apart; like the
    // company's rows of those days, they belong to the first of its employees signed in since.
    QStringList ownFolders{domain};
    if (DataPartition::namesEmployee(domain))
        ownFolders.append(DataPartition::companyOf(domain));
    const QStringList folders =
        base.exists() ? base.entryList(QDir::Dirs | QDir::NoDotAndDotDot) : QStringList();
    for (const QString &folder : folders) {
        if (!ownFolders.contains(folder))
            orphanedScreenshotTasks(base.filePath(folder), now, alwaysQueued);
    }

    const auto hasQueuedTask = [this](const QUuid &sessionId, const QString &path) {
        return m_deps.store.hasScreenshotTask(sessionId, path);
    };
    QList<UploadTask> tasks;
    for (const QString &folder : std::as_const(ownFolders))
        tasks += orphanedScreenshotTasks(capturesFolder(folder), now, hasQueuedTask);
    for (const UploadTask &task : tasks)
        m_deps.store.enqueueUploadTask(task);
    if (!tasks.isEmpty()) {
        zuvInfo(lcUpload).nospace()
            << "Orphan sweeper: enqueued " << tasks.size() << " stranded screenshot(s)";
    }
}

QList<UploadTask> UploadService::orphanedScreenshotTasks(
    const QString &folder, Timestamp now,
    const std::function<bool(const QUuid &, const QString &)> &hasQueuedTask) const
{
    QList<UploadTask> tasks;
    const QDir directory(folder);
    if (!directory.exists())
        return tasks;
    const QFileInfoList entries =
        directory.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix().toLower() != QLatin1String("jpg"))
            continue;
        const QDateTime modified = entry.lastModified();
        if (modified.isValid() && now - Timestamp::fromDateTime(modified) > captureExpirySeconds) {
            QFile::remove(entry.absoluteFilePath());
            continue;
        }
        const QString name = entry.fileName();
        const qsizetype underscore = name.indexOf(QLatin1Char('_'));
        if (underscore < 0)
            continue;
        const auto sessionId = UuidText::parse(QStringView(name).left(underscore));
        if (!sessionId)
            continue;
        const QString path = entry.absoluteFilePath();
        if (hasQueuedTask(*sessionId, path))
            continue;
        UploadTask task = newTask(UploadTaskType::Screenshot, *sessionId, screenshotPriority);
        task.filePath = path;
        tasks.append(task);
    }
    return tasks;
}
