#include "platform/wayland/WaylandPermissionProbe.h"

#include "foundation/Log.h"
#include "platform/wayland/LibinputContext.h"

WaylandPermissionProbe::WaylandPermissionProbe(ScreenCheck canCaptureScreen)
    : m_canCaptureScreen(std::move(canCaptureScreen))
{}

bool WaylandPermissionProbe::canListenToInput()
{
    LibinputContext context;
    if (!context.isValid())
        return false;
    const int devices = context.takeOpenedKeyboardsAndPointers();
    if (devices == 0)
        zuvInfo(lcPermissions).noquote() << context.refusalText();
    return devices > 0;
}

bool WaylandPermissionProbe::canCaptureScreen()
{
    return m_canCaptureScreen && m_canCaptureScreen();
}
