#include "app/shell/PopoverPlacement.h"

#include <QTest>

// Where the popover opens relative to the tray icon or the pointer.
class TestPopoverPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void topLeft_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QPoint>("expected");
        const QPoint nowhere(-1, -1);
        // Screen 1920x1080 with a 28-pixel top panel: available area starts at y 28. A 25-pixel
        // icon at x 1000 has its centre column at 1012.
        QTest::newRow("icon in a top panel, centred under it")
            << QRect(1000, 2, 25, 25) << nowhere << QPoint(1012 - 170, 27 + 4);
        QTest::newRow("icon at the right edge stays on screen")
            << QRect(1890, 2, 25, 25) << nowhere << QPoint(1920 - 340, 27 + 4);
        QTest::newRow("icon in a bottom panel opens upwards")
            << QRect(500, 1054, 25, 25) << nowhere << QPoint(512 - 170, 1054 - 4 - 480);
        QTest::newRow("no icon geometry: under the pointer in the upper half")
            << QRect() << QPoint(300, 500) << QPoint(130, 501 + 4);
        QTest::newRow("no icon geometry: over the pointer in the lower half")
            << QRect() << QPoint(300, 900) << QPoint(130, 900 - 4 - 480);
        QTest::newRow("pointer near the top left corner")
            << QRect() << QPoint(5, 40) << QPoint(0, 45);
    }

    void topLeft()
    {
        QFETCH(QRect, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QPoint, expected);
        const QRect available(0, 28, 1920, 1052);
        QCOMPARE(PopoverPlacement::topLeft(icon, cursor, available, QSize(340, 480)), expected);
    }

    void popoverTallerThanTheScreenStartsAtItsTop()
    {
        const QRect available(0, 0, 800, 400);
        QCOMPARE(PopoverPlacement::topLeft(QRect(100, 380, 20, 20), QPoint(), available,
                                           QSize(340, 480)),
                 QPoint(0, 0));
    }
};

QTEST_APPLESS_MAIN(TestPopoverPlacement)
#include "TestPopoverPlacement.moc"
