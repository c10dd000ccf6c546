#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

namespace {

const QByteArray scene = R"(
import QtQuick
import Zuvevivezid.Design

Item {
    width: 320
    height: 200
    WDGradientButton {
        objectName: "button"
        x: 20; y: 20; width: 200; buttonHeight: 40
        text: "Start"
    }
    Item {
        objectName: "row"
        x: 20; y: 100; width: 200; height: 40
        WDHoverCursor { objectName: "rowCursor" }
    }
}
)";

} // namespace

// The window shows the pointing hand exactly while the pointer is over an element that asks
// for it, including when that element goes away under a still pointer.
class TestWDHoverCursor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void handShownWhileOverAndGoneAfterLeaving();
    void handGoesWithAHoveredElementThatIsHidden();
    void handGoesWithAHoveredElementThatIsDestroyed();
    void handGoesWhenAHoveredElementIsDisabled();
    void plainHoverCursorReportsHovering();

private:
    Qt::CursorShape cursorShape() const { return m_view->cursor().shape(); }
    QQuickItem *item(const char *name) const
    {
        return m_view->rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
    }
    void moveTo(const QPoint &point) { QTest::mouseMove(m_view.get(), point); }

    std::unique_ptr<QQuickView> m_view;
};

void TestWDHoverCursor::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

void TestWDHoverCursor::init()
{
    m_view = std::make_unique<QQuickView>();
    QQmlComponent component(m_view->engine());
    component.setData(scene, QUrl::fromLocalFile(QStringLiteral("/virtual/HoverScene.qml")));
    QQuickItem *const root = qobject_cast<QQuickItem *>(component.create());
    QVERIFY2(root, qPrintable(component.errorString()));
    m_view->setContent(QUrl(), nullptr, root);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    moveTo(QPoint(300, 190));
}

void TestWDHoverCursor::cleanup()
{
    m_view.reset();
}

void TestWDHoverCursor::handShownWhileOverAndGoneAfterLeaving()
{
    QCOMPARE(cursorShape(), Qt::ArrowCursor);
    moveTo(QPoint(120, 40));
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
    QVERIFY(item("button")->property("isHovered").toBool());
    moveTo(QPoint(300, 190));
    QTRY_COMPARE(cursorShape(), Qt::ArrowCursor);
    QVERIFY(!item("button")->property("isHovered").toBool());
    // Entering and leaving again leaves nothing behind either.
    for (int i = 0; i < 3; ++i) {
        moveTo(QPoint(120, 40));
        moveTo(QPoint(120, 120));
    }
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
    moveTo(QPoint(300, 190));
    QTRY_COMPARE(cursorShape(), Qt::ArrowCursor);
}

void TestWDHoverCursor::handGoesWithAHoveredElementThatIsHidden()
{
    moveTo(QPoint(120, 40));
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
    item("button")->setVisible(false);
    QTRY_COMPARE(cursorShape(), Qt::ArrowCursor);
}

void TestWDHoverCursor::handGoesWithAHoveredElementThatIsDestroyed()
{
    moveTo(QPoint(120, 40));
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
    delete item("button");
    QTRY_COMPARE(cursorShape(), Qt::ArrowCursor);
    // The next element under the pointer still gets its own hand.
    moveTo(QPoint(120, 120));
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
}

void TestWDHoverCursor::handGoesWhenAHoveredElementIsDisabled()
{
    moveTo(QPoint(120, 40));
    QTRY_COMPARE(cursorShape(), Qt::PointingHandCursor);
    item("button")->setEnabled(false);
    QTRY_COMPARE(cursorShape(), Qt::ArrowCursor);
    QVERIFY(!item("button")->property("isHovered").toBool());
}

void TestWDHoverCursor::plainHoverCursorReportsHovering()
{
    QObject *const handler = item("row")->findChild<QObject *>(QStringLiteral("rowCursor"));
    QVERIFY(handler);
    moveTo(QPoint(120, 120));
    QTRY_VERIFY(handler->property("hovered").toBool());
    QCOMPARE(cursorShape(), Qt::PointingHandCursor);
    moveTo(QPoint(300, 190));
    QTRY_VERIFY(!handler->property("hovered").toBool());
}

QTEST_MAIN(TestWDHoverCursor)
#include "TestWDHoverCursor.moc"
