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
    if (m_inMemoryOnly)
        return m_memoryTokens;

    const KeychainThread::Result result = m_thread.read(m_service, QString::fromLatin1(account));
    switch (result.outcome) {
    case KeychainThread::Outcome::Done:
        return AuthTokens::fromJsonBytes(result.data);
    case KeychainThread::Outcome::NotFound:
        return std::nullopt;
    case KeychainThread::Outcome::Failed:
        reportUnremembered(result.errorText);
        return std::nullopt;
    }
    return std::nullopt;
}

void KeychainService::saveAuthTokens(const AuthTokens &tokens)
{
    const QMutexLocker locker(&m_mutex);
    const KeychainThread::Result result =
        m_thread.write(m_service, QString::fromLatin1(account), tokens.toJsonBytes());
    if (result.outcome == KeychainThread::Outcome::Done) {
        m_inMemoryOnly = false;
        m_memoryTokens.reset();
        return;
    }

    zuvError(lcAuth).noquote() << "Could not write the sign-in to the keyring:" << result.errorText;
    reportUnremembered(result.errorText);
    m_inMemoryOnly = true;
    m_memoryTokens = tokens;
    // An older item must not bring back a sign-in this run has already replaced.
    m_thread.remove(m_service, QString::fromLatin1(account));
}

void KeychainService::deleteAuthTokens()
{
    const QMutexLocker locker(&m_mutex);
    m_memoryTokens.reset();
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
