#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The service's report of one day of tracked work, by hour and ten-minute segment. Read only:
// every key is required, and one bad value anywhere makes the whole day undecodable, so a screen
// never shows half a report.
struct ScreenshotReport
{
    struct Stats
    {
        qint64 totalSeconds = 0;
        QString totalSecondsFormatted;
        qint64 mouseMovements = 0;
        qint64 keyPressCount = 0;
        double activityRate = 0.0;

        static std::optional<Stats> fromJson(const QJsonValue &value);
        friend bool operator==(const Stats &, const Stats &) = default;
    };

    struct Summary
    {
        Stats stats;

        static std::optional<Summary> fromJson(const QJsonValue &value);
        friend bool operator==(const Summary &, const Summary &) = default;
    };

    struct Screenshot
    {
        QString url;
        bool urlAvailable = false;
        QString thumbnailUrl;
        bool thumbnailUrlAvailable = false;
        // As the service formats it; never parsed here.
        QString capturedAt;

        static std::optional<Screenshot> fromJson(const QJsonValue &value);
        friend bool operator==(const Screenshot &, const Screenshot &) = default;
    };

    struct Segment
    {
        qint64 segmentNumber = 0;
        QString from;
        QString to;
        QString indicatorColor;
        Stats stats;
        QList<Screenshot> screenshots;

        // Screens key per-segment state by it; duplicates in one answer share it.
        qint64 id() const { return segmentNumber; }

        static std::optional<Segment> fromJson(const QJsonValue &value);
        friend bool operator==(const Segment &, const Segment &) = default;
    };

    struct Hour
    {
        qint64 hour = 0;
        Stats stats;
        QList<Segment> segments;

        static std::optional<Hour> fromJson(const QJsonValue &value);
        friend bool operator==(const Hour &, const Hour &) = default;
    };

    Summary summary;
    QList<Hour> hours;

    static std::optional<ScreenshotReport> fromJson(const QJsonValue &value);
    friend bool operator==(const ScreenshotReport &, const ScreenshotReport &) = default;
};
