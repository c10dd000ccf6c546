// CPU of the application's side of the tracking screen and the task menu's opening time.
//
//   scripts/with-test-session.sh build/dev/bench/tracker/zuv_bench_tracker [seconds per phase]
//
// 1. The root view in the popover's layout on the software scene graph, a session tracking on
//    the engine, one engine update a second in real time (as its ticker does): the process's CPU
//    time over the phase, with the popover shown and then hidden (600 s each reproduces the
//    ten-minute figures; the default is 60 s).
//    A last phase without any view gives the engine's own share. The phases run the real event
//    loop, which sleeps between events as the application's does.
// 2. The task field's click to the menu shown, over 20 openings.

#include "app/shell/ShellTestRig.h"
#include "ui/root/RootViewModel.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerIdleViewModel.h"
#include "ui/tracker/TrackerServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return t.tv_sec + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the engine's once-a-second update for the given real seconds; the CPU share of one core.
double trackFor(ShellTestRig &rig, int seconds)
{
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(SessionManager::tickerIntervalMs);
    QObject::connect(&ticker, &QTimer::timeout, [&rig] {
        rig.engine.clock.advance(1.0);
        rig.sessionManager().updateLiveMetrics();
    });
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    ticker.start();
    // The application's own event loop, which sleeps until the next event; QTest::qWait would
    // wake every 10 ms and measure itself.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    ticker.stop();
    return 100.0 * (cpuSeconds() - before) / (wall.elapsed() / 1000.0);
}

// Notes when a menu window is shown and closes it at once.
class MenuShownProbe : public QObject
{
public:
    QElapsedTimer sinceClick;
    qint64 shownAfterNs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QMenu *>(watched)) {
            shownAfterNs = sinceClick.nsecsElapsed();
            QTimer::singleShot(0, watched,
                               [menu = qobject_cast<QMenu *>(watched)] { menu->close(); });
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;

    ShellTestRig rig;
    rig.finishRestore(true);
    rig.appState->setHasRequiredPermissions(true);
    RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
    for (int i = 0; i < 12; ++i)
        config.projects.append({QStringLiteral("p%1").arg(i), QStringLiteral("Task %1").arg(i)});
    rig.appState->setRemoteConfig(config);
    rig.sessionManager().applyConfig(config);
    FakeRemoteConfigSource source;
    TaskMenuConfigRefresh refresh({*rig.appState, rig.sessionManager(), source, {}});
    TrackerServices services(
        {*rig.appState, rig.sessionManager(), rig.engine.settings, rig.random, refresh});
    RootViewModel model(RootViewModel::Dependencies{
        *rig.appState, rig.sessionManager(), rig.random, true, false, {}, nullptr, &services});

    QQmlEngine engine;
    QQuickView view(&engine, nullptr);
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
    view.setSource(
        QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "The view was not shown: is there a display?\n");
        return 1;
    }

    // The menu's opening, from the not-tracking screen.
    auto *field = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("taskField"));
    auto *idle = view.rootObject()
                     ->findChild<QQuickItem *>(QStringLiteral("trackerIdleView"))
                     ->property("viewModel")
                     .value<TrackerIdleViewModel *>();
    MenuShownProbe probe;
    app.installEventFilter(&probe);
    QList<double> openings;
    for (int i = 0; i < 20; ++i) {
        probe.shownAfterNs = -1;
        probe.sinceClick.start();
        idle->presentTaskMenu(field);
        if (probe.shownAfterNs >= 0)
            openings.append(probe.shownAfterNs / 1e6);
    }
    app.removeEventFilter(&probe);
    std::sort(openings.begin(), openings.end());
    if (!openings.isEmpty())
        std::printf("task menu, click to shown (13 lines, %lld openings): median %.2f ms, "
                    "worst %.2f ms\n",
                    static_cast<long long>(openings.size()), openings.at(openings.size() / 2),
                    openings.last());

    rig.sessionManager().startTracking(config.projects.first());
    QTest::qWait(500);
    const double open = trackFor(rig, seconds);
    view.hide();
    QTest::qWait(500);
    const double closed = trackFor(rig, seconds);
    // The engine's own share, with no view at all, to tell the screen's cost from it.
    view.setSource(QUrl());
    QTest::qWait(500);
    const double engineOnly = trackFor(rig, seconds);
    std::printf("tracking screen, %d s per phase, software scene graph: CPU %.2f %% of one core "
                "with the popover open, %.2f %% closed, %.2f %% with no view (the engine)\n",
                seconds, open, closed, engineOnly);
    rig.sessionManager().stopTracking(std::nullopt);
    return 0;
}
