#include "ui/design/WD.h"
#include "ui/design/WDPalette.h"

#include <QSet>
#include <QtTest>

class TestWDPalette : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void allListsTheSevenInSwatchOrder();
    void byIDMatchesWholeIdentifierExactly_data();
    void byIDMatchesWholeIdentifierExactly();
    void everyPaletteIsCompleteAndOpaque();
    void palettesAreDistinct();
    void onlyBlackIsDarkAndOnlyPinkHasActiveHero();
    void gradientStopsFollowTheBrand();
    void bannersCarryTheirSuffixAndCrop_data();
    void bannersCarryTheirSuffixAndCrop();
    void everyNamedBannerHasArtwork();
    void spotColoursOfTheTable_data();
    void spotColoursOfTheTable();
    void semanticColoursAreFixed();
    void currentPaletteStartsPinkAndAnnouncesChanges();
};

void TestWDPalette::allListsTheSevenInSwatchOrder()
{
    const QList<WDPalette> &all = WDPalette::all();
    QStringList ids;
    for (const WDPalette &palette : all)
        ids << palette.id;
    QCOMPARE(ids, QStringList({"pink", "purple", "orange", "teal", "blue", "black", "brown"}));
    QCOMPARE(all.first(), WDPalette::pink());
    QCOMPARE(all.at(5), WDPalette::black());
}

void TestWDPalette::byIDMatchesWholeIdentifierExactly_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << "pink";
    QTest::newRow("capitalised") << "Blue"
                                 << "pink";
    QTest::newRow("unknown") << "green"
                             << "pink";
    QTest::newRow("padded") << " blue"
                            << "pink";
    QTest::newRow("prefix") << "blu"
                            << "pink";
    QTest::newRow("blue") << "blue"
                          << "blue";
    QTest::newRow("black") << "black"
                           << "black";
    QTest::newRow("brown") << "brown"
                           << "brown";
}

void TestWDPalette::byIDMatchesWholeIdentifierExactly()
{
    QFETCH(QString, id);
    QFETCH(QString, expected);
    QCOMPARE(WDPalette::byID(id).id, expected);
}

void TestWDPalette::everyPaletteIsCompleteAndOpaque()
{
    for (const WDPalette &palette : WDPalette::all()) {
        QCOMPARE(palette.id, palette.displayName.toLower());
        QCOMPARE(WDPalette::byID(palette.id), palette);
        const QList<QColor> colours{palette.brand700, palette.brand600,      palette.brand500,
                                    palette.brand400, palette.appBackground, palette.surfaceSoft,
                                    palette.border,   palette.surface,       palette.textStrong,
                                    palette.text,     palette.textMuted,     palette.danger};
        for (const QColor &colour : colours) {
            QVERIFY2(colour.isValid(), qPrintable(palette.id));
            QCOMPARE(colour.alpha(), 255);
        }
        QVERIFY(!palette.trackerBanner.isEmpty());
        QVERIFY(palette.trackerAspect > 1.0);
    }
}

void TestWDPalette::palettesAreDistinct()
{
    QSet<QString> ids;
    QSet<QRgb> brandShades;
    const QList<WDPalette> &all = WDPalette::all();
    for (qsizetype i = 0; i < all.size(); ++i) {
        ids.insert(all[i].id);
        brandShades.insert(all[i].brand500.rgb());
        for (qsizetype j = i + 1; j < all.size(); ++j)
            QVERIFY(!(all[i] == all[j]));
    }
    QCOMPARE(ids.size(), 7);
    QCOMPARE(brandShades.size(), 7);
}

void TestWDPalette::onlyBlackIsDarkAndOnlyPinkHasActiveHero()
{
    for (const WDPalette &palette : WDPalette::all()) {
        const bool isBlack = palette.id == QLatin1String("black");
        const bool isPink = palette.id == QLatin1String("pink");
        QCOMPARE(palette.isDark, isBlack);
        QCOMPARE(palette.idleHeroTextLight, isBlack);
        QCOMPARE(palette.activeHeroImage.has_value(), isPink);
    }
    QCOMPARE(WDPalette::pink().activeHeroImage.value(), QStringLiteral("TrackerActiveHero"));
    QCOMPARE(WDPalette::teal().activeHeroImageOrEmpty(), QString());
}

void TestWDPalette::gradientStopsFollowTheBrand()
{
    for (const WDPalette &palette : WDPalette::all()) {
        QCOMPARE(palette.gradientStops.size(), 3);
        QCOMPARE(palette.gradientStops[0].location, 0.0);
        QCOMPARE(palette.gradientStops[1].location, 0.55);
        QCOMPARE(palette.gradientStops[2].location, 1.0);
        if (palette.id != QLatin1String("black"))
            QCOMPARE(palette.gradientStops[0].color, palette.brand500);
        QCOMPARE(palette.gradientStopList().size(), 3);
    }
    QCOMPARE(WDPalette::blue().gradientStops[2].color, WDPalette::blue().brand400);
    QCOMPARE(WDPalette::black().gradientStops[0].color, QColor(0x3E, 0x3E, 0x46));
}

void TestWDPalette::bannersCarryTheirSuffixAndCrop_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<double>("trackerCharX");
    QTest::addColumn<double>("loginCharX");
    QTest::addColumn<double>("forgotAspect");
    QTest::addColumn<double>("forgotWindow");
    QTest::addColumn<double>("forgotTopBias");
    const double wide = 2000.0 / 667.0;
    const double squarer = 1916.0 / 821.0;
    QTest::newRow("pink") << "pink"
                          << "" << 0.75 << 0.75 << squarer << 0.58 << 0.2;
    for (const char *id : {"purple", "orange", "teal", "blue", "black", "brown"}) {
        const QString name = QString::fromLatin1(id);
        const QString suffix = QLatin1Char('-') + name.left(1).toUpper() + name.mid(1);
        QTest::newRow(id) << name << suffix << 0.78 << 0.77 << wide << 0.5 << 0.15;
    }
}

void TestWDPalette::bannersCarryTheirSuffixAndCrop()
{
    QFETCH(QString, id);
    QFETCH(QString, suffix);
    QFETCH(double, trackerCharX);
    QFETCH(double, loginCharX);
    QFETCH(double, forgotAspect);
    QFETCH(double, forgotWindow);
    QFETCH(double, forgotTopBias);
    const WDPalette palette = WDPalette::byID(id);
    QCOMPARE(palette.trackerBanner, "TrackerHeroBanner" + suffix);
    QCOMPARE(palette.trackerAspect, 2.998500749625187);
    QCOMPARE(palette.trackerCharX, trackerCharX);
    QCOMPARE(palette.loginBanner.imageName, "LoginHeroBanner" + suffix);
    QCOMPARE(palette.loginBanner.aspect, 2000.0 / 667.0);
    QCOMPARE(palette.loginBanner.window, 0.5);
    QCOMPARE(palette.loginBanner.charCenterX, loginCharX);
    QCOMPARE(palette.loginBanner.topBias, 0.15);
    QCOMPARE(palette.forgotBanner.imageName, "ForgotHeroBanner" + suffix);
    QCOMPARE(palette.forgotBanner.aspect, forgotAspect);
    QCOMPARE(palette.forgotBanner.window, forgotWindow);
    QCOMPARE(palette.forgotBanner.topBias, forgotTopBias);
    QCOMPARE(palette.companyBanner.imageName, "CompanyHeroBanner" + suffix);
    WDBannerSpec companyAsForgot = palette.forgotBanner;
    companyAsForgot.imageName = palette.companyBanner.imageName;
    QCOMPARE(palette.companyBanner, companyAsForgot);
}

void TestWDPalette::everyNamedBannerHasArtwork()
{
    QSet<QString> names;
    for (const WDPalette &palette : WDPalette::all()) {
        names << palette.trackerBanner << palette.loginBanner.imageName
              << palette.forgotBanner.imageName << palette.companyBanner.imageName;
        if (palette.activeHeroImage)
            names << *palette.activeHeroImage;
    }
    QCOMPARE(names.size(), 29);
    for (const QString &name : std::as_const(names)) {
        QVERIFY2(WD::hasAsset(name), qPrintable(name));
        QVERIFY(WD::assetUrl(name).isValid());
    }
    QVERIFY(WD::hasAsset(QStringLiteral("DezorivIdedIderi")));
    QVERIFY(!WD::hasAsset(QStringLiteral("NoSuchBanner")));
    QVERIFY(WD::assetUrl(QStringLiteral("NoSuchBanner")).isEmpty());
}

void TestWDPalette::spotColoursOfTheTable_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QColor>("brand500");
    QTest::addColumn<QColor>("appBackground");
    QTest::addColumn<QColor>("surface");
    QTest::addColumn<QColor>("textStrong");
    QTest::addColumn<QColor>("danger");
    const QColor white(0xFF, 0xFF, 0xFF);
    const QColor ink(0x18, 0x1A, 0x20);
    const QColor red(0xE0, 0x32, 0x2F);
    QTest::newRow("pink") << "pink" << QColor(0xF3, 0x20, 0x62) << QColor(0xFC, 0xE8, 0xEE) << white
                          << ink << red;
    QTest::newRow("teal") << "teal" << QColor(0x2F, 0xAE, 0x9E) << QColor(0xE3, 0xF3, 0xEF) << white
                          << ink << red;
    QTest::newRow("black") << "black" << QColor(0xA6, 0xA6, 0xB2) << QColor(0x1B, 0x1B, 0x1F)
                           << QColor(0x26, 0x26, 0x2B) << QColor(0xF2, 0xF2, 0xF5)
                           << QColor(0xFF, 0x6B, 0x6B);
    QTest::newRow("brown") << "brown" << QColor(0x75, 0x56, 0x3F) << QColor(0xEF, 0xE6, 0xDA)
                           << white << ink << red;
}

void TestWDPalette::spotColoursOfTheTable()
{
    QFETCH(QString, id);
    const WDPalette palette = WDPalette::byID(id);
    QTEST(palette.brand500, "brand500");
    QTEST(palette.appBackground, "appBackground");
    QTEST(palette.surface, "surface");
    QTEST(palette.textStrong, "textStrong");
    QTEST(palette.danger, "danger");
}

void TestWDPalette::semanticColoursAreFixed()
{
    QCOMPARE(WD::success(), QColor(23, 184, 63));
    QCOMPARE(WD::warning(), QColor(255, 107, 0));
    QCOMPARE(WD::info(), QColor(8, 125, 255));
    QCOMPARE(WD::purple(), QColor(145, 73, 232));
    // The same whatever palette is current.
    WD::setPalette(WDPalette::black());
    QCOMPARE(WD::success(), QColor(23, 184, 63));
    WD::setPalette(WDPalette::pink());
}

void TestWDPalette::currentPaletteStartsPinkAndAnnouncesChanges()
{
    QCOMPARE(WD::palette(), WDPalette::pink());
    QSignalSpy changed(WD::instance(), &WD::paletteChanged);
    WD::setPalette(WDPalette::teal());
    WD::setPalette(WDPalette::teal());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(WD::instance()->currentPalette(), WDPalette::teal());
    WD::setPalette(WDPalette::pink());
    QCOMPARE(changed.size(), 2);
}

QTEST_GUILESS_MAIN(TestWDPalette)
#include "TestWDPalette.moc"
