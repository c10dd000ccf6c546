import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Tracker

// The tracker tab while a session runs: the task, today's clock, a motivational line, the
// recent activity and the daily target on the hero card, then Pause or Resume and Stop.
ColumnLayout {
    id: view

    required property TrackerServices services
    property int motivationalPhraseIndex: 0
    readonly property bool compact: WDEnvironment.wdCompact
    readonly property alias viewModel: model
    readonly property real outerPadding: compact ? 12 : 20

    objectName: "trackerActiveView"
    spacing: compact ? 10 : 14

    TrackerActiveViewModel {
        id: model
        services: view.services
        // A hidden or minimised window's screen catches up when it is shown again.
        shown: view.Window.visibility !== Window.Hidden
               && view.Window.visibility !== Window.Minimized
        motivationalPhraseIndex: view.motivationalPhraseIndex
    }

    Item {
        id: hero
        objectName: "activeHero"
        Layout.fillWidth: true
        Layout.topMargin: view.outerPadding
        Layout.leftMargin: view.outerPadding
        Layout.rightMargin: view.outerPadding
        implicitHeight: heroColumn.implicitHeight + 2 * heroColumn.padding
        clip: true

        readonly property var stops: WD.palette.gradientStops
        readonly property color endColor: stops.length > 0 ? stops[stops.length - 1].color
                                                           : WD.palette.brand500
        readonly property real artWidth: view.compact ? 160 : 240
        // The card's colour where the art's fades begin, so the art melts into the gradient.
        readonly property color fadeStart: colourAt((width - artWidth) / Math.max(1, width))
        readonly property color fadeMiddle: colourAt((width - artWidth / 2) / Math.max(1, width))

        function colourAt(t) {
            // The same three stops the card's own gradient is drawn with.
            const colours = [stops.length > 0 ? stops[0].color : WD.palette.brand500,
                             stops.length > 1 ? stops[1].color : WD.palette.brand500,
                             endColor]
            const positions = [0, 0.55, 1]
            const i = t <= positions[1] ? 1 : 2
            const f = Math.max(0, Math.min(1, (t - positions[i - 1]) / (positions[i] - positions[i - 1])))
            const a = colours[i - 1]
            const b = colours[i]
            return Qt.rgba(a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, 1)
        }
        function clear(c) { return Qt.rgba(c.r, c.g, c.b, 0) }
        function faded(c, opacity) { return Qt.rgba(c.r, c.g, c.b, opacity) }

        Rectangle {
            anchors.fill: parent
            radius: 18
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0.0; color: hero.stops.length > 0 ? hero.stops[0].color : WD.palette.brand500 }
                GradientStop { position: 0.55; color: hero.stops.length > 1 ? hero.stops[1].color : WD.palette.brand500 }
                GradientStop { position: 1.0; color: hero.endColor }
            }
        }

        Item {
            id: art
            anchors.right: parent.right
            width: hero.artWidth
            height: parent.height
            clip: true

            Image {
                anchors.fill: parent
                visible: WD.palette.activeHeroImage !== ""
                source: visible ? WD.assetUrl(WD.palette.activeHeroImage) : ""
                sourceSize.width: Math.ceil(width)
                sourceSize.height: Math.ceil(height)
                fillMode: Image.PreserveAspectCrop
                cache: false
            }

            WDHeroBannerCrop {
                anchors.fill: parent
                visible: WD.palette.activeHeroImage === ""
                imageName: WD.palette.trackerBanner
                imageAspect: WD.palette.trackerAspect
                window: 0.32
                charCenterX: WD.palette.trackerCharX
                topBias: 0.3
            }

            // The art fades in from the top (and, in the popover, out again toward the bottom)
            // and from its leading edge, drawn as the card's own colour over it; the leading
            // fade goes over the others, so no edge of theirs shows against the card.
            Rectangle {
                anchors.fill: parent
                gradient: Gradient {
                    GradientStop { position: 0.0; color: hero.fadeMiddle }
                    GradientStop { position: 0.18; color: hero.clear(hero.fadeMiddle) }
                    GradientStop { position: 0.6; color: hero.clear(hero.fadeMiddle) }
                    GradientStop { position: 1.0; color: Qt.rgba(hero.fadeMiddle.r, hero.fadeMiddle.g, hero.fadeMiddle.b, view.compact ? 0.85 : 0) }
                }
            }
            // Eased at both ends: a fade whose slope stops at once shows as a lighter band.
            Rectangle {
                width: parent.width * 0.7
                height: parent.height
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop { position: 0.0; color: hero.fadeStart }
                    GradientStop { position: 0.125; color: hero.faded(hero.fadeStart, 0.957) }
                    GradientStop { position: 0.25; color: hero.faded(hero.fadeStart, 0.844) }
                    GradientStop { position: 0.375; color: hero.faded(hero.fadeStart, 0.684) }
                    GradientStop { position: 0.5; color: hero.faded(hero.fadeStart, 0.5) }
                    GradientStop { position: 0.625; color: hero.faded(hero.fadeStart, 0.316) }
                    GradientStop { position: 0.75; color: hero.faded(hero.fadeStart, 0.156) }
                    GradientStop { position: 0.875; color: hero.faded(hero.fadeStart, 0.043) }
                    GradientStop { position: 1.0; color: hero.clear(hero.fadeStart) }
                }
            }
        }

        TrackerCardCorners { radius: 18 }

        Column {
            id: heroColumn
            readonly property real padding: view.compact ? 16 : 20
            x: padding
            y: padding
            width: hero.width - 2 * padding
            spacing: view.compact ? 8 : 10

            WDText {
                objectName: "taskName"
                visible: model.taskName !== ""
                width: parent.width
                text: model.taskName
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Qt.rgba(1, 1, 1, 0.8)
                elide: Text.ElideRight
            }

            TrackerClockText {
                objectName: "clock"
                text: model.clockText
                pixelSize: view.compact ? 34 : 40
                color: model.paused ? Qt.rgba(1, 1, 1, 0.65) : "white"
            }

            WDText {
                objectName: "motivationalLine"
                width: Math.min(parent.width, view.compact ? 180 : 280)
                text: model.motivationalLine
                font.pixelSize: view.compact ? 12 : 13
                color: Qt.rgba(1, 1, 1, 0.85)
                wrapMode: Text.WordWrap
            }

            Item {
                width: activityChip.width
                height: activityChip.height + 2

                Rectangle {
                    id: activityChip
                    objectName: "activityChip"
                    y: 2
                    width: Math.max(view.compact ? 0 : 180, chipRow.implicitWidth + 24)
                    height: chipRow.implicitHeight + 24
                    radius: 12
                    color: WD.palette.surface

                    Row {
                        id: chipRow
                        x: 12
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 10

                        WDGlyph {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 18
                            height: 18
                            name: "WDIconActivity"
                            color: WD.palette.brand500
                        }

                        Column {
                            spacing: 1

                            WDText {
                                objectName: "activityRate"
                                text: model.activityRateText
                                font.pixelSize: view.compact ? 18 : 22
                                font.weight: Font.Bold
                                color: WD.palette.brand500
                            }
                            WDText {
                                text: "Recent Activity"
                                font.pixelSize: 12
                                color: WD.palette.textMuted
                            }
                        }
                    }
                }
            }

            Item {
                width: parent.width
                height: targetCard.implicitHeight + topPad
                readonly property real topPad: view.compact ? 4 : 8

                TrackerTargetCard {
                    id: targetCard
                    y: parent.topPad
                    width: parent.width
                    model: model
                }
            }
        }
    }

    RowLayout {
        objectName: "controls"
        Layout.fillWidth: true
        Layout.leftMargin: view.outerPadding
        Layout.rightMargin: view.outerPadding
        Layout.bottomMargin: view.outerPadding
        spacing: view.compact ? 10 : 14

        WDGradientButton {
            objectName: model.paused ? "resumeButton" : "pauseButton"
            Layout.fillWidth: true
            buttonHeight: view.compact ? 44 : 52
            glyph: model.paused ? "WDIconPlay" : "WDIconPause"
            glyphSize: 16
            text: model.paused ? "Resume" : "Pause"
            onClicked: model.paused ? model.resume() : model.pause()
        }

        WDOutlineButton {
            objectName: "stopButton"
            Layout.fillWidth: true
            buttonHeight: view.compact ? 44 : 52
            glyph: "WDIconStop"
            glyphSize: 16
            text: "Stop"
            onClicked: model.stop()
        }
    }
}
