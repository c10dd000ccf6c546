#include "foundation/TimerWakeupCoordinator.h"
#include "foundation/ToleranceTimer.h"
#include "support/EventLoopPasses.h"

#include <QEventLoop>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

using namespace std::chrono_literals;
using SteadyClock = ToleranceTimer::SteadyClock;

static void configure(ToleranceTimer &timer, std::chrono::milliseconds interval,
                      std::chrono::milliseconds tolerance, bool followsPhase = false)
{
    timer.setInterval(interval);
    timer.setTolerance(tolerance);
    timer.setFollowsPhase(followsPhase);
}

class TestToleranceTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firesNeverEarlyAndKeepsItsSchedule_data()
    {
        QTest::addColumn<int>("toleranceMs");
        QTest::addColumn<int>("blockMs");
        QTest::newRow("precise") << 0 << 0;
        QTest::newRow("thread blocked for two intervals and a half") << 20 << 250;
    }
    void firesNeverEarlyAndKeepsItsSchedule()
    {
        QFETCH(int, toleranceMs);
        QFETCH(int, blockMs);
        // Two intervals, so that many wakes for one timer find the other due soon after.
        const std::chrono::milliseconds intervals[] = {100ms, 70ms};
        SteadyClock::time_point origins[2], deadlines[2];
        int firings[2] = {0, 0};
        bool skipped = false;
        ToleranceTimer timers[2];
        for (int i : {0, 1}) {
            configure(timers[i], intervals[i], std::chrono::milliseconds{toleranceMs});
            connect(&timers[i], &ToleranceTimer::timeout, this, [&, i] {
                const SteadyClock::time_point now = SteadyClock::now();
                const SteadyClock::time_point deadline =
                    std::exchange(deadlines[i], timers[i].nextDeadline());
                QVERIFY(now >= origins[i] + ++firings[i] * intervals[i]);
                QVERIFY(now >= deadline);
                // On the schedule, and missed firings are not made up.
                QVERIFY((deadlines[i] - origins[i]) % intervals[i] == 0ns);
                QVERIFY(deadlines[i] + intervals[i] > now);
                skipped = skipped || (i == 0 && deadlines[i] - deadline >= 2 * intervals[i]);
                if (i == 0 && firings[i] == 2)
                    QTest::qSleep(blockMs);
            });
            timers[i].start();
            deadlines[i] = timers[i].nextDeadline();
            origins[i] = deadlines[i] - intervals[i];
        }
        QTRY_VERIFY_WITH_TIMEOUT(firings[0] >= 5 && firings[1] >= 5, 20000);
        if (blockMs > 0)
            QVERIFY(skipped);
    }

    void wakesAtTheLatestDeadlineInsideEveryWindowTakenIn_data()
    {
        QTest::addColumn<QList<int>>("deadlinesAndTolerancesMs");
        QTest::addColumn<int>("wakeMs");
        QTest::newRow("in the window") << QList{100, 20, 115, 20} << 115;
        QTest::newRow("past the window") << QList{100, 20, 125, 20} << 100;
        QTest::newRow("a narrow window taken in") << QList{100, 50, 110, 0, 130, 50} << 110;
    }
    void wakesAtTheLatestDeadlineInsideEveryWindowTakenIn()
    {
        QFETCH(QList<int>, deadlinesAndTolerancesMs);
        QFETCH(int, wakeMs);
        std::vector<TimerWakeupCoordinator::Window> windows;
        for (qsizetype i = 0; i < deadlinesAndTolerancesMs.size(); i += 2) {
            windows.push_back({SteadyClock::time_point{} + 1ms * deadlinesAndTolerancesMs.at(i),
                               1ms * deadlinesAndTolerancesMs.at(i + 1)});
        }
        QVERIFY(TimerWakeupCoordinator::latestSharedWake(windows) ==
                SteadyClock::time_point{} + 1ms * wakeMs);
    }

    void timersShareAPassWhenTheirWindowsOverlap_data()
    {
        QTest::addColumn<int>("startGapMs");
        QTest::addColumn<bool>("secondFollows");
        QTest::addColumn<bool>("shared");
        QTest::newRow("a few ms apart") << 5 << false << true;
        QTest::newRow("half an interval apart") << 200 << false << false;
        QTest::newRow("follower half an interval later") << 200 << true << true;
    }
    void timersShareAPassWhenTheirWindowsOverlap()
    {
        QFETCH(int, startGapMs);
        QFETCH(bool, secondFollows);
        QFETCH(bool, shared);
        ToleranceTimer timers[2];
        QSet<int> passes[2];
        EventLoopPasses loopPasses;
        for (int i : {0, 1}) {
            configure(timers[i], 400ms, 100ms, i == 1 && secondFollows);
            connect(&timers[i], &ToleranceTimer::timeout, this,
                    [&, i] { passes[i].insert(loopPasses.mark()); });
        }
        timers[0].start();
        QTest::qSleep(startGapMs);
        timers[1].start();
        QCOMPARE(timers[1].nextDeadline() == timers[0].nextDeadline(), secondFollows);

        QTRY_VERIFY_WITH_TIMEOUT(passes[0].size() >= 4 && passes[1].size() >= 4, 20000);
        QCOMPARE(passes[1].intersects(passes[0]), shared);
        if (shared)
            QCOMPARE(passes[1], passes[0]);
    }

    void stopAndDeleteFromASlot_data()
    {
        QTest::addColumn<bool>("singleShot");
        QTest::newRow("stopped by its slot") << false;
        QTest::newRow("single shot") << true;
    }
    // Both are due in the first pass; the one started first fires first, deletes the other and
    // stops itself, or is already stopped as a single shot.
    void stopAndDeleteFromASlot()
    {
        QFETCH(bool, singleShot);
        ToleranceTimer stopped;
        auto deleted = std::make_unique<ToleranceTimer>();
        configure(stopped, 50ms, 20ms);
        configure(*deleted, 50ms, 20ms);
        stopped.setSingleShot(singleShot);
        int stoppedFirings = 0;
        int deletedFirings = 0;
        connect(&stopped, &ToleranceTimer::timeout, this, [&] {
            ++stoppedFirings;
            QCOMPARE(stopped.isActive(), !singleShot);
            deleted.reset();
            if (!singleShot)
                stopped.stop();
        });
        connect(deleted.get(), &ToleranceTimer::timeout, this, [&] { ++deletedFirings; });
        stopped.start();
        deleted->start();
        QTRY_COMPARE_WITH_TIMEOUT(stoppedFirings, 1, 20000);
        QVERIFY(!stopped.isActive());
        QTest::qWait(200);
        QCOMPARE(stoppedFirings, 1);
        QCOMPARE(deletedFirings, 0);
        stopped.start();
        QTRY_COMPARE_WITH_TIMEOUT(stoppedFirings, 2, 20000);
    }

    // The main thread's coordinator exists first; the worker's timer must not be woken by it.
    void eachThreadWakesForItsOwnTimers()
    {
        ToleranceTimer mainTimer;
        configure(mainTimer, 30ms, 10ms);
        mainTimer.start();
        int firingsOnItsThread = 0;
        const std::unique_ptr<QThread> worker(QThread::create([&] {
            ToleranceTimer timer;
            configure(timer, 30ms, 10ms);
            QEventLoop loop;
            QTimer::singleShot(20s, &loop, &QEventLoop::quit);
            connect(&timer, &ToleranceTimer::timeout, &loop, [&] {
                firingsOnItsThread += QThread::currentThread() == timer.thread() ? 1 : 0;
                if (firingsOnItsThread == 3)
                    loop.quit();
            });
            timer.start();
            loop.exec();
        }));
        worker->start();
        worker->wait();
        QCOMPARE(firingsOnItsThread, 3);
    }
};

QTEST_GUILESS_MAIN(TestToleranceTimer)
#include "TestToleranceTimer.moc"
