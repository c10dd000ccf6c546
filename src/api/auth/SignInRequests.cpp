#include "api/auth/SignInRequests.h"

#include <QJsonDocument>

namespace {

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

LoginRequest LoginRequest::withPassword(const QString &email, const QString &password)
{
    return LoginRequest{email, password, 1, 1, std::nullopt};
}

LoginRequest LoginRequest::withOneTimeCode(const QString &email, const QString &code)
{
    return LoginRequest{email, code, 1, 1, 1};
}

QJsonObject LoginRequest::toJson() const
{
    QJsonObject object{
        {QStringLiteral("email"), email},
        {QStringLiteral("password"), password},
        {QStringLiteral("remember_me"), rememberMe},
        {QStringLiteral("use_jwt"), useJwt},
    };
    if (isOtp)
        object.insert(QStringLiteral("is_otp"), *isOtp);
    return object;
}

QByteArray LoginRequest::toJsonBytes() const
{
    return compact(toJson());
}

QJsonObject GenerateOtpRequest::toJson() const
{
    return {{QStringLiteral("email"), email}, {QStringLiteral("via"), via}};
}

QByteArray GenerateOtpRequest::toJsonBytes() const
{
    return compact(toJson());
}

QJsonObject PasswordRecoveryRequest::toJson() const
{
    return {{QStringLiteral("email"), email}, {QStringLiteral("mobile"), mobile}};
}

QByteArray PasswordRecoveryRequest::toJsonBytes() const
{
    return compact(toJson());
}
