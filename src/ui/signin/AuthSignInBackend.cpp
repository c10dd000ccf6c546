#include "ui/signin/AuthSignInBackend.h"

#include "api/auth/AuthService.h"

AuthSignInBackend::AuthSignInBackend(AuthService &auth, QObject *parent)
    : SignInBackend(parent)
    , m_auth(auth)
{}

QCoro::Task<SingleLoginResult> AuthSignInBackend::login(QString email, QString password)
{
    co_return co_await m_auth.login(std::move(email), std::move(password));
}

QCoro::Task<SingleLoginResult> AuthSignInBackend::verifyOtp(QString email, QString otpCode)
{
    co_return co_await m_auth.verifyOtp(std::move(email), std::move(otpCode));
}

QCoro::Task<> AuthSignInBackend::generateOtp(QString email)
{
    co_await m_auth.generateOtp(std::move(email));
}

QCoro::Task<> AuthSignInBackend::requestPasswordRecovery(QString email)
{
    co_await m_auth.requestPasswordRecovery(std::move(email));
}
