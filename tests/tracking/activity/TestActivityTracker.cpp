#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/platform/FakeInputEventSource.h"
#include "tracking/activity/ActivityTracker.h"

#include <QThread>
#include <QtTest>

#include <cmath>

using Type = RawInputEvent::Type;
using EventList = QList<RawInputEvent>;

class TestActivityTracker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countingRules_data();
    void countingRules();
    void perSecondDeltasAreTakenOnce();
    void activityScore_data();
    void activityScore();
    void startTwiceOpensOneStream();
    void stopKeepsCountersAndResetClearsThem();
    void seedContinuesAStoredSession();
    void failedStartLogsAndReportsFalse();
    void eventsReachTheTrackerOnItsNamedThread();
    void nothingIsCountedAfterStop();
    void brokenStreamLeavesTheTrackerStopped();
    void secondsSinceLastInputStartsAtTheStreamOpening();
};

void TestActivityTracker::countingRules_data()
{
    QTest::addColumn<EventList>("events");
    QTest::addColumn<qint64>("mouse");
    QTest::addColumn<qint64>("keyboard");

    const RawInputEvent move{Type::PointerMotion, 0};
    const RawInputEvent key{Type::KeyDown, 0};
    QTest::newRow("three moves, two key-downs")
        << EventList{move, key, move, key, move} << qint64(3) << qint64(2);
    QTest::newRow("key-ups never count")
        << EventList{{Type::KeyUp, 0}, {Type::KeyUp, 0}} << qint64(0) << qint64(0);
    QTest::newRow("clicks never count") << EventList{{Type::ButtonDown, 1},
                                                     {Type::ButtonUp, 1},
                                                     {Type::ButtonDown, 3},
                                                     {Type::ButtonUp, 3}}
                                        << qint64(0) << qint64(0);
    QTest::newRow("scrolling never counts")
        << EventList{{Type::ScrollMotion, 4}, {Type::ScrollMotion, 5}, {Type::ScrollMotion, 0}}
        << qint64(0) << qint64(0);
    QTest::newRow("left drag counts")
        << EventList{{Type::ButtonDown, 1}, move, move, {Type::ButtonUp, 1}} << qint64(2)
        << qint64(0);
    QTest::newRow("right drag counts")
        << EventList{{Type::ButtonDown, 3}, move, {Type::ButtonUp, 3}} << qint64(1) << qint64(0);
    QTest::newRow("middle drag does not count, moving after release does")
        << EventList{{Type::ButtonDown, 2}, move, move, {Type::ButtonUp, 2}, move} << qint64(1)
        << qint64(0);
    QTest::newRow("left held with middle counts")
        << EventList{{Type::ButtonDown, 2}, {Type::ButtonDown, 1}, move} << qint64(1) << qint64(0);
}

void TestActivityTracker::countingRules()
{
    QFETCH(EventList, events);
    QFETCH(qint64, mouse);
    QFETCH(qint64, keyboard);

    FakeClock clock;
    ActivityTracker tracker(std::make_unique<FakeInputEventSource>(), clock);
    for (const RawInputEvent &event : events)
        tracker.handleEvent(event);

    const ActivitySnapshot snapshot = tracker.snapshot(60.0);
    QCOMPARE(snapshot.mouseMoves, mouse);
    QCOMPARE(snapshot.keyboardEvents, keyboard);
    const bool counted = mouse + keyboard > 0;
    // Uncounted events leave the per-second flag and the last input time alone.
    QCOMPARE(tracker.consumeHadInputThisSecond(), counted);
    QCOMPARE(tracker.latestInputAt().has_value(), counted);
    QCOMPARE(tracker.getAndResetMouseKeyboardDeltaThisSecond(),
             (MouseKeyboardDelta{mouse, keyboard}));
}

void TestActivityTracker::perSecondDeltasAreTakenOnce()
{
    FakeClock clock;
    ActivityTracker tracker(std::make_unique<FakeInputEventSource>(), clock);
    for (int i = 0; i < 3; ++i)
        tracker.handleEvent({Type::PointerMotion, 0});
    clock.advance(2.5);
    tracker.handleEvent({Type::KeyDown, 0});
    tracker.handleEvent({Type::KeyDown, 0});

    QCOMPARE(tracker.getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{3, 2}));
    QCOMPARE(tracker.getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{0, 0}));
    QVERIFY(tracker.consumeHadInputThisSecond());
    QVERIFY(!tracker.consumeHadInputThisSecond());
    QCOMPARE(tracker.latestInputAt(), std::optional<Timestamp>(clock.now()));
    const ActivitySnapshot totals = tracker.snapshot(1.0);
    QCOMPARE(totals.mouseMoves, qint64(3));
    QCOMPARE(totals.keyboardEvents, qint64(2));
}

void TestActivityTracker::activityScore_data()
{
    QTest::addColumn<int>("activeSeconds");
    QTest::addColumn<double>("trackedSeconds");
    QTest::addColumn<double>("score");

    QTest::newRow("no tracked time") << 10 << 0.0 << 0.0;
    QTest::newRow("negative tracked time") << 10 << -5.0 << 0.0;
    QTest::newRow("not a number") << 10 << std::nan("") << 0.0;
    QTest::newRow("half") << 30 << 60.0 << 50.0;
    QTest::newRow("more active than tracked is clamped") << 90 << 60.0 << 100.0;
    QTest::newRow("none active") << 0 << 60.0 << 0.0;
}

void TestActivityTracker::activityScore()
{
    QFETCH(int, activeSeconds);
    QFETCH(double, trackedSeconds);
    QFETCH(double, score);

    ActivityTracker tracker(std::make_unique<FakeInputEventSource>());
    for (int i = 0; i < activeSeconds; ++i)
        tracker.recordActiveSecondForSession();
    QCOMPARE(tracker.snapshot(trackedSeconds).activityScore, score);
}

void TestActivityTracker::startTwiceOpensOneStream()
{
    auto source = std::make_unique<FakeInputEventSource>();
    FakeInputEventSource *fake = source.get();
    ActivityTracker tracker(std::move(source));
    QVERIFY(tracker.start());
    QVERIFY(tracker.start());
    QCOMPARE(fake->openCount(), 1);
    QVERIFY(tracker.isRunning());
    tracker.stop();
    QVERIFY(!tracker.isRunning());
    QCOMPARE(fake->closeCount(), 1);
    tracker.stop(); // not running: nothing happens
    QCOMPARE(fake->closeCount(), 1);
}

void TestActivityTracker::stopKeepsCountersAndResetClearsThem()
{
    auto source = std::make_unique<FakeInputEventSource>();
    FakeInputEventSource *fake = source.get();
    ActivityTracker tracker(std::move(source));
    QVERIFY(tracker.start());
    fake->push(Type::PointerMotion);
    fake->push(Type::KeyDown);
    QVERIFY(fake->waitUntilDrained());
    tracker.recordActiveSecondForSession();
    tracker.stop();
    QVERIFY(tracker.start());
    fake->push(Type::PointerMotion);
    QVERIFY(fake->waitUntilDrained());
    QCOMPARE(tracker.snapshot(1.0), (ActivitySnapshot{2, 1, 100.0}));

    tracker.reset();
    QCOMPARE(tracker.snapshot(1.0), (ActivitySnapshot{0, 0, 0.0}));
    QVERIFY(!tracker.latestInputAt());
    QVERIFY(!tracker.consumeHadInputThisSecond());
    QCOMPARE(tracker.getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{0, 0}));
    QVERIFY(tracker.isRunning()); // reset does not touch the stream
}

void TestActivityTracker::seedContinuesAStoredSession()
{
    ActivityTracker tracker(std::make_unique<FakeInputEventSource>());
    tracker.handleEvent({Type::KeyDown, 0});
    tracker.seed(120, 45, 30);
    QCOMPARE(tracker.getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{0, 0}));
    tracker.handleEvent({Type::PointerMotion, 0});
    tracker.recordActiveSecondForSession();
    QCOMPARE(tracker.snapshot(62.0), (ActivitySnapshot{121, 45, 50.0}));
}

void TestActivityTracker::failedStartLogsAndReportsFalse()
{
    auto source = std::make_unique<FakeInputEventSource>();
    source->setOpenSucceeds(false);
    ActivityTracker tracker(std::move(source));
    LogCapture log;
    QVERIFY(!tracker.start());
    QVERIFY(!tracker.isRunning());
    QVERIFY(log.contains(QStringLiteral("Failed creating CGEvent tap")));
    QVERIFY(!tracker.secondsSinceLastInput());
}

void TestActivityTracker::eventsReachTheTrackerOnItsNamedThread()
{
    // The clock is asked for "now" by the thread that counts: it records the thread's name.
    class NamingClock final : public Clock
    {
    public:
        Timestamp now() const override
        {
            const QMutexLocker locker(&mutex);
            names.insert(QThread::currentThread()->objectName());
            return Timestamp::fromSecondsSince1970(1000.0);
        }
        mutable QMutex mutex;
        mutable QSet<QString> names;
    } clock;

    auto source = std::make_unique<FakeInputEventSource>();
    FakeInputEventSource *fake = source.get();
    ActivityTracker tracker(std::move(source), clock);
    QVERIFY(tracker.start());
    fake->push(Type::KeyDown);
    QVERIFY(fake->waitUntilDrained());
    tracker.stop();
    const QMutexLocker locker(&clock.mutex);
    QVERIFY(clock.names.contains(QString::fromLatin1(ActivityTracker::threadName)));
}

void TestActivityTracker::nothingIsCountedAfterStop()
{
    auto source = std::make_unique<FakeInputEventSource>();
    FakeInputEventSource *fake = source.get();
    ActivityTracker tracker(std::move(source));
    QVERIFY(tracker.start());
    fake->push(Type::KeyDown);
    QVERIFY(fake->waitUntilDrained());
    tracker.stop();
    QVERIFY(fake->wakeCount() >= 1);
    // The thread has ended: events queued now are never delivered.
    fake->push(Type::KeyDown);
    QVERIFY(!fake->waitUntilDrained(200));
    QCOMPARE(tracker.snapshot(1.0).keyboardEvents, qint64(1));
}

void TestActivityTracker::brokenStreamLeavesTheTrackerStopped()
{
    auto source = std::make_unique<FakeInputEventSource>();
    FakeInputEventSource *fake = source.get();
    ActivityTracker tracker(std::move(source));
    LogCapture log;
    QVERIFY(tracker.start());
    fake->breakStream();
    QTRY_VERIFY(!tracker.isRunning());
    QVERIFY(!tracker.secondsSinceLastInput());
    QVERIFY(log.contains(QStringLiteral("input event stream ended")));
    // It can be started again.
    QVERIFY(tracker.start());
    QCOMPARE(fake->openCount(), 2);
    fake->push(Type::PointerMotion);
    QVERIFY(fake->waitUntilDrained());
    QCOMPARE(tracker.snapshot(1.0).mouseMoves, qint64(1));
}

void TestActivityTracker::secondsSinceLastInputStartsAtTheStreamOpening()
{
    FakeClock clock;
    ActivityTracker tracker(std::make_unique<FakeInputEventSource>(), clock);
    tracker.handleEvent({Type::KeyDown, 0}); // seen before this run: older than the opening
    clock.advance(600);
    QVERIFY(!tracker.secondsSinceLastInput());
    QVERIFY(tracker.start());
    clock.advance(7);
    QCOMPARE(tracker.secondsSinceLastInput(), std::optional<double>(7.0));
    tracker.handleEvent({Type::PointerMotion, 0});
    clock.advance(3);
    QCOMPARE(tracker.secondsSinceLastInput(), std::optional<double>(3.0));
    // A click is no input.
    tracker.handleEvent({Type::ButtonDown, 1});
    QCOMPARE(tracker.secondsSinceLastInput(), std::optional<double>(3.0));
    tracker.stop();
    QVERIFY(!tracker.secondsSinceLastInput());
}

QTEST_GUILESS_MAIN(TestActivityTracker)
#include "TestActivityTracker.moc"
