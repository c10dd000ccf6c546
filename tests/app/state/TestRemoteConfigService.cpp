#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/APIError.h"
#include "api/AuthTokenStore.h"
#include "api/DomainStorage.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/auth/SignInPreferences.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/state/AppStateManager.h"
#include "app/state/AppVersion.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/RecordingAlertPresenter.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/DataPartition.h"
#include "foundation/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/FakeRandomSource.h"
#include "support/standin/StandInService.h"

#include <QCoroTask>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <variant>

namespace {

constexpr const char *configPath = "hr/zuvevivezid/employees/config";

class MemoryTokenStore final : public AuthTokenStore
{
public:
    std::optional<AuthTokens> getAuthTokens() override { return m_tokens; }
    void saveAuthTokens(const AuthTokens &tokens) override { m_tokens = tokens; }
    void deleteAuthTokens() override { m_tokens.reset(); }

private:
    std::optional<AuthTokens> m_tokens;
};

using FetchOutcome = std::variant<RemoteConfig, APIError>;

QCoro::Task<FetchOutcome> outcomeOf(RemoteConfigService &service)
{
    try {
        co_return co_await service.fetchRemote();
    } catch (const APIError &error) {
        co_return error;
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

RemoteConfig smallConfig(const QString &deviceId)
{
    RemoteConfig config;
    config.deviceId = deviceId;
    config.projects = {{QStringLiteral("p-1"), QStringLiteral("Payroll")}};
    config.screenshotIntervalMinutes = 10;
    config.idleMinutesThreshold = 5;
    return config;
}

} // namespace

class TestRemoteConfigService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void concurrentFetchesSendOneRequest();
    void concurrentFetchesShareTheError();
    void answerOfAnEndedSignInIsNeitherJoinedNorStored();
    void fetchStoresNamesAndTheFile();
    void fetchKeepsStoredNameWhenAbsent();
    void failedFetchLeavesTheCacheByteIdentical_data();
    void failedFetchLeavesTheCacheByteIdentical();
    void cacheOfOneCompanyIsNotUsedForAnother();
    void cacheOfOneEmployeeIsNotUsedForAColleague();
    void cacheFileCompanyCheck();
    void killedWriterLeavesOldOrNewFile();

    void refreshWaitsARandomDelayBeforeEveryFetch();
    void refreshSurvivesFailures();
    void startingTwiceLeavesOneLoop();
    void stopDuringDelayEndsTheLoop();
    void stopDuringFetchStillDeliversIt();
    void fetchedConfigurationReachesTheApplicationState();

private:
    void signInTo(int companyIndex);
    FetchOutcome fetch();
    int configRequests() const;

    std::unique_ptr<StandInService> m_standIn;
    QStringList m_companyEndpoints;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DomainStorage> m_domain;
    std::unique_ptr<APIEndpoints> m_endpoints;
    std::unique_ptr<MemoryTokenStore> m_tokens;
    std::unique_ptr<APIClient> m_api;
    std::unique_ptr<ScreenshotReportCache> m_reportCache;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<AuthService> m_auth;
    std::unique_ptr<FakeRandomSource> m_random;
    std::unique_ptr<FakeDelayScheduler> m_scheduler;
    std::unique_ptr<RemoteConfigService> m_service;
};

void TestRemoteConfigService::initTestCase()
{
    m_standIn = std::make_unique<StandInService>();
    QVERIFY2(m_standIn->start(), qPrintable(m_standIn->errorString()));
    m_companyEndpoints = m_standIn->companyEndpoints();
}

void TestRemoteConfigService::init()
{
    QVERIFY(m_standIn->reset());
    m_folder = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<SettingsStore>(QString());
    m_domain = std::make_unique<DomainStorage>(*m_settings);
    m_endpoints = std::make_unique<APIEndpoints>(*m_domain);
    m_tokens = std::make_unique<MemoryTokenStore>();
    m_api = std::make_unique<APIClient>(
        *m_endpoints, *m_tokens,
        TlsConfiguration::withExtraCertificates(m_standIn->caCertificatePath()));
    m_reportCache = std::make_unique<ScreenshotReportCache>();
    m_clock = std::make_unique<FakeClock>(Timestamp::fromDateTime(QDateTime::currentDateTimeUtc()));
    m_auth = std::make_unique<AuthService>(*m_api, *m_tokens, *m_domain, *m_settings,
                                           *m_reportCache, *m_clock);
    m_api->setUnauthorizedHandler(m_auth.get());
    m_random = std::make_unique<FakeRandomSource>();
    m_scheduler = std::make_unique<FakeDelayScheduler>();
    m_service = std::make_unique<RemoteConfigService>(RemoteConfigService::Dependencies{
        .api = *m_api,
        .settings = *m_settings,
        .domainStorage = *m_domain,
        .random = *m_random,
        .scheduler = *m_scheduler,
        .folder = m_folder->filePath(QStringLiteral("Zudevav EvozUvarevu")),
        .currentSignIn = [this] { return m_auth->signInGeneration(); },
    });
    signInTo(0);
    QVERIFY(m_standIn->clearReceivedRequests());
}

void TestRemoteConfigService::cleanup()
{
    // Fetches still under way must end before the objects they use.
    QTRY_VERIFY(!m_service->isFetching());
    m_service.reset();
    m_auth.reset();
    m_api.reset();
}

void TestRemoteConfigService::signInTo(int companyIndex)
{
    m_domain->setBaseURL(m_standIn->baseUrl());
    auto login = m_auth->login(StandInService::multiCompanyEmail(), StandInService::demoPassword());
    const SingleLoginResult result = QCoro::waitFor(login);
    QVERIFY(result.companySelection());
    const QString endpoint = m_companyEndpoints.at(companyIndex);
    for (const LoginCompany &company : result.companySelection()->companies) {
        if (company.endpoint == endpoint)
            m_auth->setDomainAndComplete(company);
    }
    QCOMPARE(m_domain->getBaseURL(), DomainStorage::buildBaseURL(endpoint));
}

FetchOutcome TestRemoteConfigService::fetch()
{
    auto task = outcomeOf(*m_service);
    return QCoro::waitFor(task);
}

int TestRemoteConfigService::configRequests() const
{
    return m_standIn->receivedRequests(QStringLiteral("GET"), QString::fromLatin1(configPath))
        .size();
}

void TestRemoteConfigService::concurrentFetchesSendOneRequest()
{
    // Both callers ask before the event loop runs, so the request cannot have been answered.
    auto first = outcomeOf(*m_service);
    auto second = outcomeOf(*m_service);
    QVERIFY(m_service->isFetching());
    const FetchOutcome firstOutcome = QCoro::waitFor(first);
    const FetchOutcome secondOutcome = QCoro::waitFor(second);
    QVERIFY(std::holds_alternative<RemoteConfig>(firstOutcome));
    QCOMPARE(std::get<RemoteConfig>(firstOutcome), std::get<RemoteConfig>(secondOutcome));
    QCOMPARE(configRequests(), 1);
    QVERIFY(!m_service->isFetching());

    // A fetch after the shared one ended is a new request.
    QVERIFY(std::holds_alternative<RemoteConfig>(fetch()));
    QCOMPARE(configRequests(), 2);
}

void TestRemoteConfigService::answerOfAnEndedSignInIsNeitherJoinedNorStored()
{
    // Signed in anew while the last sign-in's fetch is out: the new sign-in asks for its own.
    QVERIFY(m_standIn->setDelay(QStringLiteral("GET"), QString::fromLatin1(configPath), 500));
    auto earlier = outcomeOf(*m_service);
    signInTo(0);
    QVERIFY(std::holds_alternative<RemoteConfig>(fetch()));
    QCOMPARE(configRequests(), 2);
    QVERIFY(std::holds_alternative<RemoteConfig>(QCoro::waitFor(earlier)));

    // Another company picked while the answer is out: neither the names nor the file of the
    // first one come back with it.
    const QString userNameKey = QLatin1String(UserProfileStorage::userNameKey);
    QVERIFY(QFile::remove(m_service->fileURL()));
    QVERIFY(m_standIn->setDelay(QStringLiteral("GET"), QString::fromLatin1(configPath), 500));
    auto late = outcomeOf(*m_service);
    m_auth->setDomainAndComplete(LoginCompany{QStringLiteral("Other"), m_companyEndpoints.at(1)});
    m_settings->remove(userNameKey);
    QVERIFY(std::holds_alternative<RemoteConfig>(QCoro::waitFor(late)));
    QVERIFY(!m_settings->contains(userNameKey));
    QVERIFY(!QFile::exists(m_service->fileURL()));
}

void TestRemoteConfigService::concurrentFetchesShareTheError()
{
    QVERIFY(
        m_standIn->setResponse(QStringLiteral("GET"), QString::fromLatin1(configPath), 503,
                               QJsonObject{{QStringLiteral("message"), QStringLiteral("down")}}));
    auto first = outcomeOf(*m_service);
    auto second = outcomeOf(*m_service);
    const FetchOutcome firstOutcome = QCoro::waitFor(first);
    const FetchOutcome secondOutcome = QCoro::waitFor(second);
    QVERIFY(std::holds_alternative<APIError>(firstOutcome));
    QVERIFY(std::holds_alternative<APIError>(secondOutcome));
    for (const FetchOutcome &outcome : {firstOutcome, secondOutcome}) {
        QCOMPARE(std::get<APIError>(outcome).kind(), APIError::Kind::ServerError);
        QCOMPARE(std::get<APIError>(outcome).statusCode(), 503);
    }
    QCOMPARE(configRequests(), 1);
}

void TestRemoteConfigService::fetchStoresNamesAndTheFile()
{
    const FetchOutcome outcome = fetch();
    QVERIFY(std::holds_alternative<RemoteConfig>(outcome));
    const RemoteConfig config = std::get<RemoteConfig>(outcome);
    QVERIFY(config.name.has_value());
    QCOMPARE(m_settings->string(QString::fromLatin1(UserProfileStorage::userNameKey)), config.name);
    QCOMPARE(m_settings->string(QString::fromLatin1(UserProfileStorage::companyNameKey)),
             config.companyName);
    QCOMPARE(m_service->fileURL(),
             m_folder->filePath(QStringLiteral("Zudevav EvozUvarevu/config.json")));
    QCOMPARE(m_service->cachedConfig(m_domain->partitionKey()),
             std::optional<RemoteConfig>(config));
    // The file stays readable by the plain configuration decoder.
    QCOMPARE(RemoteConfig::fromJson(readAll(m_service->fileURL())),
             std::optional<RemoteConfig>(config));
}

void TestRemoteConfigService::fetchKeepsStoredNameWhenAbsent()
{
    QVERIFY(m_standIn->mergeConfiguration(QJsonObject{{QStringLiteral("name"), QJsonValue::Null}}));
    m_settings->setString(QString::fromLatin1(UserProfileStorage::userNameKey),
                          QStringLiteral("Stored Name"));
    const FetchOutcome outcome = fetch();
    QVERIFY(std::holds_alternative<RemoteConfig>(outcome));
    QVERIFY(!std::get<RemoteConfig>(outcome).name.has_value());
    QCOMPARE(m_settings->string(QString::fromLatin1(UserProfileStorage::userNameKey)),
             std::optional<QString>(QStringLiteral("Stored Name")));

    m_settings->remove(QString::fromLatin1(UserProfileStorage::userNameKey));
    QVERIFY(std::holds_alternative<RemoteConfig>(fetch()));
    QVERIFY(!m_settings->contains(QString::fromLatin1(UserProfileStorage::userNameKey)));
}

void TestRemoteConfigService::failedFetchLeavesTheCacheByteIdentical_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("server error") << QStringLiteral("status");
    QTest::newRow("malformed body") << QStringLiteral("malformed");
    QTest::newRow("data missing a required key") << QStringLiteral("incomplete");
    QTest::newRow("connection dropped") << QStringLiteral("dropped");
}

void TestRemoteConfigService::failedFetchLeavesTheCacheByteIdentical()
{
    QFETCH(QString, failure);
    QVERIFY(std::holds_alternative<RemoteConfig>(fetch()));
    const QByteArray cached = readAll(m_service->fileURL());
    QVERIFY(!cached.isEmpty());
    const auto userName = m_settings->string(QString::fromLatin1(UserProfileStorage::userNameKey));

    const QString path = QString::fromLatin1(configPath);
    const QString get = QStringLiteral("GET");
    if (failure == QLatin1String("status"))
        QVERIFY(m_standIn->setResponse(get, path, 500));
    else if (failure == QLatin1String("malformed"))
        QVERIFY(m_standIn->setMalformedResponse(get, path));
    else if (failure == QLatin1String("incomplete"))
        QVERIFY(m_standIn->setResponse(
            get, path, 200,
            QJsonObject{{QStringLiteral("data"),
                         QJsonObject{{QStringLiteral("device_id"), QStringLiteral("d")},
                                     {QStringLiteral("name"), QStringLiteral("Someone Else")}}}}));
    else
        QVERIFY(m_standIn->dropNextConnection(get, path, StandInService::UntilCleared));

    QVERIFY(std::holds_alternative<APIError>(fetch()));
    QCOMPARE(readAll(m_service->fileURL()), cached);
    QCOMPARE(m_settings->string(QString::fromLatin1(UserProfileStorage::userNameKey)), userName);
    QVERIFY(m_standIn->clearResponses());
}

void TestRemoteConfigService::cacheOfOneCompanyIsNotUsedForAnother()
{
    const FetchOutcome outcome = fetch();
    QVERIFY(std::holds_alternative<RemoteConfig>(outcome));
    const QString companyA = m_domain->partitionKey();

    // Signed in to another company whose first fetch fails: the file of the first company stays,
    // but it is not this company's configuration.
    signInTo(1);
    const QString companyB = m_domain->partitionKey();
    QVERIFY(companyA != companyB);
    QVERIFY(m_standIn->setResponse(QStringLiteral("GET"), QString::fromLatin1(configPath), 500));
    QVERIFY(std::holds_alternative<APIError>(fetch()));
    QVERIFY(QFile::exists(m_service->fileURL()));
    QCOMPARE(m_service->cachedConfig(companyB), std::nullopt);
    // After signing out there is no company at all.
    m_domain->setBaseURL(std::nullopt);
    QCOMPARE(m_service->cachedConfig(m_domain->domainKey()), std::nullopt);
    // Back with the first company, its configuration is there again.
    QCOMPARE(m_service->cachedConfig(companyA),
             std::optional<RemoteConfig>(std::get<RemoteConfig>(outcome)));
}

void TestRemoteConfigService::cacheOfOneEmployeeIsNotUsedForAColleague()
{
    signInTo(0);
    const FetchOutcome outcome = fetch();
    QVERIFY(std::holds_alternative<RemoteConfig>(outcome));
    const QString first = m_domain->partitionKey();

    // A colleague at the same company whose first fetch fails: not the first one's tasks and zone.
    const SingleLoginResult colleague = QCoro::waitFor(
        m_auth->login(StandInService::colleagueEmail(), StandInService::demoPassword()));
    QVERIFY(colleague.directConfig());
    QCOMPARE(m_domain->domainKey(), DataPartition::companyOf(first));
    QVERIFY(m_standIn->setResponse(QStringLiteral("GET"), QString::fromLatin1(configPath), 500));
    QVERIFY(std::holds_alternative<APIError>(fetch()));
    QCOMPARE(m_service->cachedConfig(m_domain->partitionKey()), std::nullopt);
    QCOMPARE(m_service->cachedConfig(first),
             std::optional<RemoteConfig>(std::get<RemoteConfig>(outcome)));
}

void TestRemoteConfigService::cacheFileCompanyCheck()
{
    const QString path = m_folder->filePath(QStringLiteral("cache.json"));
    const RemoteConfig config = smallConfig(QStringLiteral("device-a"));
    QVERIFY(RemoteConfigService::writeCacheFile(path, config, QStringLiteral("a.example")));
    QCOMPARE(RemoteConfigService::readCacheFile(path, QStringLiteral("a.example")),
             std::optional<RemoteConfig>(config));
    QCOMPARE(RemoteConfigService::readCacheFile(path, QStringLiteral("b.example")), std::nullopt);
    QCOMPARE(RemoteConfigService::readCacheFile(path, QStringLiteral("global")), std::nullopt);

    // A file written before the company was recorded belongs to no one.
    QFile legacy(path);
    QVERIFY(legacy.open(QIODevice::WriteOnly));
    legacy.write(config.toJsonBytes());
    legacy.close();
    QCOMPARE(RemoteConfigService::readCacheFile(path, QStringLiteral("a.example")), std::nullopt);

    // A write that cannot happen leaves the old file.
    QVERIFY(RemoteConfigService::writeCacheFile(path, config, QStringLiteral("a.example")));
    const QString unwritable = m_folder->filePath(QStringLiteral("missing-folder/cache.json"));
    QVERIFY(!RemoteConfigService::writeCacheFile(unwritable, config, QStringLiteral("a.example")));
}

void TestRemoteConfigService::killedWriterLeavesOldOrNewFile()
{
    const QString path = m_folder->filePath(QStringLiteral("killed/config.json"));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QString domainKey = QStringLiteral("company.example");
    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(ZUV_CONFIG_CACHE_WRITER), {path, domainKey});
        QVERIFY(writer.waitForStarted());
        QVERIFY(writer.waitForReadyRead(10000));
        QCOMPARE(writer.readLine().trimmed(), QByteArray("ready"));
        // Somewhere in the middle of some write.
        QThread::usleep(QRandomGenerator::global()->bounded(1000, 40000));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        const std::optional<RemoteConfig> survived =
            RemoteConfigService::readCacheFile(path, domainKey);
        QVERIFY2(survived.has_value(),
                 qPrintable(QStringLiteral("round %1: torn file").arg(round)));
        // One whole generation, not parts of two.
        const qint64 number = survived->screenshotIntervalMinutes;
        QCOMPARE(survived->deviceId, QStringLiteral("generation-%1").arg(number));
        QCOMPARE(survived->projects.size(), survived->idleMinutesThreshold);
        const QString suffix = QStringLiteral(" of generation %1").arg(number);
        QVERIFY(survived->projects.last().name.endsWith(suffix));
    }
}

void TestRemoteConfigService::refreshWaitsARandomDelayBeforeEveryFetch()
{
    m_random->queueFractions({0.0, 1.0, 0.25});
    QList<RemoteConfig> updates;
    m_service->startPeriodicRefresh([&](const RemoteConfig &config) { updates.append(config); });
    QCOMPARE(m_scheduler->requestedDelays(), QList<double>{1200.0});

    m_scheduler->advance(1199.9);
    QTest::qWait(50);
    QCOMPARE(configRequests(), 0);
    m_scheduler->advance(0.1);
    QTRY_COMPARE(updates.size(), 1);
    QCOMPARE(configRequests(), 1);
    QTRY_COMPARE(m_scheduler->requestedDelays(), (QList<double>{1200.0, 2400.0}));

    m_scheduler->advance(2400.0);
    QTRY_COMPARE(updates.size(), 2);
    QTRY_COMPARE(m_scheduler->requestedDelays().size(), 3);
    QCOMPARE(m_scheduler->requestedDelays().last(), 1500.0);
    for (const auto &[low, high] : m_random->requests()) {
        QCOMPARE(low, 1200.0);
        QCOMPARE(high, 2400.0);
    }
    m_service->stopPeriodicRefresh();
}

void TestRemoteConfigService::refreshSurvivesFailures()
{
    int updates = 0;
    m_service->startPeriodicRefresh([&](const RemoteConfig &) { ++updates; });
    QVERIFY(m_standIn->setResponse(QStringLiteral("GET"), QString::fromLatin1(configPath), 500));
    m_scheduler->advance(1800.0);
    QTRY_COMPARE(configRequests(), 1);
    QTRY_COMPARE(m_scheduler->pendingCount(), 1);
    QCOMPARE(updates, 0);
    m_scheduler->advance(1800.0);
    QTRY_COMPARE(updates, 1);
    m_service->stopPeriodicRefresh();
}

void TestRemoteConfigService::startingTwiceLeavesOneLoop()
{
    int firstUpdates = 0;
    int secondUpdates = 0;
    m_service->startPeriodicRefresh([&](const RemoteConfig &) { ++firstUpdates; });
    m_service->startPeriodicRefresh([&](const RemoteConfig &) { ++secondUpdates; });
    QCOMPARE(m_scheduler->pendingCount(), 1);
    m_scheduler->advance(2400.0);
    QTRY_COMPARE(secondUpdates, 1);
    QTRY_COMPARE(m_scheduler->pendingCount(), 1);
    QCOMPARE(firstUpdates, 0);
    QCOMPARE(configRequests(), 1);
    m_service->stopPeriodicRefresh();
}

void TestRemoteConfigService::stopDuringDelayEndsTheLoop()
{
    int updates = 0;
    m_service->startPeriodicRefresh([&](const RemoteConfig &) { ++updates; });
    m_scheduler->advance(600.0);
    m_service->stopPeriodicRefresh();
    QVERIFY(!m_service->isRefreshRunning());
    m_scheduler->advance(10'000.0);
    QTest::qWait(100);
    QCOMPARE(configRequests(), 0);
    QCOMPARE(updates, 0);
}

void TestRemoteConfigService::stopDuringFetchStillDeliversIt()
{
    int updates = 0;
    m_service->startPeriodicRefresh([&](const RemoteConfig &) { ++updates; });
    // The delay's end sends the request at once; its answer needs the event loop.
    m_scheduler->advance(2400.0);
    QVERIFY(m_service->isFetching());
    m_service->stopPeriodicRefresh();
    QTRY_COMPARE(updates, 1);
    QTRY_VERIFY(!m_service->isFetching());
    QCOMPARE(m_scheduler->pendingCount(), 0);
    m_scheduler->advance(10'000.0);
    QTest::qWait(100);
    QCOMPARE(configRequests(), 1);
    QCOMPARE(updates, 1);
}

void TestRemoteConfigService::fetchedConfigurationReachesTheApplicationState()
{
    const QString link = QStringLiteral("https://downloads.example/client.deb");
    QVERIFY(m_standIn->mergeConfiguration(
        QJsonObject{{QStringLiteral("latest_client_version"),
                     AppVersion::currentMarketingVersion() + QStringLiteral(".1")},
                    {QStringLiteral("client_download_url"), link}}));
    RecordingAlertPresenter alerts;
    AppStateManager state(AppStateManager::Dependencies{
        .restoreAuth = [] { return true; },
        .probePermissions = [] { return true; },
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = *m_service,
        .alerts = alerts,
        .scheduler = *m_scheduler,
        .clock = *m_clock,
    });
    QTRY_VERIFY(state.isAuthenticated());
    auto refresh = state.refreshRemoteConfigFromServer();
    QCoro::waitFor(refresh);
    QVERIFY(state.remoteConfig().has_value());
    QVERIFY(!state.projects().isEmpty());
    QVERIFY(state.forceClientUpdate());
    QCOMPARE(state.forceUpdateDownloadURL(), std::optional<QUrl>(QUrl(link)));

    // The periodic refresh the application started ends with the sign-in.
    m_service->startPeriodicRefresh([](const RemoteConfig &) {});
    state.applySessionInvalidated();
    QVERIFY(!m_service->isRefreshRunning());
    m_scheduler->advance(10'000.0);
    QTest::qWait(100);
    QCOMPARE(configRequests(), 1);
}

QTEST_GUILESS_MAIN(TestRemoteConfigService)
#include "TestRemoteConfigService.moc"
