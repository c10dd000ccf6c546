#pragma once

#include "platform/DisplayCaptureBackend.h"
#include "platform/x11/X11BandImage.h"

#include <QImage>

#include <memory>

class QRect;
class X11Connection;
class X11ShmSegment;

// The monitors of the X screen as XRandR lists them, read from the root window in bands of rows:
// through a shared memory segment (MIT-SHM) one band tall, or where the server refuses one (a
// display reached over the network) through one band buffer of our own, either kept between
// captures. A capture into a sink holds one band at a time; a whole frame is gathered only when
// one is asked for. The connection is opened on first use and again after it broke; used by one
// thread at a time.
class X11DisplayCaptureBackend final : public DisplayCaptureBackend
{
public:
    X11DisplayCaptureBackend();
    ~X11DisplayCaptureBackend() override;

    DisplayList listDisplays() override;
    DisplayFrame captureDisplay(const DisplayInfo &display) override;
    DisplayCaptureStatus captureDisplayInBands(const DisplayInfo &display,
                                               DisplayBandSink &sink) override;
    bool probeOnePixel() override;
    void releaseBuffers() override;

    // Whether the last band was read through shared memory (for tests and the benchmark).
    bool readsSharedMemory() const { return m_segment != nullptr; }
    // The bytes the band reader keeps between captures (for tests).
    std::size_t bandBufferBytes() const { return m_band.capacity(); }

    // Keeps the monitors that no other one contains (of equal ones, the first), in their order.
    static QList<DisplayInfo> dropContainedDisplays(const QList<DisplayInfo> &displays);

private:
    bool ensureConnection();
    DisplayCaptureStatus readBand(const QRect &band, DisplayBandSink &sink);
    // False where shared memory cannot be used for the band, which is then read otherwise.
    bool readSharedBand(const QRect &band, DisplayBandSink &sink, DisplayCaptureStatus &status);
    // Hands the band over in Qt's 32-bit layout, converted first where the server's differs.
    DisplayCaptureStatus handOver(const XImage &image, DisplayBandSink &sink);
    void dropSegment();

    std::unique_ptr<X11Connection> m_connection;
    std::shared_ptr<X11ShmSegment> m_segment;
    bool m_sharedMemoryRefused = false;
    X11BandImage m_band;
    // A band converted from another pixel layout.
    QImage m_bandPixels;
    // The frame captureDisplay() gathers the bands into.
    QImage m_frame;
};
