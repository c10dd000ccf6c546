#include "api/report/ScreenshotReport.h"

#include "api/auth/StrictJsonReader.h"

using Report = ScreenshotReport;

std::optional<Report::Stats> Report::Stats::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Stats stats;
    stats.totalSeconds = reader.requiredInteger(QStringLiteral("total_seconds"));
    stats.totalSecondsFormatted = reader.requiredString(QStringLiteral("total_seconds_formatted"));
    stats.mouseMovements = reader.requiredInteger(QStringLiteral("mouse_movements"));
    stats.keyPressCount = reader.requiredInteger(QStringLiteral("key_press_count"));
    stats.activityRate = reader.requiredNumber(QStringLiteral("activity_rate"));
    if (!reader.ok())
        return std::nullopt;
    return stats;
}

std::optional<Report::Summary> Report::Summary::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Summary summary{reader.required<Stats>(QStringLiteral("stats"), &Stats::fromJson)};
    if (!reader.ok())
        return std::nullopt;
    return summary;
}

std::optional<Report::Screenshot> Report::Screenshot::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Screenshot screenshot;
    screenshot.url = reader.requiredString(QStringLiteral("url"));
    screenshot.urlAvailable = reader.requiredBoolean(QStringLiteral("url_available"));
    screenshot.thumbnailUrl = reader.requiredString(QStringLiteral("thumbnail_url"));
    screenshot.thumbnailUrlAvailable =
        reader.requiredBoolean(QStringLiteral("thumbnail_url_available"));
    screenshot.capturedAt = reader.requiredString(QStringLiteral("captured_at"));
    if (!reader.ok())
        return std::nullopt;
    return screenshot;
}

std::optional<Report::Segment> Report::Segment::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Segment segment;
    segment.segmentNumber = reader.requiredInteger(QStringLiteral("segment_number"));
    segment.from = reader.requiredString(QStringLiteral("segment_number_from"));
    segment.to = reader.requiredString(QStringLiteral("segment_number_to"));
    segment.indicatorColor = reader.requiredString(QStringLiteral("indicator_color"));
    segment.stats = reader.required<Stats>(QStringLiteral("stats"), &Stats::fromJson);
    segment.screenshots =
        reader.requiredList<Screenshot>(QStringLiteral("screenshots"), &Screenshot::fromJson);
    if (!reader.ok())
        return std::nullopt;
    return segment;
}

std::optional<Report::Hour> Report::Hour::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Hour hour;
    hour.hour = reader.requiredInteger(QStringLiteral("hour"));
    hour.stats = reader.required<Stats>(QStringLiteral("stats"), &Stats::fromJson);
    hour.segments = reader.requiredList<Segment>(QStringLiteral("segments"), &Segment::fromJson);
    if (!reader.ok())
        return std::nullopt;
    return hour;
}

std::optional<Report> Report::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    Report report;
    report.summary = reader.required<Summary>(QStringLiteral("summary"), &Summary::fromJson);
    report.hours = reader.requiredList<Hour>(QStringLiteral("hours"), &Hour::fromJson);
    if (!reader.ok())
        return std::nullopt;
    return report;
}
