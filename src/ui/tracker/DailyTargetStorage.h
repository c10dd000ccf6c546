#pragma once

class SettingsStore;

// The user's daily work target: one integer of seconds in the preferences, shared by every
// company on this device. Whatever is stored, readers see 1 s to a full day.
class DailyTargetStorage
{
public:
    DailyTargetStorage() = delete;

    static constexpr const char *key = "dailyTargetSeconds";
    static constexpr int defaultSeconds = 8 * 3600;
    static constexpr int maximumSeconds = 24 * 3600;

    static int targetSeconds(const SettingsStore &settings);
    // Negative parts count as none, hours beyond a day as a full day, minutes beyond 59 as 59;
    // a zero target is stored as the default.
    static void setTarget(int hours, int minutes, SettingsStore &settings);
};
