// One capture cycle: every display read, scaled where it is too large, encoded as JPEG and written
// atomically.
#include "tracking/capture/ScreenCaptureService.h"

#include "foundation/ConfirmedFileWrite.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "platform/DisplayCaptureBackend.h"
#include "tracking/capture/JpegBandSink.h"

#include <QDir>

ScreenCaptureService::CycleResult
ScreenCaptureService::captureAllDisplays(DisplayCaptureBackend &backend, JpegBandSink &sink,
                                         const QUuid &sessionId, const QString &capturesDirectory,
                                         const QString &token)
{
    CycleResult result;
    const DisplayList list = backend.listDisplays();
    if (list.status == DisplayCaptureStatus::AccessDenied) {
        zuvError(lcCapture).noquote() << QStringLiteral("ScreenCaptureKit capture failed: %1")
                                             .arg(QStringLiteral("the screen cannot be read"));
        result.outcome = CaptureOutcome::PermissionLost;
        return result;
    }
    if (list.displays.isEmpty()) {
        zuvError(lcCapture) << "ScreenCaptureKit: no displays in shareable content";
        result.outcome = CaptureOutcome::LocalFailure;
        return result;
    }

    const QDir folder(capturesDirectory);
    for (qsizetype index = 0; index < list.displays.size(); ++index) {
        const DisplayInfo &display = list.displays[index];
        const DisplayCaptureStatus status = backend.captureDisplayInBands(display, sink);
        if (status == DisplayCaptureStatus::AccessDenied) {
            zuvError(lcCapture).noquote() << QStringLiteral("ScreenCaptureKit capture failed: %1")
                                                 .arg(QStringLiteral("the screen cannot be read"));
            result.outcome = CaptureOutcome::PermissionLost;
            return result;
        }
        if (status != DisplayCaptureStatus::Ok) {
            zuvError(lcCapture).noquote()
                << QStringLiteral("SCStream produced no usable frame for display %1").arg(index);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }
        const QByteArrayView jpeg = sink.finish();
        if (jpeg.isEmpty()) {
            zuvError(lcCapture).noquote()
                << QStringLiteral("Failed JPEG conversion for display %1").arg(index);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }

        const QString path =
            folder.filePath(captureFileName(sessionId, token, static_cast<int>(index)));
        // Written aside and renamed into place once on the disk, so a reader never sees half a
        // file and a full disk never leaves an empty one to be uploaded.
        const QString error = ConfirmedFileWrite::replace(path, jpeg);
        if (!error.isEmpty()) {
            result.unwritten = static_cast<int>(list.displays.size() - index);
            zuvError(lcCapture).noquote()
                << QStringLiteral("Failed writing screenshot: %1; %2 screenshot(s) of this cycle "
                                  "are lost")
                       .arg(error)
                       .arg(result.unwritten);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }
        result.filePaths.append(path);
        zuvInfo(lcCapture).noquote() << QStringLiteral("Screenshot display %1: %2x%3px, %4 KB")
                                            .arg(index)
                                            .arg(sink.encodedSize().width())
                                            .arg(sink.encodedSize().height())
                                            .arg(jpeg.size() / 1024);
    }
    zuvInfo(lcCapture).noquote() << QStringLiteral(
                                        "Screenshots captured: %1 display(s), session %2")
                                        .arg(list.displays.size())
                                        .arg(UuidText::format(sessionId));
    result.outcome = CaptureOutcome::Captured;
    return result;
}
