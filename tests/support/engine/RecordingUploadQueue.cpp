#include "support/engine/RecordingUploadQueue.h"

QCoro::Task<> RecordingUploadQueue::enqueueSessionStart(Session session)
{
    m_calls.append({QStringLiteral("enqueueSessionStart"), session.id, session, QString()});
    co_return;
}

QCoro::Task<> RecordingUploadQueue::enqueueSessionUpload(Session session, QString domainKey)
{
    m_calls.append({QStringLiteral("enqueueSessionUpload"), session.id, session, domainKey});
    if (onSessionUpload)
        onSessionUpload();
    co_return;
}

QCoro::Task<> RecordingUploadQueue::enqueueScreenshotsForSession(QUuid sessionId)
{
    m_calls.append(
        {QStringLiteral("enqueueScreenshotsForSession"), sessionId, std::nullopt, QString()});
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
