#include "app/config/APITimeZoneResolver.h"
#include "support/LogCapture.h"
#include "tracking/engine/EngineFixture.h"
#include "tracking/engine/SegmentClockService.h"

#include <QTest>

#include <memory>

using SegmentKey = SegmentUtils::SegmentKey;
using Counters = SegmentClockService::Counters;

Q_DECLARE_METATYPE(SegmentKey)

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};

Timestamp localTime(const char *zone, QDate date, QTime time)
{
    return Timestamp::fromDateTime(QDateTime(date, time, QTimeZone(zone)));
}

// A session manager over a real store file, the segment clock bound to it, and a record of every
// "segments closed" hand-over. The timer is kept out of the way: the tests tick by hand.
class ClockHarness
{
public:
    explicit ClockHarness(const QString &zone = QStringLiteral("UTC"))
    {
        fixture.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey), zone);
        fixture.createManager();
    }

    SessionManager &manager() { return fixture.manager(); }

    SegmentClockService &createClock()
    {
        clock = std::make_unique<SegmentClockService>(
            manager(), SegmentClockService::Dependencies{
                           *fixture.store, fixture.settings, fixture.clock,
                           [this](const SegmentKey &open) { closedHandOvers.append(open); },
                           std::chrono::hours(1)});
        clock->bindToTrackingState();
        return *clock;
    }

    void startTracking(Timestamp at)
    {
        fixture.clock.set(at);
        manager().startTracking(payroll);
    }

    // One tick at that moment, after the given input.
    void tickAt(Timestamp at, int keys = 0, int moves = 0)
    {
        if (keys > 0)
            QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, keys));
        if (moves > 0)
            QVERIFY(fixture.pushInput(RawInputEvent::Type::PointerMotion, moves));
        fixture.clock.set(at);
        clock->tick();
    }

    std::optional<SQLiteStore::ActivitySegmentRow> storedRow(const SegmentKey &key)
    {
        return fixture.openSecondStore()->activitySegment(key.dayKey, key.number);
    }

    Counters storedCounters(const SegmentKey &key)
    {
        const auto row = storedRow(key);
        if (!row)
            return Counters{-1, -1, -1, -1};
        return Counters{row->activeSeconds, row->nonIdleSeconds, row->mouseMovements,
                        row->keyboardMovements};
    }

    // Lets the deferred hand-overs run.
    void settle() { QCoreApplication::processEvents(); }

    EngineFixture fixture;
    std::unique_ptr<SegmentClockService> clock;
    QList<SegmentKey> closedHandOvers;
};

} // namespace

char *toString(const Counters &counters)
{
    return QTest::toString(QStringLiteral("active %1, non-idle %2, mouse %3, keyboard %4")
                               .arg(counters.activeSeconds)
                               .arg(counters.nonIdleSeconds)
                               .arg(counters.mouseMovements)
                               .arg(counters.keyboardMovements));
}

class TestSegmentClockService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void segmentBoundaries_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QDateTime>("lastTickOfOld");
        QTest::addColumn<QDateTime>("firstTickOfNew");
        QTest::addColumn<SegmentKey>("oldKey");
        QTest::addColumn<SegmentKey>("newKey");

        const QTimeZone utc = QTimeZone::utc();
        const QDate day(2025, 12, 9);
        QTest::newRow("ten past the hour")
            << QStringLiteral("UTC") << QDateTime(day, QTime(0, 9, 59, 999), utc)
            << QDateTime(day, QTime(0, 10, 0), utc) << SegmentKey{"2025-12-09", 0}
            << SegmentKey{"2025-12-09", 1};
        QTest::newRow("on the hour")
            << QStringLiteral("UTC") << QDateTime(day, QTime(13, 59, 59), utc)
            << QDateTime(day, QTime(14, 0, 0), utc) << SegmentKey{"2025-12-09", 83}
            << SegmentKey{"2025-12-09", 84};
        QTest::newRow("midnight") << QStringLiteral("UTC") << QDateTime(day, QTime(23, 59, 59), utc)
                                  << QDateTime(day.addDays(1), QTime(0, 0, 0), utc)
                                  << SegmentKey{"2025-12-09", 143} << SegmentKey{"2025-12-10", 0};
        // The API zone's midnight, not the system's: 23:59:59 in Auckland is 10:59:59 UTC.
        const QTimeZone auckland("Pacific/Auckland");
        QTest::newRow("midnight in the API zone")
            << QStringLiteral("Pacific/Auckland") << QDateTime(day, QTime(23, 59, 59), auckland)
            << QDateTime(day.addDays(1), QTime(0, 0, 0), auckland) << SegmentKey{"2025-12-09", 143}
            << SegmentKey{"2025-12-10", 0};
    }

    void segmentBoundaries()
    {
        QFETCH(QString, zone);
        QFETCH(QDateTime, lastTickOfOld);
        QFETCH(QDateTime, firstTickOfNew);
        QFETCH(SegmentKey, oldKey);
        QFETCH(SegmentKey, newKey);

        ClockHarness harness(zone);
        const Timestamp firstTick = Timestamp::fromDateTime(lastTickOfOld).addingSeconds(-2.0);
        harness.startTracking(firstTick);
        harness.createClock();
        LogCapture log;

        // The first tick opens its segment without a rollover and writes nothing.
        harness.tickAt(firstTick, 2, 0);
        QCOMPARE(harness.clock->currentSegment(), std::optional(oldKey));
        harness.tickAt(Timestamp::fromDateTime(lastTickOfOld), 0, 3);
        QVERIFY(!log.contains(QStringLiteral("Segment rollover")));
        QVERIFY(!harness.storedRow(oldKey));

        harness.tickAt(Timestamp::fromDateTime(firstTickOfNew), 1, 0);
        QVERIFY(log.contains(QStringLiteral("Segment rollover: %1#%2 → %3#%4")
                                 .arg(oldKey.dayKey)
                                 .arg(oldKey.number)
                                 .arg(newKey.dayKey)
                                 .arg(newKey.number)));
        QCOMPARE(harness.storedCounters(oldKey), (Counters{2, 2, 3, 2}));
        // The tick that found the new segment counts into it alone.
        QCOMPARE(harness.clock->currentSegment(), std::optional(newKey));
        QCOMPARE(harness.clock->currentCounters(), (Counters{1, 1, 0, 1}));
        QVERIFY(!harness.storedRow(newKey));

        // The hand-over waits for the event loop, then names the newly open segment.
        QVERIFY(harness.closedHandOvers.isEmpty());
        harness.settle();
        QCOMPARE(harness.closedHandOvers, QList<SegmentKey>{newKey});
        QCOMPARE(
            harness.fixture.store->pendingActivitySegmentsForUpload(newKey.dayKey, newKey.number)
                .size(),
            1);
    }

    void emptySegmentIsNeitherWrittenNorQueued()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(9, 55));
        harness.startTracking(start);
        harness.createClock();
        LogCapture log;

        harness.manager().pauseTracking();
        harness.tickAt(start);
        QCOMPARE(harness.clock->currentCounters(), Counters{});
        harness.tickAt(start.addingSeconds(300.0));
        QVERIFY(log.contains(QStringLiteral("Segment rollover: 2025-12-09#59 → 2025-12-09#60")));
        harness.settle();
        QVERIFY(!harness.storedRow(SegmentKey{"2025-12-09", 59}));
        QVERIFY(harness.closedHandOvers.isEmpty());
    }

    void writesEverySixtyTicks()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.startTracking(start);
        harness.createClock();

        // Paused seconds count nothing: the tick count still wraps at 60 without a write.
        harness.manager().pauseTracking();
        for (int second = 0; second < 60; ++second)
            harness.tickAt(start.addingSeconds(second));
        QVERIFY(!harness.storedRow(key));

        harness.manager().resumeTracking();
        for (int second = 60; second < 119; ++second)
            harness.tickAt(start.addingSeconds(second), second == 60 ? 1 : 0);
        QVERIFY(!harness.storedRow(key));
        harness.tickAt(start.addingSeconds(119));
        QCOMPARE(harness.storedCounters(key), (Counters{1, 60, 0, 1}));

        for (int second = 120; second < 179; ++second)
            harness.tickAt(start.addingSeconds(second));
        QCOMPARE(harness.storedCounters(key), (Counters{1, 60, 0, 1}));
        harness.tickAt(start.addingSeconds(179));
        QCOMPARE(harness.storedCounters(key), (Counters{1, 120, 0, 1}));
        harness.settle();
        QVERIFY(harness.closedHandOvers.isEmpty());
    }

    void stopFlushesAndStartContinuesTheSegment()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.createClock();
        QVERIFY(!harness.clock->isRunning());

        harness.startTracking(start);
        QVERIFY(harness.clock->isRunning());
        for (int second = 0; second < 5; ++second)
            harness.tickAt(start.addingSeconds(second), 1);
        harness.manager().stopTracking(std::nullopt);
        QVERIFY(!harness.clock->isRunning());
        QCOMPARE(harness.storedCounters(key), (Counters{5, 5, 0, 5}));
        QCOMPARE(harness.clock->currentSegment(), std::optional(key));

        harness.startTracking(start.addingSeconds(30.0));
        QVERIFY(harness.clock->isRunning());
        for (int second = 30; second < 33; ++second)
            harness.tickAt(start.addingSeconds(second), 0, 2);
        harness.manager().stopTracking(std::nullopt);
        QCOMPARE(harness.storedCounters(key), (Counters{8, 8, 6, 5}));

        // A later start finishes the old segment at its first tick and queues it.
        harness.startTracking(start.addingSeconds(900.0));
        harness.tickAt(start.addingSeconds(900.0));
        harness.settle();
        QCOMPARE(harness.closedHandOvers, (QList<SegmentKey>{{"2025-12-09", 61}}));
        QCOMPARE(harness.storedCounters(key), (Counters{8, 8, 6, 5}));
    }

    void aSessionsSegmentsHoldEveryCountOfTheSession()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 9, 57));
        harness.createClock();
        harness.startTracking(start);
        for (int second = 1; second <= 4; ++second)
            harness.tickAt(start.addingSeconds(second), 2, 3);
        // Input after the last tick, then Stop within that second.
        QVERIFY(harness.fixture.pushInput(RawInputEvent::Type::KeyDown, 1));
        QVERIFY(harness.fixture.pushInput(RawInputEvent::Type::PointerMotion, 2));
        harness.fixture.clock.set(start.addingSeconds(4.6));
        harness.manager().stopTracking(std::nullopt);
        harness.fixture.runUploads();

        const auto session = harness.fixture.uploadQueue.lastSession("finalHeartbeatTask");
        QVERIFY(session);
        const Counters first = harness.storedCounters({"2025-12-09", 60});
        const Counters second = harness.storedCounters({"2025-12-09", 61});
        QCOMPARE(first.keyboardMovements + second.keyboardMovements, session->keyboardCount);
        QCOMPARE(first.mouseMovements + second.mouseMovements, session->mouseCount);
    }

    void anUploadedSegmentIsNotSentAgainByTheNextStart()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.createClock();
        harness.startTracking(start);
        harness.tickAt(start.addingSeconds(1.0), 1);
        harness.manager().stopTracking(std::nullopt);
        // Closed since, and uploaded by a pass.
        harness.fixture.store->markActivitySegmentUploaded(key.dayKey, key.number);

        harness.startTracking(start.addingSeconds(1200.0));
        harness.tickAt(start.addingSeconds(1201.0));
        harness.settle();
        QVERIFY(
            harness.fixture.store->pendingActivitySegmentsForUpload("2025-12-09", 62).isEmpty());
        QCOMPARE(harness.storedCounters(key), (Counters{1, 1, 0, 1}));
    }

    void bindingWhileTrackingStartsAtOnce()
    {
        ClockHarness harness;
        harness.startTracking(localTime("UTC", QDate(2025, 12, 9), QTime(10, 0)));
        harness.createClock();
        QVERIFY(harness.clock->isRunning());
    }

    // The row of a key that is opened again must keep growing, never shrink to the new counts.
    void restartWithinTheSegmentKeepsTheEarlierCounts_data()
    {
        QTest::addColumn<bool>("flushedBeforeRestart");
        QTest::addColumn<Counters>("expected");
        // Quit: the stop wrote all 70 seconds.
        QTest::newRow("quit") << true << Counters{70, 70, 0, 70 + 4};
        // Killed: only the write at 60 ticks reached the store; the last 10 s are lost.
        QTest::newRow("killed") << false << Counters{60, 60, 0, 60 + 4};
    }

    void restartWithinTheSegmentKeepsTheEarlierCounts()
    {
        QFETCH(bool, flushedBeforeRestart);
        QFETCH(Counters, expected);

        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.startTracking(start);
        harness.createClock();
        for (int second = 0; second < 70; ++second)
            harness.tickAt(start.addingSeconds(second), 1);
        if (flushedBeforeRestart)
            harness.manager().stopTracking(std::nullopt);
        harness.clock.reset();
        harness.fixture.destroyManager();

        // The next process: a new manager and a new clock within the same ten minutes.
        harness.fixture.createManager();
        harness.startTracking(start.addingSeconds(200.0));
        LogCapture log;
        harness.createClock();
        for (int second = 200; second < 204; ++second)
            harness.tickAt(start.addingSeconds(second), 0, 0);
        harness.tickAt(start.addingSeconds(204), 4);
        harness.manager().stopTracking(std::nullopt);
        QCOMPARE(harness.storedCounters(key),
                 (Counters{expected.activeSeconds + 1, expected.nonIdleSeconds + 5, 0,
                           expected.keyboardMovements}));
        QVERIFY(log.contains(QStringLiteral("Segment 2025-12-09#60 continues from its stored")));
    }

    void recurringKeyKeepsTheEarlierCounts_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<double>("firstVisit");
        QTest::addColumn<double>("nextSegment");
        QTest::addColumn<double>("secondVisit");
        QTest::addColumn<SegmentKey>("key");

        // Berlin leaves summer time at 01:00 UTC on 2025-10-26: 02:00-02:59 local comes twice.
        const double beforeFallBack =
            Timestamp::fromDateTime(QDateTime(QDate(2025, 10, 26), QTime(0, 5), QTimeZone::utc()))
                .secondsSince1970();
        QTest::newRow("daylight-saving fall-back")
            << QStringLiteral("Europe/Berlin") << beforeFallBack << beforeFallBack + 600.0
            << beforeFallBack + 3600.0 << SegmentKey{"2025-10-26", 12};
        const double morning =
            Timestamp::fromDateTime(QDateTime(QDate(2025, 12, 9), QTime(9, 0), QTimeZone::utc()))
                .secondsSince1970();
        QTest::newRow("system clock set back")
            << QStringLiteral("UTC") << morning << morning + 900.0 << morning + 120.0
            << SegmentKey{"2025-12-09", 54};
    }

    void recurringKeyKeepsTheEarlierCounts()
    {
        QFETCH(QString, zone);
        QFETCH(double, firstVisit);
        QFETCH(double, nextSegment);
        QFETCH(double, secondVisit);
        QFETCH(SegmentKey, key);

        ClockHarness harness(zone);
        const auto at = [](double seconds) {
            return Timestamp::fromSecondsSince1970(seconds);
        };
        harness.startTracking(at(firstVisit));
        harness.createClock();
        for (int second = 0; second < 3; ++second)
            harness.tickAt(at(firstVisit + second), 2, 1);
        QCOMPARE(harness.clock->currentSegment(), std::optional(key));
        harness.tickAt(at(nextSegment));
        QVERIFY(harness.clock->currentSegment() != std::optional(key));
        QCOMPARE(harness.storedCounters(key), (Counters{3, 3, 3, 6}));
        // The batch took it: the row is marked uploaded.
        harness.fixture.store->markActivitySegmentUploaded(key.dayKey, key.number);

        harness.tickAt(at(secondVisit), 1);
        QCOMPARE(harness.clock->currentSegment(), std::optional(key));
        QCOMPARE(harness.clock->currentCounters(), (Counters{4, 4, 3, 7}));
        harness.manager().stopTracking(std::nullopt);
        QCOMPARE(harness.storedCounters(key), (Counters{4, 4, 3, 7}));

        // Grown again, it waits for upload with the full totals, which replace the server's.
        harness.tickAt(at(secondVisit + 1200.0));
        const auto pending = harness.fixture.store->pendingActivitySegmentsForUpload(
            harness.clock->currentSegment()->dayKey, harness.clock->currentSegment()->number);
        QVERIFY(std::any_of(pending.cbegin(), pending.cend(), [&](const auto &row) {
            return row.segmentDate == key.dayKey && row.segmentNumber == key.number &&
                   row.keyboardMovements == 7;
        }));
    }

    void continuedSegmentWithNothingNewIsNotRewritten()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.fixture.store->upsertActivitySegment(key.dayKey, key.number, 7, 9, 11, 13);
        harness.fixture.store->markActivitySegmentUploaded(key.dayKey, key.number);
        harness.startTracking(start);
        harness.createClock();

        harness.manager().pauseTracking();
        harness.tickAt(start);
        harness.manager().stopTracking(std::nullopt);
        harness.tickAt(start.addingSeconds(600.0));
        harness.settle();
        QVERIFY(harness.closedHandOvers.isEmpty());
        QVERIFY(harness.fixture.store->pendingActivitySegmentsForUpload("2025-12-10", 0).isEmpty());
        QCOMPARE(harness.storedCounters(key), (Counters{7, 9, 11, 13}));
    }

    void anotherCompanysRowIsNotContinued()
    {
        ClockHarness harness;
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey key{"2025-12-09", 60};
        harness.fixture.store->upsertActivitySegment(key.dayKey, key.number, 50, 50, 50, 50,
                                                     QStringLiteral("other.example"));
        harness.startTracking(start);
        harness.createClock();
        harness.tickAt(start, 1);
        harness.manager().stopTracking(std::nullopt);
        QCOMPARE(harness.storedCounters(key), (Counters{1, 1, 0, 1}));
    }

    void aCompanySwitchStartsTheSegmentAfresh_data()
    {
        QTest::addColumn<double>("secondStartAfter");
        QTest::addColumn<SegmentKey>("secondKey");
        QTest::addColumn<QString>("secondHost");
        QTest::addColumn<QString>("secondEmployee");
        const QString other = QStringLiteral("other.example");
        const QString ann = QStringLiteral("ann@acme.example");
        QTest::newRow("within the same ten minutes")
            << 30.0 << SegmentKey{"2025-12-09", 60} << other << ann;
        QTest::newRow("in the next ten minutes")
            << 900.0 << SegmentKey{"2025-12-09", 61} << other << ann;
        // Two people taking turns at one computer: a sign-out, then a colleague's sign-in.
        QTest::newRow("a colleague within the same ten minutes")
            << 30.0 << SegmentKey{"2025-12-09", 60} << QStringLiteral("acme.example")
            << QStringLiteral(" Ben@Acme.example");
    }

    // Worked for one company (or person), signed in to another, worked again: neither row holds
    // the other's counts, and the first one's segment is not queued for the second.
    void aCompanySwitchStartsTheSegmentAfresh()
    {
        QFETCH(double, secondStartAfter);
        QFETCH(SegmentKey, secondKey);
        QFETCH(QString, secondHost);
        QFETCH(QString, secondEmployee);
        ClockHarness harness;
        const auto signInTo = [&harness](const QString &host, const QString &employee) {
            harness.fixture.domainStorage.setBaseURL(
                QUrl(QStringLiteral("https://%1/api/v1/").arg(host)));
            harness.fixture.domainStorage.setEmployee(employee);
        };
        signInTo(QStringLiteral("acme.example"), QStringLiteral("ann@acme.example"));
        const Timestamp start = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        const SegmentKey firstKey{"2025-12-09", 60};
        harness.createClock();
        harness.startTracking(start);
        for (int second = 0; second < 5; ++second)
            harness.tickAt(start.addingSeconds(second), 1);
        harness.manager().stopTracking(std::nullopt);

        harness.fixture.domainStorage.setBaseURL(std::nullopt);
        harness.fixture.domainStorage.setEmployee(std::nullopt);
        signInTo(secondHost, secondEmployee);
        harness.startTracking(start.addingSeconds(secondStartAfter));
        for (int second = 0; second < 3; ++second)
            harness.tickAt(start.addingSeconds(secondStartAfter + second), 0, 2);
        harness.manager().stopTracking(std::nullopt);
        harness.settle();

        QCOMPARE(harness.storedCounters(secondKey), (Counters{3, 3, 6, 0}));
        if (secondKey != firstKey)
            QVERIFY(!harness.storedRow(firstKey));
        QVERIFY(harness.closedHandOvers.isEmpty());
        signInTo(QStringLiteral("acme.example"), QStringLiteral("ann@acme.example"));
        QCOMPARE(harness.storedCounters(firstKey), (Counters{5, 5, 0, 5}));
    }

    void configurationZoneDecidesTheSegment()
    {
        ClockHarness harness(QStringLiteral("Asia/Tokyo"));
        // 10:00 UTC is 19:00 in Tokyo and 05:00 in New York.
        const Timestamp now = localTime("UTC", QDate(2025, 12, 9), QTime(10, 0));
        harness.startTracking(now);
        harness.createClock();
        harness.tickAt(now, 1);
        QCOMPARE(harness.clock->currentSegment(), (std::optional<SegmentKey>{{"2025-12-09", 114}}));

        RemoteConfig config = EngineFixture::config(std::nullopt, false);
        config.appTimezone = QStringLiteral(" America/New_York\n");
        harness.manager().applyConfig(config);
        harness.tickAt(now.addingSeconds(1.0));
        QCOMPARE(harness.clock->currentSegment(), (std::optional<SegmentKey>{{"2025-12-09", 30}}));
        QCOMPARE(harness.storedCounters({"2025-12-09", 114}), (Counters{1, 1, 0, 1}));
    }

    void managerGoneStopsEverything()
    {
        ClockHarness harness;
        harness.startTracking(localTime("UTC", QDate(2025, 12, 9), QTime(10, 0)));
        harness.createClock();
        harness.tickAt(harness.fixture.clock.now(), 1);
        harness.fixture.destroyManager();
        harness.tickAt(harness.fixture.clock.now().addingSeconds(1.0));
        QCOMPARE(harness.clock->currentCounters(), (Counters{1, 1, 0, 1}));
        harness.clock->bindToTrackingState();
    }
};

QTEST_GUILESS_MAIN(TestSegmentClockService)
#include "TestSegmentClockService.moc"
