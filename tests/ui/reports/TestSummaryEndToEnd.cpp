#include "app/config/APITimeZoneResolver.h"
#include "app/shell/ShellTestRig.h"
#include "tracking/engine/SegmentClockService.h"
#include "ui/reports/StoreSummarySource.h"
#include "ui/reports/SummaryRowModel.h"
#include "ui/reports/SummaryServices.h"
#include "ui/reports/SummaryViewModel.h"

#include <QLocale>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

const QUrl acme(QStringLiteral("https://acme.example/api/"));
const QUrl other(QStringLiteral("https://other.example/api/"));

// A wall-clock reading on the fixture's Monday 8 or Tuesday 9 December 2025, in the device's zone,
// which is the zone the engine is told to cut its segments in too.
Timestamp deviceTime(int day, int hour, int minute = 0, int second = 0)
{
    return Timestamp::fromDateTime(
        QDateTime(QDate(2025, 12, day), QTime(hour, minute, second), QTimeZone::systemTimeZone()));
}

} // namespace

// Sessions tracked by the real engine and its segment clock into the real store file, then read
// back by the summary through its own thread: what the tab shows for today and this week, the
// other company's work left out, and the running session joining without a reload.
class TestSummaryEndToEnd : public QObject
{
    Q_OBJECT

private:
    struct Rig
    {
        Rig()
        {
            const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
            rig.engine.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                                          zone);
            RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false, 100'000);
            config.appTimezone = zone;
            rig.sessionManager().applyConfig(config);
            rig.finishRestore(true);
            segments = std::make_unique<SegmentClockService>(
                rig.sessionManager(), SegmentClockService::Dependencies{
                                          *rig.engine.store, rig.engine.settings, rig.engine.clock,
                                          [](const auto &) {}, std::chrono::hours(1)});
            segments->bindToTrackingState();
        }

        ~Rig()
        {
            if (rig.sessionManager().isTracking())
                rig.sessionManager().stopTracking(std::nullopt);
        }

        // Tracks from one moment to the other, a key pressed in each of the first activeSeconds.
        void track(const char *task, Timestamp from, Timestamp to, int activeSeconds = 0)
        {
            rig.engine.clock.set(from);
            rig.sessionManager().startTracking(
                RemoteProject{QString::fromLatin1(task).toLower(), QString::fromLatin1(task)});
            QVERIFY(rig.sessionManager().isTracking());
            tickUntil(to, activeSeconds);
        }

        void tickUntil(Timestamp to, int activeSeconds = 0)
        {
            for (int second = 1; rig.engine.clock.now() < to; ++second) {
                if (second <= activeSeconds)
                    QVERIFY(rig.engine.pushInput(RawInputEvent::Type::KeyDown));
                rig.engine.clock.advance(1.0);
                segments->tick();
                rig.sessionManager().updateLiveMetrics();
            }
        }

        void stop() { rig.sessionManager().stopTracking(std::nullopt); }

        ShellTestRig rig;
        std::unique_ptr<SegmentClockService> segments;
    };

    static QStringList tasks(const SummaryRowModel &rows)
    {
        QStringList names;
        for (int row = 0; row < rows.rowCount(); ++row)
            names.append(rows.data(rows.index(row), SummaryRowModel::TaskNameRole).toString());
        return names;
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void trackedSessionsAppearForTheirPeriod()
    {
        Rig tracked;
        tracked.rig.engine.domainStorage.setBaseURL(acme);
        tracked.track("Audit", deviceTime(8, 14), deviceTime(8, 14, 30));
        tracked.stop();
        // The first ten minutes busy, the next twenty without input.
        tracked.track("Payroll", deviceTime(9, 9), deviceTime(9, 9, 30), 600);
        tracked.stop();
        tracked.rig.engine.domainStorage.setBaseURL(other);
        tracked.track("Secret", deviceTime(9, 10), deviceTime(9, 10, 20), 1200);
        tracked.stop();
        tracked.rig.engine.domainStorage.setBaseURL(acme);

        // The summary reads the file through a connection of its own, noting the thread it runs
        // on.
        const Qt::HANDLE guiThread = QThread::currentThreadId();
        std::atomic<int> readsOnTheGuiThread = 0;
        auto reader = std::make_unique<SQLiteStore>(
            tracked.rig.engine.store->databasePath(),
            [&] {
                if (QThread::currentThreadId() == guiThread)
                    ++readsOnTheGuiThread;
                return tracked.rig.engine.domainStorage.partitionKey();
            },
            tracked.rig.engine.clock);
        SummaryServices services({*tracked.rig.appState,
                                  tracked.rig.sessionManager(),
                                  std::make_unique<StoreSummarySource>(*reader),
                                  tracked.rig.engine.clock,
                                  {}});
        SummaryViewModel model;
        model.setServices(&services);

        model.appeared();
        QVERIFY(model.loading());
        QTRY_VERIFY(!model.loading());
        QCOMPARE(tasks(*model.rows()), QStringList{QStringLiteral("Payroll")});
        QCOMPARE(model.totalText(), QStringLiteral("30m"));
        QCOMPARE(model.sessionsText(), QStringLiteral("1"));
        // One segment wholly active, two without input: 100 × 100 over 300.
        QCOMPARE(model.averageText(), QStringLiteral("33%"));
        QCOMPARE(model.rows()->data(model.rows()->index(0), SummaryRowModel::StartTextRole),
                 QVariant(QStringLiteral("9 Dec 09:00")));

        model.setPeriod(SummaryViewModel::Period::Week);
        QTRY_VERIFY(!model.loading());
        QCOMPARE(tasks(*model.rows()),
                 (QStringList{QStringLiteral("Payroll"), QStringLiteral("Audit")}));
        QCOMPARE(model.totalText(), QStringLiteral("1h 0m"));
        QCOMPARE(model.averageText(), QStringLiteral("17%"));

        // The running session joins at once; its finished form waits for the next load.
        tracked.track("Support", deviceTime(9, 11), deviceTime(9, 11, 5));
        QCOMPARE(tasks(*model.rows()),
                 (QStringList{QStringLiteral("Payroll"), QStringLiteral("Audit"),
                              QStringLiteral("Support")}));
        QCOMPARE(model.totalText(), QStringLiteral("1h 5m"));
        QCOMPARE(model.sessionsText(), QStringLiteral("3"));
        tracked.tickUntil(deviceTime(9, 11, 10));
        QCOMPARE(model.totalText(), QStringLiteral("1h 10m"));
        tracked.stop();
        QCOMPARE(model.sessionsText(), QStringLiteral("2"));
        model.setPeriod(SummaryViewModel::Period::Today);
        QTRY_VERIFY(!model.loading());
        QCOMPARE(tasks(*model.rows()),
                 (QStringList{QStringLiteral("Support"), QStringLiteral("Payroll")}));
        QCOMPARE(model.totalText(), QStringLiteral("40m"));

        QCOMPARE(readsOnTheGuiThread.load(), 0);
    }
};

QTEST_MAIN(TestSummaryEndToEnd)
#include "TestSummaryEndToEnd.moc"
