#pragma once

#include "ui/signin/SignInBackend.h"

class AuthService;

// The sign-in screens' calls, answered by the application's authentication service.
class AuthSignInBackend : public SignInBackend
{
    Q_OBJECT
    QML_ANONYMOUS

public:
    explicit AuthSignInBackend(AuthService &auth, QObject *parent = nullptr);

    QCoro::Task<SingleLoginResult> login(QString email, QString password) override;
    QCoro::Task<SingleLoginResult> verifyOtp(QString email, QString otpCode) override;
    QCoro::Task<> generateOtp(QString email) override;
    QCoro::Task<> requestPasswordRecovery(QString email) override;

private:
    AuthService &m_auth;
};
