#include "HeadlessCompositor.h"
#include "platform/wayland/WaylandIdleNotifier.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(HeadlessCompositor::Kind)
Q_DECLARE_METATYPE(WaylandIdleNotifier::Protocol)

class TestWaylandIdleNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idleTimeFollowsTheCompositor_data();
    void idleTimeFollowsTheCompositor();
    void noCompositorMeansNoNotifier();
};

void TestWaylandIdleNotifier::idleTimeFollowsTheCompositor_data()
{
    QTest::addColumn<HeadlessCompositor::Kind>("kind");
    QTest::addColumn<WaylandIdleNotifier::Protocol>("protocol");
    QTest::newRow("sway") << HeadlessCompositor::Kind::Sway
                          << WaylandIdleNotifier::Protocol::KdeIdle;
    QTest::newRow("KWin") << HeadlessCompositor::Kind::KWin
                          << WaylandIdleNotifier::Protocol::ExtIdleNotify;
}

void TestWaylandIdleNotifier::idleTimeFollowsTheCompositor()
{
    QFETCH(HeadlessCompositor::Kind, kind);
    QFETCH(WaylandIdleNotifier::Protocol, protocol);
    if (kind == HeadlessCompositor::Kind::KWin && HeadlessCompositor::executable(kind).isEmpty()) {
        // Not a fault of the machine: the test setup leaves KWin out on purpose.
        QSKIP("KWin is not installed: Debian's kwin-wayland brings a whole KDE desktop (about 150 "
              "packages), so ext_idle_notifier_v1 is checked by hand on a KDE Plasma session");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
        ZUV_REQUIRE_ENVIRONMENT(QStringLiteral("wtype is not installed"));
    HeadlessCompositor compositor(kind);
    ZUV_REQUIRE_ENVIRONMENT(compositor.problem());
    qputenv("WAYLAND_DISPLAY", compositor.socketPath().toLocal8Bit());

    std::unique_ptr<WaylandIdleNotifier> notifier = WaylandIdleNotifier::connect();
    QVERIFY(notifier);
    QCOMPARE(notifier->protocol(), protocol);

    // Nobody touches a headless compositor: the idle time passes the timeout and grows.
    QTRY_VERIFY_WITH_TIMEOUT(notifier->secondsSinceLastInput().value_or(0.0) >= 1.5, 10000);
    QVERIFY(compositor.typeKey());
    QTRY_COMPARE_WITH_TIMEOUT(notifier->secondsSinceLastInput(), std::optional<double>(0.0), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(notifier->secondsSinceLastInput().value_or(0.0) >= 1.0, 10000);

    // The desktop went away: the idle time is no longer known, and the log says so once.
    LogCapture log;
    compositor.kill();
    QTRY_COMPARE_WITH_TIMEOUT(notifier->secondsSinceLastInput(), std::nullopt, 10000);
    QCOMPARE(notifier->secondsSinceLastInput(), std::nullopt);
    QCOMPARE(log.count(QStringLiteral("closed the idle connection")), 1);
}

void TestWaylandIdleNotifier::noCompositorMeansNoNotifier()
{
    qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-zuv-test");
    QVERIFY(!WaylandIdleNotifier::connect());
}

QTEST_GUILESS_MAIN(TestWaylandIdleNotifier)
#include "TestWaylandIdleNotifier.moc"
