// Measures what screen capture and input listening cost on the running X display, with the
// application's own process set-up (heap policy included), each figure beside its floor:
//   1. per monitor: the capture cycle (read, scale where wider than the limit, encode as JPEG,
//      write the file), and its phases; the floor: XShmGetImage into a segment kept between
//      frames, TurboJPEG from the server's pixels into a kept buffer, one write(2); ffmpeg's
//      x11grab where ffmpeg is installed; minor page faults per capture;
//   2. the JPEG's size against Qt's own JPEG writer at the same quality;
//   3. the CPU the input thread uses while tracking with no input at all.
//
//   bench_capture [seconds-of-idle-measurement]   (default 10)

#include "app/shell/ApplicationAssembly.h"
#include "foundation/SettingsStore.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/PlatformServices.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/capture/JpegEncoder.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QProcess>
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
#include <random>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
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

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
};

// Each round's median per call, then min, median and max over the rounds.
Spread measure(const std::function<void()> &call)
{
    call(); // warm-up: connections, segments, buffers
    std::vector<double> roundMedians;
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> times;
        for (int cycle = 0; cycle < cyclesPerRound; ++cycle) {
            QElapsedTimer timer;
            timer.start();
            call();
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        roundMedians.push_back(times[times.size() / 2]);
    }
    std::sort(roundMedians.begin(), roundMedians.end());
    return {roundMedians.front(), roundMedians[roundMedians.size() / 2], roundMedians.back()};
}

void printLine(const char *what, const Spread &spread, const Spread &floor)
{
    std::printf("  %-38s min %6.2f  median %6.2f  max %6.2f ms   %.2fx the floor\n", what,
                spread.min, spread.median, spread.max,
                floor.median > 0 ? spread.median / floor.median : 0.0);
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

// ffmpeg's x11grab reading and encoding frames of the first monitor, per frame.
std::optional<double> ffmpegPerFrame(const QRect &monitor)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return std::nullopt;
    constexpr int frames = 30;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(ffmpeg,
                  {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"),
                   QStringLiteral("x11grab"), QStringLiteral("-video_size"),
                   QStringLiteral("%1x%2").arg(monitor.width()).arg(monitor.height()),
                   QStringLiteral("-i"), qEnvironmentVariable("DISPLAY"),
                   QStringLiteral("-frames:v"), QString::number(frames), QStringLiteral("-q:v"),
                   QStringLiteral("8"), QStringLiteral("-f"), QStringLiteral("image2pipe"),
                   QStringLiteral("-c:v"), QStringLiteral("mjpeg"), QStringLiteral("-")});
    process.waitForFinished(60000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / frames;
}

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

    CaptureFloor floor(display, first.geometry.width(), first.geometry.height(),
                       folder.filePath(QStringLiteral("floor.jpg")));
    const Spread floorRead = measure([&] { floor.read(); });
    const Spread floorEncode = measure([&] { floor.encode(quality); });
    const Spread floorWrite = measure([&] { floor.write(); });
    const Spread floorAll = measure([&] {
        floor.read();
        floor.encode(quality);
        floor.write();
    });

    const Spread read = measure([&] { backend->captureDisplay(first); });
    QImage frame = backend->captureDisplay(first).image.copy();
    const Spread encode = measure([&] { encoder.encode(frame, quality); });
    const long faultsBefore = minorFaults();
    int cycles = 0;
    const Spread cycle = measure([&] {
        ScreenCaptureService::captureAllDisplays(*backend, encoder, session, folder.path(),
                                                 QStringLiteral("c%1").arg(cycles++));
    });
    const double faultsPerCycle = static_cast<double>(minorFaults() - faultsBefore) / cycles;
    const Spread perMonitor{cycle.min / static_cast<double>(list.displays.size()),
                            cycle.median / static_cast<double>(list.displays.size()),
                            cycle.max / static_cast<double>(list.displays.size())};

    std::printf("capture of %dx%d (%lld monitor(s)), %d rounds of %d, per monitor:\n",
                first.geometry.width(), first.geometry.height(),
                static_cast<long long>(list.displays.size()), rounds, cyclesPerRound);
    printLine("whole cycle (read+scale+JPEG+write)", perMonitor, floorAll);
    printLine("read", read, floorRead);
    printLine("encode", encode, floorEncode);
    printLine("floor: read", floorRead, floorRead);
    printLine("floor: encode", floorEncode, floorEncode);
    printLine("floor: write", floorWrite, floorWrite);
    printLine("floor: whole", floorAll, floorAll);
    std::printf("  minor page faults per cycle: %.0f   (goal: at most 7 ms per 1080p monitor)\n",
                faultsPerCycle);
    if (const std::optional<double> ffmpeg = ffmpegPerFrame(first.geometry))
        std::printf(
            "  ffmpeg x11grab + mjpeg: %.2f ms per frame (one run); the cycle is %.2fx it\n",
            *ffmpeg, perMonitor.median / *ffmpeg);
    else
        std::printf("  ffmpeg x11grab: ffmpeg is not installed\n");

    const qsizetype turbo = encoder.encode(frame, quality).size();
    const qsizetype qt = qtJpeg(frame, quality).size();
    std::printf("  JPEG at quality %d: %lld bytes, Qt's writer %lld bytes (%+.1f %%)\n", quality,
                static_cast<long long>(turbo), static_cast<long long>(qt),
                qt > 0 ? 100.0 * static_cast<double>(turbo - qt) / static_cast<double>(qt) : 0.0);
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
