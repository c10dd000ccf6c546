#pragma once

#include <QString>

// The Debian package of the desktop portal backend that gives a desktop screen capture, found
// from XDG_CURRENT_DESKTOP (a colon-separated list, the most specific first).
namespace PortalBackendPackage {

// Empty when the desktop is not one whose backend is known.
QString forDesktop(const QString &currentDesktop);

} // namespace PortalBackendPackage
