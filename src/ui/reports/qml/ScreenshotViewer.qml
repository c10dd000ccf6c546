import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Reports

// One segment's screenshots full size, one at a time, in a window over the screen that opened it
// (the popover is too narrow to hold it). Each picture is fetched when it is shown.
Window {
    id: viewer

    property string timeRange
    property alias urls: pager.urls
    property ScreenshotImageLoader loader
    readonly property alias pager: pager

    signal closeRequested()

    objectName: "screenshotViewer"
    title: timeRange
    modality: Qt.WindowModal
    flags: Qt.Dialog
    minimumWidth: 360
    minimumHeight: 280
    width: 560
    height: 400
    color: WD.palette.appBackground
    visible: true

    onClosing: (close) => viewer.closeRequested()

    ScreenshotViewerModel {
        id: pager
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 12

        RowLayout {
            Layout.fillWidth: true

            WDText {
                objectName: "viewerTitle"
                text: viewer.timeRange
                color: WD.palette.textStrong
                font.pixelSize: 15
                font.weight: Font.DemiBold
            }

            Item { Layout.fillWidth: true }

            Item {
                id: closeButton
                objectName: "viewerCloseButton"
                Layout.preferredWidth: 24
                Layout.preferredHeight: 24
                readonly property bool hovered: closeHover.hovered

                Rectangle {
                    anchors.fill: parent
                    radius: width / 2
                    color: closeButton.hovered ? WD.palette.brand500 : WD.palette.textMuted
                    scale: closeButton.hovered ? 1.1 : 1

                    Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
                    Behavior on scale { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }

                    WDGlyph {
                        anchors.centerIn: parent
                        width: 10
                        height: 10
                        name: "XMark"
                        color: "white"
                    }
                }

                WDHoverCursor { id: closeHover }
                TapHandler { onTapped: viewer.closeRequested() }
            }
        }

        Item {
            id: imageSlot
            Layout.fillWidth: true
            Layout.fillHeight: true

            Rectangle {
                id: imageArea
                objectName: "viewerImageArea"
                anchors.centerIn: parent
                width: Math.min(imageSlot.width, imageSlot.height * 16 / 9)
                height: width * 9 / 16
                radius: 8
                color: WD.palette.surfaceSoft

                ScreenshotImage {
                    id: picture
                    objectName: "viewerImage"
                    anchors.fill: parent
                    cornerRadius: 8
                    fillMode: ScreenshotImage.Fit
                    loader: viewer.loader
                    source: pager.currentSource
                }

                BusyIndicator {
                    anchors.centerIn: parent
                    visible: picture.status === ScreenshotImage.Loading
                    running: visible
                }

                WDGlyph {
                    objectName: "viewerFailure"
                    anchors.centerIn: parent
                    width: 34
                    height: 34
                    visible: picture.status === ScreenshotImage.Failed
                    name: "WarningTriangle"
                    color: WD.palette.textMuted
                }

                RowLayout {
                    anchors.fill: parent
                    anchors.margins: 8
                    visible: pager.showsArrows

                    ScreenshotArrowButton {
                        objectName: "viewerPrevious"
                        glyph: "ChevronLeft"
                        enabled: pager.canGoBack
                        onActivated: pager.previous()
                    }

                    Item { Layout.fillWidth: true }

                    ScreenshotArrowButton {
                        objectName: "viewerNext"
                        glyph: "ChevronRight"
                        enabled: pager.canGoForward
                        onActivated: pager.next()
                    }
                }
            }
        }

        WDText {
            objectName: "viewerPosition"
            Layout.alignment: Qt.AlignHCenter
            text: pager.positionText
            color: WD.palette.textMuted
            font.pixelSize: 11
        }
    }
}
