#include "app/state/ForceUpdateResponder.h"

#include "app/state/AppStateManager.h"
#include "app/state/TrackingEngineControl.h"

ForceUpdateResponder::ForceUpdateResponder(AppStateManager &state, TrackingEngineControl &engine,
                                           WindowHooks hooks)
    : m_state(&state)
    , m_engine(engine)
    , m_hooks(std::move(hooks))
{}

bool ForceUpdateResponder::operator()(bool force, bool shouldSurface) const
{
    if (!m_state || !force)
        return false;
    m_engine.handleForceUpdateRequired();
    if (!shouldSurface)
        return false;
    if (m_hooks.activateApplication)
        m_hooks.activateApplication();
    if (m_state->surfaceMainWindowAction) {
        m_state->surfaceMainWindowAction();
        return true;
    }
    return m_hooks.raiseFirstMainWindow && m_hooks.raiseFirstMainWindow();
}

void ForceUpdateResponder::install(AppStateManager &state, TrackingEngineControl &engine,
                                   WindowHooks hooks)
{
    state.onForceUpdateEvaluated = ForceUpdateResponder(state, engine, std::move(hooks));
}
