#include "api/APIClient.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "api/report/ScreenshotReportService.h"
#include "support/LogCapture.h"
#include "upload/HeartbeatPayload.h"
#include "upload/StartSessionPayload.h"
#include "upload/UploadTestRig.h"

#include <QtTest>

namespace {

const QString refreshPath = QStringLiteral("authentication/refresh");
const QString startPath = QStringLiteral("hr/zuvevivezid/employees/sessions/start");
const QString heartbeatPath = QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat");

} // namespace

// Both HTTP layers -- the general API client and the upload queue's own -- repair a 401 through
// the one authentication service, so a burst of rejected requests from both refreshes once.
class TestUploadAuthStorm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rejectedRequestsOfBothLayersShareOneRefresh();

private:
    StandInService m_standIn;
};

void TestUploadAuthStorm::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestUploadAuthStorm::rejectedRequestsOfBothLayersShareOneRefresh()
{
    UploadTestRig rig(m_standIn);
    APIClient api(rig.endpoints, rig.tokens,
                  TlsConfiguration::withExtraCertificates(m_standIn.caCertificatePath()));
    ScreenshotReportCache reportCache{30, QTimeZone::utc()};
    AuthService auth(api, rig.tokens, rig.domainStorage, rig.settings, reportCache, rig.clock);
    api.setUnauthorizedHandler(&auth);
    UploadHttpClient uploads(
        rig.endpoints, rig.tokens, &auth,
        TlsConfiguration::withExtraCertificates(m_standIn.caCertificatePath()));
    ScreenshotReportService reports(api, QTimeZone::utc());

    const auto signedIn = UploadTestSupport::run(
        auth.login(StandInService::demoEmail(), StandInService::demoPassword()));
    QVERIFY(signedIn.directConfig());
    const AuthTokens before = *rig.tokens.getAuthTokens();

    // A session the service knows, so that its heartbeats are accepted once authorised.
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-STORM");
    session.projectId = QStringLiteral("101");
    session.projectName = QStringLiteral("Payroll");
    session.intervals = {{QUuid::createUuid(), rig.clock.now().addingSeconds(-60), {}}};
    auto start = uploads.makeRequest(startPath, "POST", "application/json");
    start.body = StartSessionPayload::build(session, QTimeZone::utc()).value();
    UploadTestSupport::run(uploads.executeRequest(start, true));

    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), refreshPath, 500));
    QVERIFY(m_standIn.clearReceivedRequests());
    LogCapture log;

    QList<std::shared_ptr<Outcome<ScreenshotReport>>> fetches;
    QList<std::shared_ptr<Outcome<QByteArray>>> heartbeats;
    for (int i = 0; i < 10; ++i) {
        fetches.append(AuthTestSupport::start(reports.fetch(rig.clock.now())));
        auto heartbeat = uploads.makeRequest(heartbeatPath, "POST", "application/json");
        heartbeat.body = HeartbeatPayload::build(session, QStringLiteral("active"), rig.clock.now(),
                                                 QTimeZone::utc());
        heartbeats.append(AuthTestSupport::start(uploads.executeRequest(heartbeat, true)));
    }
    for (const auto &fetch : std::as_const(fetches)) {
        QVERIFY(fetch->wait());
        QVERIFY(fetch->value.has_value());
    }
    for (const auto &heartbeat : std::as_const(heartbeats)) {
        QVERIFY(heartbeat->wait());
        QVERIFY(heartbeat->value.has_value());
    }

    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), refreshPath).size(), 1);
    QCOMPARE(log.count(QStringLiteral("Token refresh succeeded")), 1);
    QVERIFY(rig.tokens.getAuthTokens()->accessToken != before.accessToken);
    // Every heartbeat went out twice: rejected, then repeated with the one new token.
    const auto sent = m_standIn.receivedRequests(QStringLiteral("POST"), heartbeatPath);
    QCOMPARE(sent.size(), 20);
    int accepted = 0;
    for (const auto &request : sent)
        accepted += request.status == 200 ? 1 : 0;
    QCOMPARE(accepted, 10);
    QVERIFY(!log.contains(before.accessToken));
    QVERIFY(!log.contains(StandInService::demoPassword()));
}

QTEST_GUILESS_MAIN(TestUploadAuthStorm)
#include "TestUploadAuthStorm.moc"
