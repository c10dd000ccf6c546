#pragma once

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

    // Queues the start of a session.
    virtual QCoro::Task<> enqueueSessionStart(Session session) = 0;
    // Queues the final heartbeat of a completed session and one upload per screenshot file of it,
    // under the domain key of the company the session was tracked for (empty: the current one),
    // so they are sent when that company is signed in to, whoever is signed in now.
    virtual QCoro::Task<> enqueueSessionUpload(Session session, QString domainKey = QString()) = 0;
    // Queues every screenshot file of a running session that has no open upload yet.
    virtual QCoro::Task<> enqueueScreenshotsForSession(QUuid sessionId) = 0;
    // Sends the session's live heartbeat now, outside the queue; true when the server accepted it.
    virtual QCoro::Task<bool> uploadHeartbeatNow(Session session) = 0;
    // Runs one queue pass; returns at once when a pass is already running.
    virtual QCoro::Task<> processQueue() = 0;
};
