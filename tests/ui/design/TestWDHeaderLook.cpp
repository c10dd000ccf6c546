#include "ui/design/WD.h"
#include "ui/design/WDHeaderLook.h"

#include <QtTest>

class TestWDHeaderLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dotPulsesOnlyWhileGlowing_data();
    void dotPulsesOnlyWhileGlowing();
    void pulseGoesDimAndBackEachCycle_data();
    void pulseGoesDimAndBackEachCycle();
    void pulseWakesOnlyForEachVisibleStep_data();
    void pulseWakesOnlyForEachVisibleStep();
    void windowButtonAndLogoReactToHover();
};

void TestWDHeaderLook::dotPulsesOnlyWhileGlowing_data()
{
    QTest::addColumn<bool>("glow");
    QTest::addColumn<double>("pulseLevel");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<double>("shadowRadius");
    QTest::newRow("steady") << false << 0.0 << 1.0 << 0.0;
    QTest::newRow("steady ignores a stale pulse") << false << 1.0 << 1.0 << 0.0;
    QTest::newRow("glow at full") << true << 0.0 << 1.0 << 4.0;
    QTest::newRow("glow half way") << true << 0.5 << 0.65 << 4.0;
    QTest::newRow("glow at dim end") << true << 1.0 << 0.3 << 4.0;
    QTest::newRow("glow past the end") << true << 3.0 << 0.3 << 4.0;
    QTest::newRow("glow with a broken level") << true << qQNaN() << 1.0 << 4.0;
}

void TestWDHeaderLook::dotPulsesOnlyWhileGlowing()
{
    QFETCH(bool, glow);
    QFETCH(double, pulseLevel);
    QFETCH(double, opacity);
    QFETCH(double, shadowRadius);
    WDHeaderLook::State state;
    state.statusColor = WD::success();
    state.glow = glow;
    state.pulseLevel = pulseLevel;
    const WDHeaderLook look = WDHeaderLook::compute(state, WDPalette::pink());
    QVERIFY(qAbs(look.dotOpacity - opacity) < 1e-9);
    QCOMPARE(look.dotShadowRadius, shadowRadius);
    if (glow) {
        QCOMPARE(look.dotShadowColor.rgb(), WD::success().rgb());
        QVERIFY(qAbs(look.dotShadowColor.alphaF() - 0.6) < 0.01);
    } else {
        QCOMPARE(look.dotShadowColor.alpha(), 0);
    }
}

void TestWDHeaderLook::pulseGoesDimAndBackEachCycle_data()
{
    QTest::addColumn<double>("elapsedMs");
    QTest::addColumn<double>("level");
    QTest::newRow("start") << 0.0 << 0.0;
    QTest::newRow("eased in") << 225.0 << 0.125;
    QTest::newRow("half way down") << 450.0 << 0.5;
    QTest::newRow("eased out") << 675.0 << 0.875;
    QTest::newRow("dim end") << 900.0 << 1.0;
    QTest::newRow("half way back") << 1350.0 << 0.5;
    QTest::newRow("full again") << 1800.0 << 0.0;
    QTest::newRow("second cycle") << 2250.0 << 0.5;
    QTest::newRow("after an hour") << 3'600'000.0 + 900.0 << 1.0;
    QTest::newRow("clock stepped back") << -300.0 << 0.0;
    QTest::newRow("broken clock") << qQNaN() << 0.0;
}

void TestWDHeaderLook::pulseGoesDimAndBackEachCycle()
{
    QFETCH(double, elapsedMs);
    QFETCH(double, level);
    QVERIFY2(qAbs(WDHeaderLook::pulseLevelAt(elapsedMs) - level) < 1e-9,
             qPrintable(QString::number(WDHeaderLook::pulseLevelAt(elapsedMs))));
}

void TestWDHeaderLook::pulseWakesOnlyForEachVisibleStep_data()
{
    QTest::addColumn<double>("fromMs");
    QTest::newRow("from the start") << 0.0;
    QTest::newRow("from mid leg") << 450.0;
    QTest::newRow("from the dim end") << 900.0;
    QTest::newRow("from just before a cycle ends") << 1799.5;
    QTest::newRow("after an hour") << 3'600'017.0;
}

// Following the delays from any moment over one cycle: each wake shows the next level, one step
// from the last, with none missed in between; a step is smaller than a tenth of a second's at the
// curve's steepest, as the dot looked when it was stepped at a fixed rate.
void TestWDHeaderLook::pulseWakesOnlyForEachVisibleStep()
{
    QFETCH(double, fromMs);
    const double step = 1.0 / WDHeaderLook::pulseStepsPerLeg;
    QVERIFY(step < WDHeaderLook::pulseLevelAt(500) - WDHeaderLook::pulseLevelAt(400));
    int wakes = 0;
    for (double now = fromMs; now < fromMs + 2 * WDHeaderLook::pulseLegMs; ++wakes) {
        const double shown = WDHeaderLook::shownPulseLevelAt(now);
        const int delay = WDHeaderLook::msUntilNextPulseStep(now);
        QVERIFY(delay >= 1);
        QCOMPARE(WDHeaderLook::shownPulseLevelAt(now + delay - 1), shown);
        now += delay;
        QVERIFY2(qAbs(qAbs(WDHeaderLook::shownPulseLevelAt(now) - shown) - step) < 1e-9,
                 qPrintable(QString::number(now)));
    }
    QVERIFY(qAbs(wakes - 2 * WDHeaderLook::pulseStepsPerLeg) <= 1);
}

void TestWDHeaderLook::windowButtonAndLogoReactToHover()
{
    const WDPalette &palette = WDPalette::brown();
    WDHeaderLook::State state;
    const WDHeaderLook rest = WDHeaderLook::compute(state, palette);
    QCOMPARE(rest.windowButtonForeground, palette.textMuted);
    QCOMPARE(rest.windowButtonBackground.alpha(), 0);
    QCOMPARE(rest.logoOpacity, 1.0);
    QCOMPARE(rest.logoScale, 1.0);

    state.windowButtonHovered = true;
    state.logoHovered = true;
    const WDHeaderLook hovered = WDHeaderLook::compute(state, palette);
    QCOMPARE(hovered.windowButtonForeground, palette.brand500);
    QCOMPARE(hovered.windowButtonBackground, palette.appBackground);
    QCOMPARE(hovered.logoOpacity, 0.7);
    QCOMPARE(hovered.logoScale, 1.05);
}

QTEST_GUILESS_MAIN(TestWDHeaderLook)
#include "TestWDHeaderLook.moc"
