#pragma once

#include "app/config/RemoteConfig.h"
#include "app/state/RemoteConfigSource.h"

#include <QCoroTask>
#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class APIClient;
class DelayScheduler;
class DomainStorage;
class RandomSource;
class SettingsStore;

// Fetches the employee's configuration, keeps the last answer in "config.json" in the data folder,
// stores the display names it carries, and refreshes it at random intervals while a user is signed
// in. Callers that fetch while a fetch is under way for the same sign-in and company share it: one
// request, one outcome. An answer that arrives after its sign-in or company has changed stores
// nothing (no names, no cached file); its callers drop it.
//
// The cached file is replaced atomically (a crash or a kill leaves the previous or the new file),
// and it records the domain key of the company it was fetched for: the file survives sign-out and
// a change of company, and a configuration of one company is never applied to another.
//
// Lives on the main thread; every operation is called there.
class RemoteConfigService : public QObject, public RemoteConfigSource
{
    Q_OBJECT

public:
    static constexpr const char *configPath = "hr/zuvevivezid/employees/config";
    static constexpr const char *fileName = "config.json";
    // Written beside the configuration's own keys; the configuration decoder ignores it.
    static constexpr const char *domainKeyField = "cached_for_domain_key";
    static constexpr double minimumRefreshDelaySeconds = 1200.0;
    static constexpr double maximumRefreshDelaySeconds = 2400.0;

    using UpdateHandler = std::function<void(const RemoteConfig &)>;

    struct Dependencies
    {
        APIClient &api;
        SettingsStore &settings;
        // The company the requests go to; its domain key is recorded with the cached file.
        const DomainStorage &domainStorage;
        RandomSource &random;
        DelayScheduler &scheduler;
        // Where "config.json" lives (the data folder); created when missing.
        QString folder;
        // Moves on whenever the stored sign-in is replaced or ended; none for a single sign-in.
        std::function<quint64()> currentSignIn;
    };

    explicit RemoteConfigService(Dependencies dependencies, QObject *parent = nullptr);
    ~RemoteConfigService() override;

    QString fileURL() const { return m_fileURL; }

    // Starts a fetch, or joins the one under way.
    QCoro::Task<RemoteConfig> fetchRemote() override;
    bool isFetching() const { return m_runningFetches > 0; }

    // Fetches after a random 20 to 40 minutes, again and again, handing each configuration to
    // onUpdate; failures wait for the next turn. Replaces a loop already running.
    void startPeriodicRefresh(UpdateHandler onUpdate);
    // Ends the loop. A fetch under way still completes, and a success still reaches its handler.
    void stopPeriodicRefresh() override;
    bool isRefreshRunning() const { return m_refreshRunning; }

    // The cached configuration when it was fetched for the partition whose key is given (the
    // current one: DomainStorage::partitionKey(), company and employee); none when there is no
    // usable file or it belongs to another company or employee.
    std::optional<RemoteConfig> cachedConfig(const QString &domainKey) const;

    // Replaces the file atomically. False when it could not be written (the old file stays).
    static bool writeCacheFile(const QString &filePath, const RemoteConfig &config,
                               const QString &domainKey);
    static std::optional<RemoteConfig> readCacheFile(const QString &filePath,
                                                     const QString &domainKey);

private:
    // Who a fetch is for: the sign-in and the company (domain key) it was made under.
    struct FetchOwner
    {
        quint64 signIn = 0;
        QString domainKey;
        bool operator==(const FetchOwner &) const = default;
    };
    struct InFlightFetch
    {
        quint64 id = 0;
        FetchOwner owner;
        QFuture<RemoteConfig> outcome;
    };

    FetchOwner currentOwner() const;
    QCoro::Task<> runFetch(std::shared_ptr<QPromise<RemoteConfig>> promise, InFlightFetch fetch);
    QCoro::Task<RemoteConfig> performFetchBody(FetchOwner owner);
    void scheduleNextRefresh(quint64 generation, UpdateHandler onUpdate);
    QCoro::Task<> refreshOnce(quint64 generation, UpdateHandler onUpdate);

    APIClient &m_api;
    SettingsStore &m_settings;
    const DomainStorage &m_domainStorage;
    RandomSource &m_random;
    DelayScheduler &m_scheduler;
    const QString m_fileURL;

    const std::function<quint64()> m_currentSignIn;
    std::optional<InFlightFetch> m_inflightFetch;
    quint64 m_lastFetchId = 0;
    int m_runningFetches = 0;
    // Moves on with every start and stop, so a loop that was replaced or stopped ends.
    quint64 m_refreshGeneration = 0;
    bool m_refreshRunning = false;
    std::unique_ptr<QObject> m_refreshDelay;
};
