#include "app/shell/ShellTestRig.h"
#include "ui/RootViewRendering.h"
#include "ui/design/WD.h"
#include "ui/root/RootViewModel.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerActiveViewModel.h"
#include "ui/tracker/TrackerServices.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdlib>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

RemoteConfig demoConfig()
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
    config.projects = {{QStringLiteral("p1"), QStringLiteral("Website redesign")},
                       {QStringLiteral("p2"), QStringLiteral("Quarterly report")}};
    return config;
}

} // namespace

// Draws the tracker tab through the real root view, not tracking and tracking (with the target
// card turned and its form open), in every palette and both layouts, to PNG files a person can
// look at (build folder, rendered/tracker/), and checks what only the QML can get wrong.
class TestTrackerRendering : public QObject
{
    Q_OBJECT

private:
    struct Scene
    {
        Scene()
        {
            rig.finishRestore(true);
            rig.appState->setHasRequiredPermissions(true);
            rig.appState->setRemoteConfig(demoConfig());
            rig.sessionManager().applyConfig(demoConfig());
        }

        RootViewModel::Dependencies dependencies(bool compact)
        {
            return {*rig.appState, rig.sessionManager(), rig.random, compact, false, {}, nullptr,
                    &services};
        }

        ShellTestRig rig;
        FakeRemoteConfigSource configSource;
        TaskMenuConfigRefresh refresh{{*rig.appState, rig.sessionManager(), configSource, [] {
                                           return QString();
                                       }}};
        TrackerServices services{
            {*rig.appState, rig.sessionManager(), rig.engine.settings, rig.random, refresh}};
    };

    static QQuickItem *find(QQuickView &view, const char *name)
    {
        return view.rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
    }

    // The largest step in any channel between the pixels two columns either side of x, along the
    // top rows of the item: where two layers meet with different colours, a visible edge.
    static int stepAcross(const QImage &image, const QQuickItem &item, int x)
    {
        const QPointF topLeft = item.mapToScene(QPointF(0, 0));
        int largest = 0;
        for (int y = int(topLeft.y()) + 2; y < int(topLeft.y()) + 14; ++y) {
            const QColor left = image.pixelColor(x - 2, y);
            const QColor right = image.pixelColor(x + 2, y);
            largest = std::max({largest, std::abs(left.red() - right.red()),
                                std::abs(left.green() - right.green()),
                                std::abs(left.blue() - right.blue())});
        }
        return largest;
    }

    // How sharply the brightness of the item's top rows bends between the given columns, as a
    // share of how much it changes there: a fade whose slope stops at once shows as a band. The
    // columns are averaged in fives, so the gradients' rounding does not count as a bend.
    static double sharpestBend(const QImage &image, const QQuickItem &item, int from, int to)
    {
        const int top = int(item.mapToScene(QPointF(0, 0)).y());
        auto brightness = [&](int x) {
            double sum = 0;
            for (int y = top + 2; y < top + 14; ++y) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const QColor colour = image.pixelColor(x + dx, y);
                    sum += colour.red() + colour.green() + colour.blue();
                }
            }
            return sum / 60;
        };
        const double change = std::abs(brightness(to) - brightness(from));
        if (change < 12)
            return 0;
        constexpr int reach = 16;
        double sharpest = 0;
        for (int x = from + reach; x <= to - reach; ++x) {
            const double bend = brightness(x + reach) - 2 * brightness(x) + brightness(x - reach);
            sharpest = std::max(sharpest, std::abs(bend) / change);
        }
        return sharpest;
    }

    static void save(QQuickView &view, const QString &name)
    {
        RootViewRendering::save(view, QStringLiteral("tracker"), name);
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void cleanup() { WD::setPalette(WDPalette::pink()); }

    void bothScreensInEveryPalette_data() { RootViewRendering::addPaletteRows(); }

    void bothScreensInEveryPalette()
    {
        QFETCH(QString, paletteId);
        QFETCH(bool, compact);
        WD::setPalette(WDPalette::byID(paletteId));
        const QString tag = QString::fromLatin1(QTest::currentDataTag());

        Scene scene;
        RootViewModel model(scene.dependencies(compact));
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, compact);
        QVERIFY(view);

        QQuickItem *start = find(*view, "startTrackingButton");
        QVERIFY(start);
        QVERIFY(start->isEnabled());
        QCOMPARE(start->opacity(), 1.0);
        QCOMPARE(start->height(), compact ? 38.0 : 42.0);
        QVERIFY(find(*view, "greeting")->property("text").toString().size() > 0);
        save(*view, QStringLiteral("idle-") + tag);

        scene.rig.sessionManager().setSelectedProjectId(QStringLiteral("p1"));
        QMetaObject::invokeMethod(start, "clicked");
        QVERIFY(scene.rig.sessionManager().isTracking());
        QVERIFY(QTest::qWaitFor([&] { return find(*view, "trackerActiveView") != nullptr; }));
        QTest::qWait(200);
        QCOMPARE(find(*view, "taskName")->property("text").toString(),
                 QStringLiteral("Website redesign"));
        QCOMPARE(find(*view, "stopButton")->height(), compact ? 44.0 : 52.0);
        save(*view, QStringLiteral("active-") + tag);
        // The hero's art melts into the card: no edge where it begins.
        const QQuickItem *hero = find(*view, "activeHero");
        QVERIFY(hero);
        const int artEdge = int(hero->mapToScene(QPointF(hero->width(), 0)).x() -
                                hero->property("artWidth").toReal());
        QVERIFY2(stepAcross(view->grabWindow(), *hero, artEdge) <= 6,
                 qPrintable(QStringLiteral("a step of %1 where the art begins")
                                .arg(stepAcross(view->grabWindow(), *hero, artEdge))));
        // Nor a band where its leading fade ends.
        const double bend = sharpestBend(view->grabWindow(), *hero, artEdge,
                                         artEdge + int(hero->property("artWidth").toReal() * 0.9));
        // The popover's narrower art leaves its fade less room to ease.
        QVERIFY2(bend <= (compact ? 0.2 : 0.15),
                 qPrintable(QStringLiteral("a bend of %1 in the art's fade").arg(bend)));

        auto *active = find(*view, "trackerActiveView")
                           ->property("viewModel")
                           .value<TrackerActiveViewModel *>();
        QVERIFY(active);
        active->pointerEntered();
        QTest::qWait(450);
        save(*view, QStringLiteral("active-flipped-") + tag);
        active->openTargetForm();
        QTest::qWait(250);
        save(*view, QStringLiteral("active-form-") + tag);
        active->closeTargetForm();
        scene.rig.sessionManager().stopTracking(std::nullopt);
        QVERIFY(QTest::qWaitFor([&] { return find(*view, "trackerIdleView") != nullptr; }));
    }

    void targetFieldShowsWhatTheModelKeeps_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const struct
        {
            const char *tag, *field, *typed, *shown;
        } rows[] = {{"a third digit", "hoursField", "123", "12"},
                    {"a letter after a digit", "minutesField", "5a", "5"},
                    {"above the maximum", "hoursField", "30", "24"},
                    {"letters only", "minutesField", "ab", "0"}};
        for (const auto &row : rows)
            QTest::newRow(row.tag)
                << QString::fromLatin1(row.field) << QString::fromLatin1(row.typed)
                << QString::fromLatin1(row.shown);
    }

    void targetFieldShowsWhatTheModelKeeps()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Scene scene;
        RootViewModel model(scene.dependencies(true));
        scene.rig.sessionManager().startTracking(std::nullopt);
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, true);
        QVERIFY(view);
        auto *active = find(*view, "trackerActiveView")
                           ->property("viewModel")
                           .value<TrackerActiveViewModel *>();
        active->openTargetForm();
        QVERIFY(QTest::qWaitFor([&] { return find(*view, qPrintable(field)) != nullptr; }));
        auto *digits =
            find(*view, qPrintable(field))->findChild<QQuickItem *>(QStringLiteral("digits"));
        QVERIFY(digits);
        digits->forceActiveFocus();
        QMetaObject::invokeMethod(digits, "selectAll");
        for (const QChar character : typed)
            QTest::keyClick(view.get(), character.toLatin1());
        QCOMPARE(digits->property("text").toString(), shown);
        const QString kept =
            field == QLatin1String("hoursField") ? active->hoursText() : active->minutesText();
        QCOMPARE(kept, shown);
        scene.rig.sessionManager().stopTracking(std::nullopt);
    }

    void pausedShowsResumeAndDimsTheClock()
    {
        Scene scene;
        RootViewModel model(scene.dependencies(true));
        // No task: the session has no name, so no name line.
        scene.rig.sessionManager().startTracking(std::nullopt);
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, true);
        QVERIFY(view);
        QVERIFY(find(*view, "pauseButton"));
        QVERIFY(!find(*view, "taskName")->isVisible());
        QCOMPARE(find(*view, "clock")->property("color").value<QColor>(), QColor(Qt::white));

        scene.rig.sessionManager().pauseTracking();
        QVERIFY(QTest::qWaitFor([&] { return find(*view, "resumeButton") != nullptr; }));
        QCOMPARE(find(*view, "resumeButton")->property("text").toString(),
                 QStringLiteral("Resume"));
        QCOMPARE(find(*view, "clock")->property("color").value<QColor>().alphaF(), 0.65f);
        scene.rig.sessionManager().stopTracking(std::nullopt);
    }

    void startIsDimmedWithoutAConfiguration()
    {
        Scene scene;
        scene.rig.appState->setRemoteConfig(std::nullopt);
        RootViewModel model(scene.dependencies(true));
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, true);
        QVERIFY(view);
        QQuickItem *start = find(*view, "startTrackingButton");
        QVERIFY(!start->isEnabled());
        QCOMPARE(start->opacity(), 0.5);
        QVERIFY(!find(*view, "statusLine")->isVisible());
    }

    void windowShownAgainShowsTheCurrentClock_data()
    {
        QTest::addColumn<bool>("minimise");
        QTest::newRow("hidden") << false;
        QTest::newRow("minimised") << true;
    }

    // The clock stands still while its window is put away and is current as soon as it is back.
    void windowShownAgainShowsTheCurrentClock()
    {
        QFETCH(bool, minimise);
        Scene scene;
        RootViewModel model(scene.dependencies(false));
        SessionManager &engine = scene.rig.sessionManager();
        engine.startTracking(std::nullopt);
        QQmlEngine qml;
        const auto view = RootViewRendering::show(qml, model, false);
        QVERIFY(view);
        const auto clockAfter = [&](int seconds) {
            scene.rig.engine.clock.advance(seconds);
            engine.updateLiveMetrics();
            return find(*view, "clock")->property("text").toString();
        };
        QCOMPARE(clockAfter(1), QStringLiteral("00:00:01"));
        minimise ? view->showMinimized() : view->hide();
        QTRY_VERIFY(view->visibility() == (minimise ? QWindow::Minimized : QWindow::Hidden));
        QCOMPARE(clockAfter(5), QStringLiteral("00:00:01"));
        view->showNormal();
        QCOMPARE(find(*view, "clock")->property("text").toString(), QStringLiteral("00:00:06"));
        engine.stopTracking(std::nullopt);
    }

    void clockKeepsItsWidthFromSecondToSecond()
    {
        Scene scene;
        RootViewModel model(scene.dependencies(true));
        scene.rig.sessionManager().startTracking(std::nullopt);
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, true);
        QVERIFY(view);
        QQuickItem *clock = find(*view, "clock");
        clock->setProperty("text", QStringLiteral("11:11:11"));
        const qreal narrow = clock->implicitWidth();
        clock->setProperty("text", QStringLiteral("00:00:00"));
        QCOMPARE(clock->implicitWidth(), narrow);
        scene.rig.sessionManager().stopTracking(std::nullopt);
    }
};

QTEST_MAIN(TestTrackerRendering)
#include "TestTrackerRendering.moc"
