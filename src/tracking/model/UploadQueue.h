#pragma once

#include "store/UploadTask.h"
#include "tracking/model/Session.h"

#include <QUuid>

#include <qcoro/qcorotask.h>

// The upload queue as the tracking engine reaches it. The engine hands over work only after its
// own state and the store are final, and never waits for the result: each call runs in a task of
// its own. The queue answers back only through the notification hub.
//
// Arguments are taken by value because every operation may suspend.
class UploadQueue
{
public:
    virtual ~UploadQueue() = default;

    // The queue row that tells the service a session began, built but not stored: the engine
    // writes it with the session's running row in one transaction. None when the session has no
    // interval to name or no body can be built.
    virtual std::optional<UploadTask> sessionStartTask(const Session &session) const = 0;
    // The queue row carrying a completed session's final heartbeat, built but not stored: the
    // engine writes it with the session's history row in one transaction.
    virtual UploadTask finalHeartbeatTask(const Session &session) const = 0;
    // Queues every screenshot file of the session that has no open upload yet, under the domain
    // key of the company the session was tracked for (empty: the current one), so they are sent
    // when that company is signed in to, whoever is signed in now.
    virtual QCoro::Task<> enqueueScreenshotsForSession(QUuid sessionId,
                                                       QString domainKey = QString()) = 0;
    // Sends the session's live heartbeat now, outside the queue; true when the server accepted it.
    virtual QCoro::Task<bool> uploadHeartbeatNow(Session session) = 0;
    // Runs one queue pass; returns at once when a pass is already running.
    virtual QCoro::Task<> processQueue() = 0;
};
