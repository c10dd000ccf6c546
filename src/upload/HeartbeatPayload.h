#pragma once

#include "foundation/Timestamp.h"
#include "tracking/model/Session.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>

// The heartbeat body: the whole state of a session, sent live ("active", at once and outside the
// queue) and once more when it ends ("completed", queued with the body frozen at that moment).
class HeartbeatPayload
{
public:
    static constexpr const char *path = "hr/zuvevivezid/employees/sessions/heartbeat";
    static constexpr const char *activeStatus = "active";
    static constexpr const char *completedStatus = "completed";

    // buildMoment stands in for every open end; only the exact text "completed" closes them.
    static QByteArray build(const Session &session, const QString &status, Timestamp buildMoment,
                            const QTimeZone &apiZone);

    // Seconds as the wire's integer: truncated toward zero, clamped into 64 bits, 0 for NaN.
    static qint64 wholeSeconds(double seconds);
};
