#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"
#include "support/LogCapture.h"
#include "upload/UploadTestRig.h"

#include "app/config/APITimeZoneResolver.h"
#include "tracking/model/SegmentUtils.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString startPath = QStringLiteral("hr/zuvevivezid/employees/sessions/start");
const QString heartbeatPath = QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat");
const QString batchPath = QStringLiteral("hr/zuvevivezid/employees/segments/batch");
const QString screenshotsPath = QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots");

Session workedSession(const Timestamp &start, double seconds, bool open)
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-TEST");
    session.projectId = QStringLiteral("101");
    session.projectName = QStringLiteral("Payroll");
    session.intervals = {{QUuid::createUuid(), start,
                          open ? std::optional<Timestamp>() : start.addingSeconds(seconds)}};
    session.mouseCount = 40;
    session.keyboardCount = 60;
    session.activityScore = 75.0;
    return session;
}

// A task that sends nothing: a pass only settles it.
void enqueueMetadataTask(UploadTestRig &rig)
{
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = QUuid::createUuid();
    task.type = UploadTaskType::Metadata;
    task.createdAt = rig.clock.now();
    task.priority = 1;
    rig.store->enqueueUploadTask(task);
}

Session completed(Session session)
{
    session.status = SessionStatus::Completed;
    session.reportedTotalSeconds = static_cast<qint64>(session.totalSeconds(Timestamp()));
    return session;
}

} // namespace

class TestUploadService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void sessionArrivesInPriorityOrderAndRowsAndFilesGo();
    void closedSegmentsAreBatchedAndMarkedAsAccepted();
    void segmentThatGrewInFlightStaysPending();
    void finalHeartbeatWaitsWhileItsStartIsInBackOff();
    void serverErrorsBackOffThenOpenTheCircuit();
    void permanentRefusalsByTaskType();
    void queuedHeartbeatTakenOverCleansUpOnce();
    void liveHeartbeatTakeoverIsAnnouncedOncePerSession();
    void expiredTokenIsRefreshedOnceAndSentAgain();
    void passIsLimitedToTwentyTasks();
    void theEmptyQueueIsLoggedOncePerChange_data();
    void theEmptyQueueIsLoggedOncePerChange();
    void malformedAnswersDisturbNothing();
    void orphanSweepQueuesStrandedFilesAndExpiresOldOnes();
    void capturesFromBeforeEmployeesGoToTheFirstEmployeeSignedIn();
    void aSessionsBodiesKeepTheZoneItWasBegunIn_data();
    void aSessionsBodiesKeepTheZoneItWasBegunIn();
    void unreachableServiceIsOfflineWithoutPenalty();
    void offlineForADayThenEverythingArrivesOnce();
    void transientFailuresNeverDropASessionsOnlyCopy_data();
    void transientFailuresNeverDropASessionsOnlyCopy();
    void sessionDataUndeliverableForSevenDaysIsDropped();
    void takenOverSessionLeavesNoUnqueuedCapture();
    void unreadableSuccessfulAnswerIsLogged();
    void sessionUploadWaitsForItsCompany();
    void signOutDuringAPassLeavesEachTaskWithItsEmployee();

private:
    StandInService m_standIn;
    std::unique_ptr<UploadTestRig> m_rig;
};

void TestUploadService::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    // The configured address is read once per process: every test of this class uses this one.
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestUploadService::init()
{
    QVERIFY(m_standIn.reset());
    m_rig = std::make_unique<UploadTestRig>(m_standIn);
    const auto tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens.has_value());
    m_rig->tokens.saveAuthTokens(*tokens);
    QVERIFY(m_standIn.clearReceivedRequests());
}

void TestUploadService::sessionArrivesInPriorityOrderAndRowsAndFilesGo()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-600), 600, false);
    const QString first = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    const QString second = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 1);

    // Queued in the reverse of their priority: the queue still sends start, heartbeat, files.
    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();

    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 4);
    QCOMPARE(received.at(0).path, startPath);
    QCOMPARE(received.at(1).path, heartbeatPath);
    QVERIFY(received.at(2).path.endsWith(QStringLiteral("/screenshots")));
    QVERIFY(received.at(3).path.endsWith(QStringLiteral("/screenshots")));
    for (const auto &request : received) {
        QCOMPARE(request.status, 200);
        QVERIFY(
            request.header(QStringLiteral("authorization")).startsWith(QStringLiteral("Bearer ")));
        QCOMPARE(request.header(QStringLiteral("app-client")), QStringLiteral("ios"));
    }
    const QJsonObject heartbeat = received.at(1).json().toObject();
    QCOMPARE(heartbeat.value(QStringLiteral("status")).toString(), QStringLiteral("completed"));
    QCOMPARE(heartbeat.value(QStringLiteral("total_seconds")).toInteger(), 600);
    QCOMPARE(received.at(2).parts.size(), 1);
    QCOMPARE(received.at(2).parts.at(0).name, QStringLiteral("screenshots[]"));
    QVERIFY(received.at(2).parts.at(0).fileName.startsWith(UuidText::format(session.id)));

    QVERIFY(rig.queuedTasks().isEmpty());
    QVERIFY(!QFileInfo::exists(first));
    QVERIFY(!QFileInfo::exists(second));
    const QJsonArray sessions = m_standIn.sessions();
    QCOMPARE(sessions.size(), 1);
}

void TestUploadService::closedSegmentsAreBatchedAndMarkedAsAccepted()
{
    UploadTestRig &rig = *m_rig;
    const auto open = SegmentUtils::segmentDateAndNumber(
        rig.clock.now(), APITimeZoneResolver::resolvedTimeZone(QString()));
    rig.store->upsertActivitySegment(QStringLiteral("2024-05-01"), 3, 450, 700, 12, 30);
    rig.store->upsertActivitySegment(QStringLiteral("2024-05-01"), 4, 0, 600, 0, 0);
    rig.store->upsertActivitySegment(open.dayKey, open.number, 60, 60, 1, 1);

    // The pass itself notices the closed segments and queues their batch.
    rig.runPass();
    const auto batches = m_standIn.receivedRequests(QStringLiteral("POST"), batchPath);
    QCOMPARE(batches.size(), 1);
    const QJsonArray segments =
        batches.at(0).json().toObject().value(QStringLiteral("segments")).toArray();
    QCOMPARE(segments.size(), 2);
    const QJsonObject firstSegment = segments.at(0).toObject();
    QCOMPARE(firstSegment.value(QStringLiteral("activity_rate")).toDouble(), 75.0);
    QCOMPARE(firstSegment.value(QStringLiteral("non_idle_percent")).toDouble(), 100.0);
    QCOMPARE(segments.at(1).toObject().value(QStringLiteral("activity_rate")).toDouble(), 0.0);
    QCOMPARE(batches.at(0).json().toObject().value(QStringLiteral("device_uuid")).toString(),
             rig.deviceIds.current());

    // The open segment is never sent; the closed ones are no longer pending.
    QVERIFY(rig.store->pendingActivitySegmentsForUpload(open.dayKey, open.number).isEmpty());
    QVERIFY(rig.queuedTasks().isEmpty());
}

void TestUploadService::segmentThatGrewInFlightStaysPending()
{
    UploadTestRig &rig = *m_rig;
    const auto open = SegmentUtils::segmentDateAndNumber(
        rig.clock.now(), APITimeZoneResolver::resolvedTimeZone(QString()));
    rig.store->upsertActivitySegment(QStringLiteral("2024-05-01"), 3, 100, 100, 1, 1);
    rig.store->upsertActivitySegment(QStringLiteral("2024-05-01"), 4, 100, 100, 1, 1);
    QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), batchPath, 700));

    auto pass = rig.service->processQueue();
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), batchPath, 1));
    // The clock writes segment 4 again while the batch is on its way.
    rig.store->upsertActivitySegment(QStringLiteral("2024-05-01"), 4, 160, 160, 5, 9);
    QCoro::waitFor(pass);

    const auto pending = rig.store->pendingActivitySegmentsForUpload(open.dayKey, open.number);
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.at(0).segmentNumber, 4);
    QCOMPARE(pending.at(0).activeSeconds, 160);
}

void TestUploadService::finalHeartbeatWaitsWhileItsStartIsInBackOff()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-120), 120, false);
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), startPath, 503));
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    QSignalSpy takeovers(&NotificationHub::instance(),
                         &NotificationHub::sessionTakenOverByOtherDevice);

    rig.runPass();
    // The start failed and waits; the heartbeat did not go out, so no 404 could be taken for a
    // takeover.
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), heartbeatPath).size(), 0);
    QCOMPARE(rig.queuedTasks().size(), 2);

    rig.clock.advance(60);
    rig.runPass();
    QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), startPath).size(), 2);
    const auto heartbeats = m_standIn.receivedRequests(QStringLiteral("POST"), heartbeatPath);
    QCOMPARE(heartbeats.size(), 1);
    QCOMPARE(heartbeats.at(0).status, 200);
    QCOMPARE(takeovers.count(), 0);
    QVERIFY(rig.queuedTasks().isEmpty());
}

void TestUploadService::serverErrorsBackOffThenOpenTheCircuit()
{
    UploadTestRig &rig = *m_rig;
    const Session started = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(started));
    rig.runPass();
    QVERIFY(m_standIn.clearReceivedRequests());
    QVERIFY(m_standIn.setResponse(QString(), screenshotsPath, 500, QJsonValue(),
                                  StandInService::UntilCleared));
    const QUuid session = started.id;
    for (int display = 0; display < 7; ++display)
        rig.writeCapture(session, QStringLiteral("2024-05-01T02-30-00Z"), display);
    QCoro::waitFor(rig.service->enqueueScreenshotsForSession(session));

    rig.runPass();
    // Five failures, the fifth a 500: the circuit opens and the pass stops taking tasks.
    QCOMPARE(m_standIn.receivedRequests().size(), 5);
    QVERIFY(rig.retry.isCircuitOpen(rig.clock.now()));
    const QList<UploadTask> tasks = rig.queuedTasks();
    QCOMPARE(tasks.size(), 7);
    int retried = 0;
    for (const UploadTask &task : tasks)
        retried += task.retryCount == 1 ? 1 : 0;
    QCOMPARE(retried, 5);

    // While open, a pass takes nothing; once its minute is over, the next failure reopens it
    // for two.
    rig.runPass();
    QCOMPARE(m_standIn.receivedRequests().size(), 5);
    rig.clock.advance(66);
    rig.runPass();
    QCOMPARE(m_standIn.receivedRequests().size(), 6);
    QCOMPARE(*rig.retry.circuitOpenUntil() - rig.clock.now(), 120.0);

    // The service recovers: a success closes the circuit and resets the counts.
    QVERIFY(m_standIn.clearResponses());
    rig.clock.advance(121);
    rig.runPass();
    QVERIFY(!rig.retry.isCircuitOpen(rig.clock.now()));
    QCOMPARE(rig.retry.consecutiveFailures(), 0);
}

void TestUploadService::permanentRefusalsByTaskType()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();

    // A screenshot refused with 422 goes with its file; one answered 404 is retried.
    const QString refused = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    QVERIFY(m_standIn.setResponse(QString(), screenshotsPath, 422));
    QCoro::waitFor(rig.service->enqueueScreenshotsForSession(session.id));
    rig.runPass();
    QVERIFY(!QFileInfo::exists(refused));
    QVERIFY(rig.queuedTasks().isEmpty());

    const QString kept = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-40-00Z"), 0);
    QVERIFY(m_standIn.setResponse(QString(), screenshotsPath, 404));
    QCoro::waitFor(rig.service->enqueueScreenshotsForSession(session.id));
    rig.runPass();
    QVERIFY(QFileInfo::exists(kept));
    const QList<UploadTask> tasks = rig.queuedTasks();
    QCOMPARE(tasks.size(), 1);
    QCOMPARE(tasks.at(0).retryCount, 1);

    // A start refused with 409 is dropped; one refused with 400 is retried.
    const Session another = workedSession(rig.clock.now(), 10, true);
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), startPath, 409));
    QCoro::waitFor(rig.service->enqueueSessionStart(another));
    rig.clock.advance(10);
    rig.runPass();
    QVERIFY(rig.store->pendingUploadTaskIds(another.id, {UploadTaskType::StartSession}).isEmpty());
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), startPath, 400));
    QCoro::waitFor(rig.service->enqueueSessionStart(another));
    rig.runPass();
    QCOMPARE(rig.store->pendingUploadTaskIds(another.id, {UploadTaskType::StartSession}).size(), 1);
}

void TestUploadService::queuedHeartbeatTakenOverCleansUpOnce()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    QVERIFY(m_standIn.markSessionTakenOver(session.id));
    const QString capture = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    QSignalSpy takeovers(&NotificationHub::instance(),
                         &NotificationHub::sessionTakenOverByOtherDevice);

    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    rig.runPass();
    QCOMPARE(takeovers.count(), 1);
    QCOMPARE(takeovers.at(0).at(0).value<QUuid>(), session.id);
    QCOMPARE(takeovers.at(0).at(1).toInt(), 409);
    QVERIFY(rig.store->pendingUploadTaskIds(session.id, {UploadTaskType::Heartbeat}).isEmpty());
    QVERIFY(rig.service->takenOverSessions().contains(session.id));
}

void TestUploadService::liveHeartbeatTakeoverIsAnnouncedOncePerSession()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    QSignalSpy totals(&NotificationHub::instance(), &NotificationHub::serverTodayTotalDidUpdate);
    QVERIFY(QCoro::waitFor(rig.service->uploadHeartbeatNow(session)));
    QCOMPARE(totals.count(), 1);

    QVERIFY(m_standIn.markSessionTakenOver(session.id));
    QSignalSpy takeovers(&NotificationHub::instance(),
                         &NotificationHub::sessionTakenOverByOtherDevice);
    QVERIFY(!QCoro::waitFor(rig.service->uploadHeartbeatNow(session)));
    QVERIFY(!QCoro::waitFor(rig.service->uploadHeartbeatNow(session)));
    QCOMPARE(takeovers.count(), 1);

    // Another status is a plain failure: nothing announced, the queue untouched.
    const Session other = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(other));
    rig.runPass();
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), heartbeatPath, 500));
    LogCapture log;
    QVERIFY(!QCoro::waitFor(rig.service->uploadHeartbeatNow(other)));
    QCOMPARE(takeovers.count(), 1);
    QVERIFY(log.contains(QStringLiteral("uploadHeartbeatNow failed:")));
}

void TestUploadService::expiredTokenIsRefreshedOnceAndSentAgain()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QVERIFY(m_standIn.rejectAccessTokensUntilRefresh());
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    QCOMPARE(rig.refresher->calls(), 1);
    const auto starts = m_standIn.receivedRequests(QStringLiteral("POST"), startPath);
    QCOMPARE(starts.size(), 2);
    QCOMPARE(starts.at(0).status, 401);
    QCOMPARE(starts.at(1).status, 200);
    QCOMPARE(starts.at(1).body, starts.at(0).body);
    QVERIFY(starts.at(1).header(QStringLiteral("authorization")) !=
            starts.at(0).header(QStringLiteral("authorization")));
    QVERIFY(rig.queuedTasks().isEmpty());
}

void TestUploadService::passIsLimitedToTwentyTasks()
{
    UploadTestRig &rig = *m_rig;
    for (int i = 0; i < 25; ++i) {
        enqueueMetadataTask(rig);
    }
    LogCapture log;
    QSignalSpy passes(rig.service.get(), &UploadService::passFinished);
    rig.runPass();
    QCOMPARE(passes.takeFirst().at(0).toInt(), 20);
    rig.runPass();
    QCOMPARE(passes.takeFirst().at(0).toInt(), 5);
    QVERIFY(!log.contains(QStringLiteral("processQueue: no tasks in queue")));
    rig.runPass();
    QCOMPARE(log.count(QStringLiteral("processQueue: no tasks in queue")), 1);
    QVERIFY(m_standIn.receivedRequests().isEmpty());
}

void TestUploadService::theEmptyQueueIsLoggedOncePerChange_data()
{
    QTest::addColumn<QList<int>>("tasksBeforeEachPass");
    QTest::addColumn<QList<int>>("linesAfterEachPass");

    QTest::newRow("empty at every pass") << QList<int>{0, 0, 0} << QList<int>{1, 1, 1};
    QTest::newRow("empty, tasks, empty") << QList<int>{0, 1, 0, 0} << QList<int>{1, 1, 2, 2};
    QTest::newRow("tasks first, then empty") << QList<int>{2, 0, 0} << QList<int>{0, 1, 1};
    QTest::newRow("tasks at every pass") << QList<int>{1, 3, 1} << QList<int>{0, 0, 0};
    QTest::newRow("emptied again and again")
        << QList<int>{1, 0, 1, 0, 1, 0} << QList<int>{0, 1, 1, 2, 2, 3};
}

// The 30-second pass finds the queue empty for most of a day; the line says when it became so.
void TestUploadService::theEmptyQueueIsLoggedOncePerChange()
{
    QFETCH(QList<int>, tasksBeforeEachPass);
    QFETCH(QList<int>, linesAfterEachPass);
    UploadTestRig &rig = *m_rig;
    LogCapture log;
    QSignalSpy passes(rig.service.get(), &UploadService::passFinished);
    for (qsizetype pass = 0; pass < tasksBeforeEachPass.size(); ++pass) {
        for (int i = 0; i < tasksBeforeEachPass.at(pass); ++i) {
            enqueueMetadataTask(rig);
        }
        rig.runPass();
        QCOMPARE(passes.takeFirst().at(0).toInt(), tasksBeforeEachPass.at(pass));
        QCOMPARE(log.count(QStringLiteral("processQueue: no tasks in queue")),
                 linesAfterEachPass.at(pass));
    }
}

void TestUploadService::malformedAnswersDisturbNothing()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QSignalSpy totals(&NotificationHub::instance(), &NotificationHub::serverTodayTotalDidUpdate);
    QVERIFY(m_standIn.setMalformedResponse(QStringLiteral("POST"), startPath));
    QVERIFY(m_standIn.setResponse(
        QStringLiteral("POST"), heartbeatPath, 200,
        QJsonObject{{QStringLiteral("data"),
                     QJsonObject{{QStringLiteral("today_total_seconds"), QStringLiteral("lots")},
                                 {QStringLiteral("today_date"), QStringLiteral("2024-05-01")}}}}));
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    rig.runPass();
    // A 2xx answer is a success whatever its body; a total that does not decode is not posted.
    QVERIFY(rig.queuedTasks().isEmpty());
    QCOMPARE(totals.count(), 0);
}

void TestUploadService::orphanSweepQueuesStrandedFilesAndExpiresOldOnes()
{
    UploadTestRig &rig = *m_rig;
    const Session started = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(started));
    rig.runPass();
    const QUuid session = started.id;
    const QString stranded = rig.writeCapture(session, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    const QString expired = rig.writeCapture(session, QStringLiteral("2024-05-01T02-20-00Z"), 0);
    QFile old(expired);
    QVERIFY(old.open(QIODevice::ReadWrite));
    QVERIFY(old.setFileTime(rig.clock.now().addingSeconds(-604'801).toDateTime(),
                            QFileDevice::FileModificationTime));
    old.close();

    rig.service->start();
    rig.service->stop();
    QVERIFY(!QFileInfo::exists(expired));
    // The sweep queued the stranded file and the first pass of start() sent it.
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), screenshotsPath, 1));
    QTRY_VERIFY(!rig.service->isProcessing());
    QVERIFY(!QFileInfo::exists(stranded));
}

void TestUploadService::capturesFromBeforeEmployeesGoToTheFirstEmployeeSignedIn()
{
    UploadTestRig &rig = *m_rig;
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    // Tracked and captured under the company alone, as before employees were told apart.
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    const QString capture = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    QVERIFY(capture.contains(QLatin1Char('/') + rig.domainStorage.domainKey() + QLatin1Char('/')));

    rig.domainStorage.setEmployee(StandInService::demoEmail());
    QVERIFY(rig.capturesFolder() != QFileInfo(capture).path());
    rig.service->start();
    rig.service->stop();
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), screenshotsPath, 1));
    QTRY_VERIFY(!rig.service->isProcessing());
    QVERIFY(!QFileInfo::exists(capture));
}

void TestUploadService::aSessionsBodiesKeepTheZoneItWasBegunIn_data()
{
    QTest::addColumn<QString>("begunIn");
    QTest::addColumn<QString>("offset");
    QTest::newRow("begun in another zone than now") << "Asia/Tokyo"
                                                    << "+09:00";
    QTest::newRow("stored before its zone was kept") << QString() << "+05:45";
}

// The company's zone changes while the session runs (a refreshed configuration, a sign-in ended
// into the device's zone): its start and final heartbeat still say the times it was begun with.
void TestUploadService::aSessionsBodiesKeepTheZoneItWasBegunIn()
{
    QFETCH(QString, begunIn);
    QFETCH(QString, offset);
    UploadTestRig &rig = *m_rig;
    Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    session.apiTimeZoneId = begunIn;
    rig.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                           QStringLiteral("Asia/Kathmandu"));
    const auto startOf = [](const std::optional<QByteArray> &body) {
        return QJsonDocument::fromJson(body.value_or(QByteArray()))
            .object()
            .value(QStringLiteral("started_at"))
            .toString();
    };
    QVERIFY(startOf(rig.service->sessionStartTask(session)->jsonPayload).endsWith(offset));
    QVERIFY(startOf(rig.service->finalHeartbeatTask(session).jsonPayload).endsWith(offset));
    QCOMPARE(Session::fromJson(session.toJson()), std::optional<Session>(session));
}

void TestUploadService::unreachableServiceIsOfflineWithoutPenalty()
{
    UploadTestRig &rig = *m_rig;
    // A company address on a port nobody listens on: the connection is refused.
    rig.domainStorage.setBaseURL(QUrl(QStringLiteral("https://127.0.0.1:1/api/v1/")));
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.random.setFraction(0.5);
    rig.runPass();

    const QList<UploadTask> tasks = rig.queuedTasks();
    QCOMPARE(tasks.size(), 1);
    QCOMPARE(tasks.at(0).retryCount, 0);
    QCOMPARE(rig.retry.consecutiveFailures(), 0);
    // Due again 75 s later (60 to 90), not before.
    rig.clock.advance(74);
    QVERIFY(!rig.store->nextUploadTask(rig.clock.now()).has_value());
    rig.clock.advance(1);
    QVERIFY(rig.store->nextUploadTask(rig.clock.now()).has_value());
}

void TestUploadService::offlineForADayThenEverythingArrivesOnce()
{
    UploadTestRig &rig = *m_rig;
    // Offline: the company's address is one nobody answers on (same host, so same domain).
    rig.domainStorage.setBaseURL(QUrl(QStringLiteral("https://127.0.0.1:1/api/v1/")));
    QList<Session> sessions;
    int captures = 0;
    for (int hour = 0; hour < 8; ++hour) {
        const Session session =
            workedSession(rig.clock.now().addingSeconds(-3600.0 * (8 - hour)), 3000, false);
        sessions.append(session);
        QCoro::waitFor(rig.service->enqueueSessionStart(session));
        for (int display = 0; display < 6; ++display, ++captures)
            rig.writeCapture(session.id, QStringLiteral("2024-05-01T0%1-00-00Z").arg(hour),
                             display);
        QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    }
    // A simulated day of passes, 30 s to 90 s apart, all failing for want of a network.
    for (int pass = 0; pass < 40; ++pass) {
        rig.runPass();
        rig.clock.advance(2160);
    }
    QVERIFY(m_standIn.receivedRequests().isEmpty());
    const QList<UploadTask> waiting = rig.queuedTasks();
    QCOMPARE(waiting.size(), 8 * 2 + captures);
    for (const UploadTask &task : waiting)
        QCOMPARE(task.retryCount, 0);

    // Back online: passes drain the queue, 20 tasks at a time.
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    for (int pass = 0; pass < 10 && !rig.queuedTasks().isEmpty(); ++pass) {
        rig.clock.advance(91);
        rig.runPass();
    }
    QVERIFY(rig.queuedTasks().isEmpty());
    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 8 * 2 + captures);
    QSet<QString> uniqueBodies;
    for (const auto &request : received) {
        QCOMPARE(request.status, 200);
        const QString key = request.path + QString::fromUtf8(request.body) +
                            (request.parts.isEmpty() ? QString() : request.parts.at(0).fileName);
        QVERIFY2(!uniqueBodies.contains(key), "a task was sent twice");
        uniqueBodies.insert(key);
    }
    QCOMPARE(m_standIn.sessions().size(), 8);
}

void TestUploadService::transientFailuresNeverDropASessionsOnlyCopy_data()
{
    QTest::addColumn<bool>("finalHeartbeat");
    QTest::addColumn<bool>("untrustedCertificate");
    QTest::newRow("start, 503") << false << false;
    QTest::newRow("final heartbeat, 503") << true << false;
    QTest::newRow("start, certificate not trusted") << false << true;
    QTest::newRow("final heartbeat, certificate not trusted") << true << true;
}

void TestUploadService::transientFailuresNeverDropASessionsOnlyCopy()
{
    QFETCH(bool, finalHeartbeat);
    QFETCH(bool, untrustedCertificate);
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    if (finalHeartbeat) {
        rig.runPass();
        QCOMPARE(m_standIn.sessions().size(), 1);
        QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    }
    const QString path = finalHeartbeat ? heartbeatPath : startPath;

    // The same queue behind a client that trusts only the system's authorities, as behind a
    // captive portal: every handshake with the stand-in fails.
    UploadHttpClient untrusting(rig.endpoints, rig.tokens, rig.refresher.get(), TlsConfiguration());
    UploadService behindPortal(UploadService::Dependencies{
        *rig.store, untrusting, rig.retry, rig.settings, rig.deviceIds, rig.clock, rig.random,
        [&rig] { return rig.domainStorage.partitionKey(); },
        rig.folder.filePath(QStringLiteral("captures")), nullptr});
    UploadService &service = untrustedCertificate ? behindPortal : *rig.service;
    if (!untrustedCertificate)
        QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), path, 503, QJsonValue(),
                                      StandInService::UntilCleared));

    // Ten passes, each after the back-off and the circuit breaker have let the task through.
    for (int pass = 0; pass < 10; ++pass) {
        QCoro::waitFor(service.processQueue());
        rig.clock.advance(RetryManager::maximumOpenSeconds + 1);
    }
    const QList<UploadTask> waiting = rig.queuedTasks();
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(waiting.at(0).retryCount, 10);

    QVERIFY(m_standIn.clearResponses());
    rig.runPass();
    QVERIFY(rig.queuedTasks().isEmpty());
    QCOMPARE(m_standIn.sessions().size(), 1);
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), path, 1));
}

void TestUploadService::sessionDataUndeliverableForSevenDaysIsDropped()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), startPath, 503, QJsonValue(),
                                  StandInService::UntilCleared));
    rig.runPass();
    QCOMPARE(rig.queuedTasks().size(), 1);

    rig.clock.advance(UploadService::captureExpirySeconds + 1);
    LogCapture log;
    rig.runPass();
    QVERIFY(rig.queuedTasks().isEmpty());
    QVERIFY(log.contains(QStringLiteral("could not be delivered for seven days")));
}

void TestUploadService::takenOverSessionLeavesNoUnqueuedCapture()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    const QString queued = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-20-00Z"), 0);
    QCoro::waitFor(rig.service->enqueueScreenshotsForSession(session.id));
    const QString last = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    const Session other = workedSession(rig.clock.now().addingSeconds(-60), 60, true);
    const QString othersCapture =
        rig.writeCapture(other.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);

    QVERIFY(m_standIn.markSessionTakenOver(session.id));
    QVERIFY(!QCoro::waitFor(rig.service->uploadHeartbeatNow(session)));
    QVERIFY(rig.service->takenOverSessions().contains(session.id));
    QVERIFY(!QFileInfo::exists(last));
    QVERIFY(QFileInfo::exists(queued));
    QVERIFY(QFileInfo::exists(othersCapture));

    // The next launch's sweep finds nothing of the taken-over session to send.
    QVERIFY(m_standIn.clearReceivedRequests());
    rig.service->start();
    rig.service->stop();
    QTRY_VERIFY(!rig.service->isProcessing());
    for (const StandInReceivedRequest &request : m_standIn.receivedRequests()) {
        for (const auto &part : request.parts)
            QVERIFY(!part.fileName.contains(QStringLiteral("02-30-00")) ||
                    part.fileName.startsWith(UuidText::format(other.id)));
    }
}

void TestUploadService::unreadableSuccessfulAnswerIsLogged()
{
    UploadTestRig &rig = *m_rig;
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QVERIFY(m_standIn.setMalformedResponse(QStringLiteral("POST"), startPath));
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    LogCapture log;
    rig.runPass();
    QVERIFY(rig.queuedTasks().isEmpty());
    QVERIFY(log.contains(QStringLiteral("The answer to start-session could not be read")));
}

void TestUploadService::sessionUploadWaitsForItsCompany()
{
    UploadTestRig &rig = *m_rig;
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    const Session session = workedSession(rig.clock.now().addingSeconds(-60), 60, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    rig.runPass();
    const QString company = rig.domainStorage.domainKey();
    QVERIFY(company != QLatin1String("global"));
    const QString capture = rig.writeCapture(session.id, QStringLiteral("2024-05-01T02-30-00Z"), 0);
    QVERIFY(m_standIn.clearReceivedRequests());

    // Signed out (no company address) when the session's final upload is queued.
    rig.domainStorage.setBaseURL(std::nullopt);
    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session), company));
    rig.runPass();
    QVERIFY(m_standIn.receivedRequests().isEmpty());
    QVERIFY(rig.queuedTasks().isEmpty());

    // The same company signed in again: its heartbeat and capture go out with its token.
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    rig.runPass();
    QVERIFY(rig.queuedTasks().isEmpty());
    const QList<StandInReceivedRequest> received = m_standIn.receivedRequests();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0).path, heartbeatPath);
    QCOMPARE(received.at(0).status, 200);
    QCOMPARE(received.at(1).status, 200);
    QVERIFY(!QFileInfo::exists(capture));
}

// One employee's pass is under way when they sign out and a colleague signs in: the task in
// flight is settled for its own employee, nothing of theirs goes out with the colleague's token,
// and the rest goes out when they are back.
void TestUploadService::signOutDuringAPassLeavesEachTaskWithItsEmployee()
{
    UploadTestRig &rig = *m_rig;
    const auto signIn = [&](const QString &email) {
        rig.domainStorage.setBaseURL(m_standIn.baseUrl());
        rig.domainStorage.setEmployee(email);
        const auto tokens = signInToStandIn(m_standIn, email);
        QVERIFY(tokens);
        rig.tokens.saveAuthTokens(*tokens);
    };
    signIn(StandInService::demoEmail());
    const Session session = workedSession(rig.clock.now().addingSeconds(-120), 120, false);
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    QCoro::waitFor(rig.service->enqueueSessionUpload(completed(session)));
    QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), startPath, 700));
    QVERIFY(m_standIn.clearReceivedRequests());

    auto pass = rig.service->processQueue();
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), startPath, 1));
    rig.domainStorage.setBaseURL(std::nullopt);
    rig.domainStorage.setEmployee(std::nullopt);
    rig.tokens.deleteAuthTokens();
    signIn(StandInService::colleagueEmail());
    QCoro::waitFor(pass);
    rig.runPass();
    // The sign-ins themselves are recorded too; what matters is what the queue sent.
    const QString sessionPaths = QStringLiteral("hr/zuvevivezid/employees/sessions/*");
    QList<StandInReceivedRequest> sent = m_standIn.receivedRequests(QString(), sessionPaths);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).account, StandInService::demoEmail());
    QVERIFY(rig.queuedTasks().isEmpty());

    signIn(StandInService::demoEmail());
    rig.runPass();
    sent = m_standIn.receivedRequests(QString(), sessionPaths);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(1).path, heartbeatPath);
    QCOMPARE(sent.at(1).status, 200);
    QCOMPARE(sent.at(1).account, StandInService::demoEmail());
    QVERIFY(rig.queuedTasks().isEmpty());
}

QTEST_GUILESS_MAIN(TestUploadService)
#include "TestUploadService.moc"
