#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Life state of a work session. A pause is not a status of its own while tracking: a paused
// session is active without an open interval. "paused" is only ever read, never written.
enum class SessionStatus
{
    Active,
    Paused,
    Completed,
};

QString sessionStatusRawValue(SessionStatus status);
// Exact, case-sensitive match of "active", "paused" or "completed".
std::optional<SessionStatus> sessionStatusFromRawValue(QStringView text);
