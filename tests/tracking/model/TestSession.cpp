#include "foundation/UuidText.h"
#include "tracking/model/Session.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

const Timestamp t0 = Timestamp::fromSecondsSince1970(1'700'000'000.0);

TrackingInterval closedInterval(double startOffset, double length)
{
    return {QUuid::createUuid(), t0.addingSeconds(startOffset),
            t0.addingSeconds(startOffset + length)};
}

Session sampleSession()
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("device-1");
    session.projectId = QStringLiteral("p-7");
    session.projectName = QStringLiteral("Zürich rollout");
    session.intervals = {closedInterval(0, 60), {QUuid::createUuid(), t0.addingSeconds(100), {}}};
    session.mouseCount = 12;
    session.keyboardCount = 34;
    session.activityScore = 56.5;
    return session;
}

QJsonObject jsonObjectOf(const Session &session)
{
    return QJsonDocument::fromJson(session.toJson()).object();
}

QByteArray withKey(const Session &session, const QString &key, const QJsonValue &value)
{
    QJsonObject object = jsonObjectOf(session);
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void totalSeconds_data();
    void totalSeconds();
    void reportedTotalWinsForReportingOnly();
    void jsonRoundTripKeepsEveryField();
    void jsonFormUsesReferenceDatesAndLeavesOutAbsentFields();
    void decodingRejects_data();
    void decodingRejects();
    void decodingAcceptsPausedAndNullOptionals();
};

void TestSession::totalSeconds_data()
{
    QTest::addColumn<QList<TrackingInterval>>("intervals");
    QTest::addColumn<double>("expected");

    QTest::newRow("no intervals") << QList<TrackingInterval>{} << 0.0;
    QTest::newRow("open 90.5 s")
        << QList<TrackingInterval>{{QUuid::createUuid(), t0.addingSeconds(-90.5), {}}} << 90.5;
    QTest::newRow("start after stop counts 0")
        << QList<TrackingInterval>{{QUuid::createUuid(), t0.addingSeconds(10), t0}} << 0.0;
    QTest::newRow("open start after asOf counts 0")
        << QList<TrackingInterval>{{QUuid::createUuid(), t0.addingSeconds(5), {}}} << 0.0;
    QTest::newRow("60 + 30 + open 10")
        << QList<TrackingInterval>{closedInterval(-500, 60),
                                   closedInterval(-300, 30),
                                   {QUuid::createUuid(), t0.addingSeconds(-10), {}}}
        << 100.0;
    QTest::newRow("overlaps count in full")
        << QList<TrackingInterval>{closedInterval(-100, 50), closedInterval(-80, 50)} << 100.0;
}

void TestSession::totalSeconds()
{
    QFETCH(QList<TrackingInterval>, intervals);
    QFETCH(double, expected);
    Session session;
    session.intervals = intervals;
    QCOMPARE(session.totalSeconds(t0), expected);
    QCOMPARE(session.totalSecondsForReporting(t0), expected);
}

void TestSession::reportedTotalWinsForReportingOnly()
{
    Session session = sampleSession();
    session.reportedTotalSeconds = 1200;
    QCOMPARE(session.totalSecondsForReporting(t0.addingSeconds(110)), 1200.0);
    QCOMPARE(session.totalSeconds(t0.addingSeconds(110)), 70.0);
}

void TestSession::jsonRoundTripKeepsEveryField()
{
    Session session = sampleSession();
    session.idleDiscardCutoffAt = t0.addingSeconds(42.125);
    session.reportedTotalSeconds = 61;
    session.status = SessionStatus::Completed;
    const auto decoded = Session::fromJson(session.toJson());
    QVERIFY(decoded.has_value());
    QCOMPARE(*decoded, session);
}

void TestSession::jsonFormUsesReferenceDatesAndLeavesOutAbsentFields()
{
    const Session session = sampleSession();
    const QJsonObject object = jsonObjectOf(session);
    QCOMPARE(object.value(QStringLiteral("id")).toString(), UuidText::format(session.id));
    QCOMPARE(object.value(QStringLiteral("status")).toString(), QStringLiteral("active"));
    QVERIFY(!object.contains(QStringLiteral("idleDiscardCutoffAt")));
    QVERIFY(!object.contains(QStringLiteral("reportedTotalSeconds")));
    const QJsonArray intervals = object.value(QStringLiteral("intervals")).toArray();
    QCOMPARE(intervals.size(), 2);
    QCOMPARE(intervals.at(0).toObject().value(QStringLiteral("startedAt")).toDouble(),
             t0.secondsSince1970() - Timestamp::referenceDateOffset);
    QVERIFY(!intervals.at(1).toObject().contains(QStringLiteral("stoppedAt")));
    QVERIFY(!session.toJson().contains('\n'));
}

void TestSession::decodingRejects_data()
{
    QTest::addColumn<QByteArray>("json");
    const Session session = sampleSession();
    QTest::newRow("status Paused")
        << withKey(session, QStringLiteral("status"), QStringLiteral("Paused"));
    QTest::newRow("status stopped")
        << withKey(session, QStringLiteral("status"), QStringLiteral("stopped"));
    QTest::newRow("missing mouseCount")
        << withKey(session, QStringLiteral("mouseCount"), QJsonValue::Undefined);
    QTest::newRow("null projectName")
        << withKey(session, QStringLiteral("projectName"), QJsonValue::Null);
    QTest::newRow("count as text")
        << withKey(session, QStringLiteral("keyboardCount"), QStringLiteral("3"));
    QTest::newRow("fractional count") << withKey(session, QStringLiteral("keyboardCount"), 3.5);
    QTest::newRow("bad uuid") << withKey(session, QStringLiteral("id"),
                                         QStringLiteral("not-a-uuid"));
    QTest::newRow("reported total as text")
        << withKey(session, QStringLiteral("reportedTotalSeconds"), QStringLiteral("12"));
    QTest::newRow("interval without start") << withKey(
        session, QStringLiteral("intervals"),
        QJsonArray{QJsonObject{{QStringLiteral("id"), UuidText::format(QUuid::createUuid())}}});
    QTest::newRow("not an object") << QByteArray("[1,2]");
    QTest::newRow("truncated") << session.toJson().left(40);
}

void TestSession::decodingRejects()
{
    QFETCH(QByteArray, json);
    QVERIFY(!Session::fromJson(json).has_value());
}

void TestSession::decodingAcceptsPausedAndNullOptionals()
{
    const Session session = sampleSession();
    QByteArray json = withKey(session, QStringLiteral("status"), QStringLiteral("paused"));
    QJsonObject object = QJsonDocument::fromJson(json).object();
    object.insert(QStringLiteral("reportedTotalSeconds"), QJsonValue::Null);
    object.insert(QStringLiteral("idleDiscardCutoffAt"), QJsonValue::Null);
    object.insert(QStringLiteral("someFutureKey"), 1);
    const auto decoded = Session::fromJson(QJsonDocument(object).toJson());
    QVERIFY(decoded.has_value());
    QCOMPARE(decoded->status, SessionStatus::Paused);
    QVERIFY(!decoded->reportedTotalSeconds.has_value());
    QVERIFY(!decoded->idleDiscardCutoffAt.has_value());
    // Lower-case UUID text is accepted on reading.
    QVERIFY(Session::fromJson(
                withKey(session, QStringLiteral("id"), UuidText::format(session.id).toLower()))
                .has_value());
}

QTEST_GUILESS_MAIN(TestSession)
#include "TestSession.moc"
