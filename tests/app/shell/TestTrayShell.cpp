#include "app/shell/DesktopPalette.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/TrayShell.h"
#include "app/state/ForceUpdateResponder.h"
#include "app/state/SessionManagerControl.h"
#include "ui/root/RootViewModel.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

// The shell's windows, menu and tray label, offscreen. The tray host itself is exercised by
// TestTrayShellX11.
class TestTrayShell : public QObject
{
    Q_OBJECT

private:
    struct ShellRig
    {
        explicit ShellRig(
            bool trayAvailable, std::function<void()> quit = [] {},
            DesktopPalette *desktop = nullptr)
            : control(rig.sessionManager())
            , shell(TrayShell::Dependencies{*rig.appState, rig.sessionManager(), control,
                                            rig.random, [trayAvailable] { return trayAvailable; },
                                            std::move(quit), desktop})
        {}

        ShellTestRig rig;
        SessionManagerControl control;
        TrayShell shell;
    };

    static QPalette paletteOfWindow(const QColor &window)
    {
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        return palette;
    }
    static QPalette lightPalette() { return paletteOfWindow(QColor(0xef, 0xef, 0xef)); }
    static QPalette darkPalette() { return paletteOfWindow(QColor(0x20, 0x20, 0x24)); }

    static RootViewModel *modelOf(QQuickView *view)
    {
        return view->rootObject()->property("viewModel").value<RootViewModel *>();
    }

private Q_SLOTS:
    void withoutATrayTheMainWindowShows()
    {
        ShellRig shellRig(false);
        shellRig.shell.install();
        QVERIFY(shellRig.shell.trayIcon() == nullptr);
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(shellRig.shell.mainWindow()->isVisible());
        QCOMPARE(shellRig.shell.mainWindow()->title(), QStringLiteral("Zudevav EvozUvarevu"));
        QCOMPARE(shellRig.shell.mainWindow()->minimumSize(), QSize(460, 520));
        QCOMPARE(shellRig.shell.mainWindow()->size(), QSize(460, 540));
        QVERIFY(shellRig.shell.mainWindow()->rootObject() != nullptr);
        QVERIFY(!modelOf(shellRig.shell.mainWindow())->compact());
        // The main window ran its first load when it appeared.
        QVERIFY(modelOf(shellRig.shell.mainWindow())->didRunInitialLoad());
    }

    void withoutATrayClosingTheWindowQuits()
    {
        int quits = 0;
        ShellRig shellRig(false, [&quits] { ++quits; });
        shellRig.shell.install();
        shellRig.shell.mainWindow()->close();
        QCOMPARE(quits, 1);

        // With a tray, closing the window only hides it.
        int trayQuits = 0;
        ShellRig withTray(true, [&trayQuits] { ++trayQuits; });
        withTray.shell.install();
        withTray.shell.showMainWindow(true);
        withTray.shell.mainWindow()->close();
        QVERIFY(!withTray.shell.mainWindow()->isVisible());
        QCOMPARE(trayQuits, 0);
    }

    void withATrayTheIconAndTheMainWindowShow()
    {
        ShellRig shellRig(true);
        shellRig.shell.install();
        QVERIFY(shellRig.shell.trayIcon() != nullptr);
        // The main window opens at launch as well, and its root runs the first load.
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(shellRig.shell.mainWindow()->isVisible());
        QVERIFY(modelOf(shellRig.shell.mainWindow())->didRunInitialLoad());
        QCOMPARE(shellRig.shell.trayIcon()->contextMenu(), shellRig.shell.trayMenu());
        QVERIFY(!shellRig.shell.trayIcon()->icon().isNull());
        QCOMPARE(shellRig.shell.trayIcon()->toolTip(), QStringLiteral("Zudevav EvozUvarevu"));
    }

    void popoverToggles()
    {
        ShellRig shellRig(true);
        shellRig.shell.install();
        QVERIFY(!shellRig.shell.isPopoverVisible());

        shellRig.shell.togglePopover();
        QVERIFY(shellRig.shell.isPopoverVisible());
        QQuickView *popover = shellRig.shell.popover();
        QVERIFY(popover->flags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(popover->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(modelOf(popover)->compact());
        QTRY_COMPARE(popover->width(), 340);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(popover->geometry().topLeft()));

        shellRig.shell.togglePopover();
        QVERIFY(!shellRig.shell.isPopoverVisible());
        // The same window comes back.
        shellRig.shell.togglePopover();
        QVERIFY(shellRig.shell.isPopoverVisible());
        QCOMPARE(shellRig.shell.popover(), popover);
        // The popover never runs the main window's first load.
        QVERIFY(!modelOf(popover)->didRunInitialLoad());
    }

    void popoverOpenButtonRaisesTheMainWindow()
    {
        ShellRig shellRig(true);
        shellRig.shell.install();
        shellRig.shell.togglePopover();
        modelOf(shellRig.shell.popover())->openMainWindow();
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(shellRig.shell.mainWindow()->isVisible());
    }

    void quitTakesTheNormalQuitPath()
    {
        ShellRig shellRig(true, &QCoreApplication::quit);
        shellRig.shell.install();
        SessionManager &engine = shellRig.rig.sessionManager();
        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        QVERIFY(engine.isTracking());

        QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, shellRig.shell.quitAction(), &QAction::trigger);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(aboutToQuit.count(), 1);
        // Quitting keeps the session stored as active with its interval closed, for the next
        // launch to offer.
        const std::optional<Session> stored = shellRig.rig.engine.storedActiveSession();
        QVERIFY(stored.has_value());
        QVERIFY(stored->intervals.constLast().stoppedAt.has_value());
    }

    void settingsOpensTheMainWindowOnItsSettingsTab()
    {
        ShellRig shellRig(true);
        // Before the shell installed its hooks the command does nothing.
        shellRig.shell.settingsAction()->trigger();
        QVERIFY(shellRig.shell.mainWindow() == nullptr);

        shellRig.shell.install();
        shellRig.shell.settingsAction()->trigger();
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(shellRig.shell.mainWindow()->isVisible());
        QCOMPARE(modelOf(shellRig.shell.mainWindow())->activeTab(), MainTab::Settings);
        QTRY_VERIFY(!shellRig.rig.appState->pendingMainTab().has_value());
    }

    void theMainWindowOffersTheMenuCommands()
    {
        int quits = 0;
        ShellRig shellRig(false, [&quits] { ++quits; });
        shellRig.shell.install();
        QQuickView *window = shellRig.shell.mainWindow();
        QVERIFY(window != nullptr);
        const auto press = [window](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QKeyEvent event(QEvent::KeyPress, key, modifiers);
            QCoreApplication::sendEvent(window, &event);
        };

        press(Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(modelOf(window)->activeTab(), MainTab::Settings);
        QCOMPARE(quits, 0);
        // A plain Q is typing, not quitting.
        press(Qt::Key_Q, Qt::NoModifier);
        QCOMPARE(quits, 0);
        press(Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quits, 1);

        // "Check for Updates…" has no standard key: a right click opens the commands' menu.
        QVERIFY(!shellRig.shell.trayMenu()->isVisible());
        QMouseEvent rightClick(QEvent::MouseButtonPress, QPointF(20, 20),
                               window->mapToGlobal(QPointF(20, 20)), Qt::RightButton,
                               Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &rightClick);
        QTRY_VERIFY(shellRig.shell.trayMenu()->isVisible());
        QVERIFY(
            shellRig.shell.trayMenu()->actions().contains(shellRig.shell.checkForUpdatesAction()));
        shellRig.shell.trayMenu()->hide();
    }

    void checkForUpdatesNeedsASignIn()
    {
        ShellRig shellRig(true);
        shellRig.shell.install();
        QVERIFY(!shellRig.shell.checkForUpdatesAction()->isEnabled());
        shellRig.rig.finishRestore(true);
        QVERIFY(shellRig.shell.checkForUpdatesAction()->isEnabled());

        shellRig.rig.configSource.outcomes.append(
            EngineFixture::config(QStringLiteral("ask"), false));
        shellRig.shell.checkForUpdatesAction()->trigger();
        QTRY_COMPARE(shellRig.rig.alerts.alerts().size(), 1);
        QCOMPARE(shellRig.rig.alerts.alerts().constFirst().messageText,
                 QStringLiteral("You\u2019re up to date."));
        QVERIFY(shellRig.rig.sessionManager().config().has_value());

        shellRig.rig.appState->setIsAuthenticated(false);
        QVERIFY(!shellRig.shell.checkForUpdatesAction()->isEnabled());
    }

    void forcedUpdateBeforeAnyWindowIsSurfacedOnInstall()
    {
        ShellRig shellRig(true);
        int raised = 0;
        ForceUpdateResponder::install(*shellRig.rig.appState, shellRig.control,
                                      {[] {},
                                       [&raised] {
                                           ++raised;
                                           return false;
                                       }});
        shellRig.rig.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
        QVERIFY(!shellRig.rig.appState->didSurfaceForceUpdate());

        shellRig.shell.install();
        QVERIFY(shellRig.rig.appState->didSurfaceForceUpdate());
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(shellRig.shell.mainWindow()->isVisible());
    }

    void idleTintFollowsTheDesktopNotTheSelectedPalette_data()
    {
        QTest::addColumn<bool>("desktopDark");
        QTest::addColumn<bool>("applicationDark");
        QTest::addColumn<MenuBarIconTint>("tint");
        QTest::newRow("light desktop") << false << false << MenuBarIconTint::MonoDark;
        QTest::newRow("light desktop, dark palette") << false << true << MenuBarIconTint::MonoDark;
        QTest::newRow("dark desktop, light palette") << true << false << MenuBarIconTint::MonoLight;
        QTest::newRow("dark desktop") << true << true << MenuBarIconTint::MonoLight;
    }

    void idleTintFollowsTheDesktopNotTheSelectedPalette()
    {
        QFETCH(bool, desktopDark);
        QFETCH(bool, applicationDark);
        QFETCH(MenuBarIconTint, tint);
        const QPalette before = QGuiApplication::palette();
        QGuiApplication::setPalette(applicationDark ? darkPalette() : lightPalette());
        DesktopPalette desktop(desktopDark ? darkPalette() : lightPalette());
        ShellRig shellRig(
            true, [] {}, &desktop);
        shellRig.shell.install();
        QCOMPARE(shellRig.shell.currentTint(), std::optional<MenuBarIconTint>(tint));

        // The desktop switches its scheme: the icon is drawn again for the other panel.
        const int updates = shellRig.shell.iconUpdates();
        desktop.setPalette(desktopDark ? lightPalette() : darkPalette());
        QTRY_COMPARE(shellRig.shell.iconUpdates(), updates + 1);
        QVERIFY(shellRig.shell.currentTint() != tint);
        QGuiApplication::setPalette(before);
    }

    void desktopColoursAreReadBeneathTheApplicationsPalette()
    {
        DesktopPalette &desktop = DesktopPalette::shared();
        const QPalette before = QGuiApplication::palette();
        QGuiApplication::setPalette(darkPalette());
        QQuickView window;
        // The offscreen desktop is a light one.
        desktop.setPalette(darkPalette());
        QEvent themeChange(QEvent::ThemeChange);
        QCoreApplication::sendEvent(&window, &themeChange);
        QTRY_VERIFY(!desktop.looksDark());
        // The application keeps its own palette.
        QCOMPARE(QGuiApplication::palette().color(QPalette::Window),
                 darkPalette().color(QPalette::Window));
        QGuiApplication::setPalette(before);
    }

    void trayLabelFollowsTheEngine()
    {
        ShellRig shellRig(true);
        shellRig.shell.install();
        SessionManager &engine = shellRig.rig.sessionManager();
        QCOMPARE(shellRig.shell.currentLabel(), QString());
        QVERIFY(shellRig.shell.currentTint() == MenuBarIconTint::MonoDark ||
                shellRig.shell.currentTint() == MenuBarIconTint::MonoLight);
        const int before = shellRig.shell.iconUpdates();

        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        QTRY_COMPARE(shellRig.shell.currentTint(), MenuBarIconTint::Tracking);
        QCOMPARE(shellRig.shell.iconUpdates(), before + 1);

        engine.pauseTracking();
        QTRY_COMPARE(shellRig.shell.currentTint(), MenuBarIconTint::PausedOrIdle);
        QCOMPARE(shellRig.shell.iconUpdates(), before + 2);

        // Refreshes without a change set nothing.
        shellRig.shell.refreshTray();
        shellRig.shell.refreshTray();
        QCOMPARE(shellRig.shell.iconUpdates(), before + 2);
        engine.stopTracking(std::nullopt);
    }
};

QTEST_MAIN(TestTrayShell)
#include "TestTrayShell.moc"
