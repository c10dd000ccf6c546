#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The D-Bus structures of the tray item and its exported menu, as the panels read them.

// One picture of an icon: its size and its pixels as 32-bit ARGB in network byte order (a(iiay)).
struct StatusNotifierPixmap
{
    int width = 0;
    int height = 0;
    QByteArray argb;

    static StatusNotifierPixmap fromImage(const QImage &image);
};

// The tooltip: icon name, icon pictures, title and text ((sa(iiay)ss)).
struct StatusNotifierToolTip
{
    QString iconName;
    QList<StatusNotifierPixmap> icons;
    QString title;
    QString text;
};

// A menu entry with its properties and, recursively, its children ((ia{sv}av)).
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// An entry's properties alone ((ia{sv})).
struct DBusMenuItemProperties
{
    int id = 0;
    QVariantMap properties;
};

// One event of a group: entry, event name, data, time ((isvu)).
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

Q_DECLARE_METATYPE(StatusNotifierPixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItemProperties)
Q_DECLARE_METATYPE(DBusMenuEvent)

QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierToolTip &toolTip);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemProperties &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuEvent &event);

namespace StatusNotifierTypes {
// Makes the structures known to Qt D-Bus; safe to call more than once.
void registerTypes();
} // namespace StatusNotifierTypes
