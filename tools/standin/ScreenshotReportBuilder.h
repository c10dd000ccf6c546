#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>

// The figures the screenshot report gives for a segment, an hour and the whole day.
struct ReportTotals
{
    long long seconds = 0;
    long long mouse = 0;
    long long keys = 0;
    double rateSum = 0;
    int count = 0;

    void add(const ReportTotals &other);
    nlohmann::json stats() const;
};

// The screenshot report of one day, built segment by segment (in any order): each segment
// under its hour, the hours in order, the figures summed per hour and for the day.
class ScreenshotReportBuilder
{
public:
    // A ten-minute segment of the day (0 to 143) with its figures and its screenshots, each an
    // object of "url", "url_available", "thumbnail_url", "thumbnail_url_available" and
    // "captured_at".
    void addSegment(int number, const ReportTotals &figures, nlohmann::json screenshots);
    nlohmann::json result() const;

    // "HH:mm" of a minute of the day.
    static std::string clockText(int minutesOfDay);

private:
    struct Segment
    {
        ReportTotals figures;
        nlohmann::json screenshots;
    };
    std::map<int, Segment> m_segments;
};
