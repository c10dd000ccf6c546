#include "app/shell/ShellTestRig.h"
#include "platform/PermissionService.h"
#include "support/platform/FakePermissionProbe.h"
#include "ui/design/WD.h"
#include "ui/root/RootViewModel.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// Draws the root view in every routing state, compact and regular, to PNG files a person can
// look at (build folder, rendered/root/), and fails on a picture that shows nothing.
class TestRootRendering : public QObject
{
    Q_OBJECT

private:
    static QString outputFolder()
    {
        const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
        const QString folder = base + QStringLiteral("/rendered/root");
        QDir().mkpath(folder);
        return folder;
    }

    // Renders the model's view, lets the check look at the item tree, and checks the picture;
    // returns it.
    QImage render(RootViewModel &model, const QString &name, const QSize &windowSize = QSize(),
                  const std::function<void(QQuickItem *)> &check = {})
    {
        QQmlEngine engine;
        QQuickView view(&engine, nullptr);
        view.setResizeMode(windowSize.isValid() ? QQuickView::SizeRootObjectToView
                                                : QQuickView::SizeViewToRootObject);
        view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
        view.setSource(
            QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
        if (view.status() != QQuickView::Ready) {
            for (const QQmlError &error : view.errors())
                qWarning() << error.toString();
            return {};
        }
        if (windowSize.isValid())
            view.resize(windowSize);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            return {};
        // Let the height animation and the first frames settle.
        QTest::qWait(300);
        if (check)
            check(view.rootObject());
        const QImage image = view.grabWindow();
        image.save(outputFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
        return image;
    }

    static QQuickItem *item(QQuickItem *root, const char *name)
    {
        return root->findChild<QQuickItem *>(QString::fromLatin1(name));
    }

    // A rig in the named state; the expected route comes back in route.
    static std::unique_ptr<ShellTestRig> rigFor(const QString &state, RootViewModel::Route &route)
    {
        using Route = RootViewModel::Route;
        const bool unfinished = state == u"unfinishedSession";
        auto rig = std::make_unique<ShellTestRig>(!unfinished && state != u"banners");
        if (unfinished || state == u"banners") {
            Session session;
            session.id = QUuid::createUuid();
            session.projectId = QStringLiteral("p1");
            session.projectName = QStringLiteral("Payroll reconciliation");
            // An hour ago, or since yesterday morning so that it crossed midnight.
            session.intervals = {TrackingInterval{
                QUuid::createUuid(), rig->engine.at(unfinished ? -3600.0 : -86400.0), {}}};
            rig->engine.settings.setString(
                QStringLiteral("com.wendoka.zuvevivezid.apiTimezoneIdentifier"),
                QStringLiteral("UTC"));
            rig->engine.store->saveActiveSession(session);
            rig->createAppState();
            rig->engine.createManager();
        }
        route = Route::SignedIn;
        if (state == u"restoring" || state == u"restoringSlowly") {
            if (state == u"restoringSlowly")
                rig->scheduler.advance(8.0);
            route = Route::Restoring;
            return rig;
        }
        if (state == u"signedOut") {
            rig->finishRestore(false);
            route = Route::SignedOut;
            return rig;
        }
        rig->finishRestore(true);
        if (state == u"forcedUpdate" || state == u"forcedUpdateNoLink") {
            RemoteConfig config = ShellTestRig::forcingConfig();
            if (state == u"forcedUpdateNoLink") {
                config.clientDownloadURL = QStringLiteral("file:///usr/bin/xterm");
                config.latestClientVersion = QStringLiteral("999.0");
            }
            rig->appState->evaluateClientVersion(config);
            route = Route::ForcedUpdate;
        } else if (state == u"permissions") {
            // One row missing, one granted.
            auto probe = std::make_shared<FakePermissionProbe>();
            probe->screenAllowed = false;
            PermissionService::setProbe(probe);
        } else {
            rig->appState->setHasRequiredPermissions(true);
        }
        if (state == u"banners") {
            RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
            config.appTimezone = QStringLiteral("UTC");
            rig->sessionManager().applyConfig(config);
            rig->sessionManager().discardInterruptedSession();
            rig->sessionManager().setScreenRecordingPermissionLost(true);
        }
        return rig;
    }

    static QStringList newScreens()
    {
        return {QStringLiteral("restoringSlowly"),    QStringLiteral("forcedUpdate"),
                QStringLiteral("forcedUpdateNoLink"), QStringLiteral("permissions"),
                QStringLiteral("unfinishedSession"),  QStringLiteral("banners")};
    }

    static int distinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return static_cast<int>(colours.size());
    }

    // The main window's size, or the popover's: the route's height, which only the tracker
    // under both banners outgrows.
    static QSize expectedSize(const RootViewModel &model, const QString &state, const QImage &image)
    {
        if (!model.compact())
            return {460, 540};
        if (state == u"banners" && image.height() > model.contentHeight())
            return {340, image.height()};
        return {340, model.contentHeight()};
    }

    void verifyPicture(const QImage &image, const QSize &expectedSize)
    {
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), expectedSize);
        // Text, cards and bars: far more than a blank or one-colour picture holds.
        QVERIFY2(distinctColours(image) > 20, qPrintable(QString::number(distinctColours(image))));
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void cleanup()
    {
        WD::setPalette(WDPalette::pink());
        PermissionService::setProbe(nullptr);
    }

    void everyRoute_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("compact");
        for (const bool compact : {true, false}) {
            for (const char *state : {"restoring", "restoringSlowly", "signedOut", "forcedUpdate",
                                      "forcedUpdateNoLink", "permissions", "unfinishedSession",
                                      "banners", "tracker", "summary", "screenshots", "settings"}) {
                const QString name =
                    QString::fromLatin1(state) +
                    (compact ? QStringLiteral("-compact") : QStringLiteral("-regular"));
                QTest::newRow(qPrintable(name)) << QString::fromLatin1(state) << compact;
            }
        }
    }

    void everyRoute()
    {
        QFETCH(QString, state);
        QFETCH(bool, compact);
        RootViewModel::Route expected{};
        auto rig = rigFor(state, expected);
        RootViewModel model(RootViewModel::Dependencies{*rig->appState,
                                                        rig->sessionManager(),
                                                        rig->random,
                                                        compact,
                                                        false,
                                                        {},
                                                        &rig->engine.clock});
        const QStringList tabs{QStringLiteral("tracker"), QStringLiteral("summary"),
                               QStringLiteral("screenshots"), QStringLiteral("settings")};
        if (tabs.contains(state))
            model.selectTab(static_cast<int>(tabs.indexOf(state)));
        QCOMPARE(model.route(), expected);

        const QSize windowSize = compact ? QSize() : QSize(460, 540);
        const QImage image = render(model, QString::fromLatin1(QTest::currentDataTag()), windowSize,
                                    [&](QQuickItem *root) { checkItems(state, root); });
        verifyPicture(image, expectedSize(model, state, image));
    }

    void newScreensInEveryPalette()
    {
        for (const WDPalette &palette : WDPalette::all()) {
            WD::setPalette(palette);
            for (const QString &state : newScreens()) {
                RootViewModel::Route expected{};
                auto rig = rigFor(state, expected);
                RootViewModel model(RootViewModel::Dependencies{*rig->appState,
                                                                rig->sessionManager(),
                                                                rig->random,
                                                                true,
                                                                false,
                                                                {},
                                                                &rig->engine.clock});
                const QImage image =
                    render(model, state + QStringLiteral("-palette-") + palette.id);
                verifyPicture(image, expectedSize(model, state, image));
            }
        }
    }

    void signedInInEveryPalette()
    {
        for (const WDPalette &palette : WDPalette::all()) {
            WD::setPalette(palette);
            ShellTestRig rig;
            rig.finishRestore(true);
            rig.appState->setHasRequiredPermissions(true);
            RootViewModel model(RootViewModel::Dependencies{
                *rig.appState, rig.sessionManager(), rig.random, true, false, {}});
            const QImage image = render(model, QStringLiteral("tracker-palette-") + palette.id);
            verifyPicture(image, QSize(340, 480));
            // The palette's own background fills the corners.
            QCOMPARE(image.pixelColor(1, image.height() / 2).rgb(), palette.appBackground.rgb());
        }
    }

private:
    // What the layout must get right beyond drawing something.
    static void checkItems(const QString &state, QQuickItem *root)
    {
        if (state.startsWith(u"restoring")) {
            // The hint and its way out only once the restore is slow.
            QQuickItem *hint = item(root, "slowRestoreHint");
            QVERIFY(hint != nullptr);
            QCOMPARE(hint->isVisible(), state == u"restoringSlowly");
        } else if (state.startsWith(u"forcedUpdate")) {
            QQuickItem *button = item(root, "ForceUpdate_DownloadButton");
            QVERIFY(button != nullptr);
            const bool linked = state == u"forcedUpdate";
            QCOMPARE(button->isEnabled(), linked);
            QCOMPARE(button->opacity(), linked ? 1.0 : 0.5);
            QVERIFY(item(root, "latestVersionLine")->isVisible());
        } else if (state == u"permissions") {
            // Nothing to open on this desktop: the missing row says what to change instead.
            QVERIFY(item(root, "checkAgainButton") != nullptr);
            QQuickItem *screen = item(root, "screenRecordingRow");
            QQuickItem *input = item(root, "inputMonitoringRow");
            QVERIFY(screen != nullptr && input != nullptr);
            QVERIFY(item(screen, "permissionAdvice")->isVisible());
            QVERIFY(!item(input, "permissionAdvice")->isVisible());
        } else if (state == u"unfinishedSession") {
            QQuickItem *started = item(root, "interruptedStarted");
            QVERIFY(started != nullptr);
            QCOMPARE(started->property("text").toString(), QStringLiteral("Started 1 hour ago"));
            // A centred card: every line's text is centred under the warning disc.
            const QQuickItem *view = item(root, "interruptedSessionView");
            QVERIFY(view != nullptr);
            const qreal centre = view->mapToScene({view->width() / 2, 0}).x();
            for (const char *name :
                 {"interruptedTitle", "interruptedProjectName", "interruptedStarted"}) {
                const QQuickItem *line = item(root, name);
                QVERIFY2(line != nullptr, name);
                const qreal textLeft =
                    line->mapToScene({0, 0}).x() + line->property("leftPadding").toReal() +
                    (line->property("horizontalAlignment").toInt() == Qt::AlignHCenter
                         ? (line->width() - line->property("contentWidth").toReal()) / 2
                         : 0);
                const qreal textCentre = textLeft + line->property("contentWidth").toReal() / 2;
                QVERIFY2(qAbs(textCentre - centre) <= 1.0,
                         qPrintable(QStringLiteral("%1 centred at %2, the card at %3")
                                        .arg(QLatin1String(name))
                                        .arg(textCentre)
                                        .arg(centre)));
            }
        } else if (state == u"tracker") {
            // No banner is due, so none is made: a hidden one would cost every repaint.
            QVERIFY(item(root, "trackerScreen") != nullptr);
            QVERIFY(item(root, "screenRecordingPermissionBanner") == nullptr);
            QVERIFY(item(root, "crossDayAutoCompleteBanner") == nullptr);
        } else if (state == u"banners") {
            // Both banners, the lost screen capture first, above the tracker.
            QQuickItem *lost = item(root, "screenRecordingPermissionBanner");
            QQuickItem *midnight = item(root, "crossDayAutoCompleteBanner");
            QVERIFY(lost != nullptr && midnight != nullptr);
            QVERIFY(lost->isVisible() && midnight->isVisible());
            QVERIFY(lost->mapToScene({0, 0}).y() < midnight->mapToScene({0, 0}).y());
            QQuickItem *screen = item(root, "trackerScreen");
            QVERIFY(screen != nullptr);
            QVERIFY(midnight->mapToScene({0, midnight->height()}).y() <=
                    screen->mapToScene({0, 0}).y());
            // They scroll with the tracker screen; the popover grows rather than squeeze it.
            QQuickItem *tab = item(root, "trackerTab");
            QVERIFY(tab->isAncestorOf(lost) && tab->isAncestorOf(screen));
            QCOMPARE(screen->height(), screen->implicitHeight());
            const auto *model = root->property("viewModel").value<RootViewModel *>();
            if (model->compact()) {
                QVERIFY(root->height() > model->contentHeight());
                // All of it shown, unless the popover has reached the screen's height.
                const int screenRoom = root->window()->screen()->availableGeometry().height() - 48;
                QVERIFY2(tab->height() >= tab->property("contentHeight").toReal() ||
                             root->height() >= screenRoom,
                         qPrintable(QStringLiteral("%1 of %2 shown")
                                        .arg(tab->height())
                                        .arg(tab->property("contentHeight").toReal())));
            }
        }
    }
};

QTEST_MAIN(TestRootRendering)
#include "TestRootRendering.moc"
