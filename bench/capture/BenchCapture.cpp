// Measures what screen capture and input listening cost on the running X display, with the
// application's own process set-up (heap policy included), each figure beside its floor:
//   1. per monitor: the capture cycle (read, scale where wider than the limit, encode as JPEG,
//      write the file), and its phases; the floor: XShmGetImage into a segment kept between
//      frames, TurboJPEG from the server's pixels into a kept buffer, one write(2); and ffmpeg's
//      x11grab to a JPEG file, where ffmpeg is installed (scripts/install-deps.sh --bench): a
//      process grabbing one frame per round, and what each further frame adds in one process;
//      minor page faults per capture;
//   2. the JPEG's size against Qt's own JPEG writer at the same quality;
//   3. the CPU the input thread uses while tracking with no input at all.
//
//   bench_capture [seconds-of-idle-measurement]   (default 10)

#include "app/shell/ApplicationAssembly.h"
#include "foundation/SettingsStore.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/PlatformServices.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/capture/JpegBandSink.h"
#include "tracking/capture/JpegEncoder.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int rounds = 5;
constexpr int cyclesPerRound = 20;

// A busy desktop compresses worse than a flat one: paint the root window with many rectangles.
void paintDesktop(Display *display)
{
    const Window root = XDefaultRootWindow(display);
    GC gc = XCreateGC(display, root, 0, nullptr);
    std::mt19937 random(42);
    const int screen = XDefaultScreen(display);
    const int width = XDisplayWidth(display, screen);
    const int height = XDisplayHeight(display, screen);
    for (int i = 0; i < 3000; ++i) {
        XSetForeground(display, gc, random() & 0xffffff);
        XFillRectangle(display, root, gc, static_cast<int>(random() % static_cast<unsigned>(width)),
                       static_cast<int>(random() % static_cast<unsigned>(height)),
                       8 + random() % 200, 8 + random() % 120);
    }
    // And a band of photo-like noise, the hardest case for JPEG.
    XImage *noise = XGetImage(display, root, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height / 3), AllPlanes, ZPixmap);
    if (noise) {
        for (int y = 0; y < noise->height; ++y) {
            for (int x = 0; x < noise->width; ++x)
                XPutPixel(noise, x, y, random() & 0xffffff);
        }
        XPutImage(display, root, gc, noise, 0, 0, 0, height / 3, static_cast<unsigned>(width),
                  static_cast<unsigned>(height / 3));
        XDestroyImage(noise);
    }
    XFreeGC(display, gc);
    XSync(display, False);
}

double cpuSeconds(const rusage &usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

struct Spread
{
    double min = 0;
    double median = 0;
    double max = 0;

    static Spread of(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return {values.front(), values[values.size() / 2], values.back()};
    }
    Spread dividedBy(double divisor) const
    {
        return {min / divisor, median / divisor, max / divisor};
    }
};

// Milliseconds per call over the rounds: of the wall clock and of this process's CPU.
struct Timing
{
    Spread wall;
    Spread cpu;
};

// Each round's median wall time per call and its mean CPU time per call, then min, median and
// max over the rounds.
Timing measure(const std::function<void()> &call)
{
    call(); // warm-up: connections, segments, buffers
    std::vector<double> roundMedians;
    std::vector<double> roundCpu;
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> times;
        const double cpuBefore = cpuSeconds();
        for (int cycle = 0; cycle < cyclesPerRound; ++cycle) {
            QElapsedTimer timer;
            timer.start();
            call();
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        roundCpu.push_back((cpuSeconds() - cpuBefore) * 1e3 / cyclesPerRound);
        roundMedians.push_back(Spread::of(times).median);
    }
    return {Spread::of(roundMedians), Spread::of(roundCpu)};
}

double ratio(double value, double floor)
{
    return floor > 0 ? value / floor : 0.0;
}

void printHeader()
{
    std::printf("  %-38s %-24s %-24s %s\n", "", "wall ms min/median/max", "CPU ms min/median/max",
                "median / floor: wall, CPU");
}

void printLine(const char *what, const Timing &timing, const Timing &floor)
{
    std::printf("  %-38s %6.2f %7.2f %7.2f   %6.2f %7.2f %7.2f    %6.2fx %6.2fx\n", what,
                timing.wall.min, timing.wall.median, timing.wall.max, timing.cpu.min,
                timing.cpu.median, timing.cpu.max, ratio(timing.wall.median, floor.wall.median),
                ratio(timing.cpu.median, floor.cpu.median));
}

// The floor on this display: one shared-memory read, TurboJPEG from the server's pixels into a
// kept buffer, one write. Nothing else a capture could leave out.
class CaptureFloor
{
public:
    CaptureFloor(Display *display, int width, int height, QString path)
        : m_display(display)
        , m_path(std::move(path))
    {
        const int screen = XDefaultScreen(display);
        m_image =
            XShmCreateImage(display, XDefaultVisual(display, screen),
                            static_cast<unsigned>(XDefaultDepth(display, screen)), ZPixmap, nullptr,
                            &m_info, static_cast<unsigned>(width), static_cast<unsigned>(height));
        m_info.shmid = shmget(
            IPC_PRIVATE, static_cast<size_t>(m_image->bytes_per_line) * static_cast<size_t>(height),
            IPC_CREAT | 0600);
        m_info.shmaddr = m_image->data = static_cast<char *>(shmat(m_info.shmid, nullptr, 0));
        m_info.readOnly = False;
        XShmAttach(display, &m_info);
        XSync(display, False);
        shmctl(m_info.shmid, IPC_RMID, nullptr);
        m_compressor = tjInitCompress();
        m_capacity = tjBufSize(width, height, TJSAMP_420);
        m_buffer = tjAlloc(static_cast<int>(m_capacity));
    }
    ~CaptureFloor()
    {
        XShmDetach(m_display, &m_info);
        XSync(m_display, False);
        shmdt(m_info.shmaddr);
        m_image->data = nullptr;
        XDestroyImage(m_image);
        tjFree(m_buffer);
        tjDestroy(m_compressor);
    }

    void read()
    {
        XShmGetImage(m_display, XDefaultRootWindow(m_display), m_image, 0, 0, AllPlanes);
    }
    unsigned long encode(int quality)
    {
        unsigned long size = m_capacity;
        tjCompress2(m_compressor, reinterpret_cast<unsigned char *>(m_image->data), m_image->width,
                    m_image->bytes_per_line, m_image->height, TJPF_BGRX, &m_buffer, &size,
                    TJSAMP_420, quality, TJFLAG_NOREALLOC);
        m_size = size;
        return size;
    }
    void write() const
    {
        const QByteArray name = QFile::encodeName(m_path);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return;
        [[maybe_unused]] const ssize_t written = ::write(fd, m_buffer, m_size);
        ::close(fd);
    }

private:
    Display *m_display;
    QString m_path;
    XShmSegmentInfo m_info{};
    XImage *m_image = nullptr;
    tjhandle m_compressor = nullptr;
    unsigned char *m_buffer = nullptr;
    unsigned long m_capacity = 0;
    unsigned long m_size = 0;
};

QByteArray qtJpeg(const QImage &image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return data;
}

// Milliseconds of wall time, and of CPU time as the kernel counted it for that child alone.
using TimedRun = std::pair<double, double>;

// One run of a program and what it took; nothing when it did not run to a clean exit.
std::optional<TimedRun> runTimed(const QStringList &command)
{
    std::vector<QByteArray> arguments;
    for (const QString &argument : command)
        arguments.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    QElapsedTimer wall;
    wall.start();
    pid_t child = 0;
    if (posix_spawn(&child, argv.front(), nullptr, nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return std::pair{static_cast<double>(wall.nsecsElapsed()) / 1e6, cpuSeconds(usage) * 1e3};
}

// ffmpeg's x11grab grabbing frames of the monitor as fast as it can, encoding each as JPEG into
// the one file.
QStringList ffmpegCommand(const QString &ffmpeg, const QRect &monitor, int frames,
                          const QString &path)
{
    return {ffmpeg,
            QStringLiteral("-nostdin"),
            QStringLiteral("-loglevel"),
            QStringLiteral("error"),
            QStringLiteral("-y"),
            QStringLiteral("-f"),
            QStringLiteral("x11grab"),
            QStringLiteral("-framerate"),
            QStringLiteral("1000"),
            QStringLiteral("-video_size"),
            QStringLiteral("%1x%2").arg(monitor.width()).arg(monitor.height()),
            QStringLiteral("-i"),
            QStringLiteral("%1+%2,%3")
                .arg(qEnvironmentVariable("DISPLAY"))
                .arg(monitor.x())
                .arg(monitor.y()),
            QStringLiteral("-frames:v"),
            QString::number(frames),
            QStringLiteral("-c:v"),
            QStringLiteral("mjpeg"),
            QStringLiteral("-q:v"),
            QStringLiteral("8"),
            QStringLiteral("-update"),
            QStringLiteral("1"),
            QStringLiteral("-f"),
            QStringLiteral("image2"),
            path};
}

struct FfmpegFloor
{
    Timing oneShot;  // a process grabbing one frame, as a one-shot screenshot tool runs
    Timing perFrame; // what each further frame adds within one process
};

// Per round, a process grabbing one frame and another grabbing one plus `extraFrames`; nothing
// when ffmpeg cannot grab this display.
std::optional<FfmpegFloor> measureFfmpeg(const QString &ffmpeg, const QRect &monitor,
                                         const QString &path)
{
    constexpr int extraFrames = 10;
    const QStringList one = ffmpegCommand(ffmpeg, monitor, 1, path);
    const QStringList many = ffmpegCommand(ffmpeg, monitor, 1 + extraFrames, path);
    if (!runTimed(one)) // warm-up, and the check that it can grab this display at all
        return std::nullopt;
    std::vector<double> walls, cpus, frameWalls, frameCpus;
    for (int round = 0; round < rounds; ++round) {
        const std::optional<TimedRun> single = runTimed(one);
        const std::optional<TimedRun> multiple = runTimed(many);
        if (!single || !multiple)
            return std::nullopt;
        walls.push_back(single->first);
        cpus.push_back(single->second);
        frameWalls.push_back((multiple->first - single->first) / extraFrames);
        frameCpus.push_back((multiple->second - single->second) / extraFrames);
    }
    return FfmpegFloor{{Spread::of(walls), Spread::of(cpus)},
                       {Spread::of(frameWalls), Spread::of(frameCpus)}};
}

void printFfmpegFloor(const QRect &monitor, const QString &path, const Timing &perMonitor)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        std::printf("  ffmpeg x11grab: not measured, ffmpeg is not installed "
                    "(scripts/install-deps.sh --bench)\n");
        return;
    }
    const std::optional<FfmpegFloor> floor = measureFfmpeg(ffmpeg, monitor, path);
    if (!floor) {
        std::printf("  ffmpeg x11grab: not measured, ffmpeg could not grab this display\n");
        return;
    }
    std::printf("  against ffmpeg x11grab to a JPEG file, %d rounds (CPU: the ffmpeg process's):\n",
                rounds);
    printLine("floor: ffmpeg, one frame per process", floor->oneShot, floor->oneShot);
    printLine("whole cycle (read+scale+JPEG+write)", perMonitor, floor->oneShot);
    printLine("floor: ffmpeg, each further frame", floor->perFrame, floor->perFrame);
    printLine("whole cycle (read+scale+JPEG+write)", perMonitor, floor->perFrame);
}

class DiscardingSink final : public DisplayBandSink
{
public:
    void beginFrame(const QSize &) override {}
    void takeBand(const QImage &) override {}
};

void benchCapture(Display *display)
{
    paintDesktop(display);
    SettingsStore settings{QString()};
    auto backend = PlatformServices::createDisplayCaptureBackend(settings);
    const DisplayList list = backend->listDisplays();
    if (list.status != DisplayCaptureStatus::Ok || list.displays.isEmpty()) {
        std::printf("capture: no readable display\n");
        return;
    }
    QTemporaryDir folder;
    const QUuid session = QUuid::createUuid();
    const DisplayInfo first = list.displays.first();
    const int quality = ScreenCaptureService::jpegQuality;
    JpegEncoder encoder;
    JpegBandSink sink(encoder, ScreenCaptureService::maxCaptureDimension,
                      ScreenCaptureService::jpegQuality);

    CaptureFloor floor(display, first.geometry.width(), first.geometry.height(),
                       folder.filePath(QStringLiteral("floor.jpg")));
    const Timing floorRead = measure([&] { floor.read(); });
    const Timing floorEncode = measure([&] { floor.encode(quality); });
    const Timing floorWrite = measure([&] { floor.write(); });
    const Timing floorAll = measure([&] {
        floor.read();
        floor.encode(quality);
        floor.write();
    });

    // The read alone: the bands are handed to a sink that keeps nothing.
    DiscardingSink discard;
    const Timing read = measure([&] { backend->captureDisplayInBands(first, discard); });
    QImage frame = backend->captureDisplay(first).image.copy();
    const Timing encode = measure([&] { encoder.encode(frame, quality); });
    const long faultsBefore = minorFaults();
    int cycles = 0;
    const Timing cycle = measure([&] {
        ScreenCaptureService::captureAllDisplays(*backend, sink, session, folder.path(),
                                                 QStringLiteral("c%1").arg(cycles++));
    });
    const double faultsPerCycle = static_cast<double>(minorFaults() - faultsBefore) / cycles;
    const auto monitors = static_cast<double>(list.displays.size());
    const Timing perMonitor{cycle.wall.dividedBy(monitors), cycle.cpu.dividedBy(monitors)};

    std::printf("capture of %dx%d (%lld monitor(s)), %d rounds of %d, per monitor:\n",
                first.geometry.width(), first.geometry.height(),
                static_cast<long long>(list.displays.size()), rounds, cyclesPerRound);
    printHeader();
    printLine("whole cycle (read+scale+JPEG+write)", perMonitor, floorAll);
    printLine("read", read, floorRead);
    printLine("encode", encode, floorEncode);
    printLine("floor: read", floorRead, floorRead);
    printLine("floor: encode", floorEncode, floorEncode);
    printLine("floor: write", floorWrite, floorWrite);
    printLine("floor: whole", floorAll, floorAll);
    std::printf("  minor page faults per cycle: %.0f   (goal: at most 7 ms per 1080p monitor)\n",
                faultsPerCycle);
    printFfmpegFloor(first.geometry, folder.filePath(QStringLiteral("ffmpeg.jpg")), perMonitor);

    const qsizetype encoded = encoder.encode(frame, quality).size();
    const qsizetype qt = qtJpeg(frame, quality).size();
    std::printf("  JPEG at quality %d: %lld bytes, Qt's writer %lld bytes (%+.1f %%)\n", quality,
                static_cast<long long>(encoded), static_cast<long long>(qt),
                qt > 0 ? 100.0 * static_cast<double>(encoded - qt) / static_cast<double>(qt) : 0.0);
}

void benchIdleInputThread(int seconds)
{
    ActivityTracker tracker(PlatformServices::createInputEventSource());
    if (!tracker.start()) {
        std::printf("input thread: cannot listen to input\n");
        return;
    }
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    // The main thread only sleeps: what the process spends is the input thread's.
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    tracker.stop();
    std::printf("input thread without input: %.4f s CPU over %.1f s = %.3f %% of one core "
                "(goal < 0.5 %%)\n",
                cpu, elapsed, cpu / elapsed * 100.0);
}

} // namespace

int main(int argc, char **argv)
{
    // The executable's own set-up, so the heap behaves here as it does in the application.
    ApplicationAssembly::prepareProcessBeforeApplication();
    QApplication app(argc, argv);
    ApplicationAssembly::prepareProcess();
    QLoggingCategory::setFilterRules(QStringLiteral("com.wendoka.zuvevivezid.*.info=false"));
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    // Held for the whole run: an X server left without clients resets, refusing connections
    // for a moment.
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::printf("no X display\n");
        return 1;
    }
    benchCapture(display);
    benchIdleInputThread(seconds);
    XCloseDisplay(display);
    return 0;
}
