import QtQuick
import Zuvevivezid.Design

// A glyph on a tinted disc. The asset wins over the symbol name; with neither only the disc
// is drawn.
Item {
    id: circle

    property string assetName: ""
    property string systemName: ""
    property real diameter: 44

    readonly property string shownGlyph: assetName !== "" ? assetName : systemName

    implicitWidth: diameter
    implicitHeight: diameter

    Rectangle {
        anchors.centerIn: parent
        width: circle.diameter
        height: circle.diameter
        radius: width / 2
        color: WD.palette.appBackground
    }

    WDGlyph {
        objectName: "iconCircleGlyph"
        anchors.centerIn: parent
        visible: circle.shownGlyph !== ""
        width: WDStyle.iconCircleGlyphSize(circle.diameter)
        height: width
        name: circle.shownGlyph
        color: WD.palette.brand500
    }
}
