#include "platform/PlatformServices.h"
#include "platform/x11/X11InputEventSource.h"
#include "support/TestEnvironment.h"
#include "tracking/activity/ActivityTracker.h"

#include <QtTest>

#include "XTestInjector.h"

namespace {

// Raw events reach the tracker's thread shortly after XSync; this waits out the stragglers.
void settle()
{
    QTest::qWait(300);
}

} // namespace

class TestX11InputEventSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void keyDownsAndRelativeMotionAreCountedExactly();
    void clicksAndScrollingAreNotCounted();
    void middleButtonDragIsNotCountedLeftDragIs();
    void stopEndsTheThreadAndLaterInputIsNotCounted();
    void wakeEndsABlockedWaitFromAnotherThread();

private:
    std::unique_ptr<XTestInjector> m_input;
    std::unique_ptr<ActivityTracker> m_tracker;
};

void TestX11InputEventSource::initTestCase()
{
    ZUV_REQUIRE_X11();
    m_input = std::make_unique<XTestInjector>();
    QVERIFY(m_input->isOpen());
}

void TestX11InputEventSource::init()
{
    m_tracker = std::make_unique<ActivityTracker>(PlatformServices::createInputEventSource());
    QVERIFY(m_tracker->start());
    m_input->centrePointer();
    settle();
    m_tracker->reset();
}

void TestX11InputEventSource::cleanup()
{
    m_tracker.reset();
}

void TestX11InputEventSource::keyDownsAndRelativeMotionAreCountedExactly()
{
    for (int i = 0; i < 5; ++i)
        m_input->keyTap();
    for (int i = 0; i < 7; ++i)
        m_input->moveBy(i % 2 ? 3 : -3, 2 - i % 3);
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(5));
    QTRY_COMPARE(m_tracker->snapshot(1.0).mouseMoves, qint64(7));
    settle();
    QCOMPARE(m_tracker->snapshot(1.0), (ActivitySnapshot{7, 5, 0.0}));
    QCOMPARE(m_tracker->getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{7, 5}));
    QVERIFY(m_tracker->consumeHadInputThisSecond());
    QVERIFY(m_tracker->latestInputAt().has_value());
}

void TestX11InputEventSource::clicksAndScrollingAreNotCounted()
{
    for (unsigned int button : {1U, 2U, 3U, 4U, 5U, 6U, 7U})
        m_input->click(button);
    settle();
    QCOMPARE(m_tracker->snapshot(1.0), (ActivitySnapshot{0, 0, 0.0}));
    QVERIFY(!m_tracker->consumeHadInputThisSecond());
    QVERIFY(!m_tracker->latestInputAt());

    // The stream is still alive: a key-down after them is counted.
    m_input->keyTap();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(1));
}

void TestX11InputEventSource::middleButtonDragIsNotCountedLeftDragIs()
{
    m_input->button(2, true);
    m_input->moveBy(4, 0);
    m_input->moveBy(4, 0);
    m_input->button(2, false);
    m_input->button(1, true);
    m_input->moveBy(-4, 0);
    m_input->button(1, false);
    QTRY_COMPARE(m_tracker->snapshot(1.0).mouseMoves, qint64(1));
    settle();
    QCOMPARE(m_tracker->snapshot(1.0).mouseMoves, qint64(1));
}

void TestX11InputEventSource::stopEndsTheThreadAndLaterInputIsNotCounted()
{
    m_input->keyTap();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(1));
    QElapsedTimer timer;
    timer.start();
    m_tracker->stop();
    QVERIFY(timer.elapsed() < 1000); // the wait was woken, not timed out
    QVERIFY(!m_tracker->isRunning());
    m_input->keyTap();
    m_input->moveBy(5, 5);
    settle();
    QCOMPARE(m_tracker->snapshot(1.0), (ActivitySnapshot{0, 1, 0.0}));

    // A restart opens a new connection and counts again.
    QVERIFY(m_tracker->start());
    m_input->keyTap();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(2));
}

void TestX11InputEventSource::wakeEndsABlockedWaitFromAnotherThread()
{
    X11InputEventSource source;
    QVERIFY(source.open());
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        source.waitAndDispatch([](const RawInputEvent &) {});
        returned = true;
    });
    QTest::qWait(100);
    source.wake();
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 2000);
    waiter.join();
    source.close();
}

QTEST_GUILESS_MAIN(TestX11InputEventSource)
#include "TestX11InputEventSource.moc"
