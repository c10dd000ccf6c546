#include "platform/portal/PortalDisplayCaptureBackend.h"

#include "foundation/Log.h"
#include "platform/portal/PipeWireStreams.h"
#include "platform/portal/PortalScreenCast.h"
#include "platform/portal/ScreenshotCrop.h"

namespace {

// A composite older than this belongs to an earlier cycle.
constexpr qint64 compositeLifetimeMs = 30000;

QList<QRect> geometries(const QList<DisplayInfo> &displays)
{
    QList<QRect> rects;
    for (const DisplayInfo &display : displays)
        rects.append(display.geometry);
    return rects;
}

} // namespace

PortalDisplayCaptureBackend::PortalDisplayCaptureBackend(std::shared_ptr<PortalScreenCast> portal,
                                                         ScreenList screens)
    : m_portal(std::move(portal))
    , m_screens(std::move(screens))
{}

PortalDisplayCaptureBackend::~PortalDisplayCaptureBackend() = default;

bool PortalDisplayCaptureBackend::probeOnePixel()
{
    switch (m_portal->detectOffer().method) {
    case PortalScreenCast::Method::ScreenCast:
        return m_portal->ensureActive();
    case PortalScreenCast::Method::Screenshot:
        // The probe's picture is the one the cycle that follows cuts up.
        m_composite = QImage();
        return ensureComposite();
    case PortalScreenCast::Method::Unknown:
    case PortalScreenCast::Method::None:
        break;
    }
    return false;
}

DisplayList PortalDisplayCaptureBackend::listDisplays()
{
    DisplayList list;
    switch (m_portal->detectOffer().method) {
    case PortalScreenCast::Method::ScreenCast:
        if (!m_portal->ensureActive()) {
            list.status = DisplayCaptureStatus::AccessDenied;
            return list;
        }
        for (const PortalScreenCast::Stream &stream : m_portal->snapshot().streams)
            list.displays.append(stream.display);
        return list;
    case PortalScreenCast::Method::Screenshot:
        list.displays = screenshotDisplays();
        if (list.displays.isEmpty())
            list.status = DisplayCaptureStatus::AccessDenied;
        return list;
    case PortalScreenCast::Method::Unknown:
    case PortalScreenCast::Method::None:
        break;
    }
    list.status = DisplayCaptureStatus::AccessDenied;
    return list;
}

DisplayFrame PortalDisplayCaptureBackend::captureDisplay(const DisplayInfo &display)
{
    if (m_portal->detectOffer().method == PortalScreenCast::Method::Screenshot)
        return cropComposite(display);
    return captureStream(display);
}

DisplayFrame PortalDisplayCaptureBackend::captureStream(const DisplayInfo &display)
{
    DisplayFrame frame;
    const PortalScreenCast::Snapshot state = m_portal->snapshot();
    if (state.phase != PortalScreenCast::Phase::Active || !state.pipeWire) {
        frame.status = DisplayCaptureStatus::AccessDenied;
        return frame;
    }
    const auto stream = std::find_if(state.streams.cbegin(), state.streams.cend(),
                                     [&display](const PortalScreenCast::Stream &candidate) {
                                         return candidate.display == display;
                                     });
    if (stream == state.streams.cend()) {
        frame.status = DisplayCaptureStatus::NoFrame;
        return frame;
    }
    const PipeWireStreams::Frame latest =
        state.pipeWire->latestFrame(stream->nodeId, m_portal->options().firstFrameWait);
    switch (latest.status) {
    case PipeWireStreams::FrameStatus::Ok:
        frame.image = latest.image;
        break;
    case PipeWireStreams::FrameStatus::NoFrameYet:
        frame.status = DisplayCaptureStatus::NoFrame;
        break;
    case PipeWireStreams::FrameStatus::Lost:
        m_portal->dropSession();
        frame.status = DisplayCaptureStatus::AccessDenied;
        break;
    }
    return frame;
}

QList<DisplayInfo> PortalDisplayCaptureBackend::screenshotDisplays()
{
    QList<DisplayInfo> screens = m_screens ? m_screens() : QList<DisplayInfo>();
    if (screens.isEmpty()) {
        // Nothing tells the layout: the whole picture is the one display.
        if (!ensureComposite())
            return {};
        screens.append(DisplayInfo{QString(), QRect(QPoint(0, 0), m_composite.size())});
    }
    m_cycleScreens = screens;
    m_compositePending = screens;
    return screens;
}

bool PortalDisplayCaptureBackend::ensureComposite()
{
    if (!m_composite.isNull() && m_compositeAge.elapsed() < compositeLifetimeMs)
        return true;
    m_composite = m_portal->takeScreenshot();
    m_compositeAge.start();
    return !m_composite.isNull();
}

DisplayFrame PortalDisplayCaptureBackend::cropComposite(const DisplayInfo &display)
{
    DisplayFrame frame;
    if (!ensureComposite()) {
        frame.status = DisplayCaptureStatus::AccessDenied;
        return frame;
    }
    const QList<DisplayInfo> screens =
        m_cycleScreens.isEmpty() ? QList<DisplayInfo>{display} : m_cycleScreens;
    const QRect desktop = ScreenshotCrop::desktopRect(geometries(screens));
    const QRect area = ScreenshotCrop::cropRect(display.geometry, desktop, m_composite.size());
    if (area.isEmpty()) {
        frame.status = DisplayCaptureStatus::NoFrame;
        return frame;
    }
    frame.image = m_composite.copy(area);
    m_compositePending.removeOne(display);
    // Every screen of the cycle has its part: the picture is not kept until the next one.
    if (m_compositePending.isEmpty())
        m_composite = QImage();
    return frame;
}
