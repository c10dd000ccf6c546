// The same session was resumed on another device: it ends here and belongs to the other device
// from now on, so nothing of it is uploaded from this one.
#include "tracking/engine/SessionManager.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/UuidText.h"

void SessionManager::handleSessionTakenOver()
{
    if (!m_currentSession)
        return;
    completeTakenOverSession();
}

void SessionManager::handleSessionTakenOver(const QUuid &sessionId)
{
    if (!m_currentSession || m_currentSession->id != sessionId) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Takeover of session %1 ignored: it is not the current session")
                   .arg(UuidText::format(sessionId));
        return;
    }
    completeTakenOverSession();
}

void SessionManager::completeTakenOverSession()
{
    // Completed locally and kept in the history, but not uploaded: the session belongs to the
    // other device now.
    const std::optional<Session> session = finishCurrentSession(m_clock.now(), false);
    if (!session)
        return;
    resetAfterSessionEnded();

    setLastStatusMessage(QStringLiteral("Session was resumed on another device."));
    zuvInfo(lcSession).noquote() << QStringLiteral(
                                        "Session %1 closed locally after backend takeover.")
                                        .arg(UuidText::format(session->id));
}
