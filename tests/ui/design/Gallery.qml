import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// Every component of the design system on one sheet, as a person would look them over. The
// test sets `compact` for the popover's layout and switches the palette.
Rectangle {
    id: sheet

    property bool compact: false

    WDEnvironment.wdCompact: compact
    width: compact ? 360 : 720
    height: column.implicitHeight
    color: WD.palette.appBackground

    ColumnLayout {
        id: column
        width: parent.width
        spacing: 0

        WDHeaderBar {
            Layout.fillWidth: true
            statusColor: WD.success
            statusLabel: "Tracking · 2 h 14 min"
            showOpenAppButton: sheet.compact
            glow: true
        }

        WDTabBar {
            Layout.fillWidth: true
            activeTab: "tracker"
            items: [ { tab: "tracker", icon: "TabTracker", label: "Tracker" },
                     { tab: "summary", icon: "TabSummary", label: "Summary" },
                     { tab: "screenshots", icon: "TabScreenshots", label: "Screenshots" },
                     { tab: "settings", icon: "TabSettings", label: "Settings" } ]
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: sheet.compact ? 12 : 20
            spacing: sheet.compact ? 10 : 14

            // The tracker's hero card: the banner cropped around its character.
            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: sheet.compact ? 120 : 170
                radius: 18
                color: WD.palette.surface
                clip: true

                WDHeroBannerCrop {
                    anchors.fill: parent
                    imageName: WD.palette.trackerBanner
                    imageAspect: WD.palette.trackerAspect
                    window: 0.4
                    charCenterX: WD.palette.trackerCharX
                    topBias: 0.55
                }

                WDText {
                    x: 16
                    y: 14
                    text: "Good afternoon"
                    font.pixelSize: sheet.compact ? 15 : 18
                    font.weight: Font.DemiBold
                    color: WD.palette.idleHeroTextLight ? "white" : WD.palette.textStrong
                }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10

                WDStatCard {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    compact: sheet.compact
                    icon: "StatClock"
                    title: "Today"
                    value: "6 h 12 min"
                    valueColor: WD.palette.brand500
                    iconTint: WD.palette.brand500
                    watermark: "StatClock"
                    progress: 0.78
                    progressColor: WD.palette.brand500
                }
                WDStatCard {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    compact: sheet.compact
                    icon: "StatMouse"
                    title: "Mouse"
                    value: "3 904"
                    valueColor: WD.purple
                    iconTint: WD.purple
                    watermark: "StatMouse"
                }
                WDStatCard {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    visible: !sheet.compact
                    icon: "StatKeyboard"
                    title: "Keys"
                    value: "12 480"
                    valueColor: WD.success
                    iconTint: WD.success
                }
            }

            // The gradient progress card with a white chip over it.
            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: 74
                radius: 16
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop { position: 0; color: WD.palette.gradientStops[0].color }
                    GradientStop { position: 0.55; color: WD.palette.gradientStops[1].color }
                    GradientStop { position: 1; color: WD.palette.gradientStops[2].color }
                }

                ColumnLayout {
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 8

                    RowLayout {
                        WDText {
                            Layout.fillWidth: true
                            text: "Daily target 8 h"
                            color: "white"
                            font.weight: Font.DemiBold
                        }
                        WDOnGradientChip { text: "Set target" }
                    }
                    WDProgressBar {
                        Layout.fillWidth: true
                        value: 0.62
                        track: Qt.rgba(1, 1, 1, 0.3)
                        fill: "white"
                        barHeight: 6
                    }
                }
            }

            WDPillToggle {
                Layout.alignment: Qt.AlignHCenter
                options: [ { value: 0, label: "Today" }, { value: 1, label: "Week" },
                           { value: 2, label: "Month" } ]
                selection: 1
            }

            WDSectionCard {
                Layout.fillWidth: true
                icon: "SectionPermissions"
                title: "PERMISSIONS"

                ColumnLayout {
                    width: parent.width
                    spacing: 8

                    RowLayout {
                        spacing: 8
                        WDIconCircle { assetName: "StatCamera"; diameter: 32 }
                        WDText {
                            Layout.fillWidth: true
                            text: "Screen capture"
                            color: WD.palette.textStrong
                        }
                        WDChipButton { text: "Granted"; tint: WD.success; filled: true }
                    }
                    RowLayout {
                        spacing: 8
                        WDIconCircle { assetName: "StatKeyboard"; diameter: 32 }
                        WDText {
                            Layout.fillWidth: true
                            text: "Input activity"
                            color: WD.palette.textStrong
                        }
                        WDChipButton { text: "Grant"; tint: WD.warning }
                    }
                    RowLayout {
                        spacing: 6
                        WDLinkButton { text: "Why is this needed?" }
                        Item { Layout.fillWidth: true }
                        WDSoftButton { iconSquare: true; glyph: "ChevronLeft" }
                        WDGradientPillButton { text: "Today" }
                        WDSoftButton { iconSquare: true; glyph: "ChevronRight" }
                    }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                WDGradientButton { Layout.fillWidth: true; text: "Pause"; buttonHeight: 42 }
                WDOutlineButton { Layout.fillWidth: true; text: "Stop"; buttonHeight: 42 }
            }

            RowLayout {
                Layout.fillWidth: true
                WDSoftButton { text: "Edit target" }
                Item { Layout.fillWidth: true }
                WDLinkButton { text: "Forgot password?"; tint: WD.info }
            }

            WDCard {
                Layout.fillWidth: true
                radius: 14
                padding: 12
                WDText {
                    text: "Login banner"
                    color: WD.palette.textMuted
                }
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: sheet.compact ? 110 : 150
                radius: 18
                clip: true
                color: WD.palette.surface

                WDHeroBannerCrop {
                    anchors.fill: parent
                    imageName: WD.palette.loginBanner.imageName
                    imageAspect: WD.palette.loginBanner.aspect
                    window: WD.palette.loginBanner.window
                    charCenterX: WD.palette.loginBanner.charCenterX
                    topBias: WD.palette.loginBanner.topBias
                }
            }
        }
    }
}
