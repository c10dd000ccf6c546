#include "platform/x11/X11PermissionProbe.h"

#include "foundation/Log.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplayCaptureBackend.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

bool X11PermissionProbe::canListenToInput()
{
    X11Connection connection(lcPermissions());
    if (!connection.isOpen())
        return false;
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(connection.display(), "XInputExtension", &opcode, &event, &error))
        return false;
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(connection.display(), &major, &minor) != Success)
        return false;
    return major > 2 || (major == 2 && minor >= 2);
}

bool X11PermissionProbe::canCaptureScreen()
{
    X11DisplayCaptureBackend backend;
    return backend.probeOnePixel();
}
