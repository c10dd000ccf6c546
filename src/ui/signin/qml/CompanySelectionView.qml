import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.SignIn

// The choice of company when the account belongs to more than one. The rows only report the
// pick; the sign-in flow applies it and sets `busy` while it does.
Flickable {
    id: root

    property var companies: []
    property string userName: ""
    property string lastEndpoint: ""
    property bool busy: false
    readonly property alias listModel: companyList
    // The position of the picked company in `companies` as handed in.
    signal companyPicked(int index)

    objectName: "companySelectionView"
    implicitWidth: 340
    implicitHeight: card.implicitHeight
    contentWidth: width
    contentHeight: card.implicitHeight
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    CompanyListModel {
        id: companyList
        companies: root.companies
        userName: root.userName
        lastEndpoint: root.lastEndpoint
    }

    SignInHeroCard {
        id: card
        width: root.width
        banner: WD.palette.companyBanner

        WDText {
            text: "Select Company"
            font.pixelSize: card.titleSize
            font.weight: Font.Bold
            color: WD.palette.textStrong
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: companyList.greeting
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8

            Repeater {
                model: companyList

                delegate: Rectangle {
                    id: row
                    required property string name
                    required property bool isRecent
                    required property int sourceIndex

                    objectName: "companyRow"
                    Layout.fillWidth: true
                    implicitHeight: 42
                    radius: 12
                    enabled: !root.busy
                    opacity: enabled ? 1 : 0.6
                    color: rowHover.hovered ? WD.palette.appBackground : WD.palette.surface
                    border.width: 1
                    border.color: rowHover.hovered ? WD.palette.brand400 : WD.palette.border

                    Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
                    Behavior on border.color {
                        ColorAnimation { duration: 120; easing.type: Easing.OutQuad }
                    }

                    WDHoverCursor { id: rowHover }
                    TapHandler { onTapped: root.companyPicked(row.sourceIndex) }

                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 14
                        anchors.rightMargin: 14
                        spacing: 10

                        WDGlyph {
                            implicitWidth: 15
                            implicitHeight: 15
                            name: "Building"
                            color: WD.palette.brand500
                        }

                        WDText {
                            Layout.fillWidth: !row.isRecent
                            Layout.maximumWidth: row.width - 110
                            text: row.name
                            font.weight: Font.Medium
                            color: WD.palette.textStrong
                            elide: Text.ElideRight
                            maximumLineCount: 1
                        }

                        Rectangle {
                            objectName: "recentBadge"
                            visible: row.isRecent
                            implicitWidth: badgeRow.implicitWidth + 14
                            implicitHeight: badgeRow.implicitHeight + 6
                            radius: height / 2
                            color: WD.palette.appBackground

                            Row {
                                id: badgeRow
                                anchors.centerIn: parent
                                spacing: 3

                                WDGlyph {
                                    anchors.verticalCenter: parent.verticalCenter
                                    width: 9
                                    height: 9
                                    name: "ArrowClockwise"
                                    color: WD.palette.brand500
                                }

                                WDText {
                                    anchors.verticalCenter: parent.verticalCenter
                                    text: "Recent"
                                    font.pixelSize: 10
                                    font.weight: Font.DemiBold
                                    color: WD.palette.brand500
                                }
                            }
                        }

                        Item { Layout.fillWidth: true; visible: row.isRecent }

                        WDGlyph {
                            Layout.preferredWidth: 11
                            Layout.preferredHeight: 11
                            name: "ChevronRight"
                            color: WD.palette.brand500
                        }
                    }
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 2
            spacing: 10

            SignInHintIcon {
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 1
                name: "QuestionCircle"
            }

            WDText {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                wrapMode: Text.WordWrap
                textFormat: Text.StyledText
                font.pixelSize: 12
                text: "Your company isn't listed? <font color=\"" + WD.palette.brand500
                      + "\">Contact the administrator</font> of your company."
            }
        }
    }
}
