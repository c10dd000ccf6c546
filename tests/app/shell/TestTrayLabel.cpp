#include "app/shell/MenuBarIcon.h"
#include "app/shell/PanelShade.h"
#include "app/shell/TrayLabel.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

// The tray's text and tint, and the tinted glyph they are drawn with.
class TestTrayLabel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        MenuBarIconDrawing::resetArtworkPath();
        MenuBarIconCache::shared().clear();
    }

    void elapsedText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << QString();
        QTest::newRow("under one second") << 0.9 << QString();
        QTest::newRow("negative") << -5.0 << QString();
        QTest::newRow("one second") << 1.0 << QStringLiteral("00:00:01");
        QTest::newRow("fraction truncated") << 59.9 << QStringLiteral("00:00:59");
        QTest::newRow("59 seconds") << 59.0 << QStringLiteral("00:00:59");
        QTest::newRow("3661") << 3661.0 << QStringLiteral("01:01:01");
        QTest::newRow("3725") << 3725.0 << QStringLiteral("01:02:05");
        QTest::newRow("hours not capped") << 360000.0 << QStringLiteral("100:00:00");
        // Values the engine never produces must not reach an undefined conversion.
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QString();
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << QString();
        QTest::newRow("beyond 64 bits")
            << 1e300 << QStringLiteral("2562047788015215:30:07"); // clamped to 2^63 - 1 seconds
    }

    void elapsedText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(TrayLabel::elapsedText(seconds), expected);
    }

    void panelText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("guide");
        QTest::newRow("none") << 0.5 << QString() << QString();
        QTest::newRow("under a minute")
            << 59.0 << QStringLiteral("00:00") << QStringLiteral("00:00");
        QTest::newRow("3725") << 3725.0 << QStringLiteral("01:02") << QStringLiteral("00:00");
        QTest::newRow("100 hours")
            << 360059.0 << QStringLiteral("100:00") << QStringLiteral("000:00");
    }

    void panelText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QFETCH(QString, guide);
        QCOMPARE(TrayLabel::panelText(seconds), text);
        QCOMPARE(TrayLabel::panelTextGuide(text), guide);
    }

    void panelShade_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("paletteDark");
        // Invalid where the window manager does not tell the bar's colour.
        QTest::addColumn<QColor>("bar");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("recolours");
        QTest::newRow("GNOME on a light theme")
            << QStringLiteral("GNOME") << false << QColor() << true << true;
        QTest::newRow("Ubuntu's GNOME")
            << QStringLiteral("ubuntu:GNOME") << false << QColor() << true << true;
        QTest::newRow("GNOME Classic")
            << QStringLiteral("GNOME-Classic:GNOME") << false << QColor() << false << true;
        QTest::newRow("sway") << QStringLiteral("sway") << false << QColor() << true << false;
        QTest::newRow("sway, named after another")
            << QStringLiteral("Sway:wlroots") << false << QColor() << true << false;
        QTest::newRow("sway, a light bar")
            << QStringLiteral("sway") << true << QColor(0xf2, 0xf2, 0xf2) << false << false;
        QTest::newRow("i3, a dark bar on a light desktop")
            << QStringLiteral("i3") << false << QColor(0x22, 0x22, 0x22) << true << true;
        QTest::newRow("KDE light") << QStringLiteral("KDE") << false << QColor() << false << true;
        QTest::newRow("XFCE dark") << QStringLiteral("XFCE") << true << QColor() << true << true;
        QTest::newRow("unknown") << QString() << false << QColor() << false << true;
    }

    void panelShade()
    {
        QFETCH(QString, desktop);
        QFETCH(bool, paletteDark);
        QFETCH(QColor, bar);
        QFETCH(bool, dark);
        QFETCH(bool, recolours);
        QCOMPARE(PanelShade::looksDark(desktop, paletteDark,
                                       bar.isValid() ? std::optional(bar) : std::nullopt),
                 dark);
        QCOMPARE(PanelShade::recoloursSymbolicIcons(desktop), recolours);
    }

    // Each size a panel may ask for is the glyph filling its square, not a shrunken picture.
    void trayGlyphsFillTheirSquares()
    {
        const QList<QImage> glyphs = MenuBarIconDrawing::trayGlyphs(MenuBarIconTint::MonoLight);
        QList<int> sizes;
        for (const QImage &glyph : glyphs) {
            sizes.append(glyph.width());
            QCOMPARE(glyph.height(), glyph.width());
            // The stopwatch's ring touches the bottom rows of the square.
            bool opaqueNearBottom = false;
            for (int x = 0; x < glyph.width(); ++x)
                opaqueNearBottom |= qAlpha(glyph.pixel(x, glyph.height() * 9 / 10)) > 128;
            QVERIFY(opaqueNearBottom);
        }
        QCOMPARE(sizes, (QList<int>{16, 22, 24, 32, 48}));
        MenuBarIconDrawing::setArtworkPath(QStringLiteral("/nonexistent.svg"));
        QVERIFY(MenuBarIconDrawing::trayGlyphs(MenuBarIconTint::MonoLight).isEmpty());
    }

    void wholeSecondsClamps()
    {
        QCOMPARE(TrayLabel::wholeSeconds(9.2233720368547758e18),
                 std::numeric_limits<qint64>::max());
        QCOMPARE(TrayLabel::wholeSeconds(-1e300), 0);
        QCOMPARE(TrayLabel::wholeSeconds(std::numeric_limits<double>::quiet_NaN()), 0);
        QCOMPARE(TrayLabel::wholeSeconds(4e18), static_cast<qint64>(4e18));
    }

    void iconTint_data()
    {
        QTest::addColumn<bool>("tracking");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<bool>("darkPanel");
        QTest::addColumn<QString>("tint");
        QTest::newRow("tracking") << true << false << false << false << "green";
        QTest::newRow("tracking, dark panel") << true << false << false << true << "green";
        QTest::newRow("paused, not idle") << true << true << false << false << "orange";
        QTest::newRow("idle, not paused") << true << false << true << false << "orange";
        QTest::newRow("paused and idle") << true << true << true << true << "orange";
        QTest::newRow("not tracking, light panel") << false << false << false << false << "black";
        QTest::newRow("not tracking, dark panel") << false << false << false << true << "white";
        QTest::newRow("stale flags ignored, light") << false << true << true << false << "black";
        QTest::newRow("stale flags ignored, dark") << false << true << true << true << "white";
    }

    void iconTint()
    {
        QFETCH(bool, tracking);
        QFETCH(bool, paused);
        QFETCH(bool, idle);
        QFETCH(bool, darkPanel);
        QFETCH(QString, tint);
        QCOMPARE(MenuBarIconTints::rawValue(TrayLabel::iconTint(tracking, paused, idle, darkPanel)),
                 tint);
    }

    void tintRawValues()
    {
        for (const MenuBarIconTint tint : MenuBarIconTints::all())
            QCOMPARE(MenuBarIconTints::fromRawValue(MenuBarIconTints::rawValue(tint)), tint);
        QCOMPARE(MenuBarIconTints::fromRawValue(QStringLiteral("Green")), std::nullopt);
        QCOMPARE(MenuBarIconTints::fromRawValue(QStringLiteral("GREEN")), std::nullopt);
        QCOMPARE(MenuBarIconTints::fromRawValue(QString()), std::nullopt);
    }

    void toolTipCarriesTheTotal()
    {
        QCOMPARE(TrayLabel::toolTip(0.5), QStringLiteral("Zudevav EvozUvarevu"));
        QVERIFY(TrayLabel::toolTip(3661.0).endsWith(QStringLiteral("01:01:01")));
    }

    void cacheKeys()
    {
        QCOMPARE(MenuBarIconCache::key(MenuBarIconTint::Tracking, 2.0),
                 QStringLiteral("green@2.0"));
        QCOMPARE(MenuBarIconCache::key(MenuBarIconTint::PausedOrIdle, 1.5),
                 QStringLiteral("orange@1.5"));
        QCOMPARE(MenuBarIconCache::key(MenuBarIconTint::MonoDark, 1.0),
                 QStringLiteral("black@1.0"));
    }

    void tintedTemplateHasTheGlyphsShapeInTheColour()
    {
        const std::optional<QImage> image = MenuBarIconDrawing::tintedTemplate(Qt::red, 64.0);
        QVERIFY(image.has_value());
        QCOMPARE(image->size(), QSize(64, 64));
        int opaque = 0;
        int transparent = 0;
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x) {
                const QColor pixel = image->pixelColor(x, y);
                if (pixel.alpha() == 255) {
                    ++opaque;
                    QCOMPARE(pixel.rgb(), QColor(Qt::red).rgb());
                } else if (pixel.alpha() == 0) {
                    ++transparent;
                }
            }
        }
        // A glyph, not a filled square and not nothing.
        QVERIFY2(opaque > 64 * 64 / 10, qPrintable(QString::number(opaque)));
        QVERIFY2(transparent > 64 * 64 / 4, qPrintable(QString::number(transparent)));
        // The corners lie outside the stopwatch.
        QCOMPARE(image->pixelColor(0, 63).alpha(), 0);
    }

    void cacheRendersOncePerTintAndScale()
    {
        MenuBarIconCache &cache = MenuBarIconCache::shared();
        QVERIFY(cache.image(MenuBarIconTint::Tracking, 2.0).has_value());
        QVERIFY(cache.image(MenuBarIconTint::Tracking, 2.0).has_value());
        QCOMPARE(cache.renderCount(), 1);
        const std::optional<QImage> atTwo = cache.image(MenuBarIconTint::Tracking, 2.0);
        QCOMPARE(atTwo->size(), QSize(40, 40));
        QCOMPARE(atTwo->devicePixelRatio(), 2.0);
        QVERIFY(cache.image(MenuBarIconTint::Tracking, 1.0).has_value());
        QVERIFY(cache.image(MenuBarIconTint::PausedOrIdle, 2.0).has_value());
        QCOMPARE(cache.renderCount(), 3);
    }

    void missingArtworkGivesNothingAndCachesNothing()
    {
        MenuBarIconDrawing::setArtworkPath(QStringLiteral(":/no/such/artwork.svg"));
        QCOMPARE(MenuBarIconDrawing::tintedTemplate(Qt::red, 64.0), std::nullopt);
        MenuBarIconCache &cache = MenuBarIconCache::shared();
        QCOMPARE(cache.image(MenuBarIconTint::Tracking, 2.0), std::nullopt);
        MenuBarIconDrawing::resetArtworkPath();
        // The next call tries again, and now succeeds.
        QVERIFY(cache.image(MenuBarIconTint::Tracking, 2.0).has_value());
        QCOMPARE(cache.renderCount(), 2);
    }

    void trayPictureWritesTheTotal()
    {
        const std::optional<QImage> plain =
            MenuBarIconDrawing::trayPicture(MenuBarIconTint::Tracking, QString(), 1.0);
        const std::optional<QImage> withText = MenuBarIconDrawing::trayPicture(
            MenuBarIconTint::Tracking, QStringLiteral("01:05:00"), 1.0);
        QVERIFY(plain && withText);
        // For a person to look at: build folder, rendered/tray/.
        const QString folder =
            qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath()) + "/rendered/tray";
        QDir().mkpath(folder);
        plain->save(folder + QStringLiteral("/tracking.png"));
        withText->save(folder + QStringLiteral("/tracking-with-total.png"));
        for (const MenuBarIconTint tint : MenuBarIconTints::all()) {
            MenuBarIconDrawing::trayPicture(tint, QStringLiteral("12:34:56"), 4.0)
                ->save(folder + QLatin1Char('/') + MenuBarIconTints::rawValue(tint) +
                       QStringLiteral("@4x.png"));
        }
        // The text takes a band under the glyph: something is drawn in the bottom quarter.
        bool drawnBelow = false;
        for (int y = withText->height() * 3 / 4; y < withText->height() && !drawnBelow; ++y)
            for (int x = 0; x < withText->width() && !drawnBelow; ++x)
                drawnBelow = withText->pixelColor(x, y).alpha() > 128;
        QVERIFY(drawnBelow);
    }
};

QTEST_MAIN(TestTrayLabel)
#include "TestTrayLabel.moc"
