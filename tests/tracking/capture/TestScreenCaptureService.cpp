#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/ThreadSleeps.h"
#include "support/platform/FakeDisplayCaptureBackend.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <utime.h>

namespace {

const QUuid sessionId = QUuid::fromString(QStringLiteral("{6f1c2a3b-4d5e-4f60-8172-93a4b5c6d7e8}"));

// 10:20:30 UTC on 1 May 2024.
const Timestamp mayFirst =
    Timestamp::fromDateTime(QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), QTimeZone::utc()));

// Counts the readings, so a test can tell whether the capture thread woke up.
class CountingClock final : public Clock
{
public:
    Timestamp now() const override
    {
        ++m_reads;
        return fake.now();
    }
    std::optional<double> steadySeconds() const override
    {
        ++m_reads;
        return fake.steadySeconds();
    }
    int reads() const { return m_reads.load(); }
    void set(Timestamp moment) { fake.set(moment); }
    void advance(double seconds) { fake.advance(seconds); }
    void jump(double seconds) { fake.jump(seconds); }

    FakeClock fake{mayFirst};

private:
    mutable std::atomic<int> m_reads{0};
};

struct Rig
{
    QTemporaryDir root;
    CountingClock clock;
    std::shared_ptr<FakeDisplayCaptureBackend::State> displays;
    QString domain = QStringLiteral("acme.example.com");
    std::unique_ptr<ScreenCaptureService> service;

    Rig()
    {
        ScreenCaptureService::Dependencies deps;
        deps.capturesBaseDirectory = root.filePath(QStringLiteral("captures"));
        deps.domainKey = [this] {
            return domain;
        };
        deps.apiTimeZone = [] {
            return QTimeZone(QByteArrayLiteral("UTC+07:00"));
        };
        deps.backend = FakeDisplayCaptureBackend::create(displays);
        deps.clock = &clock;
        displays->displays = {{QStringLiteral("A"), QRect(0, 0, 3024, 1964)},
                              {QStringLiteral("B"), QRect(3024, 0, 1080, 2560)}};
        service = std::make_unique<ScreenCaptureService>(std::move(deps));
    }

    QString companyFolder() const { return root.filePath(QStringLiteral("captures/") + domain); }
};

struct Callbacks
{
    std::atomic<int> shouldCaptureCalls{0};
    std::atomic<bool> allow{true};
    std::atomic<int> permissionLost{0};
    std::atomic<int> completed{0};

    void start(ScreenCaptureService &service, int intervalMinutes = 5)
    {
        service.start(
            sessionId, intervalMinutes,
            [this] {
                ++shouldCaptureCalls;
                return allow.load();
            },
            [this] { ++permissionLost; }, [this](const QStringList &) { ++completed; });
    }
};

} // namespace

class TestScreenCaptureService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeToken_data();
    void timeToken();
    void fileNameJoinsSessionTokenAndIndex();
    void cappedCaptureSize_data();
    void cappedCaptureSize();
    void scheduleStartsSixtySecondsAfterEachStart();
    void intervalIsAtLeastOneMinute_data();
    void intervalIsAtLeastOneMinute();
    void dueTickRunsOnTheCaptureThreadWithoutBeingAsked();
    void settingTheWallClockMovesNoCapture_data();
    void settingTheWallClockMovesNoCapture();
    void folderReplacedByAFileIsMovedAsideOnce_data();
    void folderReplacedByAFileIsMovedAsideOnce();
    void cycleWritesOneScaledJpegPerDisplayAndAnnouncesIt();
    void noCompanyMeansTheGlobalFolder();
    void skippedTickMakesNoProbe();
    void probeFailureReportsPermissionLossOnEveryTick();
    void failureAtOneDisplayEndsTheCycleAndKeepsEarlierFiles();
    void unwritableFolderLosesTheFrameAndCaptureGoesOn();
    void stopWaitsForARunningCycleAndItsCallbacks();
    void pruning_data();
    void pruning();
    void theThreadSleepsWhileNothingIsScheduled();
    void onTheSystemClockTheThreadSleepsUntilTheCapture();
};

void TestScreenCaptureService::timeToken_data()
{
    QTest::addColumn<QTimeZone>("zone");
    QTest::addColumn<QString>("token");

    QTest::newRow("seven hours ahead")
        << QTimeZone(QByteArrayLiteral("UTC+07:00")) << QStringLiteral("2024-05-01T17-20-30+07-00");
    QTest::newRow("zero offset") << QTimeZone::utc() << QStringLiteral("2024-05-01T10-20-30Z");
    QTest::newRow("behind, half hours")
        << QTimeZone(QByteArrayLiteral("UTC-03:30")) << QStringLiteral("2024-05-01T06-50-30-03-30");
}

void TestScreenCaptureService::timeToken()
{
    QFETCH(QTimeZone, zone);
    QFETCH(QString, token);
    QCOMPARE(ScreenCaptureService::timeToken(mayFirst.addingSeconds(0.9), zone), token);
}

void TestScreenCaptureService::fileNameJoinsSessionTokenAndIndex()
{
    QCOMPARE(
        ScreenCaptureService::captureFileName(sessionId,
                                              QStringLiteral("2024-05-01T10-20-30+07-00"), 0),
        QStringLiteral("6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8_2024-05-01T10-20-30+07-00_0.jpg"));
    QVERIFY(ScreenCaptureService::captureFileName(sessionId, QStringLiteral("T"), 12)
                .endsWith(QStringLiteral("_T_12.jpg")));
}

void TestScreenCaptureService::cappedCaptureSize_data()
{
    QTest::addColumn<QSize>("native");
    QTest::addColumn<QSize>("capped");

    QTest::newRow("wide laptop") << QSize(3024, 1964) << QSize(1920, 1247);
    QTest::newRow("5K") << QSize(5120, 2880) << QSize(1920, 1080);
    QTest::newRow("portrait") << QSize(1080, 2560) << QSize(810, 1920);
    QTest::newRow("already small enough") << QSize(1920, 1080) << QSize(1920, 1080);
    QTest::newRow("no width") << QSize(0, 500) << QSize(1, 500);
    QTest::newRow("very thin keeps a pixel") << QSize(10000, 2) << QSize(1920, 1);
}

void TestScreenCaptureService::cappedCaptureSize()
{
    QFETCH(QSize, native);
    QFETCH(QSize, capped);
    QCOMPARE(ScreenCaptureService::cappedCaptureSize(native.width(), native.height(), 1920),
             capped);
}

void TestScreenCaptureService::scheduleStartsSixtySecondsAfterEachStart()
{
    Rig rig;
    Callbacks callbacks;
    QVERIFY(!rig.service->isScheduled());
    callbacks.start(*rig.service, 10);
    QCOMPARE(rig.service->nextCaptureAt(), std::optional<Timestamp>(mayFirst.addingSeconds(60)));
    QCOMPARE(rig.service->intervalSeconds(), 600.0);

    rig.clock.advance(45);
    callbacks.start(*rig.service, 10); // a second start re-arms from now
    QCOMPARE(rig.service->nextCaptureAt(),
             std::optional<Timestamp>(mayFirst.addingSeconds(45 + 60)));
    rig.service->stop();
    QVERIFY(!rig.service->isScheduled());
    QVERIFY(!rig.service->nextCaptureAt());
    // The folder of the last start is kept.
    QCOMPARE(rig.service->capturesDirectory(), rig.companyFolder());
}

void TestScreenCaptureService::intervalIsAtLeastOneMinute_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<double>("seconds");
    QTest::newRow("zero") << 0 << 60.0;
    QTest::newRow("negative") << -4 << 60.0;
    QTest::newRow("three") << 3 << 180.0;
}

void TestScreenCaptureService::intervalIsAtLeastOneMinute()
{
    QFETCH(int, minutes);
    QFETCH(double, seconds);
    Rig rig;
    Callbacks callbacks;
    callbacks.start(*rig.service, minutes);
    QCOMPARE(rig.service->intervalSeconds(), seconds);
}

void TestScreenCaptureService::dueTickRunsOnTheCaptureThreadWithoutBeingAsked()
{
    Rig rig;
    Callbacks callbacks;
    callbacks.allow = false;
    callbacks.start(*rig.service, 2);
    rig.clock.advance(59);
    rig.service->wakeScheduler();
    QTest::qWait(100);
    QCOMPARE(callbacks.shouldCaptureCalls.load(), 0);

    rig.clock.advance(1);
    rig.service->wakeScheduler();
    QTRY_COMPARE(callbacks.shouldCaptureCalls.load(), 1);
    QCOMPARE(rig.service->nextCaptureAt(), std::optional<Timestamp>(mayFirst.addingSeconds(180)));

    rig.clock.advance(120);
    rig.service->wakeScheduler();
    QTRY_COMPARE(callbacks.shouldCaptureCalls.load(), 2);

    rig.service->stop();
    rig.clock.advance(1000);
    rig.service->wakeScheduler();
    QTest::qWait(100);
    QCOMPARE(callbacks.shouldCaptureCalls.load(), 2);
}

void TestScreenCaptureService::settingTheWallClockMovesNoCapture_data()
{
    QTest::addColumn<double>("step");
    QTest::newRow("set back an hour") << -3600.0;
    QTest::newRow("set forward an hour") << 3600.0;
}

void TestScreenCaptureService::settingTheWallClockMovesNoCapture()
{
    QFETCH(double, step);
    Rig rig;
    Callbacks callbacks;
    callbacks.allow = false;
    callbacks.start(*rig.service, 1);
    rig.clock.advance(30);
    rig.clock.jump(step);
    rig.service->wakeScheduler();
    QTest::qWait(100);
    QCOMPARE(callbacks.shouldCaptureCalls.load(), 0);

    // Sixty seconds after the start, whatever the wall clock says, and every minute after.
    rig.clock.advance(30);
    rig.service->wakeScheduler();
    QTRY_COMPARE(callbacks.shouldCaptureCalls.load(), 1);
    rig.clock.advance(60);
    rig.service->wakeScheduler();
    QTRY_COMPARE(callbacks.shouldCaptureCalls.load(), 2);
    rig.service->stop();
}

void TestScreenCaptureService::cycleWritesOneScaledJpegPerDisplayAndAnnouncesIt()
{
    Rig rig;
    Callbacks callbacks;
    QSignalSpy announced(&NotificationHub::instance(), &NotificationHub::screenCaptureDidComplete);
    callbacks.start(*rig.service);
    rig.service->tickNow();

    QCOMPARE(callbacks.completed.load(), 1);
    QCOMPARE(callbacks.permissionLost.load(), 0);
    QTRY_COMPARE(announced.count(), 1);
    QCOMPARE(announced.at(0).at(0).value<QUuid>(), sessionId);
    const QStringList paths = announced.at(0).at(1).toStringList();

    const QString prefix =
        UuidText::format(sessionId) + QStringLiteral("_2024-05-01T17-20-30+07-00_");
    const QDir folder(rig.companyFolder());
    QCOMPARE(paths, (QStringList{folder.filePath(prefix + QStringLiteral("0.jpg")),
                                 folder.filePath(prefix + QStringLiteral("1.jpg"))}));
    const QList<QSize> expected{QSize(1920, 1247), QSize(810, 1920)};
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QImageReader reader(paths[i]);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), expected[i]);
    }
    // Nothing but the two files: the temporary files were renamed into place.
    QCOMPARE(folder.entryList(QDir::Files).size(), 2);
}

void TestScreenCaptureService::folderReplacedByAFileIsMovedAsideOnce_data()
{
    QTest::addColumn<QString>("replaced");
    QTest::newRow("the company's folder") << QStringLiteral("captures/acme.example.com");
    QTest::newRow("the captures folder") << QStringLiteral("captures");
}

void TestScreenCaptureService::folderReplacedByAFileIsMovedAsideOnce()
{
    QFETCH(QString, replaced);
    Rig rig;
    Callbacks callbacks;
    callbacks.start(*rig.service);
    const QString path = rig.root.filePath(replaced);
    QVERIFY(QDir(path).removeRecursively());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a folder");
    file.close();

    QSignalSpy told(&NotificationHub::instance(), &NotificationHub::localFileWasDamaged);
    rig.service->tickNow();
    rig.clock.advance(1);
    rig.service->tickNow();
    QCOMPARE(callbacks.completed.load(), 2);
    QCOMPARE(QDir(rig.companyFolder()).entryList(QDir::Files).size(), 4);
    QCOMPARE(told.count(), 1);
    QFile aside(told.at(0).at(1).toString());
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), QByteArray("not a folder"));
}

void TestScreenCaptureService::noCompanyMeansTheGlobalFolder()
{
    Rig rig;
    rig.domain.clear();
    Callbacks callbacks;
    callbacks.start(*rig.service);
    QCOMPARE(rig.service->capturesDirectory(),
             rig.root.filePath(QStringLiteral("captures/global")));
    rig.service->tickNow();
    QCOMPARE(
        QDir(rig.root.filePath(QStringLiteral("captures/global"))).entryList(QDir::Files).size(),
        2);
}

void TestScreenCaptureService::skippedTickMakesNoProbe()
{
    Rig rig;
    Callbacks callbacks;
    callbacks.allow = false;
    LogCapture log;
    callbacks.start(*rig.service);
    rig.service->tickNow();
    QCOMPARE(callbacks.shouldCaptureCalls.load(), 1);
    QCOMPARE(rig.displays->probeCount, 0);
    QCOMPARE(rig.displays->listCount, 0);
    QCOMPARE(callbacks.permissionLost.load() + callbacks.completed.load(), 0);
    QVERIFY(log.contains(QStringLiteral("Screenshot skipped: shouldCapture=false")));
}

void TestScreenCaptureService::probeFailureReportsPermissionLossOnEveryTick()
{
    Rig rig;
    rig.displays->probeSucceeds = false;
    Callbacks callbacks;
    LogCapture log;
    callbacks.start(*rig.service);
    rig.service->tickNow();
    rig.service->tickNow();
    QCOMPARE(callbacks.permissionLost.load(), 2);
    QCOMPARE(rig.displays->listCount, 0);
    QCOMPARE(log.count(QStringLiteral("Screenshot skipped: screen recording permission denied")),
             2);
    QVERIFY(rig.service->isScheduled());

    // A display server that cannot be read during the cycle counts the same way.
    rig.displays->probeSucceeds = true;
    rig.displays->listStatus = DisplayCaptureStatus::AccessDenied;
    rig.service->tickNow();
    QCOMPARE(callbacks.permissionLost.load(), 3);
}

void TestScreenCaptureService::failureAtOneDisplayEndsTheCycleAndKeepsEarlierFiles()
{
    Rig rig;
    rig.displays->displays.append({QStringLiteral("C"), QRect(0, 2560, 800, 600)});
    rig.displays->captureStatusByIndex.insert(1, DisplayCaptureStatus::NoFrame);
    Callbacks callbacks;
    QSignalSpy announced(&NotificationHub::instance(), &NotificationHub::screenCaptureDidComplete);
    LogCapture log;
    callbacks.start(*rig.service);
    rig.service->tickNow();

    const QStringList files = QDir(rig.companyFolder()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(files.first().endsWith(QStringLiteral("_0.jpg")));
    QCOMPARE(rig.displays->captureCount, 2); // the third display is not attempted
    QCOMPARE(callbacks.completed.load(), 0);
    QCOMPARE(callbacks.permissionLost.load(), 0);
    QCOMPARE(announced.count(), 0);
    QVERIFY(log.contains(QStringLiteral("SCStream produced no usable frame for display 1")));
    QVERIFY(log.contains(QStringLiteral("Screenshot cycle skipped: local capture failure")));

    rig.displays->displays.clear();
    rig.service->tickNow();
    QVERIFY(log.contains(QStringLiteral("ScreenCaptureKit: no displays in shareable content")));
    QCOMPARE(callbacks.permissionLost.load(), 0);
}

void TestScreenCaptureService::unwritableFolderLosesTheFrameAndCaptureGoesOn()
{
    Rig rig;
    // A disk of one page: no capture fits (this holds for every user, root included).
    const QString folder = rig.root.filePath(QStringLiteral("captures"));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=4k"), QStringLiteral("tmpfs"), folder}) != 0)
        QSKIP("a small tmpfs cannot be mounted here (it needs root)");
    const auto unmount =
        qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {folder}); });
    Callbacks callbacks;
    LogCapture log;
    QSignalSpy lost(&NotificationHub::instance(), &NotificationHub::capturesCouldNotBeSaved);
    callbacks.start(*rig.service);
    rig.service->tickNow();
    QCOMPARE(callbacks.completed.load(), 0);
    QVERIFY(log.contains(QStringLiteral("Failed writing screenshot: ")));
    QVERIFY(log.contains(QStringLiteral("Screenshot cycle skipped: local capture failure")));
    QVERIFY(log.contains(QStringLiteral("2 screenshot(s) of this cycle are lost")));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toInt(), 2);
    // Nothing half-written is left to be uploaded.
    QCOMPARE(QDir(rig.companyFolder()).entryList(QDir::Files).size(), 0);
    QVERIFY(rig.service->isScheduled());

    // Once there is room again the next cycle writes its files.
    QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                               {QStringLiteral("-o"), QStringLiteral("remount,size=16m"), folder}),
             0);
    rig.clock.advance(1);
    rig.service->tickNow();
    QCOMPARE(callbacks.completed.load(), 1);
    QCOMPARE(QDir(rig.companyFolder()).entryList(QDir::Files).size(), 2);
}

void TestScreenCaptureService::stopWaitsForARunningCycleAndItsCallbacks()
{
    Rig rig;
    std::atomic<bool> entered{false};
    std::atomic<int> completed{0};
    rig.service->start(
        sessionId, 5,
        [&] {
            entered = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return true;
        },
        [] {}, [&](const QStringList &) { ++completed; });
    std::thread ticker([&] { rig.service->tickNow(); });
    while (!entered)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    rig.service->stop();
    // The cycle that was running ran to its end, its callback included, before stop() returned.
    QCOMPARE(completed.load(), 1);
    ticker.join();
    QVERIFY(!rig.service->isScheduled());
}

void TestScreenCaptureService::pruning_data()
{
    QTest::addColumn<QList<int>>("sizes"); // by age, the oldest first
    QTest::addColumn<qint64>("bound");
    QTest::addColumn<QList<int>>("removed"); // by age

    QTest::newRow("at the bound nothing goes")
        << QList<int>{100, 100, 100} << qint64(300) << QList<int>{};
    QTest::newRow("one byte over, the oldest goes")
        << QList<int>{100, 100, 101} << qint64(300) << QList<int>{0};
    QTest::newRow("the oldest go until the folder fits")
        << QList<int>{50, 200, 100, 100} << qint64(250) << QList<int>{0, 1};
    // Unsent captures of a long outage: their number alone is no reason to drop any.
    QTest::newRow("many small files stay") << QList<int>(600, 10) << qint64(6000) << QList<int>{};
}

void TestScreenCaptureService::pruning()
{
    QFETCH(QList<int>, sizes);
    QFETCH(qint64, bound);
    QFETCH(QList<int>, removed);
    const auto entries = static_cast<int>(sizes.size());

    QTemporaryDir folder;
    // File i is the (i * 7919 % entries)-th oldest: the listing order is unrelated to age, so
    // only the sort by modification time can find the oldest. byAge[k] is the k-th oldest file.
    QStringList byAge(entries);
    for (int i = 0; i < entries; ++i) {
        const int age = (i * 7919) % entries;
        byAge[age] = folder.filePath(QStringLiteral("f%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        QFile file(byAge[age]);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(sizes[age], 'x')), qint64(sizes[age]));
        file.close();
        utimbuf times{1'700'000'000 + age, 1'700'000'000 + age};
        QCOMPARE(utime(QFile::encodeName(byAge[age]).constData(), &times), 0);
    }

    LogCapture log;
    ScreenCaptureService::cleanupOldCaptures(folder.path(), bound);

    for (int age = 0; age < entries; ++age) {
        const bool shouldBeGone = removed.contains(age);
        QVERIFY2(QFile::exists(byAge[age]) != shouldBeGone, qPrintable(QString::number(age)));
    }
    QCOMPARE(log.contains(QStringLiteral("Captures folder reached")), !removed.isEmpty());
}

void TestScreenCaptureService::theThreadSleepsWhileNothingIsScheduled()
{
    Rig rig;
    Callbacks callbacks;
    // Once the thread has looked at the clock and gone to wait, count how often it looks again.
    QTRY_VERIFY(rig.clock.reads() >= 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int atRest = rig.clock.reads();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    QCOMPARE(rig.clock.reads(), atRest);

    // Scheduled it wakes again, and after stop() it rests once more.
    callbacks.start(*rig.service);
    QTRY_VERIFY(rig.clock.reads() > atRest + 1);
    rig.service->stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int stopped = rig.clock.reads();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    QCOMPARE(rig.clock.reads(), stopped);
}

void TestScreenCaptureService::onTheSystemClockTheThreadSleepsUntilTheCapture()
{
    QTemporaryDir root;
    ScreenCaptureService::Dependencies deps;
    deps.capturesBaseDirectory = root.filePath(QStringLiteral("captures"));
    std::shared_ptr<FakeDisplayCaptureBackend::State> displays;
    deps.backend = FakeDisplayCaptureBackend::create(displays);
    ScreenCaptureService service(std::move(deps));
    Callbacks callbacks;
    callbacks.start(service, 1);
    QTRY_VERIFY(timesThreadSlept("screencapture").has_value());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const qint64 armed = *timesThreadSlept("screencapture");

    // The first capture is a minute away: looking at the clock every second would wake it twice.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    QVERIFY(*timesThreadSlept("screencapture") - armed <= 1);
    QCOMPARE(callbacks.shouldCaptureCalls.load(), 0);
    service.stop();
}

QTEST_GUILESS_MAIN(TestScreenCaptureService)
#include "TestScreenCaptureService.moc"
