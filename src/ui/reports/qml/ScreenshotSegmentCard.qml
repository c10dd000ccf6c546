import QtQuick
import QtQuick.Controls
import Zuvevivezid.Design
import Zuvevivezid.Reports

// A ten-minute segment: its first screenshot's thumbnail with the number of screenshots, its
// activity bar in the indicator's colour and its time range. Only the thumbnail of a segment with
// screenshots reacts to the pointer.
Item {
    id: card

    required property int index
    required property string timeRange
    required property int screenshotCount
    required property bool hasScreenshots
    required property string thumbnailSource
    required property real activityFraction
    required property int indicator
    property ScreenshotImageLoader loader

    signal clicked()

    readonly property bool hovered: hoverCursor.hovered
    readonly property color indicatorColour: indicator === ScreenshotSegmentModel.Success
                                             ? WD.success
                                             : indicator === ScreenshotSegmentModel.Warning
                                               ? WD.warning : WD.palette.brand700

    objectName: "segmentCard"
    implicitHeight: content.implicitHeight + 16

    // The faint shadow as a plain offset shape: a blurred one per card costs a day of 144 cards
    // more than its drawing is worth.
    Rectangle {
        anchors.fill: surface
        anchors.topMargin: 3
        anchors.bottomMargin: -3
        radius: 12
        color: Qt.rgba(0, 0, 0, 0.04)
    }

    Rectangle {
        id: surface
        anchors.fill: parent
        radius: 12
        color: WD.palette.surface
    }

    Column {
        id: content
        x: 8
        y: 8
        width: card.width - 16
        spacing: 6

        Rectangle {
            id: thumbnailBox
            objectName: "thumbnailBox"
            width: content.width
            height: width * 9 / 16
            radius: 8
            color: WD.palette.surfaceSoft
            enabled: card.hasScreenshots

            ScreenshotImage {
                id: thumbnail
                objectName: "thumbnail"
                anchors.fill: parent
                cornerRadius: 8
                fillMode: ScreenshotImage.Crop
                loader: card.loader
                source: card.thumbnailSource
            }

            // Made only while a thumbnail loads: a day holds up to 144 cards.
            Loader {
                anchors.centerIn: parent
                active: thumbnail.status === ScreenshotImage.Loading
                sourceComponent: BusyIndicator {
                    width: 16
                    height: 16
                    running: true
                }
            }

            // The placeholder and the hover layer are made only when shown: a day holds up to
            // 144 cards.
            Loader {
                objectName: "noShotPlaceholder"
                anchors.centerIn: parent
                active: thumbnail.status === ScreenshotImage.NoAddress
                        || thumbnail.status === ScreenshotImage.Failed
                sourceComponent: Column {
                    spacing: 3

                    WDGlyph {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 13
                        height: 13
                        name: "StatCamera"
                        color: WD.palette.textMuted
                    }

                    // Never smaller than 11 px: a narrow card breaks the line instead.
                    WDText {
                        objectName: "noShotText"
                        width: Math.min(implicitWidth, thumbnailBox.width - 8)
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: "No screenshot"
                        color: WD.palette.textMuted
                        font.pixelSize: 11
                    }
                }
            }

            Loader {
                objectName: "hoverLayer"
                anchors.fill: parent
                active: card.hasScreenshots && card.hovered
                sourceComponent: Rectangle {
                    radius: 8
                    color: Qt.rgba(0, 0, 0, 0.45)

                    Rectangle {
                        anchors.centerIn: parent
                        width: viewLabel.implicitWidth + 12
                        height: viewLabel.implicitHeight + 6
                        radius: height / 2
                        color: WD.palette.brand500

                        WDText {
                            id: viewLabel
                            anchors.centerIn: parent
                            text: "View Screenshot"
                            color: "white"
                            font.pixelSize: 9
                            font.weight: Font.DemiBold
                        }
                    }
                }
            }

            Rectangle {
                objectName: "countBadge"
                visible: card.screenshotCount > 0
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 4
                width: badgeText.implicitWidth + 10
                height: badgeText.implicitHeight + 4
                radius: height / 2
                color: Qt.rgba(0, 0, 0, 0.55)

                WDText {
                    id: badgeText
                    anchors.centerIn: parent
                    text: card.screenshotCount
                    color: "white"
                    font.pixelSize: 9
                    font.weight: Font.DemiBold
                }
            }

            WDHoverCursor {
                id: hoverCursor
            }

            TapHandler {
                objectName: "thumbnailTap"
                onTapped: card.clicked()
            }
        }

        WDProgressBar {
            width: content.width
            value: card.activityFraction
            track: WDStyle.withOpacity(WD.palette.border, 0.6)
            fill: card.indicatorColour
            barHeight: 3
        }

        WDText {
            objectName: "segmentRange"
            width: content.width
            horizontalAlignment: Text.AlignHCenter
            text: card.timeRange
            color: WD.palette.text
            font.pixelSize: 10
            elide: Text.ElideRight
        }
    }
}
