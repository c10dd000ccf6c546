#include "support/standin/StandInService.h"

#include <QElapsedTimer>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QtTest>

// What a client got back from the stand-in.
struct HttpAnswer
{
    int status = 0; // 0: no HTTP answer at all
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray contentType;

    QJsonObject object() const { return QJsonDocument::fromJson(body).object(); }
};

class TestStandInService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void signInAnswersDocumentedShapes_data();
    void signInAnswersDocumentedShapes();
    void oneTimeCodeIsScriptable();
    void everyCompanyEndpointReachesTheService_data();
    void everyCompanyEndpointReachesTheService();
    void expiredAccessTokenIsRefusedAndRefreshRotates();
    void refusedRefreshAndRejectedTokens();
    void logoutRetiresTheTokens();

    void scriptedStatusAndBodyApplyAsOftenAsAsked();
    void scriptedWildcardMatchesOneSegment();
    void malformedAnswerIsNotJson();
    void delayHoldsTheAnswer();
    void droppedConnectionGivesNoHttpAnswer();
    void invalidScriptIsRejected();

    void recordListsWhatWasSent();
    void recordListsMultipartParts();
    void trackingEndpointsFollowTheSessionLifecycle();
    void sessionStartNeedsAnInternetTime_data();
    void sessionStartNeedsAnInternetTime();
    void segmentBatchAcceptsValidRowsOnly();
    void screenshotUploadChecksSessionAndSize();
    void screenshotReportHasTheDocumentedShape();
    void reportOfATrackedDayShowsItsUploads();
    void configurationCanBeMerged();

    void clientWithoutTheAuthorityIsRefused();
    void clientTrustingTheAuthoritySucceeds();
    void secondInstanceRunsAndStopsOnItsOwn();

private:
    HttpAnswer send(const QByteArray &method, const QUrl &url, const QByteArray &body = {},
                    const QString &accessToken = {}, QHttpMultiPart *multipart = nullptr);
    HttpAnswer api(const QByteArray &method, const QString &path, const QJsonObject &body = {},
                   const QString &accessToken = {});
    QJsonObject signIn(const QString &email,
                       const QString &password = StandInService::demoPassword(),
                       bool oneTimeCode = false);
    QString accessTokenOf(const QString &email);
    HttpAnswer startSession(const QString &token, const QUuid &session,
                            const QString &device = QStringLiteral("device-A"),
                            const QString &startedAt = QStringLiteral("2026-12-09T09:30:00+07:00"));
    // Screenshot files (upload name, bytes) sent in one multipart request, as the client sends.
    HttpAnswer uploadScreenshots(const QString &token, const QUuid &session,
                                 const QList<std::pair<QString, QByteArray>> &files);
    QJsonObject heartbeatBody(const QUuid &session, qint64 totalSeconds,
                              const QString &device = QStringLiteral("device-A")) const;

    StandInService m_service;
    QNetworkAccessManager m_network;
};

void TestStandInService::initTestCase()
{
    QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
    QVERIFY(m_service.isRunning());
    QCOMPARE(m_service.baseUrl(),
             QUrl(QStringLiteral("https://127.0.0.1:%1/api/v1/").arg(m_service.port())));
    QCOMPARE(m_service.caCertificates().size(), 1);
}

void TestStandInService::init()
{
    QVERIFY(m_service.reset());
}

HttpAnswer TestStandInService::send(const QByteArray &method, const QUrl &url,
                                    const QByteArray &body, const QString &accessToken,
                                    QHttpMultiPart *multipart)
{
    QNetworkRequest request(url);
    request.setSslConfiguration(m_service.sslConfiguration());
    request.setTransferTimeout(20000);
    if (!multipart)
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    if (!accessToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
    QNetworkReply *reply = multipart ? m_network.sendCustomRequest(request, method, multipart)
                                     : m_network.sendCustomRequest(request, method, body);
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(25000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished())
        qWarning() << "no answer in time from" << url;
    HttpAnswer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.error = reply->error();
    answer.body = reply->readAll();
    answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    reply->deleteLater();
    return answer;
}

HttpAnswer TestStandInService::api(const QByteArray &method, const QString &path,
                                   const QJsonObject &body, const QString &accessToken)
{
    const QByteArray payload = method == "GET" ? QByteArray() : QJsonDocument(body).toJson();
    return send(method, m_service.baseUrl().resolved(QUrl(path)), payload, accessToken);
}

QJsonObject TestStandInService::signIn(const QString &email, const QString &password,
                                       bool oneTimeCode)
{
    QJsonObject body{{QStringLiteral("email"), email},
                     {QStringLiteral("password"), password},
                     {QStringLiteral("remember_me"), 1},
                     {QStringLiteral("use_jwt"), 1}};
    if (oneTimeCode)
        body.insert(QStringLiteral("is_otp"), 1);
    return api("POST", QStringLiteral("authentication/singleLogin"), body).object();
}

QString TestStandInService::accessTokenOf(const QString &email)
{
    return signIn(email)
        .value(QStringLiteral("data"))
        .toObject()
        .value(QStringLiteral("data"))
        .toObject()
        .value(QStringLiteral("access_token"))
        .toString();
}

HttpAnswer TestStandInService::startSession(const QString &token, const QUuid &session,
                                            const QString &device, const QString &startedAt)
{
    return api("POST", QStringLiteral("hr/zuvevivezid/employees/sessions/start"),
               {{QStringLiteral("device_uuid"), device},
                {QStringLiteral("session_uuid"), session.toString(QUuid::WithoutBraces).toUpper()},
                {QStringLiteral("started_at"), startedAt},
                {QStringLiteral("task_id"), QStringLiteral("task-101")}},
               token);
}

HttpAnswer TestStandInService::uploadScreenshots(const QString &token, const QUuid &session,
                                                 const QList<std::pair<QString, QByteArray>> &files)
{
    QHttpMultiPart multipart(QHttpMultiPart::FormDataType);
    for (const auto &[fileName, bytes] : files) {
        QHttpPart part;
        part.setHeader(
            QNetworkRequest::ContentDispositionHeader,
            QStringLiteral("form-data; name=\"screenshots[]\"; filename=\"%1\"").arg(fileName));
        part.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("image/jpeg"));
        part.setBody(bytes);
        multipart.append(part);
    }
    const QUrl url = m_service.baseUrl().resolved(
        QUrl(QStringLiteral("hr/zuvevivezid/employees/sessions/%1/screenshots")
                 .arg(session.toString(QUuid::WithoutBraces).toUpper())));
    return send("POST", url, {}, token, &multipart);
}

QJsonObject TestStandInService::heartbeatBody(const QUuid &session, qint64 totalSeconds,
                                              const QString &device) const
{
    const QJsonObject interval{
        {QStringLiteral("interval_uuid"),
         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("started_at"), QStringLiteral("2026-12-09T09:30:00+07:00")},
        {QStringLiteral("stopped_at"), QJsonValue::Null}};
    return {{QStringLiteral("device_uuid"), device},
            {QStringLiteral("session_uuid"), session.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("task_id"), QStringLiteral("task-101")},
            {QStringLiteral("started_at"), QStringLiteral("2026-12-09T09:30:00+07:00")},
            {QStringLiteral("total_seconds"), totalSeconds},
            {QStringLiteral("mouse_movements"), 12},
            {QStringLiteral("key_press_count"), 34},
            {QStringLiteral("activity_rate"), 56.5},
            {QStringLiteral("status"), QStringLiteral("active")},
            {QStringLiteral("intervals"), QJsonArray{interval}},
            {QStringLiteral("stopped_at"), QJsonValue::Null}};
}

namespace {

bool isTokenObject(const QJsonObject &tokens)
{
    for (const char *key :
         {"access_token", "refresh_token", "token_type", "expires_at", "refresh_expires_at"}) {
        if (!tokens.value(QLatin1String(key)).isString() ||
            tokens.value(QLatin1String(key)).toString().isEmpty())
            return false;
    }
    return QDateTime::fromString(tokens.value(QStringLiteral("expires_at")).toString(), Qt::ISODate)
        .isValid();
}

QStringList endpointsOf(const QJsonArray &companies)
{
    QStringList endpoints;
    for (const QJsonValue &company : companies) {
        if (!company.toObject().value(QStringLiteral("name")).isString())
            return {};
        endpoints.append(company.toObject().value(QStringLiteral("endpoint")).toString());
    }
    return endpoints;
}

// How the client turns a company endpoint into its base address: scheme added when missing,
// "/api/v1/" appended.
QUrl baseFromEndpoint(const QString &endpoint)
{
    const QString withScheme = endpoint.startsWith(QStringLiteral("https://"))
                                   ? endpoint
                                   : QStringLiteral("https://") + endpoint;
    return QUrl(withScheme + QStringLiteral("/api/v1/"));
}

} // namespace

void TestStandInService::signInAnswersDocumentedShapes_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("direct") << StandInService::demoEmail() << StandInService::demoPassword() << 200
                            << "direct";
    QTest::newRow("a colleague at the same company")
        << StandInService::colleagueEmail() << StandInService::demoPassword() << 200 << "direct";
    QTest::newRow("e-mail in capitals") << QStringLiteral("DEMO@zuvevivezid.test")
                                        << StandInService::demoPassword() << 200 << "direct";
    QTest::newRow("one-time code")
        << StandInService::otpEmail() << StandInService::demoPassword() << 200 << "otp";
    QTest::newRow("several companies") << StandInService::multiCompanyEmail()
                                       << StandInService::demoPassword() << 200 << "companies";
    QTest::newRow("wrong password")
        << StandInService::demoEmail() << "demo-passwort" << 401 << "refused";
    QTest::newRow("unknown account")
        << "nobody@zuvevivezid.test" << StandInService::demoPassword() << 401 << "refused";
}

void TestStandInService::signInAnswersDocumentedShapes()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(int, status);
    QFETCH(QString, outcome);

    const HttpAnswer answer = api("POST", QStringLiteral("authentication/singleLogin"),
                                  {{QStringLiteral("email"), email},
                                   {QStringLiteral("password"), password},
                                   {QStringLiteral("remember_me"), 1},
                                   {QStringLiteral("use_jwt"), 1}});
    QCOMPARE(answer.status, status);
    QVERIFY(answer.contentType.startsWith("application/json"));
    if (outcome == u"refused") {
        QVERIFY(answer.object().value(QStringLiteral("message")).isString());
        return;
    }
    const QJsonObject data = answer.object().value(QStringLiteral("data")).toObject();
    QVERIFY(
        data.value(QStringLiteral("user")).toObject().value(QStringLiteral("email")).isString());
    if (outcome == u"otp") {
        QCOMPARE(data.value(QStringLiteral("otp_required")).toInteger(), 1);
        QVERIFY(!data.contains(QStringLiteral("data")));
        QVERIFY(!data.contains(QStringLiteral("access_token")));
        return;
    }
    QVERIFY(isTokenObject(data.value(QStringLiteral("data")).toObject()));
    const QStringList companies = endpointsOf(data.value(QStringLiteral("companies")).toArray());
    if (outcome == u"direct") {
        QCOMPARE(data.value(QStringLiteral("init"))
                     .toObject()
                     .value(QStringLiteral("endpoint"))
                     .toString(),
                 m_service.companyEndpoints().first());
    } else {
        QVERIFY(!data.contains(QStringLiteral("init")));
        QCOMPARE(companies, m_service.companyEndpoints());
    }
}

void TestStandInService::oneTimeCodeIsScriptable()
{
    QVERIFY(m_service.setOtpCode(QStringLiteral("777111")));

    const QJsonObject stale =
        signIn(StandInService::otpEmail(), StandInService::defaultOtpCode(), true);
    QVERIFY(stale.value(QStringLiteral("message")).isString());
    QVERIFY(!stale.contains(QStringLiteral("data")));

    // The password is not a code.
    const QJsonObject password =
        signIn(StandInService::otpEmail(), StandInService::demoPassword(), true);
    QVERIFY(!password.contains(QStringLiteral("data")));

    const QJsonObject data = signIn(StandInService::otpEmail(), QStringLiteral("777111"), true)
                                 .value(QStringLiteral("data"))
                                 .toObject();
    QVERIFY(isTokenObject(data.value(QStringLiteral("data")).toObject()));
    QCOMPARE(
        data.value(QStringLiteral("init")).toObject().value(QStringLiteral("endpoint")).toString(),
        m_service.companyEndpoints().at(1));

    const HttpAnswer newCode = api("POST", QStringLiteral("authentication/generateOtp"),
                                   {{QStringLiteral("email"), StandInService::otpEmail()},
                                    {QStringLiteral("via"), QStringLiteral("email")}});
    QCOMPARE(newCode.status, 200);
    const HttpAnswer noVia = api("POST", QStringLiteral("authentication/generateOtp"),
                                 {{QStringLiteral("email"), StandInService::otpEmail()}});
    QCOMPARE(noVia.status, 422);
}

void TestStandInService::everyCompanyEndpointReachesTheService_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<QString>("companyName");
    QTest::addColumn<QString>("firstProject");
    QTest::newRow("by address") << 0 << "Demo Works"
                                << "task-101";
    QTest::newRow("by host name") << 1 << "Harbor Clinic"
                                  << "hc-7";
    QTest::newRow("with scheme and path") << 2 << "Harbor Clinic North"
                                          << "hcn-1";
}

void TestStandInService::everyCompanyEndpointReachesTheService()
{
    QFETCH(int, company);
    QFETCH(QString, companyName);
    QFETCH(QString, firstProject);

    const QString token = accessTokenOf(StandInService::multiCompanyEmail());
    QVERIFY(!token.isEmpty());
    const QUrl base = baseFromEndpoint(m_service.companyEndpoints().at(company));
    const HttpAnswer answer = send(
        "GET", base.resolved(QUrl(QStringLiteral("hr/zuvevivezid/employees/config"))), {}, token);
    QCOMPARE(answer.status, 200);
    const QJsonObject config = answer.object().value(QStringLiteral("data")).toObject();
    QCOMPARE(config.value(QStringLiteral("company_name")).toString(), companyName);
    QCOMPARE(config.value(QStringLiteral("projects"))
                 .toArray()
                 .first()
                 .toObject()
                 .value(QStringLiteral("project_id"))
                 .toString(),
             firstProject);
    for (const char *key : {"device_id", "app_timezone", "today_date"})
        QVERIFY2(config.value(QLatin1String(key)).isString(), key);
    for (const char *key :
         {"screenshot_interval_minutes", "idle_minutes_threshold", "today_total_seconds"})
        QVERIFY2(config.value(QLatin1String(key)).isDouble(), key);
    QVERIFY(config.value(QStringLiteral("discard_idle_time")).isBool());

    const auto received = m_service.receivedRequests(
        QStringLiteral("GET"), QStringLiteral("hr/zuvevivezid/employees/config"));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().host, base.authority());
    QCOMPARE(received.first().pathPrefix, company == 2 ? QStringLiteral("/north") : QString());
}

void TestStandInService::expiredAccessTokenIsRefusedAndRefreshRotates()
{
    QVERIFY(m_service.setAccessTokenLifetime(1));
    const QJsonObject tokens = signIn(StandInService::demoEmail())
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("data"))
                                   .toObject();
    const QString access = tokens.value(QStringLiteral("access_token")).toString();
    const QString refresh = tokens.value(QStringLiteral("refresh_token")).toString();
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, access).status, 200);

    QTest::qWait(1200);
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, access).status, 401);

    QVERIFY(m_service.setAccessTokenLifetime(3600));
    const HttpAnswer refreshed = api("POST", QStringLiteral("authentication/refresh"),
                                     {{QStringLiteral("refresh_token"), refresh}});
    QCOMPARE(refreshed.status, 200);
    const QJsonObject fresh = refreshed.object().value(QStringLiteral("data")).toObject();
    QVERIFY(isTokenObject(fresh));
    QVERIFY(fresh.value(QStringLiteral("refresh_token")).toString() != refresh);
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {},
                 fresh.value(QStringLiteral("access_token")).toString())
                 .status,
             200);

    // A refresh token works once: a second refresh with it is refused.
    QCOMPARE(api("POST", QStringLiteral("authentication/refresh"),
                 {{QStringLiteral("refresh_token"), refresh}})
                 .status,
             401);
}

void TestStandInService::refusedRefreshAndRejectedTokens()
{
    const QJsonObject tokens = signIn(StandInService::demoEmail())
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("data"))
                                   .toObject();
    const QString access = tokens.value(QStringLiteral("access_token")).toString();
    const QString refresh = tokens.value(QStringLiteral("refresh_token")).toString();

    QVERIFY(m_service.rejectAccessTokensUntilRefresh());
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, access).status, 401);
    QCOMPARE(api("POST", QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat"),
                 heartbeatBody(QUuid::createUuid(), 1), access)
                 .status,
             401);

    QVERIFY(m_service.refuseRefresh());
    QCOMPARE(api("POST", QStringLiteral("authentication/refresh"),
                 {{QStringLiteral("refresh_token"), refresh}})
                 .status,
             401);

    QVERIFY(m_service.refuseRefresh(false));
    const HttpAnswer refreshed = api("POST", QStringLiteral("authentication/refresh"),
                                     {{QStringLiteral("refresh_token"), refresh}});
    QCOMPARE(refreshed.status, 200);
    const QString fresh = refreshed.object()
                              .value(QStringLiteral("data"))
                              .toObject()
                              .value(QStringLiteral("access_token"))
                              .toString();
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, fresh).status, 200);
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, access).status, 401);
    // A request without a token at all.
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config")).status, 401);
}

void TestStandInService::logoutRetiresTheTokens()
{
    const QJsonObject tokens = signIn(StandInService::demoEmail())
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("data"))
                                   .toObject();
    const QString access = tokens.value(QStringLiteral("access_token")).toString();
    const QString refresh = tokens.value(QStringLiteral("refresh_token")).toString();
    const QString other = accessTokenOf(StandInService::demoEmail());

    QCOMPARE(api("POST", QStringLiteral("authentication/logout"),
                 {{QStringLiteral("refresh_token"), refresh}}, access)
                 .status,
             200);
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, access).status, 401);
    QCOMPARE(api("POST", QStringLiteral("authentication/refresh"),
                 {{QStringLiteral("refresh_token"), refresh}})
                 .status,
             401);
    // Another sign-in of the same employee is not affected.
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, other).status, 200);
}

void TestStandInService::scriptedStatusAndBodyApplyAsOftenAsAsked()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QString config = QStringLiteral("hr/zuvevivezid/employees/config");
    const QJsonObject failure{{QStringLiteral("message"), QStringLiteral("maintenance")}};

    QVERIFY(m_service.setResponse(QStringLiteral("GET"), config, 503, failure, 2));
    for (int i = 0; i < 2; ++i) {
        const HttpAnswer answer = api("GET", config, {}, token);
        QCOMPARE(answer.status, 503);
        QCOMPARE(answer.object(), failure);
    }
    QCOMPARE(api("GET", config, {}, token).status, 200);

    // A rule for another method leaves this one alone; UntilCleared holds until cleared.
    QVERIFY(m_service.setResponse(QStringLiteral("POST"), config, 500));
    QVERIFY(
        m_service.setResponse(QString(), config, 204, QJsonValue(), StandInService::UntilCleared));
    for (int i = 0; i < 3; ++i) {
        const HttpAnswer answer = api("GET", config, {}, token);
        QCOMPARE(answer.status, 204);
        QVERIFY(answer.body.isEmpty());
    }
    QVERIFY(m_service.clearResponses());
    QCOMPARE(api("GET", config, {}, token).status, 200);

    QVERIFY(m_service.setRawResponse(QStringLiteral("POST"),
                                     QStringLiteral("authentication/refresh"), 502,
                                     "<html>bad gateway</html>", "text/html"));
    const HttpAnswer raw = api("POST", QStringLiteral("authentication/refresh"),
                               {{QStringLiteral("refresh_token"), QStringLiteral("x")}});
    QCOMPARE(raw.status, 502);
    QCOMPARE(raw.body, QByteArray("<html>bad gateway</html>"));
    QVERIFY(raw.contentType.startsWith("text/html"));
}

void TestStandInService::scriptedWildcardMatchesOneSegment()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QUuid session = QUuid::createUuid();
    QVERIFY(m_service.setResponse(QStringLiteral("POST"),
                                  QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots"),
                                  413, QJsonObject{}, StandInService::UntilCleared));
    const QString upload = QStringLiteral("hr/zuvevivezid/employees/sessions/%1/screenshots")
                               .arg(session.toString(QUuid::WithoutBraces).toUpper());
    QCOMPARE(api("POST", upload, {}, token).status, 413);
    // One segment only: the start endpoint two levels up is not matched.
    QCOMPARE(startSession(token, session).status, 200);
}

void TestStandInService::malformedAnswerIsNotJson()
{
    QVERIFY(m_service.setMalformedResponse(QStringLiteral("POST"),
                                           QStringLiteral("authentication/singleLogin")));
    const HttpAnswer answer = api("POST", QStringLiteral("authentication/singleLogin"),
                                  {{QStringLiteral("email"), StandInService::demoEmail()}});
    QCOMPARE(answer.status, 200);
    QVERIFY(!answer.body.isEmpty());
    QJsonParseError error;
    QJsonDocument::fromJson(answer.body, &error);
    QVERIFY(error.error != QJsonParseError::NoError);
    // Only once.
    QCOMPARE(signIn(StandInService::demoEmail()).value(QStringLiteral("data")).isObject(), true);
}

void TestStandInService::delayHoldsTheAnswer()
{
    QVERIFY(m_service.setDelay(QStringLiteral("POST"), QStringLiteral("authentication/generateOtp"),
                               700));
    QElapsedTimer timer;
    timer.start();
    const HttpAnswer delayed = api("POST", QStringLiteral("authentication/generateOtp"),
                                   {{QStringLiteral("email"), StandInService::otpEmail()},
                                    {QStringLiteral("via"), QStringLiteral("email")}});
    QVERIFY2(timer.elapsed() >= 650, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(delayed.status, 200); // answered normally after the wait

    // The record shows a held request before it is answered.
    QVERIFY(m_service.setDelay(QStringLiteral("POST"), QStringLiteral("authentication/generateOtp"),
                               1500));
    QNetworkRequest request(
        m_service.baseUrl().resolved(QUrl(QStringLiteral("authentication/generateOtp"))));
    request.setSslConfiguration(m_service.sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply *reply =
        m_network.post(request, QByteArray(R"({"email":"a@b.c","via":"email"})"));
    QVERIFY(m_service.waitForRequests(QStringLiteral("POST"),
                                      QStringLiteral("authentication/generateOtp"), 2));
    QVERIFY(!reply->isFinished());
    QCOMPARE(m_service.receivedRequests().last().status, 0);
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
    QCOMPARE(m_service.receivedRequests().last().status, 200);
    reply->deleteLater();
}

void TestStandInService::droppedConnectionGivesNoHttpAnswer()
{
    const QString path = QStringLiteral("authentication/password/recovery");
    const QJsonObject body{{QStringLiteral("email"), StandInService::demoEmail()},
                           {QStringLiteral("mobile"), 1}};
    QVERIFY(
        m_service.dropNextConnection(QStringLiteral("POST"), path, StandInService::UntilCleared));
    const HttpAnswer dropped = api("POST", path, body);
    QCOMPARE(dropped.status, 0);
    QVERIFY(dropped.error != QNetworkReply::NoError);
    const auto received = m_service.receivedRequests(QStringLiteral("POST"), path);
    QVERIFY(!received.isEmpty());
    for (const StandInReceivedRequest &request : received) {
        QVERIFY(request.dropped);
        QCOMPARE(request.status, 0);
    }

    QVERIFY(m_service.clearResponses());
    QCOMPARE(api("POST", path, body).status, 200);

    // Dropped once: Qt sends the request again on a new connection, which is answered.
    QVERIFY(m_service.clearReceivedRequests());
    QVERIFY(m_service.dropNextConnection(QStringLiteral("POST"), path));
    QCOMPARE(api("POST", path, body).status, 200);
    const auto attempts = m_service.receivedRequests(QStringLiteral("POST"), path);
    QCOMPARE(attempts.size(), 2);
    QVERIFY(attempts.at(0).dropped);
    QCOMPARE(attempts.at(1).status, 200);
}

void TestStandInService::invalidScriptIsRejected()
{
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("stand-in control call.*failed")));
    QVERIFY(!m_service.setResponse(QStringLiteral("GET"), QStringLiteral("x"), 700));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("stand-in control call.*failed")));
    QVERIFY(!m_service.setDelay(QStringLiteral("GET"), QStringLiteral("/api/v1/x"), 10));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("stand-in control call.*failed")));
    QVERIFY(!m_service.setAccessTokenLifetime(0));
}

void TestStandInService::recordListsWhatWasSent()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    QVERIFY(m_service.clearReceivedRequests());
    QVERIFY(m_service.receivedRequests().isEmpty());

    const QUuid session = QUuid::createUuid();
    QCOMPARE(startSession(token, session).status, 200);
    QCOMPARE(api("GET",
                 QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees?date=2026-03-05"),
                 {}, token)
                 .status,
             200);

    const QList<StandInReceivedRequest> all = m_service.receivedRequests();
    QCOMPARE(all.size(), 2);
    QVERIFY(all.at(0).sequence < all.at(1).sequence);
    const StandInReceivedRequest &start = all.at(0);
    QCOMPARE(start.method, QStringLiteral("POST"));
    QCOMPARE(start.path, QStringLiteral("hr/zuvevivezid/employees/sessions/start"));
    QCOMPARE(start.header(QStringLiteral("Authorization")), QStringLiteral("Bearer ") + token);
    QCOMPARE(start.header(QStringLiteral("content-type")), QStringLiteral("application/json"));
    QCOMPARE(start.json().toObject().value(QStringLiteral("session_uuid")).toString(),
             session.toString(QUuid::WithoutBraces).toUpper());
    QCOMPARE(start.status, 200);
    QVERIFY(start.receivedAt > 0);

    const StandInReceivedRequest &report = all.at(1);
    QCOMPARE(report.path, QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees"));
    QCOMPARE(report.query, QStringLiteral("date=2026-03-05"));
    QVERIFY(report.body.isEmpty());

    QCOMPARE(m_service
                 .receivedRequests(QStringLiteral("GET"),
                                   QStringLiteral("hr/*/reporting/screenshots/employees"))
                 .size(),
             1);
    QCOMPARE(m_service
                 .receivedRequests(QStringLiteral("POST"),
                                   QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees"))
                 .size(),
             0);

    // Whose token each request carried: none, a colleague's, one that is no token at all.
    const QString colleagues = accessTokenOf(StandInService::colleagueEmail());
    QVERIFY(m_service.clearReceivedRequests());
    QCOMPARE(startSession(token, QUuid::createUuid()).status, 200);
    QCOMPARE(api("POST", QStringLiteral("authentication/refresh"), {}).status, 422);
    QCOMPARE(startSession(colleagues, QUuid::createUuid()).status, 200);
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, token + "x").status,
             401);
    const QStringList accounts{StandInService::demoEmail(), QString(),
                               StandInService::colleagueEmail(), QString()};
    const QList<StandInReceivedRequest> recorded = m_service.receivedRequests();
    QCOMPARE(recorded.size(), accounts.size());
    for (qsizetype i = 0; i < recorded.size(); ++i)
        QCOMPARE(recorded.at(i).account, accounts.at(i));
}

void TestStandInService::recordListsMultipartParts()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QUuid session = QUuid::createUuid();
    QCOMPARE(startSession(token, session).status, 200);
    const QString sessionText = session.toString(QUuid::WithoutBraces).toUpper();
    const QString fileName = sessionText + QStringLiteral("_2026-12-09T09-30-00+07-00_1.jpg");
    QCOMPARE(uploadScreenshots(token, session, {{fileName, QByteArray(3000, 'j')}}).status, 200);

    const auto uploads = m_service.receivedRequests(
        QStringLiteral("POST"), QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots"));
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(uploads.first().parts.size(), 1);
    const StandInReceivedPart &received = uploads.first().parts.first();
    QCOMPARE(received.name, QStringLiteral("screenshots[]"));
    QCOMPARE(received.fileName, fileName);
    QCOMPARE(received.contentType, QStringLiteral("image/jpeg"));
    QCOMPARE(received.size, 3000);
    QVERIFY(uploads.first()
                .header(QStringLiteral("content-type"))
                .startsWith(u"multipart/form-data; boundary="));

    QCOMPARE(m_service.sessions().first().toObject().value(QStringLiteral("screenshots")).toInt(),
             1);
}

void TestStandInService::trackingEndpointsFollowTheSessionLifecycle()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QString heartbeat = QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat");
    const QUuid session = QUuid::createUuid();
    QVERIFY(
        m_service.mergeConfiguration({{QStringLiteral("today_total_seconds"), 1000},
                                      {QStringLiteral("app_timezone"), QStringLiteral("UTC")}}));

    // A heartbeat of a session the service never saw start.
    QCOMPARE(api("POST", heartbeat, heartbeatBody(session, 60), token).status, 404);

    const HttpAnswer started = startSession(token, session);
    QCOMPARE(started.status, 200);
    const QJsonObject startData = started.object().value(QStringLiteral("data")).toObject();
    QCOMPARE(startData.value(QStringLiteral("today_total_seconds")).toInteger(), 1000);
    QCOMPARE(startData.value(QStringLiteral("today_date")).toString(),
             QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate));
    // Sent again (a lost answer): the same session, accepted.
    QCOMPARE(startSession(token, session).status, 200);

    const HttpAnswer beat = api("POST", heartbeat, heartbeatBody(session, 600), token);
    QCOMPARE(beat.status, 200);
    const QJsonObject beatData = beat.object().value(QStringLiteral("data")).toObject();
    QCOMPARE(beatData.value(QStringLiteral("today_total_seconds")).toInteger(), 1600);
    QCOMPARE(beatData.value(QStringLiteral("ok")).toBool(), true);

    QJsonObject missingKey = heartbeatBody(session, 700);
    missingKey.remove(QStringLiteral("intervals"));
    QCOMPARE(api("POST", heartbeat, missingKey, token).status, 422);
    QJsonObject textTotal = heartbeatBody(session, 700);
    textTotal.insert(QStringLiteral("total_seconds"), QStringLiteral("700"));
    QCOMPARE(api("POST", heartbeat, textTotal, token).status, 422);

    // Another device holds the session: 409, as after a takeover.
    QCOMPARE(api("POST", heartbeat, heartbeatBody(session, 700, QStringLiteral("device-B")), token)
                 .status,
             409);
    QVERIFY(m_service.markSessionTakenOver(session));
    QCOMPARE(api("POST", heartbeat, heartbeatBody(session, 700), token).status, 409);

    const QJsonArray sessions = m_service.sessions();
    QCOMPARE(sessions.size(), 1);
    const QJsonObject stored = sessions.first().toObject();
    QCOMPARE(stored.value(QStringLiteral("heartbeats")).toInt(), 1);
    QCOMPARE(stored.value(QStringLiteral("total_seconds")).toInteger(), 600);
    QCOMPARE(stored.value(QStringLiteral("taken_over")).toBool(), true);
}

void TestStandInService::sessionStartNeedsAnInternetTime_data()
{
    QTest::addColumn<QString>("startedAt");
    QTest::addColumn<int>("status");
    QTest::newRow("offset east") << "2026-12-09T09:30:00+07:00" << 200;
    QTest::newRow("offset west") << "2026-12-08T21:30:00-05:00" << 200;
    QTest::newRow("zero offset as Z") << "2026-12-09T02:30:00Z" << 200;
    QTest::newRow("no zone") << "2026-12-09T09:30:00" << 422;
    QTest::newRow("file name token") << "2026-12-09T09-30-00+07-00" << 422;
    QTest::newRow("empty") << "" << 422;
}

void TestStandInService::sessionStartNeedsAnInternetTime()
{
    QFETCH(QString, startedAt);
    QFETCH(int, status);
    const QString token = accessTokenOf(StandInService::demoEmail());
    QCOMPARE(startSession(token, QUuid::createUuid(), QStringLiteral("device-A"), startedAt).status,
             status);
}

void TestStandInService::segmentBatchAcceptsValidRowsOnly()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const auto segment = [](int number, const QJsonValue &rate) {
        return QJsonObject{{QStringLiteral("segment_date"), QStringLiteral("2026-12-09")},
                           {QStringLiteral("segment_number"), number},
                           {QStringLiteral("timezone"), QStringLiteral("Asia/Bangkok")},
                           {QStringLiteral("activity_rate"), rate},
                           {QStringLiteral("mouse_movements"), 3},
                           {QStringLiteral("key_press_count"), 4},
                           {QStringLiteral("non_idle_percent"), 100.0}};
    };
    const QJsonObject body{{QStringLiteral("device_uuid"), QStringLiteral("device-A")},
                           {QStringLiteral("segments"),
                            QJsonArray{segment(54, 75.0), segment(55, QStringLiteral("75")),
                                       segment(144, 1.0), segment(56, 33.333333333333336)}}};
    const HttpAnswer answer =
        api("POST", QStringLiteral("hr/zuvevivezid/employees/segments/batch"), body, token);
    QCOMPARE(answer.status, 200);
    const QJsonObject data = answer.object().value(QStringLiteral("data")).toObject();
    QCOMPARE(data.value(QStringLiteral("accepted")).toArray(), (QJsonArray{0, 3}));
    const QJsonArray rejected = data.value(QStringLiteral("rejected")).toArray();
    QCOMPARE(rejected.size(), 2);
    QCOMPARE(rejected.at(0).toObject().value(QStringLiteral("index")).toInt(), 1);
    QCOMPARE(rejected.at(1).toObject().value(QStringLiteral("index")).toInt(), 2);
    QVERIFY(data.value(QStringLiteral("today_total_seconds")).isDouble());
    QCOMPARE(m_service.segments().size(), 2);

    QCOMPARE(api("POST", QStringLiteral("hr/zuvevivezid/employees/segments/batch"),
                 {{QStringLiteral("device_uuid"), QStringLiteral("device-A")}}, token)
                 .status,
             422);
}

void TestStandInService::screenshotUploadChecksSessionAndSize()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QUuid session = QUuid::createUuid();
    const QString sessionText = session.toString(QUuid::WithoutBraces).toUpper();
    const QUrl url = m_service.baseUrl().resolved(
        QUrl(QStringLiteral("hr/zuvevivezid/employees/sessions/%1/screenshots").arg(sessionText)));
    const auto upload = [&](qsizetype bytes) {
        QHttpMultiPart multipart(QHttpMultiPart::FormDataType);
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"screenshots[]\"; filename=\"shot.jpg\""));
        part.setBody(QByteArray(bytes, 'x'));
        multipart.append(part);
        return send("POST", url, {}, token, &multipart).status;
    };

    QCOMPARE(upload(100), 404); // the session has not started
    QCOMPARE(startSession(token, session).status, 200);
    QCOMPARE(upload(100), 200);
    QCOMPARE(upload(11 * 1024 * 1024), 413);
}

void TestStandInService::screenshotReportHasTheDocumentedShape()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QString report = QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees?date=");
    const HttpAnswer answer = api("GET", report + QStringLiteral("2026-03-05"), {}, token);
    QCOMPARE(answer.status, 200);
    const QJsonObject day = answer.object().value(QStringLiteral("data")).toObject();

    const auto checkStats = [](const QJsonObject &stats) {
        return stats.value(QStringLiteral("total_seconds")).isDouble() &&
               stats.value(QStringLiteral("total_seconds_formatted")).isString() &&
               stats.value(QStringLiteral("mouse_movements")).isDouble() &&
               stats.value(QStringLiteral("key_press_count")).isDouble() &&
               stats.value(QStringLiteral("activity_rate")).isDouble();
    };
    QVERIFY(checkStats(
        day.value(QStringLiteral("summary")).toObject().value(QStringLiteral("stats")).toObject()));
    const QJsonArray hours = day.value(QStringLiteral("hours")).toArray();
    QVERIFY(hours.size() >= 3);
    qint64 hourSeconds = 0;
    QString someScreenshot;
    bool segmentWithoutScreenshots = false;
    for (const QJsonValue &hourValue : hours) {
        const QJsonObject hour = hourValue.toObject();
        QVERIFY(hour.value(QStringLiteral("hour")).isDouble());
        QVERIFY(checkStats(hour.value(QStringLiteral("stats")).toObject()));
        hourSeconds += hour.value(QStringLiteral("stats"))
                           .toObject()
                           .value(QStringLiteral("total_seconds"))
                           .toInteger();
        for (const QJsonValue &segmentValue : hour.value(QStringLiteral("segments")).toArray()) {
            const QJsonObject segment = segmentValue.toObject();
            QVERIFY(segment.value(QStringLiteral("segment_number")).isDouble());
            QVERIFY(segment.value(QStringLiteral("segment_number_from")).isString());
            QVERIFY(segment.value(QStringLiteral("segment_number_to")).isString());
            const QString colour = segment.value(QStringLiteral("indicator_color")).toString();
            QVERIFY(colour == u"green" || colour == u"orange");
            QVERIFY(checkStats(segment.value(QStringLiteral("stats")).toObject()));
            const QJsonArray shots = segment.value(QStringLiteral("screenshots")).toArray();
            segmentWithoutScreenshots |= shots.isEmpty();
            for (const QJsonValue &shotValue : shots) {
                const QJsonObject shot = shotValue.toObject();
                QVERIFY(shot.value(QStringLiteral("url")).isString());
                QVERIFY(shot.value(QStringLiteral("url_available")).isBool());
                QVERIFY(shot.value(QStringLiteral("thumbnail_url")).isString());
                QVERIFY(shot.value(QStringLiteral("thumbnail_url_available")).isBool());
                QVERIFY(shot.value(QStringLiteral("captured_at")).isString());
                someScreenshot = shot.value(QStringLiteral("thumbnail_url")).toString();
            }
        }
    }
    QVERIFY(segmentWithoutScreenshots);
    QCOMPARE(hourSeconds, day.value(QStringLiteral("summary"))
                              .toObject()
                              .value(QStringLiteral("stats"))
                              .toObject()
                              .value(QStringLiteral("total_seconds"))
                              .toInteger());

    // The images the report names are served.
    const HttpAnswer image = send("GET", QUrl(someScreenshot));
    QCOMPARE(image.status, 200);
    QCOMPARE(image.contentType, QByteArray("image/png"));
    QVERIFY(image.body.startsWith("\x89PNG"));

    const QDate tomorrow = QDate::currentDate().addDays(2);
    const HttpAnswer future = api("GET", report + tomorrow.toString(Qt::ISODate), {}, token);
    QCOMPARE(future.object()
                 .value(QStringLiteral("data"))
                 .toObject()
                 .value(QStringLiteral("hours"))
                 .toArray()
                 .size(),
             0);
    QCOMPARE(api("GET", report + QStringLiteral("05.03.2026"), {}, token).status, 422);
    QCOMPARE(api("GET", report + QStringLiteral("2026-03-05"), {}).status, 401);
}

// A day the employee uploaded for is reported from the uploads: each screenshot in the segment
// of its capture moment as the service's zone tells time, whatever zone its name was written in;
// the images are served back; another employee and another day see none of it.
void TestStandInService::reportOfATrackedDayShowsItsUploads()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    const QUuid session = QUuid::createUuid();
    QCOMPARE(startSession(token, session).status, 200);
    const QJsonObject segment{{QStringLiteral("segment_date"), QStringLiteral("2026-03-05")},
                              {QStringLiteral("segment_number"), 54},
                              {QStringLiteral("timezone"), QStringLiteral("Europe/Berlin")},
                              {QStringLiteral("activity_rate"), 75.0},
                              {QStringLiteral("mouse_movements"), 3},
                              {QStringLiteral("key_press_count"), 4},
                              {QStringLiteral("non_idle_percent"), 50.0}};
    QCOMPARE(api("POST", QStringLiteral("hr/zuvevivezid/employees/segments/batch"),
                 {{QStringLiteral("device_uuid"), QStringLiteral("device-A")},
                  {QStringLiteral("segments"), QJsonArray{segment}}},
                 token)
                 .status,
             200);

    // The service's zone is Berlin's, an hour ahead of UTC in March.
    const QString prefix = session.toString(QUuid::WithoutBraces).toUpper() + u'_';
    const QList<std::pair<QString, QByteArray>> files{
        {prefix + QStringLiteral("2026-03-05T09-04-00+01-00_1.jpg"), "in 54"},
        {prefix + QStringLiteral("2026-03-05T05-25-30.250-03-00_2.jpg"), "in 56"},
        {prefix + QStringLiteral("2026-03-05T08-40-00Z_1.jpg"), "in 58"},
        {prefix + QStringLiteral("2026-03-05T23-30-00-03-00_1.jpg"), "the next day"},
        {QStringLiteral("no-moment.jpg"), "nowhere"}};
    QCOMPARE(uploadScreenshots(token, session, files).status, 200);

    const QString report = QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees?date=");
    const auto dayOf = [&](const QString &day, const QString &who) {
        return api("GET", report + day, {}, who).object().value(QStringLiteral("data")).toObject();
    };
    const QJsonObject day = dayOf(QStringLiteral("2026-03-05"), token);
    const QJsonArray hours = day.value(QStringLiteral("hours")).toArray();
    QCOMPARE(hours.size(), 1);
    QCOMPARE(hours.at(0).toObject().value(QStringLiteral("hour")).toInt(), 9);
    QStringList placed;
    QString secondThumbnail;
    for (const QJsonValue &value :
         hours.at(0).toObject().value(QStringLiteral("segments")).toArray()) {
        const QJsonObject entry = value.toObject();
        for (const QJsonValue &shot : entry.value(QStringLiteral("screenshots")).toArray()) {
            placed.append(
                QStringLiteral("%1 %2")
                    .arg(entry.value(QStringLiteral("segment_number")).toInt())
                    .arg(shot.toObject().value(QStringLiteral("captured_at")).toString()));
            if (entry.value(QStringLiteral("segment_number")).toInt() == 56)
                secondThumbnail = shot.toObject().value(QStringLiteral("thumbnail_url")).toString();
        }
    }
    QCOMPARE(placed, (QStringList{QStringLiteral("54 09:04"), QStringLiteral("56 09:25"),
                                  QStringLiteral("58 09:40")}));
    const QJsonObject daySeconds =
        day.value(QStringLiteral("summary")).toObject().value(QStringLiteral("stats")).toObject();
    QCOMPARE(daySeconds.value(QStringLiteral("total_seconds")).toInteger(), 300);
    QCOMPARE(daySeconds.value(QStringLiteral("key_press_count")).toInteger(), 4);

    const HttpAnswer image = send("GET", QUrl(secondThumbnail));
    QCOMPARE(image.status, 200);
    QCOMPARE(image.contentType, QByteArray("image/jpeg"));
    QCOMPARE(image.body, QByteArray("in 56"));
    QUrl unknown(secondThumbnail);
    unknown.setPath(QStringLiteral("/media/uploads/99999-thumb.jpg"));
    QCOMPARE(send("GET", unknown).status, 404);

    const QJsonArray nextDay =
        dayOf(QStringLiteral("2026-03-06"), token).value(QStringLiteral("hours")).toArray();
    QCOMPARE(nextDay.size(), 1);
    QCOMPARE(nextDay.at(0).toObject().value(QStringLiteral("hour")).toInt(), 3);

    // Another employee's same day is the demo's own, with none of these images.
    const QJsonObject other =
        dayOf(QStringLiteral("2026-03-05"), accessTokenOf(StandInService::multiCompanyEmail()));
    QVERIFY(other.value(QStringLiteral("hours")).toArray().size() > 1);
    QVERIFY(!QJsonDocument(other).toJson().contains("/media/uploads/"));
}

void TestStandInService::configurationCanBeMerged()
{
    const QString token = accessTokenOf(StandInService::demoEmail());
    QVERIFY(m_service.mergeConfiguration(
        {{QStringLiteral("latest_client_version"), QStringLiteral("9.9.9")},
         {QStringLiteral("idle_action"), QJsonValue::Null},
         {QStringLiteral("screenshot_interval_minutes"), 1}}));
    const QJsonObject config =
        api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, token)
            .object()
            .value(QStringLiteral("data"))
            .toObject();
    QCOMPARE(config.value(QStringLiteral("latest_client_version")).toString(),
             QStringLiteral("9.9.9"));
    QVERIFY(!config.contains(QStringLiteral("idle_action")));
    QCOMPARE(config.value(QStringLiteral("screenshot_interval_minutes")).toInt(), 1);

    QVERIFY(m_service.reset());
    const QString again = accessTokenOf(StandInService::demoEmail());
    const QJsonObject restored =
        api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, again)
            .object()
            .value(QStringLiteral("data"))
            .toObject();
    QCOMPARE(restored.value(QStringLiteral("idle_action")).toString(), QStringLiteral("ask"));
    // Reset also forgets every token issued before it.
    QCOMPARE(api("GET", QStringLiteral("hr/zuvevivezid/employees/config"), {}, token).status, 401);
}

void TestStandInService::clientWithoutTheAuthorityIsRefused()
{
    QNetworkAccessManager untrusting;
    QNetworkRequest request(
        m_service.baseUrl().resolved(QUrl(QStringLiteral("authentication/refresh"))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply *reply = untrusting.post(request, QByteArray(R"({"refresh_token":"x"})"));
    QList<QSslError> sslErrors;
    connect(reply, &QNetworkReply::sslErrors, this,
            [&sslErrors](const QList<QSslError> &errors) { sslErrors = errors; });
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 15000);
    QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 0);
    QVERIFY(!sslErrors.isEmpty());
    const bool untrustedIssuer =
        std::any_of(sslErrors.cbegin(), sslErrors.cend(), [](const QSslError &e) {
            return e.error() == QSslError::UnableToGetLocalIssuerCertificate ||
                   e.error() == QSslError::SelfSignedCertificateInChain ||
                   e.error() == QSslError::UnableToVerifyFirstCertificate;
        });
    QVERIFY(untrustedIssuer);
    reply->deleteLater();
    // Nothing reached the service.
    QVERIFY(m_service.receivedRequests().isEmpty());
}

void TestStandInService::clientTrustingTheAuthoritySucceeds()
{
    // The same request with the run's authority added, for both names the certificate carries.
    for (const QString &host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        QNetworkAccessManager trusting;
        QUrl url =
            m_service.baseUrl().resolved(QUrl(QStringLiteral("authentication/password/recovery")));
        url.setHost(host);
        QNetworkRequest request(url);
        request.setSslConfiguration(m_service.sslConfiguration());
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
        QNetworkReply *reply =
            trusting.post(request, QByteArray(R"({"email":"a@b.c","mobile":1})"));
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 15000);
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        reply->deleteLater();
    }
    // A different run's authority is not this one.
    StandInService other;
    QVERIFY2(other.start(), qPrintable(other.errorString()));
    QVERIFY(other.caCertificates() != m_service.caCertificates());
}

void TestStandInService::secondInstanceRunsAndStopsOnItsOwn()
{
    auto other = std::make_unique<StandInService>();
    QVERIFY2(other->start(), qPrintable(other->errorString()));
    QVERIFY(other->port() != m_service.port());
    const quint16 port = other->port();

    QElapsedTimer timer;
    timer.start();
    other.reset();
    QVERIFY2(timer.elapsed() < 1000, "the stand-in did not stop promptly on SIGTERM");

    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    QVERIFY(!probe.waitForConnected(2000));
    // This run's service is untouched.
    QCOMPARE(
        api("POST", QStringLiteral("authentication/password/recovery"),
            {{QStringLiteral("email"), StandInService::demoEmail()}, {QStringLiteral("mobile"), 1}})
            .status,
        200);
}

QTEST_GUILESS_MAIN(TestStandInService)
#include "TestStandInService.moc"
