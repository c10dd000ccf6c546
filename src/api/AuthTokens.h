#pragma once

#include "foundation/Timestamp.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The signed-in user's token pair with its expiry times, and the raw expiry texts as the service
// sent them. Stored in the keyring as one JSON object whose dates count seconds from 2001.
struct AuthTokens
{
    QString accessToken;
    QString refreshToken;
    Timestamp expiresAt;
    Timestamp refreshExpiresAt;
    QString expiresAtRaw;
    QString refreshExpiresAtRaw;

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;

    // Every one of the six keys is required with its own JSON type; anything else is no tokens.
    static std::optional<AuthTokens> fromJson(const QJsonValue &value);
    static std::optional<AuthTokens> fromJsonBytes(const QByteArray &bytes);

    friend bool operator==(const AuthTokens &, const AuthTokens &) = default;
};
