import QtQuick
import QtTest
import Zuvevivezid.Design

// Every button style, in the popover's compact layout and the main window's regular one:
// hovering, pressing and disabling change what the Parts of the design system say, and the
// pointing-hand cursor belongs to the button itself.
Item {
    id: scene
    width: 420
    height: 240

    Component {
        id: layoutHost
        Item {
            property bool compact: false
            WDEnvironment.wdCompact: compact
            anchors.fill: parent
        }
    }

    Component { id: gradientButton; WDGradientButton { text: "Start tracking"; width: 220; buttonHeight: 40 } }
    Component { id: outlineButton; WDOutlineButton { text: "Stop"; width: 220; buttonHeight: 40 } }
    Component { id: softSquare; WDSoftButton { iconSquare: true; glyph: "ChevronLeft" } }
    Component { id: softCapsule; WDSoftButton { text: "Edit target" } }
    Component { id: gradientPill; WDGradientPillButton { text: "Today" } }
    Component { id: chip; WDChipButton { text: "Grant"; tint: WD.warning } }
    Component { id: filledChip; WDChipButton { text: "Open settings"; tint: WD.info; filled: true } }
    Component { id: onGradientChip; WDOnGradientChip { text: "Set target" } }
    Component { id: link; WDLinkButton { text: "Forgot password?" } }
    Component { id: segment; WDPillSegment { text: "Week"; isActive: false } }

    TestCase {
        id: testCase
        name: "Buttons"
        when: windowShown

        function near(actual, expected) {
            return Math.abs(actual - expected) < 0.001
        }

        function rows() {
            const p = WD.palette
            return [
                { tag: "gradient", component: gradientButton,
                  hovered: b => near(b.look.brightness, -0.05) && near(b.body.scale, 1),
                  pressed: b => near(b.look.brightness, -0.08) && near(b.body.scale, 0.98) },
                { tag: "outline", component: outlineButton,
                  hovered: b => Qt.colorEqual(fill(b).color, WD.palette.surfaceSoft),
                  pressed: b => near(b.body.opacity, 0.75) && near(b.body.scale, 0.98)
                                && Qt.colorEqual(fill(b).color, WD.palette.surfaceSoft) },
                { tag: "soft square", component: softSquare,
                  hovered: b => Qt.colorEqual(fill(b).color, WD.palette.surfaceSoft),
                  pressed: b => Qt.colorEqual(fill(b).color, WD.palette.surfaceSoft)
                                && near(b.body.scale, 1) },
                { tag: "soft capsule", component: softCapsule,
                  hovered: b => near(b.body.scale, 1.03)
                                && Qt.colorEqual(label(b).color, WD.palette.brand500)
                                && Qt.colorEqual(fill(b).color, WD.palette.border),
                  pressed: b => near(b.body.scale, 0.96) },
                { tag: "gradient pill", component: gradientPill,
                  hovered: b => near(b.look.brightness, -0.06),
                  pressed: b => near(b.look.brightness, -0.10) },
                { tag: "outlined chip", component: chip,
                  hovered: b => Qt.colorEqual(fill(b).color, WDStyle.withOpacity(WD.warning, 0.08))
                                && near(b.look.brightness, 0),
                  pressed: b => near(b.body.opacity, 0.7) && near(b.look.brightness, 0) },
                { tag: "filled chip", component: filledChip,
                  hovered: b => near(b.look.brightness, -0.08)
                                && !Qt.colorEqual(fill(b).color, WD.info),
                  pressed: b => near(b.body.opacity, 0.7) },
                { tag: "on-gradient chip", component: onGradientChip,
                  hovered: b => near(b.body.scale, 1.04)
                                && Qt.colorEqual(fill(b).color, WD.palette.surfaceSoft),
                  pressed: b => near(b.body.scale, 0.96) },
                { tag: "link", component: link,
                  hovered: b => Qt.colorEqual(fill(b).color, WDStyle.withOpacity(b.tint, 0.1)),
                  pressed: b => near(b.body.opacity, 0.6) },
                { tag: "inactive segment", component: segment,
                  hovered: b => Qt.colorEqual(fill(b).color, WD.palette.appBackground),
                  pressed: b => near(b.body.scale, 1) && near(b.body.opacity, 1) },
            ]
        }

        function bothLayouts(list) {
            const result = []
            for (const compact of [true, false]) {
                for (const row of list) {
                    const copy = Object.assign({}, row)
                    copy.tag = row.tag + (compact ? " compact" : " regular")
                    copy.compact = compact
                    result.push(copy)
                }
            }
            return result
        }

        function fill(button) { return findChild(button, "buttonFill") }
        function label(button) { return findChild(button, "buttonLabel") }

        function make(data) {
            const host = createTemporaryObject(layoutHost, scene, { compact: data.compact })
            const button = createTemporaryObject(data.component, host, { x: 40, y: 60 })
            verify(button)
            waitForRendering(button)
            return button
        }

        function cleanup() {
            mouseMove(scene, scene.width - 2, scene.height - 2)
        }

        function test_hover_data() { return bothLayouts(rows()) }
        function test_hover(data) {
            const button = make(data)
            const restLook = button.look
            verify(!button.isHovered)
            mouseMove(button, button.width / 2, button.height / 2)
            tryCompare(button, "isHovered", true)
            tryVerify(() => data.hovered(button), 1000, "hovered look")
            mouseMove(scene, scene.width - 2, scene.height - 2)
            tryCompare(button, "isHovered", false)
            compare(button.look, restLook)
        }

        function test_press_data() { return bothLayouts(rows()) }
        function test_press(data) {
            const button = make(data)
            const clicks = createTemporaryObject(spyComponent, testCase,
                                                 { target: button, signalName: "clicked" })
            mouseMove(button, button.width / 2, button.height / 2)
            mousePress(button, button.width / 2, button.height / 2)
            verify(button.pressed)
            tryVerify(() => data.pressed(button), 1000, "pressed look")
            mouseRelease(button, button.width / 2, button.height / 2)
            compare(clicks.count, 1)
            verify(!button.pressed)
        }

        function test_disabled_data() { return bothLayouts(rows()) }
        function test_disabled(data) {
            const button = make(data)
            const restLook = button.look
            button.enabled = false
            const clicks = createTemporaryObject(spyComponent, testCase,
                                                 { target: button, signalName: "clicked" })
            mouseMove(button, button.width / 2, button.height / 2)
            mouseClick(button, button.width / 2, button.height / 2)
            wait(20)
            verify(!button.isHovered)
            compare(clicks.count, 0)
            compare(button.look, restLook)
        }

        function test_cursorBelongsToTheButton_data() { return rows() }
        function test_cursorBelongsToTheButton(data) {
            const button = make(Object.assign({ compact: false }, data))
            const handler = findChild(button, "hoverCursor")
            verify(handler)
            compare(handler.cursorShape, Qt.PointingHandCursor)
            compare(handler.parent, button)
        }

        function test_linkFollowsTheLayout_data() {
            return [ { tag: "compact", compact: true, size: 10, padding: 3 },
                     { tag: "regular", compact: false, size: 12, padding: 6 } ]
        }
        function test_linkFollowsTheLayout(data) {
            const button = make({ compact: data.compact, component: link })
            compare(label(button).font.pixelSize, data.size)
            compare(button.implicitWidth, label(button).implicitWidth + 2 * data.padding)
            compare(label(button).lineCount, 1)
            button.text = "A link text far too long to fit on one line of a small popover at all"
            button.width = 120
            compare(label(button).lineCount, 1)
            verify(label(button).truncated)
        }

        function test_squareSoftButtonSize() {
            const button = make({ compact: true, component: softSquare })
            compare(button.width, 30)
            compare(button.height, 27)
        }

        function test_roundedCornerTakesNoClick() {
            const button = make({ compact: false, component: gradientButton })
            const clicks = createTemporaryObject(spyComponent, testCase,
                                                 { target: button, signalName: "clicked" })
            mouseClick(button, 1, 1)
            compare(clicks.count, 0)
            mouseClick(button, 12, button.height / 2)
            compare(clicks.count, 1)
        }

        function test_newPaletteRedrawsGradients() {
            const button = make({ compact: false, component: gradientButton })
            compare(button.look.gradientStart, WD.palette.gradientStops[0].color)
            designTest.selectPalette("teal")
            compare(button.look.gradientStart, WD.palette.gradientStops[0].color)
            verify(Qt.colorEqual(button.look.gradientStart, "#2FAE9E"))
            designTest.selectPalette("pink")
            verify(Qt.colorEqual(button.look.gradientStart, "#F32062"))
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }
}
