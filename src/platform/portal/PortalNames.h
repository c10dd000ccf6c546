#pragma once

#include <QString>

// The desktop portal's bus names, and the time a plain call may take.
namespace PortalNames {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
inline const QString screenCastInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");
inline const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

// A call that shows nothing answers at once; the portal may first have to be started by the bus.
inline constexpr int callTimeoutMs = 10000;

// ScreenCast source type and cursor mode bits.
inline constexpr uint monitorSource = 1;
inline constexpr uint hiddenCursor = 1;
// Kept until the user revokes it, across restarts.
inline constexpr uint persistUntilRevoked = 2;

} // namespace PortalNames
