#include "platform/logind/LogindSleepSource.h"
#include "support/LogCapture.h"

#include <QSignalSpy>
#include <QTest>

// No system bus, as on a machine without systemd: the address points nowhere.
class TestLogindSleepSourceWithoutBus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zuv-no-system-bus");
    }

    void theMissingBusIsReportedOnceAndNothingBreaks()
    {
        LogCapture log;
        LogindSleepSource first;
        LogindSleepSource second;
        QVERIFY(!first.isAvailable());
        QVERIFY(!second.isAvailable());
        QVERIFY(!first.holdsSleepInhibitor());
        first.releaseSleepInhibitor();
        QSignalSpy sleeping(&first, &SleepSource::aboutToSleep);
        QTest::qWait(20);
        QCOMPARE(sleeping.count(), 0);
        QCOMPARE(log.count(QStringLiteral("No system bus")), 1);
    }
};

QTEST_GUILESS_MAIN(TestLogindSleepSourceWithoutBus)
#include "TestLogindSleepSourceWithoutBus.moc"
