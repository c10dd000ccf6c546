#include "platform/wayland/LibinputEventMapping.h"

#include <linux/input-event-codes.h>

namespace LibinputEventMapping {

namespace {

// Buttons below the mouse range (BTN_0 to BTN_9 of some mice and pads) go after every button
// above it, so no two codes share a number.
constexpr int firstMiscButtonNumber = 8 + (KEY_MAX - BTN_SIDE) + 1;

std::optional<RawInputEvent> keyEvent(const DeviceInputEvent &event)
{
    // Holding Shift or Ctrl for a shortcut is no keystroke of its own.
    if (isModifierKey(event.code))
        return std::nullopt;
    if (!event.pressed)
        return RawInputEvent{RawInputEvent::Type::KeyUp, 0};
    // The same key already held on another keyboard of the seat is no new key press.
    if (event.seatCount > 1)
        return std::nullopt;
    return RawInputEvent{RawInputEvent::Type::KeyDown, 0};
}

std::optional<RawInputEvent> buttonEvent(const DeviceInputEvent &event)
{
    // A button held on two devices stays held until the last one lets go, as the X server's
    // master pointer sees it.
    if (event.pressed ? event.seatCount != 1 : event.seatCount != 0)
        return std::nullopt;
    return RawInputEvent{event.pressed ? RawInputEvent::Type::ButtonDown
                                       : RawInputEvent::Type::ButtonUp,
                         buttonNumber(event.code)};
}

} // namespace

bool isModifierKey(unsigned int evdevCode)
{
    switch (evdevCode) {
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
    case KEY_LEFTALT:
    case KEY_RIGHTALT: // AltGr on most layouts
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA:
    case KEY_CAPSLOCK:
    case KEY_NUMLOCK:
        return true;
    default:
        return false;
    }
}

int buttonNumber(unsigned int evdevCode)
{
    switch (evdevCode) {
    case BTN_LEFT:
        return 1;
    case BTN_MIDDLE:
        return 2;
    case BTN_RIGHT:
        return 3;
    default:
        break;
    }
    if (evdevCode > BTN_MIDDLE)
        return 8 + static_cast<int>(evdevCode - BTN_SIDE);
    return firstMiscButtonNumber + static_cast<int>(evdevCode);
}

std::optional<RawInputEvent> map(const DeviceInputEvent &event, bool sessionActive)
{
    using Kind = DeviceInputEvent::Kind;
    if (!sessionActive) {
        const bool release =
            (event.kind == Kind::Key || event.kind == Kind::PointerButton) && !event.pressed;
        if (!release)
            return std::nullopt;
    }
    switch (event.kind) {
    case Kind::Key:
        return keyEvent(event);
    case Kind::PointerButton:
        return buttonEvent(event);
    case Kind::PointerMotion:
    case Kind::TabletToolAxis:
        // A tablet reports pressure and tilt on the same event; only a changed position moves.
        if (event.dx == 0.0 && event.dy == 0.0)
            return std::nullopt;
        return RawInputEvent{RawInputEvent::Type::PointerMotion, 0};
    case Kind::PointerMotionAbsolute:
        return RawInputEvent{RawInputEvent::Type::PointerMotion, 0};
    case Kind::ScrollWheel:
    case Kind::ScrollFinger:
    case Kind::ScrollContinuous:
        return RawInputEvent{RawInputEvent::Type::ScrollMotion, 0};
    case Kind::LegacyAxis:
        // Every legacy axis event repeats a scroll event above; reporting both would count one
        // turn of the wheel twice wherever scrolling is ever counted.
        return std::nullopt;
    case Kind::Other:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace LibinputEventMapping
