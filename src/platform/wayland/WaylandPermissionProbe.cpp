#include "platform/wayland/WaylandPermissionProbe.h"

#include "foundation/Log.h"
#include "platform/wayland/LibinputContext.h"

WaylandPermissionProbe::WaylandPermissionProbe(ScreenCheck canCaptureScreen)
    : m_canCaptureScreen(std::move(canCaptureScreen))
{}

bool WaylandPermissionProbe::canListenToInput()
{
    LibinputContext context;
    if (!context.isValid()) {
        m_inputRefusal = InputRefusal::Unknown;
        return false;
    }
    const int devices = context.takeOpenedKeyboardsAndPointers();
    if (devices == 0)
        zuvInfo(lcPermissions).noquote() << context.refusalText();
    m_inputRefusal = devices > 0                    ? InputRefusal::Unknown
                     : context.refusedDevices() > 0 ? InputRefusal::DevicesRefused
                                                    : InputRefusal::NoDevices;
    return devices > 0;
}

PermissionProbe::InputRefusal WaylandPermissionProbe::lastInputRefusal() const
{
    return m_inputRefusal;
}

bool WaylandPermissionProbe::canCaptureScreen()
{
    return m_canCaptureScreen && m_canCaptureScreen();
}
