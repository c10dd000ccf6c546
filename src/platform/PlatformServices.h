#pragma once

#include <memory>

class DisplayCaptureBackend;
class IdleTimeSource;
class InputEventSource;
class PermissionProbe;
class SettingsStore;
enum class SessionType;

// The implementations of the platform seams for the session the program runs in (X11 or
// Wayland, decided once from the environment). Everything else takes the interfaces, so tests can
// hand in fakes.
namespace PlatformServices {

// The session type of this process, decided and logged on first use.
SessionType sessionType();

std::unique_ptr<InputEventSource> createInputEventSource();
std::unique_ptr<IdleTimeSource> createIdleTimeSource();
// On Wayland the settings keep the portal's restore token, so the desktop asks only once.
std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend(SettingsStore &settings);
std::unique_ptr<PermissionProbe> createPermissionProbe();

} // namespace PlatformServices
