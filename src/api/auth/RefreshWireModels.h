#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// The bodies of the refresh and logout calls and the refresh answer.

struct RefreshRequest
{
    QString refreshToken;

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
};

struct LogoutBody
{
    QString refreshToken;

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
};

// The new tokens of a refresh. Strict: a wrong JSON type fails even under an optional key.
struct RefreshResponseData
{
    QString accessToken;
    std::optional<QString> refreshToken;
    std::optional<QString> tokenType;
    QString expiresAt;
    std::optional<QString> refreshExpiresAt;

    static std::optional<RefreshResponseData> fromJson(const QJsonValue &value);
};

// The service puts the token object under "data", or under "data" inside "data"; the inner one
// wins when it is a complete token object.
struct RefreshResponse
{
    RefreshResponseData data;

    static std::optional<RefreshResponse> fromJson(const QJsonValue &value);
    static std::optional<RefreshResponse> fromJsonBytes(const QByteArray &body);
};
