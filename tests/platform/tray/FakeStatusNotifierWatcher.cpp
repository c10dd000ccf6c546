#include "FakeStatusNotifierWatcher.h"

namespace {
const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher(QDBusConnection connection)
    : m_connection(std::move(connection))
{}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    stop();
}

bool FakeStatusNotifierWatcher::start()
{
    m_running =
        m_connection.registerObject(watcherPath, this, QDBusConnection::ExportScriptableSlots) &&
        m_connection.registerService(watcherName);
    return m_running;
}

void FakeStatusNotifierWatcher::stop()
{
    if (!m_running)
        return;
    m_connection.unregisterService(watcherName);
    m_connection.unregisterObject(watcherPath);
    m_running = false;
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString &service)
{
    m_registrations.append(service);
}
