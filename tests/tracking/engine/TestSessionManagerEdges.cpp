#include "EngineFixture.h"

#include "app/config/APITimeZoneResolver.h"
#include "store/SqliteConnection.h"
#include "tracking/engine/TrackingHeartbeat.h"

#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};

// Makes every insert into the table fail as a full disk would, until dropped.
class RefusedWrites
{
public:
    RefusedWrites(const QString &databasePath, const QStringList &tables)
        : m_connection(SqliteConnection::open(databasePath, &m_openResult))
    {
        for (const QString &table : tables) {
            m_connection.execute(QStringLiteral("CREATE TRIGGER full_%1 BEFORE INSERT ON %1 "
                                                "BEGIN SELECT RAISE(ABORT, 'database or disk is "
                                                "full'); END;")
                                     .arg(table)
                                     .toUtf8()
                                     .constData());
            m_tables.append(table);
        }
    }

    void lift()
    {
        for (const QString &table : std::as_const(m_tables))
            m_connection.execute(
                QStringLiteral("DROP TRIGGER full_%1;").arg(table).toUtf8().constData());
        m_tables.clear();
    }

private:
    int m_openResult = 0;
    SqliteConnection m_connection;
    QStringList m_tables;
};

int openTasks(EngineFixture &fixture, const QUuid &sessionId, UploadTaskType type)
{
    return static_cast<int>(
        fixture.openSecondStore()->pendingUploadTaskIds(sessionId, {type}).size());
}

// Seconds of tracking, one tick of the ticker each.
void trackFor(EngineFixture &fixture, int seconds)
{
    for (int second = 0; second < seconds; ++second) {
        fixture.clock.advance(1.0);
        fixture.manager().updateLiveMetrics();
    }
}

QList<qint64> billedFinalHeartbeats(const EngineFixture &fixture, const QUuid &sessionId)
{
    QList<qint64> billed;
    for (const RecordingUploadQueue::Call &call : fixture.uploadQueue.calls()) {
        if (call.operation == u"finalHeartbeatTask" && call.sessionId == sessionId)
            billed.append(call.session->reportedTotalSeconds.value_or(-1));
    }
    return billed;
}

} // namespace

class TestSessionManagerEdges : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Nothing runs after the call here: a kill in the next turn of the event loop finds the
    // service's task stored with the row.
    void theEdgeAndItsUploadTaskAreStoredTogether_data()
    {
        QTest::addColumn<QString>("edge");
        QTest::newRow("start") << QStringLiteral("start");
        QTest::newRow("stop") << QStringLiteral("stop");
        QTest::newRow("midnight rollover") << QStringLiteral("midnight");
    }

    void theEdgeAndItsUploadTaskAreStoredTogether()
    {
        QFETCH(QString, edge);
        EngineFixture fixture;
        fixture.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                                   QStringLiteral("UTC"));
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid first = manager.currentSession()->id;
        if (edge == u"start") {
            QCOMPARE(openTasks(fixture, first, UploadTaskType::StartSession), 1);
            QCOMPARE(fixture.storedActiveSession()->id, first);
            // Its bodies keep this zone whatever the company's becomes meanwhile.
            QCOMPARE(fixture.storedActiveSession()->apiTimeZoneId, QStringLiteral("UTC"));
            return;
        }
        fixture.runUploads();
        trackFor(fixture, 10);
        if (edge == u"stop") {
            manager.stopTracking(std::nullopt);
        } else {
            // 08:00 UTC: sixteen hours on, the API time zone's day has ended.
            fixture.clock.advance(16 * 3600.0);
            manager.updateLiveMetrics();
            const QUuid next = manager.currentSession()->id;
            QVERIFY(next != first);
            QCOMPARE(openTasks(fixture, next, UploadTaskType::StartSession), 1);
            QCOMPARE(fixture.storedActiveSession()->id, next);
            QCOMPARE(fixture.storedActiveSession()->apiTimeZoneId, QStringLiteral("UTC"));
        }
        QCOMPARE(openTasks(fixture, first, UploadTaskType::Heartbeat), 1);
        QCOMPARE(fixture.storedHistory().size(), 1);
    }

    // The history write fails (a full disk); the stop is kept and written once writing works.
    void aRefusedStopIsWrittenOnceWritingWorks_data()
    {
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QString>("writtenBy");
        QTest::newRow("history refused, retried") << QStringList{"session_history"} << "retry";
        QTest::newRow("running row refused too, at quit")
            << QStringList{"session_history", "sessions"} << "quit";
        QTest::newRow("queue refused, at the next start") << QStringList{"upload_queue"} << "start";
    }

    void aRefusedStopIsWrittenOnceWritingWorks()
    {
        QFETCH(QStringList, refused);
        QFETCH(QString, writtenBy);
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid stopped = manager.currentSession()->id;
        trackFor(fixture, 300);
        RefusedWrites disk(fixture.store->databasePath(), refused);
        fixture.clock.advance(3300.0);

        manager.stopTracking(std::nullopt);
        QVERIFY(!manager.isTracking());
        QCOMPARE(openTasks(fixture, stopped, UploadTaskType::Heartbeat), 0);
        QVERIFY(fixture.storedHistory().isEmpty());
        // The mark of the last tick stays while the stop exists only here.
        QVERIFY(TrackingHeartbeat(fixture.settings).load(stopped));
        // A sign-in again offers no unfinished session: the person stopped it.
        manager.recoverInterruptedSessionForCurrentDomain();
        QVERIFY(!manager.hasInterruptedSession());

        disk.lift();
        if (writtenBy == u"retry") {
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.storedHistory().isEmpty(),
                                     SessionManager::unwrittenEdgeRetryIntervalMs + 2000);
        } else if (writtenBy == u"quit") {
            manager.handleWillTerminate();
        } else {
            manager.startTracking(payroll);
            QVERIFY(manager.currentSession()->id != stopped);
        }
        QCOMPARE(openTasks(fixture, stopped, UploadTaskType::Heartbeat), 1);
        QCOMPARE(fixture.storedHistory().constFirst().totalSeconds, 3600.0);
        QVERIFY(!TrackingHeartbeat(fixture.settings).load(stopped));

        // The next launch finds nothing unfinished, so nothing completes the session again.
        fixture.runUploads();
        fixture.destroyManager();
        SessionManager &relaunched = fixture.createManager();
        QVERIFY(!relaunched.hasInterruptedSession() ||
                relaunched.interruptedSession()->id != stopped);
        relaunched.discardInterruptedSession();
        fixture.runUploads();
        QCOMPARE(billedFinalHeartbeats(fixture, stopped), QList<qint64>{3600});
    }

    // The ticker looks for a set clock once a second; a stop inside that second looks itself.
    void aClockSetJustBeforeTheStopIsNotBilled_data()
    {
        QTest::addColumn<double>("workedBeforeLastTick");
        QTest::addColumn<double>("step");
        QTest::addColumn<qint64>("billed");
        QTest::newRow("an hour forward") << 10.0 << 3600.0 << qint64(10);
        QTest::newRow("three hours back") << 7200.0 << -10800.0 << qint64(7200);
    }

    void aClockSetJustBeforeTheStopIsNotBilled()
    {
        QFETCH(double, workedBeforeLastTick);
        QFETCH(double, step);
        QFETCH(qint64, billed);
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;
        fixture.clock.advance(workedBeforeLastTick);
        manager.updateLiveMetrics();
        fixture.clock.advance(0.5);
        fixture.clock.jump(step);

        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        QCOMPARE(billedFinalHeartbeats(fixture, id), QList<qint64>{billed});
    }

    // A kill loses at most ten seconds of billed work, from the first second on.
    void theHeartbeatMarkIsNeverMoreThanTenSecondsOld_data()
    {
        QTest::addColumn<bool>("afterResume");
        QTest::newRow("from the start") << false;
        QTest::newRow("from a resume") << true;
    }

    void theHeartbeatMarkIsNeverMoreThanTenSecondsOld()
    {
        QFETCH(bool, afterResume);
        EngineFixture fixture;
        SessionManager &manager = fixture.createManager();
        manager.startTracking(payroll);
        const QUuid id = manager.currentSession()->id;
        if (afterResume) {
            trackFor(fixture, 7);
            manager.pauseTracking();
            fixture.clock.advance(600.0);
            manager.resumeTracking();
        }
        const TrackingHeartbeat marks(fixture.settings);
        for (int second = 0; second <= 120; ++second) {
            const std::optional<Timestamp> mark = marks.load(id);
            QVERIFY2(mark && fixture.clock.now() - *mark <= 10.0,
                     qPrintable(QStringLiteral("after %1 s").arg(second)));
            trackFor(fixture, 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerEdges)
#include "TestSessionManagerEdges.moc"
