#pragma once

#include <QProcessEnvironment>

// The kind of graphical session the program runs in, which decides the platform seams.
enum class SessionType
{
    X11,
    Wayland,
};

namespace SessionTypes {

// Wayland when the session says so (XDG_SESSION_TYPE "wayland"), or when it names no graphical
// type and a Wayland display is set; X11 otherwise. DISPLAY is never looked at: XWayland sets it
// on Wayland sessions too.
SessionType fromEnvironment(const QProcessEnvironment &environment);

const char *name(SessionType type);

} // namespace SessionTypes
