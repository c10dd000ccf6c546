#include "FakeIdleCompositor.h"
#include "platform/wayland/WaylandIdleNotifier.h"
#include "support/FakeClock.h"

#include <QTest>

// ext_idle_notifier_v1 against a server of the test's own: Debian's only compositor with it is
// KWin, which the test machine does not carry.
class TestWaylandIdleNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extIdleEdgesBecomeIdleSeconds();
};

void TestWaylandIdleNotifier::extIdleEdgesBecomeIdleSeconds()
{
    FakeIdleCompositor compositor;
    QVERIFY2(compositor.problem().isEmpty(), qPrintable(compositor.problem()));
    qputenv("WAYLAND_DISPLAY", compositor.socketPath().toLocal8Bit());
    FakeClock clock;

    std::unique_ptr<WaylandIdleNotifier> notifier = WaylandIdleNotifier::connect(clock);
    QVERIFY(notifier);
    QCOMPARE(notifier->protocol(), WaylandIdleNotifier::Protocol::ExtIdleNotify);
    QCOMPARE(compositor.requestedTimeout(), quint32(WaylandIdleNotifier::timeoutMilliseconds));
    QCOMPARE(notifier->secondsSinceLastInput(), std::optional<double>(0.0));

    // The edge is timed when it arrives: the clock moving later does not move the last input.
    compositor.sendIdled();
    QTRY_VERIFY(notifier->secondsSinceLastInput().value_or(0.0) > 0.0);
    clock.advance(5.0);
    QCOMPARE(notifier->secondsSinceLastInput(), std::optional<double>(6.0));
    compositor.sendResumed();
    QTRY_COMPARE(notifier->secondsSinceLastInput(), std::optional<double>(0.0));

    compositor.quit();
    QTRY_COMPARE(notifier->secondsSinceLastInput(), std::nullopt);
}

QTEST_GUILESS_MAIN(TestWaylandIdleNotifier)
#include "TestWaylandIdleNotifier.moc"
