#include "foundation/ToleranceTimer.h"

#include <QSet>
#include <QTest>
#include <QThread>

#include <QScopeGuard>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

using namespace std::chrono_literals;
using SteadyClock = ToleranceTimer::SteadyClock;

namespace {

void configure(ToleranceTimer &timer, std::chrono::milliseconds interval,
               std::chrono::milliseconds tolerance, bool followsPhase = false)
{
    timer.setInterval(interval);
    timer.setTolerance(tolerance);
    timer.setFollowsPhase(followsPhase);
}

// Numbers the passes of the event loop: a marker queued at the first firing of a pass runs only
// after every firing of that pass.
class PassLog : public QObject
{
public:
    void watch(ToleranceTimer &timer, int timerIndex)
    {
        connect(&timer, &ToleranceTimer::timeout, this, [this, timerIndex] { record(timerIndex); });
    }
    const QSet<int> &passesOf(int timerIndex) const { return m_passes.at(timerIndex); }

private:
    void record(int timerIndex)
    {
        if (!m_markerQueued) {
            m_markerQueued = true;
            QMetaObject::invokeMethod(this, &PassLog::endPass, Qt::QueuedConnection);
        }
        m_passes[timerIndex].insert(m_pass);
    }

    void endPass()
    {
        ++m_pass;
        m_markerQueued = false;
    }

    std::array<QSet<int>, 2> m_passes;
    int m_pass = 0;
    bool m_markerQueued = false;
};

} // namespace

class TestToleranceTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firesNeverEarlyAndKeepsItsSchedule_data()
    {
        QTest::addColumn<int>("toleranceMs");
        QTest::addColumn<int>("blockAtSecondFiringMs");
        QTest::newRow("precise") << 0 << 0;
        QTest::newRow("tolerant") << 20 << 0;
        QTest::newRow("tolerance of a whole interval") << 100 << 0;
        QTest::newRow("thread blocked for two intervals and a half") << 20 << 250;
    }
    void firesNeverEarlyAndKeepsItsSchedule()
    {
        QFETCH(int, toleranceMs);
        QFETCH(int, blockAtSecondFiringMs);
        constexpr auto interval = 100ms;
        ToleranceTimer timer;
        configure(timer, interval, std::chrono::milliseconds{toleranceMs});
        struct Firing
        {
            SteadyClock::time_point at, deadline, nextDeadline;
        };
        std::vector<Firing> firings;
        SteadyClock::time_point deadline;
        connect(&timer, &ToleranceTimer::timeout, this, [&] {
            firings.push_back({SteadyClock::now(), deadline, timer.nextDeadline()});
            deadline = timer.nextDeadline();
            if (firings.size() == 2)
                QTest::qSleep(blockAtSecondFiringMs);
        });
        timer.start();
        deadline = timer.nextDeadline();
        const SteadyClock::time_point origin = deadline - interval;
        QTRY_VERIFY_WITH_TIMEOUT(firings.size() >= 5, 20000);
        timer.stop();

        for (int k = 1; k <= static_cast<int>(firings.size()); ++k) {
            const Firing &firing = firings.at(k - 1);
            QVERIFY(firing.at >= origin + k * interval);
            QVERIFY(firing.at >= firing.deadline);
            // The next one is on the schedule and still ahead: a missed firing is not made up.
            QVERIFY((firing.nextDeadline - origin) % interval == 0ns);
            QVERIFY(firing.nextDeadline > firing.at);
        }
        if (blockAtSecondFiringMs > 0)
            QVERIFY(firings[2].nextDeadline - firings[2].deadline >= 2 * interval);
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
        ToleranceTimer first;
        ToleranceTimer second;
        configure(first, 400ms, 100ms);
        configure(second, 400ms, 100ms, secondFollows);
        PassLog log;
        log.watch(first, 0);
        log.watch(second, 1);
        first.start();
        QTest::qSleep(startGapMs);
        second.start();
        QCOMPARE(second.nextDeadline() == first.nextDeadline(), secondFollows);

        QTRY_VERIFY_WITH_TIMEOUT(log.passesOf(0).size() >= 4 && log.passesOf(1).size() >= 4, 20000);
        first.stop();
        second.stop();
        if (shared)
            QCOMPARE(log.passesOf(1), log.passesOf(0));
        else
            QVERIFY(!log.passesOf(1).intersects(log.passesOf(0)));
    }

    void stopInsideItsSlotAndStartAgain()
    {
        ToleranceTimer timer;
        configure(timer, 50ms, 10ms);
        int firings = 0;
        connect(&timer, &ToleranceTimer::timeout, this, [&] {
            ++firings;
            timer.stop();
        });
        timer.start();
        QTRY_COMPARE_WITH_TIMEOUT(firings, 1, 20000);
        QVERIFY(!timer.isActive());
        QTest::qWait(200);
        QCOMPARE(firings, 1);
        timer.start();
        QVERIFY(timer.isActive());
        QTRY_COMPARE_WITH_TIMEOUT(firings, 2, 20000);
    }

    void deletingATimerFromAnotherOnesSlotLeavesThatOneRunning()
    {
        ToleranceTimer survivor;
        configure(survivor, 50ms, 20ms);
        auto deleted = std::make_unique<ToleranceTimer>();
        configure(*deleted, 50ms, 20ms);
        int survivorFirings = 0;
        int deletedFirings = 0;
        connect(&survivor, &ToleranceTimer::timeout, this, [&] {
            ++survivorFirings;
            deleted.reset();
        });
        connect(deleted.get(), &ToleranceTimer::timeout, this, [&] { ++deletedFirings; });
        survivor.start();
        deleted->start();
        QTRY_VERIFY_WITH_TIMEOUT(survivorFirings >= 3, 20000);
        QCOMPARE(deletedFirings, 0);
    }

    void eachThreadWakesForItsOwnTimers()
    {
        QThread worker;
        worker.start();
        QObject workerContext;
        workerContext.moveToThread(&worker);
        std::unique_ptr<ToleranceTimer> workerTimer;
        std::atomic<int> workerFirings = 0;
        std::atomic<bool> firedOffItsThread = false;
        const auto finishWorker = qScopeGuard([&] {
            QMetaObject::invokeMethod(
                &workerContext, [&] { workerTimer.reset(); }, Qt::BlockingQueuedConnection);
            worker.quit();
            worker.wait();
        });
        QMetaObject::invokeMethod(
            &workerContext,
            [&] {
                workerTimer = std::make_unique<ToleranceTimer>();
                configure(*workerTimer, 30ms, 10ms);
                connect(workerTimer.get(), &ToleranceTimer::timeout, workerTimer.get(), [&] {
                    firedOffItsThread = firedOffItsThread || QThread::currentThread() != &worker;
                    ++workerFirings;
                });
                workerTimer->start();
            },
            Qt::BlockingQueuedConnection);
        ToleranceTimer mainTimer;
        configure(mainTimer, 30ms, 10ms);
        int mainFirings = 0;
        connect(&mainTimer, &ToleranceTimer::timeout, this, [&] { ++mainFirings; });
        mainTimer.start();

        QTRY_VERIFY_WITH_TIMEOUT(mainFirings >= 3 && workerFirings >= 3, 20000);
        QVERIFY(!firedOffItsThread);
    }
};

QTEST_GUILESS_MAIN(TestToleranceTimer)
#include "TestToleranceTimer.moc"
