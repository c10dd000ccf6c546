#include "upload/ScreenshotUploadName.h"

#include "foundation/Iso8601.h"
#include "foundation/UuidText.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace ScreenshotUploadName {

namespace {

std::optional<Timestamp> parseInternetDateTime(const QString &text)
{
    // Qt's ISO parser accepts "Z" and "+hh:mm" offsets, with or without fractional seconds.
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid() || parsed.timeSpec() == Qt::LocalTime)
        return std::nullopt;
    return Timestamp::fromDateTime(parsed);
}

std::optional<Timestamp> parseCompact(const QString &token)
{
    // "yyyyMMdd'T'HHmmss" followed by a "+hhmm" / "-hhmm" offset.
    if (token.size() != 20 || token.at(8) != QLatin1Char('T'))
        return std::nullopt;
    const QChar sign = token.at(15);
    if (sign != QLatin1Char('+') && sign != QLatin1Char('-'))
        return std::nullopt;
    const QDateTime local =
        QLocale::c().toDateTime(token.left(15), QStringLiteral("yyyyMMdd'T'HHmmss"));
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = token.mid(16, 2).toInt(&hoursOk);
    const int minutes = token.mid(18, 2).toInt(&minutesOk);
    if (!local.isValid() || !hoursOk || !minutesOk)
        return std::nullopt;
    const int offset = (sign == QLatin1Char('-') ? -1 : 1) * (hours * 3600 + minutes * 60);
    const QDateTime withOffset(local.date(), local.time(), Qt::OffsetFromUTC, offset);
    return Timestamp::fromDateTime(withOffset);
}

} // namespace

std::optional<QString> restoredIso8601(const QString &token)
{
    const qsizetype t = token.indexOf(QLatin1Char('T'));
    if (t < 0)
        return std::nullopt;
    const QString datePart = token.left(t);
    const QString timePart = token.mid(t + 1);
    if (timePart.endsWith(QLatin1Char('Z'))) {
        QString clock = timePart.chopped(1);
        return datePart + QLatin1Char('T') + clock.replace(QLatin1Char('-'), QLatin1Char(':')) +
               QLatin1Char('Z');
    }
    qsizetype offsetStart = -1;
    if (timePart.size() >= 6) {
        const QChar sixthFromEnd = timePart.at(timePart.size() - 6);
        if (sixthFromEnd == QLatin1Char('+') || sixthFromEnd == QLatin1Char('-'))
            offsetStart = timePart.size() - 6;
    }
    if (offsetStart < 0)
        offsetStart = std::max(timePart.lastIndexOf(QLatin1Char('+')),
                               timePart.lastIndexOf(QLatin1Char('-')));
    if (offsetStart < 0)
        return std::nullopt;
    QString clock = timePart.left(offsetStart);
    clock.replace(QLatin1Char('-'), QLatin1Char(':'));
    QString offset = timePart.mid(offsetStart);
    if (offset.size() >= 6)
        offset = offset.left(1) + offset.mid(1, 2) + QLatin1Char(':') + offset.right(2);
    return datePart + QLatin1Char('T') + clock + offset;
}

std::optional<Timestamp> parseTimestamp(const QString &token)
{
    if (const auto restored = restoredIso8601(token)) {
        if (const auto moment = parseInternetDateTime(*restored))
            return moment;
    }
    return parseCompact(token);
}

QString normalized(const QString &filePath, const QUuid &sessionId, const QTimeZone &apiZone)
{
    const QString localName = QFileInfo(filePath).fileName();
    QString base = localName;
    base.remove(QStringLiteral(".jpg"));
    const QString prefix = UuidText::format(sessionId) + QLatin1Char('_');
    if (!base.startsWith(prefix))
        return localName;
    const QString rest = base.mid(prefix.size());
    const qsizetype lastUnderscore = rest.lastIndexOf(QLatin1Char('_'));
    if (lastUnderscore < 0)
        return localName;
    const auto moment = parseTimestamp(rest.left(lastUnderscore));
    if (!moment)
        return localName;
    const QString token =
        Iso8601::format(*moment, apiZone).replace(QLatin1Char(':'), QLatin1Char('-'));
    return prefix + token + QLatin1Char('_') + rest.mid(lastUnderscore + 1) +
           QStringLiteral(".jpg");
}

QString headerSafe(const QString &fileName)
{
    QString safe = fileName;
    for (QChar &c : safe) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char('_');
    }
    return safe;
}

QByteArray multipartBody(const QString &fieldName, const QString &fileName, const QString &mimeType,
                         const QByteArray &fileData, const QString &boundary)
{
    const QByteArray crlf("\r\n");
    QByteArray body;
    body += "--" + boundary.toUtf8() + crlf;
    body += "Content-Disposition: form-data; name=\"" + fieldName.toUtf8() + "\"; filename=\"" +
            headerSafe(fileName).toUtf8() + "\"" + crlf;
    body += "Content-Type: " + mimeType.toUtf8() + crlf + crlf;
    body += fileData;
    body += crlf;
    body += "--" + boundary.toUtf8() + "--" + crlf;
    return body;
}

} // namespace ScreenshotUploadName
