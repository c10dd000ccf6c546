#pragma once

#include <QString>

// Whether the panel that holds the tray icon is dark. Panels do not tell their colour to the items
// they show, so it is known per desktop: some panels are dark whatever the desktop's theme (GNOME's
// top bar, swaybar, i3bar); the others follow the desktop's colours.
namespace PanelShade {

// currentDesktop is XDG_CURRENT_DESKTOP (names separated by colons, any letter case).
bool looksDark(const QString &currentDesktop, bool desktopPaletteLooksDark);

// Whether the panel draws a symbolic icon offered by name in its own foreground colour. swaybar
// draws the file as it is, dark on its dark bar, so there only the tinted pictures are offered.
bool recoloursSymbolicIcons(const QString &currentDesktop);

} // namespace PanelShade
