#include "platform/tray/DBusMenuExporter.h"

#include <QAction>
#include <QTimer>

namespace {

constexpr int rootId = 0;

QVariantMap filtered(const QVariantMap &properties, const QStringList &wanted)
{
    if (wanted.isEmpty())
        return properties;
    QVariantMap kept;
    for (const QString &name : wanted) {
        if (properties.contains(name))
            kept.insert(name, properties.value(name));
    }
    return kept;
}

// Menus mark the mnemonic with an underscore; a literal underscore is doubled.
QString menuLabel(const QAction &action)
{
    QString label = action.text();
    label.replace(QLatin1Char('_'), QStringLiteral("__"));
    label.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    label.replace(QLatin1Char('&'), QLatin1Char('_'));
    label.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return label;
}

} // namespace

DBusMenuExporter::DBusMenuExporter(QList<QAction *> actions, QObject *parent)
    : QObject(parent)
{
    StatusNotifierTypes::registerTypes();
    for (QAction *action : actions) {
        m_actions.append(action);
        connect(action, &QAction::changed, this, &DBusMenuExporter::announceLayoutChange);
    }
}

bool DBusMenuExporter::exportOn(QDBusConnection connection)
{
    return connection.registerObject(QString::fromLatin1(objectPath), this,
                                     QDBusConnection::ExportScriptableContents |
                                         QDBusConnection::ExportAllProperties);
}

QAction *DBusMenuExporter::actionFor(int id) const
{
    if (id < 1 || id > m_actions.size())
        return nullptr;
    return m_actions.at(id - 1).data();
}

QVariantMap DBusMenuExporter::propertiesOf(int id, const QStringList &wanted) const
{
    QVariantMap properties;
    if (id == rootId) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return filtered(properties, wanted);
    }
    const QAction *action = actionFor(id);
    if (action == nullptr)
        return properties;
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        properties.insert(QStringLiteral("label"), menuLabel(*action));
        properties.insert(QStringLiteral("enabled"), action->isEnabled());
    }
    properties.insert(QStringLiteral("visible"), action->isVisible());
    return filtered(properties, wanted);
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                                 DBusMenuLayoutItem &layout)
{
    layout = DBusMenuLayoutItem{parentId, propertiesOf(parentId, propertyNames), {}};
    // Only the root has children; a depth of 0 asks for the entry alone.
    if (parentId == rootId && recursionDepth != 0) {
        for (int id = 1; id <= m_actions.size(); ++id) {
            if (actionFor(id) != nullptr)
                layout.children.append({id, propertiesOf(id, propertyNames), {}});
        }
    }
    return m_revision;
}

QList<DBusMenuItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int> &ids,
                                                                   const QStringList &propertyNames)
{
    QList<DBusMenuItemProperties> items;
    for (const int id : ids) {
        if (id == rootId || actionFor(id) != nullptr)
            items.append({id, propertiesOf(id, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString &name)
{
    return QDBusVariant(propertiesOf(id, {}).value(name));
}

void DBusMenuExporter::Event(int id, const QString &eventId, const QDBusVariant &, uint)
{
    handleEvent(id, eventId);
}

QList<int> DBusMenuExporter::EventGroup(const QList<DBusMenuEvent> &events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent &event : events) {
        if (!handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    }
    return idErrors;
}

bool DBusMenuExporter::handleEvent(int id, const QString &eventId)
{
    QAction *action = actionFor(id);
    if (action == nullptr)
        return id == rootId;
    if (eventId == QLatin1String("clicked") && action->isEnabled() && !action->isSeparator()) {
        // After the reply: the action may open a dialog that runs its own loop.
        QTimer::singleShot(0, action, &QAction::trigger);
    }
    return true;
}

bool DBusMenuExporter::AboutToShow(int)
{
    // The entries are always current: nothing to update before showing.
    return false;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    idErrors.clear();
    for (const int id : ids) {
        if (id != rootId && actionFor(id) == nullptr)
            idErrors.append(id);
    }
    return {};
}

void DBusMenuExporter::announceLayoutChange()
{
    // Several changes in one turn of the event loop make one new revision.
    if (m_announceScheduled)
        return;
    m_announceScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_announceScheduled = false;
        ++m_revision;
        Q_EMIT LayoutUpdated(m_revision, rootId);
    });
}
