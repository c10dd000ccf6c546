#pragma once

#include "foundation/Timestamp.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>

// The name a capture file is uploaded under, and the multipart body that carries it.
//
// A capture file is named "<SESSION UUID>_<time token>_<display>.jpg", the token being the
// capture moment as ISO-8601 text in the API time zone with every ":" written as "-". When the
// API zone has changed since the capture, the uploaded name restates the moment in the zone now
// in force.
namespace ScreenshotUploadName {

QString normalized(const QString &filePath, const QUuid &sessionId, const QTimeZone &apiZone);
std::optional<Timestamp> parseTimestamp(const QString &token);
std::optional<QString> restoredIso8601(const QString &token);

// The file name as it may stand inside a quoted header parameter: a double quote, CR or LF
// would end the parameter or the header line, so each becomes "_".
QString headerSafe(const QString &fileName);

QByteArray multipartBody(const QString &fieldName, const QString &fileName, const QString &mimeType,
                         const QByteArray &fileData, const QString &boundary);

} // namespace ScreenshotUploadName
