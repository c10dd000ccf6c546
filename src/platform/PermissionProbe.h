#pragma once

// The two checks behind the permissions tracking needs, as this system can make them.
class PermissionProbe
{
public:
    virtual ~PermissionProbe() = default;

    // Input events can be listened to: the display server is reachable and offers raw input
    // events (XInput 2.2 or later).
    virtual bool canListenToInput() = 0;

    // One pixel of the screen can be read from the display server.
    virtual bool canCaptureScreen() = 0;
};
