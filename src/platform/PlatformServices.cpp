#include "platform/PlatformServices.h"

#include "foundation/Log.h"
#include "platform/SessionType.h"
#include "platform/logind/LogindSessionActivity.h"
#include "platform/portal/PortalCapture.h"
#include "platform/wayland/LibinputInputEventSource.h"
#include "platform/wayland/WaylandIdleTimeSource.h"
#include "platform/wayland/WaylandPermissionProbe.h"
#include "platform/x11/X11DisplayCaptureBackend.h"
#include "platform/x11/X11IdleTimeSource.h"
#include "platform/x11/X11InputEventSource.h"
#include "platform/x11/X11PermissionProbe.h"

namespace PlatformServices {

SessionType sessionType()
{
    static const SessionType type = [] {
        const SessionType decided =
            SessionTypes::fromEnvironment(QProcessEnvironment::systemEnvironment());
        zuvInfo(lcActivity) << "Session type:" << SessionTypes::name(decided);
        return decided;
    }();
    return type;
}

std::unique_ptr<InputEventSource> createInputEventSource()
{
    if (sessionType() == SessionType::Wayland)
        return std::make_unique<LibinputInputEventSource>(
            std::make_unique<LogindSessionActivity>());
    return std::make_unique<X11InputEventSource>();
}

std::unique_ptr<IdleTimeSource> createIdleTimeSource()
{
    if (sessionType() == SessionType::Wayland)
        return WaylandIdleTimeSource::create();
    return std::make_unique<X11IdleTimeSource>();
}

std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend(SettingsStore &settings)
{
    if (sessionType() == SessionType::Wayland)
        return PortalCapture::createDisplayCaptureBackend(settings);
    return std::make_unique<X11DisplayCaptureBackend>();
}

std::unique_ptr<PermissionProbe> createPermissionProbe()
{
    if (sessionType() == SessionType::Wayland)
        return std::make_unique<WaylandPermissionProbe>(&PortalCapture::canCaptureScreen);
    return std::make_unique<X11PermissionProbe>();
}

} // namespace PlatformServices
