#include "app/config/APITimeZoneResolver.h"
#include "app/shell/FakeShellDialogs.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/TrackerEventResponders.h"
#include "foundation/NotificationHub.h"

#include <QTest>
#include <QTimeZone>

// The application's answers to the engine's idle question, to a session taken over by another
// device and to a sign-in the service ended, over the real state and engine.
class TestTrackerEventResponders : public QObject
{
    Q_OBJECT

private:
    static SessionManager &startTracking(ShellTestRig &rig)
    {
        SessionManager &engine = rig.sessionManager();
        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        return engine;
    }

private Q_SLOTS:
    void idleQuestion_data()
    {
        QTest::addColumn<bool>("answerContinue");
        QTest::newRow("continue") << true;
        QTest::newRow("stop") << false;
    }

    void idleQuestion()
    {
        QFETCH(bool, answerContinue);
        ShellTestRig rig;
        FakeShellDialogs dialogs;
        dialogs.idleAnswer =
            answerContinue ? ShellDialogs::IdleAnswer::Continue : ShellDialogs::IdleAnswer::Stop;
        SessionManager &engine = startTracking(rig);
        IdleDecisionHandler::install(engine, *rig.appState, dialogs);

        bool idleWhileAsked = false;
        dialogs.whileAsking = [&] {
            idleWhileAsked = engine.isIdle() && engine.isPaused();
        };
        // The question comes when the user is back.
        engine.handleIdleDetected();
        QVERIFY(dialogs.shown.isEmpty());
        engine.handleIdleEnded();

        QCOMPARE(dialogs.shown, (QStringList{QStringLiteral("activate"), QStringLiteral("idle")}));
        QVERIFY(idleWhileAsked);
        if (answerContinue) {
            QVERIFY(engine.isTracking());
            QVERIFY(!engine.isPaused());
            QVERIFY(!engine.isIdle());
            QVERIFY(!engine.needsIdleDecision());
            engine.stopTracking(std::nullopt);
        } else {
            QVERIFY(!engine.isTracking());
            QCOMPARE(engine.lastStatusMessage(), QStringLiteral("Tracking stopped: idle"));
        }
    }

    void noIdleQuestionWhileAnUpdateIsForced()
    {
        ShellTestRig rig;
        FakeShellDialogs dialogs;
        SessionManager &engine = startTracking(rig);
        IdleDecisionHandler::install(engine, *rig.appState, dialogs);
        // Forced without a forced-update answer installed: tracking goes on for this test.
        rig.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
        QVERIFY(rig.appState->forceClientUpdate());

        engine.handleIdleDetected();
        engine.handleIdleEnded();
        QVERIFY(engine.needsIdleDecision());
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(engine.isTracking());
        QVERIFY(engine.isPaused());
        engine.stopTracking(std::nullopt);
    }

    void takeoverWhileTrackingEndsTheSessionAndTellsTheUser()
    {
        ShellTestRig rig;
        FakeShellDialogs dialogs;
        SessionManager &engine = startTracking(rig);
        SessionTakeoverObserver observer(engine, dialogs);
        const QUuid sessionId = engine.currentSession()->id;

        Q_EMIT NotificationHub::instance().sessionTakenOverByOtherDevice(sessionId, 409);
        QTRY_COMPARE(dialogs.shown,
                     (QStringList{QStringLiteral("activate"), QStringLiteral("takenOver")}));
        QVERIFY(!engine.isTracking());
        QCOMPARE(engine.lastStatusMessage(),
                 QStringLiteral("Session was resumed on another device."));
        // Ended here without an upload of the session.
        QVERIFY(
            !rig.engine.uploadQueue.operations().contains(QStringLiteral("finalHeartbeatTask")));
    }

    void takeoverWhileNotTrackingOnlyTellsTheUser()
    {
        ShellTestRig rig;
        FakeShellDialogs dialogs;
        SessionManager &engine = rig.sessionManager();
        SessionTakeoverObserver observer(engine, dialogs);
        Q_EMIT NotificationHub::instance().sessionTakenOverByOtherDevice(QUuid::createUuid(), 404);
        QTRY_COMPARE(dialogs.shown.size(), 2);
        QVERIFY(!engine.isTracking());
        QVERIFY(!engine.lastStatusMessage().has_value());
    }

    void signInInvalidatedWithNoWindowOpen()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        SessionManager &engine = startTracking(rig);
        rig.appState->setRemoteConfig(EngineFixture::config(QStringLiteral("ask"), false));
        // Only the long-lived responder listens: no root view exists.
        SignInInvalidationResponder responder(*rig.appState, engine);

        Q_EMIT NotificationHub::instance().authSessionDidInvalidate();
        QVERIFY(!rig.appState->isAuthenticated());
        QVERIFY(!rig.appState->remoteConfig().has_value());
        QTRY_VERIFY(!engine.config().has_value());
        QVERIFY(!engine.isTracking());
        QCOMPARE(engine.lastStatusMessage(), QStringLiteral("Tracking stopped: Session ended"));
        QCOMPARE(rig.configSource.stops, 1);
    }

    // The service refused the sign-in while a session ran in the company's zone: its last upload
    // is queued while that zone still stands, and only then does the device's take over.
    void sessionEndedWithTheSignInKeepsItsZone()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        SessionManager &engine = rig.sessionManager();
        RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
        config.appTimezone = QStringLiteral("Pacific/Chatham");
        engine.applyConfig(config);
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        SignInInvalidationResponder responder(*rig.appState, engine);
        QString zoneAtUpload;
        rig.engine.uploadQueue.onSessionUpload = [&] {
            zoneAtUpload = APITimeZoneResolver::storedTimezoneIdentifier(rig.engine.settings);
        };

        Q_EMIT NotificationHub::instance().authSessionDidInvalidate();
        QTRY_VERIFY(!zoneAtUpload.isEmpty());
        QCOMPARE(zoneAtUpload, QStringLiteral("Pacific/Chatham"));
        QTRY_COMPARE(APITimeZoneResolver::storedTimezoneIdentifier(rig.engine.settings),
                     QString::fromUtf8(QTimeZone::systemTimeZoneId()));
    }

    void signInInvalidatedWhileNotTracking()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        SignInInvalidationResponder responder(*rig.appState, rig.sessionManager());
        Q_EMIT NotificationHub::instance().authSessionDidInvalidate();
        QVERIFY(!rig.appState->isAuthenticated());
        QVERIFY(!rig.sessionManager().lastStatusMessage().has_value());
    }
};

QTEST_MAIN(TestTrackerEventResponders)
#include "TestTrackerEventResponders.moc"
