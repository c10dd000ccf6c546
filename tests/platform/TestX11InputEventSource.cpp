#include "platform/PlatformServices.h"
#include "platform/x11/X11InputEventSource.h"
#include "support/TestEnvironment.h"
#include "support/ThreadSleeps.h"
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
    void modifierKeysAreNoKeystrokes_data();
    void modifierKeysAreNoKeystrokes();
    void shortcutsCountTheirKeyOnly();
    void stopEndsTheThreadAndLaterInputIsNotCounted();
    void wakeEndsABlockedWaitFromAnotherThread();
    void eventsWaitForTheReadWithoutWakingTheListener();
    void aReaderAndTheListenerTakeEachEventOnce();
    void withoutAReaderTheListenerLooksAgain();

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

void TestX11InputEventSource::modifierKeysAreNoKeystrokes_data()
{
    QTest::addColumn<unsigned long>("keysym");
    QTest::addColumn<bool>("counted");
    QTest::newRow("left shift") << (unsigned long)XK_Shift_L << false;
    QTest::newRow("right shift") << (unsigned long)XK_Shift_R << false;
    QTest::newRow("left ctrl") << (unsigned long)XK_Control_L << false;
    QTest::newRow("right ctrl") << (unsigned long)XK_Control_R << false;
    QTest::newRow("alt") << (unsigned long)XK_Alt_L << false;
    QTest::newRow("right alt") << (unsigned long)XK_Alt_R << false;
    QTest::newRow("altgr") << (unsigned long)XK_ISO_Level3_Shift << false;
    QTest::newRow("mode switch") << (unsigned long)XK_Mode_switch << false;
    QTest::newRow("super") << (unsigned long)XK_Super_L << false;
    QTest::newRow("meta") << (unsigned long)XK_Meta_L << false;
    QTest::newRow("caps lock") << (unsigned long)XK_Caps_Lock << false;
    QTest::newRow("num lock") << (unsigned long)XK_Num_Lock << false;
    QTest::newRow("a") << (unsigned long)XK_a << true;
    QTest::newRow("return") << (unsigned long)XK_Return << true;
    QTest::newRow("space") << (unsigned long)XK_space << true;
    QTest::newRow("escape") << (unsigned long)XK_Escape << true;
    QTest::newRow("menu") << (unsigned long)XK_Menu << true;
    QTest::newRow("scroll lock") << (unsigned long)XK_Scroll_Lock << true;
}

void TestX11InputEventSource::modifierKeysAreNoKeystrokes()
{
    QFETCH(unsigned long, keysym);
    QFETCH(bool, counted);
    QCOMPARE(X11InputEventSource::isModifierKeysym(keysym), !counted);
    if (!m_input->hasKey(keysym))
        QSKIP("the test display's layout has no such key");
    // An even number of taps leaves Caps Lock and Num Lock as they were.
    for (int tap = 0; tap < 4; ++tap)
        m_input->keyTap(keysym);
    // A letter after them shows the stream has delivered everything before it.
    m_input->keyTap(XK_b);
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(counted ? 5 : 1));
    settle();
    QCOMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(counted ? 5 : 1));
}

void TestX11InputEventSource::shortcutsCountTheirKeyOnly()
{
    // 30 presses of Shift and 10 of Ctrl on their own, then Shift+A and Ctrl+A: two keystrokes.
    for (int tap = 0; tap < 30; ++tap)
        m_input->keyTap(XK_Shift_L);
    for (int tap = 0; tap < 10; ++tap)
        m_input->keyTap(XK_Control_L);
    m_input->typeText("A");
    m_input->selectAll();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(2));
    settle();
    QCOMPARE(m_tracker->snapshot(1.0), (ActivitySnapshot{0, 2, 0.0}));
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

void TestX11InputEventSource::eventsWaitForTheReadWithoutWakingTheListener()
{
    m_input->keyTap();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(1));
    settle();
    const QByteArray listener("activity.tap");
    const std::optional<qint64> before = timesThreadSlept(listener);
    QVERIFY(before.has_value());

    // Typing at a steady pace: the listener wakes for the first key, the rest wait for the read.
    for (int i = 0; i < 20; ++i) {
        m_input->keyTap();
        m_input->moveBy(2, 1);
        QTest::qWait(25);
    }
    settle();
    QVERIFY2(*timesThreadSlept(listener) - *before <= 8,
             qPrintable(QString::number(*timesThreadSlept(listener) - *before)));
    QCOMPARE(m_tracker->getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{20, 21}));
    QVERIFY(m_tracker->consumeHadInputThisSecond());

    // The read sent the listener back to the stream: the next key is its own again, and what
    // waits at a stop is still counted.
    m_input->keyTap();
    settle();
    m_input->keyTap();
    settle();
    m_tracker->stop();
    QCOMPARE(m_tracker->getAndResetMouseKeyboardDeltaThisSecond(), (MouseKeyboardDelta{0, 2}));
}

void TestX11InputEventSource::aReaderAndTheListenerTakeEachEventOnce()
{
    m_tracker.reset();
    X11InputEventSource source;
    QVERIFY(source.open());
    std::atomic<int> keysOfListener{0};
    std::atomic<bool> stopping{false};
    std::thread listener([&] {
        while (!stopping && source.waitAndDispatch([&](const RawInputEvent &event) {
            keysOfListener += event.type == RawInputEvent::Type::KeyDown;
        })) {
        }
    });
    int keysOfReader = 0;
    const auto reader = [&](const RawInputEvent &event) {
        keysOfReader += event.type == RawInputEvent::Type::KeyDown;
    };
    for (int i = 0; i < 60; ++i) {
        m_input->keyTap();
        QVERIFY(source.dispatchWaiting(reader));
    }
    settle();
    QVERIFY(source.dispatchWaiting(reader));
    stopping = true;
    source.wake();
    listener.join();
    QCOMPARE(keysOfListener + keysOfReader, 60);
    source.close();
}

void TestX11InputEventSource::withoutAReaderTheListenerLooksAgain()
{
    m_input->keyTap();
    QTRY_COMPARE(m_tracker->snapshot(1.0).keyboardEvents, qint64(1));
    m_input->keyTap();
    settle();
    const std::optional<Timestamp> firstAfterTheRead = m_tracker->latestInputAt();
    QVERIFY(firstAfterTheRead.has_value());

    // Nobody asks for the counts: the time of the last input must not stand still.
    m_input->keyTap();
    QTRY_VERIFY_WITH_TIMEOUT(*m_tracker->latestInputAt() > *firstAfterTheRead, 5000);
}

QTEST_GUILESS_MAIN(TestX11InputEventSource)
#include "TestX11InputEventSource.moc"
