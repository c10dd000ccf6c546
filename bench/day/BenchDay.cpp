// The assembled application over a tracked working stretch, as a person runs it.
//
//   scripts/with-test-session.sh build/dev/bench/day/zuv_bench_day
//       [minutes] [capture interval minutes] [phase] [pointer]
//
// minutes: the whole stretch, 12 by default, split evenly between the phases run. Capture
// interval: the company's screenshot interval for the run, 2 minutes by default. Phase: "both"
// (the default: "window" then "tray"), "window" (the main window shown on the tracker tab),
// "tray" (the main window closed, only the tray icon), "idle" (signed in, not tracking, the main
// window closed, no input) or "all" (idle, window and tray). Pointer: "away" (the default) keeps
// the pointer off the application's windows, "window" moves it over the main window's area.
//
// The process is set up and the application assembled exactly as the executable does it, over
// its own data folder and keyring item, against the stand-in HR service over HTTPS and a tray
// host of this program's own. The demo employee signs in through the application's own sign-in
// service and completion (the path the sign-in screen takes once its button is pressed), and
// tracking starts with no task. A child process (xdotool) types a few keys and moves the pointer
// every second for the whole stretch, so the input is the display's, not this process's.
//
// Per phase: wall seconds, CPU seconds of this process (user and system, every thread), the
// share of one core, and the wake-ups a second: the times its threads went to sleep and were
// woken (voluntary context switches), which is what keeps an idle processor from resting. After the
// stretch: tracking stops, the upload queue drains (the last segment goes up once it has closed, so
// the company's time zone is picked for its segment to close soon after the stretch), then the peak
// and the end resident memory, the requests the service received by kind with their bytes, and the
// session's own data: segments and the bytes of the screenshot files the capture wrote.
//
// Each phase runs in three rounds of equal length. Last, once the application has gone, its
// floor: an empty Qt Quick window (zuv_bench_window_floor) at the main window's place, shown or
// closed as in each phase, under the same input for as many rounds of the same length; each
// phase's share of a core is printed against it.
//
// The table goes to stdout; progress (and the application's log) to stderr.

#include "app/shell/ApplicationAssembly.h"
#include "app/shell/FakeTrayHost.h"
#include "app/state/AppStateManager.h"
#include "store/SQLiteStore.h"
#include "store/StoreTestSupport.h"
#include "support/SegmentZone.h"
#include "support/standin/StandInService.h"
#include "tracking/engine/SessionManager.h"
#include "ui/signin/SignInBackend.h"
#include "ui/signin/SignInCompletion.h"

#include <QApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int networkTimeoutMs = 30000;

struct Settings
{
    double minutes = 12.0;
    int captureIntervalMinutes = 2;
    QString phase = QStringLiteral("both");
    QString pointer = QStringLiteral("away");

    bool runs(const char *name) const
    {
        const QString wanted = QString::fromLatin1(name);
        if (phase == QStringLiteral("all"))
            return true;
        if (phase == QStringLiteral("both"))
            return wanted != QStringLiteral("idle");
        return phase == wanted;
    }
    bool runsIdlePhase() const { return runs("idle"); }
    bool runsWindowPhase() const { return runs("window"); }
    bool runsTrayPhase() const { return runs("tray"); }
    bool tracks() const { return runsWindowPhase() || runsTrayPhase(); }
    int phaseCount() const
    {
        return int(runsIdlePhase()) + int(runsWindowPhase()) + int(runsTrayPhase());
    }
    qint64 phaseMs() const { return qint64(minutes * 60000.0 / phaseCount()); }
};

std::optional<Settings> parseArguments(const QStringList &arguments)
{
    Settings settings;
    bool ok = true;
    if (arguments.size() > 1)
        settings.minutes = arguments.at(1).toDouble(&ok);
    if (!ok || settings.minutes <= 0)
        return std::nullopt;
    if (arguments.size() > 2)
        settings.captureIntervalMinutes = arguments.at(2).toInt(&ok);
    if (!ok || settings.captureIntervalMinutes < 1)
        return std::nullopt;
    if (arguments.size() > 3)
        settings.phase = arguments.at(3);
    if (arguments.size() > 4)
        settings.pointer = arguments.at(4);
    const QStringList phases{QStringLiteral("both"), QStringLiteral("window"),
                             QStringLiteral("tray"), QStringLiteral("idle"), QStringLiteral("all")};
    const QStringList pointers{QStringLiteral("away"), QStringLiteral("window")};
    if (!phases.contains(settings.phase) || !pointers.contains(settings.pointer))
        return std::nullopt;
    return settings;
}

// Marked, to be told apart from the application's own log on the same stream.
void progress(const char *format, const QString &text)
{
    std::fputs("bench-day: ", stderr);
    std::fprintf(stderr, format, qPrintable(text));
    std::fflush(stderr);
}

double cpuSecondsSoFar()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &value) {
        return double(value.tv_sec) + double(value.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The voluntary context switches of every thread the process has had, ended ones included.
qint64 wakeUpsSoFar()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// A line of /proc/self/status in megabytes, e.g. "VmHWM".
double statusMegabytes(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return -1.0;
}

// The largest bytes each screenshot file had while it existed: the upload deletes the file
// once the service has it, so the folder is watched while the capture writes.
class CaptureFileLedger
{
public:
    explicit CaptureFileLedger(const QString &folder)
        : m_folder(folder)
    {
        QDir().mkpath(m_folder);
        m_watcher.addPath(m_folder);
        const auto rescan = [this] {
            scan();
        };
        QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, rescan);
        scan();
    }

    void scan()
    {
        QDirIterator entries(m_folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            entries.next();
            const QFileInfo info = entries.fileInfo();
            if (info.isDir()) {
                if (!m_watcher.directories().contains(info.absoluteFilePath()))
                    m_watcher.addPath(info.absoluteFilePath());
            } else if (info.suffix() == QStringLiteral("jpg")) {
                qint64 &largest = m_bytes[info.fileName()];
                largest = std::max(largest, info.size());
            }
        }
    }

    int files() const { return int(m_bytes.size()); }
    qint64 bytes() const
    {
        qint64 total = 0;
        for (const qint64 size : m_bytes)
            total += size;
        return total;
    }

private:
    QString m_folder;
    QFileSystemWatcher m_watcher;
    QHash<QString, qint64> m_bytes;
};

// Keys and pointer moves about every second from a child process, inside the given screen area,
// until it is stopped or this process ends. xdotool's absolute move warps the pointer, which the
// display reports as no motion at all, so it only picks the place; the relative moves after it
// are the motion a hand makes.
class InputChild
{
public:
    explicit InputChild(const QRect &area)
    {
        const QString script =
            QStringLiteral("x=$1; y=$2; w=$3; h=$4; step=0\n"
                           "while kill -0 $PPID 2>/dev/null; do\n"
                           "  xdotool key --delay 60 Scroll_Lock Scroll_Lock Scroll_Lock"
                           " mousemove $((x + step * 53 % (w - 30))) $((y + step * 31 % (h - 30)))"
                           " mousemove_relative 12 7 mousemove_relative 9 14\n"
                           "  step=$((step + 1))\n"
                           "  sleep 1\n"
                           "done\n");
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("bash"),
                        {QStringLiteral("-c"), script, QStringLiteral("input"),
                         QString::number(area.x()), QString::number(area.y()),
                         QString::number(std::max(area.width(), 60)),
                         QString::number(std::max(area.height(), 60))});
    }
    InputChild(const InputChild &) = delete;
    InputChild &operator=(const InputChild &) = delete;
    ~InputChild()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

bool haveXdotool()
{
    QProcess probe;
    probe.start(QStringLiteral("xdotool"), {QStringLiteral("version")});
    return probe.waitForFinished(5000) && probe.exitCode() == 0;
}

// The screen area the pointer moves in: the main window's, or the widest stretch of the screen
// beside or below it, clear of the tray host's strip at the top.
QRect pointerArea(const QRect &screen, const QRect &window, bool overWindow)
{
    if (overWindow)
        return window.adjusted(10, 10, -10, -10);
    const int margin = 60;
    const QRect below(screen.left() + margin, window.bottom() + margin, screen.width() - 2 * margin,
                      screen.bottom() - window.bottom() - 2 * margin);
    const QRect right(window.right() + margin, screen.top() + margin,
                      screen.right() - window.right() - 2 * margin, screen.height() - 2 * margin);
    const QRect left(screen.left() + margin, screen.top() + margin,
                     window.left() - screen.left() - 2 * margin, screen.height() - 2 * margin);
    QRect best;
    for (const QRect &candidate : {below, right, left}) {
        const qint64 area = qint64(std::max(candidate.width(), 0)) * candidate.height();
        if (candidate.isValid() && area > qint64(best.width()) * best.height())
            best = candidate;
    }
    return best;
}

QCoro::Task<bool> signInDirectly(SignInBackend *backend, SignInCompletion *completion)
{
    try {
        const SingleLoginResult result =
            co_await backend->login(StandInService::demoEmail(), StandInService::demoPassword());
        const auto *direct = result.directConfig();
        if (!direct)
            co_return false;
        const SignInCompletion::Outcome outcome = co_await completion->completeDirect(direct->user);
        co_return outcome == SignInCompletion::Outcome::SignedIn;
    } catch (...) {
        co_return false;
    }
}

void collectItems(QQuickItem *item, QList<QQuickItem *> &items)
{
    items.append(item);
    for (QQuickItem *child : item->childItems())
        collectItems(child, items);
}

bool showsItem(QQuickView *window, const QString &name)
{
    if (!window || !window->isVisible())
        return false;
    QList<QQuickItem *> items;
    collectItems(window->contentItem(), items);
    return std::any_of(items.cbegin(), items.cend(), [&name](const QQuickItem *item) {
        return item->objectName() == name && item->isVisible() && item->width() > 0;
    });
}

struct PhaseFigures
{
    QString name;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    qint64 wakeUps = 0;
    int capturesWritten = 0;
    // How the empty window it is set against is shown: "shown" or "hidden".
    QString floorMode;
};

// Lets the application run for the phase's time, with a line of progress every half minute.
PhaseFigures measurePhase(const QString &name, qint64 durationMs, const CaptureFileLedger &files)
{
    progress("phase %s: measuring\n", name);
    const int capturesBefore = files.files();
    QElapsedTimer wall;
    const double cpuBefore = cpuSecondsSoFar();
    const qint64 wakeUpsBefore = wakeUpsSoFar();
    wall.start();
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const double seconds = double(wall.elapsed()) / 1000.0;
        progress("%s\n", QStringLiteral("  %1: %2 of %3 s, CPU %4 s, captures %5")
                             .arg(name)
                             .arg(seconds, 0, 'f', 0)
                             .arg(double(durationMs) / 1000.0, 0, 'f', 0)
                             .arg(cpuSecondsSoFar() - cpuBefore, 0, 'f', 2)
                             .arg(files.files() - capturesBefore));
    });
    report.start(30000);
    QEventLoop loop;
    QTimer::singleShot(durationMs, &loop, &QEventLoop::quit);
    loop.exec();
    PhaseFigures figures;
    figures.name = name;
    figures.wallSeconds = double(wall.elapsed()) / 1000.0;
    figures.cpuSeconds = cpuSecondsSoFar() - cpuBefore;
    figures.wakeUps = wakeUpsSoFar() - wakeUpsBefore;
    figures.capturesWritten = files.files() - capturesBefore;
    return figures;
}

constexpr int roundsPerPhase = 3;

// A phase in rounds of equal length, so that each figure comes with its spread.
QList<PhaseFigures> measureRounds(const QString &name, const QString &floorMode, qint64 phaseMs,
                                  const CaptureFileLedger &files)
{
    QList<PhaseFigures> rounds;
    for (int round = 1; round <= roundsPerPhase; ++round) {
        PhaseFigures figures = measurePhase(QStringLiteral("%1 #%2").arg(name).arg(round),
                                            phaseMs / roundsPerPhase, files);
        figures.floorMode = floorMode;
        rounds.append(figures);
    }
    return rounds;
}

struct RequestTally
{
    int count = 0;
    qint64 bytes = 0;
};

QString requestKind(const QString &path)
{
    if (path == QStringLiteral("hr/zuvevivezid/employees/sessions/start"))
        return QStringLiteral("start");
    if (path == QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat"))
        return QStringLiteral("heartbeat");
    if (path.startsWith(QStringLiteral("hr/zuvevivezid/employees/sessions/")) &&
        path.endsWith(QStringLiteral("/screenshots")))
        return QStringLiteral("screenshot");
    if (path == QStringLiteral("hr/zuvevivezid/employees/segments/batch"))
        return QStringLiteral("segments");
    return QStringLiteral("other");
}

// The bytes of the request's body as sent: its declared length, else what was recorded.
qint64 bodyBytes(const StandInReceivedRequest &request)
{
    bool ok = false;
    const qint64 declared = request.header(QStringLiteral("content-length")).toLongLong(&ok);
    if (ok)
        return declared;
    qint64 bytes = request.body.size();
    for (const StandInReceivedPart &part : request.parts)
        bytes += part.size;
    return bytes;
}

// Everything the run needs outside the application: the service, the tray host, the folders.
class DayRig
{
public:
    bool start(const Settings &settings)
    {
        if (!m_standIn.start()) {
            progress("the stand-in did not start: %s\n", m_standIn.errorString());
            return false;
        }
        // The stretch, the sign-in and a margin: the last segment should close soon after.
        const qint64 plannedSeconds = qint64(settings.minutes * 60.0) + 30;
        m_zone = zoneClosingSoonestAfter(QDateTime::currentDateTimeUtc().addSecs(plannedSeconds));
        if (!m_standIn.mergeConfiguration(
                {{QStringLiteral("screenshot_interval_minutes"), settings.captureIntervalMinutes},
                 {QStringLiteral("app_timezone"), m_zone.zone}}))
            return false;
        // The keyring item and the service address are read once per process.
        qputenv("ZUV_KEYRING_SERVICE", QByteArrayLiteral("com.wendoka.zuvevivezid.bench-day-") +
                                           QUuid::createUuid().toByteArray(QUuid::WithoutBraces));
        qputenv("ZUV_API_BASE_URL", m_standIn.baseUrl().toString().toUtf8());
        qputenv("ZUV_EXTRA_CA_CERTIFICATES", QFile::encodeName(m_standIn.caCertificatePath()));
        qputenv("ZUV_DATA_DIR", QFile::encodeName(m_dataFolder.path()));
        return m_dataFolder.isValid();
    }

    StandInService &standIn() { return m_standIn; }
    bool standInRunning() const { return m_standIn.isRunning(); }
    FakeTrayHost &trayHost() { return m_trayHost; }
    const SegmentZone &zone() const { return m_zone; }
    QString dataFolder() const { return m_dataFolder.path(); }
    QString databasePath() const
    {
        return m_dataFolder.filePath(QString::fromLatin1(SQLiteStore::databaseFileName));
    }

    // The icon's latest dock request embedded, as a panel does.
    bool dockIcon()
    {
        if (!QTest::qWaitFor(
                [this] {
                    m_trayHost.pump();
                    return !m_trayHost.dockRequests().isEmpty();
                },
                networkTimeoutMs))
            return false;
        // Qt may replace the icon's first window.
        QTest::qWait(500);
        m_trayHost.pump();
        m_trayHost.embed(m_trayHost.dockRequests().constLast());
        return true;
    }

private:
    StandInService m_standIn;
    FakeTrayHost m_trayHost;
    QTemporaryDir m_dataFolder;
    SegmentZone m_zone;
};

bool drained(const RawDatabase &database)
{
    return database.value("SELECT COUNT(*) FROM upload_queue") == QStringLiteral("0") &&
           database.value("SELECT COUNT(*) FROM activity_segments WHERE uploaded_at IS NULL") ==
               QStringLiteral("0");
}

// After the stop: every queued upload sent and the last segment too, once it has closed.
bool waitForDrainedQueue(const DayRig &rig, qint64 &waitedMs)
{
    QElapsedTimer waited;
    waited.start();
    const qint64 untilClosed = QDateTime::currentDateTimeUtc().msecsTo(rig.zone().closes);
    progress("waiting for the upload queue and the last segment (closes in %s s)\n",
             QString::number(std::max<qint64>(untilClosed, 0) / 1000));
    const auto isDrained = [&rig] {
        const RawDatabase database(rig.databasePath());
        return QDateTime::currentDateTimeUtc() > rig.zone().closes && drained(database);
    };
    // A service that went away would keep the queue full for good.
    const bool ended = QTest::qWaitFor([&] { return isDrained() || !rig.standInRunning(); },
                                       int(std::max<qint64>(untilClosed, 0) + 180000));
    waitedMs = waited.elapsed();
    return ended && isDrained();
}

struct RunFigures
{
    QList<PhaseFigures> phases;
    QString pointer;
    int captureIntervalMinutes = 0;
    // Where the main window stood and where the input went: the empty window's run repeats both.
    QRect windowGeometry;
    QRect inputArea;
    qint64 drainMs = 0;
    bool drainedInTime = false;
    double peakMegabytes = 0;
    double endMegabytes = 0;
    QString segmentsStored;
    QString keysCounted;
    QString pointerMovesCounted;
    int segmentsAccepted = 0;
    int captureFiles = 0;
    qint64 captureBytes = 0;
    qint64 screenshotPartBytes = 0;
    std::map<QString, RequestTally> requests;
};

void tallyRequests(const StandInService &standIn, RunFigures &figures)
{
    for (const QString &kind :
         {QStringLiteral("start"), QStringLiteral("heartbeat"), QStringLiteral("screenshot"),
          QStringLiteral("segments"), QStringLiteral("other")})
        figures.requests[kind];
    for (const StandInReceivedRequest &request : standIn.receivedRequests()) {
        RequestTally &tally = figures.requests[requestKind(request.path)];
        ++tally.count;
        tally.bytes += bodyBytes(request);
        for (const StandInReceivedPart &part : request.parts)
            figures.screenshotPartBytes += part.size;
    }
    figures.segmentsAccepted = int(standIn.segments().size());
}

void printTable(const RunFigures &figures)
{
    std::printf("\nworking day: capture interval %d min, pointer %s\n",
                figures.captureIntervalMinutes, qPrintable(figures.pointer));
    std::printf("%-28s %10s %10s %12s %11s %9s\n", "phase", "wall s", "CPU s", "core share",
                "wake-ups/s", "captures");
    for (const PhaseFigures &phase : figures.phases) {
        const double seconds = std::max(phase.wallSeconds, 1e-3);
        std::printf("%-28s %10.1f %10.2f %11.3f%% %11.2f %9d\n", qPrintable(phase.name),
                    phase.wallSeconds, phase.cpuSeconds, phase.cpuSeconds / seconds * 100.0,
                    double(phase.wakeUps) / seconds, phase.capturesWritten);
    }
    std::printf("\nupload queue drained after the stop: %s, %.1f s\n",
                figures.drainedInTime ? "yes" : "NO (timed out)", double(figures.drainMs) / 1000.0);
    std::printf("resident memory: peak (VmHWM) %.1f MB, at the end (VmRSS) %.1f MB\n",
                figures.peakMegabytes, figures.endMegabytes);
    std::printf("\n%-28s %10s %14s\n", "requests received", "count", "body bytes");
    int totalCount = 0;
    qint64 totalBytes = 0;
    for (const QString &kind :
         {QStringLiteral("start"), QStringLiteral("heartbeat"), QStringLiteral("screenshot"),
          QStringLiteral("segments"), QStringLiteral("other")}) {
        const RequestTally &tally = figures.requests.at(kind);
        std::printf("%-28s %10d %14lld\n", qPrintable(kind), tally.count,
                    static_cast<long long>(tally.bytes));
        totalCount += tally.count;
        totalBytes += tally.bytes;
    }
    std::printf("%-28s %10d %14lld\n", "all", totalCount, static_cast<long long>(totalBytes));
    std::printf("\nsession data: %s segments stored (%d accepted by the service), "
                "%s keys and %s pointer moves counted in them\n",
                qPrintable(figures.segmentsStored), figures.segmentsAccepted,
                qPrintable(figures.keysCounted), qPrintable(figures.pointerMovesCounted));
    std::printf("screenshot files written: %d, %lld bytes; screenshot file parts uploaded: "
                "%lld bytes\n",
                figures.captureFiles, static_cast<long long>(figures.captureBytes),
                static_cast<long long>(figures.screenshotPartBytes));
}

double coreShare(double cpuSeconds, double wallSeconds)
{
    return wallSeconds > 0 ? cpuSeconds / wallSeconds : 0.0;
}

// The empty Qt Quick window's share of one core per round, at the main window's place and under
// the same input as the application had.
QList<double> measureWindowFloor(const QString &mode, int rounds, qint64 roundMs,
                                 const QRect &window, const QRect &inputArea)
{
    progress("floor %s: an empty Qt Quick window\n", mode);
    QProcess floor;
    floor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    floor.start(QStringLiteral(ZUV_WINDOW_FLOOR_PATH),
                {mode, QString::number(rounds), QString::number(roundMs),
                 QString::number(window.x()), QString::number(window.y()),
                 QString::number(window.width()), QString::number(window.height())});
    if (!floor.waitForReadyRead(networkTimeoutMs) || !floor.readLine().startsWith("ready"))
        return {};
    const InputChild input(inputArea);
    QList<double> shares;
    while (shares.size() < rounds && floor.waitForReadyRead(int(roundMs) + networkTimeoutMs)) {
        while (floor.canReadLine()) {
            const QList<QByteArray> fields = floor.readLine().trimmed().split(' ');
            if (fields.size() == 3 && fields.at(0) == "round")
                shares.append(coreShare(fields.at(2).toDouble(), fields.at(1).toDouble()));
        }
    }
    floor.waitForFinished(networkTimeoutMs);
    return shares;
}

QString spreadOfShares(QList<double> shares)
{
    std::sort(shares.begin(), shares.end());
    return QStringLiteral("%1 %2 %3")
        .arg(shares.constFirst() * 100.0, 6, 'f', 3)
        .arg(shares.at(shares.size() / 2) * 100.0, 6, 'f', 3)
        .arg(shares.constLast() * 100.0, 6, 'f', 3);
}

double medianOf(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Each phase's rounds set against as many rounds of an empty Qt Quick window, measured after the
// application has gone.
void compareWithWindowFloor(const QList<PhaseFigures> &phases, const QRect &window,
                            const QRect &inputArea)
{
    std::printf("\nagainst an empty Qt Quick window at the main window's place, same input "
                "(%% of one core per round):\n");
    std::printf("%-28s %-23s %-23s %s\n", "phase", "app min/median/max", "floor min/median/max",
                "app / floor (medians)");
    for (const QString &mode : {QStringLiteral("shown"), QStringLiteral("hidden")}) {
        QList<double> application;
        double roundSeconds = 0;
        for (const PhaseFigures &phase : phases) {
            if (phase.floorMode == mode) {
                application.append(coreShare(phase.cpuSeconds, phase.wallSeconds));
                roundSeconds = phase.wallSeconds;
            }
        }
        if (application.isEmpty())
            continue;
        const QList<double> floor = measureWindowFloor(
            mode, int(application.size()), qint64(roundSeconds * 1000.0), window, inputArea);
        const char *label = mode == QStringLiteral("shown") ? "main window open" : "tray only";
        if (floor.size() < application.size()) {
            std::printf("%-28s %-23s floor not measured: the empty window did not run\n", label,
                        qPrintable(spreadOfShares(application)));
            continue;
        }
        std::printf("%-28s %-23s %-23s %.1fx\n", label, qPrintable(spreadOfShares(application)),
                    qPrintable(spreadOfShares(floor)),
                    medianOf(floor) > 0 ? medianOf(application) / medianOf(floor) : 0.0);
    }
}

bool showTrackerInMainWindow(TrayShell &shell)
{
    shell.showMainWindow(false);
    QQuickView *window = shell.mainWindow();
    return window && QTest::qWaitForWindowExposed(window) &&
           QTest::qWaitFor(
               [window] { return showsItem(window, QStringLiteral("trackerActiveView")); },
               networkTimeoutMs);
}

// Signed in and not tracking, the main window closed and no input: what the application costs
// a machine it merely sits on, after the sign-in's own work has settled.
PhaseFigures measureIdlePhase(TrayShell &shell, qint64 durationMs, const CaptureFileLedger &files)
{
    if (QQuickView *window = shell.mainWindow())
        window->close();
    QTest::qWait(5000);
    return measurePhase(QStringLiteral("signed in, idle, tray only"), durationMs, files);
}

// Tracking with input from a child process: the main window on the tracker tab, then the tray
// alone, as the settings ask; tracking stops at the end.
bool trackDay(const Settings &settings, SessionManager &engine, TrayShell &shell,
              const CaptureFileLedger &captures, RunFigures &figures)
{
    engine.startTracking(std::nullopt);
    if (!QTest::qWaitFor([&] { return engine.isTracking(); }) || !showTrackerInMainWindow(shell)) {
        std::fprintf(stderr, "Tracking did not start on the main window's tracker\n");
        return false;
    }
    const QRect screen = shell.mainWindow()->screen()->geometry();
    const QRect area = pointerArea(screen, shell.mainWindow()->frameGeometry(),
                                   settings.pointer == QStringLiteral("window"));
    progress("input from a child process in %s\n", QStringLiteral("%1,%2 %3x%4")
                                                       .arg(area.x())
                                                       .arg(area.y())
                                                       .arg(area.width())
                                                       .arg(area.height()));
    auto input = std::make_unique<InputChild>(area);
    figures.windowGeometry = shell.mainWindow()->geometry();
    figures.inputArea = area;
    if (settings.runsWindowPhase())
        figures.phases += measureRounds(QStringLiteral("main window, tracker tab"),
                                        QStringLiteral("shown"), settings.phaseMs(), captures);
    if (settings.runsTrayPhase()) {
        shell.mainWindow()->close();
        if (!QTest::qWaitFor([&] { return !shell.mainWindow()->isVisible(); })) {
            std::fprintf(stderr, "The main window did not close\n");
            return false;
        }
        figures.phases += measureRounds(QStringLiteral("window closed, tray only"),
                                        QStringLiteral("hidden"), settings.phaseMs(), captures);
    }
    if (!input->isRunning())
        std::fprintf(stderr, "The input child ended early: is xdotool working?\n");
    input.reset();
    progress("%s\n", QStringLiteral("stopping tracking"));
    engine.stopTracking(std::nullopt);
    return true;
}

int runDay(const Settings &settings)
{
    DayRig rig;
    if (!rig.trayHost().ownsSelection()) {
        std::fprintf(stderr, "Another tray host runs on this display\n");
        return 1;
    }
    // Before the assembly: without a tray the shell would make the main window its only one.
    if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); })) {
        std::fprintf(stderr, "The tray host was not seen\n");
        return 1;
    }
    if (!rig.start(settings))
        return 1;
    progress("stand-in at %s\n", rig.standIn().baseUrl().toString());

    auto application = std::make_unique<ApplicationAssembly>();
    SessionManager &engine = *application->context().sessionManager();
    TrayShell &shell = application->shell();
    application->install();
    if (!rig.dockIcon()) {
        std::fprintf(stderr, "The tray icon was not docked\n");
        return 1;
    }
    CaptureFileLedger captures(rig.dataFolder() + QStringLiteral("/captures"));

    progress("signing in %s\n", StandInService::demoEmail());
    if (!QCoro::waitFor(signInDirectly(application->context().signInBackend(),
                                       application->context().signInCompletion())) ||
        !QTest::qWaitFor([&] { return application->context().appState()->isAuthenticated(); })) {
        std::fprintf(stderr, "The sign-in did not complete\n");
        return 1;
    }
    RunFigures figures;
    figures.pointer = settings.pointer;
    figures.captureIntervalMinutes = settings.captureIntervalMinutes;
    if (settings.runsIdlePhase())
        figures.phases.append(measureIdlePhase(shell, settings.phaseMs(), captures));
    if (settings.tracks() && !trackDay(settings, engine, shell, captures, figures))
        return 1;
    // Without tracking there is nothing to send, and no segment to wait for.
    figures.drainedInTime = !settings.tracks() || waitForDrainedQueue(rig, figures.drainMs);
    if (!rig.standInRunning()) {
        // Its record went with it: nothing of what follows could be counted.
        std::fprintf(stderr, "The stand-in service ended during the run\n");
        return 1;
    }
    captures.scan();
    figures.peakMegabytes = statusMegabytes("VmHWM");
    figures.endMegabytes = statusMegabytes("VmRSS");
    {
        const RawDatabase database(rig.databasePath());
        figures.segmentsStored = database.value("SELECT COUNT(*) FROM activity_segments");
        figures.keysCounted = database.value("SELECT SUM(keyboard_movements) FROM "
                                             "activity_segments");
        figures.pointerMovesCounted = database.value("SELECT SUM(mouse_movements) FROM "
                                                     "activity_segments");
    }
    figures.captureFiles = captures.files();
    figures.captureBytes = captures.bytes();
    tallyRequests(rig.standIn(), figures);
    printTable(figures);
    application.reset();
    if (settings.tracks())
        compareWithWindowFloor(figures.phases, figures.windowGeometry, figures.inputArea);
    return figures.drainedInTime ? 0 : 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the executable's main() does.
    ApplicationAssembly::prepareProcessBeforeApplication();
    QApplication app(argc, argv);
    ApplicationAssembly::prepareProcess();
    const std::optional<Settings> settings = parseArguments(QCoreApplication::arguments());
    if (!settings) {
        std::fprintf(stderr,
                     "Usage: %s [minutes] [capture interval minutes] [both|window|tray|idle|all] "
                     "[away|window]\n",
                     argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "Needs an X display: scripts/with-test-session.sh %s\n", argv[0]);
        return 1;
    }
    if (!haveXdotool()) {
        std::fprintf(stderr, "Needs xdotool for the input of the run\n");
        return 1;
    }
    return runDay(*settings);
}
