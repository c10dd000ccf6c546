#include "api/DomainStorage.h"
#include "api/auth/SignInPreferences.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/SettingsStore.h"
#include "support/LogCapture.h"
#include "ui/signin/LoginViewModel.h"
#include "ui/signin/SignInCompletion.h"

#include <QCoroFuture>
#include <QFuture>
#include <QPromise>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {

template<typename T>
using Pending = std::shared_ptr<QPromise<T>>;

template<typename T>
Pending<T> makePending()
{
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    return promise;
}

template<typename T>
void release(const Pending<T> &promise, T value)
{
    promise->addResult(std::move(value));
    promise->finish();
}

template<typename T>
void fail(const Pending<T> &promise)
{
    promise->setException(std::make_exception_ptr(std::runtime_error("offline")));
    promise->finish();
}

// Every call waits until the test releases its answer.
class FakeBackend : public SignInBackend
{
public:
    struct Call
    {
        QString email;
        QString secret;
        Pending<SingleLoginResult> answer;
    };

    QList<Call> logins;
    QList<Call> codeChecks;
    int resends = 0;
    bool resendFails = false;

    QCoro::Task<SingleLoginResult> login(QString email, QString password) override
    {
        co_return co_await record(logins, email, password);
    }
    QCoro::Task<SingleLoginResult> verifyOtp(QString email, QString otpCode) override
    {
        co_return co_await record(codeChecks, email, otpCode);
    }
    QCoro::Task<> generateOtp(QString) override
    {
        ++resends;
        if (resendFails)
            throw std::runtime_error("offline");
        co_return;
    }
    QCoro::Task<> requestPasswordRecovery(QString) override { co_return; }

private:
    static QFuture<SingleLoginResult> record(QList<Call> &calls, const QString &email,
                                             const QString &secret)
    {
        Call call{email, secret, makePending<SingleLoginResult>()};
        calls.append(call);
        return call.answer->future();
    }
};

RemoteConfig configNamed(const QString &company)
{
    RemoteConfig config;
    config.deviceId = QStringLiteral("device");
    config.companyName = company;
    return config;
}

SingleLoginResult direct()
{
    return {SingleLoginResult::DirectConfig{AuthTokens{}, LoginUser{QStringLiteral("a@b.co"), {}}}};
}

SingleLoginResult otpRequired()
{
    return {
        SingleLoginResult::OtpRequired{QStringLiteral("sent@b.co"), QStringLiteral("user@b.co")}};
}

SingleLoginResult companies()
{
    return {SingleLoginResult::CompanySelection{
        {LoginCompany{QStringLiteral("North"), QStringLiteral("north.example")},
         LoginCompany{QStringLiteral("South"), QStringLiteral("south.example")}},
        QStringLiteral("Anna"),
        AuthTokens{}}};
}

// The application around the completion, recording what is done to it and in which order.
struct Application
{
    QTemporaryDir folder;
    SettingsStore settings{QString()};
    DomainStorage domains{settings};
    QStringList steps;
    // The stored sign-in: moves on with every sign-in the service accepts and every sign-out.
    quint64 signIn = 0;
    QList<Pending<RemoteConfig>> fetches;
    std::optional<RemoteConfig> applied;
    SignInCompletion::UpdateHandler refresh;
    std::unique_ptr<SignInCompletion> completion;

    Application()
    {
        SignInCompletion::Steps hooks;
        hooks.switchCompany = [this](const LoginCompany &company) {
            steps << QStringLiteral("switch ") + company.name;
            const std::optional<QUrl> base = DomainStorage::buildBaseURL(company.endpoint);
            if (!base || !DomainStorage::mayCarryCredentials(*base))
                return false;
            domains.setBaseURL(base);
            return true;
        };
        hooks.fetchRemote = [this]() -> QCoro::Task<RemoteConfig> {
            steps << QStringLiteral("fetch");
            fetches.append(makePending<RemoteConfig>());
            co_return co_await fetches.last()->future();
        };
        hooks.currentSignIn = [this] {
            return signIn;
        };
        hooks.abandonSignIn = [this](bool keepTokens) {
            steps << (keepTokens ? QStringLiteral("forget company") : QStringLiteral("drop"));
            domains.setBaseURL(std::nullopt);
        };
        hooks.cachedConfig = [this](const QString &domainKey) {
            return RemoteConfigService::readCacheFile(cacheFile(), domainKey);
        };
        hooks.setRemoteConfig = [this](const RemoteConfig &config) {
            steps << QStringLiteral("config");
            applied = config;
        };
        hooks.evaluateClientVersion = [this](const RemoteConfig &) {
            steps << QStringLiteral("version");
        };
        hooks.markAuthenticated = [this] {
            steps << QStringLiteral("authenticated");
        };
        hooks.applyToEngine = [this](const RemoteConfig &) {
            steps << QStringLiteral("engine");
        };
        hooks.refreshPermissions = [this] {
            steps << QStringLiteral("permissions");
        };
        hooks.recoverInterruptedSession = [this] {
            steps << QStringLiteral("recover");
        };
        hooks.startPeriodicRefresh = [this](SignInCompletion::UpdateHandler handler) {
            steps << QStringLiteral("refresh");
            refresh = std::move(handler);
        };
        completion = std::make_unique<SignInCompletion>(std::move(hooks), settings, domains);
    }

    QString cacheFile() const { return folder.filePath(QStringLiteral("config.json")); }
};

} // namespace

class TestLoginViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void aSecondSubmitIsDroppedEvenFromAnotherScreen();
    void emailIsTrimmedRememberedAndSentPasswordAsTyped();
    void submitRules_data();
    void submitRules();
    void answersAreRouted();
    void codeCheckAnsweredWithAnotherCodeRequestKeepsTheScreen();
    void completionRunsInOrder();
    void secondCompanyPickWhileTheFirstIsAppliedChangesNothing();
    void cachedConfigurationCountsOnlyForTheSameCompany();
    void refusedCompanyAddressEndsTheSignIn();
    void refreshFetchedBeforeSignOutIsNeverApplied();
    void configurationOfAnEndedSignInIsDropped();
    void destroyedScreenStillCompletesTheSignIn();
    void requestWithoutBackendIsLoggedAndNeverSilent_data();
    void requestWithoutBackendIsLoggedAndNeverSilent();
};

void TestLoginViewModel::cleanup()
{
    // The guard belongs to the process; every case leaves it released.
    QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
}

void TestLoginViewModel::aSecondSubmitIsDroppedEvenFromAnotherScreen()
{
    Application app;
    FakeBackend backend;
    LoginViewModel first;
    LoginViewModel second;
    for (LoginViewModel *model : {&first, &second}) {
        model->setBackend(&backend);
        model->setCompletion(app.completion.get());
        model->setEmail(QStringLiteral("anna@example.com"));
        model->setPassword(QStringLiteral("secret"));
    }
    first.performLogin();
    first.performLogin();
    second.performLogin();
    QCOMPARE(backend.logins.size(), 1);

    const LogCapture log;
    fail(backend.logins.first().answer);
    QTRY_COMPARE(first.errorMessage(),
                 QStringLiteral("Login failed. Check your credentials and connection."));
    // The screen's one sentence hides why; the log does not.
    QVERIFY(log.contains(QStringLiteral("Sign-in request failed: offline")));
    QVERIFY(!first.isLoading());
    QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    second.performLogin();
    QCOMPARE(backend.logins.size(), 2);
    fail(backend.logins.last().answer);
}

void TestLoginViewModel::emailIsTrimmedRememberedAndSentPasswordAsTyped()
{
    Application app;
    FakeBackend backend;
    {
        LoginViewModel model;
        model.setBackend(&backend);
        model.setCompletion(app.completion.get());
        model.setEmail(QStringLiteral(" \n anna@example.com\t"));
        model.setPassword(QStringLiteral(" pass word "));
        model.performLogin();
        QCOMPARE(backend.logins.size(), 1);
        QCOMPARE(backend.logins.first().email, QStringLiteral("anna@example.com"));
        QCOMPARE(backend.logins.first().secret, QStringLiteral(" pass word "));
        fail(backend.logins.first().answer);
        QTRY_VERIFY(!LoginViewModel::isLoginInProgress());

        // An empty address fails the checks, but it is remembered all the same.
        model.setEmail(QStringLiteral("  "));
        model.performLogin();
        QCOMPARE(model.errorMessage(), QStringLiteral("Email cannot be empty."));
        QCOMPARE(backend.logins.size(), 1);
        QCOMPARE(app.settings.string(QString::fromUtf8(RememberedLoginStorage::emailKey)),
                 QString());
        QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
        model.setEmail(QStringLiteral("anna@example.com "));
        model.setPassword(QStringLiteral("abc"));
        model.performLogin();
    }
    // A new screen starts from the remembered address.
    LoginViewModel later;
    later.setCompletion(app.completion.get());
    QCOMPARE(later.email(), QStringLiteral("anna@example.com"));
}

void TestLoginViewModel::submitRules_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QString shortPassword = QStringLiteral("Password must be at least 4 characters.");
    QTest::newRow("bad address") << "anna@example"
                                 << "secret"
                                 << "Invalid email format.";
    QTest::newRow("no password") << "anna@example.com"
                                 << ""
                                 << "Password cannot be empty.";
    QTest::newRow("three letters") << "anna@example.com"
                                   << "abc" << shortPassword;
    QTest::newRow("three graphemes in six code units")
        << "anna@example.com" << QStringLiteral("e\u0301e\u0301e\u0301") << shortPassword;
    QTest::newRow("four letters") << "anna@example.com"
                                  << "abcd"
                                  << "";
    QTest::newRow("four flags in sixteen code units")
        << "ANNA@EXAMPLE.COM" << QStringLiteral("🇩🇪🇫🇷🇮🇹🇪🇸") << "";
}

void TestLoginViewModel::submitRules()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(QString, message);
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(email);
    model.setPassword(password);
    QCOMPARE(model.isFormComplete(), message.isEmpty());
    model.performLogin();
    QCOMPARE(model.errorMessage(), message);
    QCOMPARE(backend.logins.size(), message.isEmpty() ? 1 : 0);
    if (!backend.logins.isEmpty())
        fail(backend.logins.first().answer);
}

void TestLoginViewModel::answersAreRouted()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));

    model.performLogin();
    release(backend.logins.last().answer, otpRequired());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::Otp);
    QCOMPARE(model.otpEmail(), QStringLiteral("user@b.co"));
    model.backToForm();
    QTRY_VERIFY(!LoginViewModel::isLoginInProgress());

    model.performLogin();
    release(backend.logins.last().answer, companies());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::CompanySelection);
    QCOMPARE(model.companies().size(), 2);
    QCOMPARE(model.companyUserName(), QStringLiteral("Anna"));
    QVERIFY(app.steps.isEmpty());
}

void TestLoginViewModel::codeCheckAnsweredWithAnotherCodeRequestKeepsTheScreen()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral(" anna@example.com "));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    release(backend.logins.last().answer, otpRequired());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::Otp);

    model.performVerifyOtp(QStringLiteral("123456"));
    QVERIFY(model.otpVerifying());
    QCOMPARE(backend.codeChecks.last().email, QStringLiteral("anna@example.com"));
    release(backend.codeChecks.last().answer, otpRequired());
    QTRY_VERIFY(!model.otpVerifying());
    QCOMPARE(model.phase(), LoginViewModel::Phase::Otp);
    QCOMPARE(model.otpErrorMessage(), QStringLiteral("Invalid OTP code. Please try again."));

    backend.resendFails = true;
    model.performResendOtp();
    QTRY_COMPARE(model.otpErrorMessage(), QStringLiteral("Failed to resend the code."));

    model.performVerifyOtp(QStringLiteral("654321"));
    QCOMPARE(model.otpErrorMessage(), QString());
    fail(backend.codeChecks.last().answer);
    QTRY_COMPARE(model.otpErrorMessage(),
                 QStringLiteral("Verification failed. Check the code and try again."));
}

void TestLoginViewModel::completionRunsInOrder()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    release(backend.logins.last().answer, direct());
    QTRY_COMPARE(app.fetches.size(), 1);
    // Still signing in while the configuration loads: the button shows it and takes no press.
    QVERIFY(model.isLoading());
    QVERIFY(!model.isFormComplete());
    model.performLogin();
    QCOMPARE(backend.logins.size(), 1);
    release(app.fetches.last(), configNamed(QStringLiteral("North")));
    QTRY_COMPARE(app.steps, QStringList({"fetch", "config", "version", "authenticated", "engine",
                                         "permissions", "recover", "refresh"}));
    QTRY_VERIFY(!model.isLoading());
    QCOMPARE(app.settings.string(QString::fromUtf8(UserProfileStorage::userNameKey)),
             QStringLiteral("a@b.co"));
}

void TestLoginViewModel::secondCompanyPickWhileTheFirstIsAppliedChangesNothing()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    release(backend.logins.last().answer, companies());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::CompanySelection);

    model.performCompanySelect(0);
    QVERIFY(model.companyPickBusy());
    model.performCompanySelect(1);
    // The direct path of the completion refuses too: one pick, one fetch, one company.
    const SignInCompletion::Outcome raced = QCoro::waitFor(app.completion->completeWithCompany(
        LoginCompany{QStringLiteral("South"), QStringLiteral("south.example")},
        QStringLiteral("Anna")));
    QCOMPARE(raced, SignInCompletion::Outcome::Refused);
    QCOMPARE(app.fetches.size(), 1);
    QCOMPARE(app.settings.string(QString::fromUtf8(LastCompanyStorage::lastEndpointKey)),
             QStringLiteral("north.example"));
    QCOMPARE(app.settings.string(QString::fromUtf8(UserProfileStorage::companyNameKey)),
             QStringLiteral("North"));
    QCOMPARE(app.domains.domainKey(), QStringLiteral("north.example"));

    release(app.fetches.last(), configNamed(QStringLiteral("North")));
    QTRY_VERIFY(!model.companyPickBusy());
    QCOMPARE(app.steps.first(), QStringLiteral("switch North"));
    QCOMPARE(app.steps.count(QStringLiteral("switch South")), 0);
    QCOMPARE(app.applied->companyName, QStringLiteral("North"));
}

void TestLoginViewModel::cachedConfigurationCountsOnlyForTheSameCompany()
{
    Application app;
    QVERIFY(RemoteConfigService::writeCacheFile(app.cacheFile(), configNamed("South"),
                                                QStringLiteral("south.example")));
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    release(backend.logins.last().answer, companies());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::CompanySelection);

    model.performCompanySelect(0);
    fail(app.fetches.last());
    QTRY_VERIFY(!model.companyPickBusy());
    QVERIFY(!app.applied);
    QVERIFY(!app.steps.contains(QStringLiteral("authenticated")));
    // Not a finished sign-in, so nothing a launch could restore; another pick may follow.
    QVERIFY(app.steps.contains(QStringLiteral("forget company")));
    QVERIFY(!app.domains.getBaseURL());

    // The company the cache was fetched for may use it.
    model.performCompanySelect(1);
    fail(app.fetches.last());
    QTRY_VERIFY(app.steps.contains(QStringLiteral("authenticated")));
    QCOMPARE(app.applied->companyName, QStringLiteral("South"));
}

void TestLoginViewModel::refreshFetchedBeforeSignOutIsNeverApplied()
{
    Application app;
    const auto pick = app.completion->completeWithCompany(
        LoginCompany{QStringLiteral("North"), QStringLiteral("north.example")},
        QStringLiteral("Anna"));
    release(app.fetches.last(), configNamed(QStringLiteral("North")));
    QTRY_VERIFY(app.refresh);

    app.refresh(configNamed(QStringLiteral("North, refreshed")));
    QTRY_COMPARE(app.applied->companyName, QStringLiteral("North, refreshed"));

    app.refresh(configNamed(QStringLiteral("fetched before sign-out")));
    app.completion->signedOut();
    QTest::qWait(20);
    QCOMPARE(app.applied->companyName, QStringLiteral("North, refreshed"));
}

void TestLoginViewModel::destroyedScreenStillCompletesTheSignIn()
{
    Application app;
    FakeBackend backend;
    auto model = std::make_unique<LoginViewModel>();
    model->setBackend(&backend);
    model->setCompletion(app.completion.get());
    model->setEmail(QStringLiteral("anna@example.com"));
    model->setPassword(QStringLiteral("secret"));
    model->performLogin();
    model.reset();
    release(backend.logins.last().answer, direct());
    QTRY_COMPARE(app.fetches.size(), 1);
    release(app.fetches.last(), configNamed(QStringLiteral("North")));
    QTRY_VERIFY(app.steps.contains(QStringLiteral("recover")));

    // Gone while the configuration loads, the usual case: being signed in removes the screen.
    Application second;
    model = std::make_unique<LoginViewModel>();
    model->setBackend(&backend);
    model->setCompletion(second.completion.get());
    model->setEmail(QStringLiteral("anna@example.com"));
    model->setPassword(QStringLiteral("secret"));
    QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    model->performLogin();
    release(backend.logins.last().answer, direct());
    QTRY_COMPARE(second.fetches.size(), 1);
    model.reset();
    fail(second.fetches.last());
    QTRY_VERIFY(second.steps.contains(QStringLiteral("drop")));
    QVERIFY(!second.steps.contains(QStringLiteral("authenticated")));
}

void TestLoginViewModel::configurationOfAnEndedSignInIsDropped()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    release(backend.logins.last().answer, otpRequired());
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::Otp);
    model.performVerifyOtp(QStringLiteral("123456"));
    ++app.signIn;
    release(backend.codeChecks.last().answer, direct());
    QTRY_COMPARE(app.fetches.size(), 1);

    // Back, and another employee signs in while the first one's configuration is still out.
    model.backToForm();
    QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    model.setEmail(QStringLiteral("ben@example.com"));
    model.performLogin();
    ++app.signIn;
    release(backend.logins.last().answer, direct());
    QTRY_COMPARE(app.fetches.size(), 2);
    release(app.fetches.first(), configNamed(QStringLiteral("Anna's company")));
    QTest::qWait(20);
    QVERIFY(!app.applied);
    release(app.fetches.last(), configNamed(QStringLiteral("Ben's company")));
    QTRY_COMPARE(app.applied->companyName, QStringLiteral("Ben's company"));
    QTRY_VERIFY(!model.isLoading());
    QCOMPARE(model.errorMessage(), QString());

    // Signed out while a sign-in's configuration loads: neither it nor a cache is applied.
    QVERIFY(RemoteConfigService::writeCacheFile(app.cacheFile(), configNamed("Cached"),
                                                app.domains.domainKey()));
    for (const bool answered : {true, false}) {
        app.applied.reset();
        auto late = app.completion->completeDirect(std::nullopt);
        app.completion->signedOut();
        if (answered)
            release(app.fetches.last(), configNamed(QStringLiteral("Late")));
        else
            fail(app.fetches.last());
        QCOMPARE(QCoro::waitFor(std::move(late)), SignInCompletion::Outcome::Superseded);
        QVERIFY(!app.applied);
    }
}

void TestLoginViewModel::refusedCompanyAddressEndsTheSignIn()
{
    Application app;
    FakeBackend backend;
    LoginViewModel model;
    model.setBackend(&backend);
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("secret"));
    model.performLogin();
    SingleLoginResult answer = companies();
    std::get<SingleLoginResult::CompanySelection>(answer.outcome).companies[0].endpoint =
        QStringLiteral("http://north.example");
    release(backend.logins.last().answer, answer);
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::CompanySelection);

    // The service dropped the sign-in with the address: nothing is loaded, and the form says so.
    model.performCompanySelect(0);
    QTRY_COMPARE(model.phase(), LoginViewModel::Phase::Form);
    QCOMPARE(model.errorMessage(),
             QStringLiteral("Login failed. Check your credentials and connection."));
    QVERIFY(!model.companyPickBusy());
    QVERIFY(app.fetches.isEmpty());
    QVERIFY(!app.steps.contains(QStringLiteral("authenticated")));
}

void TestLoginViewModel::requestWithoutBackendIsLoggedAndNeverSilent_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("shown");
    QTest::newRow("login") << "Login"
                           << "Login failed. Check your credentials and connection.";
    QTest::newRow("code check") << "One-time code check"
                                << "Verification failed. Check the code and try again.";
    QTest::newRow("code resend") << "One-time code request"
                                 << "Failed to resend the code.";
}

void TestLoginViewModel::requestWithoutBackendIsLoggedAndNeverSilent()
{
    QFETCH(QString, request);
    QFETCH(QString, shown);
    Application app;
    // A screen whose backend has gone: its own request reaches no service at all.
    auto backend = std::make_unique<FakeBackend>();
    LoginViewModel model;
    model.setBackend(backend.get());
    backend.reset();
    model.setCompletion(app.completion.get());
    model.setEmail(QStringLiteral("anna@example.com"));
    model.setPassword(QStringLiteral("hush-hush-secret"));

    const LogCapture log;
    if (request == QLatin1String("Login"))
        model.performLogin();
    else if (request == QLatin1String("One-time code check"))
        model.performVerifyOtp(QStringLiteral("918273"));
    else
        model.performResendOtp();
    const auto screenMessage = [&] {
        return request == QLatin1String("Login") ? model.errorMessage() : model.otpErrorMessage();
    };
    QTRY_COMPARE(screenMessage(), shown);
    QCOMPARE(log.count(request + QStringLiteral(" not sent: the sign-in screen has no sign-in "
                                                "service")),
             1);
    for (const QString &secret : {QStringLiteral("hush-hush-secret"), QStringLiteral("918273")})
        QVERIFY2(!log.contains(secret), qPrintable(secret));
}

QTEST_GUILESS_MAIN(TestLoginViewModel)
#include "TestLoginViewModel.moc"
