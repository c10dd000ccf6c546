#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <chrono>

// Runs keyring jobs one at a time on a thread of its own (they need an event loop to finish) and
// hands their results back to waiting callers on any other thread.
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
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QString errorText;
        QByteArray data;
    };

    static KeychainThread &instance();

    ~KeychainThread();
    KeychainThread(const KeychainThread &) = delete;
    KeychainThread &operator=(const KeychainThread &) = delete;

    Result read(const QString &service, const QString &key);
    Result write(const QString &service, const QString &key, const QByteArray &data);
    Result remove(const QString &service, const QString &key);

    enum class JobKind
    {
        Read,
        Write,
        Remove,
    };

private:
    KeychainThread();

    Result run(JobKind kind, const QString &service, const QString &key, const QByteArray &data);

    // A keyring that asks the user to unlock it may take a while; one that never answers must not
    // hang the caller for ever.
    static constexpr std::chrono::seconds answerTimeout{60};

    QThread m_thread;
    QObject *m_context = nullptr;
};
