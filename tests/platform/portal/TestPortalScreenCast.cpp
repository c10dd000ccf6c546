// The portal client against a fake portal on a private bus: what it asks, and what it makes of
// granted, cancelled, failed and unanswered requests, stream lists, restore tokens and a session
// the desktop ends.
#include "FakePortalService.h"
#include "PrivateSessionBus.h"

#include "foundation/SettingsStore.h"
#include "platform/portal/PortalDisplayCaptureBackend.h"
#include "platform/portal/PortalScreenCast.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <atomic>

#include <sys/socket.h>
#include <unistd.h>

using Answer = FakePortalService::Answer;
using Phase = PortalScreenCast::Phase;
Q_DECLARE_METATYPE(FakePortalService::Answer)

namespace {

const QString tokenKey = QString::fromLatin1(PortalScreenCast::restoreTokenKey);

// Both ends of a socket that never speaks: a PipeWire remote that delivers nothing.
struct SilentRemote
{
    int fds[2] = {-1, -1};
    SilentRemote() { QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0); }
    ~SilentRemote()
    {
        for (const int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

} // namespace

class TestPortalScreenCast : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> m_bus;
    SilentRemote m_remote;
    int m_connections = 0;

    PortalScreenCast::Options
    options(std::chrono::milliseconds chooserTimeout = std::chrono::seconds(5))
    {
        PortalScreenCast::Options result;
        result.connection = m_bus->connect(QStringLiteral("client-%1").arg(++m_connections));
        result.replyTimeout = std::chrono::seconds(5);
        result.chooserTimeout = chooserTimeout;
        result.settleWait = std::chrono::seconds(8);
        result.firstFrameWait = std::chrono::milliseconds(100);
        return result;
    }

    FakePortalService::Script grantingScript() const
    {
        FakePortalService::Script script;
        script.streams = {{41, QPoint(0, 0), QSize(1920, 1080)}};
        script.remoteFd = m_remote.fds[0];
        return script;
    }

    // A granting script whose Screenshot answers with a picture written into the folder.
    FakePortalService::Script grantingScriptWithScreenshot(const QTemporaryDir &folder) const
    {
        const QString file = folder.filePath(QStringLiteral("Screenshot.png"));
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::green);
        picture.save(file);
        FakePortalService::Script script = grantingScript();
        script.screenshotUri = QUrl::fromLocalFile(file).toString();
        return script;
    }

    static void waitWhileStarting(const PortalScreenCast &portal)
    {
        QTRY_VERIFY_WITH_TIMEOUT(portal.snapshot().phase != Phase::Starting, 10000);
    }

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        ZUV_REQUIRE_ENVIRONMENT(m_bus->problem());
    }

    void cleanup() { m_bus.reset(); }

    void startAnswers_data()
    {
        QTest::addColumn<Answer>("createSession");
        QTest::addColumn<Answer>("selectSources");
        QTest::addColumn<Answer>("start");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<int>("closedRequests");

        const Answer ok;
        QTest::newRow("granted") << ok << ok << ok << true << 0;
        QTest::newRow("chooser cancelled") << ok << ok << Answer{1u} << false << 0;
        QTest::newRow("chooser failed") << ok << ok << Answer{2u} << false << 0;
        QTest::newRow("chooser never answered") << ok << ok << Answer{std::nullopt} << false << 1;
        QTest::newRow("session refused") << Answer{0u, true} << ok << ok << false << 0;
        QTest::newRow("session failed") << Answer{2u} << ok << ok << false << 0;
        QTest::newRow("sources refused") << ok << Answer{0u, true} << ok << false << 0;
    }

    void startAnswers()
    {
        QFETCH(Answer, createSession);
        QFETCH(Answer, selectSources);
        QFETCH(Answer, start);
        QFETCH(bool, granted);
        QFETCH(int, closedRequests);

        FakePortalService::Script script = grantingScript();
        // Without a Screenshot portal to fall back to, the cast's own answer decides.
        script.offerScreenshot = false;
        script.createSession = createSession;
        script.selectSources = selectSources;
        script.start = start;
        FakePortalService portal(m_bus->address(), script);
        QVERIFY(portal.isRegistered());
        PortalScreenCast screenCast(options(std::chrono::milliseconds(500)));

        // Nothing granted yet: the request answers at once and asks the desktop in the
        // background.
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!screenCast.canCaptureScreen());
        QVERIFY(screenCast.requestGrant());
        QVERIFY(timer.elapsed() < 200);
        waitWhileStarting(screenCast);

        QCOMPARE(screenCast.snapshot().phase, granted ? Phase::Active : Phase::Denied);
        QCOMPARE(portal.closedRequests().size(), closedRequests);
        // The capture thread's view agrees, and a denied grant never makes it wait.
        PortalDisplayCaptureBackend backend(
            std::shared_ptr<PortalScreenCast>(&screenCast, [](PortalScreenCast *) {}), {});
        timer.restart();
        const DisplayList list = backend.listDisplays();
        QCOMPARE(list.status,
                 granted ? DisplayCaptureStatus::Ok : DisplayCaptureStatus::AccessDenied);
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(screenCast.canCaptureScreen(), granted);
    }

    void grantedSessionListsItsStreams()
    {
        FakePortalService::Script script = grantingScript();
        script.streams = {{41, QPoint(0, 0), QSize(1920, 1080)},
                          {42, QPoint(1920, 0), QSize(1280, 1024)},
                          {43, std::nullopt, QSize(800, 600)}};
        script.newRestoreToken = QStringLiteral("token-1");
        FakePortalService portal(m_bus->address(), script);
        SettingsStore settings{QString()};
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        screenCast->setRestoreTokenStore(&settings);
        screenCast->requestGrant();
        waitWhileStarting(*screenCast);

        QCOMPARE(portal.calls().filter(
                     QRegularExpression(QStringLiteral("^(Create|Select|Start|Open)"))),
                 QStringList({QStringLiteral("CreateSession"), QStringLiteral("SelectSources"),
                              QStringLiteral("Start"), QStringLiteral("OpenPipeWireRemote")}));
        const QVariantMap sources = portal.optionsOf(QStringLiteral("SelectSources"));
        QCOMPARE(sources.value(QStringLiteral("types")).toUInt(), 1u);
        QCOMPARE(sources.value(QStringLiteral("multiple")).toBool(), true);
        QCOMPARE(sources.value(QStringLiteral("persist_mode")).toUInt(), 2u);
        QCOMPARE(sources.value(QStringLiteral("cursor_mode")).toUInt(), 1u);
        QVERIFY(!sources.contains(QStringLiteral("restore_token")));
        QCOMPARE(settings.string(tokenKey), QStringLiteral("token-1"));

        PortalDisplayCaptureBackend backend(screenCast, {});
        const DisplayList list = backend.listDisplays();
        QCOMPARE(list.status, DisplayCaptureStatus::Ok);
        QList<QRect> geometries;
        for (const DisplayInfo &display : list.displays)
            geometries.append(display.geometry);
        // The stream without a position goes right of the others, so no two share a rectangle.
        QCOMPARE(geometries, QList<QRect>({QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024),
                                           QRect(3200, 0, 800, 600)}));
        // A remote that sends nothing gives no frame, after the short wait only.
        QCOMPARE(backend.captureDisplay(list.displays.first()).status,
                 DisplayCaptureStatus::NoFrame);
        QCOMPARE(
            backend.captureDisplay(DisplayInfo{QStringLiteral("gone"), QRect(0, 0, 5, 5)}).status,
            DisplayCaptureStatus::NoFrame);
        QVERIFY(backend.probeOnePixel());
    }

    void restoreToken_data()
    {
        QTest::addColumn<uint>("version");
        QTest::addColumn<Answer>("start");
        QTest::addColumn<QString>("newToken");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<QString>("storedAfter");

        QTest::newRow("restored, next token kept")
            << 4u << Answer{} << QStringLiteral("new") << true << true << QStringLiteral("new");
        QTest::newRow("restored, no next token")
            << 4u << Answer{} << QString() << true << true << QString();
        QTest::newRow("refused: the spent token goes")
            << 4u << Answer{1u} << QString() << true << false << QString();
        QTest::newRow("portal without tokens keeps it")
            << 3u << Answer{} << QString() << false << true << QStringLiteral("old");
    }

    void restoreToken()
    {
        QFETCH(uint, version);
        QFETCH(Answer, start);
        QFETCH(QString, newToken);
        QFETCH(bool, passed);
        QFETCH(bool, granted);
        QFETCH(QString, storedAfter);

        FakePortalService::Script script = grantingScript();
        script.screenCastVersion = version;
        script.start = start;
        script.newRestoreToken = newToken;
        FakePortalService portal(m_bus->address(), script);
        SettingsStore settings{QString()};
        settings.setString(tokenKey, QStringLiteral("old"));
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        screenCast->setRestoreTokenStore(&settings);

        // An earlier grant counts at once on the GUI thread's check; the capture restores it.
        QCOMPARE(screenCast->canCaptureScreen(), true);
        QCOMPARE(screenCast->ensureActive(), granted);
        const QVariantMap sources = portal.optionsOf(QStringLiteral("SelectSources"));
        QCOMPARE(sources.value(QStringLiteral("restore_token")).toString(),
                 passed ? QStringLiteral("old") : QString());
        QCOMPARE(sources.contains(QStringLiteral("persist_mode")), version >= 4);
        QCOMPARE(screenCast->snapshot().phase == Phase::Active, granted);
        QCOMPARE(settings.string(tokenKey).value_or(QString()), storedAfter);
    }

    void captureThreadRestoresFromTheToken()
    {
        FakePortalService::Script script = grantingScript();
        script.newRestoreToken = QStringLiteral("next");
        FakePortalService portal(m_bus->address(), script);
        SettingsStore settings{QString()};
        settings.setString(tokenKey, QStringLiteral("old"));
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        screenCast->setRestoreTokenStore(&settings);
        PortalDisplayCaptureBackend backend(screenCast, {});

        // No GUI-thread check ran: the capture's own probe restores the session and waits for it.
        QVERIFY(backend.probeOnePixel());
        QCOMPARE(backend.listDisplays().displays.size(), 1);
        QCOMPARE(settings.string(tokenKey), QStringLiteral("next"));
    }

    void captureThreadNeverShowsTheChooser()
    {
        FakePortalService portal(m_bus->address(), grantingScript());
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        PortalDisplayCaptureBackend backend(screenCast, {});
        QVERIFY(!backend.probeOnePixel());
        QCOMPARE(backend.listDisplays().status, DisplayCaptureStatus::AccessDenied);
        QVERIFY(!portal.calls().contains(QStringLiteral("CreateSession")));
    }

    void desktopEndingTheSessionEndsTheGrant()
    {
        FakePortalService portal(m_bus->address(), grantingScript());
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        screenCast->requestGrant();
        waitWhileStarting(*screenCast);
        QCOMPARE(screenCast->snapshot().phase, Phase::Active);

        portal.closeSessionFromDesktop();
        QTRY_COMPARE(screenCast->snapshot().phase, Phase::Idle);
        PortalDisplayCaptureBackend backend(screenCast, {});
        QCOMPARE(backend.listDisplays().status, DisplayCaptureStatus::AccessDenied);
    }

    void noPortalOnTheBus()
    {
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        QVERIFY(!screenCast->canCaptureScreen());
        QTRY_COMPARE(screenCast->snapshot().method, PortalScreenCast::Method::None);
        PortalDisplayCaptureBackend backend(screenCast, {});
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!backend.probeOnePixel());
        QCOMPARE(backend.listDisplays().status, DisplayCaptureStatus::AccessDenied);
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!screenCast->canCaptureScreen());
        // Nothing could ask: "Open" says so rather than pretending.
        QVERIFY(!screenCast->requestGrant());
    }

    void checksNeverAskTheDesktop_data()
    {
        QTest::addColumn<bool>("offerScreenCast");
        QTest::addColumn<QString>("grantCall");
        // Screenshots count as allowed until one is refused: nothing tells without taking one.
        QTest::addColumn<bool>("grantedUnasked");
        QTest::newRow("screen cast") << true << QStringLiteral("CreateSession") << false;
        QTest::newRow("screenshot only") << false << QStringLiteral("Screenshot") << true;
    }

    // Checks come at launch, from the popover, on "Check Again" and at every tray click: only
    // the person's "Open" may bring up the desktop's dialog, and its answer is announced.
    void checksNeverAskTheDesktop()
    {
        QFETCH(bool, offerScreenCast);
        QFETCH(QString, grantCall);
        QFETCH(bool, grantedUnasked);
        QTemporaryDir folder;
        FakePortalService::Script script = grantingScriptWithScreenshot(folder);
        script.offerScreenCast = offerScreenCast;
        FakePortalService portal(m_bus->address(), script);
        std::atomic<int> announced = 0;
        PortalScreenCast::Options withAnnouncer = options();
        withAnnouncer.grantChanged = [&announced] {
            ++announced;
        };
        PortalScreenCast screenCast(withAnnouncer);

        for (int check = 0; check < 4; ++check)
            QVERIFY(!screenCast.canCaptureScreen());
        // What the portal offers becomes known, and is announced, without asking for anything.
        QTRY_VERIFY(screenCast.snapshot().method != PortalScreenCast::Method::Unknown);
        QTRY_COMPARE(announced.load(), 1);
        QCOMPARE(screenCast.canCaptureScreen(), grantedUnasked);
        QVERIFY2(!portal.calls().contains(grantCall), qPrintable(portal.calls().join(u',')));

        QVERIFY(screenCast.requestGrant());
        QTRY_VERIFY(screenCast.canCaptureScreen());
        QTRY_COMPARE(announced.load(), 2);
        QCOMPARE(portal.calls().count(grantCall), 1);
    }

    void failingScreenCastFallsBackToScreenshot_data()
    {
        QTest::addColumn<Answer>("start");
        QTest::addColumn<bool>("fallsBack");
        QTest::newRow("cast failed") << Answer{2u} << true;
        QTest::newRow("cast cancelled by the person") << Answer{1u} << false;
    }

    // wlroots' portal without a GPU accepts the cast, then fails it for want of a buffer format;
    // its Screenshot interface works.
    void failingScreenCastFallsBackToScreenshot()
    {
        QFETCH(Answer, start);
        QFETCH(bool, fallsBack);
        QTemporaryDir folder;
        FakePortalService::Script script = grantingScriptWithScreenshot(folder);
        script.start = start;
        FakePortalService portal(m_bus->address(), script);
        PortalScreenCast screenCast(options());

        QVERIFY(screenCast.requestGrant());
        QTRY_VERIFY(portal.calls().contains(QStringLiteral("Start")));
        if (!fallsBack) {
            waitWhileStarting(screenCast);
            QCOMPARE(screenCast.snapshot().phase, Phase::Denied);
            QVERIFY(!portal.calls().contains(QStringLiteral("Screenshot")));
            QVERIFY(!screenCast.canCaptureScreen());
            return;
        }
        QTRY_VERIFY(screenCast.canCaptureScreen());
        QCOMPARE(screenCast.snapshot().method, PortalScreenCast::Method::Screenshot);
        QCOMPARE(screenCast.detectOffer().method, PortalScreenCast::Method::Screenshot);
        QCOMPARE(portal.calls().count(QStringLiteral("Screenshot")), 1);
    }

    void aFailedScreenCastIsRememberedOnItsDesktop_data()
    {
        QTest::addColumn<QString>("nextDesktop");
        QTest::addColumn<bool>("castTriedAgain");
        QTest::newRow("the same desktop goes to screenshots at once")
            << QStringLiteral("sway") << false;
        QTest::newRow("another desktop tries the cast") << QStringLiteral("GNOME") << true;
    }

    // Without the memory every launch asked for a cast that could not deliver, and showed the
    // screen as refused until the person pressed Open again.
    void aFailedScreenCastIsRememberedOnItsDesktop()
    {
        QFETCH(QString, nextDesktop);
        QFETCH(bool, castTriedAgain);
        QTemporaryDir folder;
        SettingsStore settings{QString()};
        FakePortalService::Script script = grantingScriptWithScreenshot(folder);
        script.start = Answer{2u};
        {
            FakePortalService portal(m_bus->address(), script);
            PortalScreenCast::Options first = options();
            first.desktopName = QStringLiteral("sway");
            PortalScreenCast screenCast(first);
            screenCast.setRestoreTokenStore(&settings);
            QVERIFY(screenCast.requestGrant());
            QTRY_COMPARE(screenCast.snapshot().method, PortalScreenCast::Method::Screenshot);
        }

        // The portal's picture is the taker's to remove: the next launch gets a new one.
        script.screenshotUri = grantingScriptWithScreenshot(folder).screenshotUri;
        FakePortalService portal(m_bus->address(), script);
        PortalScreenCast::Options next = options();
        next.desktopName = nextDesktop;
        PortalScreenCast screenCast(next);
        screenCast.setRestoreTokenStore(&settings);
        QCOMPARE(screenCast.detectOffer().method, castTriedAgain
                                                      ? PortalScreenCast::Method::ScreenCast
                                                      : PortalScreenCast::Method::Screenshot);
        if (!castTriedAgain) {
            // Granted until a screenshot is refused, and the first capture takes one.
            QVERIFY(screenCast.canCaptureScreen());
            QVERIFY(!screenCast.takeScreenshot().isNull());
            QVERIFY(!portal.calls().contains(QStringLiteral("CreateSession")));
        }
    }

    void screenshotPortalIsCutPerScreen_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("granted");
        QTest::newRow("taken") << Answer{} << true;
        QTest::newRow("cancelled") << Answer{1u} << false;
        QTest::newRow("failed") << Answer{2u} << false;
    }

    void screenshotPortalIsCutPerScreen()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, granted);

        // Two screens side by side, 100x50 and 60x50, in a composite at twice their size.
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("Screenshot.png"));
        QImage composite(320, 100, QImage::Format_RGB32);
        QPainter painter(&composite);
        painter.fillRect(0, 0, 200, 100, Qt::red);
        painter.fillRect(200, 0, 120, 100, Qt::blue);
        painter.end();
        QVERIFY(composite.save(file));

        FakePortalService::Script script;
        script.offerScreenCast = false;
        script.screenshot = answer;
        script.screenshotUri = QUrl::fromLocalFile(file).toString();
        FakePortalService portal(m_bus->address(), script);
        auto screenCast = std::make_shared<PortalScreenCast>(options());
        const QList<DisplayInfo> screens{{QStringLiteral("A"), QRect(0, 0, 100, 50)},
                                         {QStringLiteral("B"), QRect(100, 0, 60, 50)}};
        PortalDisplayCaptureBackend backend(screenCast, [screens] { return screens; });

        QCOMPARE(backend.probeOnePixel(), granted);
        QCOMPARE(portal.optionsOf(QStringLiteral("Screenshot"))
                     .value(QStringLiteral("interactive"))
                     .toBool(),
                 false);
        const DisplayList list = backend.listDisplays();
        QCOMPARE(list.displays, screens);
        const DisplayFrame left = backend.captureDisplay(screens[0]);
        const DisplayFrame right = backend.captureDisplay(screens[1]);
        if (!granted) {
            QCOMPARE(left.status, DisplayCaptureStatus::AccessDenied);
            QVERIFY(QFile::exists(file));
            // Refused once: the check says so from then on.
            QVERIFY(!screenCast->canCaptureScreen());
            return;
        }
        QCOMPARE(portal.calls().count(QStringLiteral("Screenshot")), 1);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(left.image.size(), QSize(200, 100));
        QCOMPARE(right.image.size(), QSize(120, 100));
        QCOMPARE(left.image.pixelColor(199, 99), QColor(Qt::red));
        QCOMPARE(right.image.pixelColor(0, 0), QColor(Qt::blue));
        QTRY_VERIFY(screenCast->canCaptureScreen());
    }
};

QTEST_GUILESS_MAIN(TestPortalScreenCast)
#include "TestPortalScreenCast.moc"
