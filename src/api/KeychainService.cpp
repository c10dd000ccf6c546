#include "api/KeychainService.h"

#include "api/KeychainThread.h"
#include "foundation/Log.h"

KeychainService &KeychainService::shared()
{
    static KeychainService instance(configuredServiceName());
    return instance;
}

QString KeychainService::configuredServiceName()
{
    const QString configured = qEnvironmentVariable(serviceEnvironmentVariable).trimmed();
    return configured.isEmpty() ? QString::fromLatin1(serviceName) : configured;
}

KeychainService::KeychainService(QString service)
    : m_service(std::move(service))
    , m_thread(KeychainThread::instance())
{}

KeychainService::~KeychainService() = default;

std::optional<AuthTokens> KeychainService::getAuthTokens()
{
    const QMutexLocker locker(&m_mutex);
    if (!m_loaded)
        load();
    return m_tokens;
}

void KeychainService::load()
{
    m_loaded = true;
    const KeychainThread::Result result = m_thread.read(m_service, QString::fromLatin1(account));
    switch (result.outcome) {
    case KeychainThread::Outcome::Done:
        m_tokens = AuthTokens::fromJsonBytes(result.data);
        return;
    case KeychainThread::Outcome::NotFound:
        m_tokens.reset();
        return;
    case KeychainThread::Outcome::Failed:
        // Not asked again this run: a locked collection would make every later request wait
        // for it.
        m_tokens.reset();
        reportUnremembered(result.errorText);
        return;
    }
}

void KeychainService::saveAuthTokens(const AuthTokens &tokens)
{
    const QMutexLocker locker(&m_mutex);
    m_loaded = true;
    m_tokens = tokens;
    const KeychainThread::Result result =
        m_thread.write(m_service, QString::fromLatin1(account), tokens.toJsonBytes());
    if (result.outcome == KeychainThread::Outcome::Done) {
        m_inMemoryOnly = false;
        return;
    }

    zuvError(lcAuth).noquote() << "Could not write the sign-in to the keyring:" << result.errorText;
    reportUnremembered(result.errorText);
    m_inMemoryOnly = true;
    // An older item must not bring back a sign-in this run has already replaced.
    m_thread.remove(m_service, QString::fromLatin1(account));
}

void KeychainService::deleteAuthTokens()
{
    const QMutexLocker locker(&m_mutex);
    m_loaded = true;
    m_tokens.reset();
    const KeychainThread::Result result = m_thread.remove(m_service, QString::fromLatin1(account));
    if (result.outcome == KeychainThread::Outcome::Failed && !m_inMemoryOnly)
        zuvError(lcAuth).noquote()
            << "Could not delete the sign-in from the keyring:" << result.errorText;
}

bool KeychainService::remembersSignIn() const
{
    const QMutexLocker locker(&m_mutex);
    return !m_inMemoryOnly;
}

void KeychainService::reportUnremembered(const QString &reason)
{
    if (m_reportedUnremembered)
        return;
    m_reportedUnremembered = true;
    zuvError(lcAuth).noquote() << "No usable keyring (" + reason +
                                      "): the sign-in cannot be remembered; it is kept for this "
                                      "run only and the next launch asks for it again";
}
