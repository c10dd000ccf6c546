#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/AuthTokenStore.h"
#include "api/DomainStorage.h"
#include "api/UnauthorizedHandler.h"
#include "foundation/SettingsStore.h"
#include "support/LogCapture.h"
#include "support/standin/ClearTextListener.h"
#include "support/standin/StandInService.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QtTest>

namespace {

// Tokens kept in memory; the keyring's own behaviour is tested on the real keyring.
class MemoryTokenStore final : public AuthTokenStore
{
public:
    std::optional<AuthTokens> getAuthTokens() override { return m_tokens; }
    void saveAuthTokens(const AuthTokens &tokens) override { m_tokens = tokens; }
    void deleteAuthTokens() override { m_tokens.reset(); }

private:
    std::optional<AuthTokens> m_tokens;
};

AuthTokens tokensWithAccess(const QString &accessToken, const QString &refreshToken = QString())
{
    AuthTokens tokens;
    tokens.accessToken = accessToken;
    tokens.refreshToken = refreshToken;
    return tokens;
}

// Stands in for the authentication service's refresh: counts its calls and answers what the
// test decides, storing it first as the real one does.
class FakeUnauthorizedHandler final : public UnauthorizedHandler
{
public:
    explicit FakeUnauthorizedHandler(AuthTokenStore &store)
        : m_store(store)
    {}

    QCoro::Task<std::optional<AuthTokens>> handleUnauthorized() override
    {
        ++calls;
        if (repair)
            co_return co_await repair();
        if (answer)
            m_store.saveAuthTokens(*answer);
        co_return answer;
    }

    int calls = 0;
    std::optional<AuthTokens> answer;
    std::function<QCoro::Task<std::optional<AuthTokens>>()> repair;

private:
    AuthTokenStore &m_store;
};

// A result type with one required field.
struct ConfigEnvelope
{
    QJsonObject data;

    static std::optional<ConfigEnvelope> fromJson(const QJsonValue &value)
    {
        const QJsonValue data = value.toObject().value(QStringLiteral("data"));
        if (!data.isObject())
            return std::nullopt;
        return ConfigEnvelope{data.toObject()};
    }
};

template<typename T>
struct Outcome
{
    std::optional<T> value;
    std::optional<APIError> error;
};

template<typename T>
QCoro::Task<Outcome<T>> capture(QCoro::Task<T> task)
{
    Outcome<T> outcome;
    try {
        outcome.value = co_await std::move(task);
    } catch (const APIError &error) {
        outcome.error = error;
    }
    co_return outcome;
}

template<typename T>
Outcome<T> run(QCoro::Task<T> task)
{
    return QCoro::waitFor(capture(std::move(task)));
}

const QString configPath = QStringLiteral("hr/zuvevivezid/employees/config");
const QString loginPath = QStringLiteral("authentication/singleLogin");

} // namespace

class TestAPIClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestCarriesHeadersAndJson();
    void extraHeadersAndBearer();
    void statusMapping_data();
    void statusMapping();
    void unauthorizedWithoutRepair();
    void unauthorizedRepairedOnceThenRepeated();
    void unauthorizedRepairGivesNothing();
    void secondUnauthorizedEndsTheCall();
    void realRefreshAfterRejectedToken();
    void untrustedCertificateIsRefused();
    void onlyHttpUrlsAreRequested_data();
    void onlyHttpUrlsAreRequested();
    void droppedConnectionIsNetworkError_data();
    void droppedConnectionIsNetworkError();
    void malformedJsonFailsDecoding();
    void answersAreBoundedInSizeAndTime_data();
    void answersAreBoundedInSizeAndTime();
    void noSecretReachesTheLog();
    void plainHttpAcrossTheNetworkCarriesNothing();
    void addressUserInfoStaysOutOfTheLog();

private:
    std::unique_ptr<APIClient> makeClient(const TlsConfiguration &tls);

    StandInService m_standIn;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DomainStorage> m_domains;
    std::unique_ptr<APIEndpoints> m_endpoints;
    MemoryTokenStore m_tokens;
    std::unique_ptr<FakeUnauthorizedHandler> m_handler;
    std::unique_ptr<APIClient> m_client;
};

void TestAPIClient::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    // The one setting through which the client trusts another authority, read once per process.
    qputenv(TlsConfiguration::extraCaEnvironmentVariable, m_standIn.caCertificatePath().toUtf8());
    QCOMPARE(TlsConfiguration::fromEnvironment().extraCertificateCount(), 1);
}

void TestAPIClient::init()
{
    QVERIFY(m_standIn.reset());
    m_settings = std::make_unique<SettingsStore>(QString());
    m_domains = std::make_unique<DomainStorage>(*m_settings);
    m_domains->setBaseURL(m_standIn.baseUrl());
    m_endpoints = std::make_unique<APIEndpoints>(*m_domains);
    m_tokens.deleteAuthTokens();
    m_handler = std::make_unique<FakeUnauthorizedHandler>(m_tokens);
    m_client = makeClient(TlsConfiguration::fromEnvironment());
}

void TestAPIClient::cleanup()
{
    m_client.reset();
}

std::unique_ptr<APIClient> TestAPIClient::makeClient(const TlsConfiguration &tls)
{
    auto client = std::make_unique<APIClient>(*m_endpoints, m_tokens, tls);
    client->setUnauthorizedHandler(m_handler.get());
    return client;
}

void TestAPIClient::requestCarriesHeadersAndJson()
{
    QVERIFY(m_standIn.setResponse(
        QStringLiteral("GET"), configPath, 200,
        QJsonObject{{QStringLiteral("data"), QJsonObject{{QStringLiteral("ok"), true}}}}));
    const auto got = run(m_client->request<ConfigEnvelope>(
        {configPath + QStringLiteral("?date=2026-03-05"), "GET", std::nullopt, true, true, {}}));
    QVERIFY(!got.error);
    QCOMPARE(got.value->data.value(QStringLiteral("ok")), QJsonValue(true));

    const QByteArray body = R"({"email":"x@y.test","via":"email"})";
    const auto posted = run(m_client->request<EmptyResponse>(
        {QStringLiteral("authentication/generateOtp"), "POST", body, false, false, {}}));
    QVERIFY(!posted.error);

    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 2);
    const StandInReceivedRequest &get = received.at(0);
    QCOMPARE(get.method, QStringLiteral("GET"));
    QCOMPARE(get.path, configPath);
    QCOMPARE(get.query, QStringLiteral("date=2026-03-05"));
    // Also on a GET without a body.
    QCOMPARE(get.header(QStringLiteral("Content-Type")), QStringLiteral("application/json"));
    QCOMPARE(get.header(QStringLiteral("Accept")), QStringLiteral("application/json"));
    QCOMPARE(get.header(QStringLiteral("app-client")), QStringLiteral("mac"));
    QCOMPARE(get.header(QStringLiteral("X-App")), QStringLiteral("hr"));
    // No stored tokens: no header at all.
    QVERIFY(!get.headers.contains(QStringLiteral("authorization")));

    const StandInReceivedRequest &post = received.at(1);
    QCOMPARE(post.method, QStringLiteral("POST"));
    QCOMPARE(post.body, body);
    QCOMPARE(post.header(QStringLiteral("Content-Type")), QStringLiteral("application/json"));
}

void TestAPIClient::extraHeadersAndBearer()
{
    m_tokens.saveAuthTokens(tokensWithAccess(QStringLiteral("stored-access")));
    QVERIFY(m_standIn.setResponse(QStringLiteral(""), configPath, 200, QJsonObject(),
                                  StandInService::UntilCleared));

    const APIClient::Headers extra = {{"APP-CLIENT", "IOS"}, {"authorization", "Bearer forged"}};
    QVERIFY(!run(m_client->request<EmptyResponse>(
                     {configPath, "GET", std::nullopt, true, false, extra}))
                 .error);
    // Asked not to authorise: the stored token stays home, an extra header goes as given.
    QVERIFY(!run(m_client->request<EmptyResponse>(
                     {configPath, "POST", QByteArray(), false, false, {{"X-Trace", "1"}}}))
                 .error);

    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0).header(QStringLiteral("app-client")), QStringLiteral("IOS"));
    QCOMPARE(received.at(0).header(QStringLiteral("authorization")),
             QStringLiteral("Bearer stored-access"));
    QVERIFY(!received.at(1).headers.contains(QStringLiteral("authorization")));
    QCOMPARE(received.at(1).header(QStringLiteral("x-trace")), QStringLiteral("1"));
}

void TestAPIClient::statusMapping_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("typed");       // decode into a type with a required field
    QTest::addColumn<int>("expectedKind"); // -1: success
    QTest::addColumn<int>("expectedStatus");

    const int serverError = static_cast<int>(APIError::Kind::ServerError);
    const int decodingFailed = static_cast<int>(APIError::Kind::DecodingFailed);
    QTest::newRow("204 empty, ignored body") << 204 << QByteArray() << false << -1 << 0;
    QTest::newRow("204 empty, typed") << 204 << QByteArray() << true << decodingFailed << 0;
    QTest::newRow("200 not JSON, ignored body") << 200 << QByteArray("plain") << false << -1 << 0;
    QTest::newRow("200 wrong shape, typed")
        << 200 << QByteArray(R"({"data":[]})") << true << decodingFailed << 0;
    QTest::newRow("299 is success") << 299 << QByteArray(R"({"data":{}})") << true << -1 << 0;
    QTest::newRow("300") << 300 << QByteArray() << false << serverError << 300;
    QTest::newRow("400") << 400 << QByteArray(R"({"message":"bad"})") << false << serverError
                         << 400;
    QTest::newRow("403") << 403 << QByteArray() << true << serverError << 403;
    QTest::newRow("404") << 404 << QByteArray() << false << serverError << 404;
    QTest::newRow("500") << 500 << QByteArray(R"({"message":"boom"})") << true << serverError
                         << 500;
    QTest::newRow("503") << 503 << QByteArray() << false << serverError << 503;
}

void TestAPIClient::statusMapping()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, typed);
    QFETCH(int, expectedKind);
    QFETCH(int, expectedStatus);
    QVERIFY(m_standIn.setRawResponse(QStringLiteral("GET"), configPath, status, body));

    const LogCapture log;
    const APIClient::Call call{configPath, "GET", std::nullopt, true, true, {}};
    std::optional<APIError> error = typed ? run(m_client->request<ConfigEnvelope>(call)).error
                                          : run(m_client->request<EmptyResponse>(call)).error;

    QCOMPARE(m_handler->calls, 0);
    const QString title = QStringLiteral("GET -> /api/v1/%1 • %2").arg(configPath).arg(status);
    if (expectedKind < 0) {
        QVERIFY2(!error, error ? error->what() : "");
        QCOMPARE(log.count(QStringLiteral("info com.wendoka.zuvevivezid.upload: ") + title), 1);
        return;
    }
    QVERIFY(error);
    QCOMPARE(static_cast<int>(error->kind()), expectedKind);
    if (error->kind() == APIError::Kind::ServerError) {
        QCOMPARE(error->statusCode(), expectedStatus);
        QCOMPARE(log.count(QStringLiteral("error com.wendoka.zuvevivezid.upload: ") + title), 1);
        QVERIFY(log.contains(QStringLiteral("StatusCode: %1").arg(status)));
        if (!body.isEmpty())
            QVERIFY(log.contains(QStringLiteral("Response payload:\n") +
                                 APIClient::stringifyJSONorText(body, 6000)));
    }
}

void TestAPIClient::unauthorizedWithoutRepair()
{
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), loginPath, 401,
                                  QJsonObject{{QStringLiteral("message"), QStringLiteral("no")}}));
    m_handler->answer = tokensWithAccess(QStringLiteral("never-used"));
    const auto got = run(
        m_client->request<EmptyResponse>({loginPath, "POST", QByteArray("{}"), false, false, {}}));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(m_handler->calls, 0);
    QCOMPARE(m_standIn.receivedRequests().size(), 1);
}

void TestAPIClient::unauthorizedRepairedOnceThenRepeated()
{
    m_tokens.saveAuthTokens(tokensWithAccess(QStringLiteral("expired-access")));
    m_handler->answer = tokensWithAccess(QStringLiteral("fresh-access"));
    QVERIFY(m_standIn.setResponse(QStringLiteral("GET"), configPath, 401));
    QVERIFY(m_standIn.setResponse(
        QStringLiteral("GET"), configPath, 200,
        QJsonObject{{QStringLiteral("data"), QJsonObject{{QStringLiteral("n"), 2}}}}));

    const LogCapture log;
    const auto got =
        run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}));
    QVERIFY(!got.error);
    QCOMPARE(got.value->data.value(QStringLiteral("n")).toInt(), 2);
    QCOMPARE(m_handler->calls, 1);

    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0).header(QStringLiteral("authorization")),
             QStringLiteral("Bearer expired-access"));
    // The repeat reads the repaired tokens from the store.
    QCOMPARE(received.at(1).header(QStringLiteral("authorization")),
             QStringLiteral("Bearer fresh-access"));
    QCOMPARE(log.count(QStringLiteral("API request: GET /api/v1/") + configPath), 2);
    QCOMPARE(log.count(QStringLiteral("error com.wendoka.zuvevivezid.upload: GET -> /api/v1/") +
                       configPath + QStringLiteral(" • 401")),
             1);
    QCOMPARE(log.count(QStringLiteral("info com.wendoka.zuvevivezid.upload: GET -> /api/v1/") +
                       configPath + QStringLiteral(" • 200")),
             1);
}

void TestAPIClient::unauthorizedRepairGivesNothing()
{
    // No stored tokens: the request goes without a bearer, the 401 asks for a repair that has
    // nothing to give.
    QVERIFY(m_standIn.setResponse(QStringLiteral("GET"), configPath, 401));
    const auto got =
        run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(m_handler->calls, 1);
    QCOMPARE(m_standIn.receivedRequests().size(), 1);
}

void TestAPIClient::secondUnauthorizedEndsTheCall()
{
    m_handler->answer = tokensWithAccess(QStringLiteral("also-refused"));
    QVERIFY(m_standIn.setResponse(QStringLiteral("GET"), configPath, 401, QJsonValue(),
                                  StandInService::UntilCleared));
    const auto got =
        run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Unauthorized);
    QCOMPARE(m_handler->calls, 1);
    QCOMPARE(m_standIn.receivedRequests().size(), 2);
}

void TestAPIClient::realRefreshAfterRejectedToken()
{
    // A real sign-in, a real rejection and a real refresh through this same client.
    const QByteArray credentials =
        QJsonDocument(QJsonObject{
                          {QStringLiteral("email"), StandInService::demoEmail()},
                          {QStringLiteral("password"), StandInService::demoPassword()},
                          {QStringLiteral("remember_me"), 1},
                          {QStringLiteral("use_jwt"), 1},
                      })
            .toJson(QJsonDocument::Compact);
    const auto signIn = run(m_client->send({loginPath, "POST", credentials, false, false, {}}));
    QVERIFY(!signIn.error);
    const QJsonObject issued = QJsonDocument::fromJson(*signIn.value)
                                   .object()
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("data"))
                                   .toObject();
    const QString firstAccess = issued.value(QStringLiteral("access_token")).toString();
    QVERIFY(!firstAccess.isEmpty());
    m_tokens.saveAuthTokens(
        tokensWithAccess(firstAccess, issued.value(QStringLiteral("refresh_token")).toString()));

    QVERIFY(
        !run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}))
             .error);
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());

    APIClient *client = m_client.get();
    MemoryTokenStore *store = &m_tokens;
    m_handler->repair = [client, store]() -> QCoro::Task<std::optional<AuthTokens>> {
        const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("refresh_token"),
                                                           store->getAuthTokens()->refreshToken}})
                                    .toJson(QJsonDocument::Compact);
        // Named, not a braced temporary: g++ 12 destroys a temporary aggregate inside a
        // co_await expression twice.
        APIClient::Call refresh{
            QStringLiteral("authentication/refresh"), "POST", body, false, false, {}};
        const QByteArray answer = co_await client->send(std::move(refresh));
        const QJsonObject data =
            QJsonDocument::fromJson(answer).object().value(QStringLiteral("data")).toObject();
        const AuthTokens fresh =
            tokensWithAccess(data.value(QStringLiteral("access_token")).toString(),
                             data.value(QStringLiteral("refresh_token")).toString());
        store->saveAuthTokens(fresh);
        co_return fresh;
    };
    const auto repaired =
        run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}));
    QVERIFY2(!repaired.error, repaired.error ? repaired.error->what() : "");
    QVERIFY(repaired.value->data.contains(QStringLiteral("projects")));
    QCOMPARE(m_handler->calls, 1);
    QVERIFY(m_tokens.getAuthTokens()->accessToken != firstAccess);
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("GET"), configPath).size(), 3);
}

void TestAPIClient::untrustedCertificateIsRefused()
{
    const std::unique_ptr<APIClient> strict = makeClient(TlsConfiguration());
    const auto got = run(
        strict->request<EmptyResponse>({loginPath, "POST", QByteArray("{}"), false, false, {}}));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Network);
    QCOMPARE(got.error->networkError(), QNetworkReply::SslHandshakeFailedError);
    // The handshake failed before any request reached the service.
    QVERIFY(m_standIn.receivedRequests().isEmpty());

    // The same call with the run's authority trusted goes through.
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), loginPath, 200, QJsonObject()));
    QVERIFY(!run(m_client->request<EmptyResponse>(
                     {loginPath, "POST", QByteArray("{}"), false, false, {}}))
                 .error);
}

void TestAPIClient::onlyHttpUrlsAreRequested_data()
{
    QTest::addColumn<QString>("storedBase"); // empty: the stand-in
    QTest::addColumn<QString>("path");

    QTest::newRow("file URL as path") << ""
                                      << "file:///etc/passwd";
    QTest::newRow("ftp URL as path") << ""
                                     << "ftp://127.0.0.1/x";
    QTest::newRow("data URL as path") << ""
                                      << "data:text/plain,hello";
    QTest::newRow("unparsable path") << ""
                                     << "hr/%zz bad path";
    QTest::newRow("unparsable scheme") << ""
                                       << "ht tp://127.0.0.1/";
    QTest::newRow("stored ftp base") << "ftp://127.0.0.1/api/v1/"
                                     << "hr/zuvevivezid/employees/config";
    QTest::newRow("stored file base") << "file://localhost/tmp/api/v1/"
                                      << "authentication/singleLogin";
}

void TestAPIClient::onlyHttpUrlsAreRequested()
{
    QFETCH(QString, storedBase);
    QFETCH(QString, path);
    if (!storedBase.isEmpty())
        m_settings->setString(QString::fromLatin1(DomainStorage::baseURLKey), storedBase);
    m_tokens.saveAuthTokens(tokensWithAccess(QStringLiteral("must-stay-home")));

    const LogCapture log;
    const auto got =
        run(m_client->request<EmptyResponse>({path, "POST", QByteArray("{}"), true, true, {}}));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::InvalidURL);
    QCOMPARE(m_handler->calls, 0);
    QVERIFY(!log.contains(QStringLiteral("API request")));
    // Refused before it was sent, yet never without a trace.
    QCOMPARE(log.count(QStringLiteral("Request not sent: POST")), 1);
    QVERIFY(!log.contains(QStringLiteral("must-stay-home")));
    QVERIFY(m_standIn.receivedRequests().isEmpty());
}

void TestAPIClient::droppedConnectionIsNetworkError_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("sign-in") << QByteArray(R"({"password":"dropped-secret"})");
    // Read by Qt in many pieces: a rewind after the first piece must fail all the same.
    QTest::newRow("two megabytes") << QByteArray(2 * 1024 * 1024, 'x');
}

void TestAPIClient::droppedConnectionIsNetworkError()
{
    QFETCH(QByteArray, body);
    // Every copy Qt might send is dropped, so a quiet re-send shows up in the record.
    QVERIFY(m_standIn.dropNextConnection(QStringLiteral("POST"), loginPath,
                                         StandInService::UntilCleared));
    const LogCapture log;
    const auto got =
        run(m_client->request<EmptyResponse>({loginPath, "POST", body, false, false, {}}));
    QTest::qWait(300);
    QVERIFY(m_standIn.clearResponses());
    // The service may have acted on the one copy it got: a sign-in, a code sent, a token rotated.
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), loginPath).size(), 1);
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Network);
    QVERIFY(got.error->networkError() != QNetworkReply::NoError);
    QVERIFY(!got.error->networkErrorDescription().isEmpty());
    QCOMPARE(log.count(QStringLiteral("error com.wendoka.zuvevivezid.upload: POST -> /api/v1/") +
                       loginPath + QStringLiteral(" • no HTTP response")),
             1);
    QVERIFY(log.contains(QStringLiteral("Error:\n") + got.error->networkErrorDescription()));
    QVERIFY(!log.contains(QStringLiteral("dropped-secret")));
}

void TestAPIClient::malformedJsonFailsDecoding()
{
    QVERIFY(m_standIn.setMalformedResponse(QStringLiteral("GET"), configPath, 2));
    const APIClient::Call call{configPath, "GET", std::nullopt, true, true, {}};
    const auto typed = run(m_client->request<ConfigEnvelope>(call));
    QVERIFY(typed.error);
    QCOMPARE(typed.error->kind(), APIError::Kind::DecodingFailed);
    // A call that ignores the body does not care.
    QVERIFY(!run(m_client->request<EmptyResponse>(call)).error);
}

void TestAPIClient::answersAreBoundedInSizeAndTime_data()
{
    QTest::addColumn<bool>("trickled");
    QTest::addColumn<int>("expectedCode");
    QTest::newRow("larger than any configuration")
        << false << int(QNetworkReply::UnknownContentError);
    QTest::newRow("trickled a byte at a time") << true << int(QNetworkReply::TimeoutError);
}

void TestAPIClient::answersAreBoundedInSizeAndTime()
{
    QFETCH(bool, trickled);
    QFETCH(int, expectedCode);
    if (trickled) {
        // Each byte comes well within the transfer time-out, so only the deadline ends it.
        m_client->setAnswerLimits({APIClient::maxAnswerBytes, 2000});
        QVERIFY(m_standIn.setTrickledResponse(QStringLiteral("GET"), configPath, 100));
    } else {
        QVERIFY(m_standIn.setHugeResponse(QStringLiteral("GET"), configPath, qint64(64) << 20));
    }
    const LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();
    const APIClient::Call call{configPath, "GET", std::nullopt, true, true, {}};
    const auto got = run(m_client->request<ConfigEnvelope>(call));
    QVERIFY(got.error);
    QCOMPARE(got.error->kind(), APIError::Kind::Network);
    QCOMPARE(int(got.error->networkError()), expectedCode);
    QVERIFY2(elapsed.elapsed() < 20000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(log.contains(got.error->networkErrorDescription()));

    // The ended connection holds nothing up: the next answer comes as ever.
    QVERIFY(m_standIn.setResponse(QStringLiteral("GET"), configPath, 200,
                                  QJsonObject{{QStringLiteral("data"), QJsonObject()}}));
    QVERIFY(!run(m_client->request<ConfigEnvelope>(call)).error);
}

void TestAPIClient::noSecretReachesTheLog()
{
    const LogCapture log;
    const QByteArray credentials =
        QJsonDocument(QJsonObject{
                          {QStringLiteral("email"), StandInService::demoEmail()},
                          {QStringLiteral("password"), StandInService::demoPassword()},
                          {QStringLiteral("remember_me"), 1},
                          {QStringLiteral("use_jwt"), 1},
                      })
            .toJson(QJsonDocument::Compact);
    const auto signIn = run(m_client->send({loginPath, "POST", credentials, false, false, {}}));
    QVERIFY(!signIn.error);
    const QJsonObject issued = QJsonDocument::fromJson(*signIn.value)
                                   .object()
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("data"))
                                   .toObject();
    const QString access = issued.value(QStringLiteral("access_token")).toString();
    const QString refresh = issued.value(QStringLiteral("refresh_token")).toString();
    QVERIFY(!access.isEmpty() && !refresh.isEmpty());
    m_tokens.saveAuthTokens(tokensWithAccess(access, refresh));

    // The bearer travels, and an error answer echoes it back in its body.
    QVERIFY(m_standIn.setResponse(
        QStringLiteral("GET"), configPath, 500,
        QJsonObject{{QStringLiteral("echo"), QStringLiteral("Bearer ") + access},
                    {QStringLiteral("Token"), access}}));
    QVERIFY(
        run(m_client->request<ConfigEnvelope>({configPath, "GET", std::nullopt, true, true, {}}))
            .error);
    const QByteArray otp = R"({"email":"otp@zuvevivezid.test","password":"123456","otp":"654321"})";
    run(m_client->send({loginPath, "POST", otp, false, false, {}}));
    const QByteArray refreshBody =
        QJsonDocument(QJsonObject{{QStringLiteral("refresh_token"), refresh}})
            .toJson(QJsonDocument::Compact);
    QVERIFY(
        !run(m_client->send(
                 {QStringLiteral("authentication/refresh"), "POST", refreshBody, false, false, {}}))
             .error);

    const QString text = log.text();
    QVERIFY(text.contains(QStringLiteral("<redacted>")));
    QVERIFY(text.contains(StandInService::demoEmail()));
    const QStringList secrets = {StandInService::demoPassword(), access, refresh,
                                 QStringLiteral("123456"), QStringLiteral("654321")};
    for (const QString &secret : secrets)
        QVERIFY2(!text.contains(secret), qPrintable(secret));
}

void TestAPIClient::plainHttpAcrossTheNetworkCarriesNothing()
{
    ClearTextListener listener;
    if (!listener.start())
        QSKIP("this machine has no address other than loopback");
    m_domains->setBaseURL(listener.url().resolved(QUrl(QStringLiteral("/api/v1/"))));
    m_tokens.saveAuthTokens(tokensWithAccess(QStringLiteral("clear-text-access"),
                                             QStringLiteral("clear-text-refresh")));

    const LogCapture log;
    const QByteArray refreshBody = R"({"refresh_token":"clear-text-refresh"})";
    const auto authorised =
        run(m_client->request<EmptyResponse>({configPath, "GET", std::nullopt, true, true, {}}));
    const auto refresh = run(m_client->send(
        {QStringLiteral("authentication/refresh"), "POST", refreshBody, false, false, {}}));
    QTest::qWait(200);
    for (const auto &error : {authorised.error, refresh.error}) {
        QVERIFY(error);
        QCOMPARE(error->kind(), APIError::Kind::InvalidURL);
    }
    QCOMPARE(listener.connectionCount(), 0);
    QVERIFY(log.contains(QStringLiteral("would go in clear over plain http")));

    // A developer's own service on the loopback host is still reached over plain http.
    QUrl loopback = m_standIn.baseUrl();
    loopback.setScheme(QStringLiteral("http"));
    m_domains->setBaseURL(loopback);
    const auto local =
        run(m_client->request<EmptyResponse>({configPath, "GET", std::nullopt, true, true, {}}));
    QVERIFY(local.error);
    QVERIFY(local.error->kind() != APIError::Kind::InvalidURL);
}

void TestAPIClient::addressUserInfoStaysOutOfTheLog()
{
    QUrl withUser = m_standIn.baseUrl();
    withUser.setUserName(QStringLiteral("deploy"));
    withUser.setPassword(QStringLiteral("hunter9"));
    m_domains->setBaseURL(withUser);
    QVERIFY(m_standIn.setResponse(QStringLiteral("GET"), configPath, 500));
    QVERIFY(m_standIn.dropNextConnection(QStringLiteral("POST"), loginPath,
                                         StandInService::UntilCleared));

    const LogCapture log;
    QVERIFY(
        run(m_client->request<EmptyResponse>({configPath, "GET", std::nullopt, false, false, {}}))
            .error);
    QVERIFY(run(m_client->send({loginPath, "POST", QByteArray("{}"), false, false, {}})).error);
    QVERIFY(m_standIn.clearResponses());
    QVERIFY(log.contains(QStringLiteral("URL: https://127.0.0.1:")));
    QVERIFY2(!log.contains(QStringLiteral("hunter9")), qPrintable(log.text()));
    QVERIFY(!log.contains(QStringLiteral("deploy")));
}

QTEST_GUILESS_MAIN(TestAPIClient)
#include "TestAPIClient.moc"
