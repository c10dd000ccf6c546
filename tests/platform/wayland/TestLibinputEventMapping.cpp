#include "platform/wayland/LibinputEventMapping.h"
#include "support/FakeClock.h"
#include "tracking/activity/ActivityTracker.h"

#include <QtTest>

#include <linux/input-event-codes.h>

Q_DECLARE_METATYPE(DeviceInputEvent)

namespace {

using Kind = DeviceInputEvent::Kind;

DeviceInputEvent key(bool pressed, unsigned int seatCount, unsigned int code = KEY_A)
{
    DeviceInputEvent event{Kind::Key, pressed, code, seatCount};
    return event;
}

DeviceInputEvent button(unsigned int code, bool pressed, unsigned int seatCount)
{
    return DeviceInputEvent{Kind::PointerButton, pressed, code, seatCount};
}

DeviceInputEvent motion(double dx, double dy, Kind kind = Kind::PointerMotion)
{
    DeviceInputEvent event{kind};
    event.dx = dx;
    event.dy = dy;
    return event;
}

DeviceInputEvent press(unsigned int code)
{
    return button(code, true, 1);
}

DeviceInputEvent release(unsigned int code)
{
    return button(code, false, 0);
}

// What one turn of a high-resolution wheel sends: the scroll event and the legacy axis event.
QList<DeviceInputEvent> wheelTurn()
{
    return {DeviceInputEvent{Kind::ScrollWheel}, DeviceInputEvent{Kind::LegacyAxis}};
}

} // namespace

class TestLibinputEventMapping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapsOneEvent_data();
    void mapsOneEvent();
    void sequencesCountAsOnX11_data();
    void sequencesCountAsOnX11();
    void modifierKeysAreNoKeystrokes_data();
    void modifierKeysAreNoKeystrokes();
    void anotherSessionsInputIsNeverCounted_data();
    void anotherSessionsInputIsNeverCounted();
};

void TestLibinputEventMapping::mapsOneEvent_data()
{
    QTest::addColumn<DeviceInputEvent>("event");
    QTest::addColumn<int>("expectedType"); // -1: nothing reported
    QTest::addColumn<int>("expectedButton");

    const auto type = [](RawInputEvent::Type t) {
        return static_cast<int>(t);
    };
    QTest::newRow("key press") << key(true, 1) << type(RawInputEvent::Type::KeyDown) << 0;
    QTest::newRow("key release") << key(false, 0) << type(RawInputEvent::Type::KeyUp) << 0;
    QTest::newRow("key already held on another keyboard") << key(true, 2) << -1 << 0;
    QTest::newRow("relative motion")
        << motion(1.5, 0.0) << type(RawInputEvent::Type::PointerMotion) << 0;
    QTest::newRow("relative motion without a delta") << motion(0.0, 0.0) << -1 << 0;
    QTest::newRow("absolute motion") << motion(0.0, 0.0, Kind::PointerMotionAbsolute)
                                     << type(RawInputEvent::Type::PointerMotion) << 0;
    QTest::newRow("tablet pen moved")
        << motion(0.0, -0.2, Kind::TabletToolAxis) << type(RawInputEvent::Type::PointerMotion) << 0;
    QTest::newRow("tablet pressure only") << motion(0.0, 0.0, Kind::TabletToolAxis) << -1 << 0;
    QTest::newRow("wheel") << DeviceInputEvent{Kind::ScrollWheel}
                           << type(RawInputEvent::Type::ScrollMotion) << 0;
    QTest::newRow("two-finger scroll")
        << DeviceInputEvent{Kind::ScrollFinger} << type(RawInputEvent::Type::ScrollMotion) << 0;
    QTest::newRow("trackpoint scroll")
        << DeviceInputEvent{Kind::ScrollContinuous} << type(RawInputEvent::Type::ScrollMotion) << 0;
    QTest::newRow("legacy axis") << DeviceInputEvent{Kind::LegacyAxis} << -1 << 0;
    QTest::newRow("device added, touch, gesture") << DeviceInputEvent{Kind::Other} << -1 << 0;
    QTest::newRow("left press") << press(BTN_LEFT) << type(RawInputEvent::Type::ButtonDown) << 1;
    QTest::newRow("right release")
        << release(BTN_RIGHT) << type(RawInputEvent::Type::ButtonUp) << 3;
    QTest::newRow("left pressed on a second mouse") << button(BTN_LEFT, true, 2) << -1 << 0;
    QTest::newRow("left released while a second mouse holds it")
        << button(BTN_LEFT, false, 1) << -1 << 0;
}

void TestLibinputEventMapping::mapsOneEvent()
{
    QFETCH(DeviceInputEvent, event);
    QFETCH(int, expectedType);
    QFETCH(int, expectedButton);
    const std::optional<RawInputEvent> mapped = LibinputEventMapping::map(event, true);
    if (expectedType < 0) {
        QVERIFY(!mapped);
        return;
    }
    QVERIFY(mapped);
    QCOMPARE(static_cast<int>(mapped->type), expectedType);
    QCOMPARE(mapped->button, expectedButton);
}

void TestLibinputEventMapping::sequencesCountAsOnX11_data()
{
    QTest::addColumn<QList<DeviceInputEvent>>("events");
    QTest::addColumn<qint64>("mouseMoves");
    QTest::addColumn<qint64>("keyboardEvents");

    QTest::newRow("three moves, two keys pressed and released")
        << QList<DeviceInputEvent>{motion(1, 0), key(true, 1),  motion(0, 1),  key(false, 0),
                                   key(true, 1), key(false, 0), motion(-1, -1)}
        << qint64(3) << qint64(2);
    QTest::newRow("wheel turns and finger scrolls count nothing")
        << (wheelTurn() + wheelTurn() +
            QList<DeviceInputEvent>{DeviceInputEvent{Kind::ScrollFinger},
                                    DeviceInputEvent{Kind::LegacyAxis}})
        << qint64(0) << qint64(0);
    QTest::newRow("clicks count nothing")
        << QList<DeviceInputEvent>{press(BTN_LEFT),    release(BTN_LEFT), press(BTN_RIGHT),
                                   release(BTN_RIGHT), press(BTN_MIDDLE), release(BTN_MIDDLE)}
        << qint64(0) << qint64(0);
    QTest::newRow("left and right drags count, middle and side drags do not")
        << QList<DeviceInputEvent>{press(BTN_LEFT),     motion(2, 0),     release(BTN_LEFT),
                                   press(BTN_MIDDLE),   motion(2, 0),     motion(2, 0),
                                   release(BTN_MIDDLE), press(BTN_SIDE),  motion(1, 1),
                                   release(BTN_SIDE),   press(BTN_RIGHT), motion(0, 2),
                                   release(BTN_RIGHT),  motion(1, 0)}
        << qint64(3) << qint64(0);
    // Two mice: the first lets go of the middle button while the second still holds it, so the
    // motion after it is still a middle drag.
    QTest::newRow("middle button held on two mice")
        << QList<DeviceInputEvent>{press(BTN_MIDDLE),
                                   button(BTN_MIDDLE, true, 2),
                                   button(BTN_MIDDLE, false, 1),
                                   motion(3, 0),
                                   release(BTN_MIDDLE),
                                   motion(3, 0)}
        << qint64(1) << qint64(0);
    QTest::newRow("a key held on two keyboards is one press")
        << QList<DeviceInputEvent>{key(true, 1), key(true, 2), key(false, 1), key(false, 0)}
        << qint64(0) << qint64(1);
}

void TestLibinputEventMapping::sequencesCountAsOnX11()
{
    QFETCH(QList<DeviceInputEvent>, events);
    QFETCH(qint64, mouseMoves);
    QFETCH(qint64, keyboardEvents);
    FakeClock clock;
    ActivityTracker tracker(nullptr, clock);
    for (const DeviceInputEvent &event : events) {
        if (const std::optional<RawInputEvent> raw = LibinputEventMapping::map(event, true))
            tracker.handleEvent(*raw);
    }
    QCOMPARE(tracker.snapshot(1.0).mouseMoves, mouseMoves);
    QCOMPARE(tracker.snapshot(1.0).keyboardEvents, keyboardEvents);
    QCOMPARE(tracker.consumeHadInputThisSecond(), mouseMoves + keyboardEvents > 0);
}

void TestLibinputEventMapping::modifierKeysAreNoKeystrokes_data()
{
    QTest::addColumn<unsigned int>("code");
    QTest::addColumn<bool>("counted");
    QTest::newRow("left shift") << unsigned(KEY_LEFTSHIFT) << false;
    QTest::newRow("right shift") << unsigned(KEY_RIGHTSHIFT) << false;
    QTest::newRow("left ctrl") << unsigned(KEY_LEFTCTRL) << false;
    QTest::newRow("right ctrl") << unsigned(KEY_RIGHTCTRL) << false;
    QTest::newRow("alt") << unsigned(KEY_LEFTALT) << false;
    QTest::newRow("altgr") << unsigned(KEY_RIGHTALT) << false;
    QTest::newRow("left super") << unsigned(KEY_LEFTMETA) << false;
    QTest::newRow("right super") << unsigned(KEY_RIGHTMETA) << false;
    QTest::newRow("caps lock") << unsigned(KEY_CAPSLOCK) << false;
    QTest::newRow("num lock") << unsigned(KEY_NUMLOCK) << false;
    QTest::newRow("a") << unsigned(KEY_A) << true;
    QTest::newRow("space") << unsigned(KEY_SPACE) << true;
    QTest::newRow("enter") << unsigned(KEY_ENTER) << true;
    QTest::newRow("tab") << unsigned(KEY_TAB) << true;
    QTest::newRow("escape") << unsigned(KEY_ESC) << true;
    QTest::newRow("scroll lock") << unsigned(KEY_SCROLLLOCK) << true;
    QTest::newRow("menu key") << unsigned(KEY_COMPOSE) << true;
}

void TestLibinputEventMapping::modifierKeysAreNoKeystrokes()
{
    QFETCH(unsigned int, code);
    QFETCH(bool, counted);
    FakeClock clock;
    ActivityTracker tracker(nullptr, clock);
    // Pressed and let go ten times.
    for (int press = 0; press < 10; ++press) {
        for (const DeviceInputEvent &event : {key(true, 1, code), key(false, 0, code)}) {
            if (const std::optional<RawInputEvent> raw = LibinputEventMapping::map(event, true))
                tracker.handleEvent(*raw);
        }
    }
    QCOMPARE(tracker.snapshot(1.0).keyboardEvents, qint64(counted ? 10 : 0));
    QCOMPARE(tracker.consumeHadInputThisSecond(), counted);
}

void TestLibinputEventMapping::anotherSessionsInputIsNeverCounted_data()
{
    QTest::addColumn<QList<DeviceInputEvent>>("events");
    QTest::addColumn<QList<int>>("switches"); // the session's activity flips before these events
    QTest::addColumn<qint64>("mouseMoves");
    QTest::addColumn<qint64>("keyboardEvents");

    const QList<DeviceInputEvent> typing{key(true, 1), key(false, 0), motion(1, 1),
                                         key(true, 1), key(false, 0), motion(1, 1)};
    QTest::newRow("always active") << typing << QList<int>{} << qint64(2) << qint64(2);
    QTest::newRow("another user from the third event on")
        << typing << QList<int>{2} << qint64(0) << qint64(1);
    QTest::newRow("away and back") << typing << QList<int>{1, 3} << qint64(1) << qint64(2);
    // The middle button let go while the other session had the seat must not stay held.
    QTest::newRow("a drag button released during the switch")
        << QList<DeviceInputEvent>{press(BTN_MIDDLE), release(BTN_MIDDLE), motion(2, 0)}
        << QList<int>{1, 2} << qint64(1) << qint64(0);
    QTest::newRow("a button pressed during the switch")
        << QList<DeviceInputEvent>{press(BTN_MIDDLE), motion(2, 0), release(BTN_MIDDLE),
                                   motion(2, 0)}
        << QList<int>{0, 2} << qint64(1) << qint64(0);
}

void TestLibinputEventMapping::anotherSessionsInputIsNeverCounted()
{
    QFETCH(QList<DeviceInputEvent>, events);
    QFETCH(QList<int>, switches);
    QFETCH(qint64, mouseMoves);
    QFETCH(qint64, keyboardEvents);
    FakeClock clock;
    ActivityTracker tracker(nullptr, clock);
    bool active = true;
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (switches.contains(int(i)))
            active = !active;
        if (const std::optional<RawInputEvent> raw =
                LibinputEventMapping::map(events.at(i), active))
            tracker.handleEvent(*raw);
    }
    QCOMPARE(tracker.snapshot(1.0).mouseMoves, mouseMoves);
    QCOMPARE(tracker.snapshot(1.0).keyboardEvents, keyboardEvents);
}

QTEST_GUILESS_MAIN(TestLibinputEventMapping)
#include "TestLibinputEventMapping.moc"
