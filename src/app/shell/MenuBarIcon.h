#pragma once

#include "app/shell/MenuBarIconTint.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>

#include <optional>

// The tray glyph in the tint of the tracking state. The artwork is the project's own SVG; only its
// shape (alpha) counts, the colour comes from the tint.
namespace MenuBarIconDrawing {

// The artwork's location; tests point it elsewhere to see a missing resource handled.
QString artworkPath();
void setArtworkPath(const QString &path);
void resetArtworkPath();

// A size-by-size point image (size times scale pixels) of the glyph's shape in the colour, with
// the glyph's alpha, stretched to the square; none when the artwork cannot be read.
std::optional<QImage> tintedTemplate(const QColor &color, double size, double scale = 1.0);

// The tray picture: the 14-point glyph in its 20-point square, with today's total written under
// it when there is one. None when the artwork cannot be read.
std::optional<QImage> trayPicture(MenuBarIconTint tint, const QString &elapsedText, double scale);

// The glyph alone filling its square, at the pixel sizes panels draw tray icons at (16 to 48), so
// each panel takes the one nearest its own and nothing is shrunk into a smear. Empty when the
// artwork cannot be read.
QList<QImage> trayGlyphs(MenuBarIconTint tint);

} // namespace MenuBarIconDrawing

// Tinted glyphs are drawn once per tint and display scale and then reused: the tray is refreshed
// every second while tracking, and a refresh should be a lookup, not a render.
class MenuBarIconCache
{
public:
    // The scale used when the process has no screen.
    static constexpr double fallbackScale = 2.0;

    // The process's cache (main thread only).
    static MenuBarIconCache &shared();

    // The 20-point glyph of the tint at the primary screen's scale; none (and nothing cached)
    // when it cannot be drawn, so the next call tries again.
    std::optional<QImage> image(MenuBarIconTint tint);
    std::optional<QImage> image(MenuBarIconTint tint, double scale);

    // "green@2.0": the tint's raw value and the scale with at least one fractional digit.
    static QString key(MenuBarIconTint tint, double scale);
    static double currentScale();

    int renderCount() const { return m_renderCount; }
    void clear();

private:
    QHash<QString, QImage> m_images;
    int m_renderCount = 0;
};
