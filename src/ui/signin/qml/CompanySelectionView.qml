import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// Stand-in until the company selection screen is merged: the same properties and signal.
ColumnLayout {
    property var companies: []
    property string userName
    property string lastEndpoint
    property bool busy

    signal companyPicked(int index)

    objectName: "companySelectionView"

    Repeater {
        model: companies
        WDText { required property var modelData; text: modelData.name }
    }
}
