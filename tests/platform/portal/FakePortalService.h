#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include <optional>

// A stand-in for the desktop portal on a private bus: the ScreenCast and Screenshot interfaces
// with scripted answers, served from a thread of its own (the client under test blocks while it
// waits for answers). It records what it was asked.
class FakePortalService : public QDBusVirtualObject
{
    Q_OBJECT

public:
    // How a request is answered: a response code, or never.
    struct Answer
    {
        std::optional<uint> response = 0u;
        bool refuseCall = false; // the method call itself fails
    };

    struct FakeStream
    {
        uint node = 0;
        std::optional<QPoint> position;
        std::optional<QSize> size;
    };

    struct Script
    {
        bool offerScreenCast = true;
        bool offerScreenshot = true;
        uint screenCastVersion = 4;
        Answer createSession;
        Answer selectSources;
        Answer start;
        Answer screenshot;
        QList<FakeStream> streams;
        QString newRestoreToken;
        QString screenshotUri;
        int remoteFd = -1; // handed out by OpenPipeWireRemote (duplicated)
    };

    // Owns the portal's name on the bus at the address, from its own thread.
    FakePortalService(const QString &busAddress, Script script);
    ~FakePortalService() override;

    bool isRegistered() const;
    QStringList calls() const;
    QVariantMap optionsOf(const QString &method) const;
    QStringList closedRequests() const;
    // Ends the open session as the desktop does when the user stops sharing.
    void closeSessionFromDesktop();

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void answerRequest(const QDBusMessage &message, const QDBusConnection &connection,
                       const Answer &answer, const QVariantMap &results);
    void answerProperty(const QDBusMessage &message, const QDBusConnection &connection);
    void openRemote(const QDBusMessage &message, const QDBusConnection &connection);
    QVariantMap startResults() const;

    QThread m_thread;
    QString m_connectionName;
    Script m_script;
    mutable QMutex m_mutex;
    QStringList m_calls;
    QMap<QString, QVariantMap> m_options;
    QStringList m_closedRequests;
    QString m_session;
    bool m_registered = false;
};
