#pragma once

#include <QObject>
#include <QString>

class AlertPresenter;

// Tells the user about trouble with the local database that would otherwise pass in silence: a
// damaged file that was replaced (and what of it was kept), and writes that do not land, so
// tracked time is not being saved. The store posts each once per occurrence; the alerts are
// shown from the event loop, never from inside a store call.
class LocalDataAlerts : public QObject
{
    Q_OBJECT

public:
    explicit LocalDataAlerts(AlertPresenter &alerts, QObject *parent = nullptr);

    static QString damagedMessage();
    static QString damagedInformative(const QString &keptSummary, const QString &asidePath);
    static QString cannotSaveMessage();
    static QString cannotSaveInformative();

private:
    AlertPresenter &m_alerts;
};
