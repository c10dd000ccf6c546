#include "EngineFixture.h"

#include "platform/logind/LogindSleepSource.h"
#include "support/TestEnvironment.h"
#include "support/engine/FakeLogindService.h"

#include <QTest>

// The manager on logind's real D-Bus path, with a logind stand-in on the private session bus.
class TestSessionManagerLogind : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theSessionIsSavedBeforeTheSuspendIsLetGo()
    {
        FakeLogindService logind;
        ZUV_REQUIRE_ENVIRONMENT(logind.problem());
        LogindSleepSource source(QDBusConnection::sessionBus());
        QTRY_VERIFY(source.holdsSleepInhibitor());

        EngineFixture fixture;
        fixture.managerSleepSource = &source;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(EngineFixture::config(QStringLiteral("pause"), true, 100'000));
        manager.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});

        fixture.clock.set(fixture.at(100));
        logind.announceSleep(true);
        QTRY_VERIFY(logind.allInhibitorsReleased());
        QVERIFY(manager.isPaused());
        const std::optional<Session> saved = fixture.storedActiveSession();
        QVERIFY(saved);
        QCOMPARE(saved->intervals.constFirst().stoppedAt, fixture.at(100));

        fixture.clock.set(fixture.at(5000));
        logind.announceSleep(false);
        QTRY_VERIFY(!manager.isPaused());
        QCOMPARE(manager.currentSession()->intervals.constLast().startedAt, fixture.at(5000));
        QTRY_COMPARE(logind.heldInhibitors(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerLogind)
#include "TestSessionManagerLogind.moc"
