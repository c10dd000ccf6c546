import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Zuvevivezid.Design

// The slim bar above the tabs: status dot and text, the optional open-window button and the
// logo, which opens the product's web site. The host binds statusColor, statusLabel, glow (a
// session is tracked and not paused) and showOpenAppButton; `openRequested` is the open action.
Rectangle {
    id: header

    property color statusColor: WD.success
    property string statusLabel: ""
    property bool showOpenAppButton: false
    property bool glow: false

    // A hidden popover or a minimised window shows no pulse, and an endless pulse would keep
    // repainting the window for nobody.
    readonly property bool shown: Window.window !== null && Window.visibility !== Window.Hidden
                                  && Window.visibility !== Window.Minimized
    readonly property alias pulsing: dotPulse.running

    // The pulse changes the dot's opacity alone; the rest of the look does not follow it.
    readonly property var look: WDStyle.headerLook(WD.palette, statusColor, glow, 0,
                                                   windowButtonHover.hovered, logoHover.hovered)
    readonly property alias windowButton: windowButton
    readonly property alias logoButton: logoButton

    signal openRequested()

    implicitWidth: row.implicitWidth + 32
    implicitHeight: 38
    color: WD.palette.surfaceSoft

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        spacing: 8

        Item {
            Layout.preferredWidth: 8
            Layout.preferredHeight: 8

            WDDropShadow {
                visible: header.look.dotShadowRadius > 0
                anchors.fill: dotPulse
                anchors.margins: -margin
                color: header.look.dotShadowColor
                blurRadius: header.look.dotShadowRadius
                cornerRadius: 4
            }

            // The dot jumps to full opacity whenever the glow starts or ends, and when it is
            // shown again, as on its first appearance.
            WDPulse {
                id: dotPulse
                objectName: "statusDotPulse"
                anchors.fill: parent
                running: header.glow && header.shown
                // A popup of the window (a tooltip, a form) may lie over the dot.
                covered: T.Overlay.overlay !== null && T.Overlay.overlay.visibleChildren.length > 0
                appearance: [header.color, header.statusColor, header.look.dotShadowColor,
                             header.look.dotShadowRadius]

                Rectangle {
                    id: dot
                    objectName: "statusDot"
                    anchors.fill: parent
                    radius: 4
                    color: header.statusColor
                }
            }
        }

        WDText {
            objectName: "statusLabel"
            text: header.statusLabel
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: WD.palette.textStrong
            elide: Text.ElideRight
            Layout.fillWidth: false
        }

        Item {
            Layout.fillWidth: true
        }

        T.AbstractButton {
            id: windowButton
            objectName: "openWindowButton"
            visible: header.showOpenAppButton
            implicitWidth: 17
            implicitHeight: 17
            hoverEnabled: false
            focusPolicy: Qt.TabFocus
            onClicked: header.openRequested()

            ToolTip.visible: windowButtonHover.hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Open main window")

            WDHoverCursor {
                id: windowButtonHover
                objectName: "hoverCursor"
            }

            Rectangle {
                objectName: "openWindowBackground"
                anchors.fill: parent
                radius: 5
                color: header.look.windowButtonBackground
                Behavior on color {
                    ColorAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
                }
            }

            WDGlyph {
                objectName: "openWindowGlyph"
                anchors.fill: parent
                anchors.margins: 3
                name: "OpenWindow"
                color: header.look.windowButtonForeground
            }
        }

        T.AbstractButton {
            id: logoButton
            objectName: "logoButton"
            implicitWidth: logo.implicitWidth > 0 ? logo.implicitWidth * 16 / logo.implicitHeight : 60
            implicitHeight: 16
            hoverEnabled: false
            // No focus ring on the logo.
            focusPolicy: Qt.NoFocus
            onClicked: WD.openProductSite()

            ToolTip.visible: logoHover.hovered
            ToolTip.delay: 600
            ToolTip.text: WD.productSiteDomain

            WDHoverCursor {
                id: logoHover
                objectName: "hoverCursor"
            }

            Image {
                id: logo
                objectName: "logoImage"
                anchors.fill: parent
                source: WD.assetUrl("DezorivIdedIderi")
                sourceSize.height: 32
                fillMode: Image.PreserveAspectFit
                opacity: header.look.logoOpacity
                scale: header.look.logoScale
                Behavior on opacity {
                    NumberAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
                }
                Behavior on scale {
                    NumberAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
                }
            }
        }
    }
}
