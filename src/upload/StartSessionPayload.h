#pragma once

#include "tracking/model/Session.h"

#include <QByteArray>
#include <QTimeZone>

#include <optional>

// The body that tells the server a session has started: device, session, task and the start of
// the first interval as a time text in the API time zone. Frozen when the start is queued.
class StartSessionPayload
{
public:
    static constexpr const char *path = "hr/zuvevivezid/employees/sessions/start";

    // Nothing for a session without any interval: it has no start to report.
    static std::optional<QByteArray> build(const Session &session, const QTimeZone &apiZone);
};
