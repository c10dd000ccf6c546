#pragma once

// The two checks behind the permissions tracking needs, as this system can make them.
class PermissionProbe
{
public:
    // Why the last input check failed, where the probe can tell.
    enum class InputRefusal
    {
        Unknown,
        NoDevices,      // the seat has no keyboard or pointer at all
        DevicesRefused, // there are some, and reading them was refused
    };

    virtual ~PermissionProbe() = default;

    // Input events can be listened to: the display server is reachable and offers raw input
    // events (XInput 2.2 or later).
    virtual bool canListenToInput() = 0;
    virtual InputRefusal lastInputRefusal() const { return InputRefusal::Unknown; }

    // One pixel of the screen can be read from the display server.
    virtual bool canCaptureScreen() = 0;
};
