#include "api/KeychainThread.h"

#include "platform/secrets/SecretServiceWatcher.h"

#include <qt6keychain/keychain.h>

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPromise>
#include <QSemaphore>

#include <deque>
#include <functional>
#include <memory>

namespace {

QKeychain::Job *makeJob(KeychainThread::JobKind kind, const QString &service, const QString &key,
                        const QByteArray &data)
{
    QKeychain::Job *job = nullptr;
    switch (kind) {
    case KeychainThread::JobKind::Read:
        job = new QKeychain::ReadPasswordJob(service);
        break;
    case KeychainThread::JobKind::Write: {
        auto *write = new QKeychain::WritePasswordJob(service);
        // Stored as text so the item holds the JSON itself.
        write->setTextData(QString::fromUtf8(data));
        job = write;
        break;
    }
    case KeychainThread::JobKind::Remove:
        job = new QKeychain::DeletePasswordJob(service);
        break;
    }
    job->setKey(key);
    // Secrets never go to a plain file, whatever the keyring's state.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    return job;
}

KeychainThread::Result resultOf(QKeychain::Job *done)
{
    KeychainThread::Result result;
    switch (done->error()) {
    case QKeychain::NoError:
        result.outcome = KeychainThread::Outcome::Done;
        if (auto *reader = qobject_cast<QKeychain::ReadPasswordJob *>(done))
            result.data = reader->binaryData();
        break;
    case QKeychain::EntryNotFound:
        result.outcome = KeychainThread::Outcome::NotFound;
        // A locked collection whose unlock prompt was dismissed, or could not be shown, answers
        // a read as if there were no item: that is no answer at all.
        if (qobject_cast<QKeychain::ReadPasswordJob *>(done) &&
            SecretServiceWatcher::isDefaultCollectionLocked().value_or(false)) {
            result.outcome = KeychainThread::Outcome::Failed;
            result.errorText = QStringLiteral("the keyring is locked");
        }
        break;
    case QKeychain::NoBackendAvailable:
        result.outcome = KeychainThread::Outcome::NoKeyring;
        result.errorText = done->errorString();
        break;
    default:
        // Without a Secret Service there is nothing to wait for: the sign-in lives in memory.
        result.outcome = SecretServiceWatcher::isServiceReachable()
                             ? KeychainThread::Outcome::Failed
                             : KeychainThread::Outcome::NoKeyring;
        result.errorText = done->errorString();
        break;
    }
    return result;
}

struct PendingJob
{
    KeychainThread::JobKind kind;
    QString service;
    QString key;
    QByteArray data;
    std::shared_ptr<QPromise<KeychainThread::Result>> promise;
};

// Lives on the keychain thread; starts the next job only when the one before it has answered.
class JobQueue : public QObject
{
public:
    // Told after a write or removal has finished and its future's continuation has run.
    explicit JobQueue(std::function<void()> onChangeFinished)
        : m_onChangeFinished(std::move(onChangeFinished))
    {}

    void enqueue(PendingJob job)
    {
        m_pending.push_back(std::move(job));
        startNextIfIdle();
    }

private:
    void startNextIfIdle()
    {
        if (m_running || m_pending.empty())
            return;
        PendingJob next = std::move(m_pending.front());
        m_pending.pop_front();
        m_running = true;
        QKeychain::Job *job = makeJob(next.kind, next.service, next.key, next.data);
        connect(job, &QKeychain::Job::finished, this,
                [this, promise = next.promise, kind = next.kind](QKeychain::Job *done) {
                    promise->addResult(resultOf(done));
                    promise->finish();
                    m_running = false;
                    if (kind != KeychainThread::JobKind::Read)
                        m_onChangeFinished();
                    startNextIfIdle();
                });
        job->start();
    }

    const std::function<void()> m_onChangeFinished;
    std::deque<PendingJob> m_pending;
    bool m_running = false;
};

} // namespace

KeychainThread &KeychainThread::instance()
{
    static KeychainThread thread;
    return thread;
}

KeychainThread::KeychainThread()
{
    m_thread.setObjectName(QStringLiteral("com.wendoka.zuvevivezid.keychain"));
    auto context = std::make_unique<JobQueue>([this] { jobFinished(); });
    context->moveToThread(&m_thread);
    m_context = context.release();
    // The queue dies on its own thread when the loop ends.
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

KeychainThread::~KeychainThread()
{
    waitUntilIdle(drainAtExit);
    m_thread.quit();
    m_thread.wait();
}

QFuture<KeychainThread::Result> KeychainThread::submit(JobKind kind, const QString &service,
                                                       const QString &key, const QByteArray &data)
{
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    QFuture<Result> answer = promise->future();
    // Only what changes the keyring is waited for at the end of the process; a read left
    // unanswered there has nobody to tell. (A future takes one continuation only: the caller's.)
    if (kind != JobKind::Read) {
        const QMutexLocker locker(&m_outstandingMutex);
        ++m_outstanding;
    }
    auto *queue = static_cast<JobQueue *>(m_context);
    const bool queued = QMetaObject::invokeMethod(
        queue,
        [queue, job = PendingJob{kind, service, key, data, promise}]() mutable {
            queue->enqueue(std::move(job));
        },
        Qt::QueuedConnection);
    if (!queued) {
        promise->addResult(Result{Outcome::Failed,
                                  QStringLiteral("the keychain thread is not "
                                                 "running"),
                                  {}});
        promise->finish();
        if (kind != JobKind::Read)
            jobFinished();
    }
    return answer;
}

KeychainThread::Result KeychainThread::read(const QString &service, const QString &key)
{
    return waitFor(submit(JobKind::Read, service, key));
}

KeychainThread::Result KeychainThread::write(const QString &service, const QString &key,
                                             const QByteArray &data)
{
    return waitFor(submit(JobKind::Write, service, key, data));
}

KeychainThread::Result KeychainThread::remove(const QString &service, const QString &key)
{
    return waitFor(submit(JobKind::Remove, service, key));
}

KeychainThread::Result KeychainThread::waitFor(QFuture<Result> answer)
{
    Q_ASSERT(QThread::currentThread() != &m_thread);
    auto answered = std::make_shared<QSemaphore>();
    answer.then(QtFuture::Launch::Sync, [answered](const Result &) { answered->release(); });
    if (!answered->tryAcquire(
            1, std::chrono::duration_cast<std::chrono::milliseconds>(answerTimeout).count()))
        return Result{Outcome::Failed, QStringLiteral("the keyring did not answer in time"), {}};
    return answer.result();
}

bool KeychainThread::waitUntilIdle(std::chrono::milliseconds timeout)
{
    Q_ASSERT(QThread::currentThread() != &m_thread);
    const QDeadlineTimer deadline(timeout);
    QMutexLocker locker(&m_outstandingMutex);
    while (m_outstanding > 0) {
        if (!m_idle.wait(&m_outstandingMutex, deadline))
            return false;
    }
    return true;
}

void KeychainThread::jobFinished()
{
    const QMutexLocker locker(&m_outstandingMutex);
    --m_outstanding;
    if (m_outstanding == 0)
        m_idle.wakeAll();
}
