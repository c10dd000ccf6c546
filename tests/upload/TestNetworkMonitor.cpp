#include "support/LogCapture.h"
#include "upload/NetworkMonitor.h"

#include <QtTest>

class TestNetworkMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsAreLoggedAndStored();
};

void TestNetworkMonitor::reportsAreLoggedAndStored()
{
    LogCapture capture;
    NetworkMonitor monitor;
    // Whatever backend this machine has, a report reaches the flag and the log, every time.
    monitor.applyReachability(false);
    QVERIFY(!monitor.isOnline());
    monitor.applyReachability(false);
    QCOMPARE(capture.count(QStringLiteral("Network: offline")), 2);
    monitor.applyReachability(true);
    QVERIFY(monitor.isOnline());
    QVERIFY(capture.contains(QStringLiteral("Network: online")));
}

QTEST_GUILESS_MAIN(TestNetworkMonitor)
#include "TestNetworkMonitor.moc"
