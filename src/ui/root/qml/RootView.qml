import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Window
import Zuvevivezid.Design
import Zuvevivezid.Root
import Zuvevivezid.SignIn
import Zuvevivezid.Tracker

// The tracker's root: one of four layouts, chosen by the model. The popover shows it compact
// (340 wide), the main window regular (filling its window).
Rectangle {
    id: root

    required property RootViewModel viewModel

    objectName: "rootView"
    color: WD.palette.appBackground
    implicitWidth: viewModel.preferredWidth
    // The popover's height is at least the route's; a signed-in screen that needs more (the
    // tracker under both banners) grows it, as far as the screen allows.
    implicitHeight: viewModel.compact
                    ? Math.max(viewModel.contentHeight,
                               Math.min(signedInNaturalHeight, Screen.desktopAvailableHeight - 48))
                    : 540
    readonly property real signedInNaturalHeight:
        routed.item && routed.item.objectName === "signedInLayout" ? routed.item.implicitHeight : 0
    WDEnvironment.wdCompact: viewModel.compact

    readonly property real contentPadding: viewModel.compact ? 12 : 20

    Behavior on implicitHeight {
        NumberAnimation { duration: 200; easing.type: Easing.InOutQuad }
    }

    Component.onCompleted: viewModel.appeared()

    // A new palette draws every screen afresh: what was open or scrolled starts over. Later, not
    // at once: the change may come from a press inside the screen that is about to go.
    function rebuildScreens() {
        routed.active = false
        routed.active = true
    }

    Connections {
        target: WD
        function onPaletteChanged() { Qt.callLater(root.rebuildScreens) }
    }

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

        RestoringSessionScreen {
            viewModel: root.viewModel
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

        ForceUpdateScreen {
            viewModel: root.viewModel
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

        Flickable {
            objectName: "permissionsContent"
            contentHeight: permissions.implicitHeight + 2 * root.contentPadding
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            PermissionsView {
                id: permissions
                x: root.contentPadding
                y: root.contentPadding
                width: parent.width - 2 * root.contentPadding
                viewModel: root.viewModel
            }
        }
    }

    Component {
        id: interruptedContent

        Item {
            objectName: "interruptedSessionContent"

            InterruptedSessionView {
                anchors.centerIn: parent
                width: parent.width - 2 * root.contentPadding
                viewModel: root.viewModel
            }
        }
    }

    Component {
        id: tabContent

        Item {
            objectName: "tabContent"
            // The tracker tab's whole height, banners included, so that the popover can grow to
            // show it.
            implicitHeight: trackerTabLoader.active ? trackerTabLoader.implicitHeight : 0

            Loader {
                id: trackerTabLoader
                objectName: "trackerTabLoader"
                anchors.fill: parent
                active: root.viewModel.activeTab === 0
                sourceComponent: trackerTab
            }

            Loader {
                objectName: "otherTabLoader"
                anchors.fill: parent
                active: root.viewModel.activeTab !== 0
                sourceComponent: [null, summaryTab, screenshotsTab, settingsTab][
                    root.viewModel.activeTab]
            }
        }
    }

    // The tracker tab: its banners, then the not-tracking screen, or the tracking screen while a
    // session runs, all scrolling together.
    Component {
        id: trackerTab

        ScrollView {
            id: trackerScroll
            objectName: "trackerTab"
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: trackerScroll.availableWidth
                spacing: 12

                ColumnLayout {
                    objectName: "trackerBanners"
                    visible: root.viewModel.screenRecordingPermissionLost
                             || root.viewModel.hasCrossDayProject
                    Layout.fillWidth: true
                    Layout.topMargin: 12
                    Layout.leftMargin: root.contentPadding
                    Layout.rightMargin: root.contentPadding
                    spacing: 12

                    // Made only while shown: a hidden item still costs each repaint of the
                    // window a walk over its nodes.
                    Loader {
                        active: root.viewModel.screenRecordingPermissionLost
                        visible: active
                        Layout.fillWidth: true
                        sourceComponent: ScreenRecordingPermissionBanner {
                            viewModel: root.viewModel
                        }
                    }

                    Loader {
                        active: root.viewModel.hasCrossDayProject
                        visible: active
                        Layout.fillWidth: true
                        sourceComponent: CrossDayAutoCompleteBanner {
                            viewModel: root.viewModel
                        }
                    }
                }

                Loader {
                    objectName: "trackerScreen"
                    Layout.fillWidth: true
                    sourceComponent: root.viewModel.isTracking ? trackerActive : trackerIdle
                }
            }

            Component {
                id: trackerIdle
                TrackerIdleView { services: root.viewModel.trackerServices }
            }

            Component {
                id: trackerActive
                TrackerActiveView {
                    services: root.viewModel.trackerServices
                    motivationalPhraseIndex: root.viewModel.motivationalPhraseIndex
                }
            }
        }
    }

    // The summary, screenshots and settings tabs: each screen, padded, in a view that scrolls by
    // the wheel and by dragging.
    Component {
        id: summaryTab

        DragScrollView {
            objectName: "summaryTab"
            topMargin: root.contentPadding
            bottomMargin: root.contentPadding

            SummaryView {
                x: root.contentPadding
                width: parent.width - 2 * root.contentPadding
                services: root.viewModel.summaryServices
            }
        }
    }

    Component {
        id: screenshotsTab

        DragScrollView {
            objectName: "screenshotsTab"
            topMargin: root.contentPadding
            bottomMargin: root.contentPadding

            ScreenshotsView {
                x: root.contentPadding
                width: parent.width - 2 * root.contentPadding
                services: root.viewModel.screenshotsServices
            }
        }
    }

    Component {
        id: settingsTab

        DragScrollView {
            objectName: "settingsTab"
            topMargin: root.contentPadding
            bottomMargin: root.contentPadding

            SettingsView {
                x: root.contentPadding
                width: parent.width - 2 * root.contentPadding
                services: root.viewModel.settingsServices
            }
        }
    }
}
