#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

#include <optional>

// The background of the bar that sway or i3 draws, read through the window manager's IPC socket.
// The bar shows the tray's items on the background its configuration chooses (dark by default,
// light in some themes) and tells the items nothing of it.
namespace SwayBarColour {

// The socket the window manager's own clients use: SWAYSOCK or I3SOCK, else the newest of
// sway's sockets in the runtime folder of this user. Empty when there is none.
QString socketPath();

// The first bar's background, or nothing when no bar is configured, the window manager does not
// answer within the time limit, or the answer is not understood. A bar mostly transparent shows
// what is behind it, so it has no colour of its own either.
std::optional<QColor> background(const QString &socketPath, int timeoutMs = 500);

// The bars' names in the answer to a request for the bar configuration without a name.
QStringList barNames(const QByteArray &answer);
// The background colour in the answer to a request for one bar's configuration: "#rrggbb" or
// "#rrggbbaa", the alpha last.
std::optional<QColor> backgroundOfBar(const QByteArray &answer);

} // namespace SwayBarColour
