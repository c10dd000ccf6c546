#pragma once

#include <QNetworkReply>
#include <QString>

#include <exception>

// A request that never got an HTTP answer: no route, refused, reset, timed out, a refused
// certificate. The upload layer passes it on as it came, so the failure handling can tell an
// offline machine from a server that said no.
class TransportError : public std::exception
{
public:
    TransportError(QNetworkReply::NetworkError code, QString description)
        : m_code(code)
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    {}

    QNetworkReply::NetworkError code() const { return m_code; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QNetworkReply::NetworkError m_code;
    QString m_description;
    QByteArray m_what;
};
