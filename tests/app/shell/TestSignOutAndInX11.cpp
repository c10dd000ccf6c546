#include "api/KeychainService.h"
#include "app/shell/ApplicationAssembly.h"
#include "app/shell/FakeTrayHost.h"
#include "app/shell/WalkProcess.h"
#include "app/shell/WindowWalker.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "ui/design/WD.h"
#include "ui/design/WDPalette.h"

#include <QElapsedTimer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

namespace {

const QString logoutPath = QStringLiteral("authentication/logout");
const QString loginPath = QStringLiteral("authentication/singleLogin");
const QString recoveryPath = QStringLiteral("authentication/password/recovery");
constexpr int rounds = 20;
// Long enough for a person to click and type on the sign-in screen while the logout is out.
constexpr int logoutDelayMs = 1500;

} // namespace

// Signing out from the settings and back in, again and again, as a person does it in a hurry:
// the assembled application over its own data folder, the real keyring and the stand-in service
// over HTTPS, driven by XTest clicks and keys in the main window. While each sign-out is under
// way and right after it, the sign-in screen is clicked and typed into; every sign-in after it
// must reach the service and succeed.
class TestSignOutAndInX11 : public QObject
{
    Q_OBJECT

private:
    bool confirmLogout(WindowWalker &walker)
    {
        if (!walker.click(QStringLiteral("mainTabSettings")) ||
            !walker.waitForItem(QStringLiteral("logoutButton")))
            return false;
        // The button is enabled once the sign-in has settled; a press that lands while the tab
        // still moves is pressed again, as a person would.
        const auto enabled = [&walker] {
            const QQuickItem *button = walker.visibleItem(QStringLiteral("logoutButton"));
            return button && button->isEnabled();
        };
        if (!QTest::qWaitFor(enabled, WindowWalker::defaultTimeoutMs))
            return false;
        bool asked = false;
        for (int press = 0; press < 3 && !asked; ++press) {
            asked = walker.clickInView(QStringLiteral("logoutButton")) &&
                    QTest::qWaitFor(
                        [&walker] { return walker.visibleItem(QStringLiteral("logoutConfirm")); },
                        3000);
        }
        if (!asked || !walker.bringIntoView(QStringLiteral("logoutConfirm")))
            return false;
        const QQuickItem *box = walker.visibleItem(QStringLiteral("logoutConfirm"));
        for (QQuickItem *candidate : walker.visibleItems(QStringLiteral("confirmButton"))) {
            if (box->isAncestorOf(candidate))
                return walker.clickAt(WindowWalker::screenCentre(*candidate));
        }
        return false;
    }

    // Keys while the sign-out runs, with the script engine collecting its garbage and, in every
    // other round, a new palette drawing every screen afresh; then clicks and keys on the sign-in
    // screen's fields as soon as it shows, a password too short, and the recovery screen.
    void pokeWhileSigningOut(WindowWalker &walker, ApplicationAssembly &app, int round)
    {
        const AppStateManager *state = app.context().appState();
        QQmlEngine *scripts = app.shell().mainWindow()->engine();
        QElapsedTimer elapsed;
        elapsed.start();
        while (state->isAuthenticated() && elapsed.elapsed() < logoutDelayMs * 4) {
            m_input->typeText("x");
            scripts->collectGarbage();
            QTest::qWait(50);
        }
        if (round % 2 == 0)
            WD::setPalette(WDPalette::all().at(round / 2 % WDPalette::all().size()));
        QVERIFY2(walker.waitForItem(QStringLiteral("passwordField")), qPrintable(walker.shown()));
        QVERIFY(walker.click(QStringLiteral("passwordField")));
        m_input->typeText("ab");
        m_input->keyTap(XK_Return);
        scripts->collectGarbage();
        QVERIFY(walker.click(QStringLiteral("emailField")));
        m_input->typeText("c");
        askForResetLink(walker, round);
    }

    // The recovery screen takes the sign-in screen's service too: its request must go out.
    void askForResetLink(WindowWalker &walker, int round)
    {
        const qsizetype sent =
            m_standIn.receivedRequests(QStringLiteral("POST"), recoveryPath).size();
        QVERIFY(walker.click(QStringLiteral("forgotPasswordLink")));
        QVERIFY2(walker.waitForItem(QStringLiteral("sendButton")), qPrintable(walker.shown()));
        QVERIFY(
            walker.typeInto(QStringLiteral("emailField"), StandInService::demoEmail().toUtf8()));
        QVERIFY(walker.click(QStringLiteral("sendButton")));
        QTRY_COMPARE_WITH_TIMEOUT(
            m_standIn.receivedRequests(QStringLiteral("POST"), recoveryPath).size(), sent + 1,
            WindowWalker::defaultTimeoutMs);
        QTRY_VERIFY2_WITH_TIMEOUT(walker.textOf(QStringLiteral("statusLine"))
                                      .startsWith(QStringLiteral("A reset link has been sent")),
                                  qPrintable(QStringLiteral("round %1: %2")
                                                 .arg(round)
                                                 .arg(walker.textOf(QStringLiteral("statusLine")))),
                                  WindowWalker::defaultTimeoutMs);
        QVERIFY(walker.click(QStringLiteral("backButton")));
        QVERIFY2(walker.waitForItem(QStringLiteral("passwordField")), qPrintable(walker.shown()));
    }

    void signIn(WindowWalker &walker, int round)
    {
        const qsizetype sent = m_standIn.receivedRequests(QStringLiteral("POST"), loginPath).size();
        // A hurried click may have opened the card for people without an account; it is closed
        // as a person would close it.
        if (walker.visibleItem(QStringLiteral("noAccountCard")))
            QVERIFY(walker.click(QStringLiteral("noAccountClose")));
        QTRY_VERIFY(!walker.visibleItem(QStringLiteral("noAccountCard")));
        QVERIFY(
            walker.typeInto(QStringLiteral("emailField"), StandInService::demoEmail().toUtf8()));
        QVERIFY(walker.typeInto(QStringLiteral("passwordField"),
                                StandInService::demoPassword().toUtf8()));
        QVERIFY(walker.clickInView(QStringLiteral("loginButton")));
        QVERIFY2(walker.waitForItem(QStringLiteral("signedInLayout")),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(walker.shown())));
        QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), loginPath).size(), sent + 1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_X11();
        ZUV_REQUIRE_KEYRING();
        m_input = std::make_unique<XTestInjector>();
        QVERIFY(m_input->isOpen());
        const QString standIn = WalkProcess::useStandIn(m_standIn, "signout");
        QVERIFY2(standIn.isEmpty(), qPrintable(standIn));
        KeychainService::shared().deleteAuthTokens();
    }

    void signOutAndInAgain()
    {
        QTemporaryDir dataFolder;
        QVERIFY(dataFolder.isValid());
        qputenv("ZUV_DATA_DIR", QFile::encodeName(dataFolder.path()));
        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        QVERIFY(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

        auto application = std::make_unique<ApplicationAssembly>();
        application->install();
        WindowWalker walker(*m_input);
        walker.setWindow(application->shell().mainWindow());
        QVERIFY(walker.window() && QTest::qWaitForWindowExposed(walker.window()));
        QVERIFY2(walker.waitForItem(QStringLiteral("signInScreen")), qPrintable(walker.shown()));
        signIn(walker, 0);
        if (QTest::currentTestFailed())
            return;

        for (int round = 1; round <= rounds; ++round) {
            QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), logoutPath, logoutDelayMs));
            QVERIFY2(confirmLogout(walker), qPrintable(walker.shown()));
            pokeWhileSigningOut(walker, *application, round);
            if (QTest::currentTestFailed())
                return;
            signIn(walker, round);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), logoutPath).size(), rounds);
        application.reset();
    }

private:
    std::unique_ptr<XTestInjector> m_input;
    StandInService m_standIn;
};

QTEST_MAIN(TestSignOutAndInX11)
#include "TestSignOutAndInX11.moc"
