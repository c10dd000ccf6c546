#include "FakeMutterIdleMonitor.h"
#include "platform/wayland/MutterIdleMonitor.h"
#include "platform/wayland/WaylandIdleTimeSource.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <future>

namespace {

// The idle poll asks from a thread of its own; asking from the test's thread would leave the
// fake, which answers on that thread, unable to reply.
std::optional<double> askFromPollThread(IdleTimeSource &source)
{
    std::future<std::optional<double>> answer =
        std::async(std::launch::async, [&source] { return source.secondsSinceLastInput(); });
    while (answer.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answer.get();
}

} // namespace

class TestMutterIdleMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aMonitorThatIsGoneOrHangsTellsNothing();
    void isChosenWhenTheCompositorOffersNoIdleProtocol_data();
    void isChosenWhenTheCompositorOffersNoIdleProtocol();
};

void TestMutterIdleMonitor::initTestCase()
{
    // No compositor to ask first: the choice goes on to the session bus.
    qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-zuv-test");
}

void TestMutterIdleMonitor::aMonitorThatIsGoneOrHangsTellsNothing()
{
    auto mutter = std::make_unique<FakeMutterIdleMonitor>();
    ZUV_REQUIRE_ENVIRONMENT(mutter->problem());
    MutterIdleMonitor monitor(QDBusConnection::sessionBus());
    LogCapture log;
    mutter->setHanging(true);
    QCOMPARE(askFromPollThread(monitor), std::nullopt);
    mutter.reset();
    QCOMPARE(askFromPollThread(monitor), std::nullopt);
    // One outage, one message.
    QCOMPARE(log.count(QStringLiteral("GNOME's idle monitor did not answer")), 1);

    // The shell came back: readings resume.
    mutter = std::make_unique<FakeMutterIdleMonitor>();
    mutter->setIdleMilliseconds(2000);
    QCOMPARE(askFromPollThread(monitor), std::optional<double>(2.0));
}

void TestMutterIdleMonitor::isChosenWhenTheCompositorOffersNoIdleProtocol_data()
{
    QTest::addColumn<bool>("mutterRuns");
    QTest::newRow("GNOME") << true;
    QTest::newRow("a compositor with no idle time at all") << false;
}

void TestMutterIdleMonitor::isChosenWhenTheCompositorOffersNoIdleProtocol()
{
    QFETCH(bool, mutterRuns);
    std::unique_ptr<FakeMutterIdleMonitor> mutter;
    if (mutterRuns) {
        mutter = std::make_unique<FakeMutterIdleMonitor>();
        ZUV_REQUIRE_ENVIRONMENT(mutter->problem());
        mutter->setIdleMilliseconds(42'000);
    } else if (!QDBusConnection::sessionBus().isConnected()) {
        ZUV_REQUIRE_ENVIRONMENT(QStringLiteral("no D-Bus session bus"));
    }
    LogCapture log;
    const std::unique_ptr<IdleTimeSource> source = WaylandIdleTimeSource::create();
    QVERIFY(source);
    if (mutterRuns) {
        QVERIFY(log.contains(QStringLiteral("Idle time from GNOME's idle monitor")));
        QCOMPARE(askFromPollThread(*source), std::optional<double>(42.0));
    } else {
        QVERIFY(log.contains(QStringLiteral("tells no idle time")));
        QCOMPARE(askFromPollThread(*source), std::nullopt);
    }
}

QTEST_GUILESS_MAIN(TestMutterIdleMonitor)
#include "TestMutterIdleMonitor.moc"
