#include "platform/x11/X11DisplayCaptureBackend.h"

#include "foundation/Log.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ShmSegment.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstring>

namespace {

// Rows read from the server per request: a band of a 1080p monitor is about 1 MB, and the reader
// keeps one band's memory between captures, not a whole frame's 8 MB. Each band costs a round
// trip to the server; at 128 rows a frame takes nine, which cost no more than one whole read.
constexpr int bandRows = 128;

bool hasQtPixelLayout(const XImage &image)
{
    return image.bits_per_pixel == 32 && image.red_mask == 0xff0000 &&
           image.green_mask == 0x00ff00 && image.blue_mask == 0x0000ff &&
           image.byte_order == LSBFirst;
}

// What an image of the size takes in the server's layout for the default visual.
std::size_t sharedImageBytes(Display *display, const QSize &size)
{
    const int screen = XDefaultScreen(display);
    XImage *header = XShmCreateImage(display, XDefaultVisual(display, screen),
                                     static_cast<unsigned>(XDefaultDepth(display, screen)), ZPixmap,
                                     nullptr, nullptr, static_cast<unsigned>(size.width()),
                                     static_cast<unsigned>(size.height()));
    if (!header)
        return 0;
    const std::size_t bytes =
        static_cast<std::size_t>(header->bytes_per_line) * static_cast<std::size_t>(size.height());
    XDestroyImage(header);
    return bytes;
}

// Makes the frame the size of the area, reusing its memory when it has that size already.
bool fitFrame(QImage &frame, const QSize &size)
{
    if (frame.size() != size || frame.format() != QImage::Format_RGB32)
        frame = QImage(size, QImage::Format_RGB32);
    return !frame.isNull();
}

// Writes a band of a true-colour visual into the frame from row firstRow on. 32-bit bands with
// the usual 8-bit channel masks are copied line by line; any other layout goes pixel by pixel.
void copyBand(const XImage &band, QImage &frame, int firstRow)
{
    const bool direct = hasQtPixelLayout(band);
    for (int y = 0; y < band.height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(frame.scanLine(firstRow + y));
        if (direct) {
            std::memcpy(line, band.data + static_cast<qsizetype>(y) * band.bytes_per_line,
                        static_cast<size_t>(band.width) * 4);
            continue;
        }
        for (int x = 0; x < band.width; ++x) {
            const unsigned long pixel = XGetPixel(const_cast<XImage *>(&band), x, y);
            const auto channel = [pixel](unsigned long mask) -> quint32 {
                if (!mask)
                    return 0;
                int shift = 0;
                while (!((mask >> shift) & 1UL))
                    ++shift;
                const unsigned long maximum = mask >> shift;
                return static_cast<quint32>(((pixel & mask) >> shift) * 255UL / maximum);
            };
            line[x] = qRgb(static_cast<int>(channel(band.red_mask)),
                           static_cast<int>(channel(band.green_mask)),
                           static_cast<int>(channel(band.blue_mask)));
        }
    }
}

// Gathers the bands into a whole frame, reusing the frame's memory when it has the size already.
class FrameAssembly final : public DisplayBandSink
{
public:
    explicit FrameAssembly(QImage &frame)
        : m_frame(frame)
    {}

    void beginFrame(const QSize &size) override { m_fits = fitFrame(m_frame, size); }

    void takeBand(const QImage &band) override
    {
        if (!m_fits || m_rows + band.height() > m_frame.height())
            return;
        const auto lineBytes = static_cast<size_t>(band.width()) * 4;
        for (int y = 0; y < band.height(); ++y)
            std::memcpy(m_frame.scanLine(m_rows + y), band.constScanLine(y), lineBytes);
        m_rows += band.height();
    }

    bool isComplete() const { return m_fits && m_rows == m_frame.height(); }

private:
    QImage &m_frame;
    bool m_fits = false;
    int m_rows = 0;
};

} // namespace

X11DisplayCaptureBackend::X11DisplayCaptureBackend() = default;
X11DisplayCaptureBackend::~X11DisplayCaptureBackend() = default;

bool X11DisplayCaptureBackend::ensureConnection()
{
    if (m_connection && m_connection->isHealthy())
        return true;
    // The segment belonged to the old server; a new one may share memory where it did not.
    m_segment.reset();
    m_sharedMemoryRefused = false;
    m_connection = std::make_unique<X11Connection>(lcCapture());
    if (m_connection->isOpen())
        return true;
    m_connection.reset();
    return false;
}

QList<DisplayInfo>
X11DisplayCaptureBackend::dropContainedDisplays(const QList<DisplayInfo> &displays)
{
    QList<DisplayInfo> kept;
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const QRect &rect = displays[i].geometry;
        bool contained = false;
        for (qsizetype j = 0; j < displays.size() && !contained; ++j) {
            if (i == j)
                continue;
            const QRect &other = displays[j].geometry;
            // Of two equal rectangles the earlier one stays.
            contained = other.contains(rect) && (other != rect || j < i);
        }
        if (!contained && rect.isValid())
            kept.append(displays[i]);
    }
    return kept;
}

DisplayList X11DisplayCaptureBackend::listDisplays()
{
    DisplayList list;
    if (!ensureConnection()) {
        zuvError(lcCapture) << "Cannot open the X display" << X11Connection::displayName();
        list.status = DisplayCaptureStatus::AccessDenied;
        return list;
    }
    Display *display = m_connection->display();
    int event = 0;
    int error = 0;
    QList<DisplayInfo> monitors;
    if (XRRQueryExtension(display, &event, &error)) {
        int count = 0;
        XRRMonitorInfo *info = XRRGetMonitors(display, m_connection->rootWindow(), True, &count);
        for (int i = 0; info && i < count; ++i) {
            char *name = info[i].name ? XGetAtomName(display, info[i].name) : nullptr;
            monitors.append(
                DisplayInfo{name ? QString::fromUtf8(name) : QString(),
                            QRect(info[i].x, info[i].y, info[i].width, info[i].height)});
            if (name)
                XFree(name);
        }
        if (info)
            XRRFreeMonitors(info);
        m_connection->takeProtocolError();
    }
    if (!m_connection->isHealthy()) {
        list.status = DisplayCaptureStatus::AccessDenied;
        return list;
    }
    if (monitors.isEmpty()) {
        // Without RandR monitors the whole screen is the one display.
        const int screen = XDefaultScreen(display);
        monitors.append(DisplayInfo{QString(), QRect(0, 0, XDisplayWidth(display, screen),
                                                     XDisplayHeight(display, screen))});
    }
    list.displays = dropContainedDisplays(monitors);
    return list;
}

DisplayFrame X11DisplayCaptureBackend::captureDisplay(const DisplayInfo &target)
{
    DisplayFrame frame;
    FrameAssembly assembly(m_frame);
    frame.status = captureDisplayInBands(target, assembly);
    if (frame.status == DisplayCaptureStatus::Ok && !assembly.isComplete())
        frame.status = DisplayCaptureStatus::NoFrame;
    if (frame.status == DisplayCaptureStatus::Ok)
        frame.image = m_frame;
    return frame;
}

DisplayCaptureStatus X11DisplayCaptureBackend::captureDisplayInBands(const DisplayInfo &target,
                                                                     DisplayBandSink &sink)
{
    if (!ensureConnection()) {
        dropSegment();
        return DisplayCaptureStatus::AccessDenied;
    }
    Display *display = m_connection->display();
    const int screen = XDefaultScreen(display);
    // Only the part of the monitor that lies on the screen can be read.
    const QRect area = target.geometry.intersected(
        QRect(0, 0, XDisplayWidth(display, screen), XDisplayHeight(display, screen)));
    if (area.isEmpty())
        return DisplayCaptureStatus::NoFrame;
    sink.beginFrame(area.size());
    for (int row = 0; row < area.height(); row += bandRows) {
        const QRect band(area.x(), area.y() + row, area.width(),
                         std::min(bandRows, area.height() - row));
        const DisplayCaptureStatus status = readBand(band, sink);
        if (status != DisplayCaptureStatus::Ok)
            return status;
    }
    return DisplayCaptureStatus::Ok;
}

DisplayCaptureStatus X11DisplayCaptureBackend::readBand(const QRect &band, DisplayBandSink &sink)
{
    DisplayCaptureStatus status = DisplayCaptureStatus::Ok;
    if (readSharedBand(band, sink, status))
        return status;
    const XImage *image = m_band.read(m_connection->display(), m_connection->rootWindow(), band);
    const int errorCode = m_connection->takeReplyError();
    if (!image) {
        zuvDebug(lcCapture) << "Reading a band of the screen failed with X error" << errorCode;
        return m_connection->isHealthy() ? DisplayCaptureStatus::NoFrame
                                         : DisplayCaptureStatus::AccessDenied;
    }
    return handOver(*image, sink);
}

bool X11DisplayCaptureBackend::readSharedBand(const QRect &band, DisplayBandSink &sink,
                                              DisplayCaptureStatus &status)
{
    if (m_sharedMemoryRefused)
        return false;
    Display *display = m_connection->display();
    XImage *image =
        m_segment ? m_segment->createImage(display, band.width(), band.height()) : nullptr;
    // The segment holds a full band of the widest monitor read so far.
    if (!image) {
        dropSegment();
        m_segment = X11ShmSegment::attach(*m_connection,
                                          sharedImageBytes(display, QSize(band.width(), bandRows)));
        if (!m_segment) {
            m_sharedMemoryRefused = true;
            zuvInfo(lcCapture) << "The X server shares no memory with this process: the screen is "
                                  "read in bands";
            return false;
        }
        image = m_segment->createImage(display, band.width(), band.height());
        if (!image)
            return false;
    }
    const bool read =
        XShmGetImage(display, m_connection->rootWindow(), image, band.x(), band.y(), AllPlanes);
    const int errorCode = m_connection->takeReplyError();
    if (!read || errorCode != 0) {
        zuvDebug(lcCapture) << "XShmGetImage failed with X error" << errorCode;
        X11ShmSegment::destroyImage(image);
        dropSegment();
        if (!m_connection->isHealthy()) {
            status = DisplayCaptureStatus::AccessDenied;
            return true;
        }
        return false;
    }
    status = handOver(*image, sink);
    X11ShmSegment::destroyImage(image);
    return true;
}

DisplayCaptureStatus X11DisplayCaptureBackend::handOver(const XImage &image, DisplayBandSink &sink)
{
    if (hasQtPixelLayout(image)) {
        sink.takeBand(QImage(reinterpret_cast<const uchar *>(image.data), image.width, image.height,
                             image.bytes_per_line, QImage::Format_RGB32));
        return DisplayCaptureStatus::Ok;
    }
    if (!fitFrame(m_bandPixels, QSize(image.width, bandRows))) {
        zuvDebug(lcCapture) << "No memory for a band of" << image.width << "pixels";
        return DisplayCaptureStatus::NoFrame;
    }
    copyBand(image, m_bandPixels, 0);
    sink.takeBand(QImage(m_bandPixels.constBits(), image.width, image.height,
                         m_bandPixels.bytesPerLine(), QImage::Format_RGB32));
    return DisplayCaptureStatus::Ok;
}

void X11DisplayCaptureBackend::dropSegment()
{
    if (m_segment && m_connection && m_connection->isHealthy())
        m_segment->detachFromServer(m_connection->display());
    m_segment.reset();
}

void X11DisplayCaptureBackend::releaseBuffers()
{
    dropSegment();
    m_band.release();
    m_bandPixels = QImage();
    m_frame = QImage();
}

bool X11DisplayCaptureBackend::probeOnePixel()
{
    if (!ensureConnection())
        return false;
    XImage *image = XGetImage(m_connection->display(), m_connection->rootWindow(), 0, 0, 1, 1,
                              AllPlanes, ZPixmap);
    m_connection->takeProtocolError();
    if (!image)
        return false;
    XDestroyImage(image);
    return true;
}
