#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// A panel's tray watcher of the test's own: owns "org.kde.StatusNotifierWatcher" on its
// connection and records every item that registers, in order.
class FakeStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    explicit FakeStatusNotifierWatcher(QDBusConnection connection);
    ~FakeStatusNotifierWatcher() override;

    // Takes the watcher's name and path; false when another holds them.
    bool start();
    // Gives them up, as a panel that ends.
    void stop();

    QStringList registrations() const { return m_registrations; }

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &service);

private:
    QDBusConnection m_connection;
    QStringList m_registrations;
    bool m_running = false;
};
