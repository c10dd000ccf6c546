#pragma once

#include <memory>

class PermissionProbe;

// The two permissions tracking needs, in their meaning on this system: "Input Monitoring" holds
// when the display server is reachable and offers raw input events (XInput 2.2), or on Wayland
// when a keyboard or pointer of the seat can be read; "Screen Recording" holds when one pixel of
// the screen can be read. There is no settings page to open
// and no permission database to reset here: those operations say so in the log and report
// failure.
class PermissionService
{
public:
    PermissionService() = delete;

    static bool hasInputMonitoringPermission();
    // Nothing can prompt the user here, so this checks again at most once per process: true when
    // granted; false without a new check once a request was made during this launch.
    static bool requestInputMonitoringPermissionIfNeeded();
    static bool hasScreenRecordingPermission();

    // No counterpart on this system: logged, and false.
    static bool openScreenRecordingSettings();
    static bool openInputMonitoringSettings();
    static bool revokePermissions();

    // The probe behind the checks; the X11 one unless replaced. Passing nullptr restores it and
    // clears the once-per-launch request flag (for tests).
    static void setProbe(std::shared_ptr<PermissionProbe> probe);
};
