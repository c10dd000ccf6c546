#include "AuthTestSupport.h"

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/auth/SignInPreferences.h"
#include "api/report/ScreenshotReportCache.h"
#include "api/report/ScreenshotReportService.h"
#include "foundation/DataPartition.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "foundation/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/standin/ClearTextListener.h"
#include "support/standin/StandInService.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

using AuthTestSupport::start;

namespace {

const QString singleLogin = QStringLiteral("authentication/singleLogin");
const QString refresh = QStringLiteral("authentication/refresh");
const QString logoutPath = QStringLiteral("authentication/logout");
const QString reportPath = QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees");
const QString timezoneKey = QLatin1String(AuthService::apiTimezoneIdentifierKey);
const QString userNameKey = QLatin1String(UserProfileStorage::userNameKey);
const QString companyNameKey = QLatin1String(UserProfileStorage::companyNameKey);

// Everything one signed-in process holds, made fresh for every test.
struct Client
{
    explicit Client(const QString &caPath)
        : api(endpoints, tokens, TlsConfiguration::withExtraCertificates(caPath))
        , auth(api, tokens, domains, defaults, reportCache, clock)
        , reports(api, QTimeZone::utc())
    {
        api.setUnauthorizedHandler(&auth);
    }

    SettingsStore defaults{QString()};
    DomainStorage domains{defaults};
    APIEndpoints endpoints{domains};
    MemoryTokenStore tokens;
    FakeClock clock;
    APIClient api;
    ScreenshotReportCache reportCache{30, QTimeZone::utc()};
    AuthService auth;
    ScreenshotReportService reports;
};

const Timestamp reportDay =
    Timestamp::fromDateTime(QDateTime(QDate(2026, 3, 5), QTime(12, 0), QTimeZone::utc()));

} // namespace

// Sign-in, refresh, invalidation and logout against the stand-in HR service over HTTPS.
class TestAuthService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void signInDirect();
    void signInWithOneTimeCode();
    void signInWithSeveralCompanies();
    void wrongPasswordThenCorrectedPasswordSendsAgain();
    void malformedAnswersStoreNothing_data();
    void malformedAnswersStoreNothing();
    void serviceDown();
    void plainHttpCompanyAddressIsRefused_data();
    void plainHttpCompanyAddressIsRefused();
    void concurrentSignInsShareOneRequest();
    void passwordRecoveryAndNewCode();

    void twentyConcurrent401sRefreshOnce();
    void refusedRefreshEndsTheSignInOnce();
    void transientRefreshFailureKeepsTheSignIn();
    void refreshWithoutTokensSendsNothing();
    void refreshFinishingAfterLogoutIsDropped();
    void refreshFinishingAfterNewSignInIsDropped();
    void refusalFinishingAfterNewSignInKeepsIt();

    void logoutClearsEverything();
    void logoutWhoseCallFailsStillSignsOut();
    void storedSignInNamesItsEmployee_data();
    void storedSignInNamesItsEmployee();
    void reportFetchNamesTheDay();

private:
    std::shared_ptr<Outcome<SingleLoginResult>> signIn(const QString &email,
                                                       const QString &password);
    void signInDemo();
    void expectNoSecretsLogged();

    StandInService m_standIn;
    std::unique_ptr<Client> m_client;
    std::unique_ptr<LogCapture> m_log;
};

void TestAuthService::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    // Requests made while no company address is stored go to the stand-in too.
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestAuthService::init()
{
    QVERIFY(m_standIn.reset());
    m_log = std::make_unique<LogCapture>();
    m_client = std::make_unique<Client>(m_standIn.caCertificatePath());
}

void TestAuthService::cleanup()
{
    // Let replies still being delivered finish before their client goes.
    QTest::qWait(20);
    expectNoSecretsLogged();
    m_client.reset();
    m_log.reset();
}

void TestAuthService::expectNoSecretsLogged()
{
    QStringList secrets{StandInService::demoPassword(), StandInService::defaultOtpCode()};
    for (const AuthTokens &tokens : m_client->tokens.everSaved())
        secrets << tokens.accessToken << tokens.refreshToken;
    for (const StandInReceivedRequest &request : m_standIn.receivedRequests()) {
        const QJsonObject body = request.json().toObject();
        for (const char *key : {"password", "refresh_token", "access_token"}) {
            if (body.value(QLatin1String(key)).isString())
                secrets << body.value(QLatin1String(key)).toString();
        }
        const QString authorization = request.header(QStringLiteral("authorization"));
        if (!authorization.isEmpty())
            secrets << authorization << authorization.section(QLatin1Char(' '), 1);
    }
    secrets.removeAll(QString());
    secrets.removeDuplicates();
    const QString logged = m_log->text();
    QVERIFY(!logged.isEmpty());
    for (const QString &secret : std::as_const(secrets))
        QVERIFY2(!logged.contains(secret), qPrintable(QStringLiteral("logged: ") + secret));
    static const QRegularExpression clearBearer(QStringLiteral("Bearer (?!<redacted>)"));
    QVERIFY(!clearBearer.match(logged).hasMatch());
}

std::shared_ptr<Outcome<SingleLoginResult>> TestAuthService::signIn(const QString &email,
                                                                    const QString &password)
{
    auto outcome = start(m_client->auth.login(email, password));
    if (!outcome->wait())
        qWarning("sign-in did not finish");
    return outcome;
}

void TestAuthService::signInDemo()
{
    const auto outcome = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(outcome->value && outcome->value->directConfig());
}

void TestAuthService::signInDirect()
{
    const auto outcome = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(!outcome->error);
    const SingleLoginResult::DirectConfig *direct = outcome->value->directConfig();
    QVERIFY(direct);
    QCOMPARE(direct->user->email, StandInService::demoEmail());
    QCOMPARE(direct->user->name, std::optional<QString>(QStringLiteral("Dana Demo")));
    QCOMPARE(m_client->tokens.getAuthTokens(), std::optional<AuthTokens>(direct->tokens));
    QVERIFY(direct->tokens.expiresAt > m_client->clock.now().addingSeconds(-86400 * 365));
    QCOMPARE(m_client->domains.getBaseURL()->toString(),
             QStringLiteral("https://") + m_standIn.companyEndpoints().first() + "/api/v1/");
    // The local data is kept for this employee from now on.
    QCOMPARE(m_client->domains.employee(), std::optional<QString>(StandInService::demoEmail()));

    const QList<StandInReceivedRequest> sent = m_standIn.receivedRequests("POST", singleLogin);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().json().toObject(),
             (QJsonObject{{"email", StandInService::demoEmail()},
                          {"password", StandInService::demoPassword()},
                          {"remember_me", 1},
                          {"use_jwt", 1}}));
    QVERIFY(sent.first().header("authorization").isEmpty());
    QVERIFY(m_log->contains(QStringLiteral("Login succeeded")));
}

void TestAuthService::signInWithOneTimeCode()
{
    const auto first = signIn(StandInService::otpEmail(), StandInService::demoPassword());
    QVERIFY(first->value);
    const SingleLoginResult::OtpRequired *otp = first->value->otpRequired();
    QVERIFY(otp);
    QCOMPARE(otp->email, StandInService::otpEmail());
    QCOMPARE(otp->userEmail, StandInService::otpEmail());
    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());

    const auto wrongCode =
        start(m_client->auth.verifyOtp(StandInService::otpEmail(), QStringLiteral("000000")));
    QVERIFY(wrongCode->wait());
    QCOMPARE(wrongCode->error->kind(), APIError::Kind::Unauthorized);
    QVERIFY(!m_client->tokens.getAuthTokens());

    const auto verified = start(
        m_client->auth.verifyOtp(StandInService::otpEmail(), StandInService::defaultOtpCode()));
    QVERIFY(verified->wait());
    QVERIFY(verified->value && verified->value->directConfig());
    QVERIFY(m_client->tokens.getAuthTokens());
    QCOMPARE(m_client->domains.getBaseURL()->host(), QStringLiteral("localhost"));

    const QJsonObject codeBody =
        m_standIn.receivedRequests("POST", singleLogin).last().json().toObject();
    QCOMPARE(codeBody.value("is_otp"), QJsonValue(1));
    QCOMPARE(codeBody.value("password").toString(), StandInService::defaultOtpCode());
    QVERIFY(!m_standIn.receivedRequests("POST", singleLogin)
                 .first()
                 .json()
                 .toObject()
                 .contains("is_otp"));
}

void TestAuthService::signInWithSeveralCompanies()
{
    const auto outcome =
        signIn(StandInService::multiCompanyEmail(), StandInService::demoPassword());
    QVERIFY(outcome->value);
    const SingleLoginResult::CompanySelection *selection = outcome->value->companySelection();
    QVERIFY(selection);
    QCOMPARE(selection->userName, QStringLiteral("Mia Many"));
    QStringList endpoints;
    for (const LoginCompany &company : selection->companies)
        endpoints << company.endpoint;
    QCOMPARE(endpoints, m_standIn.companyEndpoints());
    // The tokens count at once; the address waits for the choice.
    QCOMPARE(m_client->tokens.getAuthTokens(), std::optional<AuthTokens>(selection->tokens));
    QVERIFY(!m_client->domains.getBaseURL());

    // The company used last time is offered first.
    const QString lastUsed = m_standIn.companyEndpoints().last();
    m_client->defaults.setString(QLatin1String(LastCompanyStorage::lastEndpointKey), lastUsed);
    const CompanyListOrder::Ordered ordered = CompanyListOrder::ordered(
        selection->companies, LastCompanyStorage::lastEndpoint(m_client->defaults));
    QCOMPARE(ordered.companies.first().endpoint, lastUsed);
    QCOMPARE(ordered.recentEndpoint, std::optional<QString>(lastUsed));

    m_client->auth.setDomainAndComplete(ordered.companies.first());
    QCOMPARE(m_client->domains.getBaseURL()->path(), QStringLiteral("/north/api/v1/"));
    QCOMPARE(m_standIn.receivedRequests("POST", singleLogin).size(), 1);

    // Later requests go to the picked company.
    const auto report = start(m_client->reports.fetch(reportDay));
    QVERIFY(report->wait());
    QVERIFY(report->value);
    QCOMPARE(m_standIn.receivedRequests("GET", reportPath).last().pathPrefix,
             QStringLiteral("/north"));
}

void TestAuthService::wrongPasswordThenCorrectedPasswordSendsAgain()
{
    // The corrected sign-in starts the moment the failed one is heard of, before any other
    // event runs: it must still be sent, not answered with the finished failure.
    auto corrected = std::make_shared<Outcome<SingleLoginResult>>();
    auto retry =
        [](AuthService &auth,
           std::shared_ptr<Outcome<SingleLoginResult>> second) -> QCoro::Task<SingleLoginResult> {
        const QString email = StandInService::demoEmail();
        const QString wrong = QStringLiteral("wrong");
        const QString right = StandInService::demoPassword();
        bool failed = false;
        try {
            co_await auth.login(email, wrong);
        } catch (const APIError &error) {
            failed = error.kind() == APIError::Kind::Unauthorized;
        }
        if (!failed)
            throw APIError::serverError(0);
        try {
            second->value = co_await auth.login(email, right);
        } catch (const APIError &error) {
            second->error = error;
        }
        second->done = true;
        co_return SingleLoginResult{};
    };
    const auto first = start(retry(m_client->auth, corrected));
    QVERIFY(first->wait());
    QVERIFY(!first->error);
    QVERIFY(corrected->done);
    QVERIFY(!corrected->error);
    QVERIFY(corrected->value->directConfig());
    QCOMPARE(m_standIn.receivedRequests("POST", singleLogin).size(), 2);
    QVERIFY(!m_client->auth.isSigningIn());
}

void TestAuthService::malformedAnswersStoreNothing_data()
{
    QTest::addColumn<QByteArray>("answer"); // empty: cut off mid-object
    QTest::newRow("cut off") << QByteArray();
    QTest::newRow("three flat token fields only")
        << QByteArray(R"({"data":{"access_token":"a","refresh_token":"r","expires_at":"e"}})");
    QTest::newRow("otp flag as text") << QByteArray(R"({"data":{"otp_required":"1"}})");
    QTest::newRow("nested tokens without type")
        << QByteArray(R"({"data":{"data":{"access_token":"a","refresh_token":"r",
                      "expires_at":"e","refresh_expires_at":"f"}}})");
}

void TestAuthService::malformedAnswersStoreNothing()
{
    QFETCH(QByteArray, answer);
    m_client->domains.setBaseURL(DomainStorage::buildBaseURL(m_standIn.companyEndpoints().first()));
    if (answer.isEmpty())
        QVERIFY(m_standIn.setMalformedResponse("POST", singleLogin));
    else
        QVERIFY(m_standIn.setRawResponse("POST", singleLogin, 200, answer));

    const auto outcome = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(outcome->error);
    QCOMPARE(outcome->error->kind(), APIError::Kind::DecodingFailed);
    QVERIFY(m_client->tokens.everSaved().isEmpty());
    QVERIFY(m_client->domains.getBaseURL());
}

void TestAuthService::serviceDown()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    m_client->domains.setBaseURL(
        QUrl(QStringLiteral("https://127.0.0.1:%1/api/v1/").arg(closedPort)));
    const auto outcome = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(outcome->error);
    QCOMPARE(outcome->error->kind(), APIError::Kind::Network);
    QVERIFY(m_client->tokens.everSaved().isEmpty());
    QVERIFY(!m_client->auth.isSigningIn());
}

void TestAuthService::plainHttpCompanyAddressIsRefused_data()
{
    QTest::addColumn<bool>("picked"); // from a list of companies, or named by the answer itself
    QTest::newRow("named by the sign-in answer") << false;
    QTest::newRow("picked from the companies") << true;
}

void TestAuthService::plainHttpCompanyAddressIsRefused()
{
    QFETCH(bool, picked);
    ClearTextListener listener;
    if (!listener.start())
        QSKIP("this machine has no address other than loopback");
    const QString endpoint = listener.url().toString();
    const QJsonObject tokens{
        {QStringLiteral("access_token"), QStringLiteral("clear-text-access")},
        {QStringLiteral("refresh_token"), QStringLiteral("clear-text-refresh")},
        {QStringLiteral("token_type"), QStringLiteral("bearer")},
        {QStringLiteral("expires_at"), QStringLiteral("2026-12-09T06:00:00Z")},
        {QStringLiteral("refresh_expires_at"), QStringLiteral("2027-01-09T06:00:00Z")},
    };
    const QJsonObject company{{QStringLiteral("name"), QStringLiteral("Plain Works")},
                              {QStringLiteral("endpoint"), endpoint}};
    QJsonObject data{{QStringLiteral("data"), tokens}};
    if (picked)
        data.insert(QStringLiteral("companies"), QJsonArray{company});
    else
        data.insert(QStringLiteral("init"), QJsonObject{{QStringLiteral("endpoint"), endpoint}});
    QVERIFY(m_standIn.setResponse("POST", singleLogin, 200,
                                  QJsonObject{{QStringLiteral("data"), data}}));

    const auto outcome = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    if (picked) {
        QVERIFY(outcome->value && outcome->value->companySelection());
        QVERIFY(!m_client->auth.setDomainAndComplete(
            outcome->value->companySelection()->companies.first()));
    } else {
        QVERIFY(outcome->error);
        QCOMPARE(outcome->error->kind(), APIError::Kind::InvalidURL);
    }
    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());
    QVERIFY(m_log->contains(QStringLiteral("Sign-in refused: the company address")));

    // Whatever runs next goes to the service, never to the plain address.
    const auto logout = start(m_client->auth.logout());
    QVERIFY(logout->wait());
    QTest::qWait(200);
    QCOMPARE(listener.connectionCount(), 0);
}

void TestAuthService::concurrentSignInsShareOneRequest()
{
    QVERIFY(m_standIn.setDelay("POST", singleLogin, 300));
    const auto first =
        start(m_client->auth.login(StandInService::demoEmail(), StandInService::demoPassword()));
    const auto second =
        start(m_client->auth.login(StandInService::otpEmail(), QStringLiteral("other")));
    QVERIFY(first->wait());
    QVERIFY(second->wait());
    QVERIFY(first->value && second->value);
    QCOMPARE(*second->value, *first->value);
    const QList<StandInReceivedRequest> sent = m_standIn.receivedRequests("POST", singleLogin);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().json().toObject().value("email").toString(), StandInService::demoEmail());

    // And a failure reaches every caller alike.
    QVERIFY(m_standIn.setDelay("POST", singleLogin, 300));
    const auto third = start(m_client->auth.login(StandInService::demoEmail(), "bad"));
    const auto fourth = start(m_client->auth.login(StandInService::demoEmail(), "worse"));
    QVERIFY(third->wait() && fourth->wait());
    QCOMPARE(third->error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(fourth->error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(m_standIn.receivedRequests("POST", singleLogin).size(), 2);
}

void TestAuthService::passwordRecoveryAndNewCode()
{
    const auto recovery =
        start(m_client->auth.requestPasswordRecovery(StandInService::demoEmail()));
    const auto code = start(m_client->auth.generateOtp(StandInService::otpEmail()));
    QVERIFY(recovery->wait() && code->wait());
    QVERIFY(recovery->value && code->value);

    const StandInReceivedRequest recoveryRequest =
        m_standIn.receivedRequests("POST", "authentication/password/recovery").first();
    QCOMPARE(recoveryRequest.header("app-client"), QStringLiteral("IOS"));
    QVERIFY(recoveryRequest.header("authorization").isEmpty());
    QCOMPARE(recoveryRequest.json().toObject(),
             (QJsonObject{{"email", StandInService::demoEmail()}, {"mobile", 1}}));
    const StandInReceivedRequest codeRequest =
        m_standIn.receivedRequests("POST", "authentication/generateOtp").first();
    QCOMPARE(codeRequest.header("app-client"), QStringLiteral("mac"));
    QCOMPARE(codeRequest.json().toObject().value("via").toString(), QStringLiteral("email"));
    QVERIFY(m_log->contains(QStringLiteral("Password recovery requested")));
    QVERIFY(m_log->contains(QStringLiteral("Generate OTP succeeded")));
}

void TestAuthService::twentyConcurrent401sRefreshOnce()
{
    signInDemo();
    const AuthTokens signedIn = *m_client->tokens.getAuthTokens();
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    // The refresh is slow enough that every rejected request hears its 401 while it is out.
    QVERIFY(m_standIn.setDelay("POST", refresh, 500));

    QList<std::shared_ptr<Outcome<ScreenshotReport>>> fetches;
    for (int i = 0; i < 20; ++i)
        fetches.append(start(m_client->reports.fetch(reportDay)));
    for (const auto &fetch : std::as_const(fetches)) {
        QVERIFY(fetch->wait());
        QVERIFY(fetch->value);
    }
    QCOMPARE(m_standIn.receivedRequests("POST", refresh).size(), 1);
    QCOMPARE(m_standIn.receivedRequests("POST", refresh)
                 .first()
                 .json()
                 .toObject()
                 .value("refresh_token"),
             QJsonValue(signedIn.refreshToken));
    const AuthTokens refreshed = *m_client->tokens.getAuthTokens();
    QVERIFY(refreshed.accessToken != signedIn.accessToken);
    QVERIFY(!m_client->auth.isRefreshing());
    QCOMPARE(m_log->count(QStringLiteral("Token refresh succeeded")), 1);
}

void TestAuthService::refusedRefreshEndsTheSignInOnce()
{
    signInDemo();
    m_client->defaults.setString(userNameKey, QStringLiteral("Dana Demo"));
    m_client->defaults.setString(companyNameKey, QStringLiteral("Demo Works"));
    m_client->defaults.setString(timezoneKey, QStringLiteral("Pacific/Chatham"));
    m_client->reportCache.store(ScreenshotReport{}, reportDay,
                                m_client->domains.getBaseURL()->host());
    QSignalSpy invalidated(&NotificationHub::instance(),
                           &NotificationHub::authSessionDidInvalidate);
    // What an observer queues on hearing of it is written while the sign-in's zone still stands.
    QObject observer;
    QString zoneForObservers;
    connect(&NotificationHub::instance(), &NotificationHub::authSessionDidInvalidate, &observer,
            [&] {
                QTimer::singleShot(0, &observer, [&] {
                    zoneForObservers = m_client->defaults.string(timezoneKey).value_or(QString());
                });
            });

    QVERIFY(m_standIn.refuseRefresh());
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QVERIFY(m_standIn.setDelay("POST", refresh, 300));
    QList<std::shared_ptr<Outcome<ScreenshotReport>>> fetches;
    for (int i = 0; i < 5; ++i)
        fetches.append(start(m_client->reports.fetch(reportDay)));
    for (const auto &fetch : std::as_const(fetches)) {
        QVERIFY(fetch->wait());
        QCOMPARE(fetch->error->kind(), APIError::Kind::Unauthorized);
    }

    QCOMPARE(invalidated.count(), 1);
    QTRY_COMPARE(zoneForObservers, QStringLiteral("Pacific/Chatham"));
    QCOMPARE(m_standIn.receivedRequests("POST", refresh).size(), 1);
    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());
    QVERIFY(!m_client->defaults.contains(userNameKey));
    QVERIFY(!m_client->defaults.contains(companyNameKey));
    QCOMPARE(m_client->defaults.string(timezoneKey),
             std::optional<QString>(QString::fromUtf8(QTimeZone::systemTimeZoneId())));
    QCOMPARE(m_client->reportCache.size(), 0);
    QVERIFY(m_log->contains(QStringLiteral("Token refresh rejected (401); clearing session")));
}

void TestAuthService::transientRefreshFailureKeepsTheSignIn()
{
    signInDemo();
    const std::optional<AuthTokens> signedIn = m_client->tokens.getAuthTokens();
    const std::optional<QUrl> address = m_client->domains.getBaseURL();
    QSignalSpy invalidated(&NotificationHub::instance(),
                           &NotificationHub::authSessionDidInvalidate);
    QVERIFY(m_standIn.setResponse("POST", refresh, 500, QJsonObject{{"message", "down"}}));
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());

    const auto fetch = start(m_client->reports.fetch(reportDay));
    QVERIFY(fetch->wait());
    QCOMPARE(fetch->error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(m_client->tokens.getAuthTokens(), signedIn);
    QCOMPARE(m_client->domains.getBaseURL(), address);
    QCOMPARE(invalidated.count(), 0);
    QCOMPARE(m_log->count(QStringLiteral(
                 "Token refresh failed transiently, keeping tokens: serverError(statusCode: 500)")),
             1);
}

void TestAuthService::refreshWithoutTokensSendsNothing()
{
    const auto repaired = start(m_client->auth.handleUnauthorized());
    QVERIFY(repaired->wait());
    QVERIFY(repaired->value && !repaired->value->has_value());
    QVERIFY(m_standIn.receivedRequests("POST", refresh).isEmpty());
    QVERIFY(m_log->contains(QStringLiteral("No tokens to refresh")));
}

void TestAuthService::refreshFinishingAfterLogoutIsDropped()
{
    signInDemo();
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QVERIFY(m_standIn.setDelay("POST", refresh, 800));
    const auto fetch = start(m_client->reports.fetch(reportDay));
    QVERIFY(m_standIn.waitForRequests("POST", refresh, 1));
    QVERIFY(QTest::qWaitFor([this] { return m_client->auth.isRefreshing(); }));

    const auto logout = start(m_client->auth.logout());
    QVERIFY(logout->wait());
    QVERIFY(fetch->wait());
    QCOMPARE(fetch->error->kind(), APIError::Kind::Unauthorized);
    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());
    QVERIFY(!m_client->auth.isRefreshing());
}

void TestAuthService::refreshFinishingAfterNewSignInIsDropped()
{
    signInDemo();
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QVERIFY(m_standIn.setDelay("POST", refresh, 800));
    const auto fetch = start(m_client->reports.fetch(reportDay));
    QVERIFY(m_standIn.waitForRequests("POST", refresh, 1));

    const auto again = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(again->value);
    const AuthTokens newSignIn = again->value->directConfig()->tokens;
    QVERIFY(fetch->wait());
    QCOMPARE(m_client->tokens.getAuthTokens(), std::optional<AuthTokens>(newSignIn));
}

void TestAuthService::refusalFinishingAfterNewSignInKeepsIt()
{
    signInDemo();
    QSignalSpy invalidated(&NotificationHub::instance(),
                           &NotificationHub::authSessionDidInvalidate);
    QVERIFY(m_standIn.refuseRefresh());
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QVERIFY(m_standIn.setDelay("POST", refresh, 800));
    const auto fetch = start(m_client->reports.fetch(reportDay));
    QVERIFY(m_standIn.waitForRequests("POST", refresh, 1));

    const auto again = signIn(StandInService::demoEmail(), StandInService::demoPassword());
    QVERIFY(again->value);
    QVERIFY(fetch->wait());
    QCOMPARE(invalidated.count(), 0);
    QCOMPARE(m_client->tokens.getAuthTokens(),
             std::optional<AuthTokens>(again->value->directConfig()->tokens));
    QVERIFY(m_client->domains.getBaseURL());
}

void TestAuthService::logoutClearsEverything()
{
    signInDemo();
    const AuthTokens tokens = *m_client->tokens.getAuthTokens();
    m_client->defaults.setString(userNameKey, QStringLiteral("Dana Demo"));
    m_client->defaults.setString(companyNameKey, QStringLiteral("Demo Works"));
    m_client->defaults.setString(timezoneKey, QStringLiteral("Pacific/Chatham"));
    const QString domain = m_client->domains.getBaseURL()->host();
    m_client->reportCache.store(ScreenshotReport{}, reportDay, domain);

    const auto logout = start(m_client->auth.logout());
    QVERIFY(logout->wait());
    const QList<StandInReceivedRequest> sent = m_standIn.receivedRequests("POST", logoutPath);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().header("authorization"), "Bearer " + tokens.accessToken);
    QCOMPARE(sent.first().json().toObject(), (QJsonObject{{"refresh_token", tokens.refreshToken}}));
    QVERIFY(m_log->contains(QStringLiteral("Logout succeeded")));

    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());
    QVERIFY(!m_client->domains.employee());
    QVERIFY(!m_client->defaults.contains(userNameKey));
    QVERIFY(!m_client->defaults.contains(companyNameKey));
    // Logout leaves the time zone to the next configuration.
    QCOMPARE(m_client->defaults.string(timezoneKey),
             std::optional<QString>(QStringLiteral("Pacific/Chatham")));
    // The next employee of the same company must not see these screenshots.
    QVERIFY(!m_client->reportCache.report(reportDay, domain));

    // Signed out already: nothing to tell the service.
    const auto second = start(m_client->auth.logout());
    QVERIFY(second->wait());
    QCOMPARE(m_standIn.receivedRequests("POST", logoutPath).size(), 1);
}

void TestAuthService::logoutWhoseCallFailsStillSignsOut()
{
    signInDemo();
    QVERIFY(m_standIn.setResponse("POST", logoutPath, 401, QJsonObject{{"message", "no"}}));
    const auto logout = start(m_client->auth.logout());
    QVERIFY(logout->wait());
    QVERIFY(logout->value);
    QVERIFY(!m_client->tokens.getAuthTokens());
    QVERIFY(!m_client->domains.getBaseURL());
    QVERIFY(m_log->contains(QStringLiteral("Logout failed: unauthorized")));
    // A logout never asks for a refresh.
    QVERIFY(m_standIn.receivedRequests("POST", refresh).isEmpty());
}

void TestAuthService::storedSignInNamesItsEmployee_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<bool>("rememberingOn");
    QTest::addColumn<QString>("employee");

    QTest::newRow("named already") << "cole@demo.test"
                                   << "dana@demo.test" << true << "cole@demo.test";
    QTest::newRow("kept from before: the form's e-mail")
        << QString() << " Dana@Demo.test " << true << "dana@demo.test";
    QTest::newRow("kept from before, nothing remembered")
        << QString() << QString() << true << QString();
    QTest::newRow("kept from before, remembering off")
        << QString() << "dana@demo.test" << false << QString();
}

void TestAuthService::storedSignInNamesItsEmployee()
{
    QFETCH(QString, stored);
    QFETCH(QString, remembered);
    QFETCH(bool, rememberingOn);
    QFETCH(QString, employee);
    Client &client = *m_client;
    client.domains.setBaseURL(DomainStorage::buildBaseURL(m_standIn.companyEndpoints().first()));
    if (!stored.isEmpty())
        client.domains.setEmployee(stored);
    if (!remembered.isEmpty())
        RememberedLoginStorage::save(remembered, client.defaults);
    client.defaults.setBoolean(QLatin1String(RememberedLoginStorage::enabledKey), rememberingOn);

    QCOMPARE(client.auth.identifyEmployeeOfStoredSignIn(), !employee.isEmpty());
    QCOMPARE(client.domains.employee().value_or(QString()), employee);
    QCOMPARE(DataPartition::namesEmployee(client.domains.partitionKey()), !employee.isEmpty());
    // Log lines only, so the suite's check of the log finds one.
    zuvInfo(lcAuth) << "checked";
}

void TestAuthService::reportFetchNamesTheDay()
{
    signInDemo();
    const auto fetch = start(m_client->reports.fetch(reportDay));
    QVERIFY(fetch->wait());
    QVERIFY(fetch->value);
    const StandInReceivedRequest sent = m_standIn.receivedRequests("GET", reportPath).first();
    QCOMPARE(sent.query, QStringLiteral("date=2026-03-05"));
    QVERIFY(sent.header("authorization").startsWith(QStringLiteral("Bearer ")));

    QVERIFY(m_standIn.setRawResponse("GET", reportPath, 200, R"({"data":{"summary":{}}})"));
    const auto undecodable = start(m_client->reports.fetch(reportDay));
    QVERIFY(undecodable->wait());
    QCOMPARE(undecodable->error->kind(), APIError::Kind::DecodingFailed);
}

QTEST_GUILESS_MAIN(TestAuthService)
#include "TestAuthService.moc"
