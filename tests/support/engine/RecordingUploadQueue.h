#pragma once

#include "tracking/model/UploadQueue.h"

#include <QList>

#include <QString>
#include <QStringList>
#include <functional>

// Remembers every call in order and completes each at once. uploadHeartbeatNow() answers
// heartbeatAccepted. The tasks it builds carry the session's JSON as their body.
class RecordingUploadQueue final : public UploadQueue
{
public:
    struct Call
    {
        QString operation; // the operation's name, e.g. "sessionStartTask"
        QUuid sessionId;   // null for processQueue()
        std::optional<Session> session;
        QString domainKey; // enqueueScreenshotsForSession() only
    };

    std::optional<UploadTask> sessionStartTask(const Session &session) const override;
    UploadTask finalHeartbeatTask(const Session &session) const override;
    QCoro::Task<> enqueueScreenshotsForSession(QUuid sessionId,
                                               QString domainKey = QString()) override;
    QCoro::Task<bool> uploadHeartbeatNow(Session session) override;
    QCoro::Task<> processQueue() override;

    const QList<Call> &calls() const { return m_calls; }
    QStringList operations() const;
    // The session handed to the last call of that operation, if any.
    std::optional<Session> lastSession(const QString &operation) const;
    void clear() { m_calls.clear(); }

    bool heartbeatAccepted = true;
    // Runs as a session's last upload is queued, for what the real queue reads at that moment.
    std::function<void()> onSessionUpload;

private:
    UploadTask taskFor(UploadTaskType type, const Session &session) const;

    // Building a task is a call worth remembering too.
    mutable QList<Call> m_calls;
};
