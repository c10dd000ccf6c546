#include "platform/DisplayCaptureBackend.h"

DisplayCaptureStatus DisplayCaptureBackend::captureDisplayInBands(const DisplayInfo &display,
                                                                  DisplayBandSink &sink)
{
    const DisplayFrame frame = captureDisplay(display);
    if (frame.status != DisplayCaptureStatus::Ok)
        return frame.status;
    if (frame.image.isNull())
        return DisplayCaptureStatus::NoFrame;
    sink.beginFrame(frame.image.size());
    sink.takeBand(frame.image);
    return DisplayCaptureStatus::Ok;
}
