#include "platform/tray/StatusNotifierItem.h"

#include "foundation/Log.h"
#include "platform/tray/DBusMenuExporter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QPoint>

namespace {

const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");

int nextInstance()
{
    static int instances = 0;
    return ++instances;
}

} // namespace

bool StatusNotifierItem::watcherRuns(const QDBusConnection &connection)
{
    if (!connection.isConnected() || connection.interface() == nullptr)
        return false;
    return connection.interface()->isServiceRegistered(QString::fromLatin1(watcherService));
}

StatusNotifierItem::StatusNotifierItem(const QString &id, const QString &title,
                                       QList<QAction *> menuActions, QDBusConnection connection,
                                       QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_title(title)
    , m_connection(std::move(connection))
    , m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(nextInstance()))
    , m_menu(std::make_unique<DBusMenuExporter>(std::move(menuActions)))
{
    StatusNotifierTypes::registerTypes();
    m_toolTip.title = title;
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (!m_published)
        return;
    m_connection.unregisterObject(QString::fromLatin1(objectPath));
    m_connection.unregisterObject(QString::fromLatin1(DBusMenuExporter::objectPath));
    m_connection.unregisterService(m_serviceName);
}

bool StatusNotifierItem::publish()
{
    if (m_published)
        return true;
    if (!m_connection.registerService(m_serviceName)) {
        zuvError(lcLegacyShell) << "Tray item: cannot take the bus name"
                                << m_connection.lastError().message();
        return false;
    }
    const bool exported = m_connection.registerObject(QString::fromLatin1(objectPath), this,
                                                      QDBusConnection::ExportScriptableContents |
                                                          QDBusConnection::ExportAllProperties) &&
                          m_menu->exportOn(m_connection);
    if (!exported) {
        zuvError(lcLegacyShell) << "Tray item: cannot export the item or its menu";
        m_connection.unregisterObject(QString::fromLatin1(objectPath));
        m_connection.unregisterService(m_serviceName);
        return false;
    }
    m_published = true;

    // A panel that restarts brings a new watcher, which knows no items until they register.
    m_watcherWatch = std::make_unique<QDBusServiceWatcher>(
        QString::fromLatin1(watcherService), m_connection,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    connect(m_watcherWatch.get(), &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierItem::registerWithWatcher);
    connect(m_watcherWatch.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { setRegistered(false); });
    registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
        QString::fromLatin1(watcherService), QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto *pending = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            &StatusNotifierItem::registrationAnswered);
}

void StatusNotifierItem::registrationAnswered(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    if (call->isError()) {
        zuvError(lcLegacyShell) << "Tray item: the watcher refused the item:"
                                << call->error().message();
        setRegistered(false);
        return;
    }
    setRegistered(true);
}

void StatusNotifierItem::setRegistered(bool registered)
{
    if (m_registered == registered)
        return;
    m_registered = registered;
    Q_EMIT registrationChanged(registered);
}

QDBusObjectPath StatusNotifierItem::menu() const
{
    return QDBusObjectPath(QString::fromLatin1(DBusMenuExporter::objectPath));
}

void StatusNotifierItem::setIcon(const QString &name, const QList<QImage> &pictures)
{
    QList<StatusNotifierPixmap> pixmaps;
    for (const QImage &picture : pictures)
        pixmaps.append(StatusNotifierPixmap::fromImage(picture));
    m_iconName = name;
    m_iconPixmaps = pixmaps;
    Q_EMIT NewIcon();
}

void StatusNotifierItem::setLabel(const QString &label, const QString &guide)
{
    if (m_label == label && m_labelGuide == guide)
        return;
    m_label = label;
    m_labelGuide = guide;
    Q_EMIT XAyatanaNewLabel(label, guide);
}

void StatusNotifierItem::setToolTip(const QString &title, const QString &text)
{
    if (m_toolTip.title == title && m_toolTip.text == text)
        return;
    m_toolTip.title = title;
    m_toolTip.text = text;
    Q_EMIT NewToolTip();
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    Q_EMIT contextMenuRequested(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int, const QString &) {}
