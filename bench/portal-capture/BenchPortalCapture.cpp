// What one capture per monitor costs on a Wayland session beside X11, on the same machine: list,
// read, scale to at most 1920 px, encode as JPEG, write the file.
//   1. the portal backend, through ScreenCast and through Screenshot where the portal offers them;
//   2. where Mutter's screen cast is on the bus, its PipeWire stream read as the ScreenCast path
//      reads it (the portal's own chooser would need a click);
//   3. the X11 backend, when $DISPLAY names a display.
//
//   bench_portal_capture [rounds]   (default 20)

#include "platform/DisplayCaptureBackend.h"
#include "platform/portal/PipeWireSocket.h" // the tests' own
#include "platform/portal/PipeWireStreams.h"
#include "platform/portal/PortalDisplayCaptureBackend.h"
#include "platform/portal/PortalScreenCast.h"
#include "platform/x11/X11DisplayCaptureBackend.h"
#include "tracking/capture/JpegBandSink.h"
#include "tracking/capture/JpegEncoder.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <QCoreApplication>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// Mutter's stream of its first monitor, read the way the portal path reads its streams.
class MutterStreamBackend final : public DisplayCaptureBackend
{
public:
    explicit MutterStreamBackend(std::unique_ptr<PipeWireStreams> streams, quint32 node)
        : m_streams(std::move(streams))
        , m_node(node)
    {}
    DisplayList listDisplays() override
    {
        return {DisplayCaptureStatus::Ok,
                {DisplayInfo{QStringLiteral("Meta-0"), QRect(0, 0, 1, 1)}}};
    }
    DisplayFrame captureDisplay(const DisplayInfo &) override
    {
        const PipeWireStreams::Frame frame =
            m_streams->latestFrame(m_node, std::chrono::seconds(5));
        DisplayFrame result;
        result.status = frame.status == PipeWireStreams::FrameStatus::Ok
                            ? DisplayCaptureStatus::Ok
                            : DisplayCaptureStatus::NoFrame;
        result.image = frame.image;
        return result;
    }
    bool probeOnePixel() override { return true; }

private:
    std::unique_ptr<PipeWireStreams> m_streams;
    quint32 m_node;
};

void measure(const char *label, DisplayCaptureBackend &backend, int rounds)
{
    if (!backend.probeOnePixel()) {
        std::printf("%s: not granted or not offered here\n", label);
        return;
    }
    const DisplayList list = backend.listDisplays();
    if (list.status != DisplayCaptureStatus::Ok || list.displays.isEmpty()) {
        std::printf("%s: no display\n", label);
        return;
    }
    QTemporaryDir folder;
    const QUuid session = QUuid::createUuid();
    JpegEncoder encoder;
    JpegBandSink sink(encoder, ScreenCaptureService::maxCaptureDimension,
                      ScreenCaptureService::jpegQuality);
    // One warm-up cycle makes the encoder's buffer and fills the first frame.
    ScreenCaptureService::captureAllDisplays(backend, sink, session, folder.path(),
                                             QStringLiteral("warm"));
    std::vector<double> perMonitor;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const auto result = ScreenCaptureService::captureAllDisplays(
            backend, sink, session, folder.path(), QStringLiteral("r%1").arg(round));
        if (result.outcome != ScreenCaptureService::CaptureOutcome::Captured) {
            std::printf("%s: cycle failed\n", label);
            return;
        }
        perMonitor.push_back(double(timer.nsecsElapsed()) / 1e6 / double(list.displays.size()));
    }
    std::sort(perMonitor.begin(), perMonitor.end());
    std::printf("%s: per monitor (%lld monitor(s), %d rounds): median %.1f ms, min %.1f ms, "
                "max %.1f ms\n",
                label, static_cast<long long>(list.displays.size()), rounds,
                perMonitor[perMonitor.size() / 2], perMonitor.front(), perMonitor.back());
}

// Catches the node of the stream Mutter adds.
class NodeCatcher : public QObject
{
    Q_OBJECT

public:
    quint32 node = 0;
    QEventLoop loop;

public Q_SLOTS:
    void streamAdded(uint added)
    {
        node = added;
        loop.quit();
    }
};

std::unique_ptr<DisplayCaptureBackend> mutterStream()
{
    const QString service = QStringLiteral("org.gnome.Mutter.ScreenCast");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusInterface screenCast(service, QStringLiteral("/org/gnome/Mutter/ScreenCast"), service,
                              bus);
    const QDBusReply<QDBusObjectPath> session =
        screenCast.call(QStringLiteral("CreateSession"), QVariantMap());
    if (!session.isValid())
        return nullptr;
    QDBusInterface control(service, session.value().path(),
                           QStringLiteral("org.gnome.Mutter.ScreenCast.Session"), bus);
    const QDBusReply<QDBusObjectPath> stream =
        control.call(QStringLiteral("RecordMonitor"), QStringLiteral("Meta-0"), QVariantMap());
    if (!stream.isValid())
        return nullptr;
    NodeCatcher catcher;
    bus.connect(service, stream.value().path(),
                QStringLiteral("org.gnome.Mutter.ScreenCast.Stream"),
                QStringLiteral("PipeWireStreamAdded"), &catcher, SLOT(streamAdded(uint)));
    control.call(QStringLiteral("Start"));
    QTimer::singleShot(10000, &catcher.loop, &QEventLoop::quit);
    catcher.loop.exec();
    const int fd = catcher.node ? connectToSessionPipeWire() : -1;
    if (fd < 0)
        return nullptr;
    QString error;
    std::unique_ptr<PipeWireStreams> streams = PipeWireStreams::open(fd, {catcher.node}, &error);
    if (!streams)
        return nullptr;
    return std::make_unique<MutterStreamBackend>(std::move(streams), catcher.node);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("com.wendoka.zuvevivezid.*.info=false"));
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        for (const bool useScreenCast : {true, false}) {
            PortalScreenCast::Options options;
            options.useScreenCast = useScreenCast;
            options.settleWait = std::chrono::seconds(30);
            auto screenCast = std::make_shared<PortalScreenCast>(options);
            // The chooser, where one shows, is answered while this waits.
            screenCast->requestGrant();
            PortalDisplayCaptureBackend portal(screenCast, {});
            measure(useScreenCast ? "portal ScreenCast" : "portal Screenshot", portal, rounds);
        }
    }
    if (auto stream = mutterStream())
        measure("Mutter stream over PipeWire", *stream, rounds);
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        X11DisplayCaptureBackend x11;
        measure("X11", x11, rounds);
    }
    return 0;
}

#include "BenchPortalCapture.moc"
