#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

constexpr int viewWidth = 300;
constexpr int viewHeight = 400;

// The container in a window of its own, holding one block of the given height that fills the
// container's width and counts the clicks it gets.
struct Container
{
    explicit Container(int contentHeight, int margin = 0, bool controlDragsItself = false)
    {
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        QQmlComponent component(&engine);
        component.setData(
            QStringLiteral("import QtQuick\n"
                           "import Zuvevivezid.Root\n"
                           "DragScrollView {\n"
                           "    topMargin: %2\n"
                           "    bottomMargin: %2\n"
                           "    Rectangle {\n"
                           "        objectName: \"block\"\n"
                           "        width: parent.width\n"
                           "        height: %1\n"
                           "        color: \"steelblue\"\n"
                           "        property int clicks: 0\n"
                           "        MouseArea {\n"
                           "            anchors.fill: parent\n"
                           "            preventStealing: %3\n"
                           "            onClicked: ++parent.clicks\n"
                           "        }\n"
                           "    }\n"
                           "}\n")
                .arg(contentHeight)
                .arg(margin)
                .arg(controlDragsItself ? QStringLiteral("true") : QStringLiteral("false"))
                .toUtf8(),
            QUrl());
        if (component.isError())
            qWarning() << component.errors();
        scroller.reset(qobject_cast<QQuickItem *>(component.create()));
        if (!scroller)
            return;
        view.setContent(QUrl(), nullptr, scroller.get());
        view.resize(viewWidth, viewHeight);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }

    double offset() const { return scroller->property("contentY").toDouble(); }
    double maximumOffset() const
    {
        return std::max(0.0, scroller->property("contentHeight").toDouble() - scroller->height());
    }

    // Presses at the centre, moves the pointer by dy in small steps as a hand does, releases.
    void drag(int dx, int dy)
    {
        const QPoint from(viewWidth / 2, viewHeight / 2);
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        constexpr int steps = 20;
        for (int step = 1; step <= steps; ++step)
            QTest::mouseMove(&view, from + QPoint(dx * step / steps, dy * step / steps), 8);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from + QPoint(dx, dy), 8);
    }

    void wheel(int notches)
    {
        const QPoint at(viewWidth / 2, viewHeight / 2);
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &event);
    }

    QQmlEngine engine;
    QQuickView view{&engine, nullptr};
    std::unique_ptr<QQuickItem> scroller;
    bool exposed = false;
};

} // namespace

// The container of the report and settings tabs: dragging moves the content with the pointer
// and no further, never past either end; the wheel scrolls; the content is exactly as wide as
// the container.
class TestDragScrollView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void dragsFollowThePointerWithinTheEnds_data()
    {
        QTest::addColumn<int>("contentHeight");
        QTest::addColumn<int>("startOffset");
        QTest::addColumn<int>("dy");
        // -1: the maximum offset.
        QTest::addColumn<int>("expected");
        QTest::newRow("up by a part") << 1000 << 0 << -200 << 200;
        QTest::newRow("up past the end") << 1000 << 0 << -900 << -1;
        QTest::newRow("down past the start") << 1000 << 0 << 300 << 0;
        QTest::newRow("from a scrolled offset") << 1000 << 300 << -100 << 400;
        QTest::newRow("down from a scrolled offset") << 1000 << 300 << 150 << 150;
        QTest::newRow("short content, up") << 150 << 0 << -200 << 0;
        QTest::newRow("short content, down") << 150 << 0 << 200 << 0;
    }

    void dragsFollowThePointerWithinTheEnds()
    {
        QFETCH(int, contentHeight);
        QFETCH(int, startOffset);
        QFETCH(int, dy);
        QFETCH(int, expected);
        Container container(contentHeight);
        QVERIFY(container.exposed);
        container.scroller->setProperty("contentY", startOffset);

        container.drag(0, dy);
        const double wanted = expected < 0 ? container.maximumOffset() : expected;
        QCOMPARE(container.offset(), wanted);
        // No flick after the release.
        QTest::qWait(250);
        QCOMPARE(container.offset(), wanted);
    }

    void aPressThatIsNoDragReachesTheControl_data()
    {
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("clicks");
        QTest::newRow("still") << 0 << 1;
        QTest::newRow("a tremble") << -2 << 1;
        QTest::newRow("a drag") << -120 << 0;
    }

    void aPressThatIsNoDragReachesTheControl()
    {
        QFETCH(int, dy);
        QFETCH(int, clicks);
        Container container(1000);
        QVERIFY(container.exposed);
        container.drag(0, dy);
        auto *block = container.scroller->findChild<QQuickItem *>(QStringLiteral("block"));
        QCOMPARE(block->property("clicks").toInt(), clicks);
        QCOMPARE(container.offset(), clicks ? 0.0 : double(-dy));
    }

    // The padding around a tab's screen is part of the scrolled area: shown at first, and reached
    // again at both ends.
    void marginsBelongToBothEnds()
    {
        constexpr int margin = 12;
        Container container(1000, margin);
        QVERIFY(container.exposed);
        QCOMPARE(container.offset(), double(-margin));
        container.drag(0, -900);
        QCOMPARE(container.offset(), 1000.0 + margin - viewHeight);
        container.drag(0, 900);
        QCOMPARE(container.offset(), double(-margin));
    }

    void aControlThatDragsByItselfKeepsTheDrag()
    {
        Container container(1000, 0, true);
        QVERIFY(container.exposed);
        container.drag(0, -120);
        QCOMPARE(container.offset(), 0.0);
    }

    void neverScrollsSideways()
    {
        Container container(1000);
        QVERIFY(container.exposed);
        container.drag(-120, -100);
        QCOMPARE(container.scroller->property("contentX").toDouble(), 0.0);
        QCOMPARE(container.offset(), 100.0);
    }

    void theWheelScrollsWithinTheEnds()
    {
        Container container(1000);
        QVERIFY(container.exposed);
        container.wheel(-1);
        QTRY_VERIFY(container.offset() > 0.0);
        const double afterOne = container.offset();
        QVERIFY(afterOne < container.maximumOffset());
        for (int notch = 0; notch < 20; ++notch)
            container.wheel(-1);
        QTRY_COMPARE(container.offset(), container.maximumOffset());
        for (int notch = 0; notch < 30; ++notch)
            container.wheel(1);
        QTRY_COMPARE(container.offset(), 0.0);
    }

    void contentIsExactlyAsWideAsTheContainer()
    {
        Container container(1000);
        QVERIFY(container.exposed);
        auto *block = container.scroller->findChild<QQuickItem *>(QStringLiteral("block"));
        QVERIFY(block);
        QCOMPARE(block->width(), double(viewWidth));
        container.view.resize(viewWidth + 57, viewHeight);
        QTRY_COMPARE(block->width(), double(viewWidth + 57));
        QCOMPARE(container.scroller->property("contentWidth").toDouble(), double(viewWidth + 57));
    }
};

QTEST_MAIN(TestDragScrollView)
#include "TestDragScrollView.moc"
