#pragma once

#include "platform/PermissionProbe.h"

#include <atomic>
#include <functional>

// The checks on a Wayland session. Input can be listened to when at least one keyboard or pointer
// of the seat opens for reading (the counterpart of the input monitoring grant is read access to
// the event devices, an administrator's step). The screen check is the capture's own, handed in,
// so it follows whatever the session captures with.
class WaylandPermissionProbe final : public PermissionProbe
{
public:
    using ScreenCheck = std::function<bool()>;

    explicit WaylandPermissionProbe(ScreenCheck canCaptureScreen);

    bool canListenToInput() override;
    InputRefusal lastInputRefusal() const override;
    bool canCaptureScreen() override;

private:
    ScreenCheck m_canCaptureScreen;
    std::atomic<InputRefusal> m_inputRefusal = InputRefusal::Unknown;
};
