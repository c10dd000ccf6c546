#include "EngineFixture.h"

#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"
#include "support/LogCapture.h"
#include "tracking/engine/TrackingHeartbeat.h"

#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
constexpr qint64 noIdleMinutes = 100'000;

RemoteConfig utcConfig()
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, noIdleMinutes);
    config.appTimezone = QStringLiteral("UTC");
    return config;
}

TrackingInterval interval(Timestamp start, std::optional<Timestamp> stop = std::nullopt)
{
    return TrackingInterval{QUuid::createUuid(), start, stop};
}

// A session left active by a program that is gone, with its heartbeat mark when given.
Session leaveUnfinished(EngineFixture &fixture, QList<TrackingInterval> intervals,
                        std::optional<Timestamp> mark = std::nullopt)
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("device");
    session.projectId = payroll.id;
    session.projectName = payroll.name;
    session.intervals = std::move(intervals);
    fixture.store->saveActiveSession(session);
    if (mark)
        TrackingHeartbeat(fixture.settings).record(session.id, *mark);
    return session;
}

SessionManager &managerAt(EngineFixture &fixture, Timestamp now)
{
    fixture.clock.set(now);
    fixture.settings.setString(QStringLiteral("com.wendoka.zuvevivezid.apiTimezoneIdentifier"),
                               QStringLiteral("UTC"));
    SessionManager &manager = fixture.createManager();
    manager.applyConfig(utcConfig());
    return manager;
}

std::optional<Session> queuedUpload(EngineFixture &fixture)
{
    fixture.runUploads();
    return fixture.uploadQueue.lastSession(QStringLiteral("finalHeartbeatTask"));
}

} // namespace

class TestSessionManagerRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recoverOffersTheCompanysUnfinishedSession()
    {
        EngineFixture fixture;
        const Session stored = leaveUnfinished(fixture, {interval(fixture.at(-600))});
        SessionManager &manager = managerAt(fixture, fixture.at(0));
        manager.recoverInterruptedSessionForCurrentDomain();
        QCOMPARE(manager.interruptedSession(), stored);
        QCOMPARE(
            manager.lastStatusMessage(),
            QStringLiteral("Recovered interrupted session %1.").arg(UuidText::format(stored.id)));

        // Without a company nothing is offered, not even a refresh of today's figure.
        fixture.domainStorage.setBaseURL(std::nullopt);
        manager.recoverInterruptedSessionForCurrentDomain();
        QVERIFY(!manager.interruptedSession());
        QVERIFY(!manager.lastStatusMessage());
    }

    void resumeClosesTheOpenIntervalAtTheLastSignOfLife_data()
    {
        QTest::addColumn<std::optional<double>>("markAfterStart");
        QTest::addColumn<double>("billedSeconds");
        QTest::addColumn<bool>("staleLine");
        QTest::addColumn<double>("nowAfterStart");

        QTest::newRow("no mark") << std::optional<double>() << 0.0 << false << 3600.0;
        QTest::newRow("mark before the start")
            << std::optional<double>(-60.0) << 0.0 << true << 3600.0;
        QTest::newRow("mark after ten minutes")
            << std::optional<double>(600.0) << 600.0 << false << 3600.0;
        // The clock reads earlier than it did when the mark was written (a hardware clock not
        // yet corrected): what the mark saw is kept.
        QTest::newRow("mark after now")
            << std::optional<double>(7200.0) << 7200.0 << false << 3600.0;
        QTest::newRow("clock before the start")
            << std::optional<double>(3000.0) << 3000.0 << false << -600.0;
    }

    void resumeClosesTheOpenIntervalAtTheLastSignOfLife()
    {
        QFETCH(std::optional<double>, markAfterStart);
        QFETCH(double, billedSeconds);
        QFETCH(bool, staleLine);
        QFETCH(double, nowAfterStart);

        EngineFixture fixture;
        const Timestamp start = fixture.at(0);
        std::optional<Timestamp> mark;
        if (markAfterStart)
            mark = start.addingSeconds(*markAfterStart);
        const Session stored = leaveUnfinished(fixture, {interval(start)}, mark);
        const Timestamp now = fixture.at(nowAfterStart);
        SessionManager &manager = managerAt(fixture, now);
        LogCapture log;

        manager.resumeInterruptedSession();
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.isPaused());
        QVERIFY(!manager.interruptedSession());
        const Session resumed = *manager.currentSession();
        QCOMPARE(resumed.id, stored.id);
        QCOMPARE(resumed.intervals.size(), 2);
        QCOMPARE(resumed.intervals[0].stoppedAt, start.addingSeconds(billedSeconds));
        QCOMPARE(resumed.intervals[1].startedAt, now);
        QVERIFY(resumed.intervals[1].isOpen());
        QCOMPARE(fixture.storedActiveSession(), resumed);
        QCOMPARE(TrackingHeartbeat(fixture.settings).load(stored.id), now);
        QCOMPARE(log.contains(QStringLiteral("Stale heartbeat on recovery")), staleLine);
        QVERIFY(manager.isTickerRunning());
        QVERIFY(fixture.captureService->isScheduled());
        QCOMPARE(manager.todayTotalSeconds(), billedSeconds);
        fixture.runUploads();
        QCOMPARE(fixture.uploadQueue.lastSession(QStringLiteral("sessionStartTask")), resumed);
    }

    void resumeCarriesTheStoredCountsOn()
    {
        EngineFixture fixture;
        Session stored = leaveUnfinished(fixture, {interval(fixture.at(0), fixture.at(1000))});
        stored.mouseCount = 400;
        stored.keyboardCount = 300;
        stored.activityScore = 50.0;
        fixture.store->saveActiveSession(stored);
        SessionManager &manager = managerAt(fixture, fixture.at(2000));
        manager.resumeInterruptedSession();
        QCOMPARE(manager.currentSession()->intervals.size(), 2);

        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 2));
        fixture.clock.set(fixture.at(3000));
        manager.handleCaptureComplete();
        QCOMPARE(manager.currentSession()->keyboardCount, 302);
        QCOMPARE(manager.currentSession()->mouseCount, 400);
        // 500 active seconds of the first 1000 carry on into a total of 2000.
        QCOMPARE(manager.currentSession()->activityScore, 25.0);
        QCOMPARE(fixture.storedActiveSession()->keyboardCount, 302);
    }

    void crossDayResumeCompletesTheOldSessionAndStartsANewOne()
    {
        EngineFixture fixture;
        // Yesterday 08:00-09:00, then 22:00 until the program died at 22:05.
        const Timestamp yesterday = fixture.at(-86400.0);
        const Session stored =
            leaveUnfinished(fixture,
                            {interval(yesterday, yesterday.addingSeconds(3600.0)),
                             interval(yesterday.addingSeconds(14 * 3600.0))},
                            yesterday.addingSeconds(14 * 3600.0 + 300.0));
        SessionManager &manager = managerAt(fixture, fixture.at(0));
        manager.resumeInterruptedSession();

        const std::optional<Session> completed = queuedUpload(fixture);
        QVERIFY(completed);
        QCOMPARE(completed->id, stored.id);
        QCOMPARE(completed->status, SessionStatus::Completed);
        QCOMPARE(completed->reportedTotalSeconds, 3600 + 300);
        QVERIFY(!fixture.openSecondStore()->loadAllActiveSessions().contains(stored));

        QVERIFY(manager.isTracking());
        QVERIFY(manager.currentSession()->id != stored.id);
        QCOMPARE(manager.currentSession()->projectId, payroll.id);
        QVERIFY(!manager.crossDayAutoCompletedProject());
        QVERIFY(!manager.lastStatusMessage());
        // The completing path leaves the mark in place.
        QVERIFY(TrackingHeartbeat(fixture.settings).load(stored.id));
    }

    void crossDayDiscardClampsToTheEndOfTheFirstDay_data()
    {
        QTest::addColumn<QList<TrackingInterval>>("intervals");
        QTest::addColumn<std::optional<double>>("markAfterYesterday8");
        QTest::addColumn<qint64>("billed");

        const EngineFixture times;
        const Timestamp y8 = times.at(-86400.0); // yesterday 08:00 UTC
        const auto after = [&](double hours) {
            return y8.addingSeconds(hours * 3600.0);
        };
        // The program kept marking past midnight: the open interval stops at 23:59:59.999.
        QTest::newRow("open past midnight")
            << QList<TrackingInterval>{interval(after(0), after(1)), interval(after(15))}
            << std::optional<double>(19.0) << qint64(3600 + 3599);
        // The first interval decides: one that began yesterday makes the session cross-day.
        QTest::newRow("last interval started today")
            << QList<TrackingInterval>{interval(after(0), after(1)), interval(after(23))}
            << std::optional<double>(23.5) << qint64(3600);
        QTest::newRow("closed intervals after midnight are dropped")
            << QList<TrackingInterval>{interval(after(0), after(1)), interval(after(17), after(18))}
            << std::optional<double>() << qint64(3600);
    }

    void crossDayDiscardClampsToTheEndOfTheFirstDay()
    {
        QFETCH(QList<TrackingInterval>, intervals);
        QFETCH(std::optional<double>, markAfterYesterday8);
        QFETCH(qint64, billed);

        EngineFixture fixture;
        std::optional<Timestamp> mark;
        if (markAfterYesterday8)
            mark = fixture.at(-86400.0 + *markAfterYesterday8 * 3600.0);
        leaveUnfinished(fixture, intervals, mark);
        SessionManager &manager = managerAt(fixture, fixture.at(0));
        manager.discardInterruptedSession();

        QCOMPARE(queuedUpload(fixture)->reportedTotalSeconds, billed);
        QVERIFY(!manager.interruptedSession());
        QVERIFY(!manager.isTracking());
        QCOMPARE(manager.lastStatusMessage(),
                 QStringLiteral("Previous session was ended because it crossed midnight."));
        QCOMPARE(manager.crossDayAutoCompletedProject(), payroll);
        QCOMPARE(manager.selectedProjectId(), payroll.id);
    }

    // A crash at 10:00 and a start at 15:00 bill up to 10:00, not five hours nobody worked.
    void staleSessionsAreBilledOnlyUpToTheirMark_data()
    {
        QTest::addColumn<bool>("byDiscard");
        QTest::newRow("start") << false;
        QTest::newRow("discard") << true;
    }

    void staleSessionsAreBilledOnlyUpToTheirMark()
    {
        QFETCH(bool, byDiscard);
        EngineFixture fixture;
        const Session newest =
            leaveUnfinished(fixture, {interval(fixture.at(0))}, fixture.at(2 * 3600.0));
        fixture.clock.set(fixture.at(-3600));
        const Session older = leaveUnfinished(fixture, {interval(fixture.at(-3600))});
        const Session empty = leaveUnfinished(fixture, {});
        SessionManager &manager = managerAt(fixture, fixture.at(7 * 3600.0));
        LogCapture log;

        if (byDiscard)
            manager.discardInterruptedSession();
        else
            manager.startTracking(payroll);

        const auto active = fixture.openSecondStore()->loadAllActiveSessions();
        QCOMPARE(active.size(), byDiscard ? 0 : 1);
        QVERIFY(!manager.interruptedSession());
        fixture.runUploads();
        QHash<QUuid, qint64> billed;
        for (const auto &call : fixture.uploadQueue.calls()) {
            if (call.operation == u"finalHeartbeatTask")
                billed.insert(call.sessionId, *call.session->reportedTotalSeconds);
        }
        QCOMPARE(billed.value(newest.id, -1), 2 * 3600);
        QCOMPARE(billed.value(older.id, -1), 0);
        QCOMPARE(billed.value(empty.id, -1), 0);
        QVERIFY(log.contains(
            QStringLiteral("Completed stale active session %1").arg(UuidText::format(newest.id))));
        // The completing path leaves the mark in place.
        QVERIFY(TrackingHeartbeat(fixture.settings).load(newest.id));
    }

    // A hardware clock not yet corrected after a reboot reads before the session began.
    void staleSessionUnderAnEarlierClockKeepsItsMark_data()
    {
        staleSessionsAreBilledOnlyUpToTheirMark_data();
    }

    void staleSessionUnderAnEarlierClockKeepsItsMark()
    {
        QFETCH(bool, byDiscard);
        EngineFixture fixture;
        const Session stored =
            leaveUnfinished(fixture, {interval(fixture.at(0))}, fixture.at(3000));
        SessionManager &manager = managerAt(fixture, fixture.at(-600));

        if (byDiscard)
            manager.discardInterruptedSession();
        else
            manager.startTracking(payroll);

        const std::optional<Session> completed = queuedUpload(fixture);
        QVERIFY(completed);
        QCOMPARE(completed->id, stored.id);
        QCOMPARE(completed->reportedTotalSeconds, 3000);
        QCOMPARE(completed->intervals.constLast().stoppedAt, fixture.at(3000));
    }

    void staleCompletionIsNotCountedAsWorkSinceTheServerFigure()
    {
        EngineFixture fixture;
        leaveUnfinished(fixture, {interval(fixture.at(0))}, fixture.at(600));
        SessionManager &manager = managerAt(fixture, fixture.at(3600));
        Q_EMIT NotificationHub::instance().serverTodayTotalDidUpdate(5000,
                                                                     QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 5000.0);
        manager.startTracking(payroll);
        QCOMPARE(manager.todayTotalSeconds(), 5000.0);
    }

    void sameDayDiscardWithoutCompanyCompletesNothing()
    {
        EngineFixture fixture;
        const Session stored = leaveUnfinished(fixture, {interval(fixture.at(0))});
        SessionManager &manager = managerAt(fixture, fixture.at(60));
        QVERIFY(manager.interruptedSession());
        fixture.domainStorage.setBaseURL(std::nullopt);
        manager.discardInterruptedSession();
        QVERIFY(!manager.interruptedSession());
        fixture.domainStorage.setBaseURL(QUrl(QStringLiteral("https://acme.example/api/v1/")));
        QCOMPARE(fixture.storedActiveSession(), stored);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerRecovery)
#include "TestSessionManagerRecovery.moc"
