import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Reports

// The summary tab: today's or this week's tracked time, session count and average activity, and
// the period's sessions with the running one last.
ColumnLayout {
    id: view

    property SummaryServices services
    readonly property bool compact: WDEnvironment.wdCompact
    readonly property alias viewModel: summary

    objectName: "summaryView"
    spacing: compact ? 12 : 16

    SummaryViewModel {
        id: summary
        services: view.services
        // A hidden or minimised window's screen catches up when it is shown again.
        shown: view.Window.visibility !== Window.Hidden
               && view.Window.visibility !== Window.Minimized
    }

    Component.onCompleted: summary.appeared()

    WDPillToggle {
        objectName: "periodToggle"
        options: summary.periodOptions
        selection: summary.period
        onActivated: value => summary.period = value
    }

    RowLayout {
        objectName: "summaryTotals"
        Layout.fillWidth: true
        spacing: view.compact ? 8 : 16

        SummaryStatCard {
            objectName: "statTotal"
            icon: "StatClock"
            title: "Total"
            value: summary.totalText
        }

        SummaryStatCard {
            objectName: "statSessions"
            icon: "WDIconClipboard"
            title: "Sessions"
            value: summary.sessionsText
        }

        SummaryStatCard {
            objectName: "statAvgActivity"
            icon: "TabSummary"
            title: "Avg Activity"
            value: summary.averageText
        }
    }

    WDCard {
        id: sessionCard
        objectName: "sessionArea"
        Layout.fillWidth: true
        radius: 16
        padding: view.compact ? 12 : 20

        readonly property real innerWidth: width - 2 * padding

        // Only the visible one of the three takes room.
        Column {
            width: sessionCard.innerWidth

            Item {
                objectName: "summaryLoading"
                visible: summary.sessionArea === SummaryViewModel.Loading
                width: sessionCard.innerWidth
                height: spinner.implicitHeight + 80

                BusyIndicator {
                    id: spinner
                    anchors.centerIn: parent
                    running: parent.visible
                }
            }

            Column {
                objectName: "summaryEmpty"
                visible: summary.sessionArea === SummaryViewModel.Empty
                width: sessionCard.innerWidth
                topPadding: 40
                bottomPadding: 40
                spacing: 6

                WDGlyph {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 28
                    height: 28
                    name: "StatClock"
                    color: WD.palette.textMuted
                }

                WDText {
                    objectName: "summaryEmptyText"
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: summary.emptyText
                    color: WD.palette.textMuted
                    font.pixelSize: 15
                }
            }

            Column {
                objectName: "summaryTable"
                visible: summary.sessionArea === SummaryViewModel.Table
                width: sessionCard.innerWidth
                spacing: 8

                SummaryRow {
                    width: parent.width
                    header: true
                    startText: "START"
                    taskName: "TASK"
                    durationText: "DURATION"
                }

                // The divider keeps a 2 pt gap below it.
                Item {
                    width: parent.width
                    height: 3

                    Rectangle {
                        width: parent.width
                        height: 1
                        color: WD.palette.border
                    }
                }

                Repeater {
                    objectName: "summaryRows"
                    model: summary.rows

                    SummaryRow {
                        required startText
                        required taskName
                        required durationText
                        required ongoing
                        required striped
                        width: parent.width
                    }
                }
            }
        }
    }
}
