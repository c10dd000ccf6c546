// Screen capture against real headless desktops (run by scripts/with-wayland-desktop.sh): the
// portal's ScreenCast and Screenshot on sway with the wlroots portal, whose chooser is set to pick
// the one output without asking, and a PipeWire stream of Mutter's own screen cast.
#include "FakePortalService.h"
#include "PipeWireSocket.h"
#include "PrivateSessionBus.h"

#include "foundation/SettingsStore.h"
#include "platform/PermissionService.h"
#include "platform/portal/PipeWireStreams.h"
#include "platform/portal/PortalDisplayCaptureBackend.h"
#include "platform/portal/PortalScreenCast.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QSignalSpy>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The solid background the desktop script gives sway's output.
const QColor swayBackground(0x33, 0x66, 0xcc);
const QSize outputSize(1280, 720);

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

PortalScreenCast::Options portalOptions(bool useScreenCast)
{
    PortalScreenCast::Options options;
    options.useScreenCast = useScreenCast;
    options.settleWait = std::chrono::seconds(20);
    options.firstFrameWait = std::chrono::seconds(5);
    return options;
}

bool hasRenderNode()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System)
                .isEmpty();
}

} // namespace

// QSKIP leaves the function it is written in, so this is a macro.
#define REQUIRE_DESKTOP(name)                                                                      \
    do {                                                                                           \
        if (m_desktop != QLatin1String(name))                                                      \
            QSKIP(qPrintable(QStringLiteral("needs the %1 desktop; this run has %2")               \
                                 .arg(QLatin1String(name), m_desktop)));                           \
    } while (false)

class TestPortalDesktopCapture : public QObject
{
    Q_OBJECT

private:
    QString m_desktop;
    QString m_mutterSession;

    // Starts Mutter's own screen cast of its monitor; the stream's PipeWire node, or 0.
    uint startMutterScreenCast()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QDBusInterface screenCast(QStringLiteral("org.gnome.Mutter.ScreenCast"),
                                  QStringLiteral("/org/gnome/Mutter/ScreenCast"),
                                  QStringLiteral("org.gnome.Mutter.ScreenCast"), bus);
        const QDBusReply<QDBusObjectPath> session =
            screenCast.call(QStringLiteral("CreateSession"), QVariantMap());
        if (!session.isValid()) {
            qWarning() << "Mutter screen cast:" << session.error().message();
            return 0;
        }
        QDBusInterface sessionInterface(QStringLiteral("org.gnome.Mutter.ScreenCast"),
                                        session.value().path(),
                                        QStringLiteral("org.gnome.Mutter.ScreenCast.Session"), bus);
        const QDBusReply<QDBusObjectPath> stream =
            sessionInterface.call(QStringLiteral("RecordMonitor"), QStringLiteral("Meta-0"),
                                  QVariantMap{{QStringLiteral("cursor-mode"), 0u}});
        QSignalSpy added(this, SIGNAL(pipeWireNodeAdded(uint)));
        bus.connect(QStringLiteral("org.gnome.Mutter.ScreenCast"), stream.value().path(),
                    QStringLiteral("org.gnome.Mutter.ScreenCast.Stream"),
                    QStringLiteral("PipeWireStreamAdded"), this, SIGNAL(pipeWireNodeAdded(uint)));
        const QDBusReply<void> started = sessionInterface.call(QStringLiteral("Start"));
        if (!stream.isValid() || !started.isValid() || !added.wait(20000)) {
            qWarning() << "Mutter screen cast did not start:" << stream.error().message()
                       << started.error().message();
            return 0;
        }
        m_mutterSession = session.value().path();
        return added.first().first().toUInt();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_desktop = qEnvironmentVariable("ZUV_WAYLAND_DESKTOP");
        if (m_desktop.isEmpty())
            QSKIP("no headless Wayland desktop: run under scripts/with-wayland-desktop.sh");
    }

    void screenCastThroughThePortal()
    {
        REQUIRE_DESKTOP("sway");
        // The wlroots portal (0.7) starts a cast only once screencopy offers a DMA-BUF format,
        // and sway's software renderer offers one only with a DRM render node.
        if (!hasRenderNode())
            QSKIP("no DRM render node (/dev/dri/renderD*): the wlroots portal cannot start a "
                  "screen cast here; the PipeWire path is proved on Mutter instead");
        QTemporaryDir folder;
        SettingsStore settings(folder.filePath(QStringLiteral("preferences.json")));
        {
            auto screenCast = std::make_shared<PortalScreenCast>(portalOptions(true));
            screenCast->setRestoreTokenStore(&settings);
            QVERIFY(!screenCast->canCaptureScreen());
            QVERIFY(screenCast->requestGrant());
            QTRY_VERIFY_WITH_TIMEOUT(
                screenCast->snapshot().phase != PortalScreenCast::Phase::Starting, 20000);
            QCOMPARE(screenCast->snapshot().phase, PortalScreenCast::Phase::Active);

            PortalDisplayCaptureBackend backend(screenCast, {});
            QVERIFY(backend.probeOnePixel());
            const DisplayList list = backend.listDisplays();
            QCOMPARE(list.status, DisplayCaptureStatus::Ok);
            QCOMPARE(list.displays.size(), 1);
            const DisplayFrame frame = backend.captureDisplay(list.displays.first());
            QCOMPARE(frame.status, DisplayCaptureStatus::Ok);
            QCOMPARE(frame.image.size(), outputSize);
            QVERIFY2(near(frame.image.pixelColor(640, 360), swayBackground),
                     qPrintable(frame.image.pixelColor(640, 360).name()));
        }
        // The grant persists: a later launch restores it from the token in the user defaults.
        const std::optional<QString> token =
            settings.string(QString::fromLatin1(PortalScreenCast::restoreTokenKey));
        QVERIFY(token && !token->isEmpty());
        auto restored = std::make_shared<PortalScreenCast>(portalOptions(true));
        restored->setRestoreTokenStore(&settings);
        PortalDisplayCaptureBackend backend(restored, {});
        QVERIFY(backend.probeOnePixel());
        QCOMPARE(backend.captureDisplay(backend.listDisplays().displays.value(0)).image.size(),
                 outputSize);
        QVERIFY(settings.string(QString::fromLatin1(PortalScreenCast::restoreTokenKey)) != token);
    }

    // Without a render node the wlroots portal accepts a screen cast and then fails it ("unable
    // to receive a valid format"); the Screenshot portal it also offers takes over.
    void failingScreenCastFallsBackToScreenshots()
    {
        REQUIRE_DESKTOP("sway");
        if (hasRenderNode())
            QSKIP("a DRM render node is present: the wlroots portal's screen cast works here");
        auto screenCast = std::make_shared<PortalScreenCast>(portalOptions(true));
        QCOMPARE(screenCast->detectOffer().method, PortalScreenCast::Method::ScreenCast);
        QVERIFY(screenCast->requestGrant());
        QTRY_COMPARE_WITH_TIMEOUT(screenCast->snapshot().method,
                                  PortalScreenCast::Method::Screenshot, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(screenCast->snapshot().screenshotGranted, 20000);
        QVERIFY(screenCast->canCaptureScreen());
        PortalDisplayCaptureBackend backend(screenCast, {});
        const DisplayList list = backend.listDisplays();
        QCOMPARE(list.displays.size(), 1);
        const DisplayFrame frame = backend.captureDisplay(list.displays.first());
        QCOMPARE(frame.status, DisplayCaptureStatus::Ok);
        QVERIFY(near(frame.image.pixelColor(640, 360), swayBackground));
    }

    void screenshotPortal()
    {
        REQUIRE_DESKTOP("sway");
        auto screenCast = std::make_shared<PortalScreenCast>(portalOptions(false));
        const QList<DisplayInfo> screens{
            {QStringLiteral("HEADLESS-1"), QRect(QPoint(0, 0), outputSize)}};
        PortalDisplayCaptureBackend backend(screenCast, [screens] { return screens; });
        QVERIFY(backend.probeOnePixel());
        QCOMPARE(backend.listDisplays().displays, screens);
        const DisplayFrame frame = backend.captureDisplay(screens.first());
        QCOMPARE(frame.status, DisplayCaptureStatus::Ok);
        QCOMPARE(frame.image.size(), outputSize);
        QVERIFY(near(frame.image.pixelColor(640, 360), swayBackground));
        // The wlroots portal leaves every screenshot world-readable at one fixed path in /tmp:
        // it was read and removed at once.
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/out.png")));
    }

    void mutterScreenCastStream()
    {
        REQUIRE_DESKTOP("mutter");
        const uint node = startMutterScreenCast();
        QVERIFY(node != 0);

        const int fd = connectToSessionPipeWire();
        QVERIFY(fd >= 0);
        QString error;
        const auto streams = PipeWireStreams::open(fd, {node}, &error);
        QVERIFY2(streams, qPrintable(error));
        const PipeWireStreams::Frame frame = streams->latestFrame(node, std::chrono::seconds(10));
        QCOMPARE(frame.status, PipeWireStreams::FrameStatus::Ok);
        QCOMPARE(frame.image.size(), outputSize);
        // Mutter alone paints a background that darkens evenly toward the corners: a wrong
        // stride, offset or channel order would break the symmetry.
        const QImage &image = frame.image;
        const QColor corner = image.pixelColor(0, 0);
        for (const QPoint &other : {QPoint(1279, 0), QPoint(0, 719), QPoint(1279, 719)})
            QVERIFY2(near(image.pixelColor(other), corner),
                     qPrintable(image.pixelColor(other).name()));
        QVERIFY(!near(image.pixelColor(640, 360), corner));
    }

    // The whole capture path over a real stream: a stand-in portal on a bus of its own (Mutter's
    // portal would show its chooser) hands out Mutter's node and a connection to PipeWire.
    void portalBackendOverMutterStream()
    {
        REQUIRE_DESKTOP("mutter");
        const uint node = startMutterScreenCast();
        QVERIFY(node != 0);
        PrivateSessionBus bus;
        QVERIFY2(bus.problem().isEmpty(), qPrintable(bus.problem()));
        const int remote = connectToSessionPipeWire();
        QVERIFY(remote >= 0);
        FakePortalService::Script script;
        script.streams = {{node, QPoint(0, 0), outputSize}};
        script.remoteFd = remote;
        FakePortalService portal(bus.address(), script);
        const auto closeRemote = qScopeGuard([remote] { ::close(remote); });
        PortalScreenCast::Options options = portalOptions(true);
        options.connection = bus.connect(QStringLiteral("capture"));
        auto screenCast = std::make_shared<PortalScreenCast>(options);
        screenCast->requestGrant();
        QTRY_VERIFY_WITH_TIMEOUT(screenCast->snapshot().phase != PortalScreenCast::Phase::Starting,
                                 20000);

        PortalDisplayCaptureBackend backend(screenCast, {});
        QVERIFY(backend.probeOnePixel());
        const DisplayList list = backend.listDisplays();
        QCOMPARE(list.displays.size(), 1);
        const DisplayFrame first = backend.captureDisplay(list.displays.first());
        QCOMPARE(first.status, DisplayCaptureStatus::Ok);
        QCOMPARE(first.image.size(), outputSize);
        // Nothing changed on the screen, so no new frame came: the kept one answers again.
        const DisplayFrame again = backend.captureDisplay(list.displays.first());
        QCOMPARE(again.image, first.image);
    }

    void cleanup()
    {
        if (m_mutterSession.isEmpty())
            return;
        QDBusInterface(QStringLiteral("org.gnome.Mutter.ScreenCast"), m_mutterSession,
                       QStringLiteral("org.gnome.Mutter.ScreenCast.Session"))
            .call(QStringLiteral("Stop"));
        m_mutterSession.clear();
    }

    // Debian's GNOME capture lives in xdg-desktop-portal-gnome; without it Mutter's desktop
    // offers none, and the advice says what to install rather than "Press Open".
    void bareMutterOffersNoCaptureAndTheAdviceSaysWhy()
    {
        REQUIRE_DESKTOP("mutter");
        if (QFile::exists(QStringLiteral("/usr/libexec/xdg-desktop-portal-gnome")))
            QSKIP("xdg-desktop-portal-gnome is installed here: GNOME's desktop offers capture");
        PortalScreenCast screenCast(portalOptions(true));
        QCOMPARE(screenCast.detectOffer().method, PortalScreenCast::Method::None);
        QVERIFY(!screenCast.requestGrant());
        QVERIFY(PermissionService::noScreenSharingServiceAdvice(
                    qEnvironmentVariable("XDG_CURRENT_DESKTOP"))
                    .contains(QStringLiteral("install xdg-desktop-portal-gnome")));
    }

    void gnomePortalChooser()
    {
        REQUIRE_DESKTOP("mutter");
        // GNOME's portal has no setting that answers its chooser; the first grant needs a click.
        QSKIP("the GNOME portal's ScreenCast chooser needs a person's click: checked by hand");
    }

Q_SIGNALS:
    void pipeWireNodeAdded(uint node);
};

QTEST_GUILESS_MAIN(TestPortalDesktopCapture)
#include "TestPortalDesktopCapture.moc"
