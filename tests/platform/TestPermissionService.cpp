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
    void noScreenSharingServiceNamesThePackage_data();
    void noScreenSharingServiceNamesThePackage();
    void inputAdviceNamesTheCause_data();
    void inputAdviceNamesTheCause();
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

void TestPermissionService::noScreenSharingServiceNamesThePackage_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("named");
    QTest::newRow("GNOME") << QStringLiteral("GNOME") << QStringLiteral("xdg-desktop-portal-gnome");
    QTest::newRow("Ubuntu's GNOME")
        << QStringLiteral("ubuntu:GNOME") << QStringLiteral("install xdg-desktop-portal-gnome");
    QTest::newRow("KDE") << QStringLiteral("KDE") << QStringLiteral("xdg-desktop-portal-kde");
    QTest::newRow("sway") << QStringLiteral("sway") << QStringLiteral("xdg-desktop-portal-wlr");
    QTest::newRow("unknown") << QStringLiteral("Frobnicator")
                             << QStringLiteral("your desktop's xdg-desktop-portal backend");
    QTest::newRow("unset") << QString() << QStringLiteral("your desktop's xdg-desktop-portal");
}

void TestPermissionService::noScreenSharingServiceNamesThePackage()
{
    QFETCH(QString, desktop);
    QFETCH(QString, named);
    const QString advice = PermissionService::noScreenSharingServiceAdvice(desktop);
    QVERIFY2(advice.startsWith(QStringLiteral("No screen-sharing service is installed: install ")),
             qPrintable(advice));
    QVERIFY2(advice.contains(named), qPrintable(advice));
    QVERIFY(!advice.contains(QStringLiteral("Open")));
}

void TestPermissionService::inputAdviceNamesTheCause_data()
{
    using Refusal = PermissionProbe::InputRefusal;
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<bool>("blamesAccess");
    QTest::newRow("no devices") << static_cast<int>(Refusal::NoDevices)
                                << QStringLiteral("no keyboard or mouse") << false;
    QTest::newRow("refused") << static_cast<int>(Refusal::DevicesRefused)
                             << QStringLiteral("may not read the keyboards and mice") << true;
    QTest::newRow("unknown") << static_cast<int>(Refusal::Unknown)
                             << QStringLiteral("may not read the keyboards and mice") << true;
}

void TestPermissionService::inputAdviceNamesTheCause()
{
    QFETCH(int, refusal);
    QFETCH(QString, cause);
    QFETCH(bool, blamesAccess);
    const QString advice =
        PermissionService::inputAdviceFor(static_cast<PermissionProbe::InputRefusal>(refusal));
    QVERIFY2(advice.contains(cause), qPrintable(advice));
    // A machine without devices gains nothing from group membership.
    QCOMPARE(advice.contains(QStringLiteral("input access rule")), blamesAccess);
    QCOMPARE(advice.contains(QStringLiteral("\u201cinput\u201d group")), blamesAccess);
}

QTEST_GUILESS_MAIN(TestPermissionService)
#include "TestPermissionService.moc"
