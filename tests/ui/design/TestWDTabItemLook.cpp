#include "ui/design/WDTabItemLook.h"

#include <QFont>
#include <QtTest>

class TestWDTabItemLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lookPerState_data();
    void lookPerState();
};

void TestWDTabItemLook::lookPerState_data()
{
    const WDPalette &palette = WDPalette::purple();
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("indicator");
    const QColor clear(Qt::transparent);
    QTest::newRow("inactive") << false << false << palette.text << clear << int(QFont::Normal)
                              << false;
    QTest::newRow("inactive hovered")
        << false << true << palette.brand400 << palette.surfaceSoft << int(QFont::Normal) << false;
    QTest::newRow("active") << true << false << palette.brand500 << clear << int(QFont::DemiBold)
                            << true;
    QTest::newRow("active ignores hover")
        << true << true << palette.brand500 << clear << int(QFont::DemiBold) << true;
}

void TestWDTabItemLook::lookPerState()
{
    QFETCH(bool, active);
    QFETCH(bool, hovered);
    const WDTabItemLook look = WDTabItemLook::compute(active, hovered, WDPalette::purple());
    QTEST(look.foreground, "foreground");
    QTEST(look.background, "background");
    QTEST(look.labelWeight, "weight");
    QTEST(look.showsIndicator, "indicator");
}

QTEST_GUILESS_MAIN(TestWDTabItemLook)
#include "TestWDTabItemLook.moc"
