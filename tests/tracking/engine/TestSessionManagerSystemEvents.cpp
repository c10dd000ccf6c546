#include "EngineFixture.h"

#include "foundation/NotificationHub.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
// The fake clock jumps hours at a time; no idle period should pause the session meanwhile.
constexpr qint64 noIdleMinutes = 100'000;

RemoteConfig configIn(const QString &zone)
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, noIdleMinutes);
    config.appTimezone = zone;
    return config;
}

SessionManager &startSession(EngineFixture &fixture, const QString &zone = QStringLiteral("UTC"))
{
    SessionManager &manager = fixture.createManager();
    manager.applyConfig(configIn(zone));
    manager.startTracking(payroll);
    return manager;
}

// One second of the ticker, with the suspend clock moving as the real one does while awake.
void tick(EngineFixture &fixture, SessionManager &manager)
{
    fixture.clock.advance(1.0);
    fixture.suspendClock.advance(1.0);
    manager.updateLiveMetrics();
}

void deliver()
{
    QCoreApplication::processEvents();
}

} // namespace

class TestSessionManagerSystemEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sleepWhileTrackingPausesAndWakeResumes()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        LogCapture log;

        fixture.clock.set(fixture.at(100));
        fixture.sleepSource.sleep();
        QVERIFY(!manager.isPaused()); // handled after the delivery, not inside it
        deliver();
        QVERIFY(manager.isPaused());
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isTickerRunning());
        QVERIFY(!manager.isCaptureEligible());
        QVERIFY(!fixture.captureService->isScheduled());
        QVERIFY(!fixture.tracker->isRunning());
        QCOMPARE(manager.currentSession()->status, SessionStatus::Active);
        QCOMPARE(manager.currentSession()->intervals[0].stoppedAt, fixture.at(100));
        // Saved before the machine was let go.
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());
        QCOMPARE(fixture.sleepSource.releases(), 1);
        QVERIFY(log.contains(QStringLiteral("Tracking paused due to system sleep")));

        fixture.clock.set(fixture.at(3700));
        fixture.sleepSource.wake();
        deliver();
        QVERIFY(!manager.isPaused());
        QVERIFY(manager.isTickerRunning());
        QVERIFY(fixture.captureService->isScheduled());
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
        QCOMPARE(manager.currentSession()->intervals[1].startedAt, fixture.at(3700));

        fixture.clock.set(fixture.at(3760));
        manager.stopTracking(std::nullopt);
        QCOMPARE(fixture.storedHistory().constFirst().totalSeconds, 160.0);
    }

    void sleepWhileUserPausedChangesNothing()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        fixture.clock.set(fixture.at(100));
        manager.pauseTracking();
        const Session paused = *manager.currentSession();

        fixture.clock.set(fixture.at(200));
        fixture.sleepSource.sleep();
        deliver();
        QCOMPARE(fixture.sleepSource.releases(), 1); // the suspend is never held up
        fixture.clock.set(fixture.at(900));
        fixture.sleepSource.wake();
        deliver();

        QVERIFY(manager.isPaused());
        QCOMPARE(*manager.currentSession(), paused);
        QVERIFY(manager.isTickerRunning());
    }

    void sleepAcrossMidnightSplitsTheSessionOnWake()
    {
        EngineFixture fixture;
        // 08:00 UTC is 21:00 in Auckland; sleep at 23:30 there, wake at 07:00 the next day.
        SessionManager &manager = startSession(fixture, QStringLiteral("Pacific/Auckland"));
        const QUuid first = manager.currentSession()->id;
        fixture.clock.set(fixture.at(2.5 * 3600.0));
        fixture.sleepSource.sleep();
        deliver();
        fixture.clock.set(fixture.at(10 * 3600.0));
        fixture.sleepSource.wake();
        deliver();

        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isPaused());
        QVERIFY(manager.currentSession()->id != first);
        QCOMPARE(manager.currentSession()->intervals.size(), 1);
        QCOMPARE(manager.currentSession()->intervals[0].startedAt, fixture.at(10 * 3600.0));
        const auto history = fixture.storedHistory();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].totalSeconds, 2.5 * 3600.0);
        QCOMPARE(fixture.storedActiveSession()->id, manager.currentSession()->id);
    }

    void missedSuspendIsCaughtByTheClockComparison()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        for (int second = 0; second < 10; ++second)
            tick(fixture, manager);

        // The machine slept an hour without any announcement.
        fixture.suspendClock.suspend(3600.0);
        fixture.clock.advance(3600.0);
        tick(fixture, manager);

        const Session session = *manager.currentSession();
        QVERIFY(!manager.isPaused());
        QVERIFY(manager.isTickerRunning());
        QCOMPARE(session.intervals.size(), 2);
        QCOMPARE(session.intervals[0].stoppedAt, fixture.at(10));
        QCOMPARE(session.intervals[1].startedAt, fixture.at(3611));

        // Only once: the next ticks see no new suspend.
        tick(fixture, manager);
        tick(fixture, manager);
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
        manager.stopTracking(std::nullopt);
        QCOMPARE(fixture.storedHistory().constFirst().totalSeconds, 12.0);
    }

    void missedSuspendWhilePausedOrAnnouncedSleepIsNotCountedTwice()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        tick(fixture, manager);
        // An announced sleep stops the ticker; the suspend clock moves while it is stopped.
        fixture.sleepSource.sleep();
        deliver();
        fixture.suspendClock.suspend(600.0);
        fixture.clock.advance(600.0);
        fixture.sleepSource.wake();
        deliver();
        tick(fixture, manager);
        QCOMPARE(manager.currentSession()->intervals.size(), 2);

        manager.pauseTracking();
        fixture.suspendClock.suspend(600.0);
        fixture.clock.advance(600.0);
        tick(fixture, manager);
        QVERIFY(manager.isPaused());
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
    }

    // Without a delay held, the announcement may only be handled once the machine is back.
    void aLateSleepAnnouncementDoesNotBillTheSleep()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        for (int second = 0; second < 5; ++second)
            tick(fixture, manager);
        fixture.suspendClock.suspend(1800.0);
        fixture.clock.advance(1800.0);
        fixture.sleepSource.sleep();
        deliver();
        QCOMPARE(manager.currentSession()->intervals[0].stoppedAt, fixture.at(5));
        fixture.sleepSource.wake();
        deliver();
        QCOMPARE(manager.currentSession()->intervals[1].startedAt, fixture.at(1805));
    }

    void wakeWhileAnInterruptedSessionWaitsDoesNothing()
    {
        EngineFixture fixture;
        Session stored;
        stored.id = QUuid::createUuid();
        stored.intervals = {{QUuid::createUuid(), fixture.at(-60), std::nullopt}};
        fixture.store->saveActiveSession(stored);
        SessionManager &manager = fixture.createManager();
        QVERIFY(manager.hasInterruptedSession());
        fixture.sleepSource.wake();
        deliver();
        QVERIFY(!manager.isTracking());
        QVERIFY(manager.hasInterruptedSession());
    }

    void terminationClosesTheIntervalAndKeepsTheSessionActive()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        fixture.clock.set(fixture.at(300));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 3));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, 2));
        LogCapture log;
        manager.handleWillTerminate();
        const std::optional<Session> stored = fixture.storedActiveSession();
        QVERIFY(stored);
        QCOMPARE(stored->status, SessionStatus::Active);
        QCOMPARE(stored->intervals.constLast().stoppedAt, fixture.at(300));
        // The counts since the last capture are kept for the next launch.
        QCOMPARE(stored->keyboardCount, 3);
        QCOMPARE(stored->mouseCount, 2);
        QVERIFY(log.contains(QStringLiteral("Tracking interval closed on app termination")));
        fixture.runUploads();
        QVERIFY(!fixture.uploadQueue.operations().contains(QStringLiteral("finalHeartbeatTask")));

        // While paused there is nothing to close.
        manager.resumeTracking();
        fixture.clock.set(fixture.at(400));
        manager.pauseTracking();
        const std::optional<Session> paused = fixture.storedActiveSession();
        fixture.clock.set(fixture.at(500));
        manager.handleWillTerminate();
        QCOMPARE(fixture.storedActiveSession(), paused);
    }

    void captureCompletionSavesCountersThenUploads_data()
    {
        QTest::addColumn<bool>("heartbeatAccepted");
        QTest::addColumn<QStringList>("operations");
        QTest::newRow("accepted") << true
                                  << QStringList{"uploadHeartbeatNow",
                                                 "enqueueScreenshotsForSession", "processQueue"};
        QTest::newRow("refused") << false << QStringList{"uploadHeartbeatNow"};
    }

    void captureCompletionSavesCountersThenUploads()
    {
        QFETCH(bool, heartbeatAccepted);
        QFETCH(QStringList, operations);

        EngineFixture fixture;
        fixture.settings.setBoolean(SessionManager::screenRecordingPermissionLostKey, true);
        SessionManager &manager = startSession(fixture);
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 3));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, 2));
        fixture.clock.set(fixture.at(120));
        fixture.runUploads();
        fixture.uploadQueue.clear();
        fixture.uploadQueue.heartbeatAccepted = heartbeatAccepted;
        LogCapture log;

        Q_EMIT NotificationHub::instance().screenCaptureDidComplete(manager.currentSession()->id,
                                                                    {});
        deliver();
        QVERIFY(!manager.screenRecordingPermissionLost());
        QCOMPARE(fixture.settings.boolean(SessionManager::screenRecordingPermissionLostKey), false);
        QCOMPARE(manager.currentSession()->keyboardCount, 3);
        QCOMPARE(manager.currentSession()->mouseCount, 2);
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());
        QVERIFY(log.contains(QStringLiteral("Session updated: total=120s, mouse=2, keyboard=3")));

        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.operations(), operations);
        QCOMPARE(fixture.uploadQueue.lastSession("uploadHeartbeatNow"), manager.currentSession());
        QCOMPARE(log.contains(QStringLiteral("Heartbeat failed, skipping screenshot upload")),
                 !heartbeatAccepted);

        // A second capture has no flag change to store.
        fixture.settings.remove(SessionManager::screenRecordingPermissionLostKey);
        manager.handleCaptureComplete();
        QVERIFY(!fixture.settings.contains(SessionManager::screenRecordingPermissionLostKey));
    }

    void captureCompletionWhilePausedOnlyClearsTheFlag()
    {
        EngineFixture fixture;
        fixture.settings.setBoolean(SessionManager::screenRecordingPermissionLostKey, true);
        SessionManager &manager = startSession(fixture);
        manager.pauseTracking();
        fixture.runUploads();
        fixture.uploadQueue.clear();
        LogCapture log;
        manager.handleCaptureComplete();
        fixture.runUploads();
        QVERIFY(!manager.screenRecordingPermissionLost());
        QVERIFY(fixture.uploadQueue.calls().isEmpty());
        QVERIFY(log.contains(
            QStringLiteral("handleCaptureComplete skipped: session=1, tracking=1, paused=1")));
    }

    // The live heartbeat goes out from the event loop; a stop in between has queued the final one,
    // and a live one after it would tell the service the session runs again.
    void captureJustBeforeAStopSendsNoLiveHeartbeatAfterIt()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture);
        fixture.runUploads();
        fixture.uploadQueue.clear();
        manager.handleCaptureComplete();
        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        QVERIFY(fixture.uploadQueue.operations().contains(QStringLiteral("finalHeartbeatTask")));
        QVERIFY(!fixture.uploadQueue.operations().contains(QStringLiteral("uploadHeartbeatNow")));
    }

    void forcedUpdateStopsTrackingEvenWhenPaused()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.handleForceUpdateRequired();
        QVERIFY(!manager.lastStatusMessage());

        manager.startTracking(payroll);
        manager.pauseTracking();
        LogCapture log;
        manager.handleForceUpdateRequired();
        QVERIFY(!manager.isTracking());
        QCOMPARE(manager.lastStatusMessage(), QStringLiteral("Tracking stopped: Update required"));
        QVERIFY(log.contains(QStringLiteral("Force update required — stopping tracking")));
        QCOMPARE(fixture.storedHistory().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerSystemEvents)
#include "TestSessionManagerSystemEvents.moc"
