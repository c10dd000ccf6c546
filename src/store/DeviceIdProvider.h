#pragma once

#include <QString>

class SettingsStore;

// The identifier of this installation, which every session and tracking payload carries. Made
// once, on first use, and kept in the user defaults for the life of the installation: sign-outs
// and company changes keep it.
class DeviceIdProvider
{
public:
    static constexpr const char *settingsKey = "com.wendoka.zuvevivezid.device_id";

    explicit DeviceIdProvider(SettingsStore &settings);

    // The stored text as it stands (its form is not checked); on the first call ever, a new
    // upper-case UUID text, stored before it is returned. Safe from any thread: concurrent first
    // calls all get the one id that was stored.
    QString current() const;

private:
    SettingsStore &m_settings;
};
