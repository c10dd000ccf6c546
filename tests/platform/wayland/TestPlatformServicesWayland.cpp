#include "FakeIdleCompositor.h"
#include "foundation/SettingsStore.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/IdleTimeSource.h"
#include "platform/InputEventSource.h"
#include "platform/PermissionProbe.h"
#include "platform/PermissionService.h"
#include "platform/PlatformServices.h"
#include "platform/SessionType.h"
#include "platform/wayland/LibinputInputEventSource.h"
#include "platform/wayland/WaylandIdleNotifier.h"
#include "platform/wayland/WaylandPermissionProbe.h"
#include "support/LogCapture.h"

#include <QTest>

// The seams a Wayland session gets. The session type is decided once per process, so this suite
// runs in a process of its own whose environment says Wayland from the start.
class TestPlatformServicesWayland : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aWaylandSessionGetsTheWaylandSeams();
    void permissionsAreExplainedInWaylandTerms();

private:
    std::unique_ptr<FakeIdleCompositor> m_compositor;
};

void TestPlatformServicesWayland::initTestCase()
{
    m_compositor = std::make_unique<FakeIdleCompositor>();
    QVERIFY2(m_compositor->problem().isEmpty(), qPrintable(m_compositor->problem()));
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("WAYLAND_DISPLAY", m_compositor->socketPath().toLocal8Bit());
    qputenv("DISPLAY", ":0"); // XWayland's, which must not decide anything
}

void TestPlatformServicesWayland::aWaylandSessionGetsTheWaylandSeams()
{
    LogCapture log;
    QCOMPARE(PlatformServices::sessionType(), SessionType::Wayland);
    const std::unique_ptr<InputEventSource> input = PlatformServices::createInputEventSource();
    QVERIFY(dynamic_cast<LibinputInputEventSource *>(input.get()));
    const std::unique_ptr<IdleTimeSource> idle = PlatformServices::createIdleTimeSource();
    QVERIFY(dynamic_cast<WaylandIdleNotifier *>(idle.get()));
    const std::unique_ptr<PermissionProbe> probe = PlatformServices::createPermissionProbe();
    QVERIFY(dynamic_cast<WaylandPermissionProbe *>(probe.get()));
    SettingsStore settings{QString()};
    QVERIFY(PlatformServices::createDisplayCaptureBackend(settings));
    QCOMPARE(log.count(QStringLiteral("Session type: Wayland")), 1);
}

void TestPlatformServicesWayland::permissionsAreExplainedInWaylandTerms()
{
    QVERIFY(PermissionService::inputMonitoringAdvice().contains(QStringLiteral("input")));
    QVERIFY(!PermissionService::inputMonitoringAdvice().contains(QStringLiteral("X11")));
    QVERIFY(!PermissionService::screenRecordingAdvice().contains(QStringLiteral("X11")));
    QVERIFY(!PermissionService::screenCaptureLostText().contains(QStringLiteral("X11")));
    QVERIFY(PermissionService::canAskForScreenRecording());
    // With no capture alive there is nothing to ask the desktop through: not reported as asked.
    QVERIFY(!PermissionService::openScreenRecordingSettings());
}

QTEST_GUILESS_MAIN(TestPlatformServicesWayland)
#include "TestPlatformServicesWayland.moc"
