import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// A statistic: icon and caption, a large figure, optionally a faint watermark glyph, a progress
// bar and a tooltip that floats above the card while the pointer is over it. Only a card with a
// tooltip follows the pointer.
Item {
    id: card

    property string icon: ""
    property string title: ""
    property string value: ""
    property color valueColor: WD.palette.textStrong
    property color iconTint: WD.palette.brand500
    property string watermark: ""
    // undefined: no progress bar
    property var progress: undefined
    property color progressColor: WD.palette.brand500
    property string tooltip: ""
    property bool compact: false

    readonly property var metrics: WDStyle.statCardMetrics(compact)
    readonly property bool isHovered: hoverTracker.hovered
    readonly property bool tooltipShown: WDStyle.showsTooltip(tooltip, isHovered)
    readonly property bool hasProgress: progress !== undefined && progress !== null

    implicitWidth: textStack.implicitWidth + 2 * metrics.textInset
    implicitHeight: textStack.implicitHeight + 2 * metrics.textInset
    z: tooltipShown ? 1 : 0

    HoverHandler {
        id: hoverTracker
        enabled: card.tooltip !== ""
    }

    WDDropShadow {
        anchors.fill: surface
        anchors.margins: -margin
        transform: Translate { y: 4 }
        color: Qt.rgba(0, 0, 0, 0.05)
        blurRadius: 10
        cornerRadius: card.metrics.cornerRadius
    }

    Rectangle {
        id: surface
        anchors.fill: parent
        radius: card.metrics.cornerRadius
        color: WD.palette.surface
        clip: true

        WDGlyph {
            objectName: "statWatermark"
            visible: card.watermark !== ""
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 6
            width: card.metrics.watermarkSide
            height: width
            name: card.watermark
            color: WDStyle.withOpacity(card.valueColor, 0.08)
        }
    }

    ColumnLayout {
        id: textStack
        anchors.fill: parent
        anchors.margins: card.metrics.textInset
        spacing: card.metrics.textSpacing

        RowLayout {
            spacing: card.metrics.headerSpacing

            Rectangle {
                objectName: "statIconDisc"
                Layout.preferredWidth: card.metrics.iconDiscDiameter
                Layout.preferredHeight: card.metrics.iconDiscDiameter
                radius: width / 2
                color: WD.palette.appBackground

                WDGlyph {
                    anchors.centerIn: parent
                    width: card.metrics.iconGlyphSide
                    height: width
                    name: card.icon
                    color: card.iconTint
                }
            }

            WDText {
                objectName: "statTitle"
                Layout.fillWidth: true
                text: card.title
                color: WD.palette.textStrong
                font.pixelSize: card.metrics.titleFontSize
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Math.floor(card.metrics.titleFontSize * 0.8)
                maximumLineCount: 1
                elide: Text.ElideRight
            }
        }

        WDText {
            objectName: "statValue"
            Layout.fillWidth: true
            Layout.leftMargin: card.metrics.valueLeadingInset
            text: card.value
            color: card.valueColor
            font.pixelSize: card.metrics.valueFontSize
            font.weight: Font.DemiBold
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: Math.floor(card.metrics.valueFontSize * 0.6)
            maximumLineCount: 1
            elide: Text.ElideRight
        }

        WDProgressBar {
            objectName: "statProgress"
            visible: card.hasProgress
            Layout.fillWidth: true
            Layout.preferredHeight: 4
            value: card.hasProgress ? card.progress : 0
            track: WDStyle.withOpacity(WD.palette.border, 0.6)
            fill: card.progressColor
            barHeight: 4
        }
    }

    Rectangle {
        id: tooltipBubble
        objectName: "statTooltip"
        anchors.horizontalCenter: parent.horizontalCenter
        y: -26
        width: tooltipText.implicitWidth + 16
        height: tooltipText.implicitHeight + 8
        radius: 5
        color: Qt.rgba(0, 0, 0, 0.85)
        opacity: card.tooltipShown ? 1 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
        }

        WDText {
            id: tooltipText
            anchors.centerIn: parent
            text: card.tooltip
            color: "white"
            font.pixelSize: 11
            wrapMode: Text.NoWrap
        }
    }
}
