import QtQuick
import Zuvevivezid.Design

// One line of text whose digits each sit in a cell as wide as the widest digit, so a number keeps
// its width as it changes and figures line up in columns, whatever the font's digits are like
// (Qt Quick offers no switch to a font's tabular figures). Other characters keep their own width.
Row {
    id: line

    property string text: ""
    property color color: WD.palette.text
    property real pixelSize: 13
    property int weight: Font.Normal

    readonly property var pieces: text.match(/[0-9]|[^0-9]+/g) || []

    FontMetrics {
        id: metrics
        font.family: WD.fontFamily
        font.pixelSize: line.pixelSize
        font.weight: line.weight
    }

    readonly property real digitWidth: {
        let widest = 0
        for (let digit = 0; digit <= 9; ++digit)
            widest = Math.max(widest, metrics.advanceWidth(String(digit)))
        return widest
    }

    // Counted, not listed: a new list each second would build every cell anew, where cells kept
    // from one second to the next only take their changed characters.
    Repeater {
        model: line.pieces.length

        WDText {
            required property int index
            readonly property string piece: line.pieces[index] ?? ""
            width: /^[0-9]$/.test(piece) ? line.digitWidth : implicitWidth
            horizontalAlignment: Text.AlignHCenter
            text: piece
            color: line.color
            font.pixelSize: line.pixelSize
            font.weight: line.weight
        }
    }
}
