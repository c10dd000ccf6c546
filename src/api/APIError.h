#pragma once

#include <QNetworkReply>
#include <QString>

#include <exception>

// How a call to the HR service's API failed. Carries no user-facing text: the screens map the
// kinds to their own.
class APIError : public std::exception
{
public:
    enum class Kind
    {
        ServerError,
        Network,
        InvalidURL,
        Unauthorized,
        DecodingFailed,
    };

    // The answer was not a success; -1 when it was not an HTTP answer at all.
    static APIError serverError(int statusCode);
    // The transfer itself failed (no connection, time-out, refused certificate, ...).
    static APIError network(QNetworkReply::NetworkError code, const QString &description);
    static APIError invalidURL();
    static APIError unauthorized();
    static APIError decodingFailed();

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }
    QNetworkReply::NetworkError networkError() const { return m_networkError; }
    QString networkErrorDescription() const { return m_networkErrorDescription; }

    const char *what() const noexcept override;

private:
    explicit APIError(Kind kind);

    Kind m_kind;
    int m_statusCode = 0;
    QNetworkReply::NetworkError m_networkError = QNetworkReply::NoError;
    QString m_networkErrorDescription;
};
