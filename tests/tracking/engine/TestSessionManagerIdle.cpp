#include "EngineFixture.h"

#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
const QString idleQuestion =
    QStringLiteral("You were idle. Continue tracking or stop the session.");

// Starts a session at the fixture's start time with the configuration (none: no configuration).
SessionManager &startSession(EngineFixture &fixture, const std::optional<RemoteConfig> &config)
{
    SessionManager &manager = fixture.createManager();
    if (config)
        manager.applyConfig(config);
    manager.startTracking(payroll);
    return manager;
}

// The last key press at +60 s, idleness seen by the poll at +360 s (threshold 5 minutes).
void becomeIdle(EngineFixture &fixture)
{
    fixture.clock.set(fixture.at(60));
    QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown));
    fixture.clock.set(fixture.at(360));
    fixture.pollIdle();
}

// The user is back at +900 s; the input stream is closed during the idle pause, so the system's
// idle time tells.
void comeBack(EngineFixture &fixture)
{
    fixture.clock.set(fixture.at(900));
    fixture.systemIdleTime.setSeconds(0.0);
    fixture.pollIdle();
}

std::optional<qint64> billedSeconds(EngineFixture &fixture)
{
    fixture.runUploads();
    const auto completed = fixture.uploadQueue.lastSession("finalHeartbeatTask");
    return completed ? completed->reportedTotalSeconds : std::nullopt;
}

} // namespace

class TestSessionManagerIdle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idleBeginsWhenTheThresholdIsReachedExactly()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("ask", true));
        QVERIFY(fixture.settleIdleDetector());

        fixture.clock.set(fixture.at(10));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown));
        fixture.clock.set(fixture.at(309.5));
        fixture.pollIdle();
        QVERIFY(!manager.isIdle());
        QVERIFY(!manager.isPaused());

        fixture.clock.set(fixture.at(310));
        fixture.pollIdle();
        QVERIFY(manager.isIdle());
        QVERIFY(manager.isPaused());
        QVERIFY(manager.isTracking());
        QVERIFY(!manager.needsIdleDecision());
        QVERIFY(!manager.isCaptureEligible());
        const Session session = *manager.currentSession();
        QCOMPARE(session.idleDiscardCutoffAt, fixture.at(10));
        QCOMPARE(session.intervals.constLast().stoppedAt, fixture.at(310));
        QCOMPARE(fixture.storedActiveSession(), session);
        // The detector keeps polling through the idle pause to see the user come back.
        QVERIFY(fixture.idleDetector->isRunning());
    }

    void thresholdComesFromTheConfiguration_data()
    {
        QTest::addColumn<std::optional<qint64>>("minutes");
        QTest::addColumn<double>("thresholdSeconds");
        QTest::newRow("no configuration") << std::optional<qint64>() << 300.0;
        QTest::newRow("configured") << std::optional<qint64>(2) << 120.0;
        // Under a minute no company means: the default, as without one.
        QTest::newRow("zero is the default") << std::optional<qint64>(0) << 300.0;
        QTest::newRow("negative is the default") << std::optional<qint64>(-3) << 300.0;
    }

    void thresholdComesFromTheConfiguration()
    {
        QFETCH(std::optional<qint64>, minutes);
        QFETCH(double, thresholdSeconds);
        EngineFixture fixture;
        startSession(fixture, minutes ? std::optional(EngineFixture::config("ask", true, *minutes))
                                      : std::nullopt);
        QCOMPARE(fixture.idleDetector->thresholdSeconds(), thresholdSeconds);
    }

    void policyWhenTheUserComesBack_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::addColumn<std::optional<QString>>("idleAction");
        QTest::addColumn<bool>("discard");
        QTest::addColumn<QString>("outcome"); // "stopped", "paused" or "asked"
        QTest::addColumn<qint64>("billed");   // after the stop (the user's, where not stopped)

        const auto action = [](const char *text) {
            return std::optional<QString>(text);
        };
        QTest::newRow("stop, discard") << true << action("stop") << true << "stopped" << 60ll;
        QTest::newRow("stop, keep") << true << action("stop") << false << "stopped" << 360ll;
        QTest::newRow("pause, discard") << true << action("pause") << true << "paused" << 60ll;
        QTest::newRow("pause, keep") << true << action("pause") << false << "paused" << 360ll;
        QTest::newRow("ask, discard") << true << action("ask") << true << "asked" << 60ll;
        QTest::newRow("ask, keep") << true << action("ask") << false << "asked" << 360ll;
        QTest::newRow("other word asks") << true << action("Stop") << true << "asked" << 60ll;
        QTest::newRow("no action asks")
            << true << std::optional<QString>() << false << "asked" << 360ll;
        QTest::newRow("no configuration: ask, discard")
            << false << std::optional<QString>() << true << "asked" << 60ll;
    }

    void policyWhenTheUserComesBack()
    {
        QFETCH(bool, configured);
        QFETCH(std::optional<QString>, idleAction);
        QFETCH(bool, discard);
        QFETCH(QString, outcome);
        QFETCH(qint64, billed);

        EngineFixture fixture;
        SessionManager &manager = startSession(
            fixture,
            configured ? std::optional(EngineFixture::config(idleAction, discard)) : std::nullopt);
        int questions = 0;
        manager.setOnNeedsIdleDecision([&questions] { ++questions; });
        QVERIFY(fixture.settleIdleDetector());

        becomeIdle(fixture);
        QVERIFY(manager.isIdle());
        comeBack(fixture);

        if (outcome == u"stopped") {
            QVERIFY(!manager.isTracking());
            QCOMPARE(manager.lastStatusMessage(), QStringLiteral("Tracking stopped: idle"));
            QCOMPARE(questions, 0);
        } else if (outcome == u"paused") {
            QVERIFY(manager.isTracking() && manager.isPaused() && manager.isIdle());
            QVERIFY(!manager.needsIdleDecision());
            QCOMPARE(questions, 0);
            manager.stopTracking(std::nullopt);
        } else {
            QVERIFY(manager.isTracking() && manager.isPaused() && manager.isIdle());
            QVERIFY(manager.needsIdleDecision());
            QCOMPARE(manager.lastStatusMessage(), idleQuestion);
            QCOMPARE(questions, 1);
            // The user answers Stop.
            manager.stopTracking(QStringLiteral("idle"));
        }
        QCOMPARE(billedSeconds(fixture), billed);
        QCOMPARE(fixture.storedHistory().value(0).totalSeconds, static_cast<double>(billed));
        QVERIFY(!fixture.storedActiveSession());
    }

    void continuingKeepsTheIdleMinutes()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("ask", true));
        QVERIFY(fixture.settleIdleDetector());
        becomeIdle(fixture);
        comeBack(fixture);
        QVERIFY(manager.needsIdleDecision());

        // The user answers Continue.
        manager.resumeTracking();
        QVERIFY(!manager.isIdle() && !manager.isPaused() && !manager.needsIdleDecision());
        QVERIFY(!manager.currentSession()->idleDiscardCutoffAt);
        QCOMPARE(manager.currentSession()->intervals.size(), 2);
        QVERIFY(fixture.settleIdleDetector());

        fixture.clock.set(fixture.at(1000));
        manager.stopTracking(std::nullopt);
        QCOMPARE(billedSeconds(fixture), 360 + 100);
    }

    void askIsRaisedOncePerIdlePeriod()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("ask", true));
        int questions = 0;
        manager.setOnNeedsIdleDecision([&questions] { ++questions; });
        QVERIFY(fixture.settleIdleDetector());
        becomeIdle(fixture);
        comeBack(fixture);
        QCOMPARE(questions, 1);

        // Unanswered, the user goes and comes back again: no second question.
        fixture.clock.set(fixture.at(1300));
        fixture.systemIdleTime.setSeconds(400.0);
        fixture.pollIdle();
        fixture.systemIdleTime.setSeconds(0.0);
        fixture.pollIdle();
        QCOMPARE(questions, 1);
        QVERIFY(manager.needsIdleDecision());

        // After Continue, a new idle period may ask again.
        manager.resumeTracking();
        QVERIFY(fixture.settleIdleDetector());
        fixture.clock.set(fixture.at(1300 + 301));
        fixture.pollIdle();
        QVERIFY(manager.isIdle());
        fixture.systemIdleTime.setSeconds(0.0);
        fixture.pollIdle();
        QCOMPARE(questions, 2);
    }

    void sessionPausedByTheUserIgnoresIdleEdges()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("stop", true));
        int questions = 0;
        manager.setOnNeedsIdleDecision([&questions] { ++questions; });
        QVERIFY(fixture.settleIdleDetector());

        fixture.clock.set(fixture.at(30));
        manager.pauseTracking();
        const Session paused = *manager.currentSession();

        fixture.clock.set(fixture.at(800));
        fixture.systemIdleTime.setSeconds(600.0);
        fixture.pollIdle();
        QVERIFY(fixture.idleDetector->isIdle());
        QVERIFY(!manager.isIdle());
        QCOMPARE(manager.currentSession(), paused);

        fixture.systemIdleTime.setSeconds(0.0);
        fixture.pollIdle();
        QVERIFY(manager.isTracking() && manager.isPaused() && !manager.isIdle());
        QVERIFY(!manager.needsIdleDecision());
        QCOMPARE(questions, 0);
        QCOMPARE(manager.currentSession(), paused);
    }

    // Without the input stream there is no last input time; the cutoff must come from the
    // measured idle time, not from the interval's start (which would bill nothing).
    void cutoffWithoutInputStreamUsesMeasuredIdleTime_data()
    {
        QTest::addColumn<bool>("inputBeforeStreamLoss");
        QTest::newRow("no input ever") << false;
        QTest::newRow("input before the stream broke") << true;
    }

    void cutoffWithoutInputStreamUsesMeasuredIdleTime()
    {
        QFETCH(bool, inputBeforeStreamLoss);
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("ask", true));
        QVERIFY(fixture.settleIdleDetector());
        if (inputBeforeStreamLoss) {
            fixture.clock.set(fixture.at(5));
            QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown));
        }
        fixture.input->breakStream();
        QTRY_VERIFY(!fixture.tracker->isRunning());

        fixture.clock.set(fixture.at(1000));
        fixture.systemIdleTime.setSeconds(400.0);
        fixture.pollIdle();
        QVERIFY(manager.isIdle());
        QCOMPARE(manager.currentSession()->idleDiscardCutoffAt, fixture.at(600));

        manager.stopTracking(QStringLiteral("idle"));
        QCOMPARE(billedSeconds(fixture), 600);
    }

    void noInputSinceTheStartDiscardsTheWholeInterval()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, std::nullopt);
        QVERIFY(fixture.settleIdleDetector());
        fixture.clock.set(fixture.at(305));
        fixture.pollIdle();
        QCOMPARE(manager.currentSession()->idleDiscardCutoffAt, fixture.at(0));
        manager.stopTracking(QStringLiteral("idle"));
        QCOMPARE(billedSeconds(fixture), 0);
    }

    void onlyTheLastIntervalIsCut()
    {
        EngineFixture fixture;
        SessionManager &manager = startSession(fixture, EngineFixture::config("pause", true));
        QVERIFY(fixture.settleIdleDetector());
        fixture.clock.set(fixture.at(100));
        manager.pauseTracking();
        fixture.clock.set(fixture.at(200));
        manager.resumeTracking();
        QVERIFY(fixture.settleIdleDetector());
        fixture.clock.set(fixture.at(250));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion));
        fixture.clock.set(fixture.at(550));
        fixture.pollIdle();
        QVERIFY(manager.isIdle());
        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        const auto completed = fixture.uploadQueue.lastSession("finalHeartbeatTask");
        QVERIFY(completed);
        QCOMPARE(completed->intervals[0].stoppedAt, fixture.at(100));
        QCOMPARE(completed->intervals[1].stoppedAt, fixture.at(250));
        QVERIFY(!completed->idleDiscardCutoffAt);
        QCOMPARE(completed->reportedTotalSeconds, 150);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerIdle)
#include "TestSessionManagerIdle.moc"
