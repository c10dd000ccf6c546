#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <QElapsedTimer>
#include <QImage>

#include <functional>
#include <memory>

class PortalScreenCast;

// Captures through the desktop portal on a Wayland session. With ScreenCast, each monitor is one
// stream of the shared session and a capture is the newest frame of its stream. With only the
// Screenshot portal, a cycle takes one composite image of the desktop and cuts each screen out
// of it. Used by the capture thread only; it may wait there, never on the GUI thread.
class PortalDisplayCaptureBackend final : public DisplayCaptureBackend
{
public:
    // The screens as the desktop lays them out (for the Screenshot path); must be safe to call
    // from the capture thread.
    using ScreenList = std::function<QList<DisplayInfo>()>;

    PortalDisplayCaptureBackend(std::shared_ptr<PortalScreenCast> portal, ScreenList screens);
    ~PortalDisplayCaptureBackend() override;

    DisplayList listDisplays() override;
    DisplayFrame captureDisplay(const DisplayInfo &display) override;
    bool probeOnePixel() override;

private:
    DisplayFrame captureStream(const DisplayInfo &display);
    DisplayFrame cropComposite(const DisplayInfo &display);
    QList<DisplayInfo> screenshotDisplays();
    bool ensureComposite();

    std::shared_ptr<PortalScreenCast> m_portal;
    ScreenList m_screens;
    // The Screenshot path's picture of the current cycle and the screens not yet cut from it.
    QImage m_composite;
    QElapsedTimer m_compositeAge;
    QList<DisplayInfo> m_cycleScreens;
    QList<DisplayInfo> m_compositePending;
};
