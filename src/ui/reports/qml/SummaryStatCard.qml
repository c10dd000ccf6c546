import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// One of the summary's three figures: brand-coloured, its glyph repeated as the watermark, no
// progress and no tooltip; the three share the row's width equally.
WDStatCard {
    Layout.fillWidth: true
    Layout.preferredWidth: 1
    watermark: icon
    valueColor: WD.palette.brand500
    iconTint: WD.palette.brand500
    progressColor: WD.palette.brand500
    compact: WDEnvironment.wdCompact
}
