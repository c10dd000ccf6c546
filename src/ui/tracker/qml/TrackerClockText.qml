import QtQuick
import Zuvevivezid.Design

// The running clock: its digits keep their places from one second to the next.
WDDigitsText {
    color: "white"
    pixelSize: 34
    weight: Font.Bold
}
