#include "ui/tracker/TaskMenuConfigRefresh.h"

#include "app/state/AppStateManager.h"
#include "app/state/RemoteConfigSource.h"
#include "tracking/engine/SessionManager.h"

#include <optional>

TaskMenuConfigRefresh::TaskMenuConfigRefresh(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_configSource(dependencies.configSource)
    , m_companyKey(std::move(dependencies.companyKey))
{
    connect(m_appState.data(), &AppStateManager::isAuthenticatedChanged, this,
            [this] { ++m_signInGeneration; });
}

void TaskMenuConfigRefresh::schedule()
{
    refresh();
}

QCoro::Task<> TaskMenuConfigRefresh::refresh()
{
    if (!m_appState || !m_appState->isAuthenticated())
        co_return;
    const QPointer<TaskMenuConfigRefresh> self(this);
    const quint64 generation = m_signInGeneration;
    const QString company = m_companyKey ? m_companyKey() : QString();

    std::optional<RemoteConfig> fetched;
    try {
        fetched = co_await m_configSource.fetchRemote();
    } catch (...) {
        // Offline or refused: the cached list stays, and the user is not bothered.
        co_return;
    }

    if (!self || !m_appState || !m_sessionManager)
        co_return;
    const bool sameSignIn = m_appState->isAuthenticated() && generation == m_signInGeneration;
    const bool sameCompany = !m_companyKey || m_companyKey() == company;
    if (!sameSignIn || !sameCompany)
        co_return;

    m_appState->setRemoteConfig(fetched);
    m_appState->evaluateClientVersion(fetched);
    m_sessionManager->applyConfig(fetched);
}
