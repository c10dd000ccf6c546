import QtQuick
import Zuvevivezid.Design

// A clock whose characters each sit in a cell of the widest digit's width, so the text keeps its
// width from one second to the next whatever the font's digits are like.
Row {
    id: clock

    property string text: ""
    property color color: "white"
    property real pixelSize: 34

    TextMetrics {
        id: widest
        font.family: WD.fontFamily
        font.pixelSize: clock.pixelSize
        font.weight: Font.Bold
        text: "0"
    }

    Repeater {
        model: clock.text.length

        WDText {
            required property int index
            readonly property string glyph: clock.text.charAt(index)
            width: glyph === ":" ? implicitWidth : widest.advanceWidth
            horizontalAlignment: Text.AlignHCenter
            text: glyph
            color: clock.color
            font.pixelSize: clock.pixelSize
            font.weight: Font.Bold
        }
    }
}
