import QtQuick
import QtTest
import Zuvevivezid.Design

// Cards, section cards, statistic cards and icon circles.
Item {
    id: scene
    width: 480
    height: 320

    Component {
        id: layoutHost
        Item {
            property bool compact: false
            WDEnvironment.wdCompact: compact
            anchors.fill: parent
        }
    }

    Component {
        id: statCard
        WDStatCard {
            x: 40
            y: 80
            width: 180
            icon: "StatKeyboard"
            title: "Keystrokes"
            value: "12 480"
            valueColor: WD.purple
        }
    }

    Component {
        id: sectionCard
        WDSectionCard {
            x: 20
            y: 20
            width: 300
            icon: "SectionPalette"
            title: "APPEARANCE"
            WDText { objectName: "sectionBody"; text: "Pick a colour palette" }
        }
    }

    Component {
        id: card
        WDCard {
            x: 20
            y: 20
            radius: 14
            padding: 10
            Rectangle { objectName: "cardChild"; width: 60; height: 30 }
        }
    }

    Component {
        id: iconCircle
        WDIconCircle { x: 20; y: 20 }
    }

    TestCase {
        id: testCase
        name: "Cards"
        when: windowShown

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

        function test_plainStatCardIgnoresThePointer_data() {
            return [ { tag: "compact", compact: true }, { tag: "regular", compact: false } ]
        }
        function test_plainStatCardIgnoresThePointer(data) {
            const statistic = make(statCard, data.compact, { compact: data.compact })
            mouseMove(statistic)
            wait(20)
            verify(!statistic.isHovered)
            verify(!findChild(statistic, "statTooltip").visible)
            verify(!findChild(statistic, "statWatermark").visible)
            verify(!findChild(statistic, "statProgress").visible)
        }

        function test_tooltipFloatsAboveWhileHovered_data() {
            return [ { tag: "compact", compact: true }, { tag: "regular", compact: false } ]
        }
        function test_tooltipFloatsAboveWhileHovered(data) {
            const statistic = make(statCard, data.compact,
                                   { compact: data.compact, tooltip: "Keys pressed today" })
            const tooltip = findChild(statistic, "statTooltip")
            mouseMove(statistic)
            tryCompare(statistic, "isHovered", true)
            tryCompare(tooltip, "opacity", 1)
            compare(tooltip.y, -26)
            compare(statistic.z, 1)
            mouseMove(scene, scene.width - 2, scene.height - 2)
            tryCompare(tooltip, "visible", false)
        }

        function test_metricsFollowCompact_data() {
            return [ { tag: "compact", compact: true, title: 11, value: 15, disc: 20, inset: 26 },
                     { tag: "regular", compact: false, title: 12, value: 16, disc: 22, inset: 28 } ]
        }
        function test_metricsFollowCompact(data) {
            const statistic = make(statCard, !data.compact,
                                   { compact: data.compact, watermark: "StatKeyboard",
                                     progress: 0.4 })
            compare(findChild(statistic, "statTitle").font.pixelSize, data.title)
            compare(findChild(statistic, "statValue").font.pixelSize, data.value)
            compare(findChild(statistic, "statIconDisc").width, data.disc)
            compare(findChild(statistic, "statValue").x, data.inset)
            verify(findChild(statistic, "statWatermark").visible)
            verify(findChild(statistic, "statProgress").visible)
            compare(findChild(statistic, "statProgress").value, 0.4)
        }

        function test_sectionHeadingInBrandColour_data() {
            return [ { tag: "compact", compact: true }, { tag: "regular", compact: false } ]
        }
        function test_sectionHeadingInBrandColour(data) {
            const section = make(sectionCard, data.compact)
            const title = findChild(section, "sectionTitle")
            verify(Qt.colorEqual(title.color, WD.palette.brand500))
            compare(title.font.pixelSize, 11)
            verify(title.font.bold)
            const body = findChild(section, "sectionBody")
            verify(body.mapToItem(section, 0, 0).y > title.mapToItem(section, 0, 0).y)
            designTest.selectPalette("orange")
            verify(Qt.colorEqual(title.color, "#F97316"))
            designTest.selectPalette("pink")
        }

        function test_cardPadsItsContent() {
            const chrome = make(card, false)
            const child = findChild(chrome, "cardChild")
            const origin = child.mapToItem(chrome, 0, 0)
            compare(origin.x, 10)
            compare(origin.y, 10)
            compare(chrome.width, 80)
            compare(chrome.height, 50)
            verify(Qt.colorEqual(findChild(chrome, "cardSurface").color, WD.palette.surface))
        }

        function test_iconCircleGlyph_data() {
            return [
                { tag: "asset wins", asset: "StatClock", symbol: "StatMouse", shown: "StatClock" },
                { tag: "symbol only", asset: "", symbol: "StatMouse", shown: "StatMouse" },
                { tag: "neither", asset: "", symbol: "", shown: "" },
            ]
        }
        function test_iconCircleGlyph(data) {
            const circle = make(iconCircle, false,
                                { assetName: data.asset, systemName: data.symbol, diameter: 100 })
            const glyph = findChild(circle, "iconCircleGlyph")
            compare(glyph.visible, data.shown !== "")
            compare(glyph.name, data.shown)
            compare(glyph.width, 41)
            verify(Qt.colorEqual(glyph.color, WD.palette.brand500))
        }
    }
}
