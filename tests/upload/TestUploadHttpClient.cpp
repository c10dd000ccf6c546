#include "api/APIError.h"
#include "support/LogCapture.h"
#include "support/standin/ClearTextListener.h"
#include "upload/TransportError.h"
#include "upload/UploadTestRig.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString startPath = QStringLiteral("hr/zuvevivezid/employees/sessions/start");
const QString configPath = QStringLiteral("hr/zuvevivezid/employees/config");

AuthTokens tokensWithAccess(const QString &accessToken)
{
    AuthTokens tokens;
    tokens.accessToken = accessToken;
    tokens.refreshToken = accessToken + QStringLiteral("-refresh");
    return tokens;
}

// Sends one request and hands back whatever it threw; nothing when it succeeded.
enum class Failure
{
    None,
    Transport,
    InvalidURL,
    Server,
};

struct SendOutcome
{
    Failure failure = Failure::None;
    int status = 0;
    QNetworkReply::NetworkError transportCode = QNetworkReply::NoError;
};

SendOutcome sendOnce(UploadHttpClient &http, const QByteArray &body)
{
    SendOutcome outcome;
    try {
        auto request = http.makeRequest(startPath, "POST", "application/json");
        request.body = body;
        UploadTestSupport::run(http.executeRequest(request, false));
    } catch (const TransportError &error) {
        outcome.failure = Failure::Transport;
        outcome.transportCode = error.code();
    } catch (const APIError &error) {
        outcome.failure =
            error.kind() == APIError::Kind::InvalidURL ? Failure::InvalidURL : Failure::Server;
        outcome.status = error.statusCode();
    }
    return outcome;
}

} // namespace

class TestUploadHttpClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void payloadTextMasksBeforeCutting_data();
    void payloadTextMasksBeforeCutting();
    void errorBodyText_data();
    void errorBodyText();
    void requestWithoutTokensHasNoAuthorization();
    void unusablePathFailsBeforeSending();
    void emptyAnswerIsSuccess();
    void errorStatusesAndLoggedBodies();
    void secondUnauthorizedEndsWithoutAnotherRefresh();
    void untrustedCertificateIsATransportError();
    void droppedConnectionIsOneRequest_data();
    void droppedConnectionIsOneRequest();
    void answersAreBoundedInSizeAndTime_data();
    void answersAreBoundedInSizeAndTime();
    void redirectedUploadFails_data();
    void redirectedUploadFails();
    void plainHttpAcrossTheNetworkCarriesNothing();

private:
    StandInService m_standIn;
    // Another origin on this machine: where a redirect would carry the bearer token.
    StandInService m_elsewhere;
    std::unique_ptr<UploadTestRig> m_rig;
};

void TestUploadHttpClient::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    QVERIFY2(m_elsewhere.start(), qPrintable(m_elsewhere.errorString()));
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestUploadHttpClient::init()
{
    QVERIFY(m_standIn.reset());
    QVERIFY(m_elsewhere.reset());
    m_rig = std::make_unique<UploadTestRig>(m_standIn);
}

void TestUploadHttpClient::payloadTextMasksBeforeCutting_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("mustContain");
    QTest::addColumn<QString>("mustNotContain");

    QTest::newRow("json secret masked, any letter case")
        << QByteArray(R"({"PassWord":"hunter2","n":1})") << 2000 << R"("PassWord":"<redacted>")"
        << "hunter2";
    QTest::newRow("numeric value under a secret key stays")
        << QByteArray(R"({"token":12345})") << 2000 << "12345"
        << "<redacted>";
    // The secret straddles the cut: masked first, it cannot leak half of itself.
    const QByteArray secret = "s3cr3t-token-value-that-is-long";
    QTest::newRow("plain text cut inside a bearer value")
        << QByteArray("xxxxxxxxxx Authorization: Bearer ") + secret << 45 << "Bearer <red"
        << QString::fromLatin1(secret.left(8));
    QTest::newRow("json cut inside a secret")
        << QByteArray(R"({"refresh_token":")") + secret + "\"}" << 20 << "..."
        << "s3cr3t";
}

void TestUploadHttpClient::payloadTextMasksBeforeCutting()
{
    QFETCH(QByteArray, body);
    QFETCH(int, limit);
    QFETCH(QString, mustContain);
    QFETCH(QString, mustNotContain);
    const QString text = UploadHttpClient::stringifyPayload(body, limit);
    QVERIFY2(text.contains(mustContain), qPrintable(text));
    QVERIFY2(!text.contains(mustNotContain), qPrintable(text));
}

void TestUploadHttpClient::errorBodyText_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("message") << QByteArray(R"({"message":"Session not found.","errors":{}})")
                             << "Session not found.";
    QTest::newRow("errors") << QByteArray(R"({"errors":{"task_id":["required"]}})")
                            << R"({"task_id":["required"]})";
    QTest::newRow("not utf-8") << QByteArray("\xff\xfe\xfd", 3) << "3 bytes";
    QTest::newRow("long text") << QByteArray(600, 'a') << QString(500, QLatin1Char('a')) + "...";
    QTest::newRow("secret in a message")
        << QByteArray(R"({"message":"bad {\"password\":\"hunter2\"}"})")
        << R"(bad {"password":"<redacted>"})";
}

void TestUploadHttpClient::errorBodyText()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(UploadHttpClient::errorBodyText(body), expected);
}

void TestUploadHttpClient::requestWithoutTokensHasNoAuthorization()
{
    const auto request = m_rig->http->makeRequest(startPath, "POST", "application/json");
    QCOMPARE(request.header("app-client"), QByteArray("ios"));
    QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(request.header("Accept"), QByteArray("application/json"));
    QVERIFY(request.header("Authorization").isEmpty());
    QCOMPARE(request.url, m_standIn.baseUrl().resolved(QUrl(startPath)));
}

void TestUploadHttpClient::unusablePathFailsBeforeSending()
{
    QVERIFY_THROWS_EXCEPTION(APIError, m_rig->http->makeRequest(QStringLiteral("ftp://elsewhere/x"),
                                                                "POST", "application/json"));
    QVERIFY_THROWS_EXCEPTION(APIError, m_rig->http->makeRequest(QStringLiteral("http://[::1"),
                                                                "POST", "application/json"));
    QVERIFY(m_standIn.receivedRequests().isEmpty());
}

void TestUploadHttpClient::emptyAnswerIsSuccess()
{
    QVERIFY(m_standIn.setRawResponse(QStringLiteral("POST"), startPath, 204, QByteArray()));
    auto request = m_rig->http->makeRequest(startPath, "POST", "application/json");
    request.body = "{}";
    QCOMPARE(UploadTestSupport::run(m_rig->http->executeRequest(request, true)), QByteArray());
}

void TestUploadHttpClient::errorStatusesAndLoggedBodies()
{
    LogCapture log;
    QVERIFY(m_standIn.setResponse(
        QStringLiteral("POST"), startPath, 500,
        QJsonObject{{QStringLiteral("message"), QStringLiteral("It broke.")}}));
    auto request = m_rig->http->makeRequest(startPath, "POST", "application/json");
    request.body = R"({"password":"hunter2"})";
    try {
        UploadTestSupport::run(m_rig->http->executeRequest(request, true));
        QFAIL("a 500 must throw");
    } catch (const APIError &error) {
        QCOMPARE(error.kind(), APIError::Kind::ServerError);
        QCOMPARE(error.statusCode(), 500);
    }
    QVERIFY(log.contains(QStringLiteral("API error 500 /api/v1/") + startPath +
                         QStringLiteral(": It broke.")));
    QVERIFY(log.contains(QStringLiteral("API response: POST /api/v1/") + startPath +
                         QStringLiteral(" -> 500")));
    QVERIFY(!log.contains(QStringLiteral("hunter2")));
}

void TestUploadHttpClient::secondUnauthorizedEndsWithoutAnotherRefresh()
{
    // No tokens at all: the service answers 401, one refresh (which signs in again) brings a
    // token the scripted second 401 refuses too.
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), startPath, 401, QJsonValue(), 2));
    auto request = m_rig->http->makeRequest(startPath, "POST", "application/json");
    request.body = "{}";
    QVERIFY_THROWS_EXCEPTION(APIError,
                             UploadTestSupport::run(m_rig->http->executeRequest(request, true)));
    QCOMPARE(m_rig->refresher->calls(), 1);
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), startPath).size(), 2);
}

void TestUploadHttpClient::untrustedCertificateIsATransportError()
{
    UploadHttpClient untrusting(m_rig->endpoints, m_rig->tokens, nullptr, TlsConfiguration());
    auto request = untrusting.makeRequest(startPath, "POST", "application/json");
    try {
        UploadTestSupport::run(untrusting.executeRequest(request, true));
        QFAIL("an untrusted certificate must fail the request");
    } catch (const TransportError &error) {
        QCOMPARE(error.code(), QNetworkReply::SslHandshakeFailedError);
    }
    QVERIFY(m_standIn.receivedRequests().isEmpty());
}

void TestUploadHttpClient::droppedConnectionIsOneRequest_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("session start") << QByteArray(R"({"session_uuid":"one-send"})");
    // Read by Qt in many pieces: a rewind after the first piece must fail all the same.
    QTest::newRow("two megabytes") << QByteArray(2 * 1024 * 1024, 'x');
}

void TestUploadHttpClient::droppedConnectionIsOneRequest()
{
    QFETCH(QByteArray, body);
    // Every copy Qt might send is dropped, so a quiet re-send shows up in the record.
    QVERIFY(m_standIn.dropNextConnection(QStringLiteral("POST"), startPath,
                                         StandInService::UntilCleared));
    const LogCapture log;
    const SendOutcome outcome = sendOnce(*m_rig->http, body);
    QTest::qWait(300);
    QVERIFY(m_standIn.clearResponses());
    QCOMPARE(outcome.failure, Failure::Transport);
    QCOMPARE(outcome.transportCode, QNetworkReply::RemoteHostClosedError);
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), startPath).size(), 1);
    QCOMPARE(log.count(QStringLiteral("API request failed: POST")), 1);

    // The next send of the task is a request of its own and goes through.
    QCOMPARE(sendOnce(*m_rig->http, R"({"session_uuid":"one-send"})").failure, Failure::Server);
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), startPath).size(), 2);
}

void TestUploadHttpClient::answersAreBoundedInSizeAndTime_data()
{
    QTest::addColumn<bool>("trickled");
    QTest::addColumn<int>("expectedCode");
    QTest::newRow("larger than any tracking answer")
        << false << int(QNetworkReply::UnknownContentError);
    QTest::newRow("trickled a byte at a time") << true << int(QNetworkReply::TimeoutError);
}

void TestUploadHttpClient::answersAreBoundedInSizeAndTime()
{
    QFETCH(bool, trickled);
    QFETCH(int, expectedCode);
    if (trickled) {
        m_rig->http->setAnswerLimits({UploadHttpClient::maxAnswerBytes, 2000});
        QVERIFY(m_standIn.setTrickledResponse(QStringLiteral("POST"), startPath, 100));
    } else {
        QVERIFY(m_standIn.setHugeResponse(QStringLiteral("POST"), startPath, qint64(16) << 20));
    }
    QElapsedTimer elapsed;
    elapsed.start();
    const SendOutcome outcome = sendOnce(*m_rig->http, R"({"session_uuid":"bounded"})");
    QCOMPARE(outcome.failure, Failure::Transport);
    QCOMPARE(int(outcome.transportCode), expectedCode);
    QVERIFY2(elapsed.elapsed() < 20000, qPrintable(QString::number(elapsed.elapsed())));
}

void TestUploadHttpClient::redirectedUploadFails_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("sameOrigin");
    QTest::addColumn<int>("expectedFailure");

    // Followed as a GET to a page that answers 200: that is not the upload's answer.
    QTest::newRow("302 within the origin") << 302 << true << int(Failure::Transport);
    // Repeating the POST there would need the body a second time, which it never gives.
    QTest::newRow("307 within the origin") << 307 << true << int(Failure::Server);
    QTest::newRow("302 to another origin") << 302 << false << int(Failure::Server);
    QTest::newRow("308 to another origin") << 308 << false << int(Failure::Server);
}

void TestUploadHttpClient::redirectedUploadFails()
{
    QFETCH(int, status);
    QFETCH(bool, sameOrigin);
    QFETCH(int, expectedFailure);
    const std::optional<AuthTokens> tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens);
    m_rig->tokens.saveAuthTokens(*tokens);
    const StandInService &target = sameOrigin ? m_standIn : m_elsewhere;
    QVERIFY(m_standIn.setRedirect(QStringLiteral("POST"), startPath, status,
                                  target.baseUrl().resolved(QUrl(configPath))));

    // The client trusts both services, so only the redirect policy keeps the token at home.
    QTemporaryDir folder;
    QFile authorities(folder.filePath(QStringLiteral("both.pem")));
    QVERIFY(authorities.open(QIODevice::WriteOnly));
    for (const StandInService *service : {&m_standIn, &m_elsewhere}) {
        for (const QSslCertificate &certificate : service->caCertificates())
            authorities.write(certificate.toPem());
    }
    authorities.close();
    UploadHttpClient http(m_rig->endpoints, m_rig->tokens, nullptr,
                          TlsConfiguration::withExtraCertificates(authorities.fileName()));

    const SendOutcome outcome = sendOnce(http, R"({"session_uuid":"redirected"})");
    QCOMPARE(int(outcome.failure), expectedFailure);
    if (outcome.failure == Failure::Server)
        QCOMPARE(outcome.status, status);
    QVERIFY(m_elsewhere.receivedRequests().isEmpty());
}

void TestUploadHttpClient::plainHttpAcrossTheNetworkCarriesNothing()
{
    ClearTextListener listener;
    if (!listener.start())
        QSKIP("this machine has no address other than loopback");
    m_rig->domainStorage.setBaseURL(listener.url().resolved(QUrl(QStringLiteral("/api/v1/"))));
    m_rig->tokens.saveAuthTokens(tokensWithAccess(QStringLiteral("clear-text-access")));

    const LogCapture log;
    QCOMPARE(sendOnce(*m_rig->http, "{}").failure, Failure::InvalidURL);
    QTest::qWait(200);
    QCOMPARE(listener.connectionCount(), 0);
    QVERIFY(log.contains(QStringLiteral("would go in clear over plain http to")));
}

QTEST_GUILESS_MAIN(TestUploadHttpClient)
#include "TestUploadHttpClient.moc"
