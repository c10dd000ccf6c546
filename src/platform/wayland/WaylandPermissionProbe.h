#pragma once

#include "platform/PermissionProbe.h"

#include <functional>
#include <memory>

class DisplayCaptureBackend;

// The checks on a Wayland session. Input can be listened to when at least one keyboard or pointer
// of the seat opens for reading (the counterpart of the input monitoring grant is read access to
// the event devices, an administrator's step). The screen check is the capture backend's own
// one-pixel probe, so it follows whichever backend the session captures with.
class WaylandPermissionProbe final : public PermissionProbe
{
public:
    using CaptureBackendFactory = std::function<std::unique_ptr<DisplayCaptureBackend>()>;

    explicit WaylandPermissionProbe(CaptureBackendFactory captureBackend);

    bool canListenToInput() override;
    bool canCaptureScreen() override;

private:
    CaptureBackendFactory m_captureBackend;
};
