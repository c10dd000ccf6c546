#include "ui/reports/SummaryFigures.h"

#include <QTest>

namespace {

// A wall-clock reading ("2025-12-10T15:30") in the zone.
Timestamp local(const QString &text, const QTimeZone &zone)
{
    const QDateTime reading = QDateTime::fromString(text, Qt::ISODate);
    return Timestamp::fromDateTime(QDateTime(reading.date(), reading.time(), zone));
}

// The moment as the zone's wall clock shows it, with its offset.
QString shown(Timestamp moment, const QTimeZone &zone)
{
    return moment.toDateTime().toTimeZone(zone).toString(Qt::ISODate);
}

SQLiteStore::SessionSummaryRow row(const char *name, double seconds, double startedAt)
{
    return {QString::fromLatin1(name), seconds, 0.0, Timestamp::fromSecondsSince1970(startedAt)};
}

} // namespace

// The summary's calendar and its texts: which instants a period spans in the device's zone, how
// a duration and the average read, which sessions the table keeps and in which order.
class TestSummaryFigures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void periodsStartAtTheFirstInstantOfTheirDays_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<bool>("week");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");

        const QByteArray berlin("Europe/Berlin");
        const QByteArray santiago("America/Santiago");
        QTest::newRow("today") << berlin << "2025-12-10T15:30" << false
                               << "2025-12-10T00:00:00+01:00"
                               << "2025-12-11T00:00:00+01:00";
        QTest::newRow("week from a Sunday night")
            << berlin << "2025-12-14T23:59:00" << true << "2025-12-08T00:00:00+01:00"
            << "2025-12-15T00:00:00+01:00";
        QTest::newRow("week from Monday's first minute")
            << berlin << "2025-12-08T00:00:00" << true << "2025-12-08T00:00:00+01:00"
            << "2025-12-15T00:00:00+01:00";
        QTest::newRow("week from a Saturday")
            << berlin << "2025-12-13T12:00:00" << true << "2025-12-08T00:00:00+01:00"
            << "2025-12-15T00:00:00+01:00";
        // Summer time ends inside the week: seven calendar days are 169 hours.
        QTest::newRow("week of 169 hours")
            << berlin << "2025-10-26T12:00:00" << true << "2025-10-20T00:00:00+02:00"
            << "2025-10-27T00:00:00+01:00";
        // Clocks go from 23:59:59 straight to 01:00 on 7 September 2025 here.
        QTest::newRow("today without a midnight")
            << santiago << "2025-09-07T10:00:00" << false << "2025-09-07T01:00:00-03:00"
            << "2025-09-08T00:00:00-03:00";
        QTest::newRow("week around a day without a midnight")
            << santiago << "2025-09-07T10:00:00" << true << "2025-09-01T00:00:00-04:00"
            << "2025-09-08T00:00:00-03:00";
    }

    void periodsStartAtTheFirstInstantOfTheirDays()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, now);
        QFETCH(bool, week);
        QFETCH(QString, start);
        QFETCH(QString, end);
        const QTimeZone timeZone(zone);
        QVERIFY(timeZone.isValid());

        const SummaryFigures::DateRange range = SummaryFigures::dateRange(
            week ? SummaryFigures::Period::Week : SummaryFigures::Period::Today,
            local(now, timeZone), timeZone);
        QCOMPARE(shown(range.start, timeZone), start);
        QCOMPARE(shown(range.end, timeZone), end);
    }

    void durationsDropTheSeconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0.0 << "0m";
        QTest::newRow("under a minute") << 59.9 << "0m";
        QTest::newRow("last minute of the hour") << 3599.0 << "59m";
        QTest::newRow("an hour") << 3600.0 << "1h 0m";
        QTest::newRow("a long day") << 12 * 3600.0 + 5 * 60 + 59 << "12h 5m";
        QTest::newRow("past a day") << 30 * 3600.0 << "30h 0m";
        QTest::newRow("not a number") << std::nan("") << "0m";
    }

    void durationsDropTheSeconds()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(SummaryFigures::formatDuration(seconds), text);
    }

    void averageIsWeightedByNonIdleTime_data()
    {
        QTest::addColumn<double>("weightedSum");
        QTest::addColumn<double>("nonIdleSum");
        QTest::addColumn<QString>("text");
        QTest::newRow("with non-idle time") << 3000.0 << 40.0 << "75%";
        QTest::newRow("no non-idle time") << 3000.0 << 0.0 << "0%";
        QTest::newRow("no segments") << 0.0 << 0.0 << "0%";
        // The C library rounds half to even.
        QTest::newRow("half rounds as printf does") << 86.5 << 1.0 << "86%";
    }

    void averageIsWeightedByNonIdleTime()
    {
        QFETCH(double, weightedSum);
        QFETCH(double, nonIdleSum);
        QFETCH(QString, text);
        QCOMPARE(
            SummaryFigures::percentText(SummaryFigures::averageActivity({weightedSum, nonIdleSum})),
            text);
    }

    void onlySessionsWithTimeAreListed()
    {
        const QList<SQLiteStore::SessionSummaryRow> kept = SummaryFigures::rowsWithTime(
            {row("a", 60, 1), row("zero", 0, 2), row("negative", -5, 3), row("b", 0.5, 4)});
        QCOMPARE(kept, (QList{row("a", 60, 1), row("b", 0.5, 4)}));
    }

    void newestFirstKeepsTheStoreOrderOfEqualStarts()
    {
        const QList<SQLiteStore::SessionSummaryRow> sorted =
            SummaryFigures::newestFirst({row("early", 60, 100), row("tie 1", 60, 300),
                                         row("tie 2", 60, 300), row("middle", 60, 200)});
        QCOMPARE(sorted, (QList{row("tie 1", 60, 300), row("tie 2", 60, 300),
                                row("middle", 60, 200), row("early", 60, 100)}));
    }
};

QTEST_GUILESS_MAIN(TestSummaryFigures)
#include "TestSummaryFigures.moc"
