#include "store/DeviceIdProvider.h"

#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"

#include <QMutex>
#include <QUuid>

namespace {

// Process-wide: two providers over the same settings must not each store an id of their own.
QMutex creationMutex;

} // namespace

DeviceIdProvider::DeviceIdProvider(SettingsStore &settings)
    : m_settings(settings)
{}

QString DeviceIdProvider::current() const
{
    const QString key = QString::fromLatin1(settingsKey);
    if (const std::optional<QString> stored = m_settings.string(key))
        return *stored;

    const QMutexLocker locker(&creationMutex);
    // Another caller may have stored one while this one waited for the lock.
    if (const std::optional<QString> stored = m_settings.string(key))
        return *stored;
    const QString created = UuidText::format(QUuid::createUuid());
    m_settings.setString(key, created);
    return created;
}
