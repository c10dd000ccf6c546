#include "app/shell/StartupSequence.h"

#include "app/shell/StartupEnvironment.h"
#include "app/shell/TrackerEventResponders.h"
#include "app/state/AppStateManager.h"
#include "app/state/ForceUpdateResponder.h"
#include "app/state/TrackingEngineControl.h"
#include "tracking/engine/SessionManager.h"

#include <QTimer>

StartupSequence::StartupSequence(StartupEnvironment &environment, QObject *parent)
    : QObject(parent)
    , m_environment(environment)
{}

StartupSequence::~StartupSequence() = default;

void StartupSequence::run()
{
    m_environment.loadTheme();
    AppStateManager &state = m_environment.createAppState();
    SessionManager &engine = m_environment.createSessionManager();
    m_appState = &state;
    m_sessionManager = &engine;
    connect(&state, &AppStateManager::isAuthenticatedChanged, this, [this] {
        if (m_appState && !m_appState->isAuthenticated())
            ++m_signOutCount;
    });

    IdleDecisionHandler::install(engine, state, m_environment.dialogs());
    m_environment.stepPerformed(QStringLiteral("installIdleDecision"));

    // Started from the event loop: start-up does not wait for the queue's first pass.
    QTimer::singleShot(0, this, [this] { m_environment.startUploadService(); });

    ForceUpdateResponder::install(state, m_environment.engineControl(),
                                  m_environment.windowHooks());
    m_environment.stepPerformed(QStringLiteral("installForceUpdate"));

    m_takeoverObserver = std::make_unique<SessionTakeoverObserver>(engine, m_environment.dialogs());
    m_environment.stepPerformed(QStringLiteral("observeTakeover"));
    m_invalidationResponder = std::make_unique<SignInInvalidationResponder>(state, engine);
    m_environment.stepPerformed(QStringLiteral("observeSignInInvalidation"));

    m_environment.bootstrapApiTimeZone();
    m_environment.startWatchdog();
    m_environment.startSegmentClock(engine);

    runStartupTask();
}

void StartupSequence::applyConfiguration(const RemoteConfig &config)
{
    if (m_appState.isNull())
        return;
    m_appState->setRemoteConfig(config);
    m_appState->evaluateClientVersion(config);
    m_environment.engineControl().applyConfig(config);
}

QCoro::Task<> StartupSequence::runStartupTask()
{
    if (const std::optional<RemoteConfig> cached = m_environment.readCachedConfig())
        applyConfiguration(*cached);

    QPointer<StartupSequence> self(this);
    QPointer<AppStateManager> state = m_appState;
    co_await state->awaitAuthRestore();
    if (self.isNull())
        co_return;
    if (state && state->isAuthenticated()) {
        const quint64 signIn = m_signOutCount;
        m_environment.startPeriodicRefresh([self, signIn](const RemoteConfig &config) {
            // Delivered on the main thread; applied from the event loop like any other update.
            // A configuration fetched for the restored sign-in is dropped once it has ended: a
            // sign-out during the fetch, or a sign-in to another company since.
            QTimer::singleShot(0, self.data(), [self, signIn, config] {
                if (self && self->m_signOutCount == signIn)
                    self->applyConfiguration(config);
            });
        });
    }
    m_startupTaskFinished = true;
    Q_EMIT startupTaskFinished();
}
