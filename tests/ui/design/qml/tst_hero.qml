import QtQuick
import QtTest
import Zuvevivezid.Design

// The hero banner covers its card and keeps its character at the centre, where it can, while
// the card is resized.
Item {
    id: scene
    width: 800
    height: 400

    Component {
        id: hero
        WDHeroBannerCrop {}
    }

    TestCase {
        name: "HeroBanner"
        when: windowShown

        function test_workedExample() {
            const banner = createTemporaryObject(hero, scene, {
                width: 300, height: 100, imageName: "LoginHeroBanner", imageAspect: 2000 / 667,
                window: 0.5, charCenterX: 0.75, topBias: 0.15 })
            const image = findChild(banner, "heroImage")
            fuzzyCompare(image.x, -300, 1e-6)
            fuzzyCompare(image.y, -15.015, 1e-3)
            fuzzyCompare(image.width, 600, 1e-6)
            fuzzyCompare(image.height, 200.1, 1e-3)
            tryCompare(image, "status", Image.Ready)
        }

        function test_resizeKeepsTheCharacterCentred_data() {
            const rows = []
            for (const palette of WD.palettes) {
                rows.push({ tag: palette.id + " login", spec: palette.loginBanner })
                rows.push({ tag: palette.id + " company", spec: palette.companyBanner })
            }
            return rows
        }
        function test_resizeKeepsTheCharacterCentred(data) {
            const banner = createTemporaryObject(hero, scene, {
                width: 340, height: 150, imageName: data.spec.imageName,
                imageAspect: data.spec.aspect, window: data.spec.window,
                charCenterX: data.spec.charCenterX, topBias: data.spec.topBias })
            const image = findChild(banner, "heroImage")
            for (const size of [[340, 150], [720, 220], [260, 300]]) {
                banner.width = size[0]
                banner.height = size[1]
                // Covered to every edge; the character centred unless that would bare an edge.
                verify(image.x <= 1e-6 && image.x + image.width >= size[0] - 1e-6)
                verify(image.y <= 1e-6 && image.y + image.height >= size[1] - 1e-6)
                const centred = Math.abs(image.x + data.spec.charCenterX * image.width
                                         - size[0] / 2) < 1e-6
                verify(centred || Math.abs(image.x) < 1e-6
                       || Math.abs(image.x + image.width - size[0]) < 1e-6)
            }
            tryCompare(image, "status", Image.Ready)
        }
    }
}
