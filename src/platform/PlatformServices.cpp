#include "platform/PlatformServices.h"

#include "foundation/Log.h"
#include "platform/SessionType.h"
#include "platform/logind/LogindSessionActivity.h"
#include "platform/wayland/LibinputInputEventSource.h"
#include "platform/wayland/WaylandIdleTimeSource.h"
#include "platform/wayland/WaylandPermissionProbe.h"
#include "platform/x11/X11DisplayCaptureBackend.h"
#include "platform/x11/X11IdleTimeSource.h"
#include "platform/x11/X11InputEventSource.h"
#include "platform/x11/X11PermissionProbe.h"

namespace PlatformServices {

namespace {

std::unique_ptr<DisplayCaptureBackend> createWaylandDisplayCaptureBackend()
{
    // The screen-capture backend of Wayland sessions plugs in here. Until it does, capture goes
    // through XWayland's X11 display where the compositor offers one.
    return std::make_unique<X11DisplayCaptureBackend>();
}

} // namespace

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

std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend()
{
    if (sessionType() == SessionType::Wayland)
        return createWaylandDisplayCaptureBackend();
    return std::make_unique<X11DisplayCaptureBackend>();
}

std::unique_ptr<PermissionProbe> createPermissionProbe()
{
    if (sessionType() == SessionType::Wayland)
        return std::make_unique<WaylandPermissionProbe>(&createWaylandDisplayCaptureBackend);
    return std::make_unique<X11PermissionProbe>();
}

} // namespace PlatformServices
