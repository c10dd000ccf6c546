#include "platform/portal/PortalBackendPackage.h"

#include <QStringList>

#include <array>
#include <utility>

namespace {

using DesktopBackend = std::pair<QLatin1String, QLatin1String>;

const std::array knownBackends{
    DesktopBackend{QLatin1String("gnome"), QLatin1String("xdg-desktop-portal-gnome")},
    DesktopBackend{QLatin1String("kde"), QLatin1String("xdg-desktop-portal-kde")},
    // wlroots compositors share one backend.
    DesktopBackend{QLatin1String("sway"), QLatin1String("xdg-desktop-portal-wlr")},
    DesktopBackend{QLatin1String("river"), QLatin1String("xdg-desktop-portal-wlr")},
    DesktopBackend{QLatin1String("wayfire"), QLatin1String("xdg-desktop-portal-wlr")},
    DesktopBackend{QLatin1String("labwc"), QLatin1String("xdg-desktop-portal-wlr")},
    DesktopBackend{QLatin1String("wlroots"), QLatin1String("xdg-desktop-portal-wlr")},
};

} // namespace

namespace PortalBackendPackage {

QString forDesktop(const QString &currentDesktop)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        for (const auto &[name, package] : knownBackends) {
            if (desktop.compare(name, Qt::CaseInsensitive) == 0)
                return package;
        }
    }
    return {};
}

} // namespace PortalBackendPackage
