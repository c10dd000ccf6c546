#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The JSON bodies the sign-in calls send. Absent optional members are left out, never null.

// The single-login body: a sign-in with the password, or the check of a one-time code (the code
// travels as the password and "is_otp" is 1).
struct LoginRequest
{
    QString email;
    QString password;
    qint64 rememberMe = 1;
    qint64 useJwt = 1;
    std::optional<qint64> isOtp;

    static LoginRequest withPassword(const QString &email, const QString &password);
    static LoginRequest withOneTimeCode(const QString &email, const QString &code);

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
};

// Asks the service to mail a new one-time code.
struct GenerateOtpRequest
{
    QString email;
    QString via = QStringLiteral("email");

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
};

struct PasswordRecoveryRequest
{
    QString email;
    qint64 mobile = 1;

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
};
