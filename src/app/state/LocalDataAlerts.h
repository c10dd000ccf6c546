#pragma once

#include <QObject>
#include <QString>

class AlertPresenter;

// Tells the user about trouble with the local data that would otherwise pass in silence: a
// damaged file that was replaced (and what of it was kept), and writes that do not land, so
// tracked time and screenshots are not being saved. The posters send each once per occurrence;
// the alerts are shown from the event loop, never from inside a store call.
//
// "Tracked time cannot be saved." is a notice, never a modal box: it must not stand over the
// controls that stop tracking, and while it is open later failures update it instead of
// stacking a second one.
class LocalDataAlerts : public QObject
{
    Q_OBJECT

public:
    explicit LocalDataAlerts(AlertPresenter &alerts, QObject *parent = nullptr);

    static QString damagedMessage();
    static QString damagedInformative(const QString &keptSummary, const QString &asidePath);
    static QString damagedFileInformative(const QString &description, const QString &asidePath);
    static QString cannotSaveMessage();
    static QString cannotSaveInformative(int lostCaptures);

private:
    void showCannotSave();

    AlertPresenter &m_alerts;
    int m_lostCaptures = 0;
};
