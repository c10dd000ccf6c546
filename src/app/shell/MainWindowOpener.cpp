#include "app/shell/MainWindowOpener.h"

#include "app/state/AppStateManager.h"

#include <QPointer>

namespace MainWindowOpener {

void install(AppStateManager &state, std::function<void()> open)
{
    QPointer<AppStateManager> weakState(&state);
    state.openSettingsMenuAction = [weakState, open] {
        if (weakState.isNull())
            return;
        if (open)
            open();
        weakState->setPendingMainTab(MainTab::Settings);
    };
    state.surfaceMainWindowAction = open;
    if (state.forceClientUpdate() && !state.didSurfaceForceUpdate())
        state.applyForceUpdateEnforcement();
}

} // namespace MainWindowOpener
