// Measures what screen capture and input listening cost on the running X display:
//   1. per monitor: read the pixels, scale to at most 1920 px, encode as JPEG, write the file;
//   2. the CPU the input thread uses while tracking with no input at all.
//
//   bench_capture [seconds-of-idle-measurement]   (default 10)

#include "foundation/SettingsStore.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/PlatformServices.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

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
    constexpr int rounds = 30;
    // One warm-up cycle loads the JPEG plugin and opens the connection.
    ScreenCaptureService::captureAllDisplays(*backend, session, folder.path(),
                                             QStringLiteral("warm"));

    std::vector<double> perMonitor;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const auto result = ScreenCaptureService::captureAllDisplays(
            *backend, session, folder.path(), QStringLiteral("r%1").arg(round));
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (result.outcome != ScreenCaptureService::CaptureOutcome::Captured) {
            std::printf("capture: cycle failed\n");
            return;
        }
        perMonitor.push_back(ms / static_cast<double>(list.displays.size()));
    }
    std::sort(perMonitor.begin(), perMonitor.end());
    const QRect first = list.displays.first().geometry;
    std::printf("capture+scale+JPEG+write per monitor (%dx%d, %lld monitor(s), %d rounds): "
                "median %.1f ms, min %.1f ms, max %.1f ms (goal < 40 ms)\n",
                first.width(), first.height(), static_cast<long long>(list.displays.size()), rounds,
                perMonitor[perMonitor.size() / 2], perMonitor.front(), perMonitor.back());
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
    QCoreApplication app(argc, argv);
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
