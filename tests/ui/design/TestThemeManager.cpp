#include "foundation/SettingsStore.h"
#include "ui/design/ThemeManager.h"
#include "ui/design/WD.h"

#include <QGuiApplication>
#include <QPalette>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

class TestThemeManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void nothingStoredMeansPinkAndLightWithoutWriting();
    void storedBlackStartsDark();
    void unknownStoredIdFallsBackButStaysStored_data();
    void unknownStoredIdFallsBackButStaysStored();
    void selectingSwitchesAppearanceAndSaves();
    void choiceSurvivesRestartOnDisk();
    void applicationPaletteFollowsTheAppearance();
    void settingsScreenSelectsFromQml();

private:
    using Appearance = ThemeManager::Appearance;
    ThemeManager::AppearanceApplier recorder()
    {
        return [this](Appearance appearance) {
            m_appearances.append(appearance);
        };
    }

    QList<Appearance> m_appearances;
};

void TestThemeManager::init()
{
    m_appearances.clear();
    WD::setPalette(WDPalette::purple()); // anything but the expected outcome
}

void TestThemeManager::nothingStoredMeansPinkAndLightWithoutWriting()
{
    SettingsStore defaults{QString()};
    const ThemeManager manager(defaults, recorder());
    QCOMPARE(manager.paletteID(), QStringLiteral("pink"));
    QCOMPARE(WD::palette(), WDPalette::pink());
    QCOMPARE(m_appearances, QList<Appearance>{Appearance::Light});
    QVERIFY(defaults.keys().isEmpty());
}

void TestThemeManager::storedBlackStartsDark()
{
    SettingsStore defaults{QString()};
    defaults.setString(QStringLiteral("selectedColorPalette"), QStringLiteral("black"));
    const ThemeManager manager(defaults, recorder());
    QCOMPARE(manager.paletteID(), QStringLiteral("black"));
    QCOMPARE(WD::palette(), WDPalette::black());
    QCOMPARE(m_appearances, QList<Appearance>{Appearance::Dark});
}

void TestThemeManager::unknownStoredIdFallsBackButStaysStored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("unknown") << "green";
    QTest::newRow("capitalised") << "Black";
    QTest::newRow("empty") << "";
}

void TestThemeManager::unknownStoredIdFallsBackButStaysStored()
{
    QFETCH(QString, stored);
    SettingsStore defaults{QString()};
    defaults.setString(QStringLiteral("selectedColorPalette"), stored);
    const ThemeManager manager(defaults, recorder());
    QCOMPARE(manager.paletteID(), QStringLiteral("pink"));
    QCOMPARE(WD::palette(), WDPalette::pink());
    QCOMPARE(m_appearances, QList<Appearance>{Appearance::Light});
    QCOMPARE(defaults.string(QStringLiteral("selectedColorPalette")), stored);
}

void TestThemeManager::selectingSwitchesAppearanceAndSaves()
{
    SettingsStore defaults{QString()};
    ThemeManager manager(defaults, recorder());
    QSignalSpy idChanged(&manager, &ThemeManager::paletteIDChanged);
    QSignalSpy paletteChanged(WD::instance(), &WD::paletteChanged);

    manager.select(WDPalette::black());
    QCOMPARE(manager.paletteID(), QStringLiteral("black"));
    QCOMPARE(WD::palette(), WDPalette::black());
    QCOMPARE(defaults.string(QStringLiteral("selectedColorPalette")), QStringLiteral("black"));

    manager.select(WDPalette::blue());
    QCOMPARE(manager.paletteID(), QStringLiteral("blue"));
    QCOMPARE(WD::palette(), WDPalette::blue());
    QCOMPARE(defaults.string(QStringLiteral("selectedColorPalette")), QStringLiteral("blue"));

    QCOMPARE(m_appearances,
             (QList<Appearance>{Appearance::Light, Appearance::Dark, Appearance::Light}));
    QCOMPARE(idChanged.size(), 2);
    QCOMPARE(paletteChanged.size(), 2);
}

void TestThemeManager::choiceSurvivesRestartOnDisk()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("preferences.json"));
    {
        SettingsStore defaults(file);
        ThemeManager manager(defaults, recorder());
        manager.select(WDPalette::teal());
    }
    WD::setPalette(WDPalette::pink());
    SettingsStore reopened(file);
    const ThemeManager restored(reopened, recorder());
    QCOMPARE(restored.paletteID(), QStringLiteral("teal"));
    QCOMPARE(WD::palette(), WDPalette::teal());
}

void TestThemeManager::applicationPaletteFollowsTheAppearance()
{
    const QColor platformWindow = QGuiApplication::palette().color(QPalette::Window);
    SettingsStore defaults{QString()};
    ThemeManager manager(defaults); // the real applier
    manager.select(WDPalette::black());
    QCOMPARE(QGuiApplication::palette().color(QPalette::Window), WDPalette::black().surface);
    QCOMPARE(QGuiApplication::palette().color(QPalette::WindowText), WDPalette::black().textStrong);
    manager.select(WDPalette::orange());
    QCOMPARE(QGuiApplication::palette().color(QPalette::Window), platformWindow);
}

void TestThemeManager::settingsScreenSelectsFromQml()
{
    SettingsStore defaults{QString()};
    ThemeManager manager(defaults, recorder());
    QQmlEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("themeManager"), &manager);
    QQmlComponent component(&engine);
    component.setData(R"(
import QtQml
import Zuvevivezid.Design
QtObject {
    property string shown: WD.palette.id
    function pick(index) { themeManager.select(WD.palettes[index]) }
}
)",
                      QUrl::fromLocalFile(QStringLiteral("/virtual/Swatches.qml")));
    const std::unique_ptr<QObject> swatches(component.create());
    QVERIFY2(swatches, qPrintable(component.errorString()));
    QCOMPARE(swatches->property("shown").toString(), QStringLiteral("pink"));
    QMetaObject::invokeMethod(swatches.get(), "pick", Q_ARG(QVariant, 5));
    QCOMPARE(manager.paletteID(), QStringLiteral("black"));
    QCOMPARE(swatches->property("shown").toString(), QStringLiteral("black"));
    QCOMPARE(defaults.string(QStringLiteral("selectedColorPalette")), QStringLiteral("black"));
    QCOMPARE(m_appearances.last(), Appearance::Dark);
}

QTEST_MAIN(TestThemeManager)
#include "TestThemeManager.moc"
