#pragma once

#include "platform/tray/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

#include <memory>

class DBusMenuExporter;
class QAction;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

// The application's tray item as panels read it over D-Bus ("org.kde.StatusNotifierItem"): an icon
// offered by name and as pictures, a tooltip, a text label beside the icon ("XAyatanaLabel", shown
// by the panels that read it), and a menu the panel draws. The item registers with the panel's
// watcher, and again whenever a watcher appears (the panel restarted).
class StatusNotifierItem : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QList<StatusNotifierPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(QList<StatusNotifierPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(QList<StatusNotifierPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyName)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    static constexpr const char *watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char *watcherPath = "/StatusNotifierWatcher";
    static constexpr const char *objectPath = "/StatusNotifierItem";

    // Whether a panel's watcher runs on the bus, which is when an item can be shown.
    static bool watcherRuns(const QDBusConnection &connection);

    // The item of the application named id, with the menu's actions, on the connection.
    StatusNotifierItem(const QString &id, const QString &title, QList<QAction *> menuActions,
                       QDBusConnection connection = QDBusConnection::sessionBus(),
                       QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    // Takes the item's bus name, exports the item and its menu and registers with the watcher
    // (now and whenever one appears). False when the item could not be put on the bus.
    bool publish();
    QString serviceName() const { return m_serviceName; }
    // The watcher accepted the last registration and has not gone since.
    bool isRegistered() const { return m_registered; }

    // The themed icon's name (empty for none) and the pictures used where it is not found.
    void setIcon(const QString &name, const QList<QImage> &pictures);
    // The text beside the icon and the longest text it will show, which the panel sizes it by.
    void setLabel(const QString &label, const QString &guide);
    void setToolTip(const QString &title, const QString &text);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconThemePath() const { return {}; }
    QString iconName() const { return m_iconName; }
    QList<StatusNotifierPixmap> iconPixmap() const { return m_iconPixmaps; }
    QString emptyName() const { return {}; }
    QList<StatusNotifierPixmap> noPixmaps() const { return {}; }
    StatusNotifierToolTip toolTip() const { return m_toolTip; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;
    QString label() const { return m_label; }
    QString labelGuide() const { return m_labelGuide; }

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString &orientation);

Q_SIGNALS:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString &status);
    Q_SCRIPTABLE void XAyatanaNewLabel(const QString &label, const QString &guide);

    // A primary click on the icon, at a point of the screen (0, 0 when the panel does not say).
    void activated(const QPoint &at);
    // The panel asks the application to show its menu itself.
    void contextMenuRequested(const QPoint &at);
    void registrationChanged(bool registered);

private:
    void registerWithWatcher();
    void registrationAnswered(QDBusPendingCallWatcher *call);
    void setRegistered(bool registered);

    QString m_id;
    QString m_title;
    QDBusConnection m_connection;
    QString m_serviceName;
    std::unique_ptr<DBusMenuExporter> m_menu;
    std::unique_ptr<QDBusServiceWatcher> m_watcherWatch;
    bool m_published = false;
    bool m_registered = false;

    QString m_iconName;
    QList<StatusNotifierPixmap> m_iconPixmaps;
    StatusNotifierToolTip m_toolTip;
    QString m_label;
    QString m_labelGuide;
};
