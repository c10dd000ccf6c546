#include "platform/x11/X11BandImage.h"

#include <QRect>

#include <new>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
// The request's own structures and the calls that read an answer into a caller's memory.
#include <X11/Xlibint.h>

namespace {

const ScreenFormat *pixmapFormat(const Display *display, int depth)
{
    for (int i = 0; i < display->nformats; ++i) {
        if (display->pixmap_format[i].depth == depth)
            return &display->pixmap_format[i];
    }
    return nullptr;
}

// What XGetImage sends for a ZPixmap of every plane; the display must be locked.
void queueGetImage(Display *display, unsigned long drawable, const QRect &area)
{
    auto *request = static_cast<xGetImageReq *>(_XGetRequest(display, X_GetImage, sz_xGetImageReq));
    request->drawable = static_cast<CARD32>(drawable);
    request->x = static_cast<INT16>(area.x());
    request->y = static_cast<INT16>(area.y());
    request->width = static_cast<CARD16>(area.width());
    request->height = static_cast<CARD16>(area.height());
    request->planeMask = static_cast<CARD32>(AllPlanes);
    request->format = ZPixmap;
}

} // namespace

X11BandImage::X11BandImage()
    : m_image(std::make_unique<XImage>())
{}

X11BandImage::~X11BandImage() = default;

const XImage *X11BandImage::read(Display *display, unsigned long drawable, const QRect &area)
{
    LockDisplay(display);
    queueGetImage(display, drawable, area);
    xGetImageReply reply{};
    bool read = false;
    if (_XReply(display, reinterpret_cast<xReply *>(&reply), 0, xFalse) && reply.length > 0) {
        if (reserve(static_cast<std::size_t>(reply.length) * 4)) {
            _XReadPad(display, m_pixels.get(), static_cast<long>(reply.length) * 4);
            read = true;
        } else {
            _XEatDataWords(display, reply.length);
        }
    }
    UnlockDisplay(display);
    if (display->synchandler)
        display->synchandler(display);
    const std::size_t bytes = static_cast<std::size_t>(reply.length) * 4;
    if (!read || !describe(display, reply.depth, reply.visual, area, bytes))
        return nullptr;
    return m_image.get();
}

bool X11BandImage::reserve(std::size_t bytes)
{
    if (bytes <= m_capacity)
        return true;
    release();
    m_pixels.reset(new (std::nothrow) char[bytes]);
    if (!m_pixels)
        return false;
    m_capacity = bytes;
    return true;
}

// Lays the header over the pixels as XGetImage would: the server pads each line to the scanline
// unit of the depth's pixmap format.
bool X11BandImage::describe(Display *display, int depth, unsigned long visualId, const QRect &area,
                            std::size_t bytes)
{
    const ScreenFormat *format = pixmapFormat(display, depth);
    const Visual *visual = _XVIDtoVisual(display, visualId);
    if (!format || !visual)
        return false;
    XImage &image = *m_image;
    image = XImage{};
    image.width = area.width();
    image.height = area.height();
    image.format = ZPixmap;
    image.data = m_pixels.get();
    image.byte_order = display->byte_order;
    image.bitmap_unit = display->bitmap_unit;
    image.bitmap_bit_order = display->bitmap_bit_order;
    image.bitmap_pad = format->scanline_pad;
    image.depth = depth;
    image.bits_per_pixel = format->bits_per_pixel;
    image.red_mask = visual->red_mask;
    image.green_mask = visual->green_mask;
    image.blue_mask = visual->blue_mask;
    // With no line length given, XInitImage works it out from the pad.
    return XInitImage(&image) && static_cast<std::size_t>(image.bytes_per_line) *
                                         static_cast<std::size_t>(image.height) <=
                                     bytes;
}

void X11BandImage::release()
{
    m_pixels.reset();
    m_capacity = 0;
    *m_image = XImage{};
}
