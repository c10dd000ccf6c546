import QtQuick
import QtTest
import Zuvevivezid.Design

// Steady digits: a changing figure keeps its cells and its width.
TestCase {
    name: "DigitsText"

    WDDigitsText { id: clock }

    function test_cellsAreKeptFromOneFigureToTheNext_data() {
        return [
            { tag: "a second passes", from: "00:00:09", to: "00:00:10", kept: true },
            { tag: "the hours gain a digit", from: "99:59:59", to: "100:00:00", kept: false },
            { tag: "a minute passes", from: "59:59", to: "00:00", kept: true },
        ]
    }
    function test_cellsAreKeptFromOneFigureToTheNext(data) {
        const cells = () => Array.from(clock.children).filter(cell => cell.text !== undefined)
        clock.text = data.from
        clock.forceLayout()
        const first = cells()[0]
        const width = clock.implicitWidth
        clock.text = data.to
        clock.forceLayout()
        compare(cells().map(cell => cell.text).join(""), data.to)
        compare(cells()[0] === first, data.kept)
        if (data.to.length === data.from.length)
            compare(clock.implicitWidth, width)
    }
}
