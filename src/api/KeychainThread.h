#pragma once

#include <QByteArray>
#include <QFuture>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <chrono>

// Runs keyring jobs on a thread of its own (they need an event loop to finish), one at a time and
// in the order they were submitted, so a later write always lands after an earlier one. Callers on
// any other thread get a future and never wait unless they choose to.
//
// There is one such thread per process: the keyring library queues its jobs on an object it makes
// once, in the thread of the first job, so every later job must run on that same thread.
class KeychainThread
{
public:
    enum class Outcome
    {
        Done,
        NotFound,
        Failed,
        // There is no keyring on this machine at all (no Secret Service, no session bus).
        NoKeyring,
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QString errorText;
        QByteArray data;
    };

    enum class JobKind
    {
        Read,
        Write,
        Remove,
    };

    static KeychainThread &instance();

    ~KeychainThread();
    KeychainThread(const KeychainThread &) = delete;
    KeychainThread &operator=(const KeychainThread &) = delete;

    // Queued behind every job submitted before it; the future finishes with the job.
    QFuture<Result> submit(JobKind kind, const QString &service, const QString &key,
                           const QByteArray &data = {});

    // Waits for the answer, at most a minute. For tools and tests; never on the interface's
    // thread, which must not wait on the keyring.
    Result read(const QString &service, const QString &key);
    Result write(const QString &service, const QString &key, const QByteArray &data);
    Result remove(const QString &service, const QString &key);

    // True once every submitted write and removal has finished; false when the time ran out first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

private:
    KeychainThread();

    Result waitFor(QFuture<Result> answer);
    void jobFinished();

    // A keyring that asks the user to unlock it may take a while; one that never answers must not
    // hang a waiting caller for ever.
    static constexpr std::chrono::seconds answerTimeout{60};
    // What the end of the process gives the last writes to reach the keyring.
    static constexpr std::chrono::seconds drainAtExit{5};

    QThread m_thread;
    QObject *m_context = nullptr;
    QMutex m_outstandingMutex;
    QWaitCondition m_idle;
    int m_outstanding = 0;
};
