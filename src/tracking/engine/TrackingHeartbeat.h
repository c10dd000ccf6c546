#pragma once

#include "foundation/Timestamp.h"

#include <QString>
#include <QUuid>

#include <optional>

class SettingsStore;

// The last moment the program was known to be tracking a session, one mark per session in the
// user defaults. After a crash it tells how far an unfinished session may be billed.
class TrackingHeartbeat
{
public:
    static constexpr const char *keyPrefix = "com.wendoka.zuvevivezid.heartbeat.";

    explicit TrackingHeartbeat(SettingsStore &settings);

    static QString key(const QUuid &sessionId);

    void record(const QUuid &sessionId, Timestamp at);
    // None when there is no mark or it is not after 1970.
    std::optional<Timestamp> load(const QUuid &sessionId) const;
    void clear(const QUuid &sessionId);

private:
    SettingsStore &m_settings;
};
