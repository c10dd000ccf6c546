#include "support/engine/RecordingUploadQueue.h"

std::optional<UploadTask> RecordingUploadQueue::sessionStartTask(const Session &session) const
{
    m_calls.append({QStringLiteral("sessionStartTask"), session.id, session, QString()});
    if (session.intervals.isEmpty())
        return std::nullopt;
    return taskFor(UploadTaskType::StartSession, session);
}

UploadTask RecordingUploadQueue::finalHeartbeatTask(const Session &session) const
{
    m_calls.append({QStringLiteral("finalHeartbeatTask"), session.id, session, QString()});
    if (onSessionUpload)
        onSessionUpload();
    return taskFor(UploadTaskType::Heartbeat, session);
}

UploadTask RecordingUploadQueue::taskFor(UploadTaskType type, const Session &session) const
{
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = session.id;
    task.type = type;
    task.jsonPayload = session.toJson();
    return task;
}

QCoro::Task<> RecordingUploadQueue::enqueueScreenshotsForSession(QUuid sessionId, QString domainKey)
{
    m_calls.append(
        {QStringLiteral("enqueueScreenshotsForSession"), sessionId, std::nullopt, domainKey});
    co_return;
}

QCoro::Task<bool> RecordingUploadQueue::uploadHeartbeatNow(Session session)
{
    m_calls.append({QStringLiteral("uploadHeartbeatNow"), session.id, session, QString()});
    co_return heartbeatAccepted;
}

QCoro::Task<> RecordingUploadQueue::processQueue()
{
    m_calls.append({QStringLiteral("processQueue"), QUuid(), std::nullopt, QString()});
    co_return;
}

QStringList RecordingUploadQueue::operations() const
{
    QStringList names;
    for (const Call &call : m_calls)
        names.append(call.operation);
    return names;
}

std::optional<Session> RecordingUploadQueue::lastSession(const QString &operation) const
{
    for (auto call = m_calls.crbegin(); call != m_calls.crend(); ++call) {
        if (call->operation == operation)
            return call->session;
    }
    return std::nullopt;
}
