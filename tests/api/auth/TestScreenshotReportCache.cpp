#include "api/report/ScreenshotReportCache.h"

#include <QtTest>

namespace {

ScreenshotReport reportWithHour(qint64 hour)
{
    ScreenshotReport report;
    report.hours.append(ScreenshotReport::Hour{hour, {}, {}});
    return report;
}

Timestamp at(const QString &isoLocal, const QTimeZone &zone)
{
    return Timestamp::fromDateTime(QDateTime(QDate::fromString(isoLocal.left(10), Qt::ISODate),
                                             QTime::fromString(isoLocal.mid(11), Qt::ISODate),
                                             zone));
}

Timestamp dayNumber(int day, const QTimeZone &zone)
{
    return Timestamp::fromDateTime(QDate(2026, 1, 1).addDays(day).startOfDay(zone).addSecs(3600));
}

} // namespace

class TestScreenshotReportCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void sameLocalDayIsOneEntry();
    void evictsOldestFirstRegardlessOfUse();
    void replacingKeepsAge();
    void companiesDoNotMix();
    void clearForgetsEverything();
};

void TestScreenshotReportCache::keys_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("localTime");
    QTest::addColumn<QString>("domain"); // null: none
    QTest::addColumn<QString>("expected");

    QTest::newRow("utc second day") << "UTC"
                                    << "1970-01-02T13:00:00"
                                    << "host1"
                                    << "host1|86400";
    QTest::newRow("no domain") << "UTC"
                               << "1970-01-02T00:00:00" << QString() << "-|86400";
    QTest::newRow("before 1970") << "UTC"
                                 << "1969-12-31T23:59:59"
                                 << "h"
                                 << "h|-86400";
    QTest::newRow("east of utc") << "Asia/Tokyo"
                                 << "1970-01-02T00:00:01"
                                 << "h"
                                 << "h|54000";
    QTest::newRow("late evening west") << "America/New_York"
                                       << "2026-03-05T23:59:59"
                                       << "h"
                                       << "h|1772686800";
}

void TestScreenshotReportCache::keys()
{
    QFETCH(QString, zone);
    QFETCH(QString, localTime);
    QFETCH(QString, domain);
    QFETCH(QString, expected);

    const QTimeZone timeZone(zone.toLatin1());
    QVERIFY(timeZone.isValid());
    const ScreenshotReportCache cache(30, timeZone);
    const std::optional<QString> maybeDomain =
        domain.isNull() ? std::nullopt : std::optional<QString>(domain);
    QCOMPARE(cache.key(at(localTime, timeZone), maybeDomain), expected);
}

void TestScreenshotReportCache::sameLocalDayIsOneEntry()
{
    const QTimeZone berlin("Europe/Berlin");
    ScreenshotReportCache cache(30, berlin);
    cache.store(reportWithHour(1), at("2026-03-05T00:00:01", berlin), QStringLiteral("h"));
    QCOMPARE(cache.report(at("2026-03-05T23:59:59", berlin), QStringLiteral("h")),
             reportWithHour(1));
    QVERIFY(!cache.report(at("2026-03-06T00:00:00", berlin), QStringLiteral("h")));

    // The same instant seen from another device time zone falls on another local day.
    const ScreenshotReportCache tokyo(30, QTimeZone("Asia/Tokyo"));
    const Timestamp lateEvening = at("2026-03-05T23:00:00", berlin);
    QVERIFY(tokyo.key(lateEvening, QStringLiteral("h")) !=
            cache.key(lateEvening, QStringLiteral("h")));
}

void TestScreenshotReportCache::evictsOldestFirstRegardlessOfUse()
{
    const QTimeZone utc = QTimeZone::utc();
    ScreenshotReportCache cache(30, utc);
    for (int day = 0; day < 30; ++day)
        cache.store(reportWithHour(day), dayNumber(day, utc), std::nullopt);
    QCOMPARE(cache.size(), 30);
    QVERIFY(cache.report(dayNumber(0, utc), std::nullopt)); // a lookup does not protect it

    cache.store(reportWithHour(30), dayNumber(30, utc), std::nullopt);
    QCOMPARE(cache.size(), 30);
    QVERIFY(!cache.report(dayNumber(0, utc), std::nullopt));
    QCOMPARE(cache.report(dayNumber(1, utc), std::nullopt), reportWithHour(1));
    QCOMPARE(cache.report(dayNumber(30, utc), std::nullopt), reportWithHour(30));
}

void TestScreenshotReportCache::replacingKeepsAge()
{
    const QTimeZone utc = QTimeZone::utc();
    ScreenshotReportCache cache(3, utc);
    for (int day = 0; day < 3; ++day)
        cache.store(reportWithHour(day), dayNumber(day, utc), std::nullopt);
    cache.store(reportWithHour(99), dayNumber(0, utc), std::nullopt);
    QCOMPARE(cache.report(dayNumber(0, utc), std::nullopt), reportWithHour(99));
    QCOMPARE(cache.size(), 3);

    cache.store(reportWithHour(3), dayNumber(3, utc), std::nullopt);
    QVERIFY(!cache.report(dayNumber(0, utc), std::nullopt));
    QVERIFY(cache.report(dayNumber(1, utc), std::nullopt));
}

void TestScreenshotReportCache::companiesDoNotMix()
{
    const QTimeZone utc = QTimeZone::utc();
    ScreenshotReportCache cache(30, utc);
    cache.store(reportWithHour(1), dayNumber(0, utc), QStringLiteral("north.example"));
    QVERIFY(!cache.report(dayNumber(0, utc), QStringLiteral("south.example")));
    QVERIFY(!cache.report(dayNumber(0, utc), std::nullopt));
}

void TestScreenshotReportCache::clearForgetsEverything()
{
    const QTimeZone utc = QTimeZone::utc();
    ScreenshotReportCache cache(2, utc);
    cache.store(reportWithHour(1), dayNumber(0, utc), QStringLiteral("h"));
    cache.store(reportWithHour(2), dayNumber(1, utc), QStringLiteral("h"));
    cache.clear();
    QCOMPARE(cache.size(), 0);
    QVERIFY(!cache.report(dayNumber(0, utc), QStringLiteral("h")));
    // The order was emptied too: two new days fit without evicting each other.
    cache.store(reportWithHour(3), dayNumber(2, utc), QStringLiteral("h"));
    cache.store(reportWithHour(4), dayNumber(3, utc), QStringLiteral("h"));
    QVERIFY(cache.report(dayNumber(2, utc), QStringLiteral("h")));
}

QTEST_GUILESS_MAIN(TestScreenshotReportCache)
#include "TestScreenshotReportCache.moc"
