import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQml.Models
import Zuvevivezid.Design
import Zuvevivezid.Reports

// The day's screenshot report: the date bar, the four totals, and hour by hour the ten-minute
// segment cards. A card with screenshots opens the viewer in a window of its own.
Item {
    id: view

    objectName: "screenshotsView"

    property ScreenshotsServices services
    readonly property bool compact: WDEnvironment.wdCompact
    readonly property alias viewModel: vm

    implicitHeight: stack.implicitHeight

    ScreenshotsViewModel {
        id: vm
        services: view.services
    }

    Component.onCompleted: vm.load()

    ColumnLayout {
        id: stack
        width: view.width
        spacing: 12

        WDCard {
            objectName: "dateBar"
            Layout.fillWidth: true
            radius: 16
            padding: view.compact ? 8 : 12

            RowLayout {
                width: parent.width
                spacing: 8

                WDGradientPillButton {
                    objectName: "todayButton"
                    text: "Today"
                    onClicked: vm.showToday()
                }

                Item {
                    Layout.fillWidth: true
                    implicitHeight: dayText.implicitHeight

                    // Steady digits: the line keeps its width as the days go by.
                    WDDigitsText {
                        id: dayText
                        objectName: "dayText"
                        anchors.centerIn: parent
                        text: vm.dayText
                        color: WD.palette.textStrong
                        pixelSize: 13
                        weight: Font.DemiBold
                    }
                }

                WDSoftButton {
                    objectName: "previousDayButton"
                    iconSquare: true
                    glyph: "ChevronLeft"
                    Accessible.name: "Previous day"
                    onClicked: vm.navigate(-1)
                }

                WDSoftButton {
                    objectName: "nextDayButton"
                    iconSquare: true
                    glyph: "ChevronRight"
                    Accessible.name: "Next day"
                    enabled: vm.canGoForward
                    opacity: enabled ? 1 : 0.4
                    onClicked: vm.navigate(1)
                }
            }
        }

        BusyIndicator {
            objectName: "loadingIndicator"
            visible: vm.content === ScreenshotsViewModel.Loading
            running: visible
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 24
            Layout.preferredWidth: 28
            Layout.preferredHeight: 28
            palette.dark: WD.palette.brand500
        }

        ColumnLayout {
            objectName: "errorState"
            visible: vm.content === ScreenshotsViewModel.Error
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 16
            spacing: 8

            WDGlyph {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 26
                Layout.preferredHeight: 26
                name: "WarningTriangle"
                color: WD.palette.textMuted
            }

            WDText {
                objectName: "errorMessage"
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: view.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: vm.errorMessage
                color: WD.palette.text
                font.pixelSize: 13
            }

            WDSoftButton {
                objectName: "tryAgainButton"
                Layout.alignment: Qt.AlignHCenter
                text: "Try Again"
                onClicked: vm.load()
            }
        }

        GridLayout {
            objectName: "statGrid"
            visible: vm.content === ScreenshotsViewModel.Report
            Layout.fillWidth: true
            columns: 2
            rowSpacing: 12
            columnSpacing: 12

            WDStatCard {
                objectName: "workingTimeCard"
                Layout.fillWidth: true
                Layout.preferredWidth: 10
                icon: "StatClock"
                title: "Working Time"
                value: vm.workingTimeText
                valueColor: WD.success
                iconTint: WD.success
                progress: vm.workingTimeFraction
                progressColor: WD.success
                tooltip: vm.workingTimeTooltip
                compact: view.compact
            }

            WDStatCard {
                objectName: "activityCard"
                Layout.fillWidth: true
                Layout.preferredWidth: 10
                icon: "WDIconActivity"
                title: "Activity"
                value: vm.activityText
                valueColor: WD.palette.brand500
                iconTint: WD.palette.brand500
                progress: vm.activityFraction
                progressColor: WD.palette.brand500
                compact: view.compact
            }

            WDStatCard {
                objectName: "mouseCard"
                Layout.fillWidth: true
                Layout.preferredWidth: 10
                icon: "StatMouse"
                title: "Mouse Movements"
                value: vm.mouseMovementsText
                valueColor: WD.purple
                iconTint: WD.purple
                compact: view.compact
            }

            WDStatCard {
                objectName: "keyboardCard"
                Layout.fillWidth: true
                Layout.preferredWidth: 10
                icon: "StatKeyboard"
                title: "Keyboard Strokes"
                value: vm.keyboardStrokesText
                valueColor: WD.palette.brand700
                iconTint: WD.palette.brand700
                compact: view.compact
            }
        }

        ColumnLayout {
            objectName: "noScreenshots"
            visible: vm.content === ScreenshotsViewModel.Report && !vm.hasHours
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 12
            spacing: 6

            WDGlyph {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 28
                Layout.preferredHeight: 28
                name: "StatCamera"
                color: WD.palette.textMuted
            }

            WDText {
                Layout.alignment: Qt.AlignHCenter
                text: "No screenshots"
                color: WD.palette.textMuted
                font.pixelSize: 13
            }
        }

        Column {
            objectName: "hourBlocks"
            visible: vm.content === ScreenshotsViewModel.Report && vm.hasHours
            Layout.fillWidth: true
            spacing: 16

            Repeater {
                model: vm.hours

                // The first hours come with the first frame; the rest of a long day is made in
                // the frames after it, below what the screen shows.
                Loader {
                    id: hourLoader

                    required property int index
                    required property string rangeText
                    required property real activityFraction
                    required property string activityText
                    required property ScreenshotSegmentModel segments

                    width: view.width
                    asynchronous: index >= 2

                    sourceComponent: ScreenshotHourBlock {
                        width: view.width
                        rangeText: hourLoader.rangeText
                        activityFraction: hourLoader.activityFraction
                        activityText: hourLoader.activityText
                        segments: hourLoader.segments
                        loader: view.services ? view.services.imageLoader : null
                        onSegmentClicked: (segmentRow) => vm.openSegment(hourLoader.index,
                                                                         segmentRow)
                    }
                }
            }
        }
    }

    // One viewer per opening: a new generation makes a new window, starting at the first entry.
    Instantiator {
        model: vm.viewerGeneration > 0 ? [vm.viewerGeneration] : []

        ScreenshotViewer {
            transientParent: view.Window.window
            timeRange: vm.viewerTimeRange
            urls: vm.viewerUrls
            loader: view.services ? view.services.imageLoader : null
            onCloseRequested: {
                // Back to the window that opened it, so the popover again closes when it loses
                // the focus. Before closing: that ends this handler's own object.
                if (view.Window.window)
                    view.Window.window.requestActivate()
                vm.closeViewer()
            }
        }
    }
}
