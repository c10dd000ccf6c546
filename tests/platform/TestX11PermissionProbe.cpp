#include "platform/PermissionService.h"
#include "platform/x11/X11PermissionProbe.h"
#include "support/TestEnvironment.h"

#include <QtTest>

class TestX11PermissionProbe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void grantedOnTheXDisplay();
    void deniedWithoutADisplay_data();
    void deniedWithoutADisplay();
};

void TestX11PermissionProbe::grantedOnTheXDisplay()
{
    ZUV_REQUIRE_X11();
    PermissionService::setProbe(nullptr);
    X11PermissionProbe probe;
    QVERIFY(probe.canListenToInput());
    QVERIFY(probe.canCaptureScreen());
    QVERIFY(PermissionService::hasInputMonitoringPermission());
    QVERIFY(PermissionService::hasScreenRecordingPermission());
    QVERIFY(PermissionService::requestInputMonitoringPermissionIfNeeded());
}

void TestX11PermissionProbe::deniedWithoutADisplay_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::newRow("no DISPLAY (e.g. plain Wayland)") << QByteArray();
    QTest::newRow("a display nobody serves") << QByteArray(":4711");
}

void TestX11PermissionProbe::deniedWithoutADisplay()
{
    QFETCH(QByteArray, display);
    const QByteArray saved = qgetenv("DISPLAY");
    if (display.isEmpty())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", display);
    PermissionService::setProbe(nullptr);
    X11PermissionProbe probe;
    const bool input = probe.canListenToInput();
    const bool screen = probe.canCaptureScreen();
    const bool serviceInput = PermissionService::hasInputMonitoringPermission();
    const bool serviceScreen = PermissionService::hasScreenRecordingPermission();
    if (saved.isNull())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", saved);
    QVERIFY(!input);
    QVERIFY(!screen);
    QVERIFY(!serviceInput);
    QVERIFY(!serviceScreen);
}

QTEST_GUILESS_MAIN(TestX11PermissionProbe)
#include "TestX11PermissionProbe.moc"
