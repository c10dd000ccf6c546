#pragma once

#include "tracking/model/SessionStatus.h"
#include "tracking/model/TrackingInterval.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One stretch of work on one project by one user on one device: the unit the engine runs, the
// store keeps (as the JSON of toJson()) and the upload queue reports. A plain value.
struct Session
{
    QUuid id;
    QString deviceId;
    QString projectId;
    QString projectName;
    QList<TrackingInterval> intervals;
    qint64 mouseCount = 0;
    qint64 keyboardCount = 0;
    double activityScore = 0.0;
    SessionStatus status = SessionStatus::Active;
    // Last real input before the current idle period; set when idleness is detected.
    std::optional<Timestamp> idleDiscardCutoffAt;
    // The final billable total in whole seconds, fixed when the session ends.
    std::optional<qint64> reportedTotalSeconds;
    // The API time zone the session was begun under: every body about it is written in it, so a
    // zone changed meanwhile (a refreshed configuration, a sign-in ended) never moves its times.
    // Empty for a session stored before it was kept; its bodies use the zone current then.
    QString apiTimeZoneId;

    // The counted seconds: every interval in full, an open one up to asOf, none negative.
    double totalSeconds(Timestamp asOf) const;
    // reportedTotalSeconds when set, else totalSeconds(asOf).
    double totalSecondsForReporting(Timestamp asOf) const;

    // The open interval, when the session is running unpaused (it is always the last one).
    const TrackingInterval *openInterval() const;
    TrackingInterval *openInterval();

    // Compact JSON; dates as seconds since 2001; optional fields left out when absent.
    QByteArray toJson() const;
    // Strict: a missing, null or mistyped required key, a bad UUID or an unknown status fails.
    static std::optional<Session> fromJson(const QByteArray &json);

    friend bool operator==(const Session &, const Session &) = default;
};
