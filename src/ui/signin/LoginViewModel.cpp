#include "ui/signin/LoginViewModel.h"

#include "foundation/Log.h"
#include "ui/signin/EmailValidation.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QVariantMap>

namespace {

// One login at a time for the whole process: a sign-in screen built while another one's login is
// still under way must not start a second.
bool s_loginInProgress = false;

// Held for the whole login task; the guard is let go from the event loop after the task has
// finished routing, so a submit arriving in between is still dropped.
struct LoginInProgressRelease
{
    LoginInProgressRelease() = default;
    LoginInProgressRelease(const LoginInProgressRelease &) = delete;
    LoginInProgressRelease &operator=(const LoginInProgressRelease &) = delete;
    ~LoginInProgressRelease()
    {
        QTimer::singleShot(0, QCoreApplication::instance(), [] { s_loginInProgress = false; });
    }
};

const QString loginFailedMessage =
    QStringLiteral("Login failed. Check your credentials and connection.");

} // namespace

LoginViewModel::LoginViewModel(QObject *parent)
    : QObject(parent)
{}

LoginViewModel::~LoginViewModel() = default;

int LoginViewModel::graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString LoginViewModel::validationError(const QString &email, const QString &password)
{
    const QString trimmed = email.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Email cannot be empty.");
    if (!isValidEmail(trimmed))
        return QStringLiteral("Invalid email format.");
    if (password.isEmpty())
        return QStringLiteral("Password cannot be empty.");
    if (graphemeCount(password) < minimumPasswordLength)
        return QStringLiteral("Password must be at least 4 characters.");
    return {};
}

QString LoginViewModel::clientValidationMessage(const QString &email, const QString &password)
{
    if (!email.trimmed().isEmpty() && !isValidEmail(email))
        return QStringLiteral("Invalid email format.");
    if (!password.isEmpty() && graphemeCount(password) < minimumPasswordLength)
        return QStringLiteral("Password must be at least 4 characters.");
    return {};
}

bool LoginViewModel::isLoginInProgress()
{
    return s_loginInProgress;
}

void LoginViewModel::setBackend(SignInBackend *backend)
{
    if (m_backend == backend)
        return;
    m_backend = backend;
    Q_EMIT backendChanged();
}

void LoginViewModel::setCompletion(SignInCompletion *completion)
{
    if (m_completion == completion)
        return;
    if (m_completion)
        disconnect(m_completion, nullptr, this, nullptr);
    m_completion = completion;
    if (m_completion) {
        connect(m_completion, &SignInCompletion::companyPickChanged, this,
                &LoginViewModel::companyPickBusyChanged);
        if (m_email.isEmpty())
            setEmail(m_completion->rememberedEmail().value_or(QString()));
    }
    Q_EMIT completionChanged();
    Q_EMIT companyPickBusyChanged();
}

void LoginViewModel::setEmail(const QString &email)
{
    if (m_email == email)
        return;
    m_email = email;
    setErrorMessage({});
    Q_EMIT emailChanged();
    Q_EMIT shownMessageChanged();
}

void LoginViewModel::setPassword(const QString &password)
{
    if (m_password == password)
        return;
    m_password = password;
    setErrorMessage({});
    Q_EMIT passwordChanged();
    Q_EMIT shownMessageChanged();
}

void LoginViewModel::setShowPassword(bool show)
{
    if (m_showPassword == show)
        return;
    m_showPassword = show;
    Q_EMIT showPasswordChanged();
}

QString LoginViewModel::shownMessage() const
{
    return m_errorMessage.isEmpty() ? clientValidationMessage(m_email, m_password) : m_errorMessage;
}

bool LoginViewModel::isFormComplete() const
{
    return !m_isLoading && validationError(m_email, m_password).isEmpty();
}

QString LoginViewModel::otpEmail() const
{
    return m_otpUserEmail.isEmpty() ? m_otpSentEmail : m_otpUserEmail;
}

QVariantList LoginViewModel::companies() const
{
    QVariantList list;
    for (const LoginCompany &company : m_companies)
        list.append(QVariantMap{{QStringLiteral("name"), company.name},
                                {QStringLiteral("endpoint"), company.endpoint}});
    return list;
}

QString LoginViewModel::lastCompanyEndpoint() const
{
    return m_completion ? m_completion->lastCompanyEndpoint().value_or(QString()) : QString();
}

bool LoginViewModel::companyPickBusy() const
{
    return m_completion && m_completion->isApplyingCompany();
}

void LoginViewModel::performLogin()
{
    if (s_loginInProgress)
        return;
    s_loginInProgress = true;
    setErrorMessage({});
    setIsLoading(true);
    const QString trimmed = m_email.trimmed();
    // Remembered before the checks: the storage alone decides what is worth keeping.
    if (m_completion)
        m_completion->rememberEmail(trimmed);
    runLogin(trimmed, m_password);
}

QCoro::Task<> LoginViewModel::runLogin(QString email, QString password)
{
    const LoginInProgressRelease release;
    if (const QString message = validationError(email, password); !message.isEmpty()) {
        setErrorMessage(message);
        setIsLoading(false);
        co_return;
    }
    QPointer<LoginViewModel> self(this);
    QPointer<SignInBackend> backend = m_backend;
    QPointer<SignInCompletion> completion = m_completion;
    std::optional<SingleLoginResult> result;
    if (backend)
        result = co_await answerOrNothing(backend->login(email, password));
    else
        SignInBackend::reportNotSent("Login");
    if (!self) {
        co_await completeOrphaned(result, completion);
        co_return;
    }
    if (!result) {
        setIsLoading(false);
        setErrorMessage(loginFailedMessage);
        co_return;
    }
    if (const auto *otp = result->otpRequired()) {
        setIsLoading(false);
        m_otpSentEmail = otp->email;
        m_otpUserEmail = otp->userEmail;
        setOtpState(false, {});
        setPhase(Phase::Otp);
        co_return;
    }
    route(*result);
    // A direct sign-in is still working until its configuration is applied: the button says so.
    if (const auto *direct = result->directConfig())
        co_await completeLogin(self, completion, direct->user);
    if (self)
        self->setIsLoading(false);
}

QCoro::Task<std::optional<SingleLoginResult>>
LoginViewModel::answerOrNothing(QCoro::Task<SingleLoginResult> request)
{
    // Every failure reads the same to the screens: one fixed sentence, no detail. The log says
    // what it was, so a sign-in failing at once can be told from a refused password.
    try {
        co_return co_await std::move(request);
    } catch (const std::exception &failure) {
        zuvError(lcAuth) << "Sign-in request failed:" << failure.what();
    } catch (...) {
        zuvError(lcAuth) << "Sign-in request failed";
    }
    co_return std::nullopt;
}

QCoro::Task<> LoginViewModel::completeOrphaned(std::optional<SingleLoginResult> result,
                                               QPointer<SignInCompletion> completion)
{
    // The screen went away, but the service has accepted the sign-in: finish it all the same.
    if (result && result->directConfig())
        co_await completeLogin({}, completion, result->directConfig()->user);
}

bool LoginViewModel::route(const SingleLoginResult &result)
{
    if (const auto *selection = result.companySelection()) {
        m_companies = selection->companies;
        m_companyUserName = selection->userName;
        // The list is part of the phase: a new answer is announced even without a phase change.
        if (m_phase == Phase::CompanySelection)
            Q_EMIT phaseChanged();
        else
            setPhase(Phase::CompanySelection);
    }
    return result.otpRequired() == nullptr;
}

QCoro::Task<> LoginViewModel::completeLogin(QPointer<LoginViewModel> self,
                                            QPointer<SignInCompletion> completion,
                                            std::optional<LoginUser> user)
{
    if (!completion)
        co_return;
    const SignInCompletion::Outcome outcome = co_await completion->completeDirect(std::move(user));
    if (self && outcome == SignInCompletion::Outcome::ConfigurationUnavailable)
        self->setErrorMessage(QStringLiteral("Failed to load configuration."));
}

void LoginViewModel::performVerifyOtp(const QString &otpCode)
{
    setOtpState(true, {});
    runVerifyOtp(m_email.trimmed(), otpCode);
}

QCoro::Task<> LoginViewModel::runVerifyOtp(QString email, QString code)
{
    QPointer<LoginViewModel> self(this);
    QPointer<SignInBackend> backend = m_backend;
    QPointer<SignInCompletion> completion = m_completion;
    std::optional<SingleLoginResult> result;
    if (backend)
        result = co_await answerOrNothing(backend->verifyOtp(email, code));
    else
        SignInBackend::reportNotSent("One-time code check");
    if (!self) {
        co_await completeOrphaned(result, completion);
        co_return;
    }
    if (!result) {
        setOtpState(false, QStringLiteral("Verification failed. Check the code and try again."));
        co_return;
    }
    if (!route(*result)) {
        setOtpState(false, QStringLiteral("Invalid OTP code. Please try again."));
        co_return;
    }
    if (const auto *direct = result->directConfig())
        co_await completeLogin(self, completion, direct->user);
    if (self)
        self->setOtpState(false, self->m_otpErrorMessage);
}

void LoginViewModel::performResendOtp()
{
    runResendOtp(m_email.trimmed());
}

QCoro::Task<> LoginViewModel::runResendOtp(QString email)
{
    QPointer<LoginViewModel> self(this);
    QPointer<SignInBackend> backend = m_backend;
    bool failed = !backend;
    if (backend) {
        try {
            co_await backend->generateOtp(email);
        } catch (...) {
            failed = true;
        }
    } else {
        SignInBackend::reportNotSent("One-time code request");
    }
    if (self && failed)
        setOtpState(m_otpVerifying, QStringLiteral("Failed to resend the code."));
}

void LoginViewModel::performCompanySelect(int index)
{
    if (m_phase != Phase::CompanySelection || index < 0 || index >= m_companies.size())
        return;
    // One pick at a time: a second pick while the first is applied changes nothing at all.
    if (!m_completion || m_completion->isApplyingCompany())
        return;
    runCompanySelect(m_companies.at(index), m_companyUserName);
}

QCoro::Task<> LoginViewModel::runCompanySelect(LoginCompany company, QString userName)
{
    QPointer<SignInCompletion> completion = m_completion;
    QPointer<LoginViewModel> self(this);
    // The picker stays on screen after a failure and shows no message: the user may pick again.
    // A refused address has dropped the sign-in, so there is nothing left to pick with.
    const SignInCompletion::Outcome outcome =
        co_await completion->completeWithCompany(std::move(company), std::move(userName));
    if (self && outcome == SignInCompletion::Outcome::CompanyAddressRefused) {
        self->setPhase(Phase::Form);
        self->setErrorMessage(
            QStringLiteral("Login failed. Check your credentials and connection."));
    }
}

void LoginViewModel::showForgotPassword()
{
    setPhase(Phase::ForgotPassword);
}

void LoginViewModel::backToForm()
{
    if (m_phase == Phase::Otp || m_phase == Phase::ForgotPassword)
        setPhase(Phase::Form);
}

void LoginViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    Q_EMIT phaseChanged();
}

void LoginViewModel::setErrorMessage(const QString &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
    Q_EMIT shownMessageChanged();
}

void LoginViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
    Q_EMIT shownMessageChanged();
}

void LoginViewModel::setOtpState(bool verifying, const QString &message)
{
    if (m_otpVerifying == verifying && m_otpErrorMessage == message)
        return;
    m_otpVerifying = verifying;
    m_otpErrorMessage = message;
    Q_EMIT otpChanged();
}
