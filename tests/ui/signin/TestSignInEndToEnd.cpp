#include "SignInLaunch.h"

#include "support/KeyringItem.h"
#include "support/TestEnvironment.h"

#include <QUuid>
#include <QtTest>

// A person signing in with each demo account through the sign-in screen's model, against the
// stand-in service over HTTPS, with the sign-in kept in the real keyring.
class TestSignInEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_KEYRING();
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void init()
    {
        QVERIFY(m_standIn.reset());
        m_keyringService = QLatin1String(KeychainService::serviceName) + QStringLiteral(".test-") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces);
    }

    void cleanup()
    {
        removeKeyringItem(m_keyringService);
        QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    }

    void directAccount()
    {
        SignInLaunch launch(m_keyringService, m_standIn.caCertificatePath());
        launch.submit(StandInService::demoEmail());
        QTRY_COMPARE_WITH_TIMEOUT(launch.root.route(), RootViewModel::Route::SignedIn, 20000);
        QVERIFY(launch.keychain.remembersSignIn());
        QVERIFY(launch.rig.appState->remoteConfig().has_value());
        QCOMPARE(launch.model.errorMessage(), QString());
    }

    void oneTimeCodeAccount()
    {
        SignInLaunch launch(m_keyringService, m_standIn.caCertificatePath());
        launch.submit(StandInService::otpEmail());
        QTRY_COMPARE_WITH_TIMEOUT(launch.model.phase(), LoginViewModel::Phase::Otp, 20000);
        QCOMPARE(launch.model.otpEmail(), StandInService::otpEmail());

        launch.model.performVerifyOtp(QStringLiteral("000000"));
        QTRY_COMPARE_WITH_TIMEOUT(launch.model.otpErrorMessage().isEmpty(), false, 20000);
        QVERIFY(launch.root.route() != RootViewModel::Route::SignedIn);

        launch.model.performVerifyOtp(StandInService::defaultOtpCode());
        QTRY_COMPARE_WITH_TIMEOUT(launch.root.route(), RootViewModel::Route::SignedIn, 20000);
        QVERIFY(launch.keychain.remembersSignIn());
    }

    void threeCompanyAccount()
    {
        SignInLaunch launch(m_keyringService, m_standIn.caCertificatePath());
        launch.submit(StandInService::multiCompanyEmail());
        QTRY_COMPARE_WITH_TIMEOUT(launch.model.phase(), LoginViewModel::Phase::CompanySelection,
                                  20000);
        QCOMPARE(launch.model.companies().size(), 3);
        QVERIFY(launch.keychain.remembersSignIn());

        const QVariantMap picked = launch.model.companies().last().toMap();
        launch.model.performCompanySelect(2);
        // A second pick while the first is applied is refused.
        launch.model.performCompanySelect(0);
        QTRY_COMPARE_WITH_TIMEOUT(launch.root.route(), RootViewModel::Route::SignedIn, 20000);
        QCOMPARE(launch.defaults.string(QStringLiteral("lastSelectedCompanyEndpoint")),
                 picked.value(QStringLiteral("endpoint")).toString());
        QCOMPARE(launch.domains.getBaseURL(),
                 DomainStorage::buildBaseURL(picked.value(QStringLiteral("endpoint")).toString()));
        QCOMPARE(launch.rig.appState->remoteConfig()->companyName,
                 picked.value(QStringLiteral("name")).toString());
    }

private:
    StandInService m_standIn;
    QString m_keyringService;
};

QTEST_MAIN(TestSignInEndToEnd)
#include "TestSignInEndToEnd.moc"
