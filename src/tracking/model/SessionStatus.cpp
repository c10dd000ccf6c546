#include "tracking/model/SessionStatus.h"

QString sessionStatusRawValue(SessionStatus status)
{
    switch (status) {
    case SessionStatus::Active:
        return QStringLiteral("active");
    case SessionStatus::Paused:
        return QStringLiteral("paused");
    case SessionStatus::Completed:
        return QStringLiteral("completed");
    }
    return QStringLiteral("active");
}

std::optional<SessionStatus> sessionStatusFromRawValue(QStringView text)
{
    for (const auto status :
         {SessionStatus::Active, SessionStatus::Paused, SessionStatus::Completed}) {
        if (text == sessionStatusRawValue(status))
            return status;
    }
    return std::nullopt;
}
