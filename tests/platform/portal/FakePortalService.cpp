#include "FakePortalService.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QMetaObject>

namespace {

struct WirePoint
{
    int x = 0;
    int y = 0;
};

struct WireStream
{
    uint node = 0;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const WirePoint &point)
{
    argument.beginStructure();
    argument << point.x << point.y;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WirePoint &point)
{
    argument.beginStructure();
    argument >> point.x >> point.y;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const WireStream &stream)
{
    argument.beginStructure();
    argument << stream.node << stream.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WireStream &stream)
{
    argument.beginStructure();
    argument >> stream.node >> stream.properties;
    argument.endStructure();
    return argument;
}

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// a{sv} arrives as a map or still marshalled, depending on how Qt met it.
QVariantMap mapOf(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value);
    return value.toMap();
}

QString senderPart(const QString &sender)
{
    return QString(sender).remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

} // namespace

Q_DECLARE_METATYPE(WirePoint)
Q_DECLARE_METATYPE(WireStream)

FakePortalService::FakePortalService(const QString &busAddress, Script script)
    : m_connectionName(QStringLiteral("fake-portal-%1").arg(quintptr(this)))
    , m_script(std::move(script))
{
    qDBusRegisterMetaType<WirePoint>();
    qDBusRegisterMetaType<WireStream>();
    qDBusRegisterMetaType<QList<WireStream>>();
    m_thread.start();
    moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        this,
        [this, busAddress] {
            QDBusConnection connection =
                QDBusConnection::connectToBus(busAddress, m_connectionName);
            const bool object =
                connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath);
            const bool name =
                connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
            QMutexLocker lock(&m_mutex);
            m_registered = object && name;
        },
        Qt::BlockingQueuedConnection);
}

FakePortalService::~FakePortalService()
{
    QThread *home = QThread::currentThread();
    QMetaObject::invokeMethod(
        this,
        [this, home] {
            QDBusConnection connection(m_connectionName);
            connection.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            connection.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
            QDBusConnection::disconnectFromBus(m_connectionName);
            moveToThread(home);
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool FakePortalService::isRegistered() const
{
    QMutexLocker lock(&m_mutex);
    return m_registered;
}

QStringList FakePortalService::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QVariantMap FakePortalService::optionsOf(const QString &method) const
{
    QMutexLocker lock(&m_mutex);
    return m_options.value(method);
}

QStringList FakePortalService::closedRequests() const
{
    QMutexLocker lock(&m_mutex);
    return m_closedRequests;
}

void FakePortalService::closeSessionFromDesktop()
{
    QMutexLocker lock(&m_mutex);
    QDBusMessage closed = QDBusMessage::createSignal(
        m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"));
    closed << QVariantMap();
    QDBusConnection(m_connectionName).send(closed);
}

QString FakePortalService::introspect(const QString &) const
{
    return {};
}

bool FakePortalService::handleMessage(const QDBusMessage &message,
                                      const QDBusConnection &connection)
{
    const QString member = message.member();
    const QString interface = message.interface();
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append(member);
        const QVariantList arguments = message.arguments();
        if (!arguments.isEmpty())
            m_options.insert(member, mapOf(arguments.constLast()));
        if (member == QLatin1String("Close") &&
            interface == QLatin1String("org.freedesktop.portal.Request"))
            m_closedRequests.append(message.path());
    }
    if (interface == QLatin1String("org.freedesktop.DBus.Properties")) {
        answerProperty(message, connection);
    } else if (member == QLatin1String("CreateSession")) {
        const QString path =
            QStringLiteral("%1/session/%2/%3")
                .arg(portalPath, senderPart(message.service()),
                     optionsOf(member).value(QStringLiteral("session_handle_token")).toString());
        {
            QMutexLocker lock(&m_mutex);
            m_session = path;
        }
        answerRequest(message, connection, m_script.createSession,
                      {{QStringLiteral("session_handle"), path}});
    } else if (member == QLatin1String("SelectSources")) {
        answerRequest(message, connection, m_script.selectSources, {});
    } else if (member == QLatin1String("Start")) {
        answerRequest(message, connection, m_script.start, startResults());
    } else if (member == QLatin1String("OpenPipeWireRemote")) {
        openRemote(message, connection);
    } else if (member == QLatin1String("Screenshot")) {
        answerRequest(message, connection, m_script.screenshot,
                      {{QStringLiteral("uri"), m_script.screenshotUri}});
    } else {
        connection.send(message.createReply());
    }
    return true;
}

void FakePortalService::answerProperty(const QDBusMessage &message,
                                       const QDBusConnection &connection)
{
    const QString interface = message.arguments().value(0).toString();
    const QString name = message.arguments().value(1).toString();
    std::optional<uint> value;
    if (interface == QLatin1String("org.freedesktop.portal.ScreenCast") &&
        m_script.offerScreenCast) {
        if (name == QLatin1String("version"))
            value = m_script.screenCastVersion;
        else if (name == QLatin1String("AvailableSourceTypes") ||
                 name == QLatin1String("AvailableCursorModes"))
            value = 3u;
    } else if (interface == QLatin1String("org.freedesktop.portal.Screenshot") &&
               m_script.offerScreenshot && name == QLatin1String("version")) {
        value = 2u;
    }
    if (!value) {
        connection.send(message.createErrorReply(QDBusError::UnknownInterface, interface));
        return;
    }
    connection.send(message.createReply(QVariant::fromValue(QDBusVariant(*value))));
}

void FakePortalService::answerRequest(const QDBusMessage &message,
                                      const QDBusConnection &connection, const Answer &answer,
                                      const QVariantMap &results)
{
    if (answer.refuseCall) {
        connection.send(message.createErrorReply(QDBusError::AccessDenied,
                                                 QStringLiteral("refused by the script")));
        return;
    }
    const QString token =
        mapOf(message.arguments().constLast()).value(QStringLiteral("handle_token")).toString();
    const QString path =
        QStringLiteral("%1/request/%2/%3").arg(portalPath, senderPart(message.service()), token);
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    if (!answer.response)
        return;
    QDBusMessage response = QDBusMessage::createSignal(
        path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << *answer.response << results;
    connection.send(response);
}

QVariantMap FakePortalService::startResults() const
{
    QList<WireStream> streams;
    for (const FakeStream &stream : m_script.streams) {
        WireStream wire;
        wire.node = stream.node;
        wire.properties.insert(QStringLiteral("source_type"), 1u);
        if (stream.position)
            wire.properties.insert(
                QStringLiteral("position"),
                QVariant::fromValue(WirePoint{stream.position->x(), stream.position->y()}));
        if (stream.size)
            wire.properties.insert(
                QStringLiteral("size"),
                QVariant::fromValue(WirePoint{stream.size->width(), stream.size->height()}));
        streams.append(wire);
    }
    QVariantMap results{{QStringLiteral("streams"), QVariant::fromValue(streams)}};
    if (!m_script.newRestoreToken.isEmpty())
        results.insert(QStringLiteral("restore_token"), m_script.newRestoreToken);
    return results;
}

void FakePortalService::openRemote(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (m_script.remoteFd < 0) {
        connection.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("no remote")));
        return;
    }
    connection.send(
        message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(m_script.remoteFd))));
}
