#pragma once

#include <cstddef>
#include <memory>

class QRect;
using Display = struct _XDisplay;
using XImage = struct _XImage;

// Rows of the screen read with the core GetImage request into memory of our own, for a server
// that shares none. XGetImage allocates an image for every answer (and XGetSubImage copies such
// an image pixel by pixel into the one given), so the request is sent here by hand and its pixels
// read straight into a buffer that grows to the largest band asked for and is kept between reads
// until release(). Used by one thread at a time.
class X11BandImage
{
public:
    X11BandImage();
    ~X11BandImage();
    X11BandImage(const X11BandImage &) = delete;
    X11BandImage &operator=(const X11BandImage &) = delete;

    // Reads the area of the drawable. The image describes the pixels in the server's layout and
    // is valid until the next read or release(). Null when the server answered with an error
    // (the connection's error handler has it) or there is no memory for the band.
    const XImage *read(Display *display, unsigned long drawable, const QRect &area);
    void release();

    std::size_t capacity() const { return m_capacity; }

private:
    bool reserve(std::size_t bytes);
    bool describe(Display *display, int depth, unsigned long visualId, const QRect &area,
                  std::size_t bytes);

    std::unique_ptr<char[]> m_pixels;
    std::size_t m_capacity = 0;
    // The header over m_pixels, filled in anew by every read.
    std::unique_ptr<XImage> m_image;
};
