#include "app/state/LocalDataAlerts.h"

#include "app/state/AlertPresenter.h"
#include "foundation/NotificationHub.h"

LocalDataAlerts::LocalDataAlerts(AlertPresenter &alerts, QObject *parent)
    : QObject(parent)
    , m_alerts(alerts)
{
    // Queued: the store posts while it holds its lock, and an alert waits for the user.
    NotificationHub &hub = NotificationHub::instance();
    connect(
        &hub, &NotificationHub::localDatabaseWasDamaged, this,
        [this](const QString &keptSummary, const QString &asidePath) {
            m_alerts.presentInformational(damagedMessage(),
                                          damagedInformative(keptSummary, asidePath));
        },
        Qt::QueuedConnection);
    connect(
        &hub, &NotificationHub::localDatabaseCannotBeWritten, this,
        [this] { m_alerts.presentInformational(cannotSaveMessage(), cannotSaveInformative()); },
        Qt::QueuedConnection);
}

QString LocalDataAlerts::damagedMessage()
{
    return tr("Local data was damaged.");
}

QString LocalDataAlerts::damagedInformative(const QString &keptSummary, const QString &asidePath)
{
    const QString kept = keptSummary.isEmpty() ? tr("Nothing could be read from it.")
                                               : tr("Kept: %1.").arg(keptSummary);
    return tr("The tracker's database was damaged and has been replaced by a new one. %1 The "
              "damaged file was kept as %2.")
        .arg(kept, asidePath);
}

QString LocalDataAlerts::cannotSaveMessage()
{
    return tr("Tracked time cannot be saved.");
}

QString LocalDataAlerts::cannotSaveInformative()
{
    return tr("The tracker's database cannot be written: the disk may be full or the file "
              "read-only. The tracker keeps trying; free some space or fix the file's "
              "permissions.");
}
