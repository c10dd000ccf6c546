#include "ScreenshotReportFixture.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/TrayShell.h"
#include "app/state/SessionManagerControl.h"
#include "support/TestEnvironment.h"
#include "ui/reports/ScreenshotsViewModel.h"
#include "ui/root/RootViewModel.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

// The screenshot viewer opened from the popover on a real X display: the popover, which closes
// when it loses the focus to another window, stays open under the viewer it owns.
class TestScreenshotViewerX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ZUV_REQUIRE_X11(); }

    void viewerOverThePopoverKeepsItOpen()
    {
        ShellTestRig rig;
        FakeReportFetcher fetcher;
        ScreenshotReportCache cache;
        ScreenshotsServices services({*rig.appState, rig.sessionManager(), cache,
                                      fetcher.function(), [] { return std::optional<QString>(); },
                                      rig.engine.clock, TlsConfiguration()});
        fetcher.immediateReport = ScreenshotReportFixture::day(1, QStringLiteral("https://x.test"));
        SessionManagerControl control(rig.sessionManager());
        TrayShell shell(TrayShell::Dependencies{*rig.appState, rig.sessionManager(), control,
                                                rig.random, [] { return false; }, [] {}, nullptr,
                                                nullptr, nullptr, &services, nullptr});
        rig.finishRestore(true);
        rig.appState->setHasRequiredPermissions(true);

        shell.togglePopover();
        QQuickView *popover = shell.popover();
        QVERIFY(QTest::qWaitForWindowExposed(popover));
        QVERIFY(QTest::qWaitFor([&] { return popover->isActive(); }));
        auto *model = popover->rootObject()->property("viewModel").value<RootViewModel *>();
        model->selectTab(static_cast<int>(MainTab::Screenshots));
        ScreenshotsViewModel *screen = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            auto *view =
                popover->rootObject()->findChild<QQuickItem *>(QStringLiteral("screenshotsView"));
            screen = view ? view->property("viewModel").value<ScreenshotsViewModel *>() : nullptr;
            return screen && screen->hasHours();
        }));

        screen->openSegment(0, 0);
        QWindow *viewer = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            viewer = QGuiApplication::focusWindow();
            return viewer && viewer->objectName() == QLatin1String("screenshotViewer");
        }));
        QCOMPARE(viewer->transientParent(), popover);
        QTest::qWait(300);
        QVERIFY(shell.isPopoverVisible());

        // Closed by its button, it hands the focus back to the popover, which is still open.
        QVERIFY(QMetaObject::invokeMethod(viewer, "closeRequested"));
        QVERIFY(QTest::qWaitFor([&] { return screen->viewerGeneration() == 0; }));
        QVERIFY(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == popover; }));
        QTest::qWait(200);
        QVERIFY(shell.isPopoverVisible());
        shell.hidePopover();
    }
};

QTEST_MAIN(TestScreenshotViewerX11)
#include "TestScreenshotViewerX11.moc"
