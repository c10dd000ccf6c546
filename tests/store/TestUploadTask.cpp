#include "foundation/UuidText.h"
#include "store/UploadTask.h"

#include <QJsonObject>
#include <QtTest>

namespace {

UploadTask sampleTask()
{
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = QUuid::createUuid();
    task.type = UploadTaskType::Screenshot;
    task.filePath = QStringLiteral("/captures/1.jpg");
    task.jsonPayload = QByteArray("{\"a\":1}\x00", 8);
    task.retryCount = 3;
    task.createdAt = Timestamp::fromSecondsSinceReferenceDate(786'000'000.5);
    task.status = UploadTaskStatus::Failed;
    task.priority = 10;
    return task;
}

} // namespace

class TestUploadTask : public QObject
{
    Q_OBJECT

private slots:
    void rawValuesRoundTrip();
    void rawValuesAreExact_data();
    void rawValuesAreExact();
    void codingRoundTrip();
    void optionalKeysMayBeMissing();
    void badDocumentsDoNotDecode_data();
    void badDocumentsDoNotDecode();
};

void TestUploadTask::rawValuesRoundTrip()
{
    const QStringList types{"metadata", "heartbeat", "screenshot", "activitySegment",
                            "startSession"};
    for (const QString &raw : types)
        QCOMPARE(uploadTaskTypeRawValue(uploadTaskTypeFromRawValue(raw).value()), raw);
    const QStringList statuses{"pending", "inProgress", "failed", "completed"};
    for (const QString &raw : statuses)
        QCOMPARE(uploadTaskStatusRawValue(uploadTaskStatusFromRawValue(raw).value()), raw);
}

void TestUploadTask::rawValuesAreExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("other case") << QStringLiteral("Heartbeat");
    QTest::newRow("snake case") << QStringLiteral("activity_segment");
    QTest::newRow("padded") << QStringLiteral(" pending");
    QTest::newRow("empty") << QString();
}

void TestUploadTask::rawValuesAreExact()
{
    QFETCH(QString, text);
    QVERIFY(!uploadTaskTypeFromRawValue(text));
    QVERIFY(!uploadTaskStatusFromRawValue(text));
}

void TestUploadTask::codingRoundTrip()
{
    const UploadTask task = sampleTask();
    const QJsonObject json = task.toJson();
    QCOMPARE(json.value("type").toString(), QStringLiteral("screenshot"));
    QCOMPARE(json.value("status").toString(), QStringLiteral("failed"));
    QCOMPARE(json.value("createdAt").toDouble(), 786'000'000.5);
    QCOMPARE(json.value("id").toString(), UuidText::format(task.id));
    QCOMPARE(UploadTask::fromJson(json), std::optional<UploadTask>(task));
}

void TestUploadTask::optionalKeysMayBeMissing()
{
    UploadTask task = sampleTask();
    task.filePath.reset();
    task.jsonPayload.reset();
    const QJsonObject json = task.toJson();
    QVERIFY(!json.contains("filePath"));
    QVERIFY(!json.contains("jsonPayload"));
    const std::optional<UploadTask> decoded = UploadTask::fromJson(json);
    QVERIFY(decoded);
    QVERIFY(!decoded->filePath);
    QVERIFY(!decoded->jsonPayload);
}

void TestUploadTask::badDocumentsDoNotDecode_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::newRow("unknown type") << "type" << QJsonValue("video");
    QTest::newRow("unknown status") << "status" << QJsonValue("done");
    QTest::newRow("missing id") << "id" << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("bad session id") << "sessionId" << QJsonValue("session-1");
    QTest::newRow("fractional priority") << "priority" << QJsonValue(1.5);
    QTest::newRow("retry count beyond 32 bits") << "retryCount" << QJsonValue(4294967296.0);
    QTest::newRow("date as text") << "createdAt" << QJsonValue("2026-01-01");
    QTest::newRow("path not text") << "filePath" << QJsonValue(3);
    QTest::newRow("payload not Base64") << "jsonPayload" << QJsonValue("***");
}

void TestUploadTask::badDocumentsDoNotDecode()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QJsonObject json = sampleTask().toJson();
    if (value.isUndefined())
        json.remove(key);
    else
        json.insert(key, value);
    QVERIFY(!UploadTask::fromJson(json));
}

QTEST_GUILESS_MAIN(TestUploadTask)
#include "TestUploadTask.moc"
