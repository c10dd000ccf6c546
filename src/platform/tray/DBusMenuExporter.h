#pragma once

#include "platform/tray/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;

// A flat menu of actions offered to the panel over D-Bus as "com.canonical.dbusmenu", which the
// panel draws itself. Entries are numbered from 1 in their order (0 is the root); separators stay
// separators; a click on an entry triggers its action from the event loop, after the reply.
// Any change of an action (text, enabled) announces a new layout.
class DBusMenuExporter : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static constexpr const char *objectPath = "/MenuBar";

    explicit DBusMenuExporter(QList<QAction *> actions, QObject *parent = nullptr);

    // Exports the menu on the connection; false when the path is taken.
    bool exportOn(QDBusConnection connection);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }
    uint revision() const { return m_revision; }

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                                DBusMenuLayoutItem &layout);
    Q_SCRIPTABLE QList<DBusMenuItemProperties> GetGroupProperties(const QList<int> &ids,
                                                                  const QStringList &propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString &name);
    Q_SCRIPTABLE void Event(int id, const QString &eventId, const QDBusVariant &data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<DBusMenuEvent> &events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

Q_SIGNALS:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const QList<DBusMenuItemProperties> &updatedProps,
                                             const QList<DBusMenuItemProperties> &removedProps);

private:
    QAction *actionFor(int id) const;
    QVariantMap propertiesOf(int id, const QStringList &wanted) const;
    // False for an unknown entry; clicks trigger the action.
    bool handleEvent(int id, const QString &eventId);
    void announceLayoutChange();

    QList<QPointer<QAction>> m_actions;
    uint m_revision = 1;
    bool m_announceScheduled = false;
};
