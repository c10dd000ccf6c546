#include "platform/secrets/SecretServiceWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString secretServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString secretServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");

} // namespace

SecretServiceWatcher::SecretServiceWatcher(QDBusConnection bus, QObject *parent)
    : QObject(parent)
{
    if (!bus.isConnected())
        return;
    bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                SLOT(onNameOwnerChanged(QString, QString, QString)));
    for (const char *signal : {"CollectionChanged", "CollectionCreated"}) {
        bus.connect(QString::fromLatin1(serviceName), secretServicePath, secretServiceInterface,
                    QString::fromLatin1(signal), this, SLOT(onCollectionChanged()));
    }
}

std::optional<bool> SecretServiceWatcher::isDefaultCollectionLocked()
{
    constexpr int answerTimeoutMilliseconds = 5000;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(serviceName),
        QStringLiteral("/org/freedesktop/secrets/aliases/default"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, answerTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    return value.toBool();
}

bool SecretServiceWatcher::isServiceReachable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString name = QString::fromLatin1(serviceName);
    const QDBusConnectionInterface *names = bus.interface();
    return names && (names->isServiceRegistered(name).value() ||
                     names->activatableServiceNames().value().contains(name));
}

void SecretServiceWatcher::onNameOwnerChanged(const QString &name, const QString &,
                                              const QString &newOwner)
{
    if (name == QLatin1String(serviceName) && !newOwner.isEmpty())
        Q_EMIT keyringMayHaveBecomeAvailable();
}

void SecretServiceWatcher::onCollectionChanged()
{
    Q_EMIT keyringMayHaveBecomeAvailable();
}
