#include "ui/design/WDColorMath.h"
#include "ui/design/WDShapeMask.h"

#include <QtTest>

// The hit shape of rounded buttons, and the colour arithmetic behind their state effects.
class TestWDShapeMask : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundedCornersAreOutside_data();
    void roundedCornersAreOutside();
    void brightnessShiftsAndClamps();
};

void TestWDShapeMask::roundedCornersAreOutside_data()
{
    QTest::addColumn<double>("radius");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("inside");
    QTest::newRow("centre") << 12.0 << QPointF(50, 20) << true;
    QTest::newRow("corner tip") << 12.0 << QPointF(1, 1) << false;
    QTest::newRow("inside the corner arc") << 12.0 << QPointF(5, 5) << true;
    QTest::newRow("edge middle") << 12.0 << QPointF(0, 20) << true;
    QTest::newRow("left of it") << 12.0 << QPointF(-1, 20) << false;
    QTest::newRow("below it") << 12.0 << QPointF(50, 41) << false;
    QTest::newRow("square corner") << 0.0 << QPointF(0, 0) << true;
    QTest::newRow("capsule end") << 20.0 << QPointF(2, 4) << false;
    QTest::newRow("capsule, radius past half") << 500.0 << QPointF(20, 20) << true;
    QTest::newRow("not a number") << 12.0 << QPointF(qQNaN(), 10) << false;
}

void TestWDShapeMask::roundedCornersAreOutside()
{
    QFETCH(double, radius);
    QFETCH(QPointF, point);
    WDShapeMask mask;
    mask.setProperty("width", 100.0);
    mask.setProperty("height", 40.0);
    mask.setProperty("radius", radius);
    QTEST(mask.contains(point), "inside");
}

void TestWDShapeMask::brightnessShiftsAndClamps()
{
    const QColor darker = WDColorMath::brightened(QColor(255, 255, 255), -0.08);
    QCOMPARE(darker.red(), qRound(255 * 0.92));
    QCOMPARE(WDColorMath::brightened(QColor(10, 250, 128), 0.2), QColor(61, 255, 179));
    QCOMPARE(WDColorMath::brightened(QColor(5, 5, 5), -0.5), QColor(0, 0, 0));
    QColor halfClear(200, 100, 50, 128);
    QCOMPARE(WDColorMath::brightened(halfClear, -0.1).alpha(), 128);
    QCOMPARE(WDColorMath::withOpacity(QColor(1, 2, 3), 0.5).alpha(), 128);
    QCOMPARE(WDColorMath::withOpacity(QColor(1, 2, 3), 7).alpha(), 255);
}

QTEST_GUILESS_MAIN(TestWDShapeMask)
#include "TestWDShapeMask.moc"
