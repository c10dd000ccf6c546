import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Tracker

// The tracker tab while nothing is tracked: a greeting with "Start Tracking", the task the next
// session is booked on, and a tip with the engine's last message.
ColumnLayout {
    id: view

    required property TrackerServices services
    readonly property bool compact: WDEnvironment.wdCompact
    readonly property alias viewModel: model
    readonly property real outerPadding: compact ? 12 : 20

    objectName: "trackerIdleView"
    spacing: compact ? 10 : 14

    TrackerIdleViewModel {
        id: model
        services: view.services
    }

    Component.onCompleted: model.appeared()

    // Hero card: the greeting and the start.
    Item {
        id: hero
        objectName: "idleHero"
        Layout.fillWidth: true
        Layout.topMargin: view.outerPadding
        Layout.leftMargin: view.outerPadding
        Layout.rightMargin: view.outerPadding
        implicitHeight: Math.max(view.compact ? 175 : 200,
                                 heroColumn.implicitHeight + 2 * heroColumn.padding)
        clip: true

        readonly property bool lightText: WD.palette.idleHeroTextLight
        readonly property real bannerWidth: height * WD.palette.trackerAspect

        Rectangle {
            anchors.fill: parent
            radius: 18
            color: WD.palette.appBackground
        }

        // The banner fills the card's height with its character at 78 % of the card's width.
        Image {
            x: 0.78 * hero.width + hero.bannerWidth * (0.5 - WD.palette.trackerCharX)
               - hero.bannerWidth / 2
            width: hero.bannerWidth
            height: hero.height
            source: WD.assetUrl(WD.palette.trackerBanner)
            sourceSize.width: Math.ceil(width)
            sourceSize.height: Math.ceil(height)
            fillMode: Image.Stretch
            cache: false
        }

        TrackerCardCorners { radius: 18 }

        Column {
            id: heroColumn
            readonly property real padding: view.compact ? 14 : 20
            x: padding
            y: padding
            width: hero.width - 2 * padding
            spacing: view.compact ? 8 : 12

            WDText {
                id: greeting
                objectName: "greeting"
                width: Math.min(implicitWidth, view.compact ? 150 : 200)
                text: model.greeting
                font.pixelSize: view.compact ? 18 : 24
                font.weight: Font.Bold
                color: hero.lightText ? "white" : WD.palette.textStrong
                wrapMode: Text.WordWrap
                maximumLineCount: 2
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Math.round(font.pixelSize * 0.7)

                // A new greeting fades in.
                onTextChanged: fadeIn.restart()
                NumberAnimation on opacity {
                    id: fadeIn
                    from: 0
                    to: 1
                    duration: 400
                    easing.type: Easing.InOutQuad
                }
            }

            WDText {
                width: Math.min(implicitWidth, view.compact ? 150 : 200)
                text: "Start tracking your time\nand stay productive."
                font.pixelSize: view.compact ? 12 : 13
                color: hero.lightText ? Qt.rgba(1, 1, 1, 0.85) : WD.palette.text
                wrapMode: Text.WordWrap
            }

            Item {
                width: Math.min(parent.width, view.compact ? 165 : 190)
                height: startButton.height + 4

                WDGradientButton {
                    id: startButton
                    objectName: "startTrackingButton"
                    y: 4
                    width: parent.width
                    buttonHeight: view.compact ? 38 : 42
                    glyph: "WDIconPlay"
                    glyphSize: 15
                    text: "Start Tracking"
                    enabled: model.startEnabled
                    opacity: model.startOpacity
                    onClicked: model.start()
                }
            }
        }
    }

    // Task card: the field opens the native task menu under itself.
    WDCard {
        objectName: "taskCard"
        Layout.fillWidth: true
        Layout.leftMargin: view.outerPadding
        Layout.rightMargin: view.outerPadding
        radius: 16
        padding: view.compact ? 12 : 16

        RowLayout {
            width: parent.width
            spacing: 14

            WDIconCircle {
                assetName: "WDIconClipboard"
                diameter: view.compact ? 36 : 44
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6

                WDText {
                    text: "Task (optional)"
                    font.pixelSize: 14
                    font.weight: Font.DemiBold
                    color: WD.palette.textStrong
                }

                Rectangle {
                    id: taskField
                    objectName: "taskField"
                    Layout.fillWidth: true
                    implicitHeight: 36
                    radius: 10
                    color: fieldHover.hovered ? WD.palette.surface : WD.palette.surfaceSoft
                    border.width: 1
                    border.color: fieldHover.hovered ? WD.palette.brand400 : WD.palette.border

                    Accessible.role: Accessible.ComboBox
                    Accessible.name: "Task"
                    Accessible.description: model.taskTitle

                    Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
                    Behavior on border.color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }

                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 12
                        anchors.rightMargin: 12
                        spacing: 8

                        WDText {
                            objectName: "taskFieldTitle"
                            Layout.fillWidth: true
                            text: model.taskTitle
                            font.pixelSize: 13
                            font.weight: Font.Medium
                            color: WD.palette.textStrong
                            elide: Text.ElideRight
                            maximumLineCount: 1
                        }

                        WDGlyph {
                            width: 10
                            height: 10
                            name: "ChevronDown"
                            color: WD.palette.textMuted
                        }
                    }

                    WDHoverCursor { id: fieldHover }

                    TapHandler {
                        onTapped: model.presentTaskMenu(taskField)
                    }
                }
            }
        }
    }

    // Tips card, with the engine's last message when it has one.
    WDCard {
        objectName: "tipsCard"
        Layout.fillWidth: true
        Layout.leftMargin: view.outerPadding
        Layout.rightMargin: view.outerPadding
        Layout.bottomMargin: view.outerPadding
        radius: 16
        padding: view.compact ? 12 : 16

        RowLayout {
            width: parent.width
            spacing: 14

            WDIconCircle {
                assetName: "Lightbulb"
                diameter: view.compact ? 36 : 44
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 3

                WDText {
                    text: "Tips"
                    font.pixelSize: 14
                    font.weight: Font.DemiBold
                    color: WD.palette.textStrong
                }

                WDText {
                    Layout.fillWidth: true
                    text: "Pick a task to make time analysis and reports easier."
                    wrapMode: Text.WordWrap
                }

                RowLayout {
                    objectName: "statusLine"
                    visible: model.hasStatusMessage
                    Layout.fillWidth: true
                    spacing: 5

                    WDGlyph {
                        width: 12
                        height: 12
                        name: "InfoCircle"
                        color: WD.palette.textMuted
                    }

                    WDText {
                        objectName: "statusMessage"
                        Layout.fillWidth: true
                        text: model.statusMessage
                        font.pixelSize: 12
                        color: WD.palette.textMuted
                        wrapMode: Text.WordWrap
                    }
                }
            }
        }
    }
}
