#include "EngineFixture.h"

#include "foundation/UuidText.h"
#include "tracking/engine/TrackingHeartbeat.h"
#include "upload/UploadTestRig.h"

#include <QJsonArray>
#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
const QString berlin = QStringLiteral("Europe/Berlin");

Timestamp berlinTime(int day, int hour, int minute = 0, double second = 0.0)
{
    const QDateTime local(QDate(2026, 3, day), QTime(hour, minute), QTimeZone(berlin.toLatin1()));
    return Timestamp::fromDateTime(local).addingSeconds(second);
}

} // namespace

// One working day of the whole engine against the stand-in service through the real upload
// service: the totals the service ends up with are exactly the time worked.
class TestTrackingDayEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void aDayWithIdleSleepCrashAndMidnight()
    {
        UploadTestRig rig(m_standIn);
        const std::optional<AuthTokens> tokens = signInToStandIn(m_standIn);
        QVERIFY(tokens);
        rig.tokens.saveAuthTokens(*tokens);

        EngineFixture fixture;
        fixture.managerUploadQueue = rig.service.get();
        // One database for the engine and the queue, as in the application: the engine writes
        // a session's start and final heartbeat into the queue with the session itself.
        fixture.store = std::make_unique<SQLiteStore>(
            rig.store->databasePath(), [&fixture] { return fixture.domainStorage.domainKey(); },
            fixture.clock);
        // One company for the engine and the queue, as in the application.
        fixture.domainStorage.setBaseURL(m_standIn.baseUrl());
        rig.domainStorage.setBaseURL(m_standIn.baseUrl());
        RemoteConfig config = EngineFixture::config(QStringLiteral("stop"), true, 100'000);
        config.appTimezone = berlin;
        const auto moveTo = [&](Timestamp moment) {
            fixture.clock.set(moment);
            rig.clock.set(moment);
        };
        const auto tickUntil = [&](SessionManager &manager, Timestamp end) {
            while (fixture.clock.now() < end) {
                moveTo(fixture.clock.now().addingSeconds(1.0));
                manager.updateLiveMetrics();
            }
        };

        // 09:00 to 10:00 worked, then idle until 10:30: the idle policy stops and discards it.
        moveTo(berlinTime(2, 9));
        SessionManager *manager = &fixture.createManager();
        manager->applyConfig(config);
        manager->startTracking(payroll);
        const QUuid first = manager->currentSession()->id;
        moveTo(berlinTime(2, 10));
        QVERIFY(fixture.pushInput(RawInputEvent::Type::KeyDown, 5));
        moveTo(berlinTime(2, 10, 10));
        manager->handleIdleDetected();
        moveTo(berlinTime(2, 10, 30));
        manager->handleIdleEnded();
        QVERIFY(!manager->isTracking());

        // 11:00 to 12:00, asleep until 13:00, then until the program dies just before 14:00.
        moveTo(berlinTime(2, 11));
        manager->startTracking(payroll);
        const QUuid second = manager->currentSession()->id;
        moveTo(berlinTime(2, 12));
        fixture.sleepSource.sleep();
        QCoreApplication::processEvents();
        moveTo(berlinTime(2, 13));
        fixture.sleepSource.wake();
        QCoreApplication::processEvents();
        QVERIFY(!manager->isPaused());
        moveTo(berlinTime(2, 13, 58));
        tickUntil(*manager, berlinTime(2, 14));
        const std::optional<Timestamp> mark = TrackingHeartbeat(fixture.settings).load(second);
        QVERIFY(mark && *mark > berlinTime(2, 13, 58));
        fixture.destroyManager();

        // Restarted at 16:00: resumed up to the mark, worked until past midnight, then 00:30.
        moveTo(berlinTime(2, 16));
        manager = &fixture.createManager();
        manager->applyConfig(config);
        QCOMPARE(manager->interruptedSession()->id, second);
        manager->resumeInterruptedSession();
        moveTo(berlinTime(2, 23, 59, 59.0));
        manager->updateLiveMetrics();
        moveTo(berlinTime(3, 0, 0, 10.0));
        manager->updateLiveMetrics();
        const QUuid third = manager->currentSession()->id;
        QVERIFY(third != second);
        moveTo(berlinTime(3, 0, 30));
        manager->stopTracking(std::nullopt);

        // Everything queued reaches the service: each session's final heartbeat.
        const auto allCompleted = [this] {
            const QJsonArray sessions = m_standIn.sessions();
            return sessions.size() == 3 &&
                   std::all_of(sessions.begin(), sessions.end(), [](const QJsonValue &session) {
                       return session.toObject().value(QStringLiteral("status")).toString() ==
                              u"completed";
                   });
        };
        fixture.runUploads();
        QVERIFY(QTest::qWaitFor(
            [&] {
                rig.runPass();
                return allCompleted();
            },
            30'000));

        const qint64 firstWorked = 3600;
        const qint64 secondWorked =
            3600 + static_cast<qint64>(*mark - berlinTime(2, 13)) + (8 * 3600 - 1);
        const qint64 thirdWorked = 30 * 60 - 10;
        QHash<QString, qint64> received;
        for (const QJsonValue &entry : m_standIn.sessions()) {
            const QJsonObject session = entry.toObject();
            QCOMPARE(session.value(QStringLiteral("status")).toString(),
                     QStringLiteral("completed"));
            received.insert(session.value(QStringLiteral("session_uuid")).toString().toUpper(),
                            session.value(QStringLiteral("total_seconds")).toInteger());
        }
        QCOMPARE(received.size(), 3);
        QCOMPARE(received.value(UuidText::format(first)), firstWorked);
        QCOMPARE(received.value(UuidText::format(second)), secondWorked);
        QCOMPARE(received.value(UuidText::format(third)), thirdWorked);
    }

private:
    StandInService m_standIn;
};

QTEST_GUILESS_MAIN(TestTrackingDayEndToEnd)
#include "TestTrackingDayEndToEnd.moc"
