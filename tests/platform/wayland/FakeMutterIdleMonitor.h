#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>

#include <atomic>
#include <memory>

// GNOME's idle monitor as Mutter serves it on the session bus: GetIdletime answers the idle
// milliseconds it was given, or never answers while told to hang.
class FakeMutterIdleMonitor : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    FakeMutterIdleMonitor();
    ~FakeMutterIdleMonitor() override;

    QString problem() const { return m_problem; }
    void setIdleMilliseconds(qulonglong milliseconds) { m_idleMilliseconds = milliseconds; }
    void setHanging(bool hanging) { m_hanging = hanging; }

public Q_SLOTS:
    qulonglong GetIdletime();

private:
    QString m_connectionName;
    std::unique_ptr<QDBusConnection> m_connection;
    QString m_problem;
    std::atomic<qulonglong> m_idleMilliseconds{0};
    std::atomic<bool> m_hanging{false};
    QList<QDBusMessage> m_unanswered;
};
