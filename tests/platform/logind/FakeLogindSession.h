#pragma once

#include <QDBusConnection>
#include <QObject>

// One login session as logind serves it: the Session interface's "Active" property, readable
// through org.freedesktop.DBus.Properties, with PropertiesChanged sent when it changes.
class FakeLogindSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool Active READ active)

public:
    FakeLogindSession(QDBusConnection connection, QString path, QObject *parent = nullptr);

    QString path() const { return m_path; }
    bool active() const { return m_active; }

    // Changes the property and announces it with its value, as logind does; with
    // valueInSignal false only its invalidation is announced.
    void setActive(bool active, bool valueInSignal = true);

private:
    QDBusConnection m_connection;
    QString m_path;
    bool m_active = true;
};
