import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zuvevivezid.Design

// The four main tabs, sharing the width equally. `items` is a list of { tab, icon, label };
// clicking a tab emits `tabSelected` with its tab, even when it is already the active one. The
// caller keeps the selection and passes it back as activeTab.
Rectangle {
    id: bar

    property var activeTab
    property var items: []

    signal tabSelected(var tab)

    implicitHeight: tabs.implicitHeight
    implicitWidth: tabs.implicitWidth
    color: WD.palette.surface

    RowLayout {
        id: tabs
        anchors.fill: parent
        spacing: 0

        Repeater {
            model: bar.items

            T.AbstractButton {
                id: tabButton

                required property var modelData
                readonly property bool isActive: modelData.tab === bar.activeTab
                readonly property bool isHovered: hover.hovered
                readonly property var look: WDStyle.tabItemLook(WD.palette, isActive, isHovered)

                objectName: "mainTab" + modelData.label
                Accessible.name: modelData.label
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                implicitWidth: column.implicitWidth
                implicitHeight: column.implicitHeight + 11
                hoverEnabled: false
                onClicked: bar.tabSelected(modelData.tab)

                WDHoverCursor {
                    id: hover
                    objectName: "hoverCursor"
                }

                Rectangle {
                    objectName: "tabBackground"
                    anchors.fill: parent
                    color: tabButton.look.background
                    Behavior on color {
                        ColorAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
                    }
                }

                Column {
                    id: column
                    anchors.top: parent.top
                    anchors.topMargin: 7
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 3

                    WDGlyph {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 17
                        height: 17
                        name: tabButton.modelData.icon
                        color: tabButton.look.foreground
                    }

                    WDText {
                        objectName: "tabLabel"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: tabButton.modelData.label
                        font.pixelSize: 11
                        font.weight: tabButton.look.labelWeight
                        color: tabButton.look.foreground
                    }

                    Rectangle {
                        objectName: "tabIndicator"
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 34
                        height: 2.5
                        radius: 1.25
                        opacity: tabButton.look.showsIndicator ? 1 : 0
                        gradient: Gradient {
                            orientation: Gradient.Horizontal
                            GradientStop { position: 0.0; color: WD.palette.gradientStops[0].color }
                            GradientStop { position: 0.55; color: WD.palette.gradientStops[1].color }
                            GradientStop { position: 1.0; color: WD.palette.gradientStops[2].color }
                        }
                    }
                }
            }
        }
    }
}
