#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The answer of the single-login call, decoded strictly: a missing or null required key, or a
// value of the wrong JSON type anywhere (optional keys included), rejects the whole answer.

struct LoginUser
{
    QString email;
    std::optional<QString> name;

    static std::optional<LoginUser> fromJson(const QJsonValue &value);
    friend bool operator==(const LoginUser &, const LoginUser &) = default;
};

// A company of the account. Lists identify a company by its endpoint, so two companies with one
// endpoint share an identity while still being different companies.
struct LoginCompany
{
    QString name;
    QString endpoint;

    QString id() const { return endpoint; }

    static std::optional<LoginCompany> fromJson(const QJsonValue &value);
    friend bool operator==(const LoginCompany &, const LoginCompany &) = default;
};

// The company the service chose by itself.
struct InitPayload
{
    QString endpoint;

    static std::optional<InitPayload> fromJson(const QJsonValue &value);
    friend bool operator==(const InitPayload &, const InitPayload &) = default;
};

// The nested token object of the sign-in answer; every member is required.
struct TokenDataNested
{
    QString accessToken;
    QString refreshToken;
    QString tokenType;
    QString expiresAt;
    QString refreshExpiresAt;

    static std::optional<TokenDataNested> fromJson(const QJsonValue &value);
};

struct SingleLoginData
{
    std::optional<qint64> otpRequired;
    std::optional<LoginUser> user;
    std::optional<InitPayload> initPayload;
    std::optional<QList<LoginCompany>> companies;
    std::optional<TokenDataNested> nestedData;
    std::optional<QString> accessToken;
    std::optional<QString> refreshToken;
    std::optional<QString> expiresAt;
    std::optional<QString> refreshExpiresAt;

    static std::optional<SingleLoginData> fromJson(const QJsonValue &value);
};

struct SingleLoginResponse
{
    SingleLoginData data;

    static std::optional<SingleLoginResponse> fromJson(const QJsonValue &value);
    // The answer body as received; anything that is not a JSON object does not decode.
    static std::optional<SingleLoginResponse> fromJsonBytes(const QByteArray &body);
};
