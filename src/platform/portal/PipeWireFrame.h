#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Turns the pixels of one video buffer into an image the capture can scale and encode. Only the
// 32-bit layouts the streams ask for are known; the fourth byte is never alpha on a screen (often
// it is garbage), so every result is opaque.
namespace PipeWireFrame {

enum class Layout
{
    Bgrx, // bytes B, G, R, x: the usual shared-memory layout of compositors
    Rgbx, // bytes R, G, B, x
};

struct Buffer
{
    Layout layout = Layout::Bgrx;
    QSize size;     // the negotiated frame size
    int stride = 0; // bytes from one line to the next
    const uchar *data = nullptr;
    qsizetype bytes = 0; // valid bytes from data on
    QRect crop;          // the part that holds the picture; an empty rectangle means all of it
};

// A copy of the buffer's picture (cropped) as Format_RGB32, or a null image when the buffer does
// not hold what its size and stride promise.
QImage toImage(const Buffer &buffer);

} // namespace PipeWireFrame
