// One capture cycle: every display captured, scaled, encoded as JPEG and written atomically.
#include "tracking/capture/ScreenCaptureService.h"

#include "foundation/Log.h"
#include "foundation/UuidText.h"
#include "platform/DisplayCaptureBackend.h"
#include "tracking/capture/JpegEncoder.h"

#include <QDir>
#include <QSaveFile>

namespace {

// Written aside and renamed into place, so a reader never sees half a file.
bool writeAtomically(const QString &path, QByteArrayView data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(data.data(), data.size()) != data.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

ScreenCaptureService::CycleResult
ScreenCaptureService::captureAllDisplays(DisplayCaptureBackend &backend, JpegEncoder &encoder,
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
        const DisplayFrame frame = backend.captureDisplay(display);
        if (frame.status == DisplayCaptureStatus::AccessDenied) {
            zuvError(lcCapture).noquote() << QStringLiteral("ScreenCaptureKit capture failed: %1")
                                                 .arg(QStringLiteral("the screen cannot be read"));
            result.outcome = CaptureOutcome::PermissionLost;
            return result;
        }
        if (frame.status != DisplayCaptureStatus::Ok || frame.image.isNull()) {
            zuvError(lcCapture).noquote()
                << QStringLiteral("SCStream produced no usable frame for display %1").arg(index);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }

        const QSize size =
            cappedCaptureSize(frame.image.width(), frame.image.height(), maxCaptureDimension);
        const QImage scaled =
            size == frame.image.size()
                ? frame.image
                : frame.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QByteArrayView jpeg = encoder.encode(scaled, jpegQuality);
        if (jpeg.isEmpty()) {
            zuvError(lcCapture).noquote()
                << QStringLiteral("Failed JPEG conversion for display %1").arg(index);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }

        const QString path =
            folder.filePath(captureFileName(sessionId, token, static_cast<int>(index)));
        QString error;
        if (!writeAtomically(path, jpeg, &error)) {
            zuvError(lcCapture).noquote()
                << QStringLiteral("Failed writing screenshot: %1").arg(error);
            result.outcome = CaptureOutcome::LocalFailure;
            return result;
        }
        result.filePaths.append(path);
        zuvInfo(lcCapture).noquote() << QStringLiteral("Screenshot display %1: %2x%3px, %4 KB")
                                            .arg(index)
                                            .arg(scaled.width())
                                            .arg(scaled.height())
                                            .arg(jpeg.size() / 1024);
    }
    zuvInfo(lcCapture).noquote() << QStringLiteral(
                                        "Screenshots captured: %1 display(s), session %2")
                                        .arg(list.displays.size())
                                        .arg(UuidText::format(sessionId));
    result.outcome = CaptureOutcome::Captured;
    return result;
}
