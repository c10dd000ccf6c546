#include "platform/PlatformServices.h"

#include "platform/x11/X11DisplayCaptureBackend.h"
#include "platform/x11/X11IdleTimeSource.h"
#include "platform/x11/X11InputEventSource.h"
#include "platform/x11/X11PermissionProbe.h"

namespace PlatformServices {

std::unique_ptr<InputEventSource> createInputEventSource()
{
    return std::make_unique<X11InputEventSource>();
}

std::unique_ptr<IdleTimeSource> createIdleTimeSource()
{
    return std::make_unique<X11IdleTimeSource>();
}

std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend()
{
    return std::make_unique<X11DisplayCaptureBackend>();
}

std::unique_ptr<PermissionProbe> createPermissionProbe()
{
    return std::make_unique<X11PermissionProbe>();
}

} // namespace PlatformServices
