#include "AuthTestSupport.h"

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "api/report/ScreenshotReportService.h"
#include "foundation/Clock.h"
#include "foundation/SettingsStore.h"
#include "support/KeyringItem.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"

#include <QtTest>

using AuthTestSupport::start;

namespace {

const Timestamp reportDay =
    Timestamp::fromDateTime(QDateTime(QDate(2026, 3, 5), QTime(12, 0), QTimeZone::utc()));

// One launch of the program: its own settings, keyring connection, client and service, on the
// keyring item all launches share.
struct Launch
{
    Launch(const QString &keyringService, const QString &caPath)
        : keychain(keyringService)
        , api(endpoints, keychain, TlsConfiguration::withExtraCertificates(caPath))
        , auth(api, keychain, domains, defaults, reportCache, systemClock())
        , reports(api)
    {
        api.setUnauthorizedHandler(&auth);
    }

    SettingsStore defaults{QString()};
    DomainStorage domains{defaults};
    APIEndpoints endpoints{domains};
    KeychainService keychain;
    APIClient api;
    ScreenshotReportCache reportCache;
    AuthService auth;
    ScreenshotReportService reports;
};

} // namespace

// The sign-in kept in the real Secret Service: it outlives the process, follows a refresh and
// ends with a rejected refresh or a logout.
class TestAuthServiceKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void signInSurvivesARestartAndFollowsARefresh();
    void rejectedRefreshRemovesTheItem();
    void logoutRemovesTheItem();

private:
    std::unique_ptr<Launch> launch();
    void signIn(Launch &process);

    StandInService m_standIn;
    QString m_keyringService;
};

void TestAuthServiceKeyring::initTestCase()
{
    ZUV_REQUIRE_KEYRING();
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestAuthServiceKeyring::init()
{
    QVERIFY(m_standIn.reset());
    // An item of this run only, so a developer's own sign-in is never touched.
    m_keyringService = QLatin1String(KeychainService::serviceName) + QStringLiteral(".test-") +
                       QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void TestAuthServiceKeyring::cleanup()
{
    removeKeyringItem(m_keyringService);
}

std::unique_ptr<Launch> TestAuthServiceKeyring::launch()
{
    return std::make_unique<Launch>(m_keyringService, m_standIn.caCertificatePath());
}

void TestAuthServiceKeyring::signIn(Launch &process)
{
    const QString email = StandInService::demoEmail();
    const QString password = StandInService::demoPassword();
    const auto outcome = start(process.auth.login(email, password));
    QVERIFY(outcome->wait());
    QVERIFY(outcome->value && outcome->value->directConfig());
    QVERIFY(process.keychain.remembersSignIn());
}

void TestAuthServiceKeyring::signInSurvivesARestartAndFollowsARefresh()
{
    const LogCapture log;
    std::optional<AuthTokens> signedIn;
    {
        const std::unique_ptr<Launch> first = launch();
        signIn(*first);
        signedIn = first->auth.currentTokens();
        QVERIFY(signedIn);
    }

    const std::unique_ptr<Launch> second = launch();
    QCOMPARE(keyringItemTokens(m_keyringService), signedIn);

    // The restored tokens work, and a rejected access token is repaired in the keyring.
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    const auto fetch = start(second->reports.fetch(reportDay));
    QVERIFY(fetch->wait());
    QVERIFY(fetch->value);
    QCOMPARE(m_standIn.receivedRequests("POST", "authentication/refresh").size(), 1);
    const std::optional<AuthTokens> refreshed = keyringItemTokens(m_keyringService);
    QVERIFY(refreshed);
    QVERIFY(refreshed->accessToken != signedIn->accessToken);
    QVERIFY(!log.contains(signedIn->accessToken));
    QVERIFY(!log.contains(refreshed->accessToken));
    QVERIFY(!log.contains(refreshed->refreshToken));
}

void TestAuthServiceKeyring::rejectedRefreshRemovesTheItem()
{
    const std::unique_ptr<Launch> process = launch();
    signIn(*process);
    QVERIFY(m_standIn.refuseRefresh());
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    const auto fetch = start(process->reports.fetch(reportDay));
    QVERIFY(fetch->wait());
    QCOMPARE(fetch->error->kind(), APIError::Kind::Unauthorized);
    QVERIFY(!keyringItemTokens(m_keyringService));
}

void TestAuthServiceKeyring::logoutRemovesTheItem()
{
    const std::unique_ptr<Launch> process = launch();
    signIn(*process);
    const auto logout = start(process->auth.logout());
    QVERIFY(logout->wait());
    QCOMPARE(m_standIn.receivedRequests("POST", "authentication/logout").size(), 1);
    QVERIFY(!keyringItemTokens(m_keyringService));
}

QTEST_GUILESS_MAIN(TestAuthServiceKeyring)
#include "TestAuthServiceKeyring.moc"
