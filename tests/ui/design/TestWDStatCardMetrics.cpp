#include "ui/design/WDStatCardMetrics.h"
#include "ui/design/WDStyle.h"

#include <QtTest>

class TestWDStatCardMetrics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void metricsPerLayout_data();
    void metricsPerLayout();
    void tooltipOnlyWhenGivenAndHovered();
    void iconCircleGlyphIsAShareOfTheDiameter();
};

void TestWDStatCardMetrics::metricsPerLayout_data()
{
    QTest::addColumn<bool>("compact");
    QTest::addColumn<QList<double>>("expected");
    // watermark, spacing, inset, disc, glyph, title, value, value inset
    QTest::newRow("compact") << true << QList<double>{34, 3, 8, 20, 10, 11, 15, 26};
    QTest::newRow("regular") << false << QList<double>{42, 4, 9, 22, 11, 12, 16, 28};
}

void TestWDStatCardMetrics::metricsPerLayout()
{
    QFETCH(bool, compact);
    QFETCH(QList<double>, expected);
    const WDStatCardMetrics m = WDStatCardMetrics::forLayout(compact);
    const QList<double> actual{m.watermarkSide,         m.textSpacing,      m.textInset,
                               m.iconDiscDiameter,      m.iconGlyphSide,    double(m.titleFontSize),
                               double(m.valueFontSize), m.valueLeadingInset};
    QCOMPARE(actual, expected);
    // What does not change with the layout.
    QCOMPARE(m.cornerRadius, 16.0);
    QCOMPARE(m.headerSpacing, 6.0);
    QCOMPARE(m.valueLeadingInset, m.iconDiscDiameter + m.headerSpacing);
}

void TestWDStatCardMetrics::tooltipOnlyWhenGivenAndHovered()
{
    QVERIFY(WDStatCardMetrics::showsTooltip(QStringLiteral("2 h 10 min"), true));
    QVERIFY(!WDStatCardMetrics::showsTooltip(QStringLiteral("2 h 10 min"), false));
    QVERIFY(!WDStatCardMetrics::showsTooltip(QString(), true));
}

void TestWDStatCardMetrics::iconCircleGlyphIsAShareOfTheDiameter()
{
    QCOMPARE(WDStyle::iconCircleGlyphSize(100), 41.0);
}

QTEST_GUILESS_MAIN(TestWDStatCardMetrics)
#include "TestWDStatCardMetrics.moc"
