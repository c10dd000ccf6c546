#pragma once

#include "platform/DisplayCaptureBackend.h"
#include "platform/x11/X11BandImage.h"

#include <QImage>

#include <memory>

class QRect;
class X11Connection;
class X11ShmSegment;

// The monitors of the X screen as XRandR lists them, read from the root window: through a shared
// memory segment (MIT-SHM) kept between captures, or where the server refuses one (a display
// reached over the network) in bands, through one band buffer into a frame, both kept between
// captures. The
// connection is opened on first use and again after it broke; used by one thread at a time.
//
// A frame read through shared memory is the segment's own memory, not a copy: it shows the
// display as it was at that capture until the next one, and keeps the segment alive while held.
class X11DisplayCaptureBackend final : public DisplayCaptureBackend
{
public:
    X11DisplayCaptureBackend();
    ~X11DisplayCaptureBackend() override;

    DisplayList listDisplays() override;
    DisplayFrame captureDisplay(const DisplayInfo &display) override;
    bool probeOnePixel() override;
    void releaseBuffers() override;

    // Whether the last frame was read through shared memory (for tests and the benchmark).
    bool readsSharedMemory() const { return m_segment != nullptr; }
    // The bytes the band reader keeps between captures (for tests).
    std::size_t bandBufferBytes() const { return m_band.capacity(); }

    // Keeps the monitors that no other one contains (of equal ones, the first), in their order.
    static QList<DisplayInfo> dropContainedDisplays(const QList<DisplayInfo> &displays);

private:
    bool ensureConnection();
    bool readShared(const QRect &area, DisplayFrame &frame);
    void readInBands(const QRect &area, DisplayFrame &frame);
    void dropSegment();

    std::unique_ptr<X11Connection> m_connection;
    std::shared_ptr<X11ShmSegment> m_segment;
    bool m_sharedMemoryRefused = false;
    X11BandImage m_band;
    // The frame of the band reader (and of a shared image in another pixel layout).
    QImage m_frame;
};
