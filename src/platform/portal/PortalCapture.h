#pragma once

#include <memory>

class DisplayCaptureBackend;
class PortalScreenCast;
class SettingsStore;

// The screen capture of a Wayland session, through the desktop portal. The session with the
// portal is the process's one (the desktop asks once, not once per caller): the backend and the
// permission check share it while a backend lives.
namespace PortalCapture {

// Made on the GUI thread, for the capture thread. The settings keep the restore token.
std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend(SettingsStore &settings);

// The screen half of the permission probe, for the GUI thread; never blocks. False while no
// backend lives.
bool canCaptureScreen();

// Asks the desktop for its screen-sharing dialog unless the screen is already granted; false
// when nothing could ask (no backend lives, or the portal offers no capture).
bool askForGrant();

// False once it is known that no portal backend of this desktop offers screen capture.
bool offersCapture();

// The session the live backend uses, or null.
std::shared_ptr<PortalScreenCast> sharedScreenCast();

} // namespace PortalCapture
