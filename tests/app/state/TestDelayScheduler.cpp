#include "app/state/DelayScheduler.h"

#include <QElapsedTimer>
#include <QtTest>

class TestDelayScheduler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firesOnceAfterTheDelay();
    void destroyedHandleCancels();
    void actionMayDestroyItsHandle();
};

void TestDelayScheduler::firesOnceAfterTheDelay()
{
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 firedAfter = -1;
    int fired = 0;
    const auto handle = systemDelayScheduler().schedule(0.1, [&] {
        firedAfter = elapsed.elapsed();
        ++fired;
    });
    QTRY_COMPARE(fired, 1);
    QVERIFY2(firedAfter >= 100, qPrintable(QString::number(firedAfter)));
    QTest::qWait(250);
    QCOMPARE(fired, 1);
}

void TestDelayScheduler::destroyedHandleCancels()
{
    int fired = 0;
    auto handle = systemDelayScheduler().schedule(0.05, [&] { ++fired; });
    handle.reset();
    QTest::qWait(200);
    QCOMPARE(fired, 0);
}

void TestDelayScheduler::actionMayDestroyItsHandle()
{
    std::unique_ptr<QObject> handle;
    int fired = 0;
    handle = systemDelayScheduler().schedule(0.01, [&] {
        ++fired;
        handle.reset();
    });
    QTRY_COMPARE(fired, 1);
    QVERIFY(!handle);
    QTest::qWait(50);
    QCOMPARE(fired, 1);
}

QTEST_GUILESS_MAIN(TestDelayScheduler)
#include "TestDelayScheduler.moc"
