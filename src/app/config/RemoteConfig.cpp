#include "app/config/RemoteConfig.h"

#include "tracking/model/StrictJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

namespace Key {
const QString deviceId = QStringLiteral("device_id");
const QString projects = QStringLiteral("projects");
const QString screenshotIntervalMinutes = QStringLiteral("screenshot_interval_minutes");
const QString idleMinutesThreshold = QStringLiteral("idle_minutes_threshold");
const QString discardIdleTime = QStringLiteral("discard_idle_time");
const QString uploadBatchSize = QStringLiteral("upload_batch_size");
const QString idleAction = QStringLiteral("idle_action");
const QString name = QStringLiteral("name");
const QString companyName = QStringLiteral("company_name");
const QString latestClientVersion = QStringLiteral("latest_client_version");
const QString clientDownloadURL = QStringLiteral("client_download_url");
const QString appTimezone = QStringLiteral("app_timezone");
const QString todayTotalSeconds = QStringLiteral("today_total_seconds");
const QString todayDate = QStringLiteral("today_date");
} // namespace Key

bool isAbsent(const QJsonObject &object, const QString &key)
{
    return !object.contains(key) || object.value(key).isNull();
}

// Outer nullopt: present with a wrong type. Inner nullopt: missing or null.
std::optional<std::optional<QString>> optionalString(const QJsonObject &object, const QString &key)
{
    if (isAbsent(object, key))
        return std::optional<QString>();
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return std::optional<QString>(value.toString());
}

std::optional<QList<RemoteProject>> projectList(const QJsonObject &object)
{
    const QJsonValue value = object.value(Key::projects);
    if (!value.isArray())
        return std::nullopt;
    QList<RemoteProject> projects;
    const QJsonArray array = value.toArray();
    projects.reserve(array.size());
    for (const QJsonValue &element : array) {
        auto project = RemoteProject::fromJson(element);
        if (!project)
            return std::nullopt;
        projects.append(std::move(*project));
    }
    return projects;
}

template<typename T>
void insertIfPresent(QJsonObject &object, const QString &key, const std::optional<T> &value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace

std::optional<RemoteConfig> RemoteConfig::fromJson(const QJsonObject &object)
{
    const auto deviceId = StrictJson::requiredString(object, Key::deviceId);
    auto projects = projectList(object);
    const auto screenshotInterval =
        StrictJson::requiredInteger(object, Key::screenshotIntervalMinutes);
    const auto idleThreshold = StrictJson::requiredInteger(object, Key::idleMinutesThreshold);
    const QJsonValue discard = object.value(Key::discardIdleTime);
    if (!deviceId || !projects || !screenshotInterval || !idleThreshold || !discard.isBool())
        return std::nullopt;

    const auto uploadBatchSize = StrictJson::optionalInteger(object, Key::uploadBatchSize);
    const auto todayTotal = StrictJson::optionalInteger(object, Key::todayTotalSeconds);
    const auto idleAction = optionalString(object, Key::idleAction);
    const auto name = optionalString(object, Key::name);
    const auto companyName = optionalString(object, Key::companyName);
    const auto latestVersion = optionalString(object, Key::latestClientVersion);
    const auto downloadURL = optionalString(object, Key::clientDownloadURL);
    const auto appTimezone = optionalString(object, Key::appTimezone);
    const auto todayDate = optionalString(object, Key::todayDate);
    if (!uploadBatchSize || !todayTotal || !idleAction || !name || !companyName || !latestVersion ||
        !downloadURL || !appTimezone || !todayDate)
        return std::nullopt;

    RemoteConfig config;
    config.deviceId = *deviceId;
    config.projects = std::move(*projects);
    config.screenshotIntervalMinutes = *screenshotInterval;
    config.idleMinutesThreshold = *idleThreshold;
    config.discardIdleTime = discard.toBool();
    config.uploadBatchSize = *uploadBatchSize;
    config.idleAction = *idleAction;
    config.name = *name;
    config.companyName = *companyName;
    config.latestClientVersion = *latestVersion;
    config.clientDownloadURL = *downloadURL;
    config.appTimezone = *appTimezone;
    config.todayTotalSeconds = *todayTotal;
    config.todayDate = *todayDate;
    return config;
}

std::optional<RemoteConfig> RemoteConfig::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}

QJsonObject RemoteConfig::toJson() const
{
    QJsonArray projectArray;
    for (const RemoteProject &project : projects)
        projectArray.append(project.toJson());

    QJsonObject object{
        {Key::deviceId, deviceId},
        {Key::projects, projectArray},
        {Key::screenshotIntervalMinutes, screenshotIntervalMinutes},
        {Key::idleMinutesThreshold, idleMinutesThreshold},
        {Key::discardIdleTime, discardIdleTime},
    };
    insertIfPresent(object, Key::uploadBatchSize, uploadBatchSize);
    insertIfPresent(object, Key::idleAction, idleAction);
    insertIfPresent(object, Key::name, name);
    insertIfPresent(object, Key::companyName, companyName);
    insertIfPresent(object, Key::latestClientVersion, latestClientVersion);
    insertIfPresent(object, Key::clientDownloadURL, clientDownloadURL);
    insertIfPresent(object, Key::appTimezone, appTimezone);
    insertIfPresent(object, Key::todayTotalSeconds, todayTotalSeconds);
    insertIfPresent(object, Key::todayDate, todayDate);
    return object;
}

QByteArray RemoteConfig::toJsonBytes() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}
