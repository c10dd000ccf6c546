#include "ScreenshotReportBuilder.h"

#include <cstdio>

namespace {

constexpr int segmentsPerHour = 6;
constexpr int segmentMinutes = 10;
// The rate from which a segment shows as well used.
constexpr double greenRate = 50.0;

std::string durationText(long long seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

} // namespace

void ReportTotals::add(const ReportTotals &other)
{
    seconds += other.seconds;
    mouse += other.mouse;
    keys += other.keys;
    rateSum += other.rateSum;
    count += other.count;
}

nlohmann::json ReportTotals::stats() const
{
    return {{"total_seconds", seconds},
            {"total_seconds_formatted", durationText(seconds)},
            {"mouse_movements", mouse},
            {"key_press_count", keys},
            {"activity_rate", count > 0 ? rateSum / count : 0.0}};
}

void ScreenshotReportBuilder::addSegment(int number, const ReportTotals &figures,
                                         nlohmann::json screenshots)
{
    Segment &segment = m_segments[number];
    segment.figures.add(figures);
    if (segment.screenshots.is_null())
        segment.screenshots = nlohmann::json::array();
    for (auto &screenshot : screenshots)
        segment.screenshots.push_back(std::move(screenshot));
}

nlohmann::json ScreenshotReportBuilder::result() const
{
    nlohmann::json hours = nlohmann::json::array();
    ReportTotals day;
    ReportTotals hourTotals;
    nlohmann::json hourSegments = nlohmann::json::array();
    int hour = -1;
    const auto closeHour = [&] {
        if (hour < 0)
            return;
        hours.push_back(
            {{"hour", hour}, {"stats", hourTotals.stats()}, {"segments", hourSegments}});
        day.add(hourTotals);
        hourTotals = {};
        hourSegments = nlohmann::json::array();
    };
    for (const auto &[number, segment] : m_segments) {
        if (number / segmentsPerHour != hour) {
            closeHour();
            hour = number / segmentsPerHour;
        }
        const int from = number * segmentMinutes;
        const double rate =
            segment.figures.count > 0 ? segment.figures.rateSum / segment.figures.count : 0.0;
        hourSegments.push_back({{"segment_number", number},
                                {"segment_number_from", clockText(from)},
                                {"segment_number_to", clockText(from + segmentMinutes)},
                                {"indicator_color", rate >= greenRate ? "green" : "orange"},
                                {"stats", segment.figures.stats()},
                                {"screenshots", segment.screenshots}});
        hourTotals.add(segment.figures);
    }
    closeHour();
    return {{"summary", {{"stats", day.stats()}}}, {"hours", hours}};
}

std::string ScreenshotReportBuilder::clockText(int minutesOfDay)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minutesOfDay / 60 % 24, minutesOfDay % 60);
    return text;
}
