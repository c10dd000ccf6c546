import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Zuvevivezid.Design
import Zuvevivezid.Settings

// The settings tab: the permissions tracking needs, the account with logout, the colour palette
// and the version with an update check, as four titled cards.
ColumnLayout {
    id: view

    property SettingsServices services
    readonly property alias viewModel: model

    objectName: "settingsView"
    spacing: 12

    SettingsViewModel {
        id: model
        services: view.services
    }

    Component.onCompleted: model.appeared()

    readonly property bool windowActive: Window.active
    readonly property bool windowShown: Window.visibility !== Window.Hidden
    onWindowActiveChanged: if (windowActive) model.windowCameForward()
    onWindowShownChanged: if (windowShown) model.windowCameForward()

    WDSectionCard {
        objectName: "permissionsCard"
        icon: "SectionPermissions"
        title: "PERMISSIONS"

        ColumnLayout {
            width: parent.width
            spacing: 10

            SettingsPermissionRow {
                objectName: "screenRecordingRow"
                label: "Screen Recording"
                glyph: "TabScreenshots"
                granted: model.screenRecordingGranted
                advice: model.screenRecordingAdvice
                canAsk: model.canAskForScreenRecording
                onAskRequested: model.askForScreenRecording()
            }

            SettingsPermissionRow {
                objectName: "inputMonitoringRow"
                label: "Input Monitoring"
                glyph: "StatKeyboard"
                granted: model.inputMonitoringGranted
                advice: model.inputMonitoringAdvice
            }

            Rectangle {
                objectName: "revokedNotice"
                visible: model.didRevokeRecently
                Layout.fillWidth: true
                implicitHeight: noticeRow.implicitHeight + 20
                radius: 12
                color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.1)

                RowLayout {
                    id: noticeRow
                    x: 10
                    y: 10
                    width: parent.width - 20
                    spacing: 8

                    WDGlyph {
                        Layout.preferredWidth: 16
                        Layout.preferredHeight: 16
                        name: "ArrowClockwise"
                        color: WD.warning
                    }

                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2

                        WDText {
                            Layout.fillWidth: true
                            text: "Permissions revoked."
                            font.pixelSize: 12
                            font.weight: Font.Medium
                            color: WD.palette.textStrong
                            wrapMode: Text.WordWrap
                        }

                        WDText {
                            Layout.fillWidth: true
                            text: "Restart the app for the status to update."
                            font.pixelSize: 11
                            color: WD.palette.textMuted
                            wrapMode: Text.WordWrap
                        }
                    }

                    WDChipButton {
                        objectName: "restartButton"
                        text: "Restart"
                        tint: WD.warning
                        onClicked: model.restart()
                    }
                }
            }

            SettingsConfirmBox {
                objectName: "revokeConfirm"
                visible: model.showRevokeConfirm
                question: "Revoke all permissions? You must restart the app and re-grant them."
                questionPixelSize: 12
                questionColor: WD.palette.text
                confirmText: "Revoke"
                onCancelled: model.cancelRevoke()
                onConfirmed: model.revoke()
            }

            RowLayout {
                Layout.topMargin: 2
                spacing: 6

                WDLinkButton {
                    objectName: "refreshPermissionsButton"
                    glyph: "ArrowClockwise"
                    text: "Refresh Permissions"
                    tint: WD.info
                    onClicked: model.refreshPermissions()
                }

                Rectangle {
                    visible: model.canRevokePermissions
                    Layout.preferredWidth: 1
                    Layout.preferredHeight: 14
                    color: WD.palette.border
                }

                WDLinkButton {
                    objectName: "revokePermissionsButton"
                    visible: model.canRevokePermissions
                    text: "Revoke Permissions"
                    tint: WD.warning
                    onClicked: model.requestRevoke()
                }
            }
        }
    }

    WDSectionCard {
        objectName: "accountCard"
        icon: "SectionAccount"
        title: "ACCOUNT"

        ColumnLayout {
            width: parent.width
            spacing: 10

            ColumnLayout {
                objectName: "accountHeader"
                visible: model.showAccountHeader
                Layout.fillWidth: true
                Layout.bottomMargin: 2
                spacing: 3

                WDText {
                    objectName: "greetingLine"
                    visible: model.hasUserName
                    Layout.fillWidth: true
                    text: model.greetingLine
                    font.pixelSize: 13
                    color: WD.palette.textStrong
                    wrapMode: Text.WordWrap
                }

                WDText {
                    objectName: "companyLine"
                    visible: model.hasCompanyName
                    Layout.fillWidth: true
                    text: model.companyName
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: WD.palette.text
                    wrapMode: Text.WordWrap
                }
            }

            SettingsConfirmBox {
                objectName: "logoutConfirm"
                visible: model.showLogoutConfirm
                question: "Logout from Zudevav EvozUvarevu?"
                confirmText: "Logout"
                onCancelled: model.cancelLogout()
                onConfirmed: model.confirmLogout()
            }

            RowLayout {
                visible: !model.showLogoutConfirm
                spacing: 6

                WDChipButton {
                    objectName: "logoutButton"
                    glyph: "Logout"
                    busy: model.isLoggingOut
                    text: model.isLoggingOut ? "Logging out\u2026" : "Logout"
                    tint: WD.palette.textMuted
                    borderTint: WD.palette.border
                    enabled: model.logoutEnabled
                    opacity: model.logoutOpacity
                    onClicked: model.requestLogout()
                }
            }

            WDText {
                objectName: "stopTrackingHint"
                visible: model.isTracking
                Layout.fillWidth: true
                text: "Stop tracking before logging out."
                font.pixelSize: 11
                color: WD.palette.textMuted
                wrapMode: Text.WordWrap
            }
        }
    }

    WDSectionCard {
        objectName: "appearanceCard"
        icon: "SectionPalette"
        title: "APPEARANCE"

        ColumnLayout {
            id: appearance
            width: parent.width
            spacing: 8

            WDText {
                text: "Color Palette"
                font.pixelSize: 13
                font.weight: Font.Medium
                color: WD.palette.textStrong
            }

            Grid {
                id: swatchGrid
                objectName: "swatchGrid"
                Layout.fillWidth: true
                columns: model.swatchColumns(appearance.width)
                columnSpacing: 10
                rowSpacing: 10
                horizontalItemAlignment: Grid.AlignHCenter

                readonly property real cellWidth:
                    (appearance.width - (columns - 1) * columnSpacing) / Math.max(1, columns)

                Repeater {
                    model: WD.palettes

                    PaletteSwatchButton {
                        required property var modelData
                        objectName: "swatch-" + modelData.id
                        palette: modelData
                        width: swatchGrid.cellWidth
                        isSelected: view.viewModel.selectedPaletteId === modelData.id
                        onChosen: view.viewModel.selectPalette(modelData.id)
                    }
                }
            }
        }
    }

    WDSectionCard {
        objectName: "versionCard"
        icon: "SectionVersion"
        title: "VERSION"

        ColumnLayout {
            width: parent.width
            spacing: 8

            WDText {
                objectName: "versionText"
                text: model.versionText
                font.pixelSize: 13
                color: WD.palette.textStrong
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10

                WDChipButton {
                    objectName: "checkUpdateButton"
                    glyph: "ArrowClockwise"
                    busy: model.isCheckingUpdate
                    text: model.isCheckingUpdate ? "Checking\u2026" : "Check update"
                    tint: WD.palette.brand500
                    enabled: model.checkUpdateEnabled
                    opacity: model.checkUpdateOpacity
                    onClicked: model.checkForUpdate()
                }

                WDText {
                    objectName: "updateStatusMessage"
                    visible: model.hasUpdateStatusMessage
                    Layout.fillWidth: true
                    text: model.updateStatusMessage
                    font.pixelSize: 11
                    color: WD.palette.textMuted
                    wrapMode: Text.WordWrap
                }
            }
        }
    }
}
