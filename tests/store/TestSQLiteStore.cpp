#include "StoreTestSupport.h"

#include "foundation/DataPartition.h"
#include "foundation/NotificationHub.h"

#include "support/LogCapture.h"
#include "tracking/model/SegmentUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QtConcurrent>
#include <QtTest>

#include <limits>

namespace {

Session makeSession(const QString &projectName, Timestamp start, std::optional<double> length)
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-1");
    session.projectId = QStringLiteral("project-") + projectName;
    session.projectName = projectName;
    std::optional<Timestamp> stop;
    if (length)
        stop = start.addingSeconds(*length);
    session.intervals = {{QUuid::createUuid(), start, stop}};
    session.activityScore = 42.5;
    return session;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QStringList asideFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("zuvevivezid.sqlite.damaged-*")}, QDir::Files,
                                  QDir::Name);
}

} // namespace

class TestSQLiteStore : public QObject
{
    Q_OBJECT

private slots:
    void newFileHasTablesIndexesAndWal();
    void olderLayoutIsMigrated();
    void damagedFileIsMovedAsideAndReplaced_data();
    void damagedFileIsMovedAsideAndReplaced();
    void unopenablePathLeavesStoreInert();
    void failedWriteIsLoggedNotThrown();
    void killedWriterLeavesEveryCommittedRow();
    void concurrentCallersAllLand();

    void savingAgainReplacesTheRow();
    void latestSavedSessionIsLoaded();
    void clearingWithoutIdKeepsOtherDomains();
    void rowsOfAnEarlierSignInGoToTheFirstEmployee();
    void emptyDomainKeyIsGlobal();
    void undecodableSessionRowsAreSkipped();
    void sessionWithoutJsonFormIsNotWritten();

    void historyRows_data();
    void historyRows();
    void historyRangeIncludesFromExcludesTo();

    void segmentsWaitForUploadUntilMarked();
    void segmentChangedDuringUploadStaysPending();
    void pendingSegmentsAreClosedOrderedAndNonZero();
    void outOfRangeCountersAreClamped();
    void segmentSummarySums_data();
    void segmentSummarySums();
    void cleanupRemovesUnattributableRows();

    void failedHistoryWriteKeepsTheRunningSession();
    void anEdgeAndItsUploadTaskAreWrittenTogether_data();
    void anEdgeAndItsUploadTaskAreWrittenTogether();
    void failingWritesAreReportedOncePerStreak();
    void damageInsideTheFileIsFoundAndReadableRowsKept();
    void damageMetWhileRunningReplacesTheFileOnce();
};

void TestSQLiteStore::newFileHasTablesIndexesAndWal()
{
    LogCapture log;
    StoreFixture fixture;
    QVERIFY(fixture.store->isOpen());
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
             QStringList({"activity_segments", "session_history", "sessions", "upload_queue"}));
    QCOMPARE(raw.rows("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'idx_%' "
                      "ORDER BY name"),
             QStringList({"idx_activity_segments_pending", "idx_session_history_domain",
                          "idx_sessions_domain", "idx_upload_queue_lookup",
                          "idx_upload_queue_order", "idx_upload_queue_session"}));
    QCOMPARE(raw.value("PRAGMA journal_mode"), QStringLiteral("wal"));

    // A second start on the same file creates nothing new and reports nothing.
    fixture.reopen();
    QVERIFY(fixture.store->isOpen());
    QVERIFY2(!log.contains(QStringLiteral("SQLite error")), qPrintable(log.text()));
    QVERIFY(!log.contains(QStringLiteral("failed")));
}

void TestSQLiteStore::olderLayoutIsMigrated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zuvevivezid.sqlite"));
    const Session old =
        makeSession(QStringLiteral("Old"), Timestamp::fromSecondsSince1970(1e9), 60);
    {
        RawDatabase raw(path);
        QVERIFY(raw.execute("CREATE TABLE sessions (id TEXT PRIMARY KEY, device_id TEXT NOT NULL, "
                            "project_id TEXT NOT NULL, project_name TEXT NOT NULL, payload BLOB "
                            "NOT NULL, updated_at REAL NOT NULL);"));
        QVERIFY(raw.execute("CREATE TABLE session_history (id TEXT PRIMARY KEY, device_id TEXT NOT "
                            "NULL, project_id TEXT NOT NULL, project_name TEXT NOT NULL, payload "
                            "BLOB NOT NULL, started_at REAL NOT NULL, stopped_at REAL NOT NULL);"));
        QVERIFY(raw.execute("CREATE TABLE upload_queue (id TEXT PRIMARY KEY, session_id TEXT NOT "
                            "NULL, type TEXT NOT NULL, file_path TEXT, json_payload BLOB, "
                            "retry_count INTEGER NOT NULL DEFAULT 0, created_at REAL NOT NULL, "
                            "status TEXT NOT NULL, priority INTEGER NOT NULL);"));
        SqliteStatement insert(raw.connection(),
                               "INSERT INTO sessions VALUES (?, 'DEVICE-1', 'p', 'Old', ?, 5);");
        insert.bindText(1, UuidText::format(old.id));
        insert.bindBlob(2, old.toJson());
        QCOMPARE(insert.step(), 101);
        QVERIFY(raw.execute("INSERT INTO upload_queue VALUES ('6F1C2D3E-0000-4000-8000-"
                            "000000000001', '6F1C2D3E-0000-4000-8000-000000000002', 'heartbeat', "
                            "NULL, NULL, 3, 7, 'failed', 100);"));
    }

    FakeClock clock;
    QString domain = QStringLiteral("acme.example");
    SQLiteStore store(
        path, [&domain] { return domain; }, clock);
    RawDatabase raw(path);
    QCOMPARE(raw.value("SELECT domain_key FROM sessions"), QStringLiteral("global"));
    QCOMPARE(raw.rows("SELECT domain_key, next_attempt_at FROM upload_queue"),
             QStringList{QStringLiteral("global|0.0")});
    QCOMPARE(raw.rows("SELECT count(*) FROM pragma_table_info('session_history') WHERE name = "
                      "'domain_key'"),
             QStringList{QStringLiteral("1")});

    // Old rows belong to "no company": hidden while one is chosen, shown when none is.
    QVERIFY(store.loadAllActiveSessions().isEmpty());
    QVERIFY(!store.nextUploadTask(clock.now()));
    domain = QStringLiteral("global");
    QCOMPARE(store.loadActiveSession(), std::optional<Session>(old));
    const std::optional<UploadTask> task = store.nextUploadTask(clock.now());
    QVERIFY(task);
    QCOMPARE(task->retryCount, 3);
    QCOMPARE(task->status, UploadTaskStatus::Failed);
}

void TestSQLiteStore::damagedFileIsMovedAsideAndReplaced_data()
{
    QTest::addColumn<QByteArray>("damagedBytes");
    QTest::addColumn<bool>("withJournalFiles");

    // A real database cut short, as a full disk or an interrupted copy leaves it.
    QByteArray truncated;
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("source.sqlite"));
        {
            RawDatabase raw(path);
            raw.execute("CREATE TABLE filler (value BLOB);");
            for (int i = 0; i < 64; ++i)
                raw.execute("INSERT INTO filler VALUES (randomblob(1000));");
        }
        truncated = fileBytes(path).left(20'000);
    }
    QTest::newRow("not a database") << QByteArray(8192, '\x5a') << false;
    QTest::newRow("truncated") << truncated << false;
    QTest::newRow("truncated, with journal files") << truncated << true;
    // SQLite would take it for a new database; this store never leaves one without its schema.
    QTest::newRow("emptied by a full disk") << QByteArray() << false;
}

void TestSQLiteStore::damagedFileIsMovedAsideAndReplaced()
{
    QFETCH(QByteArray, damagedBytes);
    QFETCH(bool, withJournalFiles);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zuvevivezid.sqlite"));
    QVERIFY(writeFile(path, damagedBytes));
    const QByteArray walBytes("wal of the damaged file");
    if (withJournalFiles) {
        QVERIFY(writeFile(path + QStringLiteral("-wal"), walBytes));
        QVERIFY(writeFile(path + QStringLiteral("-shm"), QByteArray(32768, '\0')));
    }

    LogCapture log;
    FakeClock clock;
    auto store = std::make_unique<SQLiteStore>(
        path, [] { return QStringLiteral("global"); }, clock);
    QVERIFY(log.contains(QStringLiteral("damaged")));

    const QStringList aside = asideFiles(dir.path());
    const QString asideMain = aside.value(0);
    QVERIFY2(!asideMain.isEmpty(), qPrintable(aside.join(QLatin1Char(','))));
    QCOMPARE(fileBytes(dir.filePath(asideMain)), damagedBytes);
    if (withJournalFiles) {
        QCOMPARE(aside.size(), 3);
        QCOMPARE(fileBytes(dir.filePath(asideMain + QStringLiteral("-wal"))), walBytes);
    }
    QVERIFY(log.contains(asideMain));

    // The run goes on with a working database, and what it writes survives a restart.
    const Session session = makeSession(QStringLiteral("After"), clock.now(), std::nullopt);
    store->saveActiveSession(session);
    store.reset();
    SQLiteStore reopened(
        path, [] { return QStringLiteral("global"); }, clock);
    QCOMPARE(reopened.loadActiveSession(), std::optional<Session>(session));
    QCOMPARE(fileBytes(dir.filePath(asideMain)), damagedBytes);
    QCOMPARE(asideFiles(dir.path()), aside);
}

void TestSQLiteStore::unopenablePathLeavesStoreInert()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zuvevivezid.sqlite"));
    QVERIFY(QDir().mkpath(path));

    LogCapture log;
    FakeClock clock;
    QSignalSpy cannotWrite(&NotificationHub::instance(),
                           &NotificationHub::localDatabaseCannotBeWritten);
    SQLiteStore store(
        path, [] { return QStringLiteral("global"); }, clock);
    QVERIFY(!store.isOpen());
    QCOMPARE(log.count(QStringLiteral("SQLiteStore: failed to open DB rc=14")), 1);
    // Nothing will be saved in this run, and the user hears of it once.
    QCOMPARE(cannotWrite.count(), 1);

    const Session session = makeSession(QStringLiteral("Lost"), clock.now(), 10);
    store.saveActiveSession(session);
    store.appendSessionHistory(session);
    store.enqueueUploadTask(UploadTask{QUuid::createUuid(),
                                       session.id,
                                       UploadTaskType::Heartbeat,
                                       {},
                                       {},
                                       0,
                                       clock.now(),
                                       UploadTaskStatus::Pending,
                                       100});
    QVERIFY(store.loadAllActiveSessions().isEmpty());
    QVERIFY(store.sessionHistory(clock.now().addingSeconds(-1e6), clock.now()).isEmpty());
    QVERIFY(!store.nextUploadTask(clock.now()));
    QCOMPARE(store.cleanupUnattributableData(QStringLiteral("2030-01-01")), 0);
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(asideFiles(dir.path()).isEmpty());
}

void TestSQLiteStore::failedWriteIsLoggedNotThrown()
{
    StoreFixture fixture;
    RawDatabase raw(fixture.path());
    QVERIFY(raw.execute("DROP TABLE sessions;"));

    LogCapture log;
    fixture.store->saveActiveSession(
        makeSession(QStringLiteral("Nowhere"), fixture.clock.now(), 1));
    QVERIFY2(log.contains(QStringLiteral("SQLiteStore: saveActiveSession failed")),
             qPrintable(log.text()));
}

void TestSQLiteStore::killedWriterLeavesEveryCommittedRow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zuvevivezid.sqlite"));
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zuv_store_writer_child"),
                 {path});
    QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));

    QByteArray output;
    QElapsedTimer elapsed;
    elapsed.start();
    while (output.count('\n') < 150 && elapsed.elapsed() < 60'000) {
        if (writer.state() != QProcess::Running)
            break;
        writer.waitForReadyRead(1000);
        output += writer.readAllStandardOutput();
    }
    QCOMPARE(writer.state(), QProcess::Running);
    writer.kill(); // SIGKILL
    QVERIFY(writer.waitForFinished(10'000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    output += writer.readAllStandardOutput();

    // Only whole lines: the round they name had returned from every write.
    QStringList committed;
    const QList<QByteArray> lines = output.left(output.lastIndexOf('\n')).split('\n');
    for (const QByteArray &line : lines)
        committed.append(QString::fromLatin1(line.split(' ').value(1)));
    QVERIFY(committed.size() >= 150);

    {
        RawDatabase raw(path);
        QCOMPARE(raw.value("PRAGMA integrity_check"), QStringLiteral("ok"));
    }
    FakeClock clock;
    SQLiteStore store(
        path, [] { return QStringLiteral("global"); }, clock);
    QSet<QString> stored;
    for (const Session &session : store.loadAllActiveSessions())
        stored.insert(UuidText::format(session.id));
    QSet<QString> queuedSessions;
    while (const std::optional<UploadTask> task = store.nextUploadTask(clock.now())) {
        queuedSessions.insert(UuidText::format(task->sessionId));
        store.markUploadTaskCompleted(task->id);
    }
    const QList<SQLiteStore::SessionSummaryRow> history =
        store.sessionHistory(Timestamp(), clock.now().addingSeconds(1e9));
    for (const QString &id : std::as_const(committed)) {
        QVERIFY2(stored.contains(id), qPrintable(id));
        QVERIFY2(queuedSessions.contains(id), qPrintable(id));
    }
    QVERIFY(history.size() >= committed.size());
    RawDatabase raw(path);
    QCOMPARE(raw.value("PRAGMA integrity_check"), QStringLiteral("ok"));
}

void TestSQLiteStore::concurrentCallersAllLand()
{
    StoreFixture fixture;
    QList<Session> sessions;
    for (int i = 0; i < 64; ++i)
        sessions.append(
            makeSession(QStringLiteral("P%1").arg(i), fixture.clock.now().addingSeconds(i), 5));
    QtConcurrent::blockingMap(sessions, [&fixture](const Session &session) {
        fixture.store->saveActiveSession(session);
        fixture.store->appendSessionHistory(session);
        fixture.store->upsertActivitySegment(QStringLiteral("2026-01-01"),
                                             static_cast<int>(session.projectName.mid(1).toInt()),
                                             1, 1, 1, 1);
        fixture.store->loadAllActiveSessions();
    });
    QCOMPARE(fixture.store->loadAllActiveSessions().size(), sessions.size());
    QCOMPARE(
        fixture.store->sessionHistory(Timestamp(), fixture.clock.now().addingSeconds(100)).size(),
        sessions.size());
    QCOMPARE(
        fixture.store->pendingActivitySegmentsForUpload(QStringLiteral("2026-01-02"), 0).size(),
        sessions.size());
}

void TestSQLiteStore::savingAgainReplacesTheRow()
{
    StoreFixture fixture;
    Session session = makeSession(QStringLiteral("A"), fixture.clock.now(), std::nullopt);
    fixture.store->saveActiveSession(session);
    fixture.clock.advance(5);
    session.mouseCount = 99;
    fixture.store->saveActiveSession(session);

    RawDatabase raw(fixture.path());
    QCOMPARE(raw.rows("SELECT updated_at FROM sessions"),
             QStringList{QString::number(fixture.clock.now().secondsSince1970(), 'f', 1)});
    QCOMPARE(fixture.store->loadAllActiveSessions(), QList<Session>{session});
}

void TestSQLiteStore::latestSavedSessionIsLoaded()
{
    StoreFixture fixture;
    const Session first = makeSession(QStringLiteral("First"), fixture.clock.now(), 5);
    const Session second = makeSession(QStringLiteral("Second"), fixture.clock.now(), 5);
    fixture.store->saveActiveSession(second);
    fixture.clock.advance(1);
    fixture.store->saveActiveSession(first);
    QCOMPARE(fixture.store->loadActiveSession(), std::optional<Session>(first));
    QCOMPARE(fixture.store->loadAllActiveSessions(), (QList<Session>{first, second}));

    fixture.store->clearActiveSession(first.id);
    QCOMPARE(fixture.store->loadActiveSession(), std::optional<Session>(second));
}

void TestSQLiteStore::clearingWithoutIdKeepsOtherDomains()
{
    StoreFixture fixture;
    fixture.setDomain(QStringLiteral("acme.example"));
    const Session acme = makeSession(QStringLiteral("Acme"), fixture.clock.now(), 5);
    fixture.store->saveActiveSession(acme);
    fixture.setDomain(QStringLiteral("other.example"));
    fixture.store->saveActiveSession(makeSession(QStringLiteral("O1"), fixture.clock.now(), 5));
    fixture.store->saveActiveSession(makeSession(QStringLiteral("O2"), fixture.clock.now(), 5));
    // An id of another domain is not reached either.
    fixture.store->clearActiveSession(acme.id);

    fixture.store->clearActiveSession(std::nullopt);
    QVERIFY(fixture.store->loadAllActiveSessions().isEmpty());
    fixture.setDomain(QStringLiteral("acme.example"));
    QCOMPARE(fixture.store->loadAllActiveSessions(), QList<Session>{acme});
}

// Rows from before employees were told apart carry the company's bare key: they belong to
// whoever signs in to that company first, and to nobody else.
void TestSQLiteStore::rowsOfAnEarlierSignInGoToTheFirstEmployee()
{
    StoreFixture fixture;
    const Timestamp start = fixture.clock.now().addingSeconds(-3600);
    const Timestamp to = fixture.clock.now().addingSeconds(60);
    const QString day = QStringLiteral("2025-12-09");
    // One running session, one finished, one segment and one queued task of a company.
    const auto writeEarlierSignIn = [&](const QString &company) {
        fixture.setDomain(company);
        const Session running = makeSession(company, start, std::nullopt);
        fixture.store->saveActiveSession(running);
        fixture.store->appendSessionHistory(makeSession(company, start, 600));
        fixture.store->upsertActivitySegment(day, 60, 7, 8, 9, 10);
        UploadTask task;
        task.id = QUuid::createUuid();
        task.sessionId = running.id;
        task.type = UploadTaskType::StartSession;
        task.createdAt = start;
        task.priority = 110;
        fixture.store->enqueueUploadTask(task);
        return running;
    };
    const auto seesAll = [&](const Session &running) {
        return fixture.store->loadAllActiveSessions() == QList<Session>{running} &&
               fixture.store->sessionHistory(start, to).size() == 1 &&
               fixture.store->activitySegment(day, 60).has_value() &&
               fixture.store->nextUploadTask(to).has_value();
    };
    const auto seesNothing = [&] {
        return fixture.store->loadAllActiveSessions().isEmpty() &&
               fixture.store->sessionHistory(start, to).isEmpty() &&
               !fixture.store->activitySegment(day, 60) && !fixture.store->nextUploadTask(to);
    };
    const Session acme = writeEarlierSignIn(QStringLiteral("acme.example"));
    const QString ann = DataPartition::key(QStringLiteral("acme.example"), QStringLiteral("ann@a"));
    const QString ben = DataPartition::key(QStringLiteral("acme.example"), QStringLiteral("ben@a"));

    // The first start after the change, with Ann signed in; then Ben at the same company.
    fixture.setDomain(ann);
    fixture.reopen();
    QVERIFY(seesAll(acme));
    fixture.setDomain(ben);
    QVERIFY(seesNothing());
    fixture.store->upsertActivitySegment(day, 60, 1, 1, 1, 1);
    fixture.setDomain(ann);
    QVERIFY(seesAll(acme));
    QCOMPARE(fixture.store->activitySegment(day, 60)->activeSeconds, 7);

    // Another company's earlier rows wait for its own first sign-in, whoever signed in elsewhere.
    const Session other = writeEarlierSignIn(QStringLiteral("other.example"));
    fixture.setDomain(ben);
    QVERIFY(fixture.store->loadAllActiveSessions().isEmpty());
    fixture.setDomain(DataPartition::key(QStringLiteral("other.example"), QStringLiteral("ben@a")));
    QVERIFY(seesAll(other));
}

void TestSQLiteStore::emptyDomainKeyIsGlobal()
{
    StoreFixture fixture;
    fixture.setDomain(QString());
    const Session session = makeSession(QStringLiteral("NoHost"), fixture.clock.now(), 5);
    fixture.store->saveActiveSession(session);
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.value("SELECT domain_key FROM sessions"), QStringLiteral("global"));
    fixture.setDomain(QStringLiteral("global"));
    QCOMPARE(fixture.store->loadAllActiveSessions(), QList<Session>{session});
}

void TestSQLiteStore::undecodableSessionRowsAreSkipped()
{
    StoreFixture fixture;
    const Session good = makeSession(QStringLiteral("Good"), fixture.clock.now(), 60);
    const Session bad = makeSession(QStringLiteral("Bad"), fixture.clock.now(), 60);
    for (const Session &session : {good, bad}) {
        fixture.store->saveActiveSession(session);
        fixture.store->appendSessionHistory(session);
    }
    RawDatabase raw(fixture.path());
    const QByteArray badId = UuidText::format(bad.id).toLatin1();
    QVERIFY(raw.execute("UPDATE sessions SET payload = '{\"id\": 7}' WHERE id = '" + badId + "';"));
    QVERIFY(
        raw.execute("UPDATE session_history SET payload = X'00FF' WHERE id = '" + badId + "';"));

    LogCapture log;
    QCOMPARE(fixture.store->loadAllActiveSessions(), QList<Session>{good});
    const auto history = fixture.store->sessionHistory(fixture.clock.now().addingSeconds(-1),
                                                       fixture.clock.now().addingSeconds(1));
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().projectName, QStringLiteral("Good"));
    QCOMPARE(log.count(QStringLiteral("skipped a stored session that does not decode")), 2);
    // The rows stay for a later look.
    QCOMPARE(raw.value("SELECT count(*) FROM sessions"), QStringLiteral("2"));
    QCOMPARE(raw.value("SELECT count(*) FROM session_history"), QStringLiteral("2"));
}

void TestSQLiteStore::sessionWithoutJsonFormIsNotWritten()
{
    StoreFixture fixture;
    const Session saved = makeSession(QStringLiteral("Saved"), fixture.clock.now(), 60);
    fixture.store->saveActiveSession(saved);

    Session broken = saved;
    broken.activityScore = std::numeric_limits<double>::quiet_NaN();
    LogCapture log;
    fixture.store->saveActiveSession(broken);
    fixture.store->appendSessionHistory(broken);
    QVERIFY(log.contains(QStringLiteral("saveActiveSession: encode failed")));
    QVERIFY(log.contains(QStringLiteral("appendSessionHistory: encode failed")));
    // The last good save is what a restart finds.
    QCOMPARE(fixture.store->loadAllActiveSessions(), QList<Session>{saved});
    QVERIFY(fixture.store->sessionHistory(Timestamp(), fixture.clock.now().addingSeconds(1e6))
                .isEmpty());
}

void TestSQLiteStore::historyRows_data()
{
    QTest::addColumn<Session>("session");
    QTest::addColumn<double>("expectedTotal");
    QTest::addColumn<double>("expectedStartOffset");
    QTest::addColumn<double>("expectedStoredStopOffset");

    // Offsets in seconds from the moment of archiving; the listing happens 1000 s later.
    const Timestamp t = Timestamp::fromSecondsSince1970(1'700'000'000.0);
    Session closed = makeSession(QStringLiteral("Closed"), t.addingSeconds(-500), 120);
    closed.intervals.append({QUuid::createUuid(), t.addingSeconds(-300), t.addingSeconds(-100)});
    QTest::newRow("closed intervals add up") << closed << 320.0 << -500.0 << -100.0;

    Session open = makeSession(QStringLiteral("Open"), t.addingSeconds(-200), std::nullopt);
    QTest::newRow("an open last interval runs to the reading") << open << 1200.0 << -200.0 << 0.0;

    Session reported = closed;
    reported.reportedTotalSeconds = 7;
    QTest::newRow("a reported total wins") << reported << 7.0 << -500.0 << -100.0;

    Session backwards = makeSession(QStringLiteral("Backwards"), t.addingSeconds(-50), -30);
    QTest::newRow("a stop before its start adds nothing") << backwards << 0.0 << -50.0 << -80.0;

    Session empty = makeSession(QStringLiteral("Empty"), t, 1);
    empty.intervals.clear();
    QTest::newRow("no interval") << empty << 0.0 << 1000.0 << 0.0;
}

void TestSQLiteStore::historyRows()
{
    QFETCH(Session, session);
    QFETCH(double, expectedTotal);
    QFETCH(double, expectedStartOffset);
    QFETCH(double, expectedStoredStopOffset);

    StoreFixture fixture;
    const Timestamp archivedAt = fixture.clock.now();
    fixture.store->appendSessionHistory(session);
    fixture.store->appendSessionHistory(session);
    fixture.clock.advance(1000);

    RawDatabase raw(fixture.path());
    QCOMPARE(raw.value("SELECT count(*) FROM session_history"), QStringLiteral("1"));
    QCOMPARE(raw.value("SELECT stopped_at FROM session_history").toDouble(),
             archivedAt.addingSeconds(expectedStoredStopOffset).secondsSince1970());

    const auto rows = fixture.store->sessionHistory(archivedAt.addingSeconds(-10'000),
                                                    archivedAt.addingSeconds(10'000));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().projectName, session.projectName);
    QCOMPARE(rows.first().activityScore, 42.5);
    QCOMPARE(rows.first().totalSeconds, expectedTotal);
    QCOMPARE(rows.first().startedAt, archivedAt.addingSeconds(expectedStartOffset));
}

void TestSQLiteStore::historyRangeIncludesFromExcludesTo()
{
    StoreFixture fixture;
    const Timestamp from = fixture.clock.now();
    const Timestamp to = from.addingSeconds(3600);
    for (const auto &[name, start] :
         {std::pair{"before", from.addingSeconds(-0.5)}, std::pair{"at from", from},
          std::pair{"inside", from.addingSeconds(10)}, std::pair{"at to", to}})
        fixture.store->appendSessionHistory(makeSession(QString::fromLatin1(name), start, 1));

    QStringList names;
    for (const auto &row : fixture.store->sessionHistory(from, to))
        names.append(row.projectName);
    QCOMPARE(names, QStringList({"at from", "inside"}));
}

void TestSQLiteStore::segmentsWaitForUploadUntilMarked()
{
    StoreFixture fixture;
    const QString day = QStringLiteral("2026-03-01");
    fixture.store->upsertActivitySegment(day, 5, 100, 200, 3, 4);
    fixture.store->upsertActivitySegment(day, 5, 300, 400, 5, 6);
    QCOMPARE(fixture.store->pendingActivitySegmentsForUpload(day, 6),
             (QList<SQLiteStore::ActivitySegmentRow>{{day, 5, 300, 400, 5, 6}}));

    fixture.store->markActivitySegmentUploaded(day, 5);
    QVERIFY(fixture.store->pendingActivitySegmentsForUpload(day, 6).isEmpty());
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.value("SELECT uploaded_at FROM activity_segments").toDouble(),
             fixture.clock.now().secondsSince1970());

    // A change after the upload is sent again.
    fixture.store->upsertActivitySegment(day, 5, 301, 400, 5, 6);
    QCOMPARE(fixture.store->pendingActivitySegmentsForUpload(day, 6).size(), 1);

    // Marks reach only the current domain's row.
    fixture.setDomain(QStringLiteral("acme.example"));
    fixture.store->markActivitySegmentUploaded(day, 5);
    fixture.setDomain(QStringLiteral("global"));
    QCOMPARE(fixture.store->pendingActivitySegmentsForUpload(day, 6).size(), 1);
}

void TestSQLiteStore::segmentChangedDuringUploadStaysPending()
{
    StoreFixture fixture;
    const QString day = QStringLiteral("2026-03-01");
    fixture.store->upsertActivitySegment(day, 5, 100, 200, 3, 4);
    const QList<SQLiteStore::ActivitySegmentRow> sent =
        fixture.store->pendingActivitySegmentsForUpload(day, 6);
    QCOMPARE(sent.size(), 1);

    // The counters grew while the batch was on its way: the newer totals still have to go.
    fixture.store->upsertActivitySegment(day, 5, 160, 260, 3, 9);
    QVERIFY(!fixture.store->markActivitySegmentUploadedIfUnchanged(sent.first()));
    QCOMPARE(fixture.store->pendingActivitySegmentsForUpload(day, 6).size(), 1);

    const auto resent = fixture.store->pendingActivitySegmentsForUpload(day, 6);
    QVERIFY(fixture.store->markActivitySegmentUploadedIfUnchanged(resent.first()));
    QVERIFY(fixture.store->pendingActivitySegmentsForUpload(day, 6).isEmpty());
}

void TestSQLiteStore::pendingSegmentsAreClosedOrderedAndNonZero()
{
    StoreFixture fixture;
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-02"), 7, 1, 0, 0, 0);
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-02"), 8, 0, 0, 0, 0);
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-02"), 9, 0, 0, 0, 1);
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-01"), 143, 0, 0, 1, 0);
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-02"), 0, 0, 1, 0, 0);
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-02"), 10, 5, 5, 5, 5,
                                         {"x.example"});

    QStringList keys;
    for (const auto &row :
         fixture.store->pendingActivitySegmentsForUpload(QStringLiteral("2026-03-02"), 9))
        keys.append(QStringLiteral("%1/%2").arg(row.segmentDate).arg(row.segmentNumber));
    // The open segment 9, the all-zero 8 and another domain's 10 are not sent.
    QCOMPARE(keys, QStringList({"2026-03-01/143", "2026-03-02/0", "2026-03-02/7"}));
}

void TestSQLiteStore::outOfRangeCountersAreClamped()
{
    StoreFixture fixture;
    LogCapture log;
    fixture.store->upsertActivitySegment(QStringLiteral("2026-03-01"), 1, qint64(1) << 40, 600,
                                         -(qint64(1) << 35), 3);
    QVERIFY(log.contains(QStringLiteral("out of range")));
    QCOMPARE(fixture.store->pendingActivitySegmentsForUpload(QStringLiteral("2026-03-02"), 0),
             (QList<SQLiteStore::ActivitySegmentRow>{{QStringLiteral("2026-03-01"), 1,
                                                      std::numeric_limits<int>::max(), 600,
                                                      std::numeric_limits<int>::min(), 3}}));
}

void TestSQLiteStore::segmentSummarySums_data()
{
    QTest::addColumn<QList<int>>("activeAndNonIdle");
    QTest::addColumn<double>("weightedSum");
    QTest::addColumn<double>("nonIdleSum");
    QTest::newRow("no segments") << QList<int>{} << 0.0 << 0.0;
    QTest::newRow("full segment") << QList<int>{600, 600} << 10'000.0 << 100.0;
    QTest::newRow("half active") << QList<int>{300, 600} << 5'000.0 << 100.0;
    QTest::newRow("two segments") << QList<int>{600, 600, 60, 300} << 10'500.0 << 150.0;
}

void TestSQLiteStore::segmentSummarySums()
{
    QFETCH(QList<int>, activeAndNonIdle);
    QFETCH(double, weightedSum);
    QFETCH(double, nonIdleSum);

    StoreFixture fixture;
    const QTimeZone deviceZone = QTimeZone::systemTimeZone();
    const Timestamp from = fixture.clock.now();
    const Timestamp to = from.addingSeconds(86'400);
    const QString fromDay = SegmentUtils::dayKey(from, deviceZone);
    for (qsizetype i = 0; i + 1 < activeAndNonIdle.size(); i += 2)
        fixture.store->upsertActivitySegment(fromDay, static_cast<int>(i), activeAndNonIdle[i],
                                             activeAndNonIdle[i + 1], 0, 0);
    // The day of `to` is not part of the period; nor is another domain's day.
    fixture.store->upsertActivitySegment(SegmentUtils::dayKey(to, deviceZone), 0, 600, 600, 0, 0);
    fixture.store->upsertActivitySegment(fromDay, 0, 600, 600, 0, 0, {"acme.example"});

    const SQLiteStore::SegmentActivitySummary summary =
        fixture.store->segmentActivitySummary(from, to);
    QCOMPARE(summary.activityRateWeightedSum, weightedSum);
    QCOMPARE(summary.nonIdlePercentSum, nonIdleSum);
}

void TestSQLiteStore::cleanupRemovesUnattributableRows()
{
    StoreFixture fixture;
    SQLiteStore &store = *fixture.store;
    const QUuid session = QUuid::createUuid();
    const auto task = [&](const QString &domain) {
        store.enqueueUploadTask({QUuid::createUuid(),
                                 session,
                                 UploadTaskType::Heartbeat,
                                 {},
                                 {},
                                 0,
                                 fixture.clock.now(),
                                 UploadTaskStatus::Pending,
                                 100},
                                domain);
    };
    task(QStringLiteral("global"));
    task(QStringLiteral("global"));
    task(QStringLiteral("acme.example"));
    store.upsertActivitySegment(QStringLiteral("2026-01-01"), 1, 1, 1, 1, 1, {"global"});
    // All-zero and not uploaded: removed in every domain, also today's.
    store.upsertActivitySegment(QStringLiteral("2026-02-20"), 2, 0, 0, 0, 0, {"acme.example"});
    // Another company's old segments: removed unless uploaded.
    store.upsertActivitySegment(QStringLiteral("2026-01-01"), 3, 1, 1, 1, 1, {"old.example"});
    store.upsertActivitySegment(QStringLiteral("2026-01-01"), 4, 1, 1, 1, 1, {"old.example"});
    fixture.setDomain(QStringLiteral("old.example"));
    store.markActivitySegmentUploaded(QStringLiteral("2026-01-01"), 4);
    // Another company's recent segment and the current company's old one stay.
    store.upsertActivitySegment(QStringLiteral("2026-02-01"), 5, 1, 1, 1, 1, {"old.example"});
    store.upsertActivitySegment(QStringLiteral("2026-01-01"), 6, 1, 1, 1, 1, {"acme.example"});

    fixture.setDomain(QStringLiteral("global"));
    QCOMPARE(store.cleanupUnattributableData(QStringLiteral("2026-01-15"),
                                             QStringLiteral("acme.example")),
             2 + 1 + 1 + 1);
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.rows("SELECT domain_key FROM upload_queue"),
             QStringList{QStringLiteral("acme.example")});
    QCOMPARE(raw.rows("SELECT segment_number FROM activity_segments ORDER BY segment_number"),
             QStringList({"4", "5", "6"}));

    // Without an explicit domain the current one counts: with no company chosen, every company's
    // old segments that were never sent go.
    QCOMPARE(store.cleanupUnattributableData(QStringLiteral("2026-01-15")), 1);
    QCOMPARE(raw.rows("SELECT segment_number FROM activity_segments ORDER BY segment_number"),
             QStringList({"4", "5"}));
}

namespace {

// Makes every insert into the table fail as a full disk would, until dropped.
const QByteArray failingHistoryTrigger =
    "CREATE TRIGGER full_disk BEFORE INSERT ON session_history "
    "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;";

} // namespace

void TestSQLiteStore::failedHistoryWriteKeepsTheRunningSession()
{
    StoreFixture fixture;
    const Session session = makeSession(QStringLiteral("Kept"), fixture.clock.now(), 60);
    fixture.store->saveActiveSession(session);
    RawDatabase raw(fixture.path());
    QVERIFY(raw.execute(failingHistoryTrigger));

    QVERIFY(!fixture.store->moveSessionToHistory(session));
    QCOMPARE(fixture.store->loadActiveSession(), std::optional<Session>(session));
    QCOMPARE(raw.value("SELECT COUNT(*) FROM session_history"), QStringLiteral("0"));

    QVERIFY(raw.execute("DROP TRIGGER full_disk;"));
    QVERIFY(fixture.store->moveSessionToHistory(session));
    QVERIFY(!fixture.store->loadActiveSession().has_value());
    QCOMPARE(raw.value("SELECT COUNT(*) FROM session_history"), QStringLiteral("1"));
}

void TestSQLiteStore::anEdgeAndItsUploadTaskAreWrittenTogether_data()
{
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("refusedTable");
    QTest::newRow("start, queue refused") << false << "upload_queue";
    QTest::newRow("start, running row refused") << false << "sessions";
    QTest::newRow("stop, queue refused") << true << "upload_queue";
    QTest::newRow("stop, history refused") << true << "session_history";
}

void TestSQLiteStore::anEdgeAndItsUploadTaskAreWrittenTogether()
{
    QFETCH(bool, ends);
    QFETCH(QString, refusedTable);
    StoreFixture fixture;
    Session session = makeSession(QStringLiteral("Edge"), fixture.clock.now(), 60);
    if (ends)
        fixture.store->saveActiveSession(session);
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = session.id;
    task.type = ends ? UploadTaskType::Heartbeat : UploadTaskType::StartSession;
    task.jsonPayload = QByteArray("{}");
    const auto write = [&] {
        return ends ? fixture.store->moveSessionToHistoryWithUpload(session, task)
                    : fixture.store->saveActiveSessionWithUpload(session, task);
    };
    RawDatabase raw(fixture.path());
    const QString count = QStringLiteral("SELECT (SELECT COUNT(*) FROM sessions) || '/' || "
                                         "(SELECT COUNT(*) FROM session_history) || '/' || "
                                         "(SELECT COUNT(*) FROM upload_queue)");
    const QString before = raw.value(count.toUtf8());
    QVERIFY(raw.execute(QStringLiteral("CREATE TRIGGER full_disk BEFORE INSERT ON %1 BEGIN "
                                       "SELECT RAISE(ABORT, 'database or disk is full'); END;")
                            .arg(refusedTable)
                            .toUtf8()));

    QVERIFY(!write());
    QCOMPARE(raw.value(count.toUtf8()), before);

    QVERIFY(raw.execute("DROP TRIGGER full_disk;"));
    QVERIFY(write());
    QCOMPARE(raw.value(count.toUtf8()), ends ? QStringLiteral("0/1/1") : QStringLiteral("1/0/1"));
}

void TestSQLiteStore::failingWritesAreReportedOncePerStreak()
{
    StoreFixture fixture;
    const Session session = makeSession(QStringLiteral("Lost"), fixture.clock.now(), 60);
    RawDatabase raw(fixture.path());
    QVERIFY(raw.execute(failingHistoryTrigger));
    QSignalSpy cannotWrite(&NotificationHub::instance(),
                           &NotificationHub::localDatabaseCannotBeWritten);

    for (int attempt = 0; attempt < 3; ++attempt)
        fixture.store->appendSessionHistory(session);
    QCOMPARE(cannotWrite.count(), 1);

    // A write that lands ends the streak; the next failure is told again.
    fixture.store->saveActiveSession(session);
    QCOMPARE(cannotWrite.count(), 1);
    fixture.store->appendSessionHistory(session);
    QCOMPARE(cannotWrite.count(), 2);
}

void TestSQLiteStore::damageInsideTheFileIsFoundAndReadableRowsKept()
{
    StoreFixture fixture;
    const Session running = makeSession(QStringLiteral("Running"), fixture.clock.now(), 60);
    const Session finished = makeSession(QStringLiteral("Finished"), fixture.clock.now(), 60);
    fixture.store->saveActiveSession(running);
    fixture.store->appendSessionHistory(finished);
    UploadTask task;
    task.id = QUuid::createUuid();
    task.sessionId = running.id;
    task.type = UploadTaskType::StartSession;
    task.createdAt = fixture.clock.now();
    task.status = UploadTaskStatus::Pending;
    task.priority = 110;
    task.jsonPayload = QByteArray("{}");
    fixture.store->enqueueUploadTask(task);
    constexpr int segmentCount = 3000;
    for (int number = 0; number < segmentCount; ++number)
        fixture.store->upsertActivitySegment(
            QStringLiteral("2024-%1").arg(number, 5, 10, QLatin1Char('0')), number % 144, 300, 400,
            10, 20);
    fixture.store.reset();

    // Overwrite a few pages in the middle, where only segment rows and their index live.
    const qint64 pageSize = 4096;
    QFile file(fixture.path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 pages = file.size() / pageSize;
    QVERIFY2(pages > 40, qPrintable(QString::number(pages)));
    QVERIFY(file.seek((pages / 2) * pageSize));
    QVERIFY(file.write(QByteArray(3 * pageSize, '\x5a')) == 3 * pageSize);
    file.close();

    QSignalSpy damaged(&NotificationHub::instance(), &NotificationHub::localDatabaseWasDamaged);
    fixture.reopen();
    QCOMPARE(damaged.count(), 1);
    const QString asidePath = damaged.at(0).at(1).toString();
    QCOMPARE(QFileInfo(asidePath).absolutePath(), QFileInfo(fixture.path()).absolutePath());
    QVERIFY(asideFiles(fixture.folder()).contains(QFileInfo(asidePath).fileName()));

    // The fresh file holds everything that could be read, from both sides of the damage.
    QCOMPARE(fixture.store->loadActiveSession(), std::optional<Session>(running));
    QCOMPARE(fixture.store->pendingUploadTaskIds(running.id, {UploadTaskType::StartSession}),
             QList<QUuid>({task.id}));
    RawDatabase raw(fixture.path());
    QCOMPARE(raw.value("SELECT COUNT(*) FROM session_history"), QStringLiteral("1"));
    const int keptSegments = raw.value("SELECT COUNT(*) FROM activity_segments").toInt();
    QVERIFY2(keptSegments > segmentCount / 2 && keptSegments < segmentCount,
             qPrintable(QString::number(keptSegments)));
    QVERIFY(fixture.store->activitySegment(QStringLiteral("2024-00000"), 0).has_value());
    QVERIFY(fixture.store
                ->activitySegment(
                    QStringLiteral("2024-%1").arg(segmentCount - 1, 5, 10, QLatin1Char('0')),
                    (segmentCount - 1) % 144)
                .has_value());
    QVERIFY(damaged.at(0).at(0).toString().contains(
        QStringLiteral("%1 activity segment(s)").arg(keptSegments)));
    QCOMPARE(raw.value("PRAGMA quick_check"), QStringLiteral("ok"));

    // Told once: the next start finds a sound file.
    fixture.reopen();
    QCOMPARE(damaged.count(), 1);
}

void TestSQLiteStore::damageMetWhileRunningReplacesTheFileOnce()
{
    StoreFixture fixture;
    const Session running = makeSession(QStringLiteral("Running"), fixture.clock.now(), 60);
    fixture.store->saveActiveSession(running);
    {
        // Far more pages than the connection keeps cached, written past the store's connection.
        RawDatabase raw(fixture.path());
        QVERIFY(raw.execute("WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n "
                            "WHERE x < 60000) INSERT INTO activity_segments SELECT 'global', "
                            "printf('2024-%06d', x), x % 144, 300, 400, 10, 20, NULL FROM n;"));
        QVERIFY(raw.execute("PRAGMA wal_checkpoint(TRUNCATE);"));
    }
    const qint64 pageSize = 4096;
    QFile file(fixture.path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 pages = file.size() / pageSize;
    QVERIFY2(pages > 1000, qPrintable(QString::number(pages)));
    QVERIFY(file.seek((pages / 2) * pageSize));
    QVERIFY(file.write(QByteArray(8 * pageSize, '\x5a')) == 8 * pageSize);
    file.close();

    QSignalSpy damaged(&NotificationHub::instance(), &NotificationHub::localDatabaseWasDamaged);
    const int readBeforeDamage =
        fixture.store->pendingActivitySegmentsForUpload(QStringLiteral("2099-01-01"), 0).size();
    QVERIFY(readBeforeDamage < 60001);
    QCOMPARE(damaged.count(), 0);

    // The next call finds the file replaced, with what could be read carried over.
    fixture.store->saveActiveSession(running);
    QCOMPARE(damaged.count(), 1);
    QCOMPARE(fixture.store->loadActiveSession(), std::optional<Session>(running));
    const int kept =
        fixture.store->pendingActivitySegmentsForUpload(QStringLiteral("2099-01-01"), 0).size();
    QVERIFY2(kept > readBeforeDamage && kept < 60001, qPrintable(QString::number(kept)));
    RawDatabase fresh(fixture.path());
    QCOMPARE(fresh.value("PRAGMA quick_check"), QStringLiteral("ok"));
    fixture.store->saveActiveSession(running);
    QCOMPARE(damaged.count(), 1);
}

QTEST_GUILESS_MAIN(TestSQLiteStore)
#include "TestSQLiteStore.moc"
