#include "api/AuthDateParser.h"

#include "foundation/Clock.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <optional>

namespace AuthDateParser {

namespace {

// Year, month, day, hour, minute, second: whole digits only, no fractions.
QDateTime dateTimeFromCaptures(const QRegularExpressionMatch &match, const QTimeZone &zone)
{
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, zone);
}

std::optional<Timestamp> parseInternetDateTime(const QString &text)
{
    static const QRegularExpression pattern(QString::fromLatin1(
        R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:(Z)|([+-])(\d{2}):(\d{2}))$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int offsetSeconds = 0;
    if (match.captured(7).isEmpty()) {
        const int hours = match.captured(9).toInt();
        const int minutes = match.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds =
            (hours * 3600 + minutes * 60) * (match.captured(8) == QLatin1String("-") ? -1 : 1);
    }
    const QDateTime dateTime = dateTimeFromCaptures(match, QTimeZone(offsetSeconds));
    if (!dateTime.isValid())
        return std::nullopt;
    return Timestamp::fromDateTime(dateTime);
}

std::optional<Timestamp> parseUtcDateTime(const QString &text)
{
    static const QRegularExpression pattern(
        QString::fromLatin1(R"(^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime dateTime = dateTimeFromCaptures(match, QTimeZone::utc());
    if (!dateTime.isValid())
        return std::nullopt;
    return Timestamp::fromDateTime(dateTime);
}

} // namespace

Timestamp parse(const QString &text, double defaultFromNow, const Clock &clock)
{
    if (std::optional<Timestamp> moment = parseInternetDateTime(text))
        return *moment;
    if (std::optional<Timestamp> moment = parseUtcDateTime(text))
        return *moment;
    return clock.now().addingSeconds(defaultFromNow);
}

} // namespace AuthDateParser
