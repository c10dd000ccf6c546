import QtQuick
import QtQuick.Controls.Basic
import QtTest
import Zuvevivezid.Design

// The header bar and the tab bar, in the popover's compact layout and the main window's.
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
        id: header
        WDHeaderBar {
            width: 400
            statusColor: WD.success
            statusLabel: "Tracking"
        }
    }

    Component {
        id: tabBar
        WDTabBar {
            y: 100
            width: 400
            activeTab: "tracker"
            items: [ { tab: "tracker", icon: "TabTracker", label: "Tracker" },
                     { tab: "summary", icon: "TabSummary", label: "Summary" },
                     { tab: "screenshots", icon: "TabScreenshots", label: "Screenshots" },
                     { tab: "settings", icon: "TabSettings", label: "Settings" } ]
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        id: testCase
        name: "Bars"
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

        function cleanup() {
            mouseMove(scene, scene.width - 2, scene.height - 2)
        }

        function test_withoutOpenButtonLogoStaysTrailing_data() { return layouts() }
        function test_withoutOpenButtonLogoStaysTrailing(data) {
            const bar = make(header, data.compact, { showOpenAppButton: false })
            verify(!bar.windowButton.visible)
            const logo = bar.logoButton
            compare(Math.round(logo.mapToItem(bar, 0, 0).x + logo.width), 400 - 16)
            compare(bar.height, 38)
        }

        function test_openButtonHoverAndClick_data() { return layouts() }
        function test_openButtonHoverAndClick(data) {
            const bar = make(header, data.compact, { showOpenAppButton: true })
            const button = bar.windowButton
            const opened = createTemporaryObject(spyComponent, testCase,
                                                 { target: bar, signalName: "openRequested" })
            verify(button.visible)
            const glyph = findChild(button, "openWindowGlyph")
            verify(Qt.colorEqual(glyph.color, WD.palette.textMuted))
            mouseMove(button)
            tryVerify(() => Qt.colorEqual(glyph.color, WD.palette.brand500))
            tryVerify(() => Qt.colorEqual(findChild(button, "openWindowBackground").color,
                                          WD.palette.appBackground))
            const cursor = findChild(button, "hoverCursor")
            compare(cursor.cursorShape, Qt.PointingHandCursor)
            compare(cursor.parent, button)
            mouseClick(button)
            compare(opened.count, 1)
        }

        function test_logoDimsAndOpensTheSite_data() { return layouts() }
        function test_logoDimsAndOpensTheSite(data) {
            designTest.clearOpenedUrls()
            const bar = make(header, data.compact)
            const logo = bar.logoButton
            const image = findChild(logo, "logoImage")
            verify(image.status === Image.Ready)
            verify(logo.width > 16)
            mouseMove(logo)
            tryCompare(image, "opacity", 0.7)
            tryCompare(image, "scale", 1.05)
            compare(logo.focusPolicy, Qt.NoFocus)
            mouseMove(scene, scene.width - 2, scene.height - 2)
            tryCompare(image, "opacity", 1)
            tryCompare(image, "scale", 1)
            mouseClick(logo)
            compare(designTest.openedUrls.length, 1)
            verify(designTest.openedUrls[0].startsWith("https://"))
            verify(designTest.openedUrls[0].indexOf(WD.productSiteDomain) > 0)
        }

        function test_dotPulsesWhileGlowing_data() { return layouts() }
        function test_dotPulsesWhileGlowing(data) {
            const bar = make(header, data.compact, { glow: false })
            const dot = findChild(bar, "statusDotPulse")
            compare(dot.opacity, 1)
            compare(bar.look.dotShadowRadius, 0)
            const shown = []
            const record = () => shown.push(dot.opacity)
            dot.opacityChanged.connect(record)
            bar.glow = true
            compare(bar.look.dotShadowRadius, 4)
            tryVerify(() => dot.opacity < 0.5, 2000, "dims towards 0.3")
            tryVerify(() => dot.opacity > 0.9, 2000, "and comes back")
            dot.opacityChanged.disconnect(record)
            // Only the even levels between full and dim are shown, the dim end among them.
            for (const opacity of shown) {
                const steps = (1 - opacity) / 0.14
                verify(Math.abs(steps - Math.round(steps)) < 1e-6 && opacity >= 0.3 - 1e-6,
                       "opacity " + opacity)
            }
            verify(shown.some(opacity => Math.abs(opacity - 0.3) < 1e-6), shown.join(" "))
            bar.glow = false
            compare(dot.opacity, 1)
            compare(bar.look.dotShadowRadius, 0)
        }

        // The pulse leaves its native window while any popup of the window is open, since
        // that window would be drawn over the popup.
        function test_dotIsCoveredWhileAPopupIsOpen() {
            const bar = make(header, false, { glow: true })
            const dot = findChild(bar, "statusDotPulse")
            verify(!dot.covered)
            const popup = createTemporaryQmlObject(
                "import QtQuick.Controls.Basic; Popup { x: 200; y: 100; width: 40; height: 20 }",
                scene)
            popup.open()
            tryVerify(() => dot.covered, 2000)
            popup.close()
            tryVerify(() => !dot.covered, 2000)
            const tip = createTemporaryQmlObject(
                "import QtQuick.Controls.Basic; ToolTip { text: \"Hint\"; delay: 0 }", scene)
            tip.open()
            tryVerify(() => dot.covered, 2000)
            tip.close()
            tryVerify(() => !dot.covered, 2000)
        }

        function test_pulseStopsWhileWindowHidden() {
            const window = createTemporaryQmlObject(
                "import QtQuick; import Zuvevivezid.Design; Window { width: 400; height: 40; "
                + "property alias bar: bar; WDHeaderBar { id: bar; width: 400; glow: true } }",
                scene)
            window.visible = true
            tryVerify(() => window.bar.shown, 2000)
            verify(window.bar.pulsing)
            window.visible = false
            verify(!window.bar.shown)
            verify(!window.bar.pulsing)
            compare(findChild(window.bar, "statusDotPulse").opacity, 1)
            window.visible = true
            tryVerify(() => window.bar.shown, 2000)
            verify(window.bar.pulsing)
        }

        function test_tabHover_data() { return layouts() }
        function test_tabHover(data) {
            const bar = make(tabBar, data.compact)
            const summary = findChild(bar, "mainTabSummary")
            const tracker = findChild(bar, "mainTabTracker")
            verify(summary)
            verify(tracker)
            mouseMove(summary)
            tryVerify(() => Qt.colorEqual(findChild(summary, "tabBackground").color,
                                          WD.palette.surfaceSoft))
            verify(Qt.colorEqual(findChild(summary, "tabLabel").color, WD.palette.brand400))
            compare(findChild(summary, "tabIndicator").opacity, 0)

            mouseMove(tracker)
            tryCompare(tracker, "isHovered", true)
            verify(Qt.colorEqual(findChild(tracker, "tabLabel").color, WD.palette.brand500))
            compare(findChild(tracker, "tabBackground").color.a, 0)
            compare(findChild(tracker, "tabLabel").font.weight, Font.DemiBold)
            compare(findChild(tracker, "tabIndicator").opacity, 1)
            compare(findChild(tracker, "hoverCursor").cursorShape, Qt.PointingHandCursor)
        }

        function test_tabClickSelectsEvenWhenActive_data() { return layouts() }
        function test_tabClickSelectsEvenWhenActive(data) {
            const bar = make(tabBar, data.compact)
            const selected = createTemporaryObject(spyComponent, testCase,
                                                   { target: bar, signalName: "tabSelected" })
            mousePress(findChild(bar, "mainTabScreenshots"))
            verify(findChild(bar, "mainTabScreenshots").pressed)
            mouseRelease(findChild(bar, "mainTabScreenshots"))
            mouseClick(findChild(bar, "mainTabTracker"))
            compare(selected.count, 2)
            compare(selected.signalArguments[0][0], "screenshots")
            compare(selected.signalArguments[1][0], "tracker")
            // The caller keeps the selection.
            compare(bar.activeTab, "tracker")
        }

        function test_tabsShareTheWidth() {
            const bar = make(tabBar, false)
            for (const label of ["Tracker", "Summary", "Screenshots", "Settings"])
                compare(findChild(bar, "mainTab" + label).width, 100)
        }
    }
}
