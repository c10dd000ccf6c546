#include "foundation/Log.h"
#include "platform/PlatformServices.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplayCaptureBackend.h"
#include "platform/x11/X11IdleTimeSource.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "tracking/activity/ActivityTracker.h"

#include <QtTest>

#include "PrivateXServer.h"

class TestX11Connection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void protocolErrorIsReportedNotFatal();
    void lostDisplayEndsEveryUserWithoutEndingTheProcess();
};

void TestX11Connection::protocolErrorIsReportedNotFatal()
{
    ZUV_REQUIRE_X11();
    X11Connection connection(lcCapture());
    QVERIFY(connection.isOpen());
    // A rectangle outside the screen is a BadMatch; Xlib's default handler would exit.
    XImage *image = XGetImage(connection.display(), connection.rootWindow(), 100000, 100000, 10, 10,
                              AllPlanes, ZPixmap);
    QVERIFY(!image);
    QCOMPARE(connection.takeProtocolError(), int(BadMatch));
    QCOMPARE(connection.takeProtocolError(), 0);
    QVERIFY(connection.isHealthy());
}

void TestX11Connection::lostDisplayEndsEveryUserWithoutEndingTheProcess()
{
    ZUV_REQUIRE_X11();
    PrivateXServer server;
    const QByteArray name = server.start(640, 480);
    QVERIFY2(!name.isEmpty(), "the suite's own Xvfb did not start");
    DisplayOverride useIt(name);

    ActivityTracker tracker(PlatformServices::createInputEventSource());
    QVERIFY(tracker.start());
    X11IdleTimeSource idle;
    QVERIFY(idle.secondsSinceLastInput().has_value());
    X11DisplayCaptureBackend capture;
    QCOMPARE(capture.listDisplays().status, DisplayCaptureStatus::Ok);

    LogCapture log;
    server.kill();
    QTRY_VERIFY(!tracker.isRunning());
    QVERIFY(!idle.secondsSinceLastInput());
    QCOMPARE(capture.listDisplays().status, DisplayCaptureStatus::AccessDenied);
    QVERIFY(!capture.probeOnePixel());
    QVERIFY(!tracker.start());
    QVERIFY(log.contains(QStringLiteral("Lost the connection to the X display")));
}

QTEST_GUILESS_MAIN(TestX11Connection)
#include "TestX11Connection.moc"
