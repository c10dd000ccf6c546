#include "platform/x11/X11ShmSegment.h"

#include "platform/x11/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

XShmSegmentInfo segmentInfo(unsigned long serverSegment, int id, char *address)
{
    XShmSegmentInfo info{};
    info.shmseg = serverSegment;
    info.shmid = id;
    info.shmaddr = address;
    info.readOnly = False;
    return info;
}

} // namespace

std::shared_ptr<X11ShmSegment> X11ShmSegment::attach(X11Connection &connection, std::size_t bytes)
{
    Display *display = connection.display();
    if (!display || bytes == 0 || !XShmQueryExtension(display))
        return nullptr;
    std::shared_ptr<X11ShmSegment> segment(new X11ShmSegment);
    segment->m_id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->m_id < 0)
        return nullptr;
    void *address = shmat(segment->m_id, nullptr, 0);
    // Marked for removal at once: the system frees it when the last user detaches, even after a
    // crash.
    shmctl(segment->m_id, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void *>(-1))
        return nullptr;
    segment->m_address = static_cast<char *>(address);
    segment->m_size = bytes;

    XShmSegmentInfo info = segmentInfo(0, segment->m_id, segment->m_address);
    // A server that cannot reach our memory (another machine, another IPC namespace) answers
    // with an error only once it has run the request.
    connection.takeProtocolError();
    const Bool sent = XShmAttach(display, &info);
    if (connection.takeProtocolError() != 0 || !sent)
        return nullptr;
    // The request names the segment with an id it allocates itself.
    segment->m_serverSegment = info.shmseg;
    segment->m_attached = true;
    return segment;
}

X11ShmSegment::~X11ShmSegment()
{
    if (m_address)
        shmdt(m_address);
}

XImage *X11ShmSegment::createImage(Display *display, int width, int height)
{
    XShmSegmentInfo info = segmentInfo(m_serverSegment, m_id, m_address);
    const int screen = XDefaultScreen(display);
    XImage *image = XShmCreateImage(display, XDefaultVisual(display, screen),
                                    XDefaultDepth(display, screen), ZPixmap, nullptr, &info,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image)
        return nullptr;
    if (static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height) >
        m_size) {
        destroyImage(image);
        return nullptr;
    }
    image->data = m_address;
    // XShmGetImage reads the segment from the header's own copy of the info.
    image->obdata = reinterpret_cast<char *>(new XShmSegmentInfo(info));
    return image;
}

void X11ShmSegment::destroyImage(XImage *image)
{
    if (!image)
        return;
    delete reinterpret_cast<XShmSegmentInfo *>(image->obdata);
    image->obdata = nullptr;
    // The pixels are the segment's, not the header's.
    image->data = nullptr;
    XDestroyImage(image);
}

void X11ShmSegment::detachFromServer(Display *display)
{
    if (!m_attached || !display)
        return;
    XShmSegmentInfo info = segmentInfo(m_serverSegment, m_id, m_address);
    XShmDetach(display, &info);
    // Sent now: a request left in the buffer would keep the server's mapping, and with it the
    // memory, until the connection next talks to the server, a whole stop later.
    XSync(display, False);
    m_attached = false;
}
