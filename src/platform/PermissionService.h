#pragma once

#include "platform/PermissionProbe.h"

#include <QString>

#include <memory>

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

    // What the person can do about a missing permission, in this session's terms.
    static QString screenRecordingAdvice();
    static QString inputMonitoringAdvice();
    // The advice where no portal backend of the desktop (XDG_CURRENT_DESKTOP) offers capture.
    static QString noScreenSharingServiceAdvice(const QString &currentDesktop);
    // The Wayland advice for the reason the input check failed.
    static QString inputAdviceFor(PermissionProbe::InputRefusal refusal);
    // On Wayland the screen is granted in the desktop's own screen-sharing dialog, which the app
    // can ask for unless no portal backend offers capture; on X11 nothing can ask.
    static bool canAskForScreenRecording();
    // Why tracking stopped when the screen could no longer be read, and what to do about it.
    static QString screenCaptureLostText();

    // On Wayland asks the desktop for its screen-sharing dialog (true when asked, or when already
    // granted); on X11 there is no counterpart: logged, and false.
    static bool openScreenRecordingSettings();
    // No counterpart on this system: logged, and false.
    static bool openInputMonitoringSettings();
    static bool revokePermissions();

    // The probe behind the checks; the X11 one unless replaced. Passing nullptr restores it and
    // clears the once-per-launch request flag (for tests).
    static void setProbe(std::shared_ptr<PermissionProbe> probe);
};
