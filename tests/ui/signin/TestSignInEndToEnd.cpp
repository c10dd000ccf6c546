#include "app/shell/ShellTestRig.h"

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/state/DelayScheduler.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/Clock.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "ui/root/RootViewModel.h"
#include "ui/signin/AuthSignInBackend.h"
#include "ui/signin/LoginViewModel.h"
#include "ui/signin/SignInCompletion.h"

#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {

// The program's sign-in parts over the stand-in service, the real keyring and a real
// configuration cache; the application state and the engine are the shell tests' rig.
struct SignInLaunch
{
    SignInLaunch(const QString &keyringService, const QString &caPath)
        : keychain(keyringService)
        , api(endpoints, keychain, TlsConfiguration::withExtraCertificates(caPath))
        , auth(api, keychain, domains, defaults, reportCache, systemClock())
        , configService(RemoteConfigService::Dependencies{
              api, defaults, domains, systemRandomSource(), systemDelayScheduler(), folder.path()})
        , backend(auth)
        , root(RootViewModel::Dependencies{
              *rig.appState, rig.sessionManager(), rig.random, true, false, {}})
    {
        api.setUnauthorizedHandler(&auth);
        rig.finishRestore(false);
        SignInCompletion::Steps steps;
        steps.switchCompany = [this](const LoginCompany &company) {
            auth.setDomainAndComplete(company);
        };
        steps.fetchRemote = [this] {
            return configService.fetchRemote();
        };
        steps.cachedConfig = [this](const QString &key) {
            return configService.cachedConfig(key);
        };
        steps.setRemoteConfig = [this](const RemoteConfig &c) {
            rig.appState->setRemoteConfig(c);
        };
        steps.evaluateClientVersion = [this](const RemoteConfig &c) {
            rig.appState->evaluateClientVersion(c);
        };
        steps.markAuthenticated = [this] {
            rig.appState->setIsAuthenticated(true);
        };
        steps.applyToEngine = [this](const RemoteConfig &c) {
            rig.sessionManager().applyConfig(c);
        };
        steps.refreshPermissions = [this] {
            rig.appState->setHasRequiredPermissions(true);
        };
        steps.recoverInterruptedSession = [this] {
            rig.sessionManager().recoverInterruptedSessionForCurrentDomain();
        };
        steps.startPeriodicRefresh = [this](SignInCompletion::UpdateHandler handler) {
            configService.startPeriodicRefresh(std::move(handler));
        };
        completion = std::make_unique<SignInCompletion>(std::move(steps), defaults, domains);
        model.setBackend(&backend);
        model.setCompletion(completion.get());
    }

    ~SignInLaunch() { configService.stopPeriodicRefresh(); }

    void submit(const QString &email)
    {
        model.setEmail(email);
        model.setPassword(StandInService::demoPassword());
        model.performLogin();
    }

    ShellTestRig rig;
    QTemporaryDir folder;
    SettingsStore defaults{QString()};
    DomainStorage domains{defaults};
    APIEndpoints endpoints{domains};
    KeychainService keychain;
    APIClient api;
    ScreenshotReportCache reportCache;
    AuthService auth;
    RemoteConfigService configService;
    AuthSignInBackend backend;
    RootViewModel root;
    std::unique_ptr<SignInCompletion> completion;
    LoginViewModel model;
};

} // namespace

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
        KeychainService(m_keyringService).deleteAuthTokens();
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
