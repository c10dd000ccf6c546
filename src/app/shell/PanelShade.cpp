#include "app/shell/PanelShade.h"

#include <QStringList>

namespace PanelShade {

bool looksDark(const QString &currentDesktop, bool desktopPaletteLooksDark,
               std::optional<QColor> panelBackground)
{
    if (panelBackground && panelBackground->isValid())
        return panelBackground->lightnessF() < 0.5;
    static const QStringList alwaysDarkPanels{QStringLiteral("gnome"), QStringLiteral("unity"),
                                              QStringLiteral("sway"), QStringLiteral("i3")};
    const QStringList desktops = currentDesktop.toLower().split(QLatin1Char(':'));
    // GNOME's classic session keeps a light panel.
    if (desktops.contains(QStringLiteral("gnome-classic")))
        return desktopPaletteLooksDark;
    for (const QString &desktop : desktops) {
        if (alwaysDarkPanels.contains(desktop))
            return true;
    }
    return desktopPaletteLooksDark;
}

bool barColourCanBeAsked(const QString &currentDesktop)
{
    const QStringList desktops = currentDesktop.toLower().split(QLatin1Char(':'));
    return desktops.contains(QStringLiteral("sway")) || desktops.contains(QStringLiteral("i3"));
}

bool recoloursSymbolicIcons(const QString &currentDesktop)
{
    return !currentDesktop.toLower().split(QLatin1Char(':')).contains(QStringLiteral("sway"));
}

} // namespace PanelShade
