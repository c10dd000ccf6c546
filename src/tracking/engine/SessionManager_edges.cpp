// The start and the end of a session, each written with the upload task that tells the service
// in one transaction, so that a kill or a full disk can never leave the one without the other.
// An edge the store refuses stays in memory and is written, in order, once writing works again.
#include "tracking/engine/SessionManager.h"

#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "tracking/model/UploadQueue.h"

#include <QTimer>

namespace {

QCoro::Task<> uploadEndedSession(UploadQueue &queue, QUuid sessionId, QString domainKey)
{
    co_await queue.enqueueScreenshotsForSession(sessionId, std::move(domainKey));
    co_await queue.processQueue();
}

QCoro::Task<> runQueuePass(UploadQueue &queue)
{
    co_await queue.processQueue();
}

} // namespace

void SessionManager::writeSessionStart(const Session &session)
{
    writeSessionEdge(SessionEdge{session, domainKeyOf(session.id), false,
                                 m_uploadQueue.sessionStartTask(session)});
}

void SessionManager::writeSessionEnd(const Session &session, bool tellsService,
                                     bool clearsHeartbeatMark)
{
    // Begun while paused and never resumed: its start was never sent, so a final heartbeat
    // would only meet a session the service does not know, which reads as a takeover.
    if (tellsService && session.intervals.isEmpty()) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Session %1 ended without tracked time; nothing to upload")
                   .arg(UuidText::format(session.id));
    }
    const bool uploads = tellsService && !session.intervals.isEmpty();
    writeSessionEdge(SessionEdge{session, domainKeyOf(session.id), true,
                                 uploads ? std::optional(m_uploadQueue.finalHeartbeatTask(session))
                                         : std::nullopt,
                                 clearsHeartbeatMark});
}

void SessionManager::writeSessionEdge(SessionEdge edge)
{
    if (writeUnwrittenSessionEdges() && tryWriteSessionEdge(edge)) {
        handleSessionEdgeWritten(edge);
        return;
    }
    zuvError(lcSession).noquote()
        << QStringLiteral("The %1 of session %2 could not be stored; kept to be written again")
               .arg(edge.endsSession ? QStringLiteral("end") : QStringLiteral("start"),
                    UuidText::format(edge.session.id));
    m_unwrittenEdges.push_back(std::move(edge));
    if (!m_unwrittenEdgeRetry.isActive())
        m_unwrittenEdgeRetry.start();
}

bool SessionManager::tryWriteSessionEdge(const SessionEdge &edge)
{
    if (edge.endsSession) {
        return edge.upload ? m_store.moveSessionToHistoryWithUpload(edge.session, *edge.upload,
                                                                    edge.domainKey)
                           : m_store.moveSessionToHistory(edge.session, edge.domainKey);
    }
    // A start written late carries what the session has become since.
    const Session &session = m_currentSession && m_currentSession->id == edge.session.id
                                 ? *m_currentSession
                                 : edge.session;
    if (edge.upload)
        return m_store.saveActiveSessionWithUpload(session, *edge.upload, edge.domainKey);
    m_store.saveActiveSession(session, edge.domainKey);
    return true;
}

void SessionManager::handleSessionEdgeWritten(const SessionEdge &edge)
{
    if (edge.clearsHeartbeatMark)
        m_heartbeat.clear(edge.session.id);
    if (!edge.upload)
        return;
    // No context object: the pass must still be asked for if the manager goes away first.
    if (edge.endsSession) {
        QTimer::singleShot(0, [&queue = m_uploadQueue, id = edge.session.id,
                               domain = edge.domainKey] { uploadEndedSession(queue, id, domain); });
    } else {
        QTimer::singleShot(0, [&queue = m_uploadQueue] { runQueuePass(queue); });
    }
}

bool SessionManager::writeUnwrittenSessionEdges()
{
    while (!m_unwrittenEdges.empty()) {
        if (!tryWriteSessionEdge(m_unwrittenEdges.front()))
            return false;
        const SessionEdge written = std::move(m_unwrittenEdges.front());
        m_unwrittenEdges.pop_front();
        zuvInfo(lcSession).noquote()
            << QStringLiteral("The kept %1 of session %2 is now stored")
                   .arg(written.endsSession ? QStringLiteral("end") : QStringLiteral("start"),
                        UuidText::format(written.session.id));
        handleSessionEdgeWritten(written);
    }
    m_unwrittenEdgeRetry.stop();
    return true;
}

bool SessionManager::hasUnwrittenEdge(const QUuid &sessionId) const
{
    return std::any_of(
        m_unwrittenEdges.cbegin(), m_unwrittenEdges.cend(),
        [&sessionId](const SessionEdge &edge) { return edge.session.id == sessionId; });
}
