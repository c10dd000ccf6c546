#pragma once

#include <memory>

class DisplayCaptureBackend;
class IdleTimeSource;
class InputEventSource;
class PermissionProbe;

// The implementations of the platform seams this system runs on (X11). Everything else takes the
// interfaces, so tests can hand in fakes.
namespace PlatformServices {

std::unique_ptr<InputEventSource> createInputEventSource();
std::unique_ptr<IdleTimeSource> createIdleTimeSource();
std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend();
std::unique_ptr<PermissionProbe> createPermissionProbe();

} // namespace PlatformServices
