#include "app/shell/FakeTrayHost.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/TrayShell.h"
#include "app/state/SessionManagerControl.h"
#include "platform/PlatformServices.h"
#include "store/StoreTestSupport.h"
#include "support/TestEnvironment.h"
#include "tracking/engine/SegmentClockService.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerActiveViewModel.h"
#include "ui/tracker/TrackerServices.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QQuickItem>
#include <QQuickView>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QWindow>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

namespace {

const QString websiteRedesign = QStringLiteral("Website redesign");
const QString quarterlyReport = QStringLiteral("Quarterly report");

} // namespace

// The tracker tab as a person uses it: the popover opened from a docked tray icon, a task picked
// in the native menu, a session started, paused, resumed and stopped, all with XTest clicks on
// the display, while the display's own input stream counts the key presses into the session and
// its segment, kept in the database file.
class TestTrackerTabX11 : public QObject
{
    Q_OBJECT

private:
    // The engine, the segment clock and the shell as the application wires them, except that
    // the clock stands still (so no idle edge or segment boundary interferes) and the
    // configuration comes from a script.
    struct TrackerRig
    {
        // Before the members below, which hold on to the engine.
        static bool createEngine(ShellTestRig &rig)
        {
            rig.engine.useInputSource(PlatformServices::createInputEventSource());
            rig.createAppState();
            rig.engine.createManager();
            return true;
        }

        ShellTestRig rig{false};
        const bool engineCreated = createEngine(rig);
        SessionManagerControl control{rig.sessionManager()};
        SegmentClockService segmentClock{
            rig.sessionManager(),
            {*rig.engine.store, rig.engine.settings, rig.engine.clock, [](const auto &) {
             }}};
        FakeRemoteConfigSource refreshSource;
        TaskMenuConfigRefresh refresh{{*rig.appState, rig.sessionManager(), refreshSource, [] {
                                           return QStringLiteral("acme.example");
                                       }}};
        TrackerServices services{
            {*rig.appState, rig.sessionManager(), rig.engine.settings, rig.random, refresh}};
        TrayShell shell{TrayShell::Dependencies{*rig.appState,
                                                rig.sessionManager(),
                                                control,
                                                rig.random,
                                                {},
                                                [] {},
                                                nullptr,
                                                &services}};
    };

    QQuickItem *item(const char *name) const
    {
        return m_popover->rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
    }

    // A real click in the middle of a visible item of the popover.
    bool clickItem(const char *name)
    {
        QQuickItem *target = item(name);
        if (!target || !target->isVisible())
            return false;
        const QPoint centre =
            target->mapToGlobal(QPointF(target->width() / 2, target->height() / 2)).toPoint();
        m_input->moveTo(centre.x(), centre.y());
        m_input->click(1);
        return true;
    }

    void typeKeys(int count)
    {
        for (int i = 0; i < count; ++i)
            m_input->keyTap(XK_a);
    }

    QString activityRateShown() const
    {
        const QQuickItem *rate = item("activityRate");
        return rate ? rate->property("text").toString() : QString();
    }

    // Clicks the task once the menu is open and shown; the menu runs its own event loop, so
    // this has to come from a timer inside it.
    void pickFromTheMenuWhenShown(const QString &title, QStringList &titles)
    {
        auto *poll = new QTimer(this);
        poll->setInterval(50);
        connect(poll, &QTimer::timeout, this, [this, poll, title, &titles] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || !menu->windowHandle() || !menu->windowHandle()->isExposed())
                return;
            poll->deleteLater();
            titles.clear();
            QAction *wanted = nullptr;
            for (QAction *action : menu->actions()) {
                titles.append(action->text());
                if (action->text() == title)
                    wanted = action;
            }
            if (!wanted) {
                menu->close();
                return;
            }
            const QPoint at = menu->mapToGlobal(menu->actionGeometry(wanted).center());
            m_input->moveTo(at.x(), at.y());
            m_input->click(1);
        });
        poll->start();
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_X11();
        m_input = std::make_unique<XTestInjector>();
        QVERIFY(m_input->isOpen());
    }

    void cleanup()
    {
        // Never leave a menu open on the shared display.
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    void pickATaskTrackAndFindTheSessionStored()
    {
        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        QVERIFY(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

        TrackerRig tracker;
        ShellTestRig &rig = tracker.rig;
        SessionManager &engine = rig.sessionManager();
        RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
        config.projects = {{QStringLiteral("p1"), websiteRedesign},
                           {QStringLiteral("p2"), quarterlyReport}};
        tracker.refreshSource.outcomes = {config};
        tracker.segmentClock.bindToTrackingState();
        tracker.shell.install();
        rig.finishRestore(true);
        rig.appState->setHasRequiredPermissions(true);
        rig.appState->setRemoteConfig(config);
        engine.applyConfig(config);

        // The icon docks; a click on it opens the popover.
        QVERIFY(QTest::qWaitFor([&] {
            host.pump();
            return !host.dockRequests().isEmpty();
        }));
        // The latest request names the icon's window: Qt may replace the first one.
        QTest::qWait(500);
        host.pump();
        host.embed(host.dockRequests().constLast());
        QTest::qWait(200);
        host.click(host.iconCentre());
        QVERIFY(QTest::qWaitFor([&] { return tracker.shell.isPopoverVisible(); }));
        m_popover = tracker.shell.popover();
        QVERIFY(QTest::qWaitForWindowExposed(m_popover));
        QVERIFY(QTest::qWaitFor([&] { return m_popover->isActive(); }));
        QVERIFY(QTest::qWaitFor([&] { return item("taskField") != nullptr; }));
        QCOMPARE(item("taskFieldTitle")->property("text").toString(), QStringLiteral("No task"));

        // The field opens the menu; the second task is clicked in it.
        QStringList titles;
        pickFromTheMenuWhenShown(quarterlyReport, titles);
        QVERIFY(clickItem("taskField"));
        QVERIFY(
            QTest::qWaitFor([&] { return engine.selectedProjectId() == QStringLiteral("p2"); }));
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("No task"), websiteRedesign, quarterlyReport}));
        QCOMPARE(tracker.refreshSource.fetches, 1);
        // Picking in the menu must not have closed the popover.
        QVERIFY(tracker.shell.isPopoverVisible());
        QTRY_COMPARE(item("taskFieldTitle")->property("text").toString(), quarterlyReport);

        QVERIFY(clickItem("startTrackingButton"));
        QVERIFY(QTest::qWaitFor([&] { return engine.isTracking(); }));
        QVERIFY(QTest::qWaitFor([&] { return item("trackerActiveView") != nullptr; }));
        QTRY_COMPARE(item("taskName")->property("text").toString(), quarterlyReport);
        // A second of the segment clock without input shows a rate of nothing.
        QTRY_COMPARE(activityRateShown(), QStringLiteral("0%"));

        typeKeys(5);
        QTRY_COMPARE(engine.keyboardEvents(), qint64(5));
        QTRY_VERIFY(activityRateShown() != QStringLiteral("0%"));
        QCOMPARE(activityRateShown(),
                 TrackerActiveViewModel::activityRateTextFor(engine.last5MinActivityRate()));

        // Paused, the screen offers Resume, and what is typed meanwhile is not the session's.
        QVERIFY(clickItem("pauseButton"));
        QVERIFY(QTest::qWaitFor([&] { return engine.isPaused(); }));
        QVERIFY(QTest::qWaitFor([&] { return item("resumeButton") != nullptr; }));
        QCOMPARE(item("resumeButton")->property("text").toString(), QStringLiteral("Resume"));
        typeKeys(4);

        QVERIFY(clickItem("resumeButton"));
        QVERIFY(QTest::qWaitFor([&] { return !engine.isPaused(); }));
        QVERIFY(QTest::qWaitFor([&] { return item("pauseButton") != nullptr; }));
        typeKeys(2);
        QTRY_COMPARE(engine.keyboardEvents(), qint64(7));

        QVERIFY(clickItem("stopButton"));
        QVERIFY(QTest::qWaitFor([&] { return !engine.isTracking(); }));
        QVERIFY(QTest::qWaitFor([&] { return item("startTrackingButton") != nullptr; }));

        // What the file holds, read over a connection of its own.
        const RawDatabase database(rig.engine.store->databasePath());
        QVERIFY(database.isOpen());
        QCOMPARE(database.rows("SELECT project_id, project_name, "
                               "json_extract(CAST(payload AS TEXT), '$.keyboardCount') "
                               "FROM session_history"),
                 QStringList{QStringLiteral("p2|Quarterly report|7")});
        QCOMPARE(database.value("SELECT SUM(keyboard_movements) FROM activity_segments"),
                 QStringLiteral("7"));
        QVERIFY(!rig.engine.storedActiveSession().has_value());
        tracker.shell.hidePopover();
    }

private:
    std::unique_ptr<XTestInjector> m_input;
    QPointer<QQuickView> m_popover;
};

QTEST_MAIN(TestTrackerTabX11)
#include "TestTrackerTabX11.moc"
