#include "api/AuthTokens.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/SettingsStore.h"
#include "support/KeyringItem.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

// The demo signs in to an item of its own: a real installation's sign-in in the same keyring is
// neither read, replaced nor removed, and where the desktop's keyring would ask for its password
// the demo gets a private, unlocked one instead of waiting on a prompt.
class TestDemoKeyring : public QObject
{
    Q_OBJECT

private:
    QProcessEnvironment demoEnvironment(const QString &dataFolder) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZUV_API_BASE_URL"), m_standIn.baseUrl().toString());
        environment.insert(QStringLiteral("ZUV_EXTRA_CA_CERTIFICATES"),
                           m_standIn.caCertificatePath());
        environment.insert(QStringLiteral("ZUV_DATA_DIR"), dataFolder);
        environment.insert(QString::fromLatin1(KeychainService::serviceEnvironmentVariable),
                           m_demoService);
        return environment;
    }

    static QByteArray run(QProcess &process, const QString &program, const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(60000))
            return QByteArrayLiteral("did not finish");
        return process.readAll();
    }

    static AuthTokens realInstallationTokens()
    {
        const Timestamp farAhead = Timestamp::fromSecondsSince1970(4102444800.0);
        return AuthTokens{QStringLiteral("real-access"),
                          QStringLiteral("real-refresh"),
                          farAhead,
                          farAhead,
                          QStringLiteral("2100-01-01T00:00:00Z"),
                          QStringLiteral("2100-01-01T00:00:00Z")};
    }

    StandInService m_standIn;
    QString m_demoService;
    QString m_realService = QString::fromLatin1(KeychainService::serviceName);
    std::optional<AuthTokens> m_realBefore;

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_KEYRING();
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        // Only in the test session's own keyring is a real item written; elsewhere the real
        // sign-in that may exist is only compared.
        m_realBefore = keyringItemTokens(m_realService);
        if (!m_realBefore && qEnvironmentVariable("ZUV_KEYRING_READY") == QLatin1String("1")) {
            KeychainService(m_realService).saveAuthTokens(realInstallationTokens());
            KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1));
            m_realBefore = realInstallationTokens();
        }
    }

    void init()
    {
        QVERIFY(m_standIn.reset());
        m_demoService = QLatin1String(KeychainService::serviceName) + QStringLiteral(".demo-") +
                        QUuid::createUuid().toString(QUuid::WithoutBraces);
    }

    void cleanup() { removeKeyringItem(m_demoService); }

    void cleanupTestCase()
    {
        if (m_realBefore && m_realBefore->accessToken == realInstallationTokens().accessToken)
            removeKeyringItem(m_realService);
    }

    void theDemoSignsInToAnItemOfItsOwn()
    {
        QTemporaryDir data;
        QProcess demo;
        demo.setProcessEnvironment(demoEnvironment(data.path()));
        const QByteArray output =
            run(demo, QStringLiteral(ZUV_DEMO_SIGN_IN_PATH),
                {StandInService::demoEmail(), StandInService::demoPassword()});
        QVERIFY2(output.contains("Signed in as"), output.constData());
        QVERIFY2(!output.contains("No keyring here"), output.constData());
        // The application restored over this sign-in can start tracking at once: the company's
        // configuration is cached for it, under its own company and employee.
        SettingsStore settings(
            QDir(data.path()).filePath(QString::fromLatin1(SettingsStore::defaultFileName)));
        const QString domainKey = DomainStorage(settings).partitionKey();
        QVERIFY(!domainKey.isEmpty());
        QVERIFY(RemoteConfigService::readCacheFile(
                    QDir(data.path()).filePath(QString::fromLatin1(RemoteConfigService::fileName)),
                    domainKey)
                    .has_value());

        const std::optional<AuthTokens> demoTokens = keyringItemTokens(m_demoService);
        QVERIFY(demoTokens.has_value());
        const std::optional<AuthTokens> real = keyringItemTokens(m_realService);
        QCOMPARE(real.has_value(), m_realBefore.has_value());
        if (real) {
            QCOMPARE(real->accessToken, m_realBefore->accessToken);
            QVERIFY(real->accessToken != demoTokens->accessToken);
        }
    }

    void withoutAnUnlockedDesktopKeyringTheDemoGetsAPrivateOne()
    {
        QTemporaryDir data;
        QTemporaryDir keyring;
        QProcessEnvironment environment = demoEnvironment(data.path());
        // As under xvfb-run on a fresh machine: no session bus to find a keyring on.
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        QProcess demo;
        demo.setProcessEnvironment(environment);
        const QByteArray output =
            run(demo, QStringLiteral(ZUV_DEMO_KEYRING_SCRIPT),
                {keyring.path(), QStringLiteral(ZUV_DEMO_SIGN_IN_PATH), StandInService::demoEmail(),
                 StandInService::demoPassword()});
        QVERIFY2(output.contains("Signed in as"), output.constData());
        // Remembered in a keyring that needed no prompt, and that keyring is not the session's.
        QVERIFY2(!output.contains("No keyring here"), output.constData());
        QVERIFY(!keyringItemTokens(m_demoService).has_value());
        QVERIFY(!QDir(keyring.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDemoKeyring)
#include "TestDemoKeyring.moc"
