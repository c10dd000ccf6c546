#include "foundation/UuidText.h"
#include "upload/HeartbeatPayload.h"
#include "upload/ServerTodayTotal.h"
#include "upload/StartSessionPayload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

// 2024-05-01T02:30:00Z
const Timestamp t0 = Timestamp::fromSecondsSince1970(1714530600.0);
const QTimeZone bangkok("Asia/Bangkok");

Session threeIntervalSession()
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-1");
    session.projectId = QStringLiteral("task-9");
    session.projectName = QStringLiteral("Task");
    session.intervals = {
        {QUuid::createUuid(), t0, t0.addingSeconds(60)},
        {QUuid::createUuid(), t0.addingSeconds(100), t0.addingSeconds(130)},
        {QUuid::createUuid(), t0.addingSeconds(200), {}},
    };
    session.mouseCount = 5;
    session.keyboardCount = 7;
    session.activityScore = 42.5;
    return session;
}

QJsonObject parse(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestUploadPayloads : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startBodyHasFourTextsInTheApiZone();
    void startBodyNeedsAnInterval();
    void completedHeartbeatClosesTheLastOpenIntervalAtTheBuildMoment();
    void liveHeartbeatLeavesOpenEndsNull();
    void onlyExactCompletedTextCloses();
    void heartbeatOfSessionWithoutIntervals();
    void reportedTotalWinsAndFractionsTruncate();
    void wholeSecondsNeverOverflows();
    void serverTodayTotal_data();
    void serverTodayTotal();
};

void TestUploadPayloads::startBodyHasFourTextsInTheApiZone()
{
    const Session session = threeIntervalSession();
    const auto body = StartSessionPayload::build(session, bangkok);
    QVERIFY(body.has_value());
    const QJsonObject object = parse(*body);
    QCOMPARE(object.size(), 4);
    QCOMPARE(object.value(QStringLiteral("device_uuid")).toString(), QStringLiteral("DEVICE-1"));
    QCOMPARE(object.value(QStringLiteral("session_uuid")).toString(), UuidText::format(session.id));
    QCOMPARE(object.value(QStringLiteral("started_at")).toString(),
             QStringLiteral("2024-05-01T09:30:00+07:00"));
    QCOMPARE(object.value(QStringLiteral("task_id")).toString(), QStringLiteral("task-9"));
}

void TestUploadPayloads::startBodyNeedsAnInterval()
{
    Session session = threeIntervalSession();
    session.intervals.clear();
    QVERIFY(!StartSessionPayload::build(session, bangkok).has_value());
}

void TestUploadPayloads::completedHeartbeatClosesTheLastOpenIntervalAtTheBuildMoment()
{
    const Session session = threeIntervalSession();
    const Timestamp built = t0.addingSeconds(250);
    const QJsonObject body =
        parse(HeartbeatPayload::build(session, QStringLiteral("completed"), built, bangkok));
    QCOMPARE(body.size(), 11);
    const QString builtText = QStringLiteral("2024-05-01T09:34:10+07:00");
    QCOMPARE(body.value(QStringLiteral("stopped_at")).toString(), builtText);
    const QJsonArray intervals = body.value(QStringLiteral("intervals")).toArray();
    QCOMPARE(intervals.size(), 3);
    QCOMPARE(intervals.at(2).toObject().value(QStringLiteral("stopped_at")).toString(), builtText);
    QCOMPARE(intervals.at(0).toObject().value(QStringLiteral("stopped_at")).toString(),
             QStringLiteral("2024-05-01T09:31:00+07:00"));
    // 60 + 30 + 50 seconds up to the build moment.
    QCOMPARE(body.value(QStringLiteral("total_seconds")).toInteger(), 140);
    QCOMPARE(body.value(QStringLiteral("status")).toString(), QStringLiteral("completed"));
    QCOMPARE(body.value(QStringLiteral("mouse_movements")).toInteger(), 5);
    QCOMPARE(body.value(QStringLiteral("key_press_count")).toInteger(), 7);
    QCOMPARE(body.value(QStringLiteral("activity_rate")).toDouble(), 42.5);
}

void TestUploadPayloads::liveHeartbeatLeavesOpenEndsNull()
{
    Session session = threeIntervalSession();
    // An open interval that is not the last one stays open even in a completed body.
    session.intervals[0].stoppedAt.reset();
    const Timestamp built = t0.addingSeconds(250);
    const QJsonObject live =
        parse(HeartbeatPayload::build(session, QStringLiteral("active"), built, bangkok));
    QVERIFY(live.value(QStringLiteral("stopped_at")).isNull());
    const QJsonArray liveIntervals = live.value(QStringLiteral("intervals")).toArray();
    QVERIFY(liveIntervals.at(2).toObject().value(QStringLiteral("stopped_at")).isNull());
    // 250 (first, open) + 30 + 50.
    QCOMPARE(live.value(QStringLiteral("total_seconds")).toInteger(), 330);

    const QJsonObject completed =
        parse(HeartbeatPayload::build(session, QStringLiteral("completed"), built, bangkok));
    const QJsonArray completedIntervals = completed.value(QStringLiteral("intervals")).toArray();
    QVERIFY(completedIntervals.at(0).toObject().value(QStringLiteral("stopped_at")).isNull());
    QVERIFY(completedIntervals.at(2).toObject().value(QStringLiteral("stopped_at")).isString());
}

void TestUploadPayloads::onlyExactCompletedTextCloses()
{
    const Session session = threeIntervalSession();
    const QJsonObject body = parse(HeartbeatPayload::build(session, QStringLiteral("Completed"),
                                                           t0.addingSeconds(250), bangkok));
    QVERIFY(body.value(QStringLiteral("stopped_at")).isNull());
    QCOMPARE(body.value(QStringLiteral("status")).toString(), QStringLiteral("Completed"));
}

void TestUploadPayloads::heartbeatOfSessionWithoutIntervals()
{
    Session session = threeIntervalSession();
    session.intervals.clear();
    const QJsonObject body =
        parse(HeartbeatPayload::build(session, QStringLiteral("completed"), t0, QTimeZone::utc()));
    QCOMPARE(body.value(QStringLiteral("started_at")).toString(),
             QStringLiteral("2024-05-01T02:30:00Z"));
    QCOMPARE(body.value(QStringLiteral("stopped_at")).toString(),
             QStringLiteral("2024-05-01T02:30:00Z"));
    QVERIFY(body.value(QStringLiteral("intervals")).toArray().isEmpty());
    QCOMPARE(body.value(QStringLiteral("total_seconds")).toInteger(), 0);
}

void TestUploadPayloads::reportedTotalWinsAndFractionsTruncate()
{
    Session session = threeIntervalSession();
    session.intervals = {{QUuid::createUuid(), t0, t0.addingSeconds(59.9)}};
    const QJsonObject truncated =
        parse(HeartbeatPayload::build(session, QStringLiteral("completed"), t0, bangkok));
    QCOMPARE(truncated.value(QStringLiteral("total_seconds")).toInteger(), 59);

    session.reportedTotalSeconds = 1200;
    const QJsonObject reported =
        parse(HeartbeatPayload::build(session, QStringLiteral("completed"), t0, bangkok));
    QCOMPARE(reported.value(QStringLiteral("total_seconds")).toInteger(), 1200);
}

void TestUploadPayloads::wholeSecondsNeverOverflows()
{
    QCOMPARE(HeartbeatPayload::wholeSeconds(-0.5), qint64(0));
    QCOMPARE(HeartbeatPayload::wholeSeconds(std::nan("")), qint64(0));
    QVERIFY(HeartbeatPayload::wholeSeconds(std::numeric_limits<double>::infinity()) > 0);
    QVERIFY(HeartbeatPayload::wholeSeconds(-1e300) < 0);
}

void TestUploadPayloads::serverTodayTotal_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("hasTotal");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("date");

    QTest::newRow("complete")
        << QByteArray(
               R"({"success":true,"data":{"ok":true,"today_total_seconds":3600,"today_date":"2024-05-01","extra":1}})")
        << true << qint64(3600) << "2024-05-01";
    QTest::newRow("success false still counts")
        << QByteArray(
               R"({"success":false,"data":{"today_total_seconds":0,"today_date":"2024-05-01"}})")
        << true << qint64(0) << "2024-05-01";
    QTest::newRow("no date") << QByteArray(R"({"data":{"today_total_seconds":10}})") << false
                             << qint64(0) << "";
    QTest::newRow("null total")
        << QByteArray(R"({"data":{"today_total_seconds":null,"today_date":"2024-05-01"}})") << false
        << qint64(0) << "";
    QTest::newRow("total as text")
        << QByteArray(R"({"data":{"today_total_seconds":"10","today_date":"2024-05-01"}})") << false
        << qint64(0) << "";
    QTest::newRow("fractional total")
        << QByteArray(R"({"data":{"today_total_seconds":10.5,"today_date":"2024-05-01"}})") << false
        << qint64(0) << "";
    QTest::newRow("ok of wrong type")
        << QByteArray(R"({"data":{"ok":"yes","today_total_seconds":10,"today_date":"2024-05-01"}})")
        << false << qint64(0) << "";
    QTest::newRow("data not an object")
        << QByteArray(R"({"data":[1]})") << false << qint64(0) << "";
    QTest::newRow("empty") << QByteArray() << false << qint64(0) << "";
    QTest::newRow("not json") << QByteArray("<html>") << false << qint64(0) << "";
}

void TestUploadPayloads::serverTodayTotal()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, hasTotal);
    QFETCH(qint64, seconds);
    QFETCH(QString, date);
    const auto total = TrackingEndpointResponse::serverTodayTotal(body);
    QCOMPARE(total.has_value(), hasTotal);
    if (hasTotal)
        QCOMPARE(*total, (ServerTodayTotal{seconds, date}));
}

QTEST_GUILESS_MAIN(TestUploadPayloads)
#include "TestUploadPayloads.moc"
