#pragma once

#include "platform/InputEventSource.h"

#include <optional>

// What the input reader takes from one libinput event before it is counted: enough to tell
// key presses, button changes, motion and scrolling apart, nothing that identifies a key or a
// position. Kept apart from libinput's own event objects so the mapping can be fed by hand.
struct DeviceInputEvent
{
    enum class Kind
    {
        Other, // device added or removed, touch, gestures, switches, tablet pad...
        Key,
        PointerMotion,         // relative motion
        PointerMotionAbsolute, // absolute devices (touchpads in absolute mode, virtual pointers)
        PointerButton,
        LegacyAxis, // the old axis event, sent besides the scroll events below
        ScrollWheel,
        ScrollFinger,
        ScrollContinuous,
        TabletToolAxis,
    };

    Kind kind = Kind::Other;
    bool pressed = false;       // Key, PointerButton
    unsigned int code = 0;      // Key: the key code; PointerButton: the evdev button code
    unsigned int seatCount = 1; // Key, PointerButton: presses of that code held on the whole seat
    double dx = 0.0;            // PointerMotion: the unaccelerated delta
    double dy = 0.0;
};

namespace LibinputEventMapping {

// Shift, Control, Alt, AltGr, Super, Caps Lock and Num Lock by their evdev key code: pressing
// one changes what other keys do and is never counted as a keystroke.
bool isModifierKey(unsigned int evdevCode);

// The button number the X11 source reports for an evdev button code (left 1, middle 2, right 3,
// side and extra 8, 9 and on), so both sources feed the counting alike. 4 to 7 are never
// returned: on X11 they are the wheel.
int buttonNumber(unsigned int evdevCode);

// The raw event to count for one device event, or none when it is not counted at all. While
// another session has the seat only releases pass (they count nothing), so a button let go
// during a user switch is not held for ever.
std::optional<RawInputEvent> map(const DeviceInputEvent &event, bool sessionActive);

} // namespace LibinputEventMapping
