#include "api/auth/RefreshWireModels.h"

#include "api/auth/StrictJsonReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

QJsonObject RefreshRequest::toJson() const
{
    return {{QStringLiteral("refresh_token"), refreshToken}};
}

QByteArray RefreshRequest::toJsonBytes() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

QJsonObject LogoutBody::toJson() const
{
    return {{QStringLiteral("refresh_token"), refreshToken}};
}

QByteArray LogoutBody::toJsonBytes() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

std::optional<RefreshResponseData> RefreshResponseData::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    RefreshResponseData data;
    data.accessToken = reader.requiredString(QStringLiteral("access_token"));
    data.refreshToken = reader.optionalString(QStringLiteral("refresh_token"));
    data.tokenType = reader.optionalString(QStringLiteral("token_type"));
    data.expiresAt = reader.requiredString(QStringLiteral("expires_at"));
    data.refreshExpiresAt = reader.optionalString(QStringLiteral("refresh_expires_at"));
    if (!reader.ok())
        return std::nullopt;
    return data;
}

std::optional<RefreshResponse> RefreshResponse::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    const QJsonObject outer = reader.requiredObject(QStringLiteral("data"));
    if (!reader.ok())
        return std::nullopt;
    if (const auto inner = RefreshResponseData::fromJson(outer.value(QStringLiteral("data"))))
        return RefreshResponse{*inner};
    if (const auto direct = RefreshResponseData::fromJson(outer))
        return RefreshResponse{*direct};
    return std::nullopt;
}

std::optional<RefreshResponse> RefreshResponse::fromJsonBytes(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}
