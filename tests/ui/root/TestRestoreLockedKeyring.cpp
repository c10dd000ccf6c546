#include "../settings/SettingsRootView.h"
#include "app/shell/ShellTestRig.h"
#include "support/KeyringItem.h"
#include "support/TestEnvironment.h"
#include "ui/root/RootViewModel.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

const QString secretsService = QStringLiteral("org.freedesktop.secrets");

QDBusMessage callBus(const QString &service, const QString &path, const QString &interface,
                     const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

AuthTokens storedTokens()
{
    AuthTokens tokens;
    tokens.accessToken = QStringLiteral("stored-access");
    tokens.refreshToken = QStringLiteral("stored-refresh");
    tokens.expiresAtRaw = QStringLiteral("2027-01-15T08:00:00Z");
    tokens.refreshExpiresAtRaw = QStringLiteral("2027-02-14T08:00:00Z");
    return tokens;
}

} // namespace

// The real gnome-keyring, locked, of a session of this suite's own (it runs in a test session
// nested in the suite's, so locking it disturbs no other suite): reading the saved sign-in shows
// the keyring's unlock prompt, which nobody answers, and the person presses "Sign in instead".
class TestRestoreLockedKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void signInInsteadWhileTheKeyringWaits();

private:
    QString m_service = QStringLiteral("com.wendoka.zuvevivezid.locked-test");
};

void TestRestoreLockedKeyring::initTestCase()
{
    ZUV_REQUIRE_KEYRING();
    KeychainService(m_service).saveAuthTokens(storedTokens());
    QCOMPARE(keyringItemTokens(m_service), storedTokens());

    // The prompt opens on the suite's display, as on a desktop.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QDBusMessage environment = callBus(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"),
        {QVariant::fromValue(
            QMap<QString, QString>{{QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY")}})});
    QCOMPARE(environment.type(), QDBusMessage::ReplyMessage);
    const QDBusMessage alias = callBus(secretsService, QStringLiteral("/org/freedesktop/secrets"),
                                       QStringLiteral("org.freedesktop.Secret.Service"),
                                       QStringLiteral("ReadAlias"), {QStringLiteral("default")});
    QCOMPARE(alias.type(), QDBusMessage::ReplyMessage);
    const QDBusObjectPath collection = qdbus_cast<QDBusObjectPath>(alias.arguments().value(0));
    const QDBusMessage locked =
        callBus(secretsService, QStringLiteral("/org/freedesktop/secrets"),
                QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"),
                {QVariant::fromValue(QList<QDBusObjectPath>{collection})});
    QCOMPARE(locked.type(), QDBusMessage::ReplyMessage);
}

void TestRestoreLockedKeyring::signInInsteadWhileTheKeyringWaits()
{
    ShellTestRig rig(false);
    rig.engine.createManager();
    KeychainService keychain(m_service);
    AppStateManager state(AppStateManager::Dependencies{
        .restoreAuth = AppStateManager::defaultRestoreAuth(keychain, true),
        .probePermissions = [] { return true; },
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = rig.configSource,
        .alerts = rig.alerts,
        .scheduler = rig.scheduler,
        .clock = systemClock(),
    });
    RootViewModel root(
        RootViewModel::Dependencies{state, rig.sessionManager(), rig.random, true, false, {}});
    QQmlEngine engine;
    const auto view = showRootView(engine, root, QSize(340, 600));
    QVERIFY(view);

    // The unlock prompt is up and unanswered: the restore waits on it.
    QTest::qWait(2000);
    QVERIFY(state.isRestoringSession());
    QCOMPARE(root.route(), RootViewModel::Route::Restoring);
    rig.scheduler.advance(8.0);
    QTRY_VERIFY(findViewItem(view->rootObject(), QStringLiteral("signInInsteadButton")));
    QQuickItem *button = findViewItem(view->rootObject(), QStringLiteral("signInInsteadButton"));
    QTRY_VERIFY(button->isVisible());

    QElapsedTimer pressed;
    pressed.start();
    const QPointF centre = button->mapToScene(button->boundingRect().center());
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centre.toPoint());
    QTRY_COMPARE_WITH_TIMEOUT(root.route(), RootViewModel::Route::SignedOut, 1000);
    QVERIFY2(pressed.elapsed() < 1000, qPrintable(QString::number(pressed.elapsed())));

    // The prompt is still up; what the interface asks is answered from memory, and a sign-in
    // made now is what every reader gets.
    QVERIFY(!keychain.getAuthTokens());
    AuthTokens typedIn = storedTokens();
    typedIn.accessToken = QStringLiteral("typed-in-access");
    keychain.saveAuthTokens(typedIn);
    state.setIsAuthenticated(true);
    QCOMPARE(root.route(), RootViewModel::Route::SignedIn);
    QCOMPARE(keychain.getAuthTokens(), typedIn);
    QVERIFY2(pressed.elapsed() < 2000, qPrintable(QString::number(pressed.elapsed())));
}

QTEST_MAIN(TestRestoreLockedKeyring)
#include "TestRestoreLockedKeyring.moc"
