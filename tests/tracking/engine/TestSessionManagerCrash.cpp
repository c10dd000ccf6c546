#include "EngineFixture.h"

#include "tracking/engine/TrackingHeartbeat.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int childTicks = 150;

// Starts the tracking child on the folder and waits until it has tracked childTicks seconds.
bool startChild(QProcess &child, const QString &folder, QUuid &sessionId)
{
    child.setProgram(QStringLiteral(ZUV_ENGINE_CRASH_CHILD));
    child.setArguments({folder, QString::number(EngineFixture::startSeconds, 'f', 3),
                        QString::number(childTicks)});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start();
    if (!child.waitForStarted(10'000))
        return false;
    QByteArray output;
    while (!output.contains('\n')) {
        if (!child.waitForReadyRead(30'000))
            return false;
        output += child.readAllStandardOutput();
    }
    const QList<QByteArray> words = output.trimmed().split(' ');
    if (words.size() != 2 || words[0] != "ready")
        return false;
    sessionId = QUuid::fromString(QString::fromLatin1(words[1]));
    return !sessionId.isNull();
}

RemoteConfig utcConfig()
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, 100'000);
    config.appTimezone = QStringLiteral("UTC");
    return config;
}

} // namespace

class TestSessionManagerCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aKilledSessionResumesUpToItsLastMark()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QProcess child;
        QUuid sessionId;
        QVERIFY(startChild(child, folder.path(), sessionId));
        child.kill(); // SIGKILL: nothing of the child runs any more
        QVERIFY(child.waitForFinished(10'000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // Three hours later the program starts again on the same files.
        EngineFixture fixture(folder.path());
        fixture.clock.set(fixture.at(3 * 3600.0));
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        QVERIFY(manager.interruptedSession());
        QCOMPARE(manager.interruptedSession()->id, sessionId);
        QVERIFY(manager.interruptedSession()->intervals.constLast().isOpen());
        QCOMPARE(manager.interruptedSession()->keyboardCount, 7);
        QCOMPARE(manager.interruptedSession()->mouseCount, 5);
        const std::optional<Timestamp> mark = TrackingHeartbeat(fixture.settings).load(sessionId);
        QVERIFY(mark);
        // Marks are written every 60 tracked seconds; the last one before the kill.
        QVERIFY(*mark >= fixture.at(120) && *mark <= fixture.at(childTicks));

        manager.resumeInterruptedSession();
        const Session resumed = *manager.currentSession();
        QCOMPARE(resumed.id, sessionId);
        QCOMPARE(resumed.intervals.size(), 2);
        QCOMPARE(resumed.intervals[0].stoppedAt, *mark);
        QCOMPARE(resumed.intervals[1].startedAt, fixture.at(3 * 3600.0));

        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 1));
        fixture.clock.advance(60.0);
        manager.stopTracking(std::nullopt);
        fixture.runUploads();
        const std::optional<Session> completed =
            fixture.uploadQueue.lastSession(QStringLiteral("finalHeartbeatTask"));
        QVERIFY(completed);
        QCOMPARE(completed->reportedTotalSeconds, static_cast<qint64>(*mark - fixture.at(0)) + 60);
        // The counts of the dead process carry on.
        QCOMPARE(completed->keyboardCount, 8);
        QCOMPARE(completed->mouseCount, 5);
    }

    void aKilledSessionIsCompletedUpToItsMarkByTheNextStart()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QProcess child;
        QUuid sessionId;
        QVERIFY(startChild(child, folder.path(), sessionId));
        child.kill();
        QVERIFY(child.waitForFinished(10'000));

        // The next day: the session is completed within its own day, up to its mark.
        EngineFixture fixture(folder.path());
        fixture.clock.set(fixture.at(86400.0));
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        const std::optional<Timestamp> mark = TrackingHeartbeat(fixture.settings).load(sessionId);
        QVERIFY(mark);
        manager.startTracking(RemoteProject{QStringLiteral("p2"), QStringLiteral("Audit")});
        fixture.runUploads();
        const std::optional<Session> completed =
            fixture.uploadQueue.lastSession(QStringLiteral("finalHeartbeatTask"));
        QVERIFY(completed);
        QCOMPARE(completed->id, sessionId);
        QCOMPARE(completed->reportedTotalSeconds, static_cast<qint64>(*mark - fixture.at(0)));
        QCOMPARE(fixture.storedActiveSession()->id, manager.currentSession()->id);
    }

    void aTerminatedProcessSavesTheClosedInterval()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QProcess child;
        QUuid sessionId;
        QVERIFY(startChild(child, folder.path(), sessionId));
        child.terminate(); // SIGTERM: a normal quit
        QVERIFY(child.waitForFinished(10'000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);

        EngineFixture fixture(folder.path());
        fixture.clock.set(fixture.at(3600.0));
        SessionManager &manager = fixture.createManager();
        manager.applyConfig(utcConfig());
        QVERIFY(manager.interruptedSession());
        const Session stored = *manager.interruptedSession();
        QCOMPARE(stored.id, sessionId);
        QCOMPARE(stored.status, SessionStatus::Active);
        QCOMPARE(stored.intervals.size(), 1);
        QCOMPARE(stored.intervals[0].stoppedAt, fixture.at(childTicks));
        // The input counted after the last capture, and the open segment's last seconds.
        QCOMPARE(stored.keyboardCount, 10);
        QCOMPARE(stored.mouseCount, 5);
        const auto segment = fixture.store->activitySegment(QStringLiteral("2025-12-09"), 48);
        QVERIFY(segment);
        QCOMPARE(segment->nonIdleSeconds, childTicks);

        manager.resumeInterruptedSession();
        fixture.clock.advance(10.0);
        QCOMPARE(manager.currentSession()->totalSeconds(fixture.clock.now()),
                 double(childTicks + 10));
    }
};

QTEST_GUILESS_MAIN(TestSessionManagerCrash)
#include "TestSessionManagerCrash.moc"
