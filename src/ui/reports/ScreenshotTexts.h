#pragma once

#include <QDate>
#include <QString>

#include <exception>

// The figures and messages of the screenshots screen as the service's users know them: the
// percentages rounded as printf rounds them, counts grouped by full stops whatever the user's
// locale, and one text per kind of failed request.
class ScreenshotTexts
{
public:
    // An eight-hour day.
    static constexpr double fullWorkingDaySeconds = 28800.0;

    // "%.0f%%" (45.678 gives "46%") or "%.2f%%" (45.68%).
    static QString percent(double value, int decimals);
    // The worked share of the eight-hour day, at most 1.
    static double workingTimeFraction(qint64 totalSeconds);
    // "50% out of 8 hours" for 14400 seconds.
    static QString workingTimeTooltip(qint64 totalSeconds);
    // 1234567 gives "1.234.567".
    static QString groupedCount(qint64 count);
    // "9 Dec 2026" with the month as the user's locale names it.
    static QString dayText(QDate day);
    // What the user reads when the report could not be fetched.
    static QString failureMessage(const std::exception_ptr &error);
};
