#include "app/state/RemoteConfigService.h"

#include "api/APIClient.h"
#include "api/APIError.h"
#include "api/DomainStorage.h"
#include "api/auth/SignInPreferences.h"
#include "app/state/DelayScheduler.h"
#include "foundation/Log.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>

namespace {

std::optional<QJsonObject> jsonObject(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

RemoteConfigService::RemoteConfigService(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_api(dependencies.api)
    , m_settings(dependencies.settings)
    , m_domainStorage(dependencies.domainStorage)
    , m_random(dependencies.random)
    , m_scheduler(dependencies.scheduler)
    , m_fileURL(QDir(dependencies.folder).filePath(QString::fromLatin1(fileName)))
    , m_currentSignIn(std::move(dependencies.currentSignIn))
{
    QDir().mkpath(dependencies.folder);
}

RemoteConfigService::~RemoteConfigService() = default;

RemoteConfigService::FetchOwner RemoteConfigService::currentOwner() const
{
    // The company and the employee: an answer and its cache belong to both.
    return FetchOwner{m_currentSignIn ? m_currentSignIn() : 0, m_domainStorage.partitionKey()};
}

QCoro::Task<RemoteConfig> RemoteConfigService::fetchRemote()
{
    const FetchOwner owner = currentOwner();
    // A fetch made for an earlier sign-in, or for another company, answers for them, not for
    // this caller.
    if (m_inflightFetch && m_inflightFetch->owner == owner) {
        const QFuture<RemoteConfig> running = m_inflightFetch->outcome;
        co_return co_await running;
    }
    auto promise = std::make_shared<QPromise<RemoteConfig>>();
    promise->start();
    // Taken before the fetch starts: one that fails before its first suspension has already
    // cleared the slot when runFetch returns.
    const QFuture<RemoteConfig> outcome = promise->future();
    const InFlightFetch fetch{++m_lastFetchId, owner, outcome};
    m_inflightFetch = fetch;
    runFetch(promise, fetch);
    co_return co_await outcome;
}

QCoro::Task<> RemoteConfigService::runFetch(std::shared_ptr<QPromise<RemoteConfig>> promise,
                                            InFlightFetch fetch)
{
    const QPointer<RemoteConfigService> self(this);
    ++m_runningFetches;
    try {
        promise->addResult(co_await performFetchBody(fetch.owner));
    } catch (...) {
        promise->setException(std::current_exception());
    }
    // Cleared before the waiters hear of the outcome, so a fetch they start is a new one. A
    // newer fetch that took the slot meanwhile keeps it.
    if (self) {
        --self->m_runningFetches;
        if (self->m_inflightFetch && self->m_inflightFetch->id == fetch.id)
            self->m_inflightFetch.reset();
    }
    promise->finish();
}

QCoro::Task<RemoteConfig> RemoteConfigService::performFetchBody(FetchOwner owner)
{
    const QPointer<RemoteConfigService> self(this);
    APIClient::Call call;
    call.path = QString::fromLatin1(configPath);
    call.method = QByteArrayLiteral("GET");
    call.includeAuthorization = true;
    call.retryOnUnauthorized = true;
    const QByteArray body = co_await m_api.send(std::move(call));

    const std::optional<QJsonObject> answer = jsonObject(body);
    if (!answer || !answer->value(QStringLiteral("data")).isObject())
        throw APIError::decodingFailed();
    const std::optional<RemoteConfig> config =
        RemoteConfig::fromJson(answer->value(QStringLiteral("data")).toObject());
    if (!config)
        throw APIError::decodingFailed();
    if (!self)
        co_return *config;
    if (currentOwner() != owner) {
        // Signed out, or signed in anew, while the request was out: the names and the file
        // would be another sign-in's.
        zuvInfo(lcAuth) << "Configuration answer outlived its sign-in; nothing of it is stored";
        co_return *config;
    }

    const auto userName =
        config->name ? config->name
                     : m_settings.string(QString::fromLatin1(UserProfileStorage::userNameKey));
    const auto companyName =
        config->companyName
            ? config->companyName
            : m_settings.string(QString::fromLatin1(UserProfileStorage::companyNameKey));
    UserProfileStorage::set(userName, companyName, m_settings);

    writeCacheFile(m_fileURL, *config, owner.domainKey);
    co_return *config;
}

void RemoteConfigService::startPeriodicRefresh(UpdateHandler onUpdate)
{
    ++m_refreshGeneration;
    m_refreshRunning = true;
    scheduleNextRefresh(m_refreshGeneration, std::move(onUpdate));
}

void RemoteConfigService::stopPeriodicRefresh()
{
    ++m_refreshGeneration;
    m_refreshRunning = false;
    m_refreshDelay.reset();
}

void RemoteConfigService::scheduleNextRefresh(quint64 generation, UpdateHandler onUpdate)
{
    const double delay = m_random.uniform(minimumRefreshDelaySeconds, maximumRefreshDelaySeconds);
    m_refreshDelay = m_scheduler.schedule(delay, [this, generation, onUpdate] {
        if (generation == m_refreshGeneration)
            refreshOnce(generation, onUpdate);
    });
}

QCoro::Task<> RemoteConfigService::refreshOnce(quint64 generation, UpdateHandler onUpdate)
{
    const QPointer<RemoteConfigService> self(this);
    std::optional<RemoteConfig> config;
    try {
        config = co_await fetchRemote();
    } catch (...) {
        // The next turn tries again.
    }
    if (config && onUpdate)
        onUpdate(*config);
    if (self && generation == self->m_refreshGeneration)
        self->scheduleNextRefresh(generation, std::move(onUpdate));
}

std::optional<RemoteConfig> RemoteConfigService::cachedConfig(const QString &domainKey) const
{
    return readCacheFile(m_fileURL, domainKey);
}

bool RemoteConfigService::writeCacheFile(const QString &filePath, const RemoteConfig &config,
                                         const QString &domainKey)
{
    QJsonObject object = config.toJson();
    object.insert(QString::fromLatin1(domainKeyField), domainKey);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    return file.commit();
}

std::optional<RemoteConfig> RemoteConfigService::readCacheFile(const QString &filePath,
                                                               const QString &domainKey)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<QJsonObject> object = jsonObject(file.readAll());
    if (!object)
        return std::nullopt;
    // A file without the key predates the company check; its company is unknown.
    const QJsonValue cachedFor = object->value(QString::fromLatin1(domainKeyField));
    if (!cachedFor.isString() || cachedFor.toString() != domainKey)
        return std::nullopt;
    return RemoteConfig::fromJson(*object);
}
