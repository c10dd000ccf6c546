#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <memory>

class X11Connection;

// The monitors of the X screen as XRandR lists them, read with XGetImage from the root window.
// The connection is opened on first use and again after it broke; used by one thread at a time.
class X11DisplayCaptureBackend final : public DisplayCaptureBackend
{
public:
    X11DisplayCaptureBackend();
    ~X11DisplayCaptureBackend() override;

    DisplayList listDisplays() override;
    DisplayFrame captureDisplay(const DisplayInfo &display) override;
    bool probeOnePixel() override;

    // Keeps the monitors that no other one contains (of equal ones, the first), in their order.
    static QList<DisplayInfo> dropContainedDisplays(const QList<DisplayInfo> &displays);

private:
    bool ensureConnection();

    std::unique_ptr<X11Connection> m_connection;
};
