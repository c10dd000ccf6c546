#include "FakeLogindSession.h"

#include <QDBusMessage>

FakeLogindSession::FakeLogindSession(QDBusConnection connection, QString path, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_path(std::move(path))
{
    m_connection.registerObject(m_path, this, QDBusConnection::ExportAllProperties);
}

void FakeLogindSession::setActive(bool active, bool valueInSignal)
{
    m_active = active;
    QDBusMessage signal =
        QDBusMessage::createSignal(m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    QVariantMap changed;
    QStringList invalidated;
    if (valueInSignal)
        changed.insert(QStringLiteral("Active"), active);
    else
        invalidated.append(QStringLiteral("Active"));
    signal << QStringLiteral("org.freedesktop.login1.Session") << changed << invalidated;
    m_connection.send(signal);
}
