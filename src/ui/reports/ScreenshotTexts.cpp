#include "ui/reports/ScreenshotTexts.h"

#include "api/APIError.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>

QString ScreenshotTexts::percent(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f%%", std::clamp(decimals, 0, 6), value);
    return QString::fromLatin1(text);
}

double ScreenshotTexts::workingTimeFraction(qint64 totalSeconds)
{
    return std::min(static_cast<double>(totalSeconds) / fullWorkingDaySeconds, 1.0);
}

QString ScreenshotTexts::workingTimeTooltip(qint64 totalSeconds)
{
    return percent(workingTimeFraction(totalSeconds) * 100.0, 0) +
           QStringLiteral(" out of 8 hours");
}

QString ScreenshotTexts::groupedCount(qint64 count)
{
    static const QLocale grouping(QLocale::Indonesian, QLocale::Indonesia);
    const QString text = grouping.toString(count);
    return text.isEmpty() ? QString::number(count) : text;
}

QString ScreenshotTexts::dayText(QDate day)
{
    return QLocale().toString(day, QStringLiteral("d MMM yyyy"));
}

QString ScreenshotTexts::failureMessage(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const APIError &apiError) {
        switch (apiError.kind()) {
        case APIError::Kind::ServerError:
            return QStringLiteral("Server error (%1).").arg(apiError.statusCode());
        case APIError::Kind::Network:
            return QStringLiteral("No internet connection.");
        case APIError::Kind::InvalidURL:
            return QStringLiteral("Invalid request.");
        case APIError::Kind::Unauthorized:
            return QStringLiteral("Session expired. Please sign in again.");
        case APIError::Kind::DecodingFailed:
            return QStringLiteral("Failed to read data.");
        }
    } catch (...) {
    }
    return QStringLiteral("Something went wrong.");
}
