#pragma once

#include "api/auth/SingleLoginResult.h"
#include "ui/signin/SignInBackend.h"
#include "ui/signin/SignInCompletion.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQmlIntegration>

#include <QCoroTask>

// The sign-in screen's decisions: which sub-screen shows, the credentials and their checks, the
// one login under way in the whole process, the routing of each answer and the messages. What
// follows an accepted sign-in belongs to the application's SignInCompletion; this model only hears
// how it ended, if it still exists by then.
class LoginViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(SignInBackend *backend READ backend WRITE setBackend NOTIFY backendChanged)
    Q_PROPERTY(
        SignInCompletion *completion READ completion WRITE setCompletion NOTIFY completionChanged)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(bool showPassword READ showPassword WRITE setShowPassword NOTIFY showPasswordChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString shownMessage READ shownMessage NOTIFY shownMessageChanged)
    Q_PROPERTY(bool isFormComplete READ isFormComplete NOTIFY shownMessageChanged)
    Q_PROPERTY(QString otpEmail READ otpEmail NOTIFY phaseChanged)
    Q_PROPERTY(bool otpVerifying READ otpVerifying NOTIFY otpChanged)
    Q_PROPERTY(QString otpErrorMessage READ otpErrorMessage NOTIFY otpChanged)
    Q_PROPERTY(QVariantList companies READ companies NOTIFY phaseChanged)
    Q_PROPERTY(QString companyUserName READ companyUserName NOTIFY phaseChanged)
    Q_PROPERTY(QString lastCompanyEndpoint READ lastCompanyEndpoint NOTIFY phaseChanged)
    Q_PROPERTY(bool companyPickBusy READ companyPickBusy NOTIFY companyPickBusyChanged)
    Q_PROPERTY(QString forgotPasswordEmail READ forgotPasswordEmail NOTIFY phaseChanged)

public:
    enum class Phase
    {
        Form,
        Otp,
        CompanySelection,
        ForgotPassword,
    };
    Q_ENUM(Phase)

    static constexpr int minimumPasswordLength = 4;

    explicit LoginViewModel(QObject *parent = nullptr);
    ~LoginViewModel() override;

    // The message of the first failing submit rule, or empty.
    static QString validationError(const QString &email, const QString &password);
    // The live hint, judging only fields that hold something.
    static QString clientValidationMessage(const QString &email, const QString &password);
    static int graphemeCount(const QString &text);
    // Whether a login started by any sign-in screen of the process is still under way.
    static bool isLoginInProgress();

    SignInBackend *backend() const { return m_backend; }
    void setBackend(SignInBackend *backend);
    SignInCompletion *completion() const { return m_completion; }
    // Also fills the e-mail field with the remembered one while it is still empty.
    void setCompletion(SignInCompletion *completion);

    Phase phase() const { return m_phase; }
    QString email() const { return m_email; }
    void setEmail(const QString &email);
    QString password() const { return m_password; }
    void setPassword(const QString &password);
    bool showPassword() const { return m_showPassword; }
    void setShowPassword(bool show);
    bool isLoading() const { return m_isLoading; }
    QString errorMessage() const { return m_errorMessage; }
    // The message row: a message of the flow before the live hint.
    QString shownMessage() const;
    bool isFormComplete() const;
    // The address the code screen names: the user's own when the service gave one.
    QString otpEmail() const;
    bool otpVerifying() const { return m_otpVerifying; }
    QString otpErrorMessage() const { return m_otpErrorMessage; }
    QVariantList companies() const;
    QString companyUserName() const { return m_companyUserName; }
    QString lastCompanyEndpoint() const;
    bool companyPickBusy() const;
    QString forgotPasswordEmail() const { return m_email.trimmed(); }

    // The Login button and Return in either field.
    Q_INVOKABLE void performLogin();
    Q_INVOKABLE void performVerifyOtp(const QString &otpCode);
    Q_INVOKABLE void performResendOtp();
    // index into companies as handed to the picker.
    Q_INVOKABLE void performCompanySelect(int index);
    Q_INVOKABLE void showForgotPassword();
    // Back from the code screen or the recovery screen.
    Q_INVOKABLE void backToForm();

Q_SIGNALS:
    void backendChanged();
    void completionChanged();
    void phaseChanged();
    void emailChanged();
    void passwordChanged();
    void showPasswordChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void shownMessageChanged();
    void otpChanged();
    void companyPickBusyChanged();

private:
    QCoro::Task<> runLogin(QString email, QString password);
    QCoro::Task<> runVerifyOtp(QString email, QString code);
    QCoro::Task<> runResendOtp(QString email);
    QCoro::Task<> runCompanySelect(LoginCompany company, QString userName);
    static QCoro::Task<std::optional<SingleLoginResult>>
    answerOrNothing(QCoro::Task<SingleLoginResult> request);
    static QCoro::Task<> completeOrphaned(std::optional<SingleLoginResult> result,
                                          QPointer<SignInCompletion> completion);
    static QCoro::Task<> completeLogin(QPointer<LoginViewModel> self,
                                       QPointer<SignInCompletion> completion,
                                       std::optional<LoginUser> user);
    // Routes an accepted answer; false when it asks for the code again.
    bool route(const SingleLoginResult &result);
    void setPhase(Phase phase);
    void setErrorMessage(const QString &message);
    void setIsLoading(bool loading);
    void setOtpState(bool verifying, const QString &message);

    QPointer<SignInBackend> m_backend;
    QPointer<SignInCompletion> m_completion;
    Phase m_phase = Phase::Form;
    QString m_email;
    QString m_password;
    bool m_showPassword = false;
    bool m_isLoading = false;
    QString m_errorMessage;
    bool m_otpVerifying = false;
    QString m_otpErrorMessage;
    QString m_otpSentEmail;
    QString m_otpUserEmail;
    QList<LoginCompany> m_companies;
    QString m_companyUserName;
};
