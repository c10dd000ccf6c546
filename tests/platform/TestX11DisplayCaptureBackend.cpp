#include "foundation/NotificationHub.h"
#include "platform/x11/X11DisplayCaptureBackend.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>

#include <utime.h>

#include <algorithm>
#include <optional>

#include "PrivateXServer.h"

namespace {

const QUuid sessionId = QUuid::fromString(QStringLiteral("{0a1b2c3d-4e5f-4061-8273-94a5b6c7d8e9}"));

using Rects = QList<QRect>;

// The screen is wider than 1920 pixels, so the large monitor is scaled down.
constexpr int screenWidth = 3200;
constexpr int screenHeight = 1200;
const QRect monitorA(0, 0, 2400, 1200);   // holds the screen's RandR output
const QRect monitorB(2400, 0, 800, 600);  // no output of its own
const QRect monitorC(100, 100, 400, 300); // inside A: dropped

void setMonitor(Display *display, const char *name, const QRect &rect, RROutput output)
{
    XRRMonitorInfo *monitor = XRRAllocateMonitor(display, output ? 1 : 0);
    monitor->name = XInternAtom(display, name, False);
    monitor->primary = output ? True : False;
    monitor->automatic = False;
    monitor->x = rect.x();
    monitor->y = rect.y();
    monitor->width = rect.width();
    monitor->height = rect.height();
    monitor->mwidth = rect.width() / 4;
    monitor->mheight = rect.height() / 4;
    if (output)
        monitor->outputs[0] = output;
    XRRSetMonitor(display, XDefaultRootWindow(display), monitor);
    XRRFreeMonitors(monitor);
}

void fillRoot(Display *display, const QRect &rect, unsigned long rgb)
{
    const Window root = XDefaultRootWindow(display);
    GC gc = XCreateGC(display, root, 0, nullptr);
    XSetForeground(display, gc, rgb);
    XFillRectangle(display, root, gc, rect.x(), rect.y(), static_cast<unsigned>(rect.width()),
                   static_cast<unsigned>(rect.height()));
    XFreeGC(display, gc);
}

// How a case's own server treats shared memory.
enum class ServerMemory
{
    Shared,
    // MIT-SHM left out of the server.
    NoExtension,
    // Advertised, but the server runs in an IPC namespace of its own and cannot reach our
    // segments, as a server on another machine cannot: the attach fails.
    AttachRefused,
};

QByteArray startServer(PrivateXServer &server, int width, int height, int depth,
                       ServerMemory memory)
{
    switch (memory) {
    case ServerMemory::Shared:
        break;
    case ServerMemory::NoExtension:
        return server.start(width, height, depth,
                            {QStringLiteral("-extension"), QStringLiteral("MIT-SHM")});
    case ServerMemory::AttachRefused:
        return server.start(width, height, depth, {},
                            {QStringLiteral("unshare"), QStringLiteral("--ipc")});
    }
    return server.start(width, height, depth);
}

// The sizes of the System V segments this process made that still exist: one is gone once
// neither this process nor the server has it attached.
std::optional<QList<qint64>> sharedSegmentsOfThisProcess()
{
    QFile table(QStringLiteral("/proc/sysvipc/shm"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    QList<QByteArray> lines = table.readAll().split('\n');
    lines.removeFirst(); // the heading
    QList<qint64> sizes;
    for (const QByteArray &line : std::as_const(lines)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields.at(4) == pid) // the creator's pid
            sizes.append(fields.at(3).toLongLong());
    }
    return sizes;
}

const QString refusalLine = QStringLiteral("The X server shares no memory with this process");

void touch(const QString &path, qint64 modified, qint64 bytes = 0)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(QByteArray(bytes, 'x')), bytes);
    file.close();
    utimbuf times{modified, modified};
    QCOMPARE(utime(QFile::encodeName(path).constData(), &times), 0);
}

} // namespace

class TestX11DisplayCaptureBackend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropContainedDisplays_data();
    void dropContainedDisplays();
    void initTestCase();
    void cleanupTestCase();
    void listsTheMonitorsTheTestDefined();
    void capturesOneScaledJpegPerMonitorIntoTheCompanyFolder();
    void aFrameHoldsTheMonitorsOwnPixelsAfterTheBackendIsGone();
    void readsEveryPixelLayoutWithOrWithoutSharedMemory_data();
    void readsEveryPixelLayoutWithOrWithoutSharedMemory();
    void stoppingCaptureReleasesTheKeptBuffers_data();
    void stoppingCaptureReleasesTheKeptBuffers();
    void prunesTheFolderToItsBoundOldestFirst();
    void aFileWhereTheFolderBelongsIsMovedAsideAndCaptureGoesOn();

private:
    PrivateXServer m_xvfb;
    std::unique_ptr<DisplayOverride> m_displayOverride;
    Display *m_display = nullptr;
    QTemporaryDir m_root;
};

void TestX11DisplayCaptureBackend::dropContainedDisplays_data()
{
    QTest::addColumn<Rects>("listed");
    QTest::addColumn<Rects>("kept");

    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    QTest::newRow("side by side") << Rects{left, right} << Rects{left, right};
    QTest::newRow("one inside another")
        << Rects{left, QRect(10, 10, 100, 100), right} << Rects{left, right};
    QTest::newRow("the larger one listed later")
        << Rects{QRect(0, 0, 800, 600), left} << Rects{left};
    QTest::newRow("equal rectangles keep the first")
        << Rects{right, left, left} << Rects{right, left};
    QTest::newRow("overlapping is not containing")
        << Rects{left, QRect(1800, 0, 400, 400)} << Rects{left, QRect(1800, 0, 400, 400)};
    QTest::newRow("empty rectangle dropped") << Rects{QRect(0, 0, 0, 0), right} << Rects{right};
}

void TestX11DisplayCaptureBackend::dropContainedDisplays()
{
    QFETCH(Rects, listed);
    QFETCH(Rects, kept);
    QList<DisplayInfo> displays;
    for (qsizetype i = 0; i < listed.size(); ++i)
        displays.append({QStringLiteral("same-name"), listed[i]}); // names never decide
    Rects result;
    for (const DisplayInfo &display : X11DisplayCaptureBackend::dropContainedDisplays(displays))
        result.append(display.geometry);
    QCOMPARE(result, kept);
}

void TestX11DisplayCaptureBackend::initTestCase()
{
    ZUV_REQUIRE_X11();
    // A display of our own, wider than the shared one, whose monitors this suite may change.
    const QByteArray displayName = m_xvfb.start(screenWidth, screenHeight);
    QVERIFY2(!displayName.isEmpty(), "the suite's own Xvfb did not start");
    m_display = XOpenDisplay(displayName.constData());
    QVERIFY(m_display);
    m_displayOverride = std::make_unique<DisplayOverride>(displayName);

    XRRScreenResources *resources = XRRGetScreenResources(m_display, XDefaultRootWindow(m_display));
    QVERIFY(resources && resources->noutput >= 1);
    const RROutput output = resources->outputs[0];
    XRRFreeScreenResources(resources);
    setMonitor(m_display, "ZUV-A", monitorA, output);
    setMonitor(m_display, "ZUV-B", monitorB, 0);
    setMonitor(m_display, "ZUV-C", monitorC, 0);
    fillRoot(m_display, monitorA, 0xd02020);
    fillRoot(m_display, monitorB, 0x2040e0);
    XSync(m_display, False);
}

void TestX11DisplayCaptureBackend::cleanupTestCase()
{
    if (m_display)
        XCloseDisplay(m_display);
    m_displayOverride.reset();
    m_xvfb.stop();
}

void TestX11DisplayCaptureBackend::listsTheMonitorsTheTestDefined()
{
    X11DisplayCaptureBackend backend;
    const DisplayList list = backend.listDisplays();
    QCOMPARE(list.status, DisplayCaptureStatus::Ok);
    Rects rects;
    for (const DisplayInfo &display : list.displays)
        rects.append(display.geometry);
    QCOMPARE(rects.size(), 2);
    QVERIFY(rects.contains(monitorA));
    QVERIFY(rects.contains(monitorB));
    QVERIFY(backend.probeOnePixel());
}

void TestX11DisplayCaptureBackend::capturesOneScaledJpegPerMonitorIntoTheCompanyFolder()
{
    ScreenCaptureService::Dependencies deps;
    deps.capturesBaseDirectory = m_root.filePath(QStringLiteral("captures"));
    deps.domainKey = [] {
        return QStringLiteral("hr.acme.example");
    };
    deps.apiTimeZone = [] {
        return QTimeZone::utc();
    };
    deps.backend = std::make_unique<X11DisplayCaptureBackend>();
    ScreenCaptureService service(std::move(deps));
    QSignalSpy announced(&NotificationHub::instance(), &NotificationHub::screenCaptureDidComplete);
    std::atomic<int> lost{0};
    service.start(
        sessionId, 5, [] { return true; }, [&] { ++lost; });
    service.tickNow();
    QCOMPARE(lost.load(), 0);
    QTRY_COMPARE(announced.count(), 1);

    X11DisplayCaptureBackend lister;
    const QList<DisplayInfo> displays = lister.listDisplays().displays;
    const QStringList paths = announced.at(0).at(1).toStringList();
    QCOMPARE(paths.size(), displays.size());
    const QDir folder(m_root.filePath(QStringLiteral("captures/hr.acme.example")));
    const QRegularExpression name(
        QStringLiteral("^0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9_\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-"
                       "\\d\\dZ_(\\d)\\.jpg$"));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QFileInfo file(paths[i]);
        QCOMPARE(file.absolutePath(), folder.absolutePath());
        const QRegularExpressionMatch match = name.match(file.fileName());
        QVERIFY2(match.hasMatch(), qPrintable(file.fileName()));
        QCOMPARE(match.captured(1).toInt(), i);

        QImageReader reader(paths[i]);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        const QRect monitor = displays[i].geometry;
        const QSize expected = monitor == monitorA ? QSize(1920, 960) : QSize(800, 600);
        QCOMPARE(image.size(), expected);
        // The pixels are the monitor's own: red for A, blue for B.
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        if (monitor == monitorA)
            QVERIFY2(centre.red() > 150 && centre.blue() < 100, qPrintable(centre.name()));
        else
            QVERIFY2(centre.blue() > 150 && centre.red() < 100, qPrintable(centre.name()));
    }
    QCOMPARE(folder.entryList(QDir::Files).size(), 2);
}

void TestX11DisplayCaptureBackend::aFrameHoldsTheMonitorsOwnPixelsAfterTheBackendIsGone()
{
    // A marker in each corner of the monitor that does not start at the screen's origin: a frame
    // read from the wrong place, with the wrong line length or from freed memory shows otherwise.
    const QList<std::pair<QPoint, QRgb>> corners{
        {QPoint(0, 0), 0x10e010},
        {QPoint(monitorB.width() - 1, 0), 0xe0e010},
        {QPoint(0, monitorB.height() - 1), 0x10e0e0},
        {QPoint(monitorB.width() - 1, monitorB.height() - 1), 0xe010e0},
    };
    for (const auto &[corner, rgb] : corners)
        fillRoot(m_display, QRect(monitorB.topLeft() + corner, QSize(1, 1)), rgb);
    XSync(m_display, False);

    DisplayFrame frame;
    {
        X11DisplayCaptureBackend backend;
        const QList<DisplayInfo> displays = backend.listDisplays().displays;
        const auto b = std::find_if(displays.cbegin(), displays.cend(),
                                    [](const DisplayInfo &d) { return d.geometry == monitorB; });
        QVERIFY(b != displays.cend());
        frame = backend.captureDisplay(*b);
    }
    fillRoot(m_display, monitorB, 0x2040e0);
    XSync(m_display, False);

    QCOMPARE(frame.status, DisplayCaptureStatus::Ok);
    QCOMPARE(frame.image.size(), monitorB.size());
    for (const auto &[corner, rgb] : corners)
        QCOMPARE(frame.image.pixel(corner) & 0xffffff, rgb);
    QCOMPARE(frame.image.pixel(monitorB.width() / 2, monitorB.height() / 2) & 0xffffff,
             QRgb(0x2040e0));
}

void TestX11DisplayCaptureBackend::prunesTheFolderToItsBoundOldestFirst()
{
    QTemporaryDir root;
    const QDir folder(root.filePath(QStringLiteral("captures/global")));
    QVERIFY(QDir().mkpath(folder.path()));
    constexpr int oldFiles = 500;
    constexpr qint64 oldFileBytes = 1000;
    for (int i = 0; i < oldFiles; ++i) {
        touch(folder.filePath(QStringLiteral("old-%1.jpg").arg(i, 3, 10, QLatin1Char('0'))),
              1'600'000'000 + i, oldFileBytes);
    }

    ScreenCaptureService::Dependencies deps;
    deps.capturesBaseDirectory = root.filePath(QStringLiteral("captures"));
    deps.domainKey = [] {
        return QString();
    };
    deps.backend = std::make_unique<X11DisplayCaptureBackend>();
    // Exactly full before the cycle: its two captures push the oldest files out.
    deps.maxFolderBytes = oldFiles * oldFileBytes;
    ScreenCaptureService service(std::move(deps));
    service.start(
        sessionId, 5, [] { return true; }, [] {});
    LogCapture log;
    service.tickNow();

    const QFileInfoList left = folder.entryInfoList(QDir::Files);
    qint64 total = 0;
    for (const QFileInfo &entry : left)
        total += entry.size();
    QVERIFY(total <= oldFiles * oldFileBytes);
    QCOMPARE(folder.entryList({QStringLiteral("0A1B2C3D-*.jpg")}, QDir::Files).size(), 2);
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("old-000.jpg"))));
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("old-499.jpg"))));
    QVERIFY(log.contains(QStringLiteral("Captures folder reached")));
}

void TestX11DisplayCaptureBackend::aFileWhereTheFolderBelongsIsMovedAsideAndCaptureGoesOn()
{
    QTemporaryDir root;
    ScreenCaptureService::Dependencies deps;
    deps.capturesBaseDirectory = root.filePath(QStringLiteral("captures"));
    deps.domainKey = [] {
        return QStringLiteral("blocked.example");
    };
    deps.backend = std::make_unique<X11DisplayCaptureBackend>();
    ScreenCaptureService service(std::move(deps));
    std::atomic<int> completed{0};
    std::atomic<int> lost{0};
    service.start(
        sessionId, 5, [] { return true; }, [&] { ++lost; },
        [&](const QStringList &) { ++completed; });
    // A file where the company's folder belongs: no user, root included, can write into it, so
    // it is moved aside and the folder made again.
    const QString companyFolder = service.capturesDirectory();
    QVERIFY(QDir(companyFolder).removeRecursively());
    touch(companyFolder, 1'700'000'000);

    service.tickNow();
    QCOMPARE(completed.load(), 1);
    QCOMPARE(lost.load(), 0);
    QVERIFY(QFileInfo(companyFolder).isDir());
    QCOMPARE(QDir(companyFolder).entryList(QDir::Files).size(), 2);
    QVERIFY(service.isScheduled());
}

QTEST_GUILESS_MAIN(TestX11DisplayCaptureBackend)
#include "TestX11DisplayCaptureBackend.moc"

void TestX11DisplayCaptureBackend::readsEveryPixelLayoutWithOrWithoutSharedMemory_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<ServerMemory>("memory");

    QTest::newRow("32-bit pixels, shared memory") << 24 << ServerMemory::Shared;
    QTest::newRow("32-bit pixels, no shared memory (a remote server)")
        << 24 << ServerMemory::NoExtension;
    QTest::newRow("32-bit pixels, shared memory refused at the attach")
        << 24 << ServerMemory::AttachRefused;
    QTest::newRow("16-bit pixels, shared memory") << 16 << ServerMemory::Shared;
    QTest::newRow("16-bit pixels, no shared memory") << 16 << ServerMemory::NoExtension;
}

// Each frame must show the display as drawn, whether the server writes into our memory or
// answers in bands, whatever its pixel layout; a frame still held when the next capture comes
// keeps the pixels it was read with, and one held past releaseBuffers() stays readable. A server
// that shares no memory is named once in the log, not at every capture.
void TestX11DisplayCaptureBackend::readsEveryPixelLayoutWithOrWithoutSharedMemory()
{
    QFETCH(int, depth);
    QFETCH(ServerMemory, memory);
    const bool serverSharesMemory = memory == ServerMemory::Shared;
    PrivateXServer server;
    const QByteArray name = startServer(server, 640, 480, depth, memory);
    QVERIFY2(!name.isEmpty(), "the case's own Xvfb did not start");
    Display *display = XOpenDisplay(name.constData());
    QVERIFY(display);
    if (memory == ServerMemory::AttachRefused)
        QVERIFY(XShmQueryExtension(display));
    const DisplayOverride pointedAtIt(name);
    // Colours every layout holds exactly: channels of 0 and full intensity.
    const QRect left(0, 0, 320, 480);
    const QRect right(320, 0, 320, 480);
    const auto paint = [&](QRgb leftColour, QRgb rightColour) {
        const auto pixel = [&](QRgb rgb) {
            XColor colour{};
            colour.red = static_cast<unsigned short>(qRed(rgb) * 257);
            colour.green = static_cast<unsigned short>(qGreen(rgb) * 257);
            colour.blue = static_cast<unsigned short>(qBlue(rgb) * 257);
            XAllocColor(display, XDefaultColormap(display, XDefaultScreen(display)), &colour);
            return colour.pixel;
        };
        fillRoot(display, left, pixel(leftColour));
        fillRoot(display, right, pixel(rightColour));
        XSync(display, False);
    };
    const auto colourAt = [](const QImage &image, int x, int y) {
        return image.pixel(x, y) & 0xffffff;
    };

    LogCapture log;
    X11DisplayCaptureBackend backend;
    const DisplayInfo screen{QString(), QRect(0, 0, 640, 480)};
    paint(0xff0000, 0x0000ff);
    const DisplayFrame first = backend.captureDisplay(screen);
    QCOMPARE(first.status, DisplayCaptureStatus::Ok);
    QCOMPARE(backend.readsSharedMemory(), serverSharesMemory);
    paint(0x00ff00, 0xffffff);
    const DisplayFrame second = backend.captureDisplay(screen);
    QCOMPARE(second.status, DisplayCaptureStatus::Ok);
    backend.releaseBuffers();

    QCOMPARE(first.image.size(), QSize(640, 480));
    QCOMPARE(colourAt(first.image, 10, 10), QRgb(0xff0000));
    QCOMPARE(colourAt(first.image, 630, 470), QRgb(0x0000ff));
    QCOMPARE(colourAt(second.image, 319, 240), QRgb(0x00ff00));
    QCOMPARE(colourAt(second.image, 320, 240), QRgb(0xffffff));
    QCOMPARE(log.count(refusalLine), serverSharesMemory ? 0 : 1);
    XCloseDisplay(display);
}

void TestX11DisplayCaptureBackend::stoppingCaptureReleasesTheKeptBuffers_data()
{
    QTest::addColumn<ServerMemory>("memory");
    QTest::newRow("shared memory: the segment") << ServerMemory::Shared;
    QTest::newRow("no shared memory: the band buffer") << ServerMemory::NoExtension;
}

// What a capture keeps for the next one is one band's memory, not a frame's, and it is given back
// when the schedule stops: the segment detached by the server and freed by us, so the system
// drops it, and the band buffer freed.
void TestX11DisplayCaptureBackend::stoppingCaptureReleasesTheKeptBuffers()
{
    QFETCH(ServerMemory, memory);
    const bool shared = memory == ServerMemory::Shared;
    PrivateXServer server;
    const QByteArray name = startServer(server, 640, 480, 24, memory);
    QVERIFY2(!name.isEmpty(), "the case's own Xvfb did not start");
    const DisplayOverride pointedAtIt(name);
    QTemporaryDir root;
    ScreenCaptureService::Dependencies deps;
    deps.capturesBaseDirectory = root.filePath(QStringLiteral("captures"));
    auto backend = std::make_unique<X11DisplayCaptureBackend>();
    const X11DisplayCaptureBackend &kept = *backend;
    deps.backend = std::move(backend);
    ScreenCaptureService service(std::move(deps));
    const std::optional<QList<qint64>> segmentsBefore = sharedSegmentsOfThisProcess();
    QVERIFY(segmentsBefore);
    constexpr qint64 bandBytes = 640 * 128 * 4;
    std::atomic<int> completed{0};
    service.start(
        sessionId, 5, [] { return true; }, [] {}, [&](const QStringList &) { ++completed; });

    service.tickNow();
    QCOMPARE(completed.load(), 1);
    QCOMPARE(kept.readsSharedMemory(), shared);
    const QList<qint64> segments = sharedSegmentsOfThisProcess().value();
    QCOMPARE(segments.size(), segmentsBefore->size() + (shared ? 1 : 0));
    if (shared)
        QVERIFY2(segments.last() <= bandBytes, QByteArray::number(segments.last()));
    QCOMPARE(kept.bandBufferBytes() > 0, !shared);
    QVERIFY(kept.bandBufferBytes() <= std::size_t(bandBytes));

    service.stop();
    QVERIFY(!kept.readsSharedMemory());
    QCOMPARE(kept.bandBufferBytes(), std::size_t(0));
    QCOMPARE(sharedSegmentsOfThisProcess(), segmentsBefore);
}
