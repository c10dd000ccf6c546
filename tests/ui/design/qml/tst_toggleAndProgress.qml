import QtQuick
import QtTest
import Zuvevivezid.Design

// The pill toggle and the progress bar in both layouts.
Item {
    id: scene
    width: 420
    height: 200

    Component {
        id: layoutHost
        Item {
            property bool compact: false
            WDEnvironment.wdCompact: compact
            anchors.fill: parent
        }
    }

    Component {
        id: toggleComponent
        WDPillToggle {
            x: 20
            y: 40
            options: [ { value: "today", label: "Today" }, { value: "week", label: "Week" },
                       { value: "month", label: "Month" } ]
            selection: "week"
        }
    }

    Component {
        id: barComponent
        WDProgressBar {
            x: 20
            y: 20
            width: 200
            barHeight: 4
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        id: testCase
        name: "ToggleAndProgress"
        when: windowShown

        function layouts() {
            return [ { tag: "compact", compact: true }, { tag: "regular", compact: false } ]
        }

        function make(component, compact, properties) {
            const host = createTemporaryObject(layoutHost, scene, { compact: compact })
            const item = createTemporaryObject(component, host, properties || {})
            verify(item)
            waitForRendering(item)
            return item
        }

        function segment(toggle, label) { return findChild(toggle, "pillSegment" + label) }

        function cleanup() {
            mouseMove(scene, scene.width - 2, scene.height - 2)
        }

        function test_selectionDrawsTheActiveSegment_data() { return layouts() }
        function test_selectionDrawsTheActiveSegment(data) {
            const toggle = make(toggleComponent, data.compact)
            verify(!segment(toggle, "Today").isActive)
            verify(segment(toggle, "Week").isActive)
            verify(segment(toggle, "Week").look.gradient)
            verify(!segment(toggle, "Month").isActive)
        }

        function test_clickWritesTheSelection_data() { return layouts() }
        function test_clickWritesTheSelection(data) {
            const toggle = make(toggleComponent, data.compact)
            const activated = createTemporaryObject(spyComponent, testCase,
                                                    { target: toggle, signalName: "activated" })
            mouseClick(segment(toggle, "Month"))
            compare(toggle.selection, "month")
            verify(segment(toggle, "Month").isActive)
            verify(!segment(toggle, "Week").isActive)
            // The active segment sets its value again.
            mouseClick(segment(toggle, "Month"))
            compare(activated.count, 2)
            compare(activated.signalArguments[1][0], "month")
        }

        function test_hoverShowsInactiveSegmentsOnly_data() { return layouts() }
        function test_hoverShowsInactiveSegmentsOnly(data) {
            const toggle = make(toggleComponent, data.compact)
            const today = segment(toggle, "Today")
            const week = segment(toggle, "Week")
            compare(findChild(today, "buttonFill").color.a, 0)
            mouseMove(today)
            tryVerify(() => Qt.colorEqual(findChild(today, "buttonFill").color,
                                          WD.palette.appBackground))
            const activeLook = week.look
            mouseMove(week)
            tryCompare(week, "isHovered", true)
            compare(week.look, activeLook)
        }

        function test_disabledToggleKeepsItsSelection_data() { return layouts() }
        function test_disabledToggleKeepsItsSelection(data) {
            const toggle = make(toggleComponent, data.compact)
            toggle.enabled = false
            mouseClick(segment(toggle, "Today"))
            compare(toggle.selection, "week")
            verify(!segment(toggle, "Today").isHovered)
        }

        function test_unmatchedSelectionLeavesAllInactive() {
            const toggle = make(toggleComponent, false, { selection: "year" })
            for (const label of ["Today", "Week", "Month"])
                verify(!segment(toggle, label).isActive)
        }

        function test_singleOption() {
            const toggle = make(toggleComponent, true, {
                options: [ { value: 1, label: "Only" } ], selection: 1 })
            verify(segment(toggle, "Only").isActive)
            compare(toggle.width, segment(toggle, "Only").width + 6)
        }

        function test_fillWidth_data() {
            const rows = []
            for (const compact of [true, false]) {
                const suffix = compact ? " compact" : " regular"
                rows.push({ tag: "empty" + suffix, compact: compact, value: 0, fill: 4 })
                rows.push({ tag: "half" + suffix, compact: compact, value: 0.5, fill: 100 })
                rows.push({ tag: "full" + suffix, compact: compact, value: 1, fill: 200 })
                rows.push({ tag: "over" + suffix, compact: compact, value: 1.7, fill: 200 })
                rows.push({ tag: "negative" + suffix, compact: compact, value: -1, fill: 4 })
                rows.push({ tag: "not a number" + suffix, compact: compact, value: NaN, fill: 4 })
            }
            return rows
        }
        function test_fillWidth(data) {
            const bar = make(barComponent, data.compact, { value: data.value })
            compare(findChild(bar, "progressFill").width, data.fill)
            compare(bar.height, 4)
        }
    }
}
