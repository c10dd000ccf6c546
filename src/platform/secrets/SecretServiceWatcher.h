#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

// Tells when the desktop's keyring may have become readable: the Secret Service appeared on the
// session bus, or one of its collections changed (an unlock shows as a change of the collection's
// "Locked" property). Sends nothing; without a session bus it never tells anything.
class SecretServiceWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *serviceName = "org.freedesktop.secrets";

    explicit SecretServiceWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject *parent = nullptr);

    // Whether the collection new items go to is locked; none when nobody answers. Waits for the
    // answer (a few seconds at most): never on the interface's thread.
    static std::optional<bool> isDefaultCollectionLocked();
    // False when there is no session bus, or no Secret Service on it nor one it could start.
    static bool isServiceReachable();

Q_SIGNALS:
    void keyringMayHaveBecomeAvailable();

private Q_SLOTS:
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);
    void onCollectionChanged();
};
