#pragma once

#include <QColor>
#include <QString>

#include <optional>

// Whether the panel that holds the tray icon is dark. Panels do not tell their colour to the items
// they show, so where the window manager cannot be asked (swaybar's colour can) it is known per
// desktop: some panels are dark whatever the desktop's theme (GNOME's top bar, swaybar and i3bar
// by default); the others follow the desktop's colours.
namespace PanelShade {

// currentDesktop is XDG_CURRENT_DESKTOP (names separated by colons, any letter case);
// panelBackground the panel's own colour where it is known, which then decides.
bool looksDark(const QString &currentDesktop, bool desktopPaletteLooksDark,
               std::optional<QColor> panelBackground = std::nullopt);

// Whether the panel's colour can be asked of the window manager (sway and i3 tell their bars').
bool barColourCanBeAsked(const QString &currentDesktop);

// Whether the panel draws a symbolic icon offered by name in its own foreground colour. swaybar
// draws the file as it is, dark on its dark bar, so there only the tinted pictures are offered.
bool recoloursSymbolicIcons(const QString &currentDesktop);

} // namespace PanelShade
