#include "ui/tracker/DailyTargetStorage.h"

#include "foundation/SettingsStore.h"

#include <algorithm>

int DailyTargetStorage::targetSeconds(const SettingsStore &settings)
{
    const qint64 stored = settings.integer(QString::fromLatin1(key)).value_or(0);
    if (stored <= 0)
        return defaultSeconds;
    return static_cast<int>(std::min<qint64>(stored, maximumSeconds));
}

void DailyTargetStorage::setTarget(int hours, int minutes, SettingsStore &settings)
{
    // Widened first: hours near INT_MAX would overflow the multiplication.
    const qint64 hoursPart =
        hours < 0 ? 0 : (hours > 24 ? maximumSeconds : static_cast<qint64>(hours) * 3600);
    const qint64 minutesPart = static_cast<qint64>(std::clamp(minutes, 0, 59)) * 60;
    const qint64 total = hoursPart + minutesPart;
    settings.setInteger(QString::fromLatin1(key),
                        total == 0 ? defaultSeconds : std::min<qint64>(total, maximumSeconds));
}
