#include "api/auth/SingleLoginResponse.h"

#include "api/auth/StrictJsonReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

std::optional<LoginUser> LoginUser::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    LoginUser user;
    user.email = reader.requiredString(QStringLiteral("email"));
    user.name = reader.optionalString(QStringLiteral("name"));
    if (!reader.ok())
        return std::nullopt;
    return user;
}

std::optional<LoginCompany> LoginCompany::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    LoginCompany company;
    company.name = reader.requiredString(QStringLiteral("name"));
    company.endpoint = reader.requiredString(QStringLiteral("endpoint"));
    if (!reader.ok())
        return std::nullopt;
    return company;
}

std::optional<InitPayload> InitPayload::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    InitPayload payload{reader.requiredString(QStringLiteral("endpoint"))};
    if (!reader.ok())
        return std::nullopt;
    return payload;
}

std::optional<TokenDataNested> TokenDataNested::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    TokenDataNested tokens;
    tokens.accessToken = reader.requiredString(QStringLiteral("access_token"));
    tokens.refreshToken = reader.requiredString(QStringLiteral("refresh_token"));
    tokens.tokenType = reader.requiredString(QStringLiteral("token_type"));
    tokens.expiresAt = reader.requiredString(QStringLiteral("expires_at"));
    tokens.refreshExpiresAt = reader.requiredString(QStringLiteral("refresh_expires_at"));
    if (!reader.ok())
        return std::nullopt;
    return tokens;
}

std::optional<SingleLoginData> SingleLoginData::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    SingleLoginData data;
    data.otpRequired = reader.optionalInteger(QStringLiteral("otp_required"));
    data.user = reader.optional<LoginUser>(QStringLiteral("user"), &LoginUser::fromJson);
    data.initPayload = reader.optional<InitPayload>(QStringLiteral("init"), &InitPayload::fromJson);
    data.companies =
        reader.optionalList<LoginCompany>(QStringLiteral("companies"), &LoginCompany::fromJson);
    data.nestedData =
        reader.optional<TokenDataNested>(QStringLiteral("data"), &TokenDataNested::fromJson);
    data.accessToken = reader.optionalString(QStringLiteral("access_token"));
    data.refreshToken = reader.optionalString(QStringLiteral("refresh_token"));
    data.expiresAt = reader.optionalString(QStringLiteral("expires_at"));
    data.refreshExpiresAt = reader.optionalString(QStringLiteral("refresh_expires_at"));
    if (!reader.ok())
        return std::nullopt;
    return data;
}

std::optional<SingleLoginResponse> SingleLoginResponse::fromJson(const QJsonValue &value)
{
    StrictJsonReader reader(value);
    SingleLoginResponse response;
    response.data =
        reader.required<SingleLoginData>(QStringLiteral("data"), &SingleLoginData::fromJson);
    if (!reader.ok())
        return std::nullopt;
    return response;
}

std::optional<SingleLoginResponse> SingleLoginResponse::fromJsonBytes(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}
