#include "ui/design/WDProgressBarGeometry.h"

#include <QtTest>

#include <limits>

class TestWDProgressBarGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fillIsClampedAndNeverNarrowerThanHigh_data();
    void fillIsClampedAndNeverNarrowerThanHigh();
};

void TestWDProgressBarGeometry::fillIsClampedAndNeverNarrowerThanHigh_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("fill");
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("empty") << 0.0 << 200.0 << 4.0 << 4.0;
    QTest::newRow("tiny") << 0.01 << 200.0 << 4.0 << 4.0;
    QTest::newRow("half") << 0.5 << 200.0 << 4.0 << 100.0;
    QTest::newRow("full") << 1.0 << 200.0 << 4.0 << 200.0;
    QTest::newRow("over") << 1.7 << 200.0 << 4.0 << 200.0;
    QTest::newRow("negative") << -0.3 << 200.0 << 4.0 << 4.0;
    QTest::newRow("not a number") << nan << 200.0 << 4.0 << 4.0;
    QTest::newRow("plus infinity") << infinity << 200.0 << 4.0 << 200.0;
    QTest::newRow("minus infinity") << -infinity << 200.0 << 4.0 << 4.0;
    QTest::newRow("not laid out yet") << 0.5 << 0.0 << 6.0 << 6.0;
    QTest::newRow("negative width") << 0.5 << -10.0 << 6.0 << 6.0;
}

void TestWDProgressBarGeometry::fillIsClampedAndNeverNarrowerThanHigh()
{
    QFETCH(double, value);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, fill);
    const double result = WDProgressBarGeometry::fillWidth(value, width, height);
    QVERIFY(std::isfinite(result));
    QCOMPARE(result, fill);
}

QTEST_GUILESS_MAIN(TestWDProgressBarGeometry)
#include "TestWDProgressBarGeometry.moc"
