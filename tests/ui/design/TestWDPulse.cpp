#include "foundation/ToleranceTimer.h"
#include "support/EventLoopPasses.h"
#include "ui/design/WDHeaderLook.h"
#include "ui/design/WDPulse.h"

#include <QtTest>

#include <thread>

using namespace std::chrono_literals;
using SteadyClock = ToleranceTimer::SteadyClock;

class TestWDPulse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aStepSharesTheWakeOfATimerDueNearIt_data();
    void aStepSharesTheWakeOfATimerDueNearIt();
};

void TestWDPulse::aStepSharesTheWakeOfATimerDueNearIt_data()
{
    QTest::addColumn<int>("stepAfterSecondMs");
    QTest::addColumn<bool>("shared");
    QTest::newRow("due inside the second's leeway") << 100 << true;
    QTest::newRow("due just before the second, inside the step's own") << -30 << true;
    QTest::newRow("due well before the second") << -150 << false;
}

// The second's timer stands for the clock's tick: a pulse step due near it is shown in the same
// pass of the event loop, so the window repaints once for both.
void TestWDPulse::aStepSharesTheWakeOfATimerDueNearIt()
{
    QFETCH(int, stepAfterSecondMs);
    QFETCH(bool, shared);
    EventLoopPasses passes;
    ToleranceTimer second;
    second.setInterval(1000ms);
    second.setTolerance(200ms);
    int secondPass = -1;
    connect(&second, &ToleranceTimer::timeout, this, [&] {
        if (secondPass < 0)
            secondPass = passes.mark();
    });
    WDPulse pulse;
    int stepPass = -1;
    SteadyClock::time_point stepDueAt;
    connect(&pulse, &QQuickItem::opacityChanged, this, [&] {
        QVERIFY(SteadyClock::now() >= stepDueAt);
        if (stepPass < 0)
            stepPass = passes.mark();
    });

    second.start();
    const std::chrono::milliseconds firstStep{WDHeaderLook::msUntilNextPulseStep(0.0)};
    const SteadyClock::time_point startAt =
        second.nextDeadline() + std::chrono::milliseconds{stepAfterSecondMs} - firstStep;
    std::this_thread::sleep_until(startAt);
    stepDueAt = SteadyClock::now() + firstStep;
    pulse.setRunning(true);

    QTRY_VERIFY_WITH_TIMEOUT(secondPass >= 0 && stepPass >= 0, 10000);
    QCOMPARE(secondPass == stepPass, shared);
}

QTEST_MAIN(TestWDPulse)
#include "TestWDPulse.moc"
