#include "app/shell/ShellTestRig.h"
#include "app/shell/TrayShell.h"
#include "app/state/SessionManagerControl.h"
#include "platform/tray/StatusNotifierItem.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <functional>

// The shell's tray item on swaybar's own watcher, in the headless sway session the run started
// (with a bar whose background ZUV_SWAY_BAR names). Takes a picture of the bar, for a person to
// look at, under the build folder's rendered/tray/.
class TestTrayOnSwaybar : public QObject
{
    Q_OBJECT

private:
    static QStringList registeredItems()
    {
        QDBusInterface watcher(QString::fromLatin1(StatusNotifierItem::watcherService),
                               QString::fromLatin1(StatusNotifierItem::watcherPath),
                               QString::fromLatin1(StatusNotifierItem::watcherService));
        return watcher.property("RegisteredStatusNotifierItems").toStringList();
    }

    // The bar's strip along the top of the output.
    static QImage barPicture(const QString &file)
    {
        QProcess grim;
        grim.start(QStringLiteral("grim"),
                   {QStringLiteral("-g"), QStringLiteral("1080,0 200x30"), file});
        if (!grim.waitForFinished(10000) || grim.exitCode() != 0)
            return {};
        return QImage(file);
    }

    static bool anyPixel(const QImage &picture, const std::function<bool(const QColor &)> &test)
    {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (test(picture.pixelColor(x, y)))
                    return true;
            }
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("ZUV_WAYLAND_DESKTOP") != QLatin1String("sway"))
            QSKIP("runs inside the headless sway session (scripts/with-wayland-desktop.sh)");
        // swaybar starts its watcher once it is up.
        QTRY_VERIFY_WITH_TIMEOUT(StatusNotifierItem::watcherRuns(QDBusConnection::sessionBus()),
                                 15000);
    }

    void swaybarShowsTheShellsItem()
    {
        ShellTestRig rig;
        SessionManagerControl control(rig.sessionManager());
        TrayShell shell(TrayShell::Dependencies{
            *rig.appState, rig.sessionManager(), control, rig.random, {}, [] {
            }});
        shell.install();
        StatusNotifierItem *item = shell.statusNotifierItem();
        QVERIFY(item != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(item->isRegistered(), 10000);
        QTRY_VERIFY(registeredItems().join(QLatin1Char(' ')).contains(item->serviceName()));

        const QString shade = qEnvironmentVariable("ZUV_SWAY_BAR_SHADE", QStringLiteral("bar"));
        const QString folder =
            qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::tempPath()) + "/rendered/tray";
        QDir().mkpath(folder);
        // Not tracking, the glyph is light on swaybar's dark bar, not black on black, and dark
        // on a light one, whose colour only the window manager tells.
        QTest::qWait(1500);
        const QImage idle = barPicture(folder + "/swaybar-" + shade + "-not-tracking.png");
        QVERIFY2(!idle.isNull(), "grim took no picture of the bar");
        if (shade == QLatin1String("dark"))
            QVERIFY2(anyPixel(idle, [](const QColor &pixel) { return pixel.lightness() > 200; }),
                     "the dark bar shows no light glyph");
        if (shade == QLatin1String("light"))
            QVERIFY2(anyPixel(idle, [](const QColor &pixel) { return pixel.lightness() < 80; }),
                     "the light bar shows no dark glyph");

        SessionManager &engine = rig.sessionManager();
        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        rig.engine.clock.advance(2 * 3600.0 + 17 * 60.0);
        QTRY_COMPARE(item->label(), QStringLiteral("02:17"));

        // Give the bar a moment to fetch and draw the new icon.
        QTest::qWait(1500);
        const QImage picture = barPicture(folder + "/swaybar-" + shade + ".png");
        QVERIFY2(!picture.isNull(), "grim took no picture of the bar");
        // The glyph is green while tracking, or orange once the untouched hours count as idle:
        // coloured either way, on any bar.
        QVERIFY2(anyPixel(picture,
                          [](const QColor &pixel) {
                              return pixel.hsvSaturation() > 150 && pixel.value() > 150;
                          }),
                 "the bar shows no coloured glyph");
        engine.stopTracking(std::nullopt);
    }
};

QTEST_MAIN(TestTrayOnSwaybar)
#include "TestTrayOnSwaybar.moc"
