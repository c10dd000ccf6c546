#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One running instance per user and data folder. The first launch holds a lock file in the data
// folder and listens on a local socket; a later launch finds the lock taken, asks the running
// instance to bring its window forward, and ends.
class SingleInstanceGuard : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *lockFileName = "zuvevivezid.lock";
    static constexpr const char *showWindowMessage = "show-window\n";
    static constexpr const char *answerMessage = "ok\n";

    explicit SingleInstanceGuard(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstanceGuard() override;

    // True when this process is now the running instance (and listens for later launches).
    bool tryToRun();
    // After tryToRun() failed: true when another process holds the lock, false when the lock
    // file could not be made at all (lockProblem() says why).
    bool isHeldByAnotherInstance() const;
    QString lockProblem() const;
    // From a later launch: asks the running instance to show its window. True only when it
    // answered within the time; false when it could not be reached or did not answer.
    bool askRunningInstanceToShowWindow(int timeoutMs = 3000) const;

    // The local socket's name: per user and data folder.
    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // A later launch asked for the window.
    void showWindowRequested();

private:
    void acceptConnections();

    QString m_serverName;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
