#include "app/state/LocalDataAlerts.h"

#include "app/state/AlertPresenter.h"
#include "foundation/NotificationHub.h"

LocalDataAlerts::LocalDataAlerts(AlertPresenter &alerts, QObject *parent)
    : QObject(parent)
    , m_alerts(alerts)
{
    // Queued: the store posts while it holds its lock. Every one is a notice, never modal: damage
    // found while tracking (a captures folder replaced) must leave Stop within reach.
    NotificationHub &hub = NotificationHub::instance();
    connect(
        &hub, &NotificationHub::localDatabaseWasDamaged, this,
        [this](const QString &keptSummary, const QString &asidePath) {
            m_alerts.presentNotice(damagedMessage(), damagedInformative(keptSummary, asidePath));
        },
        Qt::QueuedConnection);
    connect(
        &hub, &NotificationHub::localFileWasDamaged, this,
        [this](const QString &description, const QString &asidePath) {
            m_alerts.presentNotice(damagedMessage(),
                                   damagedFileInformative(description, asidePath));
        },
        Qt::QueuedConnection);
    connect(&hub, &NotificationHub::localDatabaseCannotBeWritten, this,
            &LocalDataAlerts::showCannotSave, Qt::QueuedConnection);
    connect(&hub, &NotificationHub::preferencesCannotBeWritten, this,
            &LocalDataAlerts::showCannotSave, Qt::QueuedConnection);
    connect(
        &hub, &NotificationHub::capturesCouldNotBeSaved, this,
        [this](int count) {
            m_lostCaptures += count;
            showCannotSave();
        },
        Qt::QueuedConnection);
}

void LocalDataAlerts::showCannotSave()
{
    m_alerts.presentNotice(cannotSaveMessage(), cannotSaveInformative(m_lostCaptures));
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

QString LocalDataAlerts::damagedFileInformative(const QString &description,
                                                const QString &asidePath)
{
    if (asidePath.isEmpty())
        return description;
    return tr("%1 The damaged one was kept as %2.").arg(description, asidePath);
}

QString LocalDataAlerts::cannotSaveMessage()
{
    return tr("Tracked time cannot be saved.");
}

QString LocalDataAlerts::cannotSaveInformative(int lostCaptures)
{
    QString text = tr("The tracker's files cannot be written: the disk may be full or the files "
                      "read-only. The tracker keeps trying; free some space or fix the files' "
                      "permissions.");
    if (lostCaptures > 0)
        text += QLatin1Char(' ') +
                tr("%n screenshot(s) could not be saved and are lost.", nullptr, lostCaptures);
    return text;
}
