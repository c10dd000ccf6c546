import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root
import Zuvevivezid.SignIn

// The tracker's root: one of four layouts, chosen by the model. The popover shows it compact
// (340 wide), the main window regular (filling its window).
Rectangle {
    id: root

    required property RootViewModel viewModel

    objectName: "rootView"
    color: WD.palette.appBackground
    implicitWidth: viewModel.preferredWidth
    implicitHeight: viewModel.compact ? viewModel.contentHeight : 540
    WDEnvironment.wdCompact: viewModel.compact

    Behavior on implicitHeight {
        NumberAnimation { duration: 200; easing.type: Easing.InOutQuad }
    }

    Component.onCompleted: viewModel.appeared()

    Loader {
        id: routed
        objectName: "routedContent"
        anchors.fill: parent
        sourceComponent: {
            switch (root.viewModel.route) {
            case RootViewModel.Restoring: return restoringScreen
            case RootViewModel.SignedOut: return signInScreen
            case RootViewModel.ForcedUpdate: return forcedUpdateScreen
            default: return signedInLayout
            }
        }
    }

    Component {
        id: restoringScreen

        ColumnLayout {
            objectName: "restoringScreen"
            spacing: 14

            Item { Layout.fillHeight: true }

            BusyIndicator {
                Layout.alignment: Qt.AlignHCenter
                running: true
            }

            WDText {
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Restoring your session…")
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: WD.palette.textStrong
            }

            WDText {
                objectName: "slowRestoreHint"
                visible: root.viewModel.authRestoreIsSlow
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: root.width - 48
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: qsTr("This is taking longer than usual. The keyring may be waiting for you to unlock it.")
                color: WD.palette.textMuted
            }

            WDChipButton {
                objectName: "signInInsteadButton"
                visible: root.viewModel.authRestoreIsSlow
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Sign in instead")
                onClicked: root.viewModel.abandonRestore()
            }

            Item { Layout.fillHeight: true }
        }
    }

    Component {
        id: signInScreen

        LoginView {
            objectName: "signInScreen"
            backend: root.viewModel.signInBackend
            completion: root.viewModel.signInCompletion
        }
    }

    Component {
        id: forcedUpdateScreen

        ColumnLayout {
            objectName: "forcedUpdateScreen"
            spacing: 12

            Item { Layout.fillHeight: true }

            WDText {
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Update required")
                font.pixelSize: 17
                font.weight: Font.Bold
                color: WD.warning
            }

            WDText {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: root.width - 48
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: root.viewModel.forceUpdateLatestVersion !== ""
                      ? qsTr("Version %1 is required to keep tracking.").arg(root.viewModel.forceUpdateLatestVersion)
                      : qsTr("A newer version is required to keep tracking.")
            }

            WDGradientButton {
                objectName: "updateNowButton"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                buttonHeight: 44
                enabled: root.viewModel.hasDownloadLink
                opacity: enabled ? 1 : 0.55
                text: qsTr("Update Now")
                onClicked: root.viewModel.openDownloadPage()
            }

            Item { Layout.fillHeight: true }
        }
    }

    Component {
        id: signedInLayout

        ColumnLayout {
            objectName: "signedInLayout"
            spacing: 0

            WDHeaderBar {
                Layout.fillWidth: true
                statusColor: root.viewModel.statusColor
                statusLabel: root.viewModel.statusLabel
                showOpenAppButton: root.viewModel.showOpenAppButton
                glow: root.viewModel.glow
                onOpenRequested: root.viewModel.openMainWindow()
            }

            Loader {
                objectName: "mainContent"
                Layout.fillWidth: true
                Layout.fillHeight: true
                sourceComponent: {
                    if (root.viewModel.mainContent === RootViewModel.Permissions)
                        return permissionsContent
                    if (root.viewModel.mainContent === RootViewModel.InterruptedSession)
                        return interruptedContent
                    return tabContent
                }
            }

            WDTabBar {
                Layout.fillWidth: true
                activeTab: root.viewModel.activeTab
                items: root.viewModel.tabItems
                onTabSelected: (tab) => root.viewModel.selectTab(tab)
            }
        }
    }

    Component {
        id: permissionsContent

        Item {
            objectName: "permissionsContent"

            PlaceholderCard {
                anchors.centerIn: parent
                width: parent.width - (root.viewModel.compact ? 24 : 40)
                title: qsTr("Permissions")
                description: qsTr("Screen capture and input activity checks, with the steps to grant them, will appear here.")
            }
        }
    }

    Component {
        id: interruptedContent

        Item {
            objectName: "interruptedSessionContent"

            PlaceholderCard {
                anchors.centerIn: parent
                width: parent.width - (root.viewModel.compact ? 24 : 40)
                title: qsTr("Unfinished session")
                description: qsTr("The session that was running when the application last stopped will be offered here, to resume or to finish.")
            }
        }
    }

    Component {
        id: tabContent

        Item {
            objectName: "tabContent"

            readonly property var texts: [
                [qsTr("Tracker"), qsTr("The task picker, start, pause, resume and stop, today's total and the daily target will appear here.")],
                [qsTr("Summary"), qsTr("Tracked time of today and of this week will appear here.")],
                [qsTr("Screenshots"), qsTr("The day's screenshots by hour and ten-minute segment will appear here.")],
                [qsTr("Settings"), qsTr("Permissions, account, colour palette and version will appear here.")]
            ]

            PlaceholderCard {
                anchors.centerIn: parent
                width: parent.width - (root.viewModel.compact ? 24 : 40)
                title: parent.texts[root.viewModel.activeTab][0]
                description: parent.texts[root.viewModel.activeTab][1]
            }
        }
    }
}
