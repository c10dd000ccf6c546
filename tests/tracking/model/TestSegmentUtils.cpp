#include "tracking/model/SegmentUtils.h"

#include <QtConcurrent/QtConcurrent>
#include <QtTest>

namespace {

Timestamp at(const char *zone, int year, int month, int day, int hour, int minute, int second)
{
    const QDateTime local(QDate(year, month, day), QTime(hour, minute, second),
                          QTimeZone(QByteArray(zone)));
    return Timestamp::fromDateTime(local);
}

} // namespace

class TestSegmentUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void segmentBoundaries_data();
    void segmentBoundaries();
    void sameInstantDiffersByZone();
    void dayStart_data();
    void dayStart();
    void dayKeyIsPaddedAscii();
    void zoneCacheIsSharedAcrossThreads();
};

void TestSegmentUtils::segmentBoundaries_data()
{
    QTest::addColumn<Timestamp>("moment");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("dayKey");
    QTest::addColumn<int>("number");

    QTest::newRow("00:09:59") << at("UTC", 2024, 3, 7, 0, 9, 59) << QByteArray("UTC")
                              << "2024-03-07" << 0;
    QTest::newRow("00:10:00") << at("UTC", 2024, 3, 7, 0, 10, 0) << QByteArray("UTC")
                              << "2024-03-07" << 1;
    QTest::newRow("23:59:59") << at("UTC", 2024, 3, 7, 23, 59, 59) << QByteArray("UTC")
                              << "2024-03-07" << 143;
    QTest::newRow("next day") << at("UTC", 2024, 3, 8, 0, 0, 0) << QByteArray("UTC") << "2024-03-08"
                              << 0;
    QTest::newRow("Kathmandu +05:45")
        << at("UTC", 2024, 3, 7, 18, 14, 59) << QByteArray("Asia/Kathmandu") << "2024-03-07" << 143;
    QTest::newRow("Kathmandu after midnight")
        << at("UTC", 2024, 3, 7, 18, 15, 0) << QByteArray("Asia/Kathmandu") << "2024-03-08" << 0;
    QTest::newRow("Chatham +13:45 summer")
        << at("UTC", 2024, 1, 10, 10, 15, 0) << QByteArray("Pacific/Chatham") << "2024-01-11" << 0;
    // Berlin springs from 02:00 to 03:00: 01:59:59 is segment 11, the next second 03:00 is 18.
    QTest::newRow("spring forward before")
        << at("UTC", 2024, 3, 31, 0, 59, 59) << QByteArray("Europe/Berlin") << "2024-03-31" << 11;
    QTest::newRow("spring forward after")
        << at("UTC", 2024, 3, 31, 1, 0, 0) << QByteArray("Europe/Berlin") << "2024-03-31" << 18;
    // Falling back, 02:30 happens twice: both instants share one key.
    QTest::newRow("fall back first 02:30")
        << at("UTC", 2024, 10, 27, 0, 30, 0) << QByteArray("Europe/Berlin") << "2024-10-27" << 15;
    QTest::newRow("fall back second 02:30")
        << at("UTC", 2024, 10, 27, 1, 30, 0) << QByteArray("Europe/Berlin") << "2024-10-27" << 15;
}

void TestSegmentUtils::segmentBoundaries()
{
    QFETCH(Timestamp, moment);
    QFETCH(QByteArray, zone);
    QFETCH(QString, dayKey);
    QFETCH(int, number);
    const auto key = SegmentUtils::segmentDateAndNumber(moment, SegmentUtils::timeZone(zone));
    QCOMPARE(key.dayKey, dayKey);
    QCOMPARE(key.number, number);
}

void TestSegmentUtils::sameInstantDiffersByZone()
{
    const Timestamp moment = at("UTC", 2024, 6, 1, 23, 30, 0);
    const auto utc = SegmentUtils::segmentDateAndNumber(moment, QTimeZone::utc());
    const auto auckland =
        SegmentUtils::segmentDateAndNumber(moment, SegmentUtils::timeZone("Pacific/Auckland"));
    QCOMPARE(utc.dayKey, QStringLiteral("2024-06-01"));
    QCOMPARE(auckland.dayKey, QStringLiteral("2024-06-02"));
    QVERIFY(utc.number != auckland.number);
}

void TestSegmentUtils::dayStart_data()
{
    QTest::addColumn<Timestamp>("moment");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<Timestamp>("expected");

    QTest::newRow("15:42 in Berlin")
        << at("Europe/Berlin", 2024, 5, 2, 15, 42, 0) << QByteArray("Europe/Berlin")
        << at("Europe/Berlin", 2024, 5, 2, 0, 0, 0);
    QTest::newRow("Chatham") << at("Pacific/Chatham", 2024, 5, 2, 0, 10, 0)
                             << QByteArray("Pacific/Chatham")
                             << at("Pacific/Chatham", 2024, 5, 2, 0, 0, 0);
    // Santiago skips from 00:00 to 01:00 on 2024-09-08: the day starts at 01:00.
    QTest::newRow("midnight that does not exist")
        << at("UTC", 2024, 9, 8, 12, 0, 0) << QByteArray("America/Santiago")
        << at("UTC", 2024, 9, 8, 4, 0, 0);
}

void TestSegmentUtils::dayStart()
{
    QFETCH(Timestamp, moment);
    QFETCH(QByteArray, zone);
    QFETCH(Timestamp, expected);
    const auto start = SegmentUtils::calendarDate(moment, SegmentUtils::timeZone(zone));
    QVERIFY(start.has_value());
    QCOMPARE(start->secondsSince1970(), expected.secondsSince1970());
}

void TestSegmentUtils::dayKeyIsPaddedAscii()
{
    QCOMPARE(SegmentUtils::dayKey(QDate(987, 3, 7)), QStringLiteral("0987-03-07"));
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    QCOMPARE(SegmentUtils::dayKey(QDate(2024, 3, 7)), QStringLiteral("2024-03-07"));
    QLocale::setDefault(QLocale::c());
}

void TestSegmentUtils::zoneCacheIsSharedAcrossThreads()
{
    QList<int> workers(8);
    std::iota(workers.begin(), workers.end(), 0);
    const QList<QString> keys = QtConcurrent::blockingMapped(workers, [](int) {
        return SegmentUtils::dayKey(at("UTC", 2024, 1, 1, 12, 0, 0),
                                    SegmentUtils::timeZone("Asia/Tokyo"));
    });
    for (const QString &key : keys)
        QCOMPARE(key, QStringLiteral("2024-01-01"));
    QCOMPARE(SegmentUtils::timeZone("Asia/Tokyo").id(), QByteArray("Asia/Tokyo"));
}

QTEST_GUILESS_MAIN(TestSegmentUtils)
#include "TestSegmentUtils.moc"
