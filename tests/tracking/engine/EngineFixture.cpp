#include "EngineFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

EngineFixture::EngineFixture(const QString &persistentFolder)
    : dataFolder(persistentFolder.isEmpty() ? folder.path() : persistentFolder)
    , settings(persistentFolder.isEmpty()
                   ? QString()
                   : QDir(persistentFolder)
                         .filePath(QString::fromLatin1(SettingsStore::defaultFileName)))
{
    domainStorage.setBaseURL(QUrl(QStringLiteral("https://acme.example/api/v1/")));
    store = std::make_unique<SQLiteStore>(
        QDir(dataFolder).filePath(QString::fromLatin1(SQLiteStore::databaseFileName)),
        [this] { return domainStorage.partitionKey(); }, clock);

    auto source = std::make_unique<FakeInputEventSource>();
    input = source.get();
    tracker = std::make_unique<ActivityTracker>(std::move(source), clock);
    idleDetector = std::make_unique<IdleDetector>(*tracker, systemIdleTime);

    ScreenCaptureService::Dependencies captureDependencies;
    captureDependencies.capturesBaseDirectory =
        QDir(dataFolder).filePath(QStringLiteral("captures"));
    captureDependencies.domainKey = [this] {
        return domainStorage.partitionKey();
    };
    captureDependencies.apiTimeZone = [] {
        return QTimeZone::utc();
    };
    captureDependencies.backend = FakeDisplayCaptureBackend::create(displays);
    captureDependencies.clock = &clock;
    captureService = std::make_unique<ScreenCaptureService>(std::move(captureDependencies));
}

EngineFixture::~EngineFixture()
{
    m_manager.reset();
    // Upload tasks still queued refer to this fixture's upload queue.
    runUploads();
}

SessionManager &EngineFixture::createManager()
{
    SessionManager::PermissionChecks permissions{[this] {
                                                     ++screenChecks;
                                                     return screenAnswers.isEmpty()
                                                                ? screenAllowed
                                                                : screenAnswers.takeFirst();
                                                 },
                                                 [this] {
                                                     ++inputChecks;
                                                     return inputAllowed;
                                                 }};
    m_manager = std::make_unique<SessionManager>(SessionManager::Dependencies{
        *store, settings, clock, *managerUploadQueue, *tracker, *idleDetector, *captureService,
        domainStorage, std::move(permissions), managerSleepSource, &suspendClock});
    return *m_manager;
}

void EngineFixture::useInputSource(std::unique_ptr<InputEventSource> source)
{
    Q_ASSERT(!m_manager);
    // The detector holds the tracker it reads.
    idleDetector.reset();
    input = nullptr;
    tracker = std::make_unique<ActivityTracker>(std::move(source), clock);
    idleDetector = std::make_unique<IdleDetector>(*tracker, systemIdleTime);
}

std::unique_ptr<SQLiteStore> EngineFixture::openSecondStore()
{
    return std::make_unique<SQLiteStore>(
        store->databasePath(), [this] { return domainStorage.partitionKey(); }, clock);
}

std::optional<Session> EngineFixture::storedActiveSession()
{
    return openSecondStore()->loadActiveSession();
}

QList<SQLiteStore::SessionSummaryRow> EngineFixture::storedHistory()
{
    return openSecondStore()->sessionHistory(at(-86400.0), at(86400.0));
}

bool EngineFixture::pushInput(RawInputEvent::Type type, int count)
{
    for (int i = 0; i < count; ++i)
        input->push(type);
    return input->waitUntilDrained();
}

bool EngineFixture::settleIdleDetector()
{
    const bool polled =
        QTest::qWaitFor([this] { return idleDetector->lastMeasuredIdleSeconds().has_value(); });
    QCoreApplication::processEvents();
    return polled;
}

void EngineFixture::pollIdle()
{
    idleDetector->poll();
    QCoreApplication::processEvents();
}

void EngineFixture::runUploads()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

RemoteConfig EngineFixture::config(std::optional<QString> idleAction, bool discardIdleTime,
                                   qint64 idleMinutes, qint64 screenshotMinutes)
{
    RemoteConfig config;
    config.deviceId = QStringLiteral("server-device");
    config.projects = {{QStringLiteral("p1"), QStringLiteral("Payroll")},
                       {QStringLiteral("p2"), QStringLiteral("Audit")}};
    config.screenshotIntervalMinutes = screenshotMinutes;
    config.idleMinutesThreshold = idleMinutes;
    config.discardIdleTime = discardIdleTime;
    config.idleAction = std::move(idleAction);
    return config;
}
