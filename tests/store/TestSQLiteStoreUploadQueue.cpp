#include "StoreTestSupport.h"

#include "support/LogCapture.h"

#include <QtConcurrent>
#include <QtTest>

#include <limits>

namespace {

UploadTask makeTask(int priority, Timestamp createdAt,
                    UploadTaskType type = UploadTaskType::Heartbeat,
                    const QUuid &sessionId = QUuid::createUuid())
{
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = sessionId;
    task.type = type;
    task.createdAt = createdAt;
    task.priority = priority;
    task.jsonPayload = QByteArray("{\"k\":1}");
    return task;
}

} // namespace

class TestSQLiteStoreUploadQueue : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryField();
    void takesHighestPriorityThenOldest_data();
    void takesHighestPriorityThenOldest();
    void failedTaskWaitsUntilItsTime();
    void inProgressIsOpenButNotTaken();
    void enqueueingAgainResetsTheTask();
    void staleInProgressTasksReturnInEveryDomain();
    void otherDomainsAreInvisible();
    void unknownTypeIsReadAsMetadata();
    void unreadableRowsAreRemovedNotRepeated_data();
    void unreadableRowsAreRemovedNotRepeated();
    void pendingIdsFilterBySessionAndType();
    void filePathsAreListedOnce();
    void retryCountBeyondRangeIsClamped();
    void selectionUsesAnIndexAndNoSort();
    void concurrentEnqueuersAllLand();
};

void TestSQLiteStoreUploadQueue::roundTripKeepsEveryField()
{
    StoreFixture fixture;
    UploadTask task =
        makeTask(10, fixture.clock.now().addingSeconds(-0.25), UploadTaskType::Screenshot);
    task.filePath = QStringLiteral("/captures/ä 1.jpg");
    task.jsonPayload = QByteArray("\x00\x01{}", 4);
    task.retryCount = 4;
    task.status = UploadTaskStatus::Failed;
    fixture.store->enqueueUploadTask(task);
    QCOMPARE(fixture.store->nextUploadTask(fixture.clock.now()), std::optional<UploadTask>(task));

    // An empty body is no body.
    task.jsonPayload = QByteArray();
    fixture.store->enqueueUploadTask(task);
    QCOMPARE(fixture.store->nextUploadTask(fixture.clock.now())->jsonPayload,
             std::optional<QByteArray>());
}

void TestSQLiteStoreUploadQueue::takesHighestPriorityThenOldest_data()
{
    QTest::addColumn<QList<int>>("priorities");
    QTest::addColumn<QList<int>>("ageSeconds");
    QTest::addColumn<QList<int>>("expectedOrder");
    QTest::newRow("priority beats age")
        << QList<int>{10, 110} << QList<int>{100, 1} << QList<int>{1, 0};
    QTest::newRow("equal priority: oldest first")
        << QList<int>{40, 40, 40} << QList<int>{5, 50, 20} << QList<int>{1, 2, 0};
    QTest::newRow("the enqueuers' four kinds")
        << QList<int>{10, 40, 100, 110} << QList<int>{9, 9, 9, 9} << QList<int>{3, 2, 1, 0};
    QTest::newRow("negative priorities last")
        << QList<int>{-5, 0} << QList<int>{100, 1} << QList<int>{1, 0};
}

void TestSQLiteStoreUploadQueue::takesHighestPriorityThenOldest()
{
    QFETCH(QList<int>, priorities);
    QFETCH(QList<int>, ageSeconds);
    QFETCH(QList<int>, expectedOrder);

    StoreFixture fixture;
    QList<UploadTask> tasks;
    for (qsizetype i = 0; i < priorities.size(); ++i) {
        tasks.append(makeTask(priorities[i], fixture.clock.now().addingSeconds(-ageSeconds[i])));
        fixture.store->enqueueUploadTask(tasks.last());
    }
    for (const int expected : expectedOrder) {
        const std::optional<UploadTask> next = fixture.store->nextUploadTask(fixture.clock.now());
        QVERIFY(next);
        QCOMPARE(next->id, tasks[expected].id);
        fixture.store->markUploadTaskCompleted(next->id);
    }
    QVERIFY(!fixture.store->nextUploadTask(fixture.clock.now()));
}

void TestSQLiteStoreUploadQueue::failedTaskWaitsUntilItsTime()
{
    StoreFixture fixture;
    const UploadTask task = makeTask(100, fixture.clock.now());
    fixture.store->enqueueUploadTask(task);
    fixture.store->markUploadTaskInProgress(task.id);
    const Timestamp retryAt = fixture.clock.now().addingSeconds(30);
    fixture.store->markUploadTaskFailed(task.id, 2, retryAt);

    QVERIFY(!fixture.store->nextUploadTask(retryAt.addingSeconds(-0.001)));
    const std::optional<UploadTask> due = fixture.store->nextUploadTask(retryAt);
    QVERIFY(due);
    QCOMPARE(due->status, UploadTaskStatus::Failed);
    QCOMPARE(due->retryCount, 2);
}

void TestSQLiteStoreUploadQueue::inProgressIsOpenButNotTaken()
{
    StoreFixture fixture;
    const QUuid session = QUuid::createUuid();
    UploadTask shot = makeTask(10, fixture.clock.now(), UploadTaskType::Screenshot, session);
    shot.filePath = QStringLiteral("/captures/1.jpg");
    const UploadTask segments =
        makeTask(40, fixture.clock.now(), UploadTaskType::ActivitySegment, session);
    fixture.store->enqueueUploadTask(shot);
    fixture.store->enqueueUploadTask(segments);
    fixture.store->markUploadTaskInProgress(shot.id);
    fixture.store->markUploadTaskInProgress(segments.id);

    QVERIFY(!fixture.store->nextUploadTask(fixture.clock.now().addingSeconds(1e6)));
    QCOMPARE(fixture.store
                 ->pendingUploadTaskIds(
                     session, {UploadTaskType::Screenshot, UploadTaskType::ActivitySegment})
                 .size(),
             2);
    QCOMPARE(fixture.store->pendingUploadFilePaths(), QSet<QString>{*shot.filePath});
    QVERIFY(fixture.store->hasScreenshotTask(session, *shot.filePath));
    QVERIFY(!fixture.store->hasScreenshotTask(session, QStringLiteral("/captures/2.jpg")));
    QVERIFY(!fixture.store->hasScreenshotTask(QUuid::createUuid(), *shot.filePath));
    QVERIFY(fixture.store->hasActivitySegmentTask());

    // Completion removes the row, and with it every trace.
    fixture.store->markUploadTaskCompleted(shot.id);
    fixture.store->markUploadTaskCompleted(segments.id);
    QVERIFY(!fixture.store->hasScreenshotTask(session, *shot.filePath));
    QVERIFY(!fixture.store->hasActivitySegmentTask());
    QVERIFY(fixture.store->pendingUploadFilePaths().isEmpty());
}

void TestSQLiteStoreUploadQueue::enqueueingAgainResetsTheTask()
{
    StoreFixture fixture;
    UploadTask task = makeTask(100, fixture.clock.now());
    fixture.store->enqueueUploadTask(task);
    fixture.store->markUploadTaskFailed(task.id, 5, fixture.clock.now().addingSeconds(3600));
    QVERIFY(!fixture.store->nextUploadTask(fixture.clock.now()));

    fixture.store->enqueueUploadTask(task);
    const std::optional<UploadTask> again = fixture.store->nextUploadTask(fixture.clock.now());
    QVERIFY(again);
    QCOMPARE(again->retryCount, 0);
    QCOMPARE(again->status, UploadTaskStatus::Pending);
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.value("SELECT count(*) FROM upload_queue"), QStringLiteral("1"));
}

void TestSQLiteStoreUploadQueue::staleInProgressTasksReturnInEveryDomain()
{
    StoreFixture fixture;
    const UploadTask here = makeTask(100, fixture.clock.now());
    const UploadTask there = makeTask(100, fixture.clock.now());
    fixture.store->enqueueUploadTask(here);
    fixture.store->enqueueUploadTask(there, QStringLiteral("acme.example"));
    fixture.store->markUploadTaskInProgress(here.id);
    fixture.setDomain(QStringLiteral("acme.example"));
    fixture.store->markUploadTaskInProgress(there.id);
    QVERIFY(!fixture.store->nextUploadTask(fixture.clock.now()));

    fixture.store->resetStaleInProgressTasks();
    QCOMPARE(fixture.store->nextUploadTask(fixture.clock.now())->id, there.id);
    fixture.setDomain(QStringLiteral("global"));
    const std::optional<UploadTask> next = fixture.store->nextUploadTask(fixture.clock.now());
    QCOMPARE(next->id, here.id);
    QCOMPARE(next->status, UploadTaskStatus::Pending);
}

void TestSQLiteStoreUploadQueue::otherDomainsAreInvisible()
{
    StoreFixture fixture;
    fixture.setDomain(QStringLiteral("acme.example"));
    UploadTask task = makeTask(100, fixture.clock.now(), UploadTaskType::Screenshot);
    task.filePath = QStringLiteral("/captures/a.jpg");
    fixture.store->enqueueUploadTask(task);
    fixture.store->enqueueUploadTask(
        makeTask(40, fixture.clock.now(), UploadTaskType::ActivitySegment));

    fixture.setDomain(QStringLiteral("other.example"));
    QVERIFY(!fixture.store->nextUploadTask(fixture.clock.now()));
    QVERIFY(fixture.store->pendingUploadTaskIds(task.sessionId, {UploadTaskType::Screenshot})
                .isEmpty());
    QVERIFY(fixture.store->pendingUploadFilePaths().isEmpty());
    QVERIFY(!fixture.store->hasScreenshotTask(task.sessionId, *task.filePath));
    QVERIFY(!fixture.store->hasActivitySegmentTask());
    // Marks from another domain do not reach the row.
    fixture.store->markUploadTaskInProgress(task.id);
    fixture.store->markUploadTaskFailed(task.id, 9, fixture.clock.now().addingSeconds(1e6));
    fixture.store->markUploadTaskCompleted(task.id);

    fixture.setDomain(QStringLiteral("acme.example"));
    const std::optional<UploadTask> next = fixture.store->nextUploadTask(fixture.clock.now());
    QCOMPARE(next, std::optional<UploadTask>(task));
}

void TestSQLiteStoreUploadQueue::unknownTypeIsReadAsMetadata()
{
    StoreFixture fixture;
    const UploadTask task = makeTask(100, fixture.clock.now());
    fixture.store->enqueueUploadTask(task);
    RawDatabase raw(fixture.path());
    QVERIFY(raw.execute("UPDATE upload_queue SET type = 'thumbnail', status = 'queued';"));
    const std::optional<UploadTask> next = fixture.store->nextUploadTask(fixture.clock.now());
    QVERIFY(!next); // 'queued' is neither pending nor failed

    QVERIFY(raw.execute("UPDATE upload_queue SET status = 'failed';"));
    QCOMPARE(fixture.store->nextUploadTask(fixture.clock.now())->type, UploadTaskType::Metadata);
}

void TestSQLiteStoreUploadQueue::unreadableRowsAreRemovedNotRepeated_data()
{
    QTest::addColumn<QByteArray>("idSql");
    QTest::addColumn<QByteArray>("sessionIdSql");
    const QByteArray goodSession = "'0E5A6C1D-7B2F-4C3E-9A1B-2C3D4E5F6A7B'";
    QTest::newRow("id not a UUID") << QByteArray("'task-17'") << goodSession;
    QTest::newRow("id with braces")
        << QByteArray("'{0E5A6C1D-7B2F-4C3E-9A1B-2C3D4E5F6A70}'") << goodSession;
    QTest::newRow("id NULL") << QByteArray("NULL") << goodSession;
    QTest::newRow("session id not a UUID")
        << QByteArray("'0E5A6C1D-7B2F-4C3E-9A1B-2C3D4E5F6A71'") << QByteArray("''");
}

// A row nobody can mark must not be handed out again and again ahead of every other task.
void TestSQLiteStoreUploadQueue::unreadableRowsAreRemovedNotRepeated()
{
    QFETCH(QByteArray, idSql);
    QFETCH(QByteArray, sessionIdSql);

    StoreFixture fixture;
    const UploadTask lower = makeTask(10, fixture.clock.now());
    fixture.store->enqueueUploadTask(lower);
    RawDatabase raw(fixture.path());
    QVERIFY(raw.execute("INSERT INTO upload_queue (id, domain_key, session_id, type, created_at, "
                        "status, priority) VALUES (" +
                        idSql + ", 'global', " + sessionIdSql +
                        ", 'heartbeat', 0, 'pending', 110);"));
    // The same unreadable row in another domain is not this domain's to remove.
    QVERIFY(raw.execute("INSERT INTO upload_queue (id, domain_key, session_id, type, created_at, "
                        "status, priority) VALUES ('x-other', 'acme.example', " +
                        sessionIdSql + ", 'heartbeat', 0, 'pending', 110);"));

    LogCapture log;
    const std::optional<UploadTask> next = fixture.store->nextUploadTask(fixture.clock.now());
    QVERIFY(next);
    QCOMPARE(next->id, lower.id);
    QVERIFY2(log.contains(QStringLiteral("removing upload task")), qPrintable(log.text()));
    QCOMPARE(raw.value("SELECT count(*) FROM upload_queue WHERE domain_key = 'global'"),
             QStringLiteral("1"));
    QCOMPARE(raw.value("SELECT count(*) FROM upload_queue WHERE domain_key = 'acme.example'"),
             QStringLiteral("1"));
}

void TestSQLiteStoreUploadQueue::pendingIdsFilterBySessionAndType()
{
    StoreFixture fixture;
    const QUuid session = QUuid::createUuid();
    const UploadTask heartbeat =
        makeTask(100, fixture.clock.now(), UploadTaskType::Heartbeat, session);
    const UploadTask start =
        makeTask(110, fixture.clock.now(), UploadTaskType::StartSession, session);
    const UploadTask shot = makeTask(10, fixture.clock.now(), UploadTaskType::Screenshot, session);
    const UploadTask foreign = makeTask(100, fixture.clock.now(), UploadTaskType::Heartbeat);
    for (const UploadTask &task : {heartbeat, start, shot, foreign})
        fixture.store->enqueueUploadTask(task);
    fixture.store->markUploadTaskFailed(start.id, 1, fixture.clock.now().addingSeconds(60));

    QVERIFY(fixture.store->pendingUploadTaskIds(session, {}).isEmpty());
    QCOMPARE(fixture.store->pendingUploadTaskIds(session, {UploadTaskType::Heartbeat}),
             QList<QUuid>{heartbeat.id});
    const QList<QUuid> both = fixture.store->pendingUploadTaskIds(
        session, {UploadTaskType::StartSession, UploadTaskType::Heartbeat});
    QCOMPARE(QSet<QUuid>(both.begin(), both.end()), (QSet<QUuid>{heartbeat.id, start.id}));
    QVERIFY(fixture.store->pendingUploadTaskIds(session, {UploadTaskType::Metadata}).isEmpty());
}

void TestSQLiteStoreUploadQueue::filePathsAreListedOnce()
{
    StoreFixture fixture;
    const QString shared = QStringLiteral("/captures/shared.jpg");
    for (int i = 0; i < 3; ++i) {
        UploadTask task = makeTask(10, fixture.clock.now(), UploadTaskType::Screenshot);
        task.filePath = shared;
        fixture.store->enqueueUploadTask(task);
    }
    fixture.store->enqueueUploadTask(makeTask(100, fixture.clock.now()));
    QCOMPARE(fixture.store->pendingUploadFilePaths(), QSet<QString>{shared});
}

void TestSQLiteStoreUploadQueue::retryCountBeyondRangeIsClamped()
{
    StoreFixture fixture;
    const UploadTask task = makeTask(100, fixture.clock.now());
    fixture.store->enqueueUploadTask(task);
    LogCapture log;
    fixture.store->markUploadTaskFailed(task.id, qint64(1) << 33, fixture.clock.now());
    QVERIFY(log.contains(QStringLiteral("out of range")));
    QCOMPARE(fixture.store->nextUploadTask(fixture.clock.now())->retryCount,
             std::numeric_limits<int>::max());
}

void TestSQLiteStoreUploadQueue::selectionUsesAnIndexAndNoSort()
{
    StoreFixture fixture;
    for (int i = 0; i < 200; ++i)
        fixture.store->enqueueUploadTask(makeTask(i % 4 * 30, fixture.clock.now().addingSeconds(i)),
                                         i % 3 == 0 ? QStringLiteral("acme.example")
                                                    : QStringLiteral("global"));
    RawDatabase raw(fixture.path());
    const QStringList plan = raw.rows(
        "EXPLAIN QUERY PLAN SELECT id, session_id, type, file_path, json_payload, retry_count, "
        "created_at, status, priority\n"
        "FROM upload_queue\n"
        "WHERE domain_key = ? AND status IN ('pending', 'failed') AND next_attempt_at <= ?\n"
        "ORDER BY priority DESC, created_at ASC\n"
        "LIMIT 1;");
    const QString text = plan.join(QLatin1Char('\n'));
    // Either index serves: the lookup one narrows to the due rows, the order one walks the queue
    // in the order wanted and stops at the first due row. Neither a table scan nor a sort.
    QVERIFY2(text.contains(QStringLiteral("SEARCH upload_queue USING INDEX idx_upload_queue_")),
             qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("SCAN upload_queue")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("TEMP B-TREE")), qPrintable(text));
}

void TestSQLiteStoreUploadQueue::concurrentEnqueuersAllLand()
{
    StoreFixture fixture;
    QList<UploadTask> tasks;
    for (int i = 0; i < 200; ++i)
        tasks.append(makeTask(i, fixture.clock.now()));
    QtConcurrent::blockingMap(
        tasks, [&fixture](const UploadTask &task) { fixture.store->enqueueUploadTask(task); });
    int taken = 0;
    int lastPriority = std::numeric_limits<int>::max();
    while (const std::optional<UploadTask> next =
               fixture.store->nextUploadTask(fixture.clock.now())) {
        QVERIFY(next->priority < lastPriority);
        lastPriority = next->priority;
        fixture.store->markUploadTaskCompleted(next->id);
        ++taken;
    }
    QCOMPARE(taken, tasks.size());
}

QTEST_GUILESS_MAIN(TestSQLiteStoreUploadQueue)
#include "TestSQLiteStoreUploadQueue.moc"
