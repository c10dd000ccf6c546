#pragma once

#include <functional>

class AppStateManager;

// Menus, callbacks and the popover reach the main window only through the application state's
// two hooks; this fills them.
namespace MainWindowOpener {

// Settings opens the window and then asks for the settings tab; surfacing the window is the open
// action itself. A forced update that was waiting for a window is surfaced now. Each call
// replaces both hooks. The settings hook holds the state weakly.
void install(AppStateManager &state, std::function<void()> open);

} // namespace MainWindowOpener
