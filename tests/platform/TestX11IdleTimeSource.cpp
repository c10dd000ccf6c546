#include "platform/PlatformServices.h"
#include "platform/x11/X11IdleTimeSource.h"
#include "support/TestEnvironment.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"

#include <QtTest>

#include "XTestInjector.h"

class TestX11IdleTimeSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void systemIdleTimeGrowsWithoutInputAndResetsWithIt();
    void trackerStreamIdleTimeGrowsAndResetsOnlyWithCountedInput();
    void detectorFallsBackToTheSystemWhenTheTrackerStops();

private:
    std::unique_ptr<XTestInjector> m_input;
};

void TestX11IdleTimeSource::initTestCase()
{
    ZUV_REQUIRE_X11();
    m_input = std::make_unique<XTestInjector>();
    QVERIFY(m_input->isOpen());
}

void TestX11IdleTimeSource::systemIdleTimeGrowsWithoutInputAndResetsWithIt()
{
    X11IdleTimeSource source;
    m_input->keyTap();
    const std::optional<double> first = source.secondsSinceLastInput();
    QVERIFY(first.has_value());
    QVERIFY2(*first < 1.0, qPrintable(QString::number(*first)));
    QTest::qWait(1500);
    const std::optional<double> later = source.secondsSinceLastInput();
    QVERIFY(later.has_value());
    QVERIFY2(*later >= *first + 1.2, qPrintable(QString::number(*later)));

    m_input->moveBy(2, 2);
    const std::optional<double> afterInput = source.secondsSinceLastInput();
    QVERIFY(afterInput.has_value());
    QVERIFY2(*afterInput < 0.5, qPrintable(QString::number(*afterInput)));
}

void TestX11IdleTimeSource::trackerStreamIdleTimeGrowsAndResetsOnlyWithCountedInput()
{
    ActivityTracker tracker(PlatformServices::createInputEventSource());
    QVERIFY(tracker.start());
    m_input->keyTap();
    QTRY_VERIFY(tracker.latestInputAt().has_value());
    QTest::qWait(1200);
    const double before = tracker.secondsSinceLastInput().value_or(-1);
    QVERIFY2(before >= 1.0, qPrintable(QString::number(before)));

    // A click and a scroll are no input here, though the system counts them.
    m_input->click(1);
    m_input->click(4);
    QTest::qWait(300);
    QVERIFY(tracker.secondsSinceLastInput().value_or(-1) >= before);

    m_input->moveBy(3, -3);
    QTRY_VERIFY(tracker.secondsSinceLastInput().value_or(99) < 0.5);
}

void TestX11IdleTimeSource::detectorFallsBackToTheSystemWhenTheTrackerStops()
{
    ActivityTracker tracker(PlatformServices::createInputEventSource());
    X11IdleTimeSource systemIdle;
    IdleDetector detector(tracker, systemIdle);
    QVERIFY(tracker.start());
    m_input->keyTap();
    QTRY_VERIFY(tracker.latestInputAt().has_value());
    QTest::qWait(1100);
    // Clicks reset the system's idle time but not the tracker's.
    m_input->click(1);
    QVERIFY(detector.secondsSinceLastInput().value_or(-1) >= 1.0);

    tracker.stop();
    const double system = detector.secondsSinceLastInput().value_or(99);
    QVERIFY2(system < 0.5, qPrintable(QString::number(system)));
}

QTEST_GUILESS_MAIN(TestX11IdleTimeSource)
#include "TestX11IdleTimeSource.moc"
