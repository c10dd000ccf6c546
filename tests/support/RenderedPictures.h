#pragma once

#include "ui/design/WDPalette.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QString>
#include <QTest>

// Pictures of screens drawn by the rendering suites, kept under the build folder
// (rendered/<area>/) for a person to look at.
namespace RenderedPictures {

// Created when missing.
inline QString folder(const QString &area)
{
    const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
    const QString path = base + QStringLiteral("/rendered/") + area;
    QDir().mkpath(path);
    return path;
}

// Colours of every other pixel of every other row: text, cards and bars give far more than a
// blank or one-colour picture.
inline int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Data rows "<palette>-compact" and "<palette>-regular" for every palette, with the columns
// paletteId (QString) and compact (bool).
inline void addEveryPaletteAndLayout()
{
    QTest::addColumn<QString>("paletteId");
    QTest::addColumn<bool>("compact");
    for (const WDPalette &palette : WDPalette::all()) {
        for (const bool compact : {true, false}) {
            const QString tag =
                palette.id + (compact ? QStringLiteral("-compact") : QStringLiteral("-regular"));
            QTest::newRow(qPrintable(tag)) << palette.id << compact;
        }
    }
}

} // namespace RenderedPictures
