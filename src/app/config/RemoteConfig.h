#pragma once

#include "app/config/RemoteProject.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The per-employee configuration the HR service answers and the program caches in "config.json".
// The API's answer and the cached file share one layout, so one strict decoder reads both.
struct RemoteConfig
{
    QString deviceId;
    QList<RemoteProject> projects;
    qint64 screenshotIntervalMinutes = 0;
    qint64 idleMinutesThreshold = 0;
    bool discardIdleTime = false;
    std::optional<qint64> uploadBatchSize;
    // "stop", "pause", or anything else, which means ask the user.
    std::optional<QString> idleAction;
    std::optional<QString> name;
    std::optional<QString> companyName;
    std::optional<QString> latestClientVersion;
    std::optional<QString> clientDownloadURL;
    std::optional<QString> appTimezone;
    std::optional<qint64> todayTotalSeconds;
    // The day of todayTotalSeconds, "yyyy-MM-dd" in the API time zone.
    std::optional<QString> todayDate;

    // Strict: a missing or mistyped required key, a mistyped optional key or one bad project
    // fails the whole configuration. Missing or null optional keys are absent values.
    static std::optional<RemoteConfig> fromJson(const QJsonObject &object);
    static std::optional<RemoteConfig> fromJson(const QByteArray &json);

    // Every field under its key; absent optional fields are left out, never written as null.
    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;

    friend bool operator==(const RemoteConfig &, const RemoteConfig &) = default;
};
