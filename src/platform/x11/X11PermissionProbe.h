#pragma once

#include "platform/PermissionProbe.h"

// Each check opens a short-lived connection to the X display named by $DISPLAY.
class X11PermissionProbe final : public PermissionProbe
{
public:
    bool canListenToInput() override;
    bool canCaptureScreen() override;
};
