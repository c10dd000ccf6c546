#pragma once

#include <QImage>
#include <QString>

// The file a Screenshot portal answers with. Some portal backends write it world-readable in a
// fixed place that every user shares, so it is read and deleted at once, and only when it is a
// regular file of this user reached without following a link: one planted by someone else is
// neither read nor trusted.
namespace PortalScreenshotFile {

// The image of the file:// address, the file removed; null with the reason in *error otherwise.
QImage take(const QString &uri, QString *error);

} // namespace PortalScreenshotFile
