#include "EngineFixture.h"

#include "foundation/NotificationHub.h"
#include "support/LogCapture.h"

#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
// The fake clock jumps hours at a time; no idle period should pause the session meanwhile.
constexpr qint64 noIdleMinutes = 100'000;

RemoteConfig utcConfig()
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, noIdleMinutes);
    config.appTimezone = QStringLiteral("UTC");
    return config;
}

void postServerTotal(qint64 seconds, const QString &date)
{
    Q_EMIT NotificationHub::instance().serverTodayTotalDidUpdate(seconds, date);
}

// A finished session of the given length, started at the fixture's current time.
void workFor(EngineFixture &fixture, SessionManager &manager, double seconds)
{
    manager.startTracking(payroll);
    fixture.clock.advance(seconds);
    manager.stopTracking(std::nullopt);
}

} // namespace

class TestSessionManagerToday : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void localTotalIsTodaysHistoryPlusTheRunningSession()
    {
        EngineFixture fixture;
        // A session of yesterday that ended after midnight belongs to yesterday.
        fixture.clock.set(fixture.at(-8 * 3600.0 - 300.0));
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        workFor(fixture, manager, 900.0);
        QCOMPARE(manager.todayTotalSeconds(), 0.0);

        fixture.clock.set(fixture.at(0));
        workFor(fixture, manager, 1000.0);
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);

        manager.startTracking(payroll);
        fixture.clock.advance(120.0);
        manager.updateLiveMetrics();
        QCOMPARE(manager.todayTotalSeconds(), 1120.0);

        // Paused, the session still counts with its closed intervals.
        manager.pauseTracking();
        fixture.clock.advance(600.0);
        manager.updateLiveMetrics();
        QCOMPARE(manager.todayTotalSeconds(), 1120.0);

        // A new manager finds the same figure in the store.
        manager.stopTracking(std::nullopt);
        fixture.destroyManager();
        QCOMPARE(fixture.createManager().todayTotalSeconds(), 1120.0);
    }

    void serverFigureIsMergedWithLocalWork_data()
    {
        QTest::addColumn<qint64>("serverSeconds");
        QTest::addColumn<double>("shownAtOnce");
        QTest::addColumn<double>("shownTwoMinutesLater");

        // Ahead: the server's figure is carried forward by what is worked here since.
        QTest::newRow("server ahead") << qint64(3600) << 3600.0 << 3720.0;
        // Behind: never below the local figure.
        QTest::newRow("server behind") << qint64(500) << 1000.0 << 1120.0;
    }

    void serverFigureIsMergedWithLocalWork()
    {
        QFETCH(qint64, serverSeconds);
        QFETCH(double, shownAtOnce);
        QFETCH(double, shownTwoMinutesLater);

        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        workFor(fixture, manager, 1000.0);

        postServerTotal(serverSeconds, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), shownAtOnce);

        manager.startTracking(payroll);
        fixture.clock.advance(120.0);
        manager.updateLiveMetrics();
        QCOMPARE(manager.todayTotalSeconds(), shownTwoMinutesLater);
    }

    // Two people taking turns at one computer: the colleague's total holds nothing of the first
    // one's work, neither the local history nor the server's figure; back again, it is all there.
    void aColleagueSeesNoneOfTheFirstEmployeesTotal()
    {
        EngineFixture fixture;
        const auto signIn = [&fixture](const char *email) {
            fixture.domainStorage.setBaseURL(QUrl(QStringLiteral("https://acme.example/api/v1/")));
            fixture.domainStorage.setEmployee(QString::fromLatin1(email));
        };
        signIn("ann@acme.example");
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        workFor(fixture, manager, 1000.0);
        postServerTotal(5000, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 5000.0);

        fixture.domainStorage.setBaseURL(std::nullopt);
        fixture.domainStorage.setEmployee(std::nullopt);
        signIn("ben@acme.example");
        manager.applyConfig(utcConfig());
        QCOMPARE(manager.todayTotalSeconds(), 0.0);
        workFor(fixture, manager, 60.0);
        QCOMPARE(manager.todayTotalSeconds(), 60.0);

        signIn("ann@acme.example");
        manager.applyConfig(utcConfig());
        QCOMPARE(manager.todayTotalSeconds(), 5000.0);
    }

    void aSecondFigureForTheSameDayReplacesTheFirst()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        postServerTotal(5000, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 5000.0);
        postServerTotal(4000, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 4000.0);
    }

    void theConfigurationCarriesAFigureToo()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        RemoteConfig config = utcConfig();
        config.todayTotalSeconds = 7200;
        manager.applyConfig(config);
        QCOMPARE(manager.todayTotalSeconds(), 0.0); // both fields are needed
        config.todayDate = QStringLiteral("2025-12-09");
        manager.applyConfig(config);
        QCOMPARE(manager.todayTotalSeconds(), 7200.0);
    }

    void outdatedAndStaleFiguresAreIgnored()
    {
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        workFor(fixture, manager, 1000.0);
        LogCapture log;

        postServerTotal(9000, QStringLiteral("2025-12-08"));
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        QVERIFY(log.contains(QStringLiteral(
            "Ignoring outdated server today_total: dated 2025-12-08, today is 2025-12-09")));

        // Tomorrow's figure is kept but not shown before tomorrow; today's after it is stale.
        postServerTotal(100, QStringLiteral("2025-12-10"));
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        postServerTotal(8000, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        QVERIFY(log.contains(QStringLiteral("Ignoring stale server today_total: incoming date "
                                            "2025-12-09 < current 2025-12-10")));
    }

    void unusableFiguresAreIgnoredAndBlockNothing_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("date");

        QTest::newRow("not a date") << qint64(9000) << QStringLiteral("yesterday");
        QTest::newRow("empty") << qint64(9000) << QString();
        QTest::newRow("no such month") << qint64(9000) << QStringLiteral("2025-13-01");
        QTest::newRow("short form") << qint64(9000) << QStringLiteral("2025-12-9");
        QTest::newRow("time appended") << qint64(9000) << QStringLiteral("2025-12-09T10:00");
        QTest::newRow("far future") << qint64(9000) << QStringLiteral("9999-12-31");
        QTest::newRow("two days ahead") << qint64(9000) << QStringLiteral("2025-12-11");
        QTest::newRow("negative total") << qint64(-50) << QStringLiteral("2025-12-09");
    }

    void unusableFiguresAreIgnoredAndBlockNothing()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, date);

        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        workFor(fixture, manager, 1000.0);
        LogCapture log;

        postServerTotal(seconds, date);
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        QVERIFY(log.contains(QStringLiteral("Ignoring unusable server today_total")));

        // The figures after it are still believed.
        postServerTotal(3000, QStringLiteral("2025-12-09"));
        QCOMPARE(manager.todayTotalSeconds(), 3000.0);
        QVERIFY(manager.todayTotalSeconds() >= 0.0);
    }

    void newServerDayDoesNotCountTodaysSessionsTwice()
    {
        EngineFixture fixture;
        fixture.clock.set(fixture.at(15.5 * 3600.0)); // 23:30 UTC
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        postServerTotal(20000, QStringLiteral("2025-12-09"));

        // After midnight, with no session running through it, one session is worked, and the
        // server's first figure of the new day already includes it.
        fixture.clock.set(fixture.at(16.5 * 3600.0)); // 00:30
        workFor(fixture, manager, 600.0);
        QCOMPARE(manager.todayTotalSeconds(), 600.0);

        LogCapture log;
        postServerTotal(1000, QStringLiteral("2025-12-10"));
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        QVERIFY(log.contains(QStringLiteral("Server today_date changed 2025-12-09(20000s) → "
                                            "2025-12-10(1000s)")));

        // Any later refresh from the store leaves the figure alone.
        manager.applyConfig(utcConfig());
        QCOMPARE(manager.todayTotalSeconds(), 1000.0);
        manager.startTracking(payroll);
        fixture.clock.advance(60.0);
        manager.updateLiveMetrics();
        QCOMPARE(manager.todayTotalSeconds(), 1060.0);
    }

    void todayFollowsTheAPITimeZone()
    {
        EngineFixture fixture;
        // 08:00 UTC is already 21:00 in Auckland's summer (UTC+13); 12:00 UTC is the next day.
        SessionManager &manager = fixture.createManager();
        RemoteConfig config = utcConfig();
        config.appTimezone = QStringLiteral("Pacific/Auckland");
        manager.applyConfig(config);
        workFor(fixture, manager, 600.0);
        QCOMPARE(manager.todayTotalSeconds(), 600.0);
        fixture.clock.set(fixture.at(4 * 3600.0));
        manager.applyConfig(config);
        QCOMPARE(manager.todayTotalSeconds(), 0.0);
        postServerTotal(50, QStringLiteral("2025-12-10"));
        QCOMPARE(manager.todayTotalSeconds(), 50.0);
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerToday)
#include "TestSessionManagerToday.moc"
