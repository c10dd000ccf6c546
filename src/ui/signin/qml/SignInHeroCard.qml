import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// The card of the sign-in sub-screens: a hero banner across the top, then the screen's content,
// on the soft surface with rounded corners and a faint shadow. The compact layout (popover) is
// tighter than the main window's.
Item {
    id: card

    property var banner
    default property alias content: column.data
    readonly property bool compact: WDEnvironment.wdCompact
    readonly property real outerPadding: compact ? 10 : 16
    readonly property real innerPadding: compact ? 14 : 20
    readonly property real bannerHeight: compact ? 150 : 195
    readonly property real titleSize: compact ? 19 : 22
    readonly property real cornerRadius: 18

    implicitHeight: surface.height + 2 * outerPadding

    WDDropShadow {
        anchors.fill: surface
        anchors.margins: -margin
        transform: Translate { y: 4 }
        color: Qt.rgba(0, 0, 0, 0.04)
        blurRadius: 10
        cornerRadius: card.cornerRadius
    }

    Rectangle {
        id: surface
        x: card.outerPadding
        y: card.outerPadding
        width: card.width - 2 * card.outerPadding
        height: bannerClip.height + column.implicitHeight + 2 * card.innerPadding
        radius: card.cornerRadius
        color: WD.palette.surfaceSoft

        Item {
            id: bannerClip
            width: parent.width
            height: card.bannerHeight
            clip: true

            WDHeroBannerCrop {
                objectName: "heroBanner"
                anchors.fill: parent
                imageName: card.banner ? card.banner.imageName : ""
                imageAspect: card.banner ? card.banner.aspect : 3
                window: card.banner ? card.banner.window : 1
                charCenterX: card.banner ? card.banner.charCenterX : 0.5
                topBias: card.banner ? card.banner.topBias : 0
            }

            // The banner's square top corners, rounded off in the colour behind the card.
            Repeater {
                model: 2
                Canvas {
                    required property int index
                    readonly property real r: card.cornerRadius
                    x: index === 0 ? 0 : bannerClip.width - r
                    width: r
                    height: r
                    onPaint: {
                        const ctx = getContext("2d")
                        ctx.reset()
                        ctx.fillStyle = WD.palette.appBackground
                        ctx.beginPath()
                        if (index === 0) {
                            ctx.moveTo(0, 0)
                            ctx.lineTo(r, 0)
                            ctx.arc(r, r, r, 1.5 * Math.PI, Math.PI, true)
                        } else {
                            ctx.moveTo(r, 0)
                            ctx.lineTo(r, r)
                            ctx.arc(0, r, r, 0, 1.5 * Math.PI, true)
                        }
                        ctx.closePath()
                        ctx.fill()
                    }
                    Connections {
                        target: WD
                        function onPaletteChanged() { requestPaint() }
                    }
                }
            }
        }

        ColumnLayout {
            id: column
            x: card.innerPadding
            y: bannerClip.height + card.innerPadding
            width: parent.width - 2 * card.innerPadding
            spacing: 12
        }
    }
}
