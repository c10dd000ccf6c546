// The summary tab over a store holding a year of work: about 2,500 finished sessions and 50,000
// activity segments of one company.
//
//   scripts/with-test-session.sh build/dev/bench/summary/zuv_bench_summary [rounds]
//
// 1. The tab's first appearance and then each change of period (Today and This Week in turn):
//    the time from the choice to the rows drawn on the software scene graph, while a session is
//    tracking and the engine writes to the same store once a second.
// 2. Meanwhile, the longest gap between two runs of a 1 ms timer on the GUI thread: how long
//    the GUI thread was kept from its events (goal: under 16 ms).
// 3. The GUI thread's own part of a load: from the rows' reset to the load's end.
// 4. For comparison, the same two reads of a week made directly on the GUI thread.

#include "app/shell/ShellTestRig.h"
#include "ui/reports/StoreSummarySource.h"
#include "ui/reports/SummaryServices.h"
#include "ui/reports/SummaryViewModel.h"
#include "ui/root/RootViewModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

constexpr int days = 365;
constexpr int sessionsPerDay = 7;
constexpr int segmentsPerDay = 137;

// A year of days up to the clock's today, seven sessions of 50 minutes a day and 137 segments.
void fillYear(SQLiteStore &store, Timestamp now)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDate today = now.toDateTime().toTimeZone(zone).date();
    QElapsedTimer timer;
    timer.start();
    for (int back = days - 1; back >= 0; --back) {
        const QDate day = today.addDays(-back);
        const Timestamp morning =
            Timestamp::fromDateTime(day.startOfDay(zone)).addingSeconds(7 * 3600.0);
        for (int index = 0; index < sessionsPerDay; ++index) {
            Session session;
            session.id = QUuid::createUuid();
            session.deviceId = QStringLiteral("bench");
            session.projectId = QStringLiteral("p%1").arg(index);
            session.projectName = QStringLiteral("Task number %1").arg(index);
            const Timestamp start = morning.addingSeconds(index * 3600.0);
            session.intervals.append({QUuid::createUuid(), start, start.addingSeconds(3000.0)});
            session.status = SessionStatus::Completed;
            session.reportedTotalSeconds = 3000;
            store.appendSessionHistory(session);
        }
        const QString key = day.toString(Qt::ISODate);
        for (int segment = 0; segment < segmentsPerDay; ++segment)
            store.upsertActivitySegment(key, segment, 300 + segment % 300, 600, 50, 80);
    }
    std::printf("filled %d sessions and %d segments in %.1f s\n", days * sessionsPerDay,
                days * segmentsPerDay, timer.elapsed() / 1000.0);
}

// The longest gap between two runs of a 1 ms timer on this thread.
class GapMonitor
{
public:
    GapMonitor()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_sinceLast.nsecsElapsed() / 1e6);
            m_sinceLast.restart();
        });
    }

    void start()
    {
        m_longest = 0.0;
        m_sinceLast.start();
        m_timer.start();
    }

    double stop()
    {
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    double m_longest = 0.0;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;

    ShellTestRig rig;
    rig.finishRestore(true);
    rig.appState->setHasRequiredPermissions(true);
    fillYear(*rig.engine.store, rig.engine.clock.now());

    SummaryServices services({*rig.appState,
                              rig.sessionManager(),
                              std::make_unique<StoreSummarySource>(*rig.engine.store),
                              rig.engine.clock,
                              {}});
    RootViewModel model(RootViewModel::Dependencies{*rig.appState,
                                                    rig.sessionManager(),
                                                    rig.random,
                                                    true,
                                                    false,
                                                    {},
                                                    &rig.engine.clock,
                                                    nullptr,
                                                    &services});
    QQmlEngine engine;
    QQuickView view(&engine, nullptr);
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
    view.setSource(
        QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }

    // A session tracking, its engine writing to the same store once a second.
    rig.sessionManager().startTracking(RemoteProject{QStringLiteral("p0"), QStringLiteral("Live")});
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(SessionManager::tickerIntervalMs);
    QObject::connect(&ticker, &QTimer::timeout, [&rig] {
        rig.engine.clock.advance(1.0);
        rig.sessionManager().updateLiveMetrics();
    });
    ticker.start();

    int framesSwapped = 0;
    QObject::connect(&view, &QQuickWindow::frameSwapped, [&framesSwapped] { ++framesSwapped; });
    const auto summaryModel = [&view]() -> SummaryViewModel * {
        auto *summary = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("summaryView"));
        return summary ? summary->property("viewModel").value<SummaryViewModel *>() : nullptr;
    };
    // From the choice to the first frame drawn after the rows arrived.
    const auto timeToRows = [&](const std::function<void()> &choose) {
        QElapsedTimer elapsed;
        elapsed.start();
        choose();
        SummaryViewModel *summary = nullptr;
        const bool loaded = QTest::qWaitFor(
            [&] {
                summary = summaryModel();
                return summary && !summary->loading();
            },
            10'000);
        const int framesBefore = framesSwapped;
        const bool drawn = QTest::qWaitFor([&] { return framesSwapped > framesBefore; }, 10'000);
        if (!loaded || !drawn)
            std::fprintf(stderr, "the rows were not shown within 10 s\n");
        return elapsed.nsecsElapsed() / 1e6;
    };

    GapMonitor gaps;
    gaps.start();
    const double first = timeToRows([&] { model.selectTab(static_cast<int>(MainTab::Summary)); });
    const double firstBlock = gaps.stop();
    // The tab standing open, its Ongoing row redrawn once a second: the frames' own share.
    gaps.start();
    QTest::qWait(3000);
    const double idleBlock = gaps.stop();
    // The GUI thread's own part of a load: the rows replaced, their delegates made.
    QElapsedTimer applying;
    double longestApply = 0.0;
    QObject::connect(summaryModel()->rows(), &QAbstractItemModel::modelAboutToBeReset,
                     [&applying] { applying.start(); });
    QObject::connect(summaryModel(), &SummaryViewModel::loadingChanged, [&] {
        if (applying.isValid() && !summaryModel()->loading())
            longestApply = std::max(longestApply, applying.nsecsElapsed() / 1e6);
    });
    gaps.start();
    QList<double> switches;
    for (int round = 0; round < rounds; ++round) {
        const auto period =
            round % 2 == 0 ? SummaryViewModel::Period::Week : SummaryViewModel::Period::Today;
        switches.append(timeToRows([&] { summaryModel()->setPeriod(period); }));
    }
    const double longestBlock = gaps.stop();
    const int shownRows = summaryModel()->rows()->rowCount();

    QElapsedTimer direct;
    direct.start();
    const auto week = rig.engine.store->sessionHistory(
        rig.engine.clock.now().addingSeconds(-7 * 86400.0), rig.engine.clock.now());
    rig.engine.store->segmentActivitySummary(rig.engine.clock.now().addingSeconds(-7 * 86400.0),
                                             rig.engine.clock.now());
    const double directMs = direct.nsecsElapsed() / 1e6;

    std::printf("first appearance to rows drawn: %.1f ms\n", first);
    std::printf("period change to rows drawn over %d changes: median %.1f ms, longest %.1f ms "
                "(last table %d rows)\n",
                rounds, median(switches), *std::max_element(switches.cbegin(), switches.cend()),
                shownRows);
    std::printf("longest GUI-thread block: %.1f ms while the tab first appears, %.1f ms over the "
                "period changes (goal: under 16 ms), %.1f ms with the tab standing open\n",
                firstBlock, longestBlock, idleBlock);
    std::printf(
        "the GUI thread's part of a load (rows replaced, delegates made): longest %.1f ms\n",
        longestApply);
    std::printf("for comparison, a week's two reads on the GUI thread: %.1f ms (%lld sessions)\n",
                directMs, static_cast<long long>(week.size()));
    rig.sessionManager().stopTracking(std::nullopt);
    return 0;
}
