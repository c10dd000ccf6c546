#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/APIError.h"
#include "api/AuthTokenStore.h"
#include "api/DomainStorage.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/FakeRandomSource.h"

#include <QCoroTask>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class MemoryTokenStore final : public AuthTokenStore
{
public:
    std::optional<AuthTokens> getAuthTokens() override { return m_tokens; }
    void saveAuthTokens(const AuthTokens &tokens) override { m_tokens = tokens; }
    void deleteAuthTokens() override { m_tokens.reset(); }

private:
    std::optional<AuthTokens> m_tokens;
};

template<typename T>
QCoro::Task<std::optional<APIError>> errorOf(QCoro::Task<T> task)
{
    try {
        co_await std::move(task);
    } catch (const APIError &error) {
        co_return error;
    }
    co_return std::nullopt;
}

} // namespace

// A sign-in or a configuration fetch whose request is refused before it is made ends before its
// first suspension; whoever waits for it, first or joining, hears the refusal, and the next one
// starts afresh. No network is involved: the refusal comes first.
class TestRefusedBeforeSending : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void signInRefusedBeforeSending();
    void configurationFetchRefusedBeforeSending();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DomainStorage> m_domain;
    std::unique_ptr<APIEndpoints> m_endpoints;
    MemoryTokenStore m_tokens;
    std::unique_ptr<APIClient> m_api;
    ScreenshotReportCache m_reportCache;
    FakeClock m_clock;
    FakeRandomSource m_random;
    FakeDelayScheduler m_scheduler;
    std::unique_ptr<AuthService> m_auth;
    std::unique_ptr<RemoteConfigService> m_config;
};

void TestRefusedBeforeSending::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<SettingsStore>(QString());
    m_domain = std::make_unique<DomainStorage>(*m_settings);
    // Plain http across a network: refused before anything is sent.
    m_domain->setBaseURL(QUrl(QStringLiteral("http://plain.example.test/api/v1/")));
    m_endpoints = std::make_unique<APIEndpoints>(*m_domain);
    m_api = std::make_unique<APIClient>(*m_endpoints, m_tokens);
    m_auth = std::make_unique<AuthService>(*m_api, m_tokens, *m_domain, *m_settings, m_reportCache,
                                           m_clock);
    m_config = std::make_unique<RemoteConfigService>(RemoteConfigService::Dependencies{
        .api = *m_api,
        .settings = *m_settings,
        .domainStorage = *m_domain,
        .random = m_random,
        .scheduler = m_scheduler,
        .folder = m_folder->path(),
        .currentSignIn = [this] { return m_auth->signInGeneration(); },
    });
}

void TestRefusedBeforeSending::cleanup()
{
    m_config.reset();
    m_auth.reset();
    m_api.reset();
}

void TestRefusedBeforeSending::signInRefusedBeforeSending()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto first = errorOf(m_auth->login(QStringLiteral("a@b.test"), QStringLiteral("pw")));
        auto joining = errorOf(m_auth->login(QStringLiteral("a@b.test"), QStringLiteral("pw")));
        for (auto *task : {&first, &joining}) {
            const std::optional<APIError> error = QCoro::waitFor(*task);
            QVERIFY(error);
            QCOMPARE(error->kind(), APIError::Kind::InvalidURL);
        }
        QVERIFY(!m_auth->isSigningIn());
    }
    QVERIFY(!m_tokens.getAuthTokens());
}

void TestRefusedBeforeSending::configurationFetchRefusedBeforeSending()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto first = errorOf(m_config->fetchRemote());
        auto joining = errorOf(m_config->fetchRemote());
        for (auto *task : {&first, &joining}) {
            const std::optional<APIError> error = QCoro::waitFor(*task);
            QVERIFY(error);
            QCOMPARE(error->kind(), APIError::Kind::InvalidURL);
        }
        QVERIFY(!m_config->isFetching());
    }
}

QTEST_GUILESS_MAIN(TestRefusedBeforeSending)
#include "TestRefusedBeforeSending.moc"
