#include "api/report/ScreenshotReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QJsonObject stats()
{
    return {{"total_seconds", 600},
            {"total_seconds_formatted", "10m"},
            {"mouse_movements", 12},
            {"key_press_count", 34},
            {"activity_rate", 57.5}};
}

QJsonObject screenshot()
{
    return {{"url", "https://img.example/1.jpg"},
            {"url_available", true},
            {"thumbnail_url", "https://img.example/1t.jpg"},
            {"thumbnail_url_available", false},
            {"captured_at", "10:03"}};
}

QJsonObject segment(qint64 number, const QJsonArray &screenshots)
{
    return {{"segment_number", number},
            {"segment_number_from", "10:00"},
            {"segment_number_to", "10:10"},
            {"indicator_color", "green"},
            {"stats", stats()},
            {"screenshots", screenshots}};
}

QJsonObject report()
{
    const QJsonObject hour{{"hour", 10},
                           {"stats", stats()},
                           {"segments", QJsonArray{segment(60, {screenshot()}), segment(61, {})}}};
    return {{"summary", QJsonObject{{"stats", stats()}}}, {"hours", QJsonArray{hour}}};
}

// Replaces one value deep inside the report; path parts that are digits index arrays.
QJsonValue withValue(const QJsonValue &node, QStringList path, const QJsonValue &value)
{
    if (path.isEmpty())
        return value;
    const QString head = path.takeFirst();
    bool isIndex = false;
    const int index = head.toInt(&isIndex);
    if (isIndex) {
        QJsonArray array = node.toArray();
        array[index] = withValue(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (value.isUndefined() && path.isEmpty())
        object.remove(head);
    else
        object[head] = withValue(object.value(head), path, value);
    return object;
}

} // namespace

class TestScreenshotReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesWholeDay();
    void emptyDayDecodes();
    void oneBadValueRejectsTheDay_data();
    void oneBadValueRejectsTheDay();
};

void TestScreenshotReport::decodesWholeDay()
{
    const auto decoded =
        ScreenshotReport::fromJson(withValue(report(), {"summary", "stats", "activity_rate"}, 57));
    QVERIFY(decoded);
    QCOMPARE(decoded->summary.stats.activityRate, 57.0);
    QCOMPARE(decoded->hours.size(), 1);
    const ScreenshotReport::Hour &hour = decoded->hours.first();
    QCOMPARE(hour.hour, 10);
    QCOMPARE(hour.segments.size(), 2);
    QCOMPARE(hour.segments[0].id(), 60);
    QCOMPARE(hour.segments[0].stats.keyPressCount, 34);
    QCOMPARE(hour.segments[0].screenshots.first().thumbnailUrlAvailable, false);
    QCOMPARE(hour.segments[0].screenshots.first().capturedAt, QStringLiteral("10:03"));
    QVERIFY(hour.segments[1].screenshots.isEmpty());
}

void TestScreenshotReport::emptyDayDecodes()
{
    const auto decoded = ScreenshotReport::fromJson(withValue(report(), {"hours"}, QJsonArray()));
    QVERIFY(decoded);
    QVERIFY(decoded->hours.isEmpty());
}

void TestScreenshotReport::oneBadValueRejectsTheDay_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed

    const QStringList segmentStats{"hours", "0", "segments", "1", "stats"};
    QTest::newRow("fractional seconds")
        << QStringList{"summary", "stats", "total_seconds"} << QJsonValue(600.5);
    QTest::newRow("seconds as text")
        << QStringList{"summary", "stats", "total_seconds"} << QJsonValue("600");
    QTest::newRow("availability as number")
        << QStringList{"hours", "0", "segments", "0", "screenshots", "0", "url_available"}
        << QJsonValue(1);
    QTest::newRow("missing formatted total in one segment")
        << (segmentStats + QStringList{"total_seconds_formatted"}) << QJsonValue();
    QTest::newRow("null hour") << QStringList{"hours", "0", "hour"} << QJsonValue(QJsonValue::Null);
    QTest::newRow("rate as text") << QStringList{"hours", "0", "stats", "activity_rate"}
                                  << QJsonValue("57");
    QTest::newRow("segments not array")
        << QStringList{"hours", "0", "segments"} << QJsonValue(QJsonObject());
    QTest::newRow("missing summary") << QStringList{"summary"} << QJsonValue();
    QTest::newRow("hour entry not object") << QStringList{"hours", "0"} << QJsonValue(3);
}

void TestScreenshotReport::oneBadValueRejectsTheDay()
{
    QFETCH(QStringList, path);
    QFETCH(QJsonValue, value);
    QVERIFY(!ScreenshotReport::fromJson(withValue(report(), path, value)));
}

QTEST_GUILESS_MAIN(TestScreenshotReport)
#include "TestScreenshotReport.moc"
