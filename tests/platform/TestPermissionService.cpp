#include "platform/PermissionService.h"
#include "support/LogCapture.h"
#include "support/platform/FakePermissionProbe.h"

#include <QtTest>

class TestPermissionService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void checksAskTheProbe();
    void requestWhenGrantedDoesNotCountAsARequest();
    void requestIsMadeOncePerLaunch();
    void settingsAndResetReportFailure();
};

void TestPermissionService::cleanup()
{
    PermissionService::setProbe(nullptr);
}

void TestPermissionService::checksAskTheProbe()
{
    auto probe = std::make_shared<FakePermissionProbe>();
    PermissionService::setProbe(probe);
    LogCapture log;
    QVERIFY(PermissionService::hasInputMonitoringPermission());
    QVERIFY(PermissionService::hasScreenRecordingPermission());
    QVERIFY(log.contains(QStringLiteral("IOHIDCheckAccess(ListenEvent) = Granted")));
    probe->inputAllowed = false;
    probe->screenAllowed = false;
    QVERIFY(!PermissionService::hasInputMonitoringPermission());
    QVERIFY(!PermissionService::hasScreenRecordingPermission());
    QVERIFY(log.contains(QStringLiteral("IOHIDCheckAccess(ListenEvent) = Denied")));
}

void TestPermissionService::requestWhenGrantedDoesNotCountAsARequest()
{
    auto probe = std::make_shared<FakePermissionProbe>();
    PermissionService::setProbe(probe);
    QVERIFY(PermissionService::requestInputMonitoringPermissionIfNeeded());
    QVERIFY(PermissionService::requestInputMonitoringPermissionIfNeeded());
    // Denied later: the first request is still made, since none was made before.
    probe->inputAllowed = false;
    LogCapture log;
    QVERIFY(!PermissionService::requestInputMonitoringPermissionIfNeeded());
    QVERIFY(log.contains(QStringLiteral("IOHIDRequestAccess(ListenEvent) = denied")));
}

void TestPermissionService::requestIsMadeOncePerLaunch()
{
    auto probe = std::make_shared<FakePermissionProbe>();
    probe->inputAllowed = false;
    PermissionService::setProbe(probe);
    LogCapture log;
    QVERIFY(!PermissionService::requestInputMonitoringPermissionIfNeeded());
    const int checksAfterFirst = probe->inputChecks;
    QCOMPARE(checksAfterFirst, 2); // the check, then the request
    QVERIFY(!PermissionService::requestInputMonitoringPermissionIfNeeded());
    QCOMPARE(probe->inputChecks.load(), checksAfterFirst + 1); // only the check
    QCOMPARE(log.count(QStringLiteral("IOHIDRequestAccess(ListenEvent)")), 1);
    QVERIFY(log.contains(QStringLiteral("skipped (already prompted this launch)")));
    // Granted later (say the display server came back): the check answers at once.
    probe->inputAllowed = true;
    QVERIFY(PermissionService::requestInputMonitoringPermissionIfNeeded());
}

void TestPermissionService::settingsAndResetReportFailure()
{
    LogCapture log;
    QVERIFY(!PermissionService::openScreenRecordingSettings());
    QVERIFY(!PermissionService::openInputMonitoringSettings());
    QVERIFY(!PermissionService::revokePermissions());
    // Nothing can ask for the screen on X11, so no row offers to.
    QVERIFY(!PermissionService::canAskForScreenRecording());
    QCOMPARE(log.count(QStringLiteral("no screen recording settings page")), 1);
    QCOMPARE(log.count(QStringLiteral("no input monitoring settings page")), 1);
    QCOMPARE(log.count(QStringLiteral("cannot be reset")), 1);
}

QTEST_GUILESS_MAIN(TestPermissionService)
#include "TestPermissionService.moc"
