// One session run by the engine -- tracked with input, screenshots and a closed segment, then
// stopped -- arrives at the stand-in HR service through the real upload service: start,
// heartbeats, segment batch and screenshots, in the queue's priorities, and leaves nothing behind.

#include "app/config/APITimeZoneResolver.h"
#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"
#include "store/DeviceIdProvider.h"
#include "tracking/engine/EngineFixture.h"
#include "tracking/engine/SegmentClockService.h"
#include "upload/UploadTestRig.h"

#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString startPath = QStringLiteral("hr/zuvevivezid/employees/sessions/start");
const QString heartbeatPath = QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat");
const QString batchPath = QStringLiteral("hr/zuvevivezid/employees/segments/batch");
const QString screenshotsPath = QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots");

QCoro::Task<> queueClosedSegments(UploadService &upload, SegmentUtils::SegmentKey open)
{
    upload.enqueueActivitySegmentsForUpload(open.dayKey, open.number);
    co_await upload.processQueue();
}

void prepareTwoDisplaysInUtc(EngineFixture &engine)
{
    engine.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                              QStringLiteral("UTC"));
    const std::lock_guard lock(engine.displays->mutex);
    engine.displays->displays = {DisplayInfo{QStringLiteral("left"), QRect(0, 0, 1280, 800)},
                                 DisplayInfo{QStringLiteral("right"), QRect(1280, 0, 640, 480)}};
}

// The upload service works on the engine's own database and captures folder.
UploadService::Dependencies uploadDependencies(EngineFixture &engine, UploadTestRig &rig,
                                               DeviceIdProvider &deviceIds)
{
    return {*engine.store,
            *rig.http,
            rig.retry,
            engine.settings,
            deviceIds,
            engine.clock,
            rig.random,
            [&engine] { return engine.domainStorage.partitionKey(); },
            QDir(engine.dataFolder).filePath(QStringLiteral("captures")),
            nullptr};
}

QJsonObject heldSession(const QJsonArray &sessions, const QUuid &sessionId)
{
    for (const QJsonValue &session : sessions) {
        const QJsonObject object = session.toObject();
        if (object.value(QStringLiteral("session_uuid")).toString() == UuidText::format(sessionId))
            return object;
    }
    return {};
}

int indexOfFirst(const QList<StandInReceivedRequest> &requests, const QString &pathEnd)
{
    for (qsizetype i = 0; i < requests.size(); ++i) {
        if (requests.at(i).path.endsWith(pathEnd))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

class TestEngineUploadEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void trackedSessionArrivesWhole();
    void aDayBegunAsleepReachesTheService();

private:
    StandInService m_standIn;
};

void TestEngineUploadEndToEnd::trackedSessionArrivesWhole()
{
    UploadTestRig rig(m_standIn);
    const auto tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens.has_value());
    rig.tokens.saveAuthTokens(*tokens);

    EngineFixture engine;
    prepareTwoDisplaysInUtc(engine);
    const QString captures = QDir(engine.dataFolder).filePath(QStringLiteral("captures"));
    DeviceIdProvider deviceIds(engine.settings);
    UploadService upload(uploadDependencies(engine, rig, deviceIds));
    engine.managerUploadQueue = &upload;

    // Today 08:00 UTC, so that the service takes the day as today.
    const Timestamp start = Timestamp::fromDateTime(
        QDateTime(QDateTime::currentDateTimeUtc().date(), QTime(8, 0), QTimeZone::utc()));
    engine.clock.set(start);
    SessionManager &manager = engine.createManager();
    SegmentClockService segmentClock(
        manager, SegmentClockService::Dependencies{*engine.store, engine.settings, engine.clock,
                                                   [&upload](const SegmentUtils::SegmentKey &open) {
                                                       queueClosedSegments(upload, open);
                                                   },
                                                   std::chrono::hours(1)});
    segmentClock.bindToTrackingState();
    manager.startTracking(RemoteProject{QStringLiteral("101"), QStringLiteral("Payroll")});
    const QUuid sessionId = manager.currentSession()->id;
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), startPath, 1));
    QTRY_VERIFY(!upload.isProcessing());

    const auto runUntil = [&](double secondsAfterStart) {
        while (engine.clock.now() - start < secondsAfterStart) {
            engine.clock.set(engine.clock.now().addingSeconds(1.0));
            if (static_cast<int>(engine.clock.now() - start) % 10 == 0)
                QVERIFY(engine.pushInput(RawInputEvent::Type::KeyDown, 2));
            manager.updateLiveMetrics();
            segmentClock.tick();
        }
    };

    // First capture at 61 s: the live heartbeat is accepted, so its files are queued at once.
    runUntil(61);
    engine.captureService->tickNow();
    QVERIFY(m_standIn.waitForRequests(QString(), screenshotsPath, 2));
    QTRY_VERIFY(!upload.isProcessing());

    // A second capture whose live heartbeat fails: its files wait for the end of the session.
    runUntil(400);
    QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), heartbeatPath, 503));
    engine.captureService->tickNow();
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), heartbeatPath, 2));

    // 08:10: the first segment closes and its batch goes out.
    runUntil(650);
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), batchPath, 1));
    QTRY_VERIFY(!upload.isProcessing());
    QVERIFY(m_standIn.clearReceivedRequests());

    manager.stopTracking(std::nullopt);
    QTRY_VERIFY(upload.isProcessing() || !m_standIn.receivedRequests().isEmpty());
    QTRY_VERIFY(!upload.isProcessing());
    QCoro::waitFor(upload.processQueue());

    // The end of the session: final heartbeat first, then the waiting screenshots.
    const QList<StandInReceivedRequest> end = m_standIn.receivedRequests();
    QCOMPARE(end.size(), 3);
    QCOMPARE(end.at(0).path, heartbeatPath);
    QCOMPARE(end.at(0).status, 200);
    const QJsonObject finalHeartbeat = end.at(0).json().toObject();
    QCOMPARE(finalHeartbeat.value(QStringLiteral("status")).toString(),
             QStringLiteral("completed"));
    QCOMPARE(finalHeartbeat.value(QStringLiteral("total_seconds")).toInteger(), 650);
    QVERIFY(finalHeartbeat.value(QStringLiteral("key_press_count")).toInteger() >= 130);
    QCOMPARE(indexOfFirst(end, QStringLiteral("/screenshots")), 1);
    for (const auto &request : end)
        QCOMPARE(request.status, 200);

    // What the service holds: the session, completed, with its four screenshots and the
    // closed segment; nothing is left queued or on disk.
    const QJsonArray sessions = m_standIn.sessions();
    QCOMPARE(sessions.size(), 1);
    const QJsonObject held = sessions.at(0).toObject();
    QCOMPARE(held.value(QStringLiteral("session_uuid")).toString(), UuidText::format(sessionId));
    QCOMPARE(held.value(QStringLiteral("screenshots")).toInt(), 4);
    QCOMPARE(m_standIn.segments().size(), 1);
    QVERIFY(engine.store
                ->pendingUploadTaskIds(sessionId,
                                       {UploadTaskType::StartSession, UploadTaskType::Heartbeat,
                                        UploadTaskType::Screenshot})
                .isEmpty());
    QVERIFY(QDir(captures + QStringLiteral("/global"))
                .entryList(QDir::Files | QDir::NoDotAndDotDot)
                .isEmpty());
}

// Tracking from 23:00, asleep from 23:30 until 07:00: the morning's session is a new one, and
// the service must know it before its first live heartbeat, or the heartbeat's 404 reads as a
// takeover and the morning is lost.
void TestEngineUploadEndToEnd::aDayBegunAsleepReachesTheService()
{
    UploadTestRig rig(m_standIn);
    const auto tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens.has_value());
    rig.tokens.saveAuthTokens(*tokens);
    QVERIFY(m_standIn.clearReceivedRequests());

    EngineFixture engine;
    prepareTwoDisplaysInUtc(engine);
    DeviceIdProvider deviceIds(engine.settings);
    UploadService upload(uploadDependencies(engine, rig, deviceIds));
    engine.managerUploadQueue = &upload;
    QSignalSpy takeovers(&NotificationHub::instance(),
                         &NotificationHub::sessionTakenOverByOtherDevice);

    const QDate today = QDateTime::currentDateTimeUtc().date();
    const auto utcAt = [](QDate day, int hour, int minute) {
        return Timestamp::fromDateTime(QDateTime(day, QTime(hour, minute), QTimeZone::utc()));
    };
    engine.clock.set(utcAt(today.addDays(-1), 23, 0));
    SessionManager &manager = engine.createManager();
    manager.startTracking(RemoteProject{QStringLiteral("101"), QStringLiteral("Payroll")});
    const QUuid evening = manager.currentSession()->id;
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), startPath, 1));
    QTRY_VERIFY(!upload.isProcessing());

    engine.clock.set(utcAt(today.addDays(-1), 23, 30));
    manager.updateLiveMetrics();
    manager.handleWillSleep();
    engine.clock.set(utcAt(today, 7, 0));
    manager.handleDidWake();
    QVERIFY(manager.isTracking());
    QVERIFY(!manager.isPaused());
    const QUuid morning = manager.currentSession()->id;
    QVERIFY(morning != evening);
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), startPath, 2));
    QTRY_VERIFY(!upload.isProcessing());

    engine.clock.set(utcAt(today, 7, 1).addingSeconds(1.0));
    manager.updateLiveMetrics();
    engine.captureService->tickNow();
    QVERIFY(m_standIn.waitForRequests(QString(), screenshotsPath, 2));
    QTRY_VERIFY(!upload.isProcessing());

    QCOMPARE(takeovers.count(), 0);
    QCOMPARE(manager.currentSession()->id, morning);
    const QJsonArray sessions = m_standIn.sessions();
    const QJsonObject held = heldSession(sessions, morning);
    QVERIFY2(!held.isEmpty(), "the service does not know the morning's session");
    QVERIFY(held.value(QStringLiteral("heartbeats")).toInt() >= 1);
    QCOMPARE(held.value(QStringLiteral("screenshots")).toInt(), 2);
    QVERIFY(!heldSession(sessions, evening).isEmpty());
}

QTEST_GUILESS_MAIN(TestEngineUploadEndToEnd)
#include "TestEngineUploadEndToEnd.moc"
