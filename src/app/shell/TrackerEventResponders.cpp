#include "app/shell/TrackerEventResponders.h"

#include "app/shell/ShellDialogs.h"
#include "app/state/AppStateManager.h"
#include "foundation/NotificationHub.h"
#include "tracking/engine/SessionManager.h"

#include <QTimer>

IdleDecisionHandler::IdleDecisionHandler(SessionManager &sessionManager, AppStateManager &appState,
                                         ShellDialogs &dialogs)
    : m_sessionManager(&sessionManager)
    , m_appState(&appState)
    , m_dialogs(dialogs)
{}

void IdleDecisionHandler::operator()() const
{
    if (m_sessionManager.isNull())
        return;
    if (m_appState && m_appState->forceClientUpdate())
        return;
    m_dialogs.activateApplication();
    const ShellDialogs::IdleAnswer answer = m_dialogs.askIdleDecision();
    // The dialog ran its own event loop: the engine may have gone meanwhile.
    if (m_sessionManager.isNull())
        return;
    if (answer == ShellDialogs::IdleAnswer::Continue)
        m_sessionManager->resumeTracking(); // also clears the idle flags
    else
        m_sessionManager->stopTracking(QStringLiteral("idle"));
}

void IdleDecisionHandler::install(SessionManager &sessionManager, AppStateManager &appState,
                                  ShellDialogs &dialogs)
{
    sessionManager.setOnNeedsIdleDecision(IdleDecisionHandler(sessionManager, appState, dialogs));
}

SessionTakeoverObserver::SessionTakeoverObserver(SessionManager &sessionManager,
                                                 ShellDialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_sessionManager(&sessionManager)
    , m_dialogs(dialogs)
{
    // Posted by the upload service on the main thread; queued so the alert never runs inside
    // the upload pass that posted it.
    connect(
        &NotificationHub::instance(), &NotificationHub::sessionTakenOverByOtherDevice, this,
        [this](const QUuid &sessionId, int) { handleTakeover(sessionId); }, Qt::QueuedConnection);
}

void SessionTakeoverObserver::handleTakeover(const QUuid &sessionId)
{
    if (m_sessionManager.isNull())
        return;
    // Only the session the answer was about ends here: a late answer about an earlier session
    // leaves the next one running (the user is still told).
    if (m_sessionManager->isTracking())
        m_sessionManager->handleSessionTakenOver(sessionId);
    m_dialogs.activateApplication();
    m_dialogs.showSessionTakenOver();
}

SignInInvalidationResponder::SignInInvalidationResponder(AppStateManager &appState,
                                                         SessionManager &sessionManager,
                                                         QObject *parent)
    : QObject(parent)
    , m_appState(&appState)
    , m_sessionManager(&sessionManager)
{
    connect(&NotificationHub::instance(), &NotificationHub::authSessionDidInvalidate, this,
            &SignInInvalidationResponder::handleInvalidation);
}

void SignInInvalidationResponder::handleInvalidation()
{
    // The session ends before the zone goes back to the device's: its last bodies are written in
    // the zone it was begun under.
    if (m_sessionManager && m_sessionManager->isTracking())
        m_sessionManager->stopTracking(QString::fromLatin1(stopReason));
    if (m_appState)
        m_appState->applySessionInvalidated();
    if (m_sessionManager.isNull())
        return;
    m_sessionManager->discardInterruptedSession();
    // Those bodies are written from the event loop; the configuration goes after them.
    QTimer::singleShot(0, this, [engine = m_sessionManager] {
        if (engine)
            engine->applyConfig(std::nullopt);
    });
}
