#include "api/AuthTokens.h"

#include "api/auth/StrictJsonReader.h"

#include <QJsonDocument>

namespace {

const QString accessTokenKey = QStringLiteral("accessToken");
const QString refreshTokenKey = QStringLiteral("refreshToken");
const QString expiresAtKey = QStringLiteral("expiresAt");
const QString refreshExpiresAtKey = QStringLiteral("refreshExpiresAt");
const QString expiresAtRawKey = QStringLiteral("expiresAtRaw");
const QString refreshExpiresAtRawKey = QStringLiteral("refreshExpiresAtRaw");

} // namespace

QJsonObject AuthTokens::toJson() const
{
    return QJsonObject{
        {accessTokenKey, accessToken},
        {refreshTokenKey, refreshToken},
        {expiresAtKey, expiresAt.secondsSinceReferenceDate()},
        {refreshExpiresAtKey, refreshExpiresAt.secondsSinceReferenceDate()},
        {expiresAtRawKey, expiresAtRaw},
        {refreshExpiresAtRawKey, refreshExpiresAtRaw},
    };
}

QByteArray AuthTokens::toJsonBytes() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

std::optional<AuthTokens> AuthTokens::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    AuthTokens tokens;
    tokens.accessToken = reader.requiredString(accessTokenKey);
    tokens.refreshToken = reader.requiredString(refreshTokenKey);
    tokens.expiresAt =
        Timestamp::fromSecondsSinceReferenceDate(reader.requiredNumber(expiresAtKey));
    tokens.refreshExpiresAt =
        Timestamp::fromSecondsSinceReferenceDate(reader.requiredNumber(refreshExpiresAtKey));
    tokens.expiresAtRaw = reader.requiredString(expiresAtRawKey);
    tokens.refreshExpiresAtRaw = reader.requiredString(refreshExpiresAtRawKey);
    if (!reader.ok())
        return std::nullopt;
    return tokens;
}

std::optional<AuthTokens> AuthTokens::fromJsonBytes(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}
