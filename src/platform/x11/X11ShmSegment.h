#pragma once

#include <cstddef>
#include <memory>

class X11Connection;
using Display = struct _XDisplay;
using XImage = struct _XImage;

// A System V shared-memory segment the X server writes screen images into (MIT-SHM), so a band
// of the screen costs one request and no copy of the pixels through the socket. The backend keeps
// it between captures and hands each band over its memory only for the time of one call.
class X11ShmSegment
{
public:
    // Creates a segment of the size and attaches the server to it; null where the server or the
    // system refuses (no MIT-SHM, a server on another machine, no shared memory).
    static std::shared_ptr<X11ShmSegment> attach(X11Connection &connection, std::size_t bytes);
    ~X11ShmSegment();
    X11ShmSegment(const X11ShmSegment &) = delete;
    X11ShmSegment &operator=(const X11ShmSegment &) = delete;

    // An image header of the size over this segment, for XShmGetImage; null when the segment is
    // too small for it. Free it with destroyImage(), which leaves the segment's memory alone.
    XImage *createImage(Display *display, int width, int height);
    static void destroyImage(XImage *image);

    // Tells the server to let go of the segment; the memory stays ours until the last reference.
    void detachFromServer(Display *display);

    std::size_t size() const { return m_size; }

private:
    X11ShmSegment() = default;

    int m_id = -1;
    char *m_address = nullptr;
    std::size_t m_size = 0;
    unsigned long m_serverSegment = 0;
    bool m_attached = false;
};
