#include "platform/logind/LogindSessionActivity.h"

#include "foundation/Log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcessEnvironment>

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString activeProperty = QStringLiteral("Active");

} // namespace

LogindSessionActivity::LogindSessionActivity(QDBusConnection connection, QString sessionId,
                                             QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_sessionId(std::move(sessionId))
{
    if (!m_connection.isConnected()) {
        giveUp(QStringLiteral("no system bus (%1)").arg(m_connection.lastError().message()));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(serviceName), QString::fromLatin1(managerPath),
        QString::fromLatin1(managerInterface), QStringLiteral("GetSession"));
    call << m_sessionId;
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &LogindSessionActivity::handleSessionPath);
}

LogindSessionActivity::~LogindSessionActivity()
{
    if (!m_sessionPath.isEmpty()) {
        m_connection.disconnect(QString::fromLatin1(serviceName), m_sessionPath,
                                propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                                SLOT(handlePropertiesChanged(QString, QVariantMap, QStringList)));
    }
}

QString LogindSessionActivity::defaultSessionId()
{
    const QString id =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_SESSION_ID"));
    return id.isEmpty() ? QStringLiteral("auto") : id;
}

void LogindSessionActivity::handleSessionPath(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        giveUp(QStringLiteral("logind knows no session \"%1\" (%2)")
                   .arg(m_sessionId, reply.error().message()));
        return;
    }
    const QString path = reply.value().path();
    // Subscribing before the first read means no change between the two is missed.
    if (!m_connection.connect(QString::fromLatin1(serviceName), path, propertiesInterface,
                              QStringLiteral("PropertiesChanged"), this,
                              SLOT(handlePropertiesChanged(QString, QVariantMap, QStringList)))) {
        giveUp(QStringLiteral("cannot subscribe to the session's changes (%1)")
                   .arg(m_connection.lastError().message()));
        return;
    }
    m_sessionPath = path;
    readActive();
}

void LogindSessionActivity::readActive()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(serviceName), m_sessionPath,
                                       propertiesInterface, QStringLiteral("Get"));
    call << QString::fromLatin1(sessionInterface) << activeProperty;
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &LogindSessionActivity::handleActiveReply);
}

void LogindSessionActivity::handleActiveReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *watcher;
    if (reply.isError()) {
        zuvError(lcActivity).noquote()
            << QStringLiteral("Cannot read whether the login session is active: %1")
                   .arg(reply.error().message());
        return;
    }
    setActive(reply.value().variant().toBool());
}

void LogindSessionActivity::handlePropertiesChanged(const QString &interface,
                                                    const QVariantMap &changed,
                                                    const QStringList &invalidated)
{
    if (interface != QLatin1String(sessionInterface))
        return;
    const auto found = changed.constFind(activeProperty);
    if (found != changed.constEnd())
        setActive(found->toBool());
    else if (invalidated.contains(activeProperty))
        readActive();
}

void LogindSessionActivity::setActive(bool active)
{
    if (m_active.exchange(active) == active)
        return;
    zuvInfo(lcActivity) << (active ? "The login session has the seat again; input counts"
                                   : "Another session has the seat; input is not counted");
    Q_EMIT activeChanged(active);
}

void LogindSessionActivity::giveUp(const QString &reason)
{
    zuvInfo(lcActivity).noquote()
        << QStringLiteral("Cannot watch whether the login session is active: %1; input from "
                          "the seat counts as this session's")
               .arg(reason);
    m_active = true;
}
