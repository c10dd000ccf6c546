#include "UinputDevice.h"
#include "platform/logind/LogindSessionActivity.h"
#include "platform/wayland/LibinputInputEventSource.h"
#include "platform/wayland/WaylandPermissionProbe.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "tracking/activity/ActivityTracker.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <linux/input-event-codes.h>

namespace {

// Devices that only libinput on a udev-managed system sees: without /dev/uinput no device can be
// made, and without udev's database libinput accepts none.
QString deviceProblem()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/uinput")))
        return QStringLiteral("no /dev/uinput on this machine: no input device can be made");
    if (!QFileInfo::exists(QStringLiteral("/run/udev/control")))
        return QStringLiteral("udev does not run here: libinput would accept no device");
    return {};
}

std::unique_ptr<ActivityTracker> libinputTracker()
{
    // No logind to ask in a test: the session counts as active.
    auto session = std::make_unique<LogindSessionActivity>(
        QDBusConnection(QStringLiteral("not connected")), QStringLiteral("auto"));
    return std::make_unique<ActivityTracker>(
        std::make_unique<LibinputInputEventSource>(std::move(session)));
}

} // namespace

class TestLibinputInputEventSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutReadableDevicesInputIsDeniedAndSaysWhy();
    void devicesAreCountedAsOnX11();
};

void TestLibinputInputEventSource::withoutReadableDevicesInputIsDeniedAndSaysWhy()
{
    if (QFileInfo(QStringLiteral("/dev/input")).isReadable())
        QSKIP("this machine has input devices to read; the denied case needs a machine without");
    LogCapture log;
    WaylandPermissionProbe probe({});
    QVERIFY(!probe.canListenToInput());
    // No device at all is not a refusal: the group is not what is missing then.
    const QStringList eventDevices =
        QDir(QStringLiteral("/dev/input")).entryList({QStringLiteral("event*")}, QDir::System);
    if (eventDevices.isEmpty()) {
        QCOMPARE(probe.lastInputRefusal(), PermissionProbe::InputRefusal::NoDevices);
        QVERIFY(log.contains(QStringLiteral("No keyboard or pointer is attached to")));
        QVERIFY(!log.contains(QStringLiteral("\"input\" group")));
    } else {
        QVERIFY(probe.lastInputRefusal() != PermissionProbe::InputRefusal::Unknown);
    }
    QVERIFY(!probe.canCaptureScreen()); // no capture backend given
    auto tracker = libinputTracker();
    QVERIFY(!tracker->start());
}

void TestLibinputInputEventSource::devicesAreCountedAsOnX11()
{
    // Needs what this machine may lack; never required under CI, since containers lack it.
    if (const QString problem = deviceProblem(); !problem.isEmpty())
        QSKIP(qPrintable(problem));
    UinputDevice keyboard(UinputDevice::Kind::Keyboard);
    UinputDevice mouse(UinputDevice::Kind::Mouse);
    QVERIFY(keyboard.isOpen() && mouse.isOpen());
    QTest::qWait(500); // udev tags the new devices

    auto tracker = libinputTracker();
    QVERIFY(tracker->start());
    for (int i = 0; i < 3; ++i) {
        keyboard.key(KEY_A, 1);
        keyboard.key(KEY_A, 2); // held long enough to repeat
        keyboard.key(KEY_A, 2);
        keyboard.key(KEY_A, 0);
    }
    for (int i = 0; i < 4; ++i)
        mouse.move(3, -2);
    mouse.wheelNotch();
    mouse.wheelNotch();
    mouse.key(BTN_MIDDLE, 1);
    mouse.move(5, 0);
    mouse.key(BTN_MIDDLE, 0);
    mouse.key(BTN_LEFT, 1);
    mouse.move(0, 5);
    mouse.key(BTN_LEFT, 0);
    QTRY_COMPARE(tracker->snapshot(1.0).keyboardEvents, qint64(3));
    QTRY_COMPARE(tracker->snapshot(1.0).mouseMoves, qint64(5));
    QTest::qWait(300);
    QCOMPARE(tracker->snapshot(1.0), (ActivitySnapshot{5, 3, 0.0}));

    WaylandPermissionProbe probe({});
    QVERIFY(probe.canListenToInput());
}

QTEST_GUILESS_MAIN(TestLibinputInputEventSource)
#include "TestLibinputInputEventSource.moc"
