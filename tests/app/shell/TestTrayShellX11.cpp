#include "app/shell/FakeTrayHost.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/SingleInstanceGuard.h"
#include "app/shell/TrayShell.h"
#include "app/shell/WindowWalker.h"
#include "app/state/SessionManagerControl.h"
#include "support/TestEnvironment.h"
#include "ui/root/RootViewModel.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QQuickItem>
#include <QQuickView>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <future>

// The shell on a real X display, against a tray host the test owns.
class TestTrayShellX11 : public QObject
{
    Q_OBJECT

private:
    struct ShellRig
    {
        ShellRig()
            : control(rig.sessionManager())
            , shell(TrayShell::Dependencies{
                  *rig.appState, rig.sessionManager(), control, rig.random, {}, [this] {
                      ++quitRequests;
                  }})
        {}

        ShellTestRig rig;
        SessionManagerControl control;
        int quitRequests = 0;
        TrayShell shell;
    };

private Q_SLOTS:
    void initTestCase() { ZUV_REQUIRE_X11(); }

    // Runs first: no tray host exists yet on the display.
    void withoutATrayHostTheMainWindowShows()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        ShellRig shellRig;
        shellRig.shell.install();
        QVERIFY(shellRig.shell.trayIcon() == nullptr);
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(shellRig.shell.mainWindow()));
    }

    // Without a tray, closing the one window while tracking keeps the session running; a second
    // launch brings the window back; once nothing is tracked, closing it quits.
    void withoutATrayHostClosingTheWindowKeepsTracking()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        ShellRig shellRig;
        QTemporaryDir dataFolder;
        SingleInstanceGuard running(dataFolder.path());
        QVERIFY(running.tryToRun());
        connect(&running, &SingleInstanceGuard::showWindowRequested, &shellRig.shell,
                [&shellRig] { shellRig.shell.showMainWindow(true); });
        shellRig.shell.install();
        QQuickView *window = shellRig.shell.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        SessionManager &engine = shellRig.rig.sessionManager();
        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        QVERIFY(engine.isTracking());

        WindowWalker::requestClose(window);
        QVERIFY(QTest::qWaitFor([&] { return window->windowStates() & Qt::WindowMinimized; }));
        QTest::qWait(200);
        QCOMPARE(shellRig.quitRequests, 0);
        QVERIFY(engine.isTracking());
        QVERIFY(shellRig.shell.mainWindow() == window);

        // The program launched again finds this one running and asks for its window.
        std::future<bool> relaunch = std::async(std::launch::async, [&dataFolder] {
            return SingleInstanceGuard(dataFolder.path()).askRunningInstanceToShowWindow();
        });
        QVERIFY(QTest::qWaitFor([&] {
            return relaunch.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        }));
        QVERIFY(relaunch.get());
        QVERIFY(!(window->windowStates() & Qt::WindowMinimized));
        QVERIFY(window->isVisible());

        engine.stopTracking(std::nullopt);
        QVERIFY(!engine.isTracking());
        WindowWalker::requestClose(window);
        QVERIFY(QTest::qWaitFor([&] { return shellRig.quitRequests == 1; }));
    }

    void trayIconDocksAndItsMenuWorks()
    {
        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        QVERIFY(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

        ShellRig shellRig;
        shellRig.shell.install();
        QVERIFY(shellRig.shell.trayIcon() != nullptr);
        // The main window opens at launch too, behind: nothing of the user's loses the focus.
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(shellRig.shell.mainWindow()));
        QVERIFY(!shellRig.shell.mainWindow()->isActive());

        // The icon asks the host to dock it.
        QVERIFY(QTest::qWaitFor([&] {
            host.pump();
            return !host.dockRequests().isEmpty();
        }));
        // Qt may replace the icon's window right after the first request and dock the new one:
        // the latest request names the window to embed.
        QTest::qWait(500);
        host.pump();
        const FakeTrayHost::WindowId icon = host.dockRequests().constLast();
        QVERIFY(icon != 0);

        // Embedded and clicked, it opens the popover; clicked again, it closes it.
        host.embed(icon);
        QTest::qWait(200);
        host.click(host.iconCentre());
        QVERIFY(QTest::qWaitFor([&] { return shellRig.shell.isPopoverVisible(); }));
        QQuickView *popover = shellRig.shell.popover();
        QVERIFY(QTest::qWaitForWindowExposed(popover));
        QCOMPARE(popover->width(), 340);
        // It opens near the icon, under the top edge.
        QVERIFY(popover->y() >= 0 && popover->y() < 100);
        host.click(host.iconCentre());
        QVERIFY(QTest::qWaitFor([&] { return !shellRig.shell.isPopoverVisible(); }));

        // Losing the focus closes it; the click that took the focus does not reopen it.
        QTest::qWait(TrayShell::reopenGuardMs + 50);
        host.click(host.iconCentre());
        QVERIFY(QTest::qWaitFor([&] { return shellRig.shell.isPopoverVisible(); }));
        QVERIFY(QTest::qWaitFor([&] { return popover->isActive(); }));
        shellRig.shell.showMainWindow(true);
        QVERIFY(QTest::qWaitFor([&] { return !shellRig.shell.isPopoverVisible(); }));
        shellRig.shell.togglePopover();
        QVERIFY(!shellRig.shell.isPopoverVisible());
        QTest::qWait(TrayShell::reopenGuardMs + 50);
        shellRig.shell.togglePopover();
        QVERIFY(shellRig.shell.isPopoverVisible());
        shellRig.shell.hidePopover();

        // The menu: Check for Updates (disabled until signed in), Settings, Quit.
        QMenu *menu = shellRig.shell.trayIcon()->contextMenu();
        QVERIFY(menu != nullptr);
        QStringList titles;
        for (QAction *action : menu->actions())
            if (!action->isSeparator())
                titles.append(action->text());
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("Check for Updates…"), QStringLiteral("Settings…"),
                              QStringLiteral("Quit Zudevav EvozUvarevu")}));
        QVERIFY(!shellRig.shell.checkForUpdatesAction()->isEnabled());

        shellRig.shell.settingsAction()->trigger();
        QVERIFY(shellRig.shell.mainWindow() != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(shellRig.shell.mainWindow()));
        const auto *model = shellRig.shell.mainWindow()
                                ->rootObject()
                                ->property("viewModel")
                                .value<RootViewModel *>();
        QCOMPARE(model->activeTab(), MainTab::Settings);

        shellRig.shell.quitAction()->trigger();
        QCOMPARE(shellRig.quitRequests, 1);
    }

    // A sign-in restored at launch: the permissions are granted, and the popover opened first
    // shows the tracker, not the permissions screen. Only the main window's root probes them, so
    // this holds only because that window opened at launch.
    void restoredSignInOpensThePopoverOnTheTracker()
    {
        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        QVERIFY(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

        ShellRig shellRig;
        shellRig.rig.permissionsGranted = true;
        shellRig.shell.install();
        shellRig.rig.finishRestore(true);
        QVERIFY(QTest::qWaitFor([&] { return shellRig.rig.appState->hasRequiredPermissions(); }));
        QCOMPARE(shellRig.rig.permissionProbes, 1);

        shellRig.shell.togglePopover();
        QQuickView *popover = shellRig.shell.popover();
        QVERIFY(popover != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(popover));
        const auto *model = popover->rootObject()->property("viewModel").value<RootViewModel *>();
        QCOMPARE(model->route(), RootViewModel::Route::SignedIn);
        QCOMPARE(model->mainContent(), RootViewModel::MainContent::SelectedTab);
        QVERIFY(popover->rootObject()->findChild<QQuickItem *>(QStringLiteral("tabContent")));
        QVERIFY(
            !popover->rootObject()->findChild<QQuickItem *>(QStringLiteral("permissionsContent")));
        QCOMPARE(popover->height(), 480);
        shellRig.shell.hidePopover();
    }
};

QTEST_MAIN(TestTrayShellX11)
#include "TestTrayShellX11.moc"
