#include "EngineFixture.h"

#include "support/LogCapture.h"

#include <QTest>
#include <QTimeZone>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
// The fake clock jumps hours at a time; no idle period should pause the session meanwhile.
constexpr qint64 noIdleMinutes = 100'000;

SessionManager &managerIn(EngineFixture &fixture, const QString &zone)
{
    SessionManager &manager = fixture.createManager();
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, noIdleMinutes);
    config.appTimezone = zone;
    manager.applyConfig(config);
    return manager;
}

// The first midnight of the zone after the moment.
Timestamp nextMidnight(Timestamp moment, const QString &zone)
{
    const QTimeZone timeZone(zone.toLatin1());
    const QDate day = moment.toDateTime().toTimeZone(timeZone).date();
    return Timestamp::fromDateTime(day.addDays(1).startOfDay(timeZone));
}

void tickAt(EngineFixture &fixture, SessionManager &manager, Timestamp moment)
{
    fixture.clock.set(moment);
    manager.updateLiveMetrics();
}

std::optional<Session> completedSession(EngineFixture &fixture)
{
    fixture.runUploads();
    return fixture.uploadQueue.lastSession(QStringLiteral("finalHeartbeatTask"));
}

} // namespace

class TestSessionManagerMidnight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theAPIZoneDecidesWhenTheDayEnds_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::newRow("UTC+14") << QStringLiteral("Pacific/Kiritimati");
        QTest::newRow("UTC-11") << QStringLiteral("Pacific/Pago_Pago");
        QTest::newRow("UTC+5:45") << QStringLiteral("Asia/Kathmandu");
        QTest::newRow("UTC-3:30 (Newfoundland)") << QStringLiteral("America/St_Johns");
    }

    void theAPIZoneDecidesWhenTheDayEnds()
    {
        QFETCH(QString, zone);
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, zone);
        manager.startTracking(payroll);
        const Session old = *manager.currentSession();
        const Timestamp midnight = nextMidnight(fixture.at(0), zone);

        tickAt(fixture, manager, midnight.addingSeconds(-1.0));
        QCOMPARE(manager.currentSession()->id, old.id);

        fixture.runUploads();
        fixture.uploadQueue.clear();
        tickAt(fixture, manager, midnight.addingSeconds(0.2));
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isPaused());
        const Session next = *manager.currentSession();
        QVERIFY(next.id != old.id);
        QCOMPARE(next.projectId, old.projectId);
        QCOMPARE(next.deviceId, old.deviceId);
        QCOMPARE(next.intervals.size(), 1);
        QCOMPARE(next.intervals[0].startedAt, midnight.addingSeconds(0.2));
        QCOMPARE(fixture.storedActiveSession(), next);
        QVERIFY(manager.isTickerRunning());
        QVERIFY(fixture.captureService->isScheduled());

        const std::optional<Session> completed = completedSession(fixture);
        QVERIFY(completed);
        QCOMPARE(completed->id, old.id);
        QCOMPARE(completed->status, SessionStatus::Completed);
        QCOMPARE(completed->intervals[0].stoppedAt,
                 midnight.addingSeconds(-SessionManager::midnightEpsilonSeconds));
        QCOMPARE(completed->reportedTotalSeconds,
                 static_cast<qint64>(midnight - fixture.at(0)) - 1);
        // Both tasks were stored with their sessions; the passes are asked for afterwards.
        QCOMPARE(fixture.uploadQueue.operations(),
                 (QStringList{"finalHeartbeatTask", "sessionStartTask",
                              "enqueueScreenshotsForSession", "processQueue", "processQueue"}));
        // Today starts afresh: yesterday's session is not today's work.
        QCOMPARE(manager.todayTotalSeconds(), 0.0);
        tickAt(fixture, manager, midnight.addingSeconds(10.2));
        QCOMPARE(manager.todayTotalSeconds(), 10.0);
    }

    void aFractionOfASecondBeforeMidnightIsKept()
    {
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        const Timestamp midnight = nextMidnight(fixture.at(0), QStringLiteral("UTC"));
        fixture.clock.set(midnight.addingSeconds(-0.5));
        manager.startTracking(payroll);

        tickAt(fixture, manager, midnight.addingSeconds(0.2));
        const std::optional<Session> completed = completedSession(fixture);
        QVERIFY(completed);
        QVERIFY(qAbs(completed->totalSeconds(midnight) - 0.499) < 1e-6);
        QCOMPARE(manager.currentSession()->intervals[0].startedAt, midnight.addingSeconds(0.2));
    }

    void inputOfTheSecondUnderWayAtMidnightReachesTheSegments()
    {
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        manager.startTracking(payroll);
        const Timestamp midnight = nextMidnight(fixture.at(0), QStringLiteral("UTC"));
        tickAt(fixture, manager, midnight.addingSeconds(-0.4));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 4));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, 3));

        // The engine's tick finds the new day before the segment clock's tick reads the second.
        tickAt(fixture, manager, midnight.addingSeconds(0.2));
        QCOMPARE(manager.currentSession()->intervals[0].startedAt, midnight.addingSeconds(0.2));
        const SessionManager::SegmentTickInput input = manager.segmentTickInput();
        QVERIFY(input.hadInput);
        QCOMPARE(input.keyboardDelta, 4);
        QCOMPARE(input.mouseDelta, 3);
        // The day that ended keeps its keys; the new day's session counts from zero.
        const std::optional<Session> completed = completedSession(fixture);
        QVERIFY(completed);
        QCOMPARE(completed->keyboardCount, 4);
        QCOMPARE(fixture.tracker->snapshot(1.0).keyboardEvents, 0);
    }

    void aPausedSessionRollsOverIntoAPausedOne_data()
    {
        QTest::addColumn<bool>("resumed");
        QTest::newRow("then resumed") << true;
        // The new day's session tracked nothing and was never started at the service, so
        // nothing of it is sent.
        QTest::newRow("then stopped") << false;
    }

    void aPausedSessionRollsOverIntoAPausedOne()
    {
        QFETCH(bool, resumed);
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        manager.startTracking(payroll);
        fixture.clock.set(fixture.at(3600));
        manager.pauseTracking();
        const Timestamp midnight = nextMidnight(fixture.at(0), QStringLiteral("UTC"));

        tickAt(fixture, manager, midnight.addingSeconds(5.0));
        QVERIFY(manager.isPaused());
        QVERIFY(manager.currentSession()->intervals.isEmpty());
        QCOMPARE(completedSession(fixture)->reportedTotalSeconds, 3600);
        QVERIFY(!fixture.captureService->isScheduled());
        const QUuid next = manager.currentSession()->id;
        fixture.uploadQueue.clear();
        fixture.clock.set(midnight.addingSeconds(60.0));
        if (!resumed) {
            manager.stopTracking(std::nullopt);
            fixture.runUploads();
            QVERIFY(fixture.uploadQueue.calls().isEmpty());
            QVERIFY(!fixture.storedActiveSession());
            return;
        }

        // The new session's start goes out with its first interval, before any heartbeat.
        manager.resumeTracking();
        QCOMPARE(manager.currentSession()->intervals.size(), 1);
        QCOMPARE(manager.currentSession()->intervals[0].startedAt, midnight.addingSeconds(60.0));
        fixture.runUploads();
        const std::optional<Session> started =
            fixture.uploadQueue.lastSession(QStringLiteral("sessionStartTask"));
        QVERIFY(started);
        QCOMPARE(started->id, next);
        QCOMPARE(started->intervals.size(), 1);

        // A second resume starts nothing again.
        manager.pauseTracking();
        manager.resumeTracking();
        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.operations().count(QStringLiteral("sessionStartTask")), 1);
    }

    void aClockSetBackLosesNothing_data()
    {
        QTest::addColumn<double>("jumpTo"); // seconds after midnight
        QTest::newRow("into the previous day") << -1800.0;
        QTest::newRow("within the same day") << 30.0;
    }

    // Worked from 00:01 to 00:11, then the clock goes back; ten more minutes are worked.
    void aClockSetBackLosesNothing()
    {
        QFETCH(double, jumpTo);
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        const Timestamp midnight = nextMidnight(fixture.at(0), QStringLiteral("UTC"));
        fixture.clock.set(midnight.addingSeconds(60.0));
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;
        for (int second = 1; second <= 600; ++second)
            tickAt(fixture, manager, midnight.addingSeconds(60.0 + second));

        LogCapture log;
        fixture.runUploads();
        fixture.uploadQueue.clear();
        tickAt(fixture, manager, midnight.addingSeconds(jumpTo));
        QCOMPARE(manager.currentSession()->id, id);
        QVERIFY(manager.isTracking());
        QVERIFY(log.contains(QStringLiteral("Clock moved back")));
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
        QCOMPARE(manager.currentSession()->intervals[0].stoppedAt, midnight.addingSeconds(660.0));
        QCOMPARE(manager.currentSession()->intervals[1].startedAt, midnight.addingSeconds(jumpTo));
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());

        for (int second = 1; second <= 600; ++second)
            tickAt(fixture, manager, midnight.addingSeconds(jumpTo + second));
        QCOMPARE(log.count(QStringLiteral("Clock moved back")), 1);
        QCOMPARE(manager.currentSession()->id, id);
        manager.stopTracking(std::nullopt);
        QCOMPARE(completedSession(fixture)->reportedTotalSeconds, 1200);
        QVERIFY(!fixture.uploadQueue.operations().contains(QStringLiteral("sessionStartTask")));
    }

    void aClockSetForwardBillsOnlyTheTimeWorked_data()
    {
        QTest::addColumn<double>("startAt"); // seconds after midnight
        QTest::addColumn<double>("forwardBy");
        QTest::addColumn<bool>("suspended"); // the machine slept instead of the clock jumping
        QTest::addColumn<int>("completedSessions");
        QTest::addColumn<QString>("logged");
        QTest::newRow("within the day")
            << 3600.0 << 7200.0 << false << 1 << QStringLiteral("Clock moved forward by 7200s");
        QTest::newRow("into the next day") << -1200.0 << 8 * 3600.0 << false << 2
                                           << QStringLiteral("Clock moved forward by 28800s");
        QTest::newRow("a suspend is not a jump")
            << 3600.0 << 7200.0 << true << 1 << QStringLiteral("Missed a system suspend");
    }

    // Ten minutes worked, the clock set forward (or the machine asleep), ten more minutes.
    void aClockSetForwardBillsOnlyTheTimeWorked()
    {
        QFETCH(double, startAt);
        QFETCH(double, forwardBy);
        QFETCH(bool, suspended);
        QFETCH(int, completedSessions);
        QFETCH(QString, logged);
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        const Timestamp start =
            nextMidnight(fixture.at(0), QStringLiteral("UTC")).addingSeconds(startAt);
        fixture.clock.set(start);
        manager.startTracking(payroll);
        const auto workTenMinutes = [&] {
            for (int second = 0; second < 600; ++second) {
                fixture.clock.advance(1.0);
                manager.updateLiveMetrics();
            }
        };
        workTenMinutes();

        LogCapture log;
        if (suspended) {
            fixture.clock.advance(forwardBy);
            fixture.suspendClock.suspend(forwardBy);
        } else {
            fixture.clock.jump(forwardBy);
        }
        manager.updateLiveMetrics();
        QVERIFY(log.contains(logged));
        QCOMPARE(log.contains(QStringLiteral("Clock moved forward")), !suspended);
        const Session &afterJump = *manager.currentSession();
        QCOMPARE(afterJump.intervals.constLast().startedAt, start.addingSeconds(600.0 + forwardBy));
        QCOMPARE(fixture.storedActiveSession(), manager.currentSession());

        workTenMinutes();
        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        qint64 billed = 0;
        int completed = 0;
        for (const RecordingUploadQueue::Call &call : fixture.uploadQueue.calls()) {
            if (call.operation != QStringLiteral("finalHeartbeatTask"))
                continue;
            billed += *call.session->reportedTotalSeconds;
            ++completed;
        }
        QCOMPARE(completed, completedSessions);
        QCOMPARE(billed, 1200);
    }

    void aClockJumpOverSeveralDaysBillsOnlyTheIntervalsOwnDay()
    {
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        const Timestamp midnight = nextMidnight(fixture.at(0), QStringLiteral("UTC"));
        fixture.clock.set(midnight.addingSeconds(-3600.0));
        manager.startTracking(payroll);
        tickAt(fixture, manager, midnight.addingSeconds(2 * 86400.0 + 600.0));
        QCOMPARE(completedSession(fixture)->reportedTotalSeconds, 3599);
    }

    void nothingHappensWithoutARunningSession()
    {
        EngineFixture fixture;
        SessionManager &manager = managerIn(fixture, QStringLiteral("UTC"));
        tickAt(fixture, manager, fixture.at(86400.0));
        QVERIFY(!manager.currentSession());
        fixture.runUploads();
        QVERIFY(fixture.uploadQueue.calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerMidnight)
#include "TestSessionManagerMidnight.moc"
