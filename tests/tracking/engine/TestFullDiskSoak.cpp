#include "EngineFixture.h"

#include "foundation/UuidText.h"
#include "upload/UploadTestRig.h"

#include <QDir>
#include <QJsonArray>
#include <QTest>

namespace {

const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};

// Fills what is left of the disk with one file; answers its path.
QString fillDisk(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("filler"));
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QString();
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    return path;
}

} // namespace

// Run by full-disk-soak.sh with the engine's data folder on a small disk of its own: a session
// tracked while the disk fills up and is freed again ends at the service with every second of it.
class TestFullDiskSoak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("ZUV_SOAK_DISK"))
            QSKIP("run through full-disk-soak.sh, which mounts the small disk");
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void everyWorkedSecondReachesTheServiceThroughAFullDisk()
    {
        const QString disk = qEnvironmentVariable("ZUV_SOAK_DISK");
        UploadTestRig rig(m_standIn);
        const std::optional<AuthTokens> tokens = signInToStandIn(m_standIn);
        QVERIFY(tokens);
        rig.tokens.saveAuthTokens(*tokens);

        EngineFixture fixture(disk);
        fixture.displays->displays = {{QStringLiteral("A"), QRect(0, 0, 1280, 800)}};
        fixture.managerUploadQueue = rig.service.get();
        // One database for the engine and the queue, as in the application: the engine writes a
        // session's start and final heartbeat into the queue with the session itself.
        fixture.store = std::make_unique<SQLiteStore>(
            rig.store->databasePath(), [&fixture] { return fixture.domainStorage.domainKey(); },
            fixture.clock);
        fixture.domainStorage.setBaseURL(m_standIn.baseUrl());
        rig.domainStorage.setBaseURL(m_standIn.baseUrl());
        const auto tick = [&](int seconds) {
            for (int second = 0; second < seconds; ++second) {
                fixture.clock.advance(1.0);
                rig.clock.set(fixture.clock.now());
                fixture.manager().updateLiveMetrics();
                if (second % 60 == 59) {
                    fixture.captureService->tickNow();
                    QCoreApplication::processEvents();
                    rig.runPass();
                }
            }
        };

        SessionManager &manager = fixture.createManager();
        manager.applyConfig(EngineFixture::config(QStringLiteral("stop"), false, 100'000, 1));
        manager.startTracking(payroll);
        const QUuid session = manager.currentSession()->id;
        tick(10 * 60);

        // Ten minutes on a full disk: the database, the marks and the captures cannot be written.
        const QString filler = fillDisk(disk);
        QVERIFY(!filler.isEmpty());
        tick(10 * 60);
        QVERIFY(QFile::remove(filler));
        tick(10 * 60);
        manager.stopTracking(std::nullopt);

        fixture.runUploads();
        QVERIFY(QTest::qWaitFor(
            [&] {
                // A send that failed on a loaded machine waits out its back-off on this clock.
                rig.clock.advance(RetryManager::maximumRetryDelaySeconds + 1);
                rig.runPass();
                const QJsonArray sessions = m_standIn.sessions();
                return sessions.size() == 1 &&
                       sessions.first().toObject().value(QStringLiteral("status")).toString() ==
                           u"completed";
            },
            30'000));
        const QJsonObject received = m_standIn.sessions().first().toObject();
        QCOMPARE(received.value(QStringLiteral("session_uuid")).toString().toUpper(),
                 UuidText::format(session));
        QCOMPARE(received.value(QStringLiteral("total_seconds")).toInteger(), 30 * 60);
    }

private:
    StandInService m_standIn;
};

QTEST_GUILESS_MAIN(TestFullDiskSoak)
#include "TestFullDiskSoak.moc"
