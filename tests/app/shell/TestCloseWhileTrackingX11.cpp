#include "api/KeychainService.h"
#include "app/shell/ApplicationAssembly.h"
#include "app/shell/WalkProcess.h"
#include "app/shell/WindowWalker.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "tracking/engine/SessionManager.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QQuickView>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

// A desktop without a tray, as Debian's GNOME is: the main window is the whole application.
// A person signs in, starts tracking and closes the window to put it away; the assembled
// application over its own data folder, the real keyring and the stand-in service over HTTPS
// must keep tracking, and the service must keep the session open until the person stops it.
class TestCloseWhileTrackingX11 : public QObject
{
    Q_OBJECT

private:
    QString sessionStatus() const
    {
        const QJsonArray sessions = m_standIn.sessions();
        return sessions.size() == 1
                   ? sessions.at(0).toObject().value(QStringLiteral("status")).toString()
                   : QStringLiteral("%1 sessions").arg(sessions.size());
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_X11();
        ZUV_REQUIRE_KEYRING();
        m_input = std::make_unique<XTestInjector>();
        QVERIFY(m_input->isOpen());
        const QString standIn = WalkProcess::useStandIn(m_standIn, "close");
        QVERIFY2(standIn.isEmpty(), qPrintable(standIn));
        KeychainService::shared().deleteAuthTokens();
    }

    void closingTheWindowWhileTrackingKeepsTheSession()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QTemporaryDir dataFolder;
        QVERIFY(dataFolder.isValid());
        qputenv("ZUV_DATA_DIR", QFile::encodeName(dataFolder.path()));
        LogCapture log;
        auto application = std::make_unique<ApplicationAssembly>();
        application->install();
        TrayShell &shell = application->shell();
        QVERIFY2(shell.statusNotifierItem() == nullptr && shell.trayIcon() == nullptr,
                 "a tray was found: the window would only hide");
        SessionManager &engine = *application->context().sessionManager();
        WindowWalker walker(*m_input);
        QQuickView *window = shell.mainWindow();
        walker.setWindow(window);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));

        QVERIFY2(walker.waitForItem(QStringLiteral("signInScreen")), qPrintable(walker.shown()));
        QVERIFY(
            walker.typeInto(QStringLiteral("emailField"), StandInService::demoEmail().toUtf8()));
        QVERIFY(walker.typeInto(QStringLiteral("passwordField"),
                                StandInService::demoPassword().toUtf8()));
        QVERIFY(walker.clickInView(QStringLiteral("loginButton")));
        QVERIFY2(walker.waitForItem(QStringLiteral("trackerIdleView")), qPrintable(walker.shown()));
        QVERIFY2(walker.click(QStringLiteral("startTrackingButton")), qPrintable(walker.shown()));
        QTRY_VERIFY_WITH_TIMEOUT(engine.isTracking(), WindowWalker::defaultTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(sessionStatus(), QStringLiteral("active"),
                                  WindowWalker::defaultTimeoutMs);

        // Put away: minimized, still in the desktop's window list, still tracking.
        WindowWalker::requestClose(window);
        QTRY_VERIFY(window->windowStates() & Qt::WindowMinimized);
        QTest::qWait(3000);
        QVERIFY(engine.isTracking());
        QCOMPARE(sessionStatus(), QStringLiteral("active"));
        QVERIFY(shell.mainWindow() == window);
        QVERIFY(log.contains(QStringLiteral("Main window closed while tracking; minimized")));

        // Brought back (as a second launch does through the single-instance guard), stopped:
        // only now does the service hear that the session ended.
        shell.showMainWindow(true);
        QTRY_VERIFY(!(window->windowStates() & Qt::WindowMinimized) && window->isExposed());
        QVERIFY2(walker.click(QStringLiteral("stopButton")), qPrintable(walker.shown()));
        QTRY_VERIFY_WITH_TIMEOUT(!engine.isTracking(), WindowWalker::defaultTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(sessionStatus(), QStringLiteral("completed"),
                                  WindowWalker::defaultTimeoutMs);
        application.reset();
    }

private:
    std::unique_ptr<XTestInjector> m_input;
    StandInService m_standIn;
};

QTEST_MAIN(TestCloseWhileTrackingX11)
#include "TestCloseWhileTrackingX11.moc"
