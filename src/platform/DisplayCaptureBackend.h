#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// One display (monitor) as the capture sees it: its rectangle on the desktop in device pixels and
// its output name. A display is identified by both, never by its name alone (names repeat when
// several outputs form one monitor, or are absent).
struct DisplayInfo
{
    QString name;
    QRect geometry;

    friend bool operator==(const DisplayInfo &, const DisplayInfo &) = default;
};

// Outcome of a request to the capture backend.
enum class DisplayCaptureStatus
{
    Ok,
    NoFrame,      // the display yielded no image this time; worth retrying later
    AccessDenied, // the display cannot be read at all (no display server, capture refused)
};

struct DisplayList
{
    DisplayCaptureStatus status = DisplayCaptureStatus::Ok;
    QList<DisplayInfo> displays; // in the system's order, displays contained in another dropped
};

struct DisplayFrame
{
    DisplayCaptureStatus status = DisplayCaptureStatus::Ok;
    // The display at its native pixel size when status is Ok. It may share memory the backend
    // reads the next capture into: use it before asking for the next frame.
    QImage image;
};

// Takes a display's pixels top to bottom, a band of rows at a time, so a capture need not hold a
// whole display at once.
class DisplayBandSink
{
public:
    virtual ~DisplayBandSink() = default;

    // Once, before the first band: the size of the frame the bands make up.
    virtual void beginFrame(const QSize &size) = 0;
    // The next rows, as wide as the frame. The image is valid only during the call.
    virtual void takeBand(const QImage &band) = 0;
};

// Lists the displays and reads their pixels. One instance is used by one thread at a time (the
// capture thread); it may keep a connection to the display server between calls.
class DisplayCaptureBackend
{
public:
    virtual ~DisplayCaptureBackend() = default;

    virtual DisplayList listDisplays() = 0;
    virtual DisplayFrame captureDisplay(const DisplayInfo &display) = 0;
    // Reads the display into the sink; Ok once every row was handed over. This one reads the
    // whole frame and hands it over as one band.
    virtual DisplayCaptureStatus captureDisplayInBands(const DisplayInfo &display,
                                                       DisplayBandSink &sink);

    // Whether one pixel of the screen can be read right now: the screen recording check.
    virtual bool probeOnePixel() = 0;

    // Gives back what the backend keeps between captures (frame buffers, shared memory) when no
    // capture is coming soon; the next capture makes them again.
    virtual void releaseBuffers() {}
};
