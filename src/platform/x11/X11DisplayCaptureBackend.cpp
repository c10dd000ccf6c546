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

// Rows read from the server per request: a band of a 4K monitor is about 1 MB, so a frame is
// held once, in its QImage, plus one band's buffer kept between captures, rather than twice over
// while it is converted.
constexpr int bandRows = 64;

bool hasQtPixelLayout(const XImage &image)
{
    return image.bits_per_pixel == 32 && image.red_mask == 0xff0000 &&
           image.green_mask == 0x00ff00 && image.blue_mask == 0x0000ff &&
           image.byte_order == LSBFirst;
}

void releaseSegmentReference(void *reference)
{
    delete static_cast<std::shared_ptr<X11ShmSegment> *>(reference);
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
    if (!ensureConnection()) {
        dropSegment();
        frame.status = DisplayCaptureStatus::AccessDenied;
        return frame;
    }
    Display *display = m_connection->display();
    const int screen = XDefaultScreen(display);
    // Only the part of the monitor that lies on the screen can be read.
    const QRect area = target.geometry.intersected(
        QRect(0, 0, XDisplayWidth(display, screen), XDisplayHeight(display, screen)));
    if (area.isEmpty()) {
        frame.status = DisplayCaptureStatus::NoFrame;
        return frame;
    }
    if (!readShared(area, frame))
        readInBands(area, frame);
    return frame;
}

bool X11DisplayCaptureBackend::readShared(const QRect &area, DisplayFrame &frame)
{
    if (m_sharedMemoryRefused)
        return false;
    Display *display = m_connection->display();
    XImage *image =
        m_segment ? m_segment->createImage(display, area.width(), area.height()) : nullptr;
    // A segment still held by the last frame's reader is left to it, and a new one is made.
    if (!image || m_segment.use_count() > 1) {
        X11ShmSegment::destroyImage(image);
        dropSegment();
        m_segment = X11ShmSegment::attach(*m_connection, sharedImageBytes(display, area.size()));
        if (!m_segment) {
            m_sharedMemoryRefused = true;
            zuvInfo(lcCapture) << "The X server shares no memory with this process: the screen is "
                                  "read in bands";
            return false;
        }
        image = m_segment->createImage(display, area.width(), area.height());
        if (!image)
            return false;
    }
    const bool read =
        XShmGetImage(display, m_connection->rootWindow(), image, area.x(), area.y(), AllPlanes);
    const int errorCode = m_connection->takeProtocolError();
    if (!read || errorCode != 0) {
        zuvDebug(lcCapture) << "XShmGetImage failed with X error" << errorCode;
        X11ShmSegment::destroyImage(image);
        dropSegment();
        if (!m_connection->isHealthy()) {
            frame.status = DisplayCaptureStatus::AccessDenied;
            return true;
        }
        return false;
    }
    if (hasQtPixelLayout(*image)) {
        frame.image =
            QImage(reinterpret_cast<const uchar *>(image->data), image->width, image->height,
                   image->bytes_per_line, QImage::Format_RGB32, releaseSegmentReference,
                   new std::shared_ptr<X11ShmSegment>(m_segment));
    } else if (fitFrame(m_frame, area.size())) {
        copyBand(*image, m_frame, 0);
        frame.image = m_frame;
    } else {
        frame.status = DisplayCaptureStatus::NoFrame;
    }
    X11ShmSegment::destroyImage(image);
    return true;
}

void X11DisplayCaptureBackend::readInBands(const QRect &area, DisplayFrame &frame)
{
    Display *display = m_connection->display();
    if (!fitFrame(m_frame, area.size())) {
        zuvDebug(lcCapture) << "No memory for a frame of" << area.size();
        frame.status = DisplayCaptureStatus::NoFrame;
        return;
    }
    for (int row = 0; row < area.height(); row += bandRows) {
        const QRect band(area.x(), area.y() + row, area.width(),
                         std::min(bandRows, area.height() - row));
        const XImage *image = m_band.read(display, m_connection->rootWindow(), band);
        const int errorCode = m_connection->takeProtocolError();
        if (!image) {
            zuvDebug(lcCapture) << "Reading a band of the screen failed with X error" << errorCode;
            frame.status = m_connection->isHealthy() ? DisplayCaptureStatus::NoFrame
                                                     : DisplayCaptureStatus::AccessDenied;
            return;
        }
        copyBand(*image, m_frame, row);
    }
    frame.image = m_frame;
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
