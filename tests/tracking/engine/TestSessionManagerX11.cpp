#include "api/DomainStorage.h"
#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/IdleTimeSource.h"
#include "platform/InputEventSource.h"
#include "platform/PlatformServices.h"
#include "store/SQLiteStore.h"
#include "support/TestEnvironment.h"
#include "support/engine/RecordingUploadQueue.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/engine/SessionManager.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

// Last: the X headers define macros that clash with Qt's names.
#include "platform/XTestInjector.h"

// The engine over the real display server: its own input stream, idle time, screen capture and
// permission checks, and a real database file.
class TestSessionManagerX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionCountsRealInputAndCapturesTheScreen()
    {
        ZUV_REQUIRE_X11();

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        SettingsStore settings{QString()};
        DomainStorage domainStorage{settings};
        domainStorage.setBaseURL(QUrl(QStringLiteral("https://acme.example/api/v1/")));
        const auto domainKey = [&domainStorage] {
            return domainStorage.partitionKey();
        };
        SQLiteStore store(folder.filePath(QStringLiteral("zuvevivezid.sqlite")), domainKey,
                          systemClock());
        RecordingUploadQueue uploadQueue;
        ActivityTracker tracker(PlatformServices::createInputEventSource(), systemClock());
        const std::unique_ptr<IdleTimeSource> idleTime = PlatformServices::createIdleTimeSource();
        IdleDetector idleDetector(tracker, *idleTime);

        ScreenCaptureService::Dependencies captureDependencies;
        captureDependencies.capturesBaseDirectory = folder.filePath(QStringLiteral("captures"));
        captureDependencies.domainKey = domainKey;
        captureDependencies.apiTimeZone = [] {
            return QTimeZone::utc();
        };
        captureDependencies.backend = PlatformServices::createDisplayCaptureBackend(settings);
        ScreenCaptureService captureService(std::move(captureDependencies));

        XTestInjector injector;
        QVERIFY(injector.isOpen());
        injector.centrePointer();

        {
            SessionManager manager(SessionManager::Dependencies{
                store, settings, systemClock(), uploadQueue, tracker, idleDetector, captureService,
                domainStorage, SessionManager::PermissionChecks::system()});
            manager.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
            QVERIFY2(manager.isTracking(),
                     qPrintable(manager.lastStatusMessage().value_or(QString())));
            QVERIFY(tracker.isRunning());
            QVERIFY(idleDetector.isRunning());
            const QUuid sessionId = manager.currentSession()->id;

            for (int i = 0; i < 3; ++i)
                injector.keyTap();
            injector.moveBy(7, 0);
            injector.moveBy(0, 7);
            injector.click(1);
            injector.click(4); // a scroll wheel step
            QTRY_COMPARE(tracker.snapshot(1.0).keyboardEvents, 3);
            QTRY_COMPARE(tracker.snapshot(1.0).mouseMoves, 2);

            // One capture cycle now instead of after the first minute.
            captureService.tickNow();
            const QStringList captures =
                QDir(captureService.capturesDirectory())
                    .entryList({UuidText::format(sessionId) + QStringLiteral("_*.jpg")});
            QVERIFY2(!captures.isEmpty(), qPrintable(captureService.capturesDirectory()));
            QImageReader reader(QDir(captureService.capturesDirectory()).filePath(captures[0]));
            QVERIFY(reader.canRead());

            manager.stopTracking(std::nullopt);
            QCoreApplication::processEvents();
            const auto completed = uploadQueue.lastSession(QStringLiteral("finalHeartbeatTask"));
            QVERIFY(completed);
            QCOMPARE(completed->id, sessionId);
            QCOMPARE(completed->keyboardCount, 3);
            QCOMPARE(completed->mouseCount, 2);
            QVERIFY(!store.loadActiveSession());
            QVERIFY(!tracker.isRunning());
            QVERIFY(!captureService.isScheduled());
        }
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestSessionManagerX11)
#include "TestSessionManagerX11.moc"
