#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

// The program's notification centre: one signal per notification the subsystems post to each
// other. Signals are emitted on the posting thread; receivers in other threads get them queued.
class NotificationHub : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *screenCaptureDidCompleteName = "screenCaptureDidComplete";
    static constexpr const char *serverTodayTotalDidUpdateName =
        "com.wendoka.zuvevivezid.serverTodayTotalDidUpdate";
    static constexpr const char *sessionTakenOverByOtherDeviceName =
        "com.wendoka.zuvevivezid.sessionTakenOverByOtherDevice";
    static constexpr const char *authSessionDidInvalidateName =
        "com.wendoka.zuvevivezid.authSessionDidInvalidate";

    static NotificationHub &instance();

Q_SIGNALS:
    // A capture run finished writing its files for a session.
    void screenCaptureDidComplete(const QUuid &sessionId, const QStringList &filePaths);
    // The server's total for today, with the day it counts ("yyyy-MM-dd").
    void serverTodayTotalDidUpdate(qint64 totalSeconds, const QString &date);
    // A heartbeat for the session was answered 404 or 409.
    void sessionTakenOverByOtherDevice(const QUuid &sessionId, int statusCode);
    // The refresh token was rejected: the sign-in is over.
    void authSessionDidInvalidate();
    // The local database was found damaged and replaced; keptSummary says which rows were
    // carried over into the new one, asidePath where the damaged file was kept.
    void localDatabaseWasDamaged(const QString &keptSummary, const QString &asidePath);
    // A write to the local database failed after the last one that succeeded (or since start):
    // tracked time is not being saved. Posted again only after a write has succeeded.
    void localDatabaseCannotBeWritten();
    // The preferences file could not be written after the last write that succeeded; the old
    // file was kept. Posted again only after a write has succeeded.
    void preferencesCannotBeWritten();
    // A file or folder of the data folder other than the database was found damaged and was
    // replaced; description says what and what of it was kept, asidePath where the damaged one
    // was kept (empty when it could not be moved).
    void localFileWasDamaged(const QString &description, const QString &asidePath);
    // Screenshots were taken but could not be written to the disk (count files): they are lost.
    void capturesCouldNotBeSaved(int count);

private:
    NotificationHub() = default;
};
