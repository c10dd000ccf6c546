#include "ui/design/WDHeroCropGeometry.h"
#include "ui/design/WDPalette.h"

#include <QtTest>

class TestWDHeroCropGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placesTheImage_data();
    void placesTheImage();
    void characterStaysCentredAtEverySize_data();
    void characterStaysCentredAtEverySize();
    void degenerateSpecDrawsNothing();
};

void TestWDHeroCropGeometry::placesTheImage_data()
{
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("window");
    QTest::addColumn<double>("charX");
    QTest::addColumn<double>("topBias");
    QTest::addColumn<QRectF>("expected");
    const double wide = 2000.0 / 667.0;
    // Right half of the image, 15 % of the 100.1-point overflow cut at the top.
    QTest::newRow("worked example")
        << QSizeF(300, 100) << wide << 0.5 << 0.75 << 0.15 << QRectF(-300, -15.015, 600, 200.1);
    QTest::newRow("whole width, centred")
        << QSizeF(400, 100) << 2.0 << 1.0 << 0.5 << 0.0 << QRectF(0, 0, 400, 200);
    QTest::newRow("bottom aligned")
        << QSizeF(400, 100) << 2.0 << 1.0 << 0.5 << 1.0 << QRectF(0, -100, 400, 200);
    QTest::newRow("shorter than the view: grown to its height")
        << QSizeF(400, 300) << 2.0 << 1.0 << 0.5 << 1.0 << QRectF(-100, 0, 600, 300);
    QTest::newRow("centred overflow")
        << QSizeF(400, 100) << 2.0 << 1.0 << 0.5 << 0.5 << QRectF(0, -50, 400, 200);
    // Centred, the character would leave 12.8 points of the card bare at the right.
    QTest::newRow("popover login card: meets the right edge")
        << QSizeF(320, 140) << wide << 0.5 << 0.77 << 0.15
        << QRectF(-320, -0.15 * (640 / wide - 140), 640, 640 / wide);
}

void TestWDHeroCropGeometry::placesTheImage()
{
    QFETCH(QSizeF, view);
    QFETCH(double, aspect);
    QFETCH(double, window);
    QFETCH(double, charX);
    QFETCH(double, topBias);
    QFETCH(QRectF, expected);
    const QRectF rect = WDHeroCropGeometry::imageRect(view, aspect, window, charX, topBias);
    QVERIFY2(qAbs(rect.x() - expected.x()) < 1e-6, qPrintable(QString::number(rect.x())));
    QVERIFY2(qAbs(rect.y() - expected.y()) < 1e-6, qPrintable(QString::number(rect.y())));
    QVERIFY(qAbs(rect.width() - expected.width()) < 1e-6);
    QVERIFY(qAbs(rect.height() - expected.height()) < 1e-6);
}

void TestWDHeroCropGeometry::characterStaysCentredAtEverySize_data()
{
    QTest::addColumn<QSizeF>("view");
    QTest::newRow("popover") << QSizeF(340, 150);
    QTest::newRow("main window") << QSizeF(720, 220);
    QTest::newRow("narrow and tall") << QSizeF(200, 400);
    QTest::newRow("very wide") << QSizeF(1600, 120);
}

void TestWDHeroCropGeometry::characterStaysCentredAtEverySize()
{
    QFETCH(QSizeF, view);
    for (const WDPalette &palette : WDPalette::all()) {
        for (const WDBannerSpec &spec :
             {palette.loginBanner, palette.forgotBanner, palette.companyBanner}) {
            const QRectF rect = WDHeroCropGeometry::imageRect(view, spec);
            QVERIFY2(rect.left() <= 1e-6 && rect.right() >= view.width() - 1e-6 &&
                         rect.top() <= 1e-6 && rect.bottom() >= view.height() - 1e-6,
                     qPrintable(spec.imageName));
            // Centred, or held at the edge it would otherwise leave bare.
            const double characterX = rect.x() + spec.charCenterX * rect.width();
            QVERIFY(qAbs(characterX - view.width() / 2) < 1e-6 || qAbs(rect.left()) < 1e-6 ||
                    qAbs(rect.right() - view.width()) < 1e-6);
            QVERIFY(rect.width() >= view.width() / spec.window - 1e-6);
            QVERIFY(qAbs(rect.width() / rect.height() - spec.aspect) < 1e-9);
            // topBias shares the overflow: the view's top and bottom cut add up to it.
            const double overflow = rect.height() - view.height();
            QVERIFY(qAbs(-rect.y() - spec.topBias * overflow) < 1e-6);
        }
    }
}

void TestWDHeroCropGeometry::degenerateSpecDrawsNothing()
{
    QVERIFY(WDHeroCropGeometry::imageRect(QSizeF(300, 100), 3.0, 0.0, 0.5, 0.0).isNull());
    QVERIFY(WDHeroCropGeometry::imageRect(QSizeF(300, 100), 0.0, 0.5, 0.5, 0.0).isNull());
    QVERIFY(WDHeroCropGeometry::imageRect(QSizeF(300, 100), 3.0, -1.0, 0.5, 0.0).isNull());
    QVERIFY(WDHeroCropGeometry::imageRect(QSizeF(300, 100), qQNaN(), 0.5, 0.5, 0.0).isNull());
}

QTEST_GUILESS_MAIN(TestWDHeroCropGeometry)
#include "TestWDHeroCropGeometry.moc"
