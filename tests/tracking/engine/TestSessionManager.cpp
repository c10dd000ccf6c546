#include "EngineFixture.h"

#include "app/config/APITimeZoneResolver.h"
#include "foundation/UuidText.h"
#include "platform/PermissionService.h"
#include "support/LogCapture.h"
#include "support/platform/FakePermissionProbe.h"
#include "tracking/engine/TrackingHeartbeat.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};

std::optional<double> heartbeatMark(EngineFixture &fixture, const QUuid &sessionId)
{
    const auto mark = TrackingHeartbeat(fixture.settings).load(sessionId);
    return mark ? std::optional<double>(mark->secondsSince1970()) : std::nullopt;
}

} // namespace

class TestSessionManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullLifecycleIsStoredAsItHappens()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        LogCapture log;

        manager.startTracking(payroll);
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isPaused());
        QVERIFY(manager.currentSession());
        const Session started = *manager.currentSession();
        QCOMPARE(started.projectId, payroll.id);
        QCOMPARE(started.projectName, payroll.name);
        QCOMPARE(started.intervals.size(), 1);
        QCOMPARE(started.intervals[0].startedAt, fixture.at(0));
        QVERIFY(started.intervals[0].isOpen());
        QCOMPARE(started.deviceId,
                 fixture.settings.string("com.wendoka.zuvevivezid.device_id").value_or("?"));
        QCOMPARE(manager.selectedProjectId(), payroll.id);
        QCOMPARE(fixture.storedActiveSession(), started);
        QVERIFY(manager.isCaptureEligible());
        QVERIFY(manager.isTickerRunning());
        QVERIFY(fixture.captureService->isScheduled());
        QVERIFY(fixture.tracker->isRunning());
        QVERIFY(fixture.idleDetector->isRunning());
        // Start writes a heartbeat mark, as the ticker and a pause do.
        QCOMPARE(heartbeatMark(fixture, started.id), fixture.at(0).secondsSince1970());
        QVERIFY(log.contains(QStringLiteral("Tracking started, session %1, project p1")
                                 .arg(UuidText::format(started.id))));

        // The start task is stored with the running row; the queue pass runs after the call has
        // returned, never inside it.
        QCOMPARE(fixture.uploadQueue.operations(), QStringList{"sessionStartTask"});
        QCOMPARE(fixture.openSecondStore()
                     ->pendingUploadTaskIds(started.id, {UploadTaskType::StartSession})
                     .size(),
                 1);
        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.operations(),
                 (QStringList{"sessionStartTask", "processQueue"}));
        QCOMPARE(fixture.uploadQueue.lastSession("sessionStartTask"), started);

        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 4));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, 3));

        fixture.clock.advance(100.0);
        manager.pauseTracking();
        QVERIFY(manager.isPaused());
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isCaptureEligible());
        QCOMPARE(manager.currentSession()->intervals[0].stoppedAt, fixture.at(100));
        QCOMPARE(manager.currentSession()->status, SessionStatus::Active);
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());
        QCOMPARE(heartbeatMark(fixture, started.id), fixture.at(100).secondsSince1970());
        QVERIFY(!fixture.captureService->isScheduled());
        QVERIFY(!fixture.tracker->isRunning());
        // The ticker and the idle detector go on while paused.
        QVERIFY(manager.isTickerRunning());
        QVERIFY(fixture.idleDetector->isRunning());

        fixture.clock.advance(50.0);
        manager.resumeTracking();
        QVERIFY(!manager.isPaused());
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
        QCOMPARE(manager.currentSession()->intervals[1].startedAt, fixture.at(150));
        QVERIFY(manager.currentSession()->intervals[1].isOpen());
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());
        QCOMPARE(heartbeatMark(fixture, started.id), fixture.at(150).secondsSince1970());
        QVERIFY(fixture.captureService->isScheduled());
        QVERIFY(fixture.tracker->isRunning());
        QVERIFY(manager.isCaptureEligible());

        fixture.clock.advance(30.75);
        fixture.uploadQueue.clear();
        manager.stopTracking(std::nullopt);

        QVERIFY(!manager.isTracking());
        QVERIFY(!manager.isPaused());
        QVERIFY(!manager.currentSession());
        QCOMPARE(manager.elapsedSeconds(), 0.0);
        QCOMPARE(manager.mouseMoves(), 0);
        QCOMPARE(manager.keyboardEvents(), 0);
        QVERIFY(!manager.last5MinActivityRate());
        QVERIFY(!manager.isTickerRunning());
        QVERIFY(!manager.isCaptureEligible());
        QVERIFY(!fixture.captureService->isScheduled());
        QVERIFY(!fixture.tracker->isRunning());
        QVERIFY(!fixture.idleDetector->isRunning());
        QCOMPARE(manager.selectedProjectId(), payroll.id);

        // The active row and the mark are gone; the history holds the billed whole seconds.
        QVERIFY(!fixture.storedActiveSession());
        QVERIFY(!heartbeatMark(fixture, started.id));
        const auto history = fixture.storedHistory();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].projectName, payroll.name);
        QCOMPARE(history[0].totalSeconds, 130.0);

        QCOMPARE(fixture.uploadQueue.operations(), QStringList{"finalHeartbeatTask"});
        QCOMPARE(fixture.openSecondStore()
                     ->pendingUploadTaskIds(started.id, {UploadTaskType::Heartbeat})
                     .size(),
                 1);
        fixture.runUploads();
        QCOMPARE(
            fixture.uploadQueue.operations(),
            (QStringList{"finalHeartbeatTask", "enqueueScreenshotsForSession", "processQueue"}));
        const auto completed = fixture.uploadQueue.lastSession("finalHeartbeatTask");
        QVERIFY(completed);
        QCOMPARE(completed->id, started.id);
        QCOMPARE(completed->status, SessionStatus::Completed);
        QCOMPARE(completed->reportedTotalSeconds, 130);
        QCOMPARE(completed->keyboardCount, 4);
        QCOMPARE(completed->mouseCount, 3);
        QCOMPARE(completed->intervals.size(), 2);
        QVERIFY(!completed->intervals[0].isOpen() && !completed->intervals[1].isOpen());
        QVERIFY(log.contains(
            QStringLiteral("Tracking stopped, session %1").arg(UuidText::format(started.id))));
    }

    void pausedAndResumedNTimesHasNPlusOneIntervals()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(std::nullopt);
        QCOMPARE(manager.currentSession()->projectId, QString());
        QCOMPARE(manager.currentSession()->projectName, QString());
        QCOMPARE(manager.selectedProjectId(), QString());

        for (int round = 0; round < 3; ++round) {
            fixture.clock.advance(10.0);
            manager.pauseTracking();
            fixture.clock.advance(5.0);
            manager.resumeTracking();
        }
        fixture.clock.advance(10.0);
        manager.stopTracking(std::nullopt);
        fixture.runUploads();

        const auto completed = fixture.uploadQueue.lastSession("finalHeartbeatTask");
        QVERIFY(completed);
        QCOMPARE(completed->intervals.size(), 4);
        QCOMPARE(completed->reportedTotalSeconds, 40);
        QCOMPARE(fixture.storedHistory().value(0).totalSeconds, 40.0);
    }

    void wrongStateCallsChangeNothing()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        QSignalSpy anyChange(&manager, &SessionManager::currentSessionChanged);

        manager.pauseTracking();
        manager.resumeTracking();
        manager.stopTracking(QStringLiteral("idle"));
        QVERIFY(!manager.isTracking());
        QVERIFY(!manager.lastStatusMessage());
        QCOMPARE(anyChange.count(), 0);
        QVERIFY(!fixture.storedActiveSession());
        QVERIFY(fixture.storedHistory().isEmpty());

        manager.startTracking(payroll);
        fixture.runUploads();
        const Session running = *manager.currentSession();
        const int checksAfterStart = fixture.screenChecks;
        fixture.uploadQueue.clear();

        fixture.clock.advance(20.0);
        manager.startTracking(RemoteProject{QStringLiteral("p2"), QStringLiteral("Audit")});
        manager.resumeTracking();
        QCOMPARE(manager.currentSession(), running);
        QCOMPARE(manager.selectedProjectId(), payroll.id);
        QCOMPARE(fixture.screenChecks, checksAfterStart);
        QVERIFY(!manager.lastStatusMessage());

        manager.pauseTracking();
        const Session paused = *manager.currentSession();
        fixture.clock.advance(5.0);
        manager.pauseTracking();
        QCOMPARE(manager.currentSession(), paused);
        QCOMPARE(fixture.storedActiveSession(), paused);
        fixture.runUploads();
        QVERIFY(fixture.uploadQueue.calls().isEmpty());
    }

    void permissionChecksGateTheStart_data()
    {
        QTest::addColumn<QList<bool>>("screenAnswers");
        QTest::addColumn<bool>("inputAllowed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("inputChecks");
        QTest::addColumn<bool>("permissionLost");

        QTest::newRow("screen denied: input never asked")
            << QList<bool>{false} << true << "Required permissions are not granted." << 0 << false;
        QTest::newRow("input denied")
            << QList<bool>{true} << false << "Required permissions are not granted." << 1 << false;
        QTest::newRow("screen lost between the two probes")
            << QList<bool>{true, false} << true
            << "Screen recording permission is required to start tracking." << 1 << true;
    }

    void permissionChecksGateTheStart()
    {
        QFETCH(QList<bool>, screenAnswers);
        QFETCH(bool, inputAllowed);
        QFETCH(QString, message);
        QFETCH(int, inputChecks);
        QFETCH(bool, permissionLost);

        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        fixture.screenAnswers = screenAnswers;
        fixture.inputAllowed = inputAllowed;

        manager.startTracking(payroll);
        QCOMPARE(manager.lastStatusMessage(), message);
        QCOMPARE(fixture.inputChecks, inputChecks);
        QCOMPARE(manager.screenRecordingPermissionLost(), permissionLost);
        QCOMPARE(fixture.settings.boolean("screenRecordingPermissionLost").value_or(false),
                 permissionLost);
        QVERIFY(!manager.isTracking());
        QVERIFY(!manager.currentSession());
        QVERIFY(!manager.isTickerRunning());
        QVERIFY(!fixture.captureService->isScheduled());
        QVERIFY(!fixture.storedActiveSession());
        fixture.runUploads();
        QVERIFY(fixture.uploadQueue.calls().isEmpty());

        // A successful start clears the message.
        fixture.screenAnswers.clear();
        fixture.inputAllowed = true;
        manager.startTracking(payroll);
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.lastStatusMessage());
    }

    void systemPermissionChecksAskThePlatformProbe()
    {
        auto probe = std::make_shared<FakePermissionProbe>();
        PermissionService::setProbe(probe);
        const auto checks = SessionManager::PermissionChecks::system();
        probe->screenAllowed = false;
        QVERIFY(!checks.canCaptureScreen());
        probe->screenAllowed = true;
        probe->inputAllowed = false;
        QVERIFY(checks.canCaptureScreen());
        QVERIFY(!checks.canMonitorInput());
        QCOMPARE(probe->screenChecks.load(), 2);
        QCOMPARE(probe->inputChecks.load(), 1);
        PermissionService::setProbe(nullptr);
    }

    void stopReasonSetsTheMessage()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        manager.stopTracking(QStringLiteral("idle"));
        QCOMPARE(manager.lastStatusMessage(), QStringLiteral("Tracking stopped: idle"));

        // A stop without a reason leaves the last message in place.
        manager.startTracking(payroll);
        QVERIFY(!manager.lastStatusMessage());
        manager.handleIdleEnded(); // no configuration: ask
        const auto idleQuestion = manager.lastStatusMessage();
        QCOMPARE(idleQuestion,
                 QStringLiteral("You were idle. Continue tracking or stop the session."));
        manager.stopTracking(std::nullopt);
        QCOMPARE(manager.lastStatusMessage(), idleQuestion);
    }

    void negativeTotalIsBilledAsZero()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        // The wall clock stepped back before the stop.
        fixture.clock.advance(-500.0);
        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.lastSession("finalHeartbeatTask")->reportedTotalSeconds, 0);
    }

    void storedUnfinishedSessionIsOfferedAtLaunch()
    {
        EngineFixture fixture;
        Session unfinished;
        unfinished.id = QUuid::createUuid();
        unfinished.deviceId = QStringLiteral("D");
        unfinished.projectId = payroll.id;
        unfinished.projectName = payroll.name;
        unfinished.intervals = {TrackingInterval{QUuid::createUuid(), fixture.at(-600), {}}};
        fixture.store->saveActiveSession(unfinished);

        SessionManager &manager = fixture.createManager();
        QCOMPARE(manager.interruptedSession(), unfinished);
        QVERIFY(manager.hasInterruptedSession());
        QCOMPARE(manager.lastStatusMessage(), QStringLiteral("Recovered interrupted session %1.")
                                                  .arg(UuidText::format(unfinished.id)));
        // Nothing starts by itself.
        QVERIFY(!manager.isTracking());
        QVERIFY(!manager.isTickerRunning());
        QVERIFY(!fixture.tracker->isRunning());
        QVERIFY(!fixture.idleDetector->isRunning());
    }

    void withoutChosenCompanyNothingIsOffered()
    {
        EngineFixture fixture;
        Session unfinished;
        unfinished.id = QUuid::createUuid();
        unfinished.intervals = {TrackingInterval{QUuid::createUuid(), fixture.at(-600), {}}};
        // Stored while no company was chosen, in the "global" partition.
        fixture.domainStorage.setBaseURL(std::nullopt);
        fixture.store->saveActiveSession(unfinished);
        QVERIFY(fixture.store->loadActiveSession());

        SessionManager &manager = fixture.createManager();
        QVERIFY(!manager.interruptedSession());
        QVERIFY(!manager.lastStatusMessage());
    }

    void permissionLostFlagIsRestoredAndKept()
    {
        EngineFixture fixture;
        fixture.settings.setBoolean("screenRecordingPermissionLost", true);
        SessionManager &manager = fixture.createManager();
        QVERIFY(manager.screenRecordingPermissionLost());
        manager.setScreenRecordingPermissionLost(false);
        QCOMPARE(fixture.settings.boolean("screenRecordingPermissionLost"), false);
    }

    void applyConfigFixesTheSelection_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("withProjects");
        QTest::addColumn<QString>("expected");

        QTest::newRow("still offered") << "p2" << true << "p2";
        QTest::newRow("no longer offered: first project") << "gone" << true << "p1";
        QTest::newRow("empty selection stays empty") << "" << true << "";
        QTest::newRow("empty project list leaves it") << "gone" << false << "gone";
    }

    void applyConfigFixesTheSelection()
    {
        QFETCH(QString, selected);
        QFETCH(bool, withProjects);
        QFETCH(QString, expected);

        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.setSelectedProjectId(selected);
        RemoteConfig config = EngineFixture::config(std::nullopt, true);
        if (!withProjects)
            config.projects.clear();
        manager.applyConfig(config);
        QCOMPARE(manager.selectedProjectId(), expected);
        QCOMPARE(manager.config(), config);
    }

    void applyConfigStoresTheAPITimeZone()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        const QString key = QString::fromLatin1(APITimeZoneResolver::storageKey);

        RemoteConfig config = EngineFixture::config(std::nullopt, true);
        config.appTimezone = QStringLiteral(" Asia/Jakarta\n");
        manager.applyConfig(config);
        QCOMPARE(fixture.settings.string(key), QStringLiteral("Asia/Jakarta"));

        config.appTimezone = QStringLiteral("Europe/../Asia/Jakarta");
        manager.applyConfig(config);
        QCOMPARE(fixture.settings.string(key), APITimeZoneResolver::systemTimezoneIdentifier());

        manager.applyConfig(config);
        manager.applyConfig(std::nullopt);
        QVERIFY(!manager.config());
        QCOMPARE(fixture.settings.string(key), APITimeZoneResolver::systemTimezoneIdentifier());
    }

    void applyConfigLeavesARunningCaptureScheduleAlone()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(EngineFixture::config(std::nullopt, true, 5, 10));
        manager.startTracking(payroll);
        QCOMPARE(fixture.captureService->intervalSeconds(), 600.0);

        manager.applyConfig(EngineFixture::config(std::nullopt, true, 5, 2));
        QCOMPARE(fixture.captureService->intervalSeconds(), 600.0);

        // The next start of the schedule takes the new interval.
        manager.pauseTracking();
        manager.resumeTracking();
        QCOMPARE(fixture.captureService->intervalSeconds(), 120.0);
    }

    void captureIntervalDefaultsAndFloor_data()
    {
        QTest::addColumn<std::optional<qint64>>("configuredMinutes");
        QTest::addColumn<double>("expectedSeconds");
        QTest::newRow("no configuration") << std::optional<qint64>() << 300.0;
        QTest::newRow("configured") << std::optional<qint64>(3) << 180.0;
        QTest::newRow("zero") << std::optional<qint64>(0) << 60.0;
        QTest::newRow("negative") << std::optional<qint64>(-4) << 60.0;
    }

    void captureIntervalDefaultsAndFloor()
    {
        QFETCH(std::optional<qint64>, configuredMinutes);
        QFETCH(double, expectedSeconds);
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        if (configuredMinutes)
            manager.applyConfig(EngineFixture::config(std::nullopt, true, 5, *configuredMinutes));
        manager.startTracking(payroll);
        QCOMPARE(fixture.captureService->intervalSeconds(), expectedSeconds);
    }

    void captureCyclesFollowTheSession()
    {
        EngineFixture fixture;
        {
            const std::lock_guard lock(fixture.displays->mutex);
            fixture.displays->displays = {DisplayInfo{"A", QRect(0, 0, 640, 480)}};
        }
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        fixture.captureService->tickNow();
        {
            const std::lock_guard lock(fixture.displays->mutex);
            QCOMPARE(fixture.displays->captureCount, 1);
            // The screen becomes unreadable.
            fixture.displays->listStatus = DisplayCaptureStatus::AccessDenied;
            fixture.displays->captureStatusByIndex.insert(0, DisplayCaptureStatus::AccessDenied);
        }
        fixture.captureService->tickNow();
        QTRY_VERIFY(!manager.isTracking());
        QVERIFY(manager.screenRecordingPermissionLost());
        QCOMPARE(fixture.settings.boolean("screenRecordingPermissionLost"), true);
        QCOMPARE(manager.lastStatusMessage(),
                 QStringLiteral("Tracking stopped: screenRecordingRevoked"));
        QCOMPARE(fixture.storedHistory().size(), 1);
    }

    void tickerKeepsFiguresLive()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;

        // Under one second tracked, the snapshot is taken for 1 s: 1 active second of 1 = 100.
        fixture.tracker->recordActiveSecondForSession();
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 2));
        for (int tick = 1; tick <= 4; ++tick)
            manager.updateLiveMetrics();
        QCOMPARE(manager.keyboardEvents(), 0);
        manager.updateLiveMetrics();
        QCOMPARE(manager.keyboardEvents(), 2);
        QCOMPARE(manager.activityScore(), 100.0);

        // The start wrote the first heartbeat mark; the ticker writes the next with the 10th tick.
        for (int tick = 6; tick <= 9; ++tick) {
            fixture.clock.advance(1.0);
            manager.updateLiveMetrics();
        }
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), fixture.at(0));
        fixture.clock.advance(1.0);
        manager.updateLiveMetrics();
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), fixture.clock.now());
        for (int tick = 11; tick <= 60; ++tick) {
            fixture.clock.advance(1.0);
            manager.updateLiveMetrics();
        }
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), fixture.clock.now());
        QCOMPARE(manager.elapsedSeconds(), 55.0);

        // Paused: the counters and the mark do not move, whatever the tracker holds.
        manager.pauseTracking();
        const Timestamp pauseMark = fixture.clock.now();
        fixture.tracker->seed(50, 60);
        for (int tick = 0; tick < 70; ++tick) {
            fixture.clock.advance(1.0);
            manager.updateLiveMetrics();
        }
        QCOMPARE(manager.mouseMoves(), 0);
        QCOMPARE(manager.keyboardEvents(), 2);
        QCOMPARE(manager.elapsedSeconds(), 55.0);
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), pauseMark);
    }

    void theTimerDrivesTheTicks()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        fixture.clock.advance(7.0);
        QTRY_COMPARE_WITH_TIMEOUT(manager.elapsedSeconds(), 7.0, 3000);
    }

    void resumeResetsSnapshotCountButNotHeartbeatCount()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;
        for (int tick = 0; tick < 28; ++tick) { // 5 snapshots and 3 ticks towards the 6th
            fixture.clock.advance(1.0);
            manager.updateLiveMetrics();
        }
        manager.pauseTracking();
        fixture.clock.advance(10.0);
        manager.resumeTracking();
        const Timestamp resumedAt = fixture.clock.now();
        for (int tick = 0; tick < 4; ++tick) {
            fixture.clock.advance(1.0);
            manager.updateLiveMetrics();
        }
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), resumedAt);
        // The snapshot count restarted at resume: the 6th snapshot, the second of a mark's
        // pair, needs the 5th tick.
        fixture.clock.advance(1.0);
        manager.updateLiveMetrics();
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(id), fixture.clock.now());
    }

    void lastFiveMinutesRate()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.recordLast5MinInput(true); // not tracking: not recorded
        QVERIFY(!manager.last5MinActivityRate());

        manager.startTracking(payroll);
        manager.recordLast5MinInput(false);
        QCOMPARE(manager.last5MinActivityRate(), 0.0);
        for (int second = 1; second < 300; ++second)
            manager.recordLast5MinInput(second % 2 == 1);
        QCOMPARE(manager.last5MinActivityRate(), 50.0);

        // The window holds 300 seconds: the oldest (without input) drops out.
        manager.recordLast5MinInput(true);
        QCOMPARE(manager.last5MinActivityRate(), 151.0 / 300.0 * 100.0);

        manager.pauseTracking();
        manager.recordLast5MinInput(true);
        QCOMPARE(manager.last5MinActivityRate(), 151.0 / 300.0 * 100.0);

        manager.stopTracking(std::nullopt);
        QVERIFY(!manager.last5MinActivityRate());
        manager.startTracking(payroll);
        manager.recordLast5MinInput(true);
        QCOMPARE(manager.last5MinActivityRate(), 100.0);
    }

    void segmentTickInputCountsActiveSecondsOnlyWhileEligible()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 2));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, 1));

        const auto tracked = manager.segmentTickInput();
        QVERIFY(tracked.hadInput && tracked.isTracked);
        QCOMPARE(tracked.keyboardDelta, 2);
        QCOMPARE(tracked.mouseDelta, 1);
        QCOMPARE(fixture.tracker->activeSecondsCount(), 1);

        const auto quiet = manager.segmentTickInput();
        QVERIFY(!quiet.hadInput);
        QCOMPARE(quiet.keyboardDelta, 0);

        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 1));
        manager.pauseTracking();
        const auto paused = manager.segmentTickInput();
        QVERIFY(paused.hadInput);
        QVERIFY(!paused.isTracked);
        QCOMPARE(paused.keyboardDelta, 1);
        QCOMPARE(fixture.tracker->activeSecondsCount(), 1);
        // Consumed even though not tracked.
        QVERIFY(!manager.segmentTickInput().hadInput);
    }

    void releasingTheManagerStopsItsMachinery()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const auto stored = fixture.storedActiveSession();
        fixture.destroyManager();
        QVERIFY(!fixture.tracker->isRunning());
        QVERIFY(!fixture.idleDetector->isRunning());
        QVERIFY(!fixture.captureService->isScheduled());
        // A quit keeps the session stored as active, and its start upload still goes out.
        QCOMPARE(fixture.storedActiveSession(), stored);
        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.operations(),
                 (QStringList{"sessionStartTask", "processQueue"}));
    }

    void sessionEndedAfterItsCompanyWasClearedStaysWithThatCompany()
    {
        EngineFixture fixture;
        const QUrl acme(QStringLiteral("https://acme.example/api/v1/"));
        fixture.domainStorage.setBaseURL(acme);
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid started = manager.currentSession()->id;
        fixture.runUploads();
        fixture.uploadQueue.clear();
        fixture.clock.advance(60.0);

        // A refused refresh clears the company address before tracking is stopped.
        fixture.domainStorage.setBaseURL(std::nullopt);
        manager.stopTracking(QStringLiteral("signed out"));
        fixture.runUploads();
        QCOMPARE(
            fixture.uploadQueue.operations(),
            (QStringList{"finalHeartbeatTask", "enqueueScreenshotsForSession", "processQueue"}));
        QCOMPARE(fixture.uploadQueue.calls().at(1).sessionId, started);
        QCOMPARE(fixture.uploadQueue.calls().at(1).domainKey, QStringLiteral("acme.example"));
        QVERIFY(fixture.store->loadAllActiveSessions().isEmpty());
        QVERIFY(fixture.storedHistory().isEmpty());

        // Signed in to that company again: the session is finished there, not running.
        fixture.domainStorage.setBaseURL(acme);
        QVERIFY(fixture.store->loadAllActiveSessions().isEmpty());
        QCOMPARE(fixture.storedHistory().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionManager)
#include "TestSessionManager.moc"
