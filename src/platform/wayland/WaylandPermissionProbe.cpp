#include "platform/wayland/WaylandPermissionProbe.h"

#include "foundation/Log.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/wayland/LibinputContext.h"

WaylandPermissionProbe::WaylandPermissionProbe(CaptureBackendFactory captureBackend)
    : m_captureBackend(std::move(captureBackend))
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
    const std::unique_ptr<DisplayCaptureBackend> backend =
        m_captureBackend ? m_captureBackend() : nullptr;
    return backend && backend->probeOnePixel();
}
