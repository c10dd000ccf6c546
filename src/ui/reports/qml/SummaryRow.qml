import QtQuick
import Zuvevivezid.Design

// One line of the summary table, or its header: Start and Task share the width, Duration keeps
// 72 pt at the trailing edge.
Item {
    id: row

    property bool header: false
    property string startText
    property string taskName
    property string durationText
    property bool ongoing: false
    property bool striped: false

    objectName: header ? "summaryHeader" : (ongoing ? "summaryOngoingRow" : "summaryRow")
    implicitHeight: columns.implicitHeight + (header ? 0 : 14)

    Rectangle {
        anchors.fill: parent
        radius: 6
        color: row.striped ? WD.palette.surfaceSoft : "transparent"
    }

    Row {
        id: columns
        x: 8
        y: row.header ? 0 : 7
        width: row.width - 16

        readonly property real flexibleWidth: (width - durationColumn.width) / 2

        WDText {
            objectName: "startText"
            width: columns.flexibleWidth
            text: row.startText
            elide: Text.ElideRight
            font.pixelSize: row.header ? 11 : 13
            font.weight: Font.DemiBold
            color: row.header ? WD.palette.textMuted : WD.palette.textStrong
        }

        WDText {
            objectName: "taskName"
            width: columns.flexibleWidth
            text: row.taskName
            elide: Text.ElideRight
            font.pixelSize: row.header ? 11 : 13
            font.weight: row.header ? Font.DemiBold : Font.Normal
            color: row.header ? WD.palette.textMuted : WD.palette.text
        }

        Column {
            id: durationColumn
            width: 72
            spacing: 2

            WDText {
                objectName: "ongoingLabel"
                visible: row.ongoing
                width: parent.width
                horizontalAlignment: Text.AlignRight
                text: "Ongoing"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: WD.success
            }

            // Steady digits, so that the durations line up down the column.
            WDDigitsText {
                objectName: "durationText"
                anchors.right: parent.right
                text: row.durationText
                pixelSize: row.header ? 11 : 13
                weight: row.header ? Font.DemiBold : Font.Normal
                color: row.header ? WD.palette.textMuted : WD.palette.text
            }
        }
    }
}
