#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <chrono>

// One request to the desktop portal: the call answers at once with a request object, and the
// real answer comes later as that object's Response signal, possibly after a person answered a
// dialog. The answer is listened for before the call is made (at the path the portal derives
// from our bus name and the token), so an early answer is never missed. A request with no answer
// within its time is closed and ends as a failure, so nothing waits for ever.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    // The portal's response codes; a time-out ends as Failed.
    enum Response : uint
    {
        Success = 0,
        Cancelled = 1,
        Failed = 2,
    };

    PortalRequest(QDBusConnection connection, std::chrono::milliseconds timeout,
                  QObject *parent = nullptr);

    // The handle_token option of the call.
    QString token() const { return m_token; }
    // Calls the portal's method with the options (handle_token added); the answer comes through
    // answered(). A call the portal refuses at once answers Failed.
    void call(const QString &interface, const QString &method, const QVariantList &leadingArguments,
              QVariantMap options);

    // A fresh token that is a valid D-Bus path element.
    static QString makeToken(const char *prefix);
    // Our unique bus name as the portal puts it into object paths (":1.42" becomes "1_42").
    static QString senderPathPart(const QDBusConnection &connection);

Q_SIGNALS:
    void answered(uint response, const QVariantMap &results);

private Q_SLOTS:
    void handleResponse(uint response, const QVariantMap &results);

private:
    void listenAt(const QString &path);
    void stopListening();
    void finish(uint response, const QVariantMap &results);

    QDBusConnection m_connection;
    QString m_token;
    QString m_path;
    QTimer m_timeout;
    bool m_finished = false;
};
