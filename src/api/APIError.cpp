#include "api/APIError.h"

APIError::APIError(Kind kind)
    : m_kind(kind)
{}

APIError APIError::serverError(int statusCode)
{
    APIError error(Kind::ServerError);
    error.m_statusCode = statusCode;
    return error;
}

APIError APIError::network(QNetworkReply::NetworkError code, const QString &description)
{
    APIError error(Kind::Network);
    error.m_networkError = code;
    error.m_networkErrorDescription = description;
    return error;
}

APIError APIError::invalidURL()
{
    return APIError(Kind::InvalidURL);
}

APIError APIError::unauthorized()
{
    return APIError(Kind::Unauthorized);
}

APIError APIError::decodingFailed()
{
    return APIError(Kind::DecodingFailed);
}

const char *APIError::what() const noexcept
{
    switch (m_kind) {
    case Kind::ServerError:
        return "serverError";
    case Kind::Network:
        return "network";
    case Kind::InvalidURL:
        return "invalidURL";
    case Kind::Unauthorized:
        return "unauthorized";
    case Kind::DecodingFailed:
        return "decodingFailed";
    }
    return "unknown";
}
