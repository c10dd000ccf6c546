#include "ui/design/WD.h"
#include "ui/design/WDButtonLook.h"
#include "ui/design/WDButtonStyle.h"
#include "ui/design/WDColorMath.h"

#include <QtTest>

using WDButtonKind::Kind;

namespace {

WDButtonLook::State state(bool hovered, bool pressed, bool enabled = true)
{
    WDButtonLook::State s;
    s.hovered = hovered;
    s.pressed = pressed;
    s.enabled = enabled;
    return s;
}

WDButtonLook look(Kind kind, const WDButtonLook::State &s,
                  const WDPalette &palette = WDPalette::pink())
{
    return WDButtonLook::compute(kind, s, palette);
}

QColor darker(const QColor &colour, double amount)
{
    return WDColorMath::brightened(colour, -amount);
}

} // namespace

class TestWDButtonLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gradientPressWinsOverHover_data();
    void gradientPressWinsOverHover();
    void outlinePressedWhileHoveredKeepsSoftFill();
    void chipBorderTakesTintUnlessGiven();
    void filledChipDarkensOnHoverOutlinedNever();
    void softSquareFillsWhilePressedWithoutHover();
    void softCapsuleScalesWithoutAnimation();
    void linkFollowsTheLayout_data();
    void linkFollowsTheLayout();
    void pillSegmentActiveIgnoresHover();
    void onGradientChipGrowsAndShades();
    void gradientPillDarkens();
    void disabledButtonShowsNeitherHoverNorPress_data();
    void disabledButtonShowsNeitherHoverNorPress();
    void hitAreaFollowsTheShape_data();
    void hitAreaFollowsTheShape();
    void styleObjectRedrawsInTheNewPalette();
};

void TestWDButtonLook::gradientPressWinsOverHover_data()
{
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<double>("brightness");
    QTest::addColumn<double>("scale");
    QTest::newRow("rest") << false << false << 0.0 << 1.0;
    QTest::newRow("hovered") << true << false << -0.05 << 1.0;
    QTest::newRow("pressed") << false << true << -0.08 << 0.98;
    QTest::newRow("hovered and pressed") << true << true << -0.08 << 0.98;
}

void TestWDButtonLook::gradientPressWinsOverHover()
{
    QFETCH(bool, hovered);
    QFETCH(bool, pressed);
    QFETCH(double, brightness);
    QFETCH(double, scale);
    const WDPalette &pink = WDPalette::pink();
    const WDButtonLook l = look(Kind::Gradient, state(hovered, pressed));
    QCOMPARE(l.brightness, brightness);
    QCOMPARE(l.scale, scale);
    QVERIFY(l.gradient);
    QVERIFY(l.heightFromCaller);
    QVERIFY(l.fullWidth);
    QCOMPARE(l.cornerRadius, 12.0);
    QCOMPARE(l.fontPixelSize, 14);
    QCOMPARE(l.gradientStart, darker(pink.gradientStops[0].color, -brightness));
    QCOMPARE(l.gradientEnd, darker(pink.gradientStops[2].color, -brightness));
    QCOMPARE(l.textColor, darker(Qt::white, -brightness));
    QCOMPARE(l.animationMs, 120.0);
}

void TestWDButtonLook::outlinePressedWhileHoveredKeepsSoftFill()
{
    const WDPalette &pink = WDPalette::pink();
    const WDButtonLook rest = look(Kind::Outline, state(false, false));
    QCOMPARE(rest.fill, pink.surface);
    QCOMPARE(rest.borderColor, pink.brand500);
    QCOMPARE(rest.borderWidth, 1.5);
    QCOMPARE(rest.textColor, pink.brand500);
    const WDButtonLook both = look(Kind::Outline, state(true, true));
    QCOMPARE(both.fill, pink.surfaceSoft);
    QCOMPARE(both.opacity, 0.75);
    QCOMPARE(both.scale, 0.98);
    QCOMPARE(both.brightness, 0.0);
}

void TestWDButtonLook::chipBorderTakesTintUnlessGiven()
{
    WDButtonLook::State s = state(false, false);
    s.tint = QColor(0x10, 0x80, 0x20);
    QCOMPARE(look(Kind::Chip, s).borderColor, WDColorMath::withOpacity(s.tint, 0.7));
    s.borderTint = QColor(0x90, 0x90, 0x90);
    QCOMPARE(look(Kind::Chip, s).borderColor, WDColorMath::withOpacity(s.borderTint, 0.7));
    s.hovered = true;
    const WDButtonLook hovered = look(Kind::Chip, s);
    QCOMPARE(hovered.borderColor, WDColorMath::withOpacity(s.borderTint, 1.0));
    QCOMPARE(hovered.fill, WDColorMath::withOpacity(s.tint, 0.08));
    QCOMPARE(hovered.textColor, s.tint);
}

void TestWDButtonLook::filledChipDarkensOnHoverOutlinedNever()
{
    WDButtonLook::State s = state(false, false);
    s.tint = WD::warning();
    s.filled = true;
    const WDButtonLook rest = look(Kind::Chip, s);
    QCOMPARE(rest.fill, s.tint);
    QCOMPARE(rest.textColor, QColor(Qt::white));
    QCOMPARE(rest.borderColor.alpha(), 0);
    s.hovered = true;
    const WDButtonLook hovered = look(Kind::Chip, s);
    QCOMPARE(hovered.brightness, -0.08);
    QCOMPARE(hovered.fill, darker(s.tint, 0.08));
    s.pressed = true;
    QCOMPARE(look(Kind::Chip, s).opacity, 0.7);

    s.filled = false;
    for (const bool pressed : {false, true}) {
        s.pressed = pressed;
        QCOMPARE(look(Kind::Chip, s).brightness, 0.0);
    }
}

void TestWDButtonLook::softSquareFillsWhilePressedWithoutHover()
{
    const WDPalette &pink = WDPalette::pink();
    QCOMPARE(look(Kind::SoftSquare, state(false, false)).fill, pink.surface);
    const WDButtonLook pressed = look(Kind::SoftSquare, state(false, true));
    QCOMPARE(pressed.fill, pink.surfaceSoft);
    QCOMPARE(pressed.scale, 1.0);
    QCOMPARE(pressed.fixedWidth, 30.0);
    QCOMPARE(pressed.fixedHeight, 27.0);
    QCOMPARE(pressed.borderColor, pink.border);
    QCOMPARE(pressed.animationMs, 0.0);
}

void TestWDButtonLook::softCapsuleScalesWithoutAnimation()
{
    const WDPalette &pink = WDPalette::pink();
    const WDButtonLook hovered = look(Kind::SoftCapsule, state(true, false));
    QCOMPARE(hovered.scale, 1.03);
    QCOMPARE(hovered.fill, pink.border);
    QCOMPARE(hovered.textColor, pink.brand500);
    QCOMPARE(look(Kind::SoftCapsule, state(true, true)).scale, 0.96);
    const WDButtonLook rest = look(Kind::SoftCapsule, state(false, false));
    QCOMPARE(rest.fill, pink.appBackground);
    QCOMPARE(rest.textColor, pink.textStrong);
    QCOMPARE(rest.animationMs, 0.0);
    QVERIFY(rest.capsule);
}

void TestWDButtonLook::linkFollowsTheLayout_data()
{
    QTest::addColumn<bool>("compact");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<double>("horizontalPadding");
    QTest::newRow("popover") << true << 10 << 3.0;
    QTest::newRow("main window") << false << 12 << 6.0;
}

void TestWDButtonLook::linkFollowsTheLayout()
{
    QFETCH(bool, compact);
    QFETCH(int, fontSize);
    QFETCH(double, horizontalPadding);
    WDButtonLook::State s = state(false, false);
    s.compact = compact;
    s.tint = WD::info();
    const WDButtonLook rest = look(Kind::Link, s);
    QCOMPARE(rest.fontPixelSize, fontSize);
    QCOMPARE(rest.paddingHorizontal, horizontalPadding);
    QCOMPARE(rest.paddingVertical, 3.0);
    QCOMPARE(rest.maximumLineCount, 1);
    QCOMPARE(rest.fill.alpha(), 0);
    s.hovered = true;
    s.pressed = true;
    const WDButtonLook active = look(Kind::Link, s);
    QCOMPARE(active.fill, WDColorMath::withOpacity(s.tint, 0.1));
    QCOMPARE(active.opacity, 0.6);
}

void TestWDButtonLook::pillSegmentActiveIgnoresHover()
{
    const WDPalette &pink = WDPalette::pink();
    WDButtonLook::State s = state(false, false);
    const WDButtonLook idle = look(Kind::PillSegment, s);
    QCOMPARE(idle.fill.alpha(), 0);
    QCOMPARE(idle.textColor, pink.text);
    s.hovered = true;
    QCOMPARE(look(Kind::PillSegment, s).fill, pink.appBackground);
    s.active = true;
    const WDButtonLook activeHovered = look(Kind::PillSegment, s);
    s.hovered = false;
    s.pressed = true;
    QCOMPARE(activeHovered, look(Kind::PillSegment, s));
    QVERIFY(activeHovered.gradient);
    QCOMPARE(activeHovered.textColor, QColor(Qt::white));
}

void TestWDButtonLook::onGradientChipGrowsAndShades()
{
    const WDButtonLook rest = look(Kind::OnGradientChip, state(false, false));
    QCOMPARE(rest.fill, QColor(Qt::white));
    QCOMPARE(rest.shadowColor, WDColorMath::withOpacity(Qt::black, 0.15));
    QCOMPARE(rest.shadowRadius, 4.0);
    QCOMPARE(rest.shadowOffsetY, 2.0);
    const WDButtonLook hovered = look(Kind::OnGradientChip, state(true, false));
    QCOMPARE(hovered.scale, 1.04);
    QCOMPARE(hovered.fill, WDPalette::pink().surfaceSoft);
    QCOMPARE(look(Kind::OnGradientChip, state(true, true)).scale, 0.96);
}

void TestWDButtonLook::gradientPillDarkens()
{
    QCOMPARE(look(Kind::GradientPill, state(true, false)).brightness, -0.06);
    QCOMPARE(look(Kind::GradientPill, state(true, true)).brightness, -0.10);
    QCOMPARE(look(Kind::GradientPill, state(false, false)).brightness, 0.0);
}

void TestWDButtonLook::disabledButtonShowsNeitherHoverNorPress_data()
{
    QTest::addColumn<Kind>("kind");
    for (const Kind kind :
         {Kind::Gradient, Kind::Outline, Kind::SoftSquare, Kind::SoftCapsule, Kind::GradientPill,
          Kind::Chip, Kind::OnGradientChip, Kind::Link, Kind::PillSegment})
        QTest::newRow(QMetaEnum::fromType<Kind>().valueToKey(static_cast<int>(kind))) << kind;
}

void TestWDButtonLook::disabledButtonShowsNeitherHoverNorPress()
{
    QFETCH(Kind, kind);
    WDButtonLook::State rest = state(false, false);
    rest.tint = WD::info();
    WDButtonLook::State disabled = state(true, true, false);
    disabled.tint = WD::info();
    QCOMPARE(look(kind, disabled), look(kind, rest));
}

void TestWDButtonLook::hitAreaFollowsTheShape_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("capsule");
    QTest::addColumn<double>("radius");
    QTest::newRow("gradient") << Kind::Gradient << false << 12.0;
    QTest::newRow("outline") << Kind::Outline << false << 12.0;
    QTest::newRow("soft square") << Kind::SoftSquare << false << 0.0;
    QTest::newRow("soft capsule") << Kind::SoftCapsule << false << 0.0;
    QTest::newRow("gradient pill") << Kind::GradientPill << true << 0.0;
    QTest::newRow("chip") << Kind::Chip << false << 0.0;
    QTest::newRow("on-gradient chip") << Kind::OnGradientChip << true << 0.0;
    QTest::newRow("link") << Kind::Link << false << 0.0;
    QTest::newRow("segment") << Kind::PillSegment << true << 0.0;
}

void TestWDButtonLook::hitAreaFollowsTheShape()
{
    QFETCH(Kind, kind);
    const WDButtonLook l = look(kind, state(false, false));
    QTEST(l.hitCapsule, "capsule");
    QTEST(l.hitCornerRadius, "radius");
}

void TestWDButtonLook::styleObjectRedrawsInTheNewPalette()
{
    WD::setPalette(WDPalette::pink());
    WDButtonStyle style;
    style.setKind(Kind::Gradient);
    QSignalSpy changed(&style, &WDButtonStyle::lookChanged);
    QCOMPARE(style.look().gradientStart, WDPalette::pink().brand500);
    WD::setPalette(WDPalette::teal());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(style.look().gradientStart, WDPalette::teal().brand500);
    style.setHovered(true);
    style.setHovered(true);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(style.look().brightness, -0.05);
    WD::setPalette(WDPalette::pink());
}

QTEST_GUILESS_MAIN(TestWDButtonLook)
#include "TestWDButtonLook.moc"
