#include "api/KeychainThread.h"

#include <qt6keychain/keychain.h>

#include <QMetaObject>

#include <future>
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

} // namespace

KeychainThread &KeychainThread::instance()
{
    static KeychainThread thread;
    return thread;
}

KeychainThread::KeychainThread()
{
    m_thread.setObjectName(QStringLiteral("com.wendoka.zuvevivezid.keychain"));
    auto context = std::make_unique<QObject>();
    context->moveToThread(&m_thread);
    m_context = context.release();
    // The context dies on its own thread when the loop ends.
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

KeychainThread::~KeychainThread()
{
    m_thread.quit();
    m_thread.wait();
}

KeychainThread::Result KeychainThread::read(const QString &service, const QString &key)
{
    return run(JobKind::Read, service, key, {});
}

KeychainThread::Result KeychainThread::write(const QString &service, const QString &key,
                                             const QByteArray &data)
{
    return run(JobKind::Write, service, key, data);
}

KeychainThread::Result KeychainThread::remove(const QString &service, const QString &key)
{
    return run(JobKind::Remove, service, key, {});
}

KeychainThread::Result KeychainThread::run(JobKind kind, const QString &service, const QString &key,
                                           const QByteArray &data)
{
    Q_ASSERT(QThread::currentThread() != &m_thread);
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> answer = promise->get_future();

    const bool queued = QMetaObject::invokeMethod(
        m_context,
        [promise, kind, service, key, data] {
            QKeychain::Job *job = makeJob(kind, service, key, data);
            QObject::connect(job, &QKeychain::Job::finished, job, [promise](QKeychain::Job *done) {
                Result result;
                switch (done->error()) {
                case QKeychain::NoError:
                    result.outcome = Outcome::Done;
                    if (auto *reader = qobject_cast<QKeychain::ReadPasswordJob *>(done))
                        result.data = reader->binaryData();
                    break;
                case QKeychain::EntryNotFound:
                    result.outcome = Outcome::NotFound;
                    break;
                default:
                    result.outcome = Outcome::Failed;
                    result.errorText = done->errorString();
                    break;
                }
                promise->set_value(std::move(result));
            });
            job->start();
        },
        Qt::QueuedConnection);
    if (!queued)
        return Result{Outcome::Failed, QStringLiteral("the keychain thread is not running"), {}};

    if (answer.wait_for(answerTimeout) != std::future_status::ready)
        return Result{Outcome::Failed, QStringLiteral("the keyring did not answer in time"), {}};
    return answer.get();
}
