#include "ui/design/WDDropShadow.h"
#include "ui/design/WDGlyph.h"

#include <QtTest>

// The two painted helpers: template glyphs recoloured from the vector assets, and blurred
// shadows of rounded shapes.
class TestWDGlyph : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void glyphKeepsShapeAndTakesColour();
    void glyphOfUnknownAssetIsNothing();
    void shadowIsSoftCentredAndWithinItsMargin_data();
    void shadowIsSoftCentredAndWithinItsMargin();
    void shadowWithoutBlurIsTheShape();
};

void TestWDGlyph::glyphKeepsShapeAndTakesColour()
{
    const QColor tint(0x2F, 0xAE, 0x9E);
    const QImage image = WDGlyph::render(QStringLiteral("TabSettings"), tint, QSize(48, 48));
    QCOMPARE(image.size(), QSize(48, 48));
    int covered = 0;
    int clear = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                ++covered;
                QCOMPARE(pixel.rgb(), tint.rgb());
            } else if (pixel.alpha() == 0) {
                ++clear;
            }
        }
    }
    QVERIFY(covered > 48 * 48 / 5);
    QVERIFY(clear > 48 * 48 / 5);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

void TestWDGlyph::glyphOfUnknownAssetIsNothing()
{
    QVERIFY(WDGlyph::render(QStringLiteral("NoSuchGlyph"), Qt::red, QSize(16, 16)).isNull());
    QVERIFY(WDGlyph::render(QString(), Qt::red, QSize(16, 16)).isNull());
    QVERIFY(WDGlyph::render(QStringLiteral("TabSummary"), Qt::red, QSize(0, 16)).isNull());

    // An item asked for artwork that does not exist says so, once: a slot left empty on a screen
    // is found in the log of the suite that drew it.
    QTest::ignoreMessage(QtWarningMsg, "No glyph is named NoSuchGlyph: nothing is drawn");
    WDGlyph missing;
    missing.setName(QStringLiteral("NoSuchGlyph"));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No glyph is named")));
    WDGlyph again;
    again.setName(QStringLiteral("NoSuchGlyph"));
    again.setName(QStringLiteral("TabSummary"));
}

void TestWDGlyph::shadowIsSoftCentredAndWithinItsMargin_data()
{
    QTest::addColumn<QSizeF>("shape");
    QTest::addColumn<double>("blur");
    QTest::addColumn<double>("scale");
    QTest::newRow("card") << QSizeF(120, 60) << 10.0 << 1.0;
    QTest::newRow("card on a dense screen") << QSizeF(120, 60) << 10.0 << 2.0;
    QTest::newRow("dot glow") << QSizeF(8, 8) << 4.0 << 1.0;
    QTest::newRow("wide and flat") << QSizeF(300, 6) << 8.0 << 1.0;
}

void TestWDGlyph::shadowIsSoftCentredAndWithinItsMargin()
{
    QFETCH(QSizeF, shape);
    QFETCH(double, blur);
    QFETCH(double, scale);
    const QColor colour(0, 0, 0, 13);
    const QImage image = WDDropShadow::render(shape, 16, colour, blur, scale);
    const double margin = WDDropShadow::marginFor(blur);
    QCOMPARE(image.size(), ((shape + QSizeF(2 * margin, 2 * margin)) * scale).toSize());
    const int w = image.width();
    const int h = image.height();
    const int centre = qAlpha(image.pixel(w / 2, h / 2));
    QVERIFY(centre > 0);
    QVERIFY(centre <= colour.alpha());
    // Fades out before the canvas ends, evenly on both sides.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(w - 1, h - 1)), 0);
    QVERIFY(qAlpha(image.pixel(w / 2, 1)) < centre);
    for (int x = 0; x < w / 2; ++x)
        QVERIFY(qAbs(qAlpha(image.pixel(x, h / 2)) - qAlpha(image.pixel(w - 1 - x, h / 2))) <= 1);
}

void TestWDGlyph::shadowWithoutBlurIsTheShape()
{
    const QImage image = WDDropShadow::render(QSizeF(40, 20), 0, QColor(0, 0, 0, 255), 0, 1.0);
    QCOMPARE(image.size(), QSize(40, 20));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 255);
    QCOMPARE(qAlpha(image.pixel(39, 19)), 255);
    QVERIFY(WDDropShadow::render(QSizeF(40, 20), 0, Qt::transparent, 4, 1.0).isNull());
    QVERIFY(WDDropShadow::render(QSizeF(0, 20), 0, Qt::black, 4, 1.0).isNull());
}

QTEST_MAIN(TestWDGlyph)
#include "TestWDGlyph.moc"
