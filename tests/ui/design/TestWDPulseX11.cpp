#include "ui/design/WDPulse.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

namespace {

const QByteArray scene = R"(
import QtQuick
import Zuvevivezid.Design

Rectangle {
    width: 120
    height: 60
    color: "#f6f6f6"
    Item {
        objectName: "holder"
        width: 60; height: 40
        WDPulse {
            objectName: "pulse"
            x: 16; y: 15; width: 8; height: 8
            Rectangle { objectName: "dot"; anchors.fill: parent; radius: 4; color: "#008000" }
        }
    }
}
)";

// The red of the dot's middle as the X server holds it, native windows over it included.
int redOnServer(QQuickView &view, int x = 20)
{
    return QColor(view.screen()->grabWindow(view.winId(), x, 19, 1, 1).toImage().pixel(0, 0)).red();
}

// Full opacity leaves no red of the #f6f6f6 behind; the dim end lets 70 % of it through.
constexpr int fullRed = 0;
constexpr int dimRed = 172;

} // namespace

// On a real X server the pulse shows its steps on a native window over the dot: the server's
// pixels follow the fade while the window's own scene is not repainted.
class TestWDPulseX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void stepsReachTheServerWithoutRepaintingTheWindow();
    void theSceneShowsTheStepsWhileSomethingLiesOver_data();
    void theSceneShowsTheStepsWhileSomethingLiesOver();
    void aNewAppearanceIsTakenAgain();
    void aDotMovedWithItsParentIsFollowed();

private:
    void startOnSurface();
    // The range of the dot's red over a whole fade and back, and the frames the window drew.
    std::pair<int, int> redRangeOverOnePulse(int *frames = nullptr, int x = 20);

    std::unique_ptr<QQuickView> m_view;
    WDPulse *m_pulse = nullptr;
};

void TestWDPulseX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

void TestWDPulseX11::init()
{
    m_view = std::make_unique<QQuickView>();
    QQmlComponent component(m_view->engine());
    component.setData(scene, QUrl::fromLocalFile(QStringLiteral("/virtual/PulseScene.qml")));
    QQuickItem *const root = qobject_cast<QQuickItem *>(component.create());
    QVERIFY2(root, qPrintable(component.errorString()));
    m_view->setContent(QUrl(), nullptr, root);
    m_pulse = root->findChild<WDPulse *>(QStringLiteral("pulse"));
    QVERIFY(m_pulse);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestWDPulseX11::cleanup()
{
    m_view.reset();
}

void TestWDPulseX11::startOnSurface()
{
    m_pulse->setRunning(true);
    QTRY_VERIFY(m_pulse->showsOnSurface());
}

std::pair<int, int> TestWDPulseX11::redRangeOverOnePulse(int *frames, int x)
{
    int drawn = 0;
    const auto counter = connect(m_view.get(), &QQuickWindow::frameSwapped, this, [&] { ++drawn; });
    int least = 255;
    int most = 0;
    QElapsedTimer sampling;
    sampling.start();
    while (sampling.elapsed() < 2200) {
        QTest::qWait(40);
        const int red = redOnServer(*m_view, x);
        least = std::min(least, red);
        most = std::max(most, red);
    }
    disconnect(counter);
    if (frames)
        *frames = drawn;
    return {least, most};
}

void TestWDPulseX11::stepsReachTheServerWithoutRepaintingTheWindow()
{
    startOnSurface();
    int frames = -1;
    const auto [least, most] = redRangeOverOnePulse(&frames);
    QVERIFY2(least <= fullRed + 8, qPrintable(QString::number(least)));
    QVERIFY2(most >= dimRed - 12, qPrintable(QString::number(most)));
    QCOMPARE(frames, 0);
    QCOMPARE(m_pulse->opacity(), 1.0);

    // Stopping shows the dot at full opacity at once, from the scene again.
    m_pulse->setRunning(false);
    QVERIFY(!m_pulse->showsOnSurface());
    QTRY_VERIFY(redOnServer(*m_view) <= fullRed + 8);
    QTest::qWait(300);
    QVERIFY(!m_pulse->showsOnSurface());
    QVERIFY(redOnServer(*m_view) <= fullRed + 8);
}

void TestWDPulseX11::theSceneShowsTheStepsWhileSomethingLiesOver_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::newRow("covered by a popup") << QByteArray("covered");
    QTest::newRow("hidden item") << QByteArray("hidden");
}

// While something of the scene lies over the dot, or the dot is hidden, the native window
// would show a dot that the scene does not: it goes, and comes back once the change is undone.
void TestWDPulseX11::theSceneShowsTheStepsWhileSomethingLiesOver()
{
    QFETCH(QByteArray, change);
    startOnSurface();
    const auto apply = [&](bool on) {
        if (change == "covered")
            m_pulse->setCovered(on);
        else
            m_pulse->setVisible(!on);
    };

    apply(true);
    QVERIFY(!m_pulse->showsOnSurface());
    int frames = 0;
    const auto [least, most] = redRangeOverOnePulse(&frames);
    QVERIFY(!m_pulse->showsOnSurface());
    if (change == "covered") {
        QVERIFY2(most >= dimRed - 12, qPrintable(QString::number(most)));
        QVERIFY(frames > 0);
    } else {
        QCOMPARE(least, 246);
    }

    apply(false);
    QTRY_VERIFY(m_pulse->showsOnSurface());
    const auto [leastAfter, mostAfter] = redRangeOverOnePulse();
    QVERIFY(leastAfter <= fullRed + 8);
    QVERIFY(mostAfter >= dimRed - 12);
}

void TestWDPulseX11::aNewAppearanceIsTakenAgain()
{
    startOnSurface();
    auto *const dot = m_pulse->findChild<QQuickItem *>(QStringLiteral("dot"));
    QVERIFY(dot);
    dot->setProperty("color", QColor(0xff, 0, 0));
    m_pulse->setAppearance(QStringLiteral("red"));
    QTRY_VERIFY(m_pulse->showsOnSurface());
    // Red at full opacity over the light grey: the red stays full whatever the step.
    const auto [least, most] = redRangeOverOnePulse();
    QVERIFY2(least >= 240, qPrintable(QString::number(least)));
    Q_UNUSED(most);
}

// A layout that moves an ancestor changes nothing of the item's own geometry.
void TestWDPulseX11::aDotMovedWithItsParentIsFollowed()
{
    startOnSurface();
    auto *const holder = m_view->rootObject()->findChild<QQuickItem *>(QStringLiteral("holder"));
    QVERIFY(holder);
    holder->setX(40);
    QTRY_VERIFY(m_pulse->showsOnSurface() && redOnServer(*m_view) == 246);
    const auto [least, most] = redRangeOverOnePulse(nullptr, 60);
    QVERIFY2(least <= fullRed + 8 && most >= dimRed - 12,
             qPrintable(QStringLiteral("%1 %2").arg(least).arg(most)));
    QCOMPARE(redOnServer(*m_view), 246);
}

QTEST_MAIN(TestWDPulseX11)
#include "TestWDPulseX11.moc"
