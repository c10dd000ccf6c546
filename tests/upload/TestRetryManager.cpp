#include "support/FakeClock.h"
#include "support/FakeRandomSource.h"
#include "upload/RetryManager.h"

#include <QtTest>

class TestRetryManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void circuitOpensAfterFiveFailuresEndingInServerError();
    void circuitOpenTimesDoubleUpToTenMinutes();
    void failuresWithoutServerStatusNeverOpenTheCircuit();
    void successResetsEverything();
    void circuitClosesExactlyWhenItsTimeIsReached();
    void retryDelays_data();
    void retryDelays();
};

void TestRetryManager::circuitOpensAfterFiveFailuresEndingInServerError()
{
    FakeClock clock;
    FakeRandomSource random;
    RetryManager retry(clock, random);
    // 400, 500, 500, 500, 404: the fifth is below 500, the circuit stays closed.
    for (int status : {400, 500, 500, 500, 404})
        retry.registerFailure(status);
    QVERIFY(!retry.isCircuitOpen(clock.now()));
    QCOMPARE(retry.consecutiveFailures(), 5);
    retry.registerFailure(502);
    QVERIFY(retry.isCircuitOpen(clock.now()));
    QCOMPARE(retry.circuitOpenUntil()->secondsSince1970(),
             clock.now().addingSeconds(60).secondsSince1970());
}

void TestRetryManager::circuitOpenTimesDoubleUpToTenMinutes()
{
    FakeClock clock;
    FakeRandomSource random;
    RetryManager retry(clock, random);
    for (int i = 0; i < 4; ++i)
        retry.registerFailure(500);
    QList<double> openTimes;
    for (int i = 0; i < 7; ++i) {
        retry.registerFailure(503);
        openTimes.append(*retry.circuitOpenUntil() - clock.now());
    }
    QCOMPARE(openTimes, (QList<double>{60, 120, 240, 480, 600, 600, 600}));
    QCOMPARE(retry.circuitOpenCount(), 7);
}

void TestRetryManager::failuresWithoutServerStatusNeverOpenTheCircuit()
{
    FakeClock clock;
    FakeRandomSource random;
    RetryManager retry(clock, random);
    for (int i = 0; i < 20; ++i)
        retry.registerFailure(std::nullopt);
    retry.registerFailure(-1);
    QVERIFY(!retry.isCircuitOpen(clock.now()));
    QCOMPARE(retry.consecutiveFailures(), 21);
}

void TestRetryManager::successResetsEverything()
{
    FakeClock clock;
    FakeRandomSource random;
    RetryManager retry(clock, random);
    for (int i = 0; i < 6; ++i)
        retry.registerFailure(500);
    QVERIFY(retry.isCircuitOpen(clock.now()));
    retry.registerSuccess();
    QVERIFY(!retry.isCircuitOpen(clock.now()));
    QCOMPARE(retry.consecutiveFailures(), 0);
    QCOMPARE(retry.circuitOpenCount(), 0);
    retry.registerFailure(500);
    QVERIFY(!retry.isCircuitOpen(clock.now()));
}

void TestRetryManager::circuitClosesExactlyWhenItsTimeIsReached()
{
    FakeClock clock;
    FakeRandomSource random;
    RetryManager retry(clock, random);
    for (int i = 0; i < 5; ++i)
        retry.registerFailure(500);
    clock.advance(59.999);
    QVERIFY(retry.isCircuitOpen(clock.now()));
    clock.advance(0.001);
    QVERIFY(!retry.isCircuitOpen(clock.now()));
}

void TestRetryManager::retryDelays_data()
{
    QTest::addColumn<int>("retryCount");
    QTest::addColumn<double>("jitter");
    QTest::addColumn<double>("delay");
    QTest::newRow("1, no jitter") << 1 << 0.0 << 4.0;
    QTest::newRow("1, full jitter") << 1 << 1.0 << 5.0;
    QTest::newRow("3") << 3 << 0.5 << 16.5;
    QTest::newRow("5") << 5 << 0.0 << 64.0;
    QTest::newRow("beyond 5 stays at 64") << 9 << 1.0 << 65.0;
}

void TestRetryManager::retryDelays()
{
    QFETCH(int, retryCount);
    QFETCH(double, jitter);
    QFETCH(double, delay);
    FakeClock clock;
    FakeRandomSource random(jitter);
    const RetryManager retry(clock, random);
    QCOMPARE(retry.nextAttemptDate(retryCount) - clock.now(), delay);
    QCOMPARE(random.requests().constLast(), qMakePair(0.0, 1.0));
}

QTEST_GUILESS_MAIN(TestRetryManager)
#include "TestRetryManager.moc"
