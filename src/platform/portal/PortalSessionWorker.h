#pragma once

#include "platform/portal/PortalScreenCast.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

// The part of PortalScreenCast that lives on its thread: makes the portal's requests one after
// the other (CreateSession, SelectSources, Start, OpenPipeWireRemote; or Screenshot), opens the
// PipeWire streams and notices when the desktop closes the session.
class PortalSessionWorker : public QObject
{
    Q_OBJECT

public:
    explicit PortalSessionWorker(PortalScreenCast &owner);

    // What the portal on the bus offers; blocks for the answer (any thread).
    static PortalScreenCast::Offer queryOffer(const QDBusConnection &connection,
                                              bool useScreenCast);

    // Each runs on the worker's thread.
    void detect();
    void check();
    void start();
    void screenshot(quint64 ticket);
    void closeSession();

private Q_SLOTS:
    void handleSessionClosed();

private:
    void selectSources();
    void startSession();
    void openStreams(const QList<PortalScreenCast::Stream> &streams);
    void fail(const QString &step, uint response);
    // The portal accepted the cast but cannot deliver it.
    void castFailed(const QString &step);
    void setPhase(PortalScreenCast::Phase phase);

    PortalScreenCast &m_owner;
    QDBusConnection m_connection;
    QString m_session;        // the session's object path while there is one
    bool m_usedToken = false; // the current start handed the portal a restore token
};
