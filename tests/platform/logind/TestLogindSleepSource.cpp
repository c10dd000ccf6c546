#include "platform/logind/LogindSleepSource.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "support/engine/FakeLogindService.h"

#include <QSignalSpy>
#include <QTest>

class TestLogindSleepSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sleepAndWakeTravelOverTheBusWithADelayHeld()
    {
        FakeLogindService logind;
        ZUV_REQUIRE_ENVIRONMENT(logind.problem());

        LogindSleepSource source(QDBusConnection::sessionBus());
        QVERIFY(source.isAvailable());
        QTRY_VERIFY(source.holdsSleepInhibitor());
        QCOMPARE(logind.inhibitCalls().size(), 1);
        const QStringList arguments = logind.inhibitCalls().constFirst().split(QLatin1Char('|'));
        QCOMPARE(arguments.value(0), QStringLiteral("sleep"));
        QCOMPARE(arguments.value(3), QStringLiteral("delay"));
        QCOMPARE(logind.heldInhibitors(), 1);

        QSignalSpy sleeping(&source, &SleepSource::aboutToSleep);
        QSignalSpy waking(&source, &SleepSource::didWake);
        logind.announceSleep(true);
        QTRY_COMPARE(sleeping.count(), 1);
        // The suspend waits until the receiver has saved and let it go.
        QTest::qWait(50);
        QCOMPARE(logind.heldInhibitors(), 1);
        source.releaseSleepInhibitor();
        QTRY_VERIFY(logind.allInhibitorsReleased());
        QVERIFY(!source.holdsSleepInhibitor());

        // After the wake the next suspend is delayed again.
        logind.announceSleep(false);
        QTRY_COMPARE(waking.count(), 1);
        QTRY_VERIFY(source.holdsSleepInhibitor());
        QCOMPARE(logind.inhibitCalls().size(), 2);
        QCOMPARE(logind.heldInhibitors(), 1);
        QCOMPARE(sleeping.count(), 1);
    }

    void aSourceWithoutLogindStillHearsNothingAndDoesNotCrash()
    {
        // A bus without the service: the inhibitor request fails and is reported once.
        if (!QDBusConnection::sessionBus().isConnected())
            ZUV_REQUIRE_ENVIRONMENT(QStringLiteral("no D-Bus session bus"));
        LogCapture log;
        LogindSleepSource source(QDBusConnection::sessionBus());
        QTRY_VERIFY(log.contains(QStringLiteral("Cannot take the sleep delay from logind")));
        QVERIFY(!source.holdsSleepInhibitor());
        source.releaseSleepInhibitor();
    }
};

QTEST_GUILESS_MAIN(TestLogindSleepSource)
#include "TestLogindSleepSource.moc"
