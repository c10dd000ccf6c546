#include "SettingsRootView.h"
#include "SettingsTestRig.h"

#include "platform/PermissionService.h"
#include "support/platform/FakePermissionProbe.h"
#include "ui/RootViewRendering.h"
#include "ui/root/RootViewModel.h"
#include "ui/settings/SettingsViewModel.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// Draws the settings tab through the real root view, in every palette and both layouts, to PNG
// files a person can look at (build folder, rendered/settings/), and checks what only the QML can
// get wrong: what shows in which state, and that the swatches are hit where they are drawn.
class TestSettingsRendering : public QObject
{
    Q_OBJECT

private:
    struct Scene
    {
        Scene()
            : t(false)
        {
            // The rows show what the test sets, whatever display the suite runs on.
            PermissionService::setProbe(probe);
            t.appState->setIsAuthenticated(true);
            t.appState->setHasRequiredPermissions(true);
            t.appState->setRemoteConfig(EngineFixture::config(QStringLiteral("ask"), false));
            t.storeNames(QStringLiteral("Dana Whitfield"), QStringLiteral("Demo Works"));
        }

        RootViewModel &root(bool compact)
        {
            model = std::make_unique<RootViewModel>(RootViewModel::Dependencies{*t.appState,
                                                                                t.engine(),
                                                                                t.rig.random,
                                                                                compact,
                                                                                false,
                                                                                {},
                                                                                nullptr,
                                                                                nullptr,
                                                                                nullptr,
                                                                                nullptr,
                                                                                t.services.get()});
            model->selectTab(static_cast<int>(MainTab::Settings));
            return *model;
        }

        std::shared_ptr<FakePermissionProbe> probe = std::make_shared<FakePermissionProbe>();
        SettingsTestRig t;
        std::unique_ptr<RootViewModel> model;
    };

    // Tall enough that the whole tab shows in one picture.
    static QSize windowSize(bool compact) { return compact ? QSize(340, 900) : QSize(460, 820); }

    static QQuickItem *find(QQuickView &view, const QString &name)
    {
        return SettingsTestRig::findItem(view.rootObject(), name);
    }

    static bool shown(QQuickView &view, const QString &name)
    {
        QQuickItem *item = find(view, name);
        return item && item->isVisible();
    }

    static void save(QQuickView &view, const QString &name)
    {
        RootViewRendering::save(view, QStringLiteral("settings"), name);
    }

    static SettingsViewModel *settingsModel(QQuickView &view)
    {
        QQuickItem *settings = find(view, QStringLiteral("settingsView"));
        return settings ? settings->property("viewModel").value<SettingsViewModel *>() : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void cleanup()
    {
        PermissionService::setProbe(nullptr);
        WD::setPalette(WDPalette::pink());
    }

    void everyPaletteAndLayout_data() { RootViewRendering::addPaletteRows(); }

    void everyPaletteAndLayout()
    {
        QFETCH(QString, paletteId);
        QFETCH(bool, compact);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        Scene scene;
        scene.t.theme.select(WDPalette::byID(paletteId));
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(compact), windowSize(compact));
        QVERIFY(view);
        QVERIFY(find(*view, QStringLiteral("settingsView")));

        // The selected swatch carries the tick; the others do not.
        for (const WDPalette &palette : WDPalette::all()) {
            QQuickItem *swatch = find(*view, QStringLiteral("swatch-") + palette.id);
            QVERIFY2(swatch, qPrintable(palette.id));
            QCOMPARE(SettingsTestRig::findItem(swatch, QStringLiteral("swatchCheck"))->isVisible(),
                     palette.id == paletteId);
        }
        // No link that would do nothing on this desktop.
        QVERIFY(!shown(*view, QStringLiteral("revokePermissionsButton")));
        QVERIFY(shown(*view, QStringLiteral("refreshPermissionsButton")));
        QCOMPARE(find(*view, QStringLiteral("greetingLine"))->property("text").toString().right(16),
                 QStringLiteral(" Dana Whitfield,"));
        QCOMPARE(find(*view, QStringLiteral("companyLine"))->property("text").toString(),
                 QStringLiteral("Demo Works"));
        save(*view, QStringLiteral("settings-") + tag);

        SettingsViewModel *model = settingsModel(*view);
        QVERIFY(model);
        model->requestLogout();
        QTest::qWait(100);
        QVERIFY(shown(*view, QStringLiteral("logoutConfirm")));
        QVERIFY(!shown(*view, QStringLiteral("logoutButton")));
        save(*view, QStringLiteral("settings-logout-confirm-") + tag);
        model->cancelLogout();

        scene.t.engine().startTracking(std::nullopt);
        QTest::qWait(100);
        QCOMPARE(find(*view, QStringLiteral("logoutButton"))->opacity(), 0.6);
        QVERIFY(!find(*view, QStringLiteral("logoutButton"))->isEnabled());
        QVERIFY(shown(*view, QStringLiteral("stopTrackingHint")));
        save(*view, QStringLiteral("settings-tracking-") + tag);
        scene.t.engine().stopTracking(std::nullopt);
        QTest::qWait(50);
        QVERIFY(!shown(*view, QStringLiteral("stopTrackingHint")));
    }

    void swatchesAreHitWhereTheyAreDrawn_data()
    {
        QTest::addColumn<bool>("compact");
        QTest::newRow("compact") << true;
        QTest::newRow("regular") << false;
    }

    void swatchesAreHitWhereTheyAreDrawn()
    {
        QFETCH(bool, compact);
        Scene scene;
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(compact), windowSize(compact));
        QVERIFY(view);
        for (const WDPalette &palette : WDPalette::all()) {
            // Each pick draws the screens afresh: the old ones go first, and the card is looked up
            // again every time.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
            QQuickItem *card = find(*view, QStringLiteral("appearanceCard"));
            QVERIFY(card);
            const QRectF cardRect = card->mapRectToScene(card->boundingRect());
            QQuickItem *swatch = find(*view, QStringLiteral("swatch-") + palette.id);
            QVERIFY2(swatch, qPrintable(palette.id));
            const QRectF rect = swatch->mapRectToScene(swatch->boundingRect());
            // The grid wraps inside its card instead of running past its edge.
            QVERIFY2(cardRect.contains(rect), qPrintable(palette.id));
            QTest::mouseClick(view.get(), Qt::LeftButton, {}, rect.center().toPoint());
            QTRY_COMPARE(scene.t.theme.paletteID(), palette.id);
            QCOMPARE(scene.t.defaults().string(QLatin1String(ThemeManager::settingsKey)),
                     palette.id);
        }
    }

    void loggingOutShowsItsProgress()
    {
        Scene scene;
        scene.t.logoutSteps.gated = true;
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(true), windowSize(true));
        QVERIFY(view);
        settingsModel(*view)->requestLogout();
        QTRY_VERIFY(shown(*view, QStringLiteral("logoutConfirm")));
        QQuickItem *confirm = SettingsTestRig::findItem(
            find(*view, QStringLiteral("logoutConfirm")), QStringLiteral("confirmButton"));
        QMetaObject::invokeMethod(confirm, "clicked");
        QTRY_VERIFY(shown(*view, QStringLiteral("logoutButton")));
        QQuickItem *logout = find(*view, QStringLiteral("logoutButton"));
        QCOMPARE(logout->property("text").toString(), QStringLiteral("Logging out\u2026"));
        QVERIFY(!logout->isEnabled());
        // The spinner turns inside the button's label, where its glyph was.
        QVERIFY(SettingsTestRig::findItem(logout, QStringLiteral("buttonSpinner"))->isVisible());
        save(*view, QStringLiteral("settings-logging-out"));
        scene.t.logoutSteps.release();
        QTRY_VERIFY(!scene.t.logout.isLoggingOut());
    }

    void rowsFollowAGrantMadeWhileTheWindowWasAway()
    {
        Scene scene;
        scene.probe->screenAllowed = false;
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(true), windowSize(true));
        QVERIFY(view);
        QQuickItem *row = find(*view, QStringLiteral("screenRecordingRow"));
        QVERIFY(!SettingsTestRig::findItem(row, QStringLiteral("grantedMark"))->isVisible());

        // Granted in the desktop's dialog, while this window was hidden behind it.
        view->hide();
        scene.probe->screenAllowed = true;
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTRY_VERIFY(SettingsTestRig::findItem(row, QStringLiteral("grantedMark"))->isVisible());
    }

    void aNewPaletteDrawsTheScreensAfresh()
    {
        Scene scene;
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(true), windowSize(true));
        QVERIFY(view);
        settingsModel(*view)->requestLogout();
        QTRY_VERIFY(shown(*view, QStringLiteral("logoutConfirm")));
        QQuickItem *before = find(*view, QStringLiteral("settingsView"));

        // Pressed as a person would: the press comes from inside the screen that goes.
        const QQuickItem *teal = find(*view, QStringLiteral("swatch-teal"));
        QTest::mouseClick(view.get(), Qt::LeftButton, {},
                          teal->mapToScene(QPointF(teal->width() / 2, 20)).toPoint());
        QTRY_VERIFY(find(*view, QStringLiteral("settingsView")) != before);
        QTRY_VERIFY(shown(*view, QStringLiteral("logoutButton")));
        QVERIFY(!shown(*view, QStringLiteral("logoutConfirm")));
        QCOMPARE(WD::palette().id, QStringLiteral("teal"));
    }

    void permissionRowsAndUpdateMessage()
    {
        Scene scene;
        scene.probe->screenAllowed = false;
        scene.t.rig.permissionsGranted = false;
        scene.t.configSource.answer = EngineFixture::config(QStringLiteral("ask"), false);
        QQmlEngine engine;
        const auto view = showRootView(engine, scene.root(true), windowSize(true));
        QVERIFY(view);
        SettingsViewModel *model = settingsModel(*view);
        QVERIFY(model);
        QVERIFY(!model->screenRecordingGranted());
        QVERIFY(shown(*view, QStringLiteral("screenRecordingRow")));
        QQuickItem *row = find(*view, QStringLiteral("screenRecordingRow"));
        QVERIFY(!SettingsTestRig::findItem(row, QStringLiteral("grantedMark"))->isVisible());
        QVERIFY(SettingsTestRig::findItem(row, QStringLiteral("permissionAdvice"))->isVisible());
        QMetaObject::invokeMethod(find(*view, QStringLiteral("checkUpdateButton")), "clicked");
        QTRY_VERIFY(shown(*view, QStringLiteral("updateStatusMessage")));
        QCOMPARE(find(*view, QStringLiteral("updateStatusMessage"))->property("text").toString(),
                 QStringLiteral("You're up to date."));
        save(*view, QStringLiteral("settings-update-checked"));

        // A refresh that finds the permissions missing keeps the settings where they are: they
        // stay reachable without them, so that a person can still sign out.
        QMetaObject::invokeMethod(find(*view, QStringLiteral("refreshPermissionsButton")),
                                  "clicked");
        QTest::qWait(200);
        QVERIFY(find(*view, QStringLiteral("permissionsView")) == nullptr);
        QVERIFY(shown(*view, QStringLiteral("screenRecordingRow")));
    }
};

QTEST_MAIN(TestSettingsRendering)
#include "TestSettingsRendering.moc"
