#include "app/shell/TrayLabel.h"

#include <cmath>
#include <limits>

namespace TrayLabel {

qint64 wholeSeconds(double seconds)
{
    if (std::isnan(seconds) || seconds <= 0.0)
        return 0;
    // 2^63 is exactly representable; anything at or above it would overflow the conversion.
    constexpr double limit = 9223372036854775808.0;
    if (seconds >= limit)
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(std::trunc(seconds));
}

QString elapsedText(double todayTotalSeconds)
{
    if (!std::isfinite(todayTotalSeconds))
        return {};
    const qint64 total = wholeSeconds(todayTotalSeconds);
    if (total < 1)
        return {};
    const qint64 hours = total / 3600;
    const qint64 minutes = (total % 3600) / 60;
    const qint64 seconds = total % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'));
}

MenuBarIconTint iconTint(bool isTracking, bool isPaused, bool isIdle, bool darkPanel)
{
    if (!isTracking)
        return darkPanel ? MenuBarIconTint::MonoLight : MenuBarIconTint::MonoDark;
    if (isPaused || isIdle)
        return MenuBarIconTint::PausedOrIdle;
    return MenuBarIconTint::Tracking;
}

QString panelText(double todayTotalSeconds)
{
    const QString elapsed = elapsedText(todayTotalSeconds);
    return elapsed.left(elapsed.lastIndexOf(QLatin1Char(':')));
}

QString panelTextGuide(const QString &panelText)
{
    QString guide = panelText;
    for (QChar &character : guide) {
        if (character.isDigit())
            character = QLatin1Char('0');
    }
    return guide;
}

QString toolTip(double todayTotalSeconds)
{
    const QString product = QStringLiteral("Zudevav EvozUvarevu");
    const QString elapsed = elapsedText(todayTotalSeconds);
    if (elapsed.isEmpty())
        return product;
    return product + QStringLiteral(" — ") + elapsed;
}

} // namespace TrayLabel
