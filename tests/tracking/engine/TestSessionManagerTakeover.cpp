#include "EngineFixture.h"

#include "foundation/UuidText.h"
#include "support/LogCapture.h"
#include "tracking/engine/TrackingHeartbeat.h"

#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};

// A manager whose idle threshold the fake clock's jumps never reach.
SessionManager &createAttentiveManager(EngineFixture &fixture)
{
    SessionManager &manager = fixture.createManager();
    manager.applyConfig(EngineFixture::config(QStringLiteral("pause"), true, 100'000));
    return manager;
}

} // namespace

class TestSessionManagerTakeover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCurrentSessionEndsHereOnceWithoutUpload_data()
    {
        QTest::addColumn<bool>("pausedFirst");
        QTest::newRow("running") << false;
        QTest::newRow("paused") << true;
    }

    void theCurrentSessionEndsHereOnceWithoutUpload()
    {
        QFETCH(bool, pausedFirst);
        EngineFixture fixture;
        SessionManager &manager = createAttentiveManager(fixture);
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;
        fixture.clock.set(fixture.at(600));
        if (pausedFirst) {
            manager.pauseTracking();
            fixture.clock.set(fixture.at(900));
        } else {
            for (int second = 0; second < 60; ++second)
                manager.updateLiveMetrics();
        }
        QVERIFY(TrackingHeartbeat(fixture.settings).load(id));
        fixture.runUploads();
        fixture.uploadQueue.clear();
        LogCapture log;

        manager.handleSessionTakenOver(id);
        QVERIFY(!manager.isTracking());
        QVERIFY(!manager.isPaused());
        QVERIFY(!manager.currentSession());
        QVERIFY(!manager.isTickerRunning());
        QVERIFY(!fixture.captureService->isScheduled());
        QVERIFY(!fixture.idleDetector->isRunning());
        QCOMPARE(manager.lastStatusMessage(),
                 QStringLiteral("Session was resumed on another device."));
        QVERIFY(log.contains(QStringLiteral("Session %1 closed locally after backend takeover.")
                                 .arg(UuidText::format(id))));
        QVERIFY(!fixture.storedActiveSession());
        QVERIFY(!TrackingHeartbeat(fixture.settings).load(id));
        const auto history = fixture.storedHistory();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].totalSeconds, 600.0);
        QCOMPARE(manager.todayTotalSeconds(), 600.0);

        // A repeated notice finds nothing to end.
        manager.handleSessionTakenOver(id);
        manager.handleSessionTakenOver();
        QCOMPARE(fixture.storedHistory().size(), 1);
        fixture.runUploads();
        QVERIFY(fixture.uploadQueue.calls().isEmpty());
    }

    void aLateNoticeAboutAFinishedSessionChangesNothing()
    {
        EngineFixture fixture;
        SessionManager &manager = createAttentiveManager(fixture);
        manager.startTracking(payroll);
        const QUuid finished = manager.currentSession()->id;
        fixture.clock.set(fixture.at(300));
        manager.stopTracking(std::nullopt);
        manager.startTracking(payroll);
        const Session running = *manager.currentSession();
        fixture.clock.set(fixture.at(400));
        LogCapture log;

        manager.handleSessionTakenOver(finished);
        QVERIFY(manager.isTracking());
        QCOMPARE(manager.currentSession(), running);
        QCOMPARE(fixture.storedActiveSession(), running);
        QCOMPARE(fixture.storedHistory().size(), 1);
        QVERIFY(!manager.lastStatusMessage());
        QVERIFY(log.contains(
            QStringLiteral("Takeover of session %1 ignored").arg(UuidText::format(finished))));
    }

    void aReportedTotalIsKept()
    {
        EngineFixture fixture;
        Session stored;
        stored.id = QUuid::createUuid();
        stored.intervals = {{QUuid::createUuid(), fixture.at(-60), std::nullopt}};
        stored.reportedTotalSeconds = 42;
        fixture.store->saveActiveSession(stored);
        SessionManager &manager = createAttentiveManager(fixture);
        fixture.settings.setReal(TrackingHeartbeat::key(stored.id),
                                 fixture.at(-30).secondsSince1970());
        manager.resumeInterruptedSession();
        manager.handleSessionTakenOver(stored.id);
        QCOMPARE(fixture.storedHistory().constFirst().totalSeconds, 42.0);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerTakeover)
#include "TestSessionManagerTakeover.moc"
