import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Reports

// One hour of the report: its range and activity, then its segment cards three to a row.
Column {
    id: block

    property string rangeText
    property real activityFraction
    property string activityText
    property ScreenshotSegmentModel segments
    property ScreenshotImageLoader loader

    signal segmentClicked(int segmentRow)

    objectName: "hourBlock"
    spacing: 8

    RowLayout {
        width: block.width
        height: 18
        spacing: 10

        WDText {
            objectName: "hourRange"
            text: block.rangeText
            color: WD.palette.textStrong
            font.pixelSize: 12
            font.weight: Font.DemiBold
        }

        WDProgressBar {
            Layout.fillWidth: true
            value: block.activityFraction
            track: Qt.rgba(1, 1, 1, 0.7)
            fill: WD.palette.brand500
            barHeight: 5
        }

        WDText {
            objectName: "hourActivity"
            text: block.activityText
            color: WD.palette.text
            font.pixelSize: 11
        }
    }

    Grid {
        id: grid
        columns: 3
        columnSpacing: 10
        rowSpacing: 10

        readonly property real cardWidth: (block.width - 2 * columnSpacing) / 3

        Repeater {
            model: block.segments

            ScreenshotSegmentCard {
                width: grid.cardWidth
                loader: block.loader
                onClicked: block.segmentClicked(index)
            }
        }
    }
}
