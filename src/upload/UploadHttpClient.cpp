#include "upload/UploadHttpClient.h"

#include "api/APIEndpoints.h"
#include "api/APIError.h"
#include "api/AuthTokenStore.h"
#include "api/DomainStorage.h"
#include "api/LogRedactor.h"
#include "api/SingleSendBody.h"
#include "api/UnauthorizedHandler.h"
#include "foundation/Log.h"
#include "upload/TransportError.h"

#include <QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include <memory>

namespace {

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString bytesDescription(const QByteArray &bytes)
{
    return QString::number(bytes.size()) + QStringLiteral(" bytes");
}

QString cut(const QString &text, int maxChars, bool markCut)
{
    if (text.size() <= maxChars)
        return text;
    return text.left(maxChars) + (markCut ? QStringLiteral("...") : QString());
}

QString methodText(const UploadHttpClient::Request &request)
{
    return request.method.isEmpty() ? QStringLiteral("?") : QString::fromLatin1(request.method);
}

QString pathText(const UploadHttpClient::Request &request)
{
    return request.url.isEmpty() ? QStringLiteral("?") : request.url.path();
}

// Qt reports a closed connection it was not allowed to send the request on again as a failed
// re-send; what happened is that the service closed the connection unanswered, and the queue
// decides on that as on any closed connection.
TransportError transportError(const QNetworkReply &reply)
{
    if (reply.error() == QNetworkReply::ContentReSendError)
        return TransportError(QNetworkReply::RemoteHostClosedError,
                              QStringLiteral("the connection closed before an answer"));
    return TransportError(reply.error(), LogRedactor::redact(reply.errorString()));
}

QByteArray bearer(const QString &accessToken)
{
    return QByteArrayLiteral("Bearer ") + accessToken.toUtf8();
}

} // namespace

QByteArray UploadHttpClient::Request::header(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

void UploadHttpClient::Request::setHeader(const QByteArray &name, const QByteArray &value)
{
    for (auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            header.second = value;
            return;
        }
    }
    headers.append({name, value});
}

UploadHttpClient::UploadHttpClient(const APIEndpoints &endpoints, AuthTokenStore &tokens,
                                   UnauthorizedHandler *unauthorizedHandler, TlsConfiguration tls)
    : m_endpoints(endpoints)
    , m_tokens(tokens)
    , m_unauthorizedHandler(unauthorizedHandler)
    , m_tls(std::move(tls))
{}

UploadHttpClient::Request UploadHttpClient::makeRequest(const QString &path,
                                                        const QByteArray &method,
                                                        const QByteArray &contentType) const
{
    const QUrl relative(path, QUrl::StrictMode);
    const QUrl url = relative.isValid() ? m_endpoints.baseURL().resolved(relative) : QUrl();
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        throw APIError::invalidURL();
    if (!DomainStorage::mayCarryCredentials(url)) {
        zuvError(lcUpload).noquote()
            << "API request refused:" << QString::fromLatin1(method) << url.path()
            << "would go in clear over plain http to" << url.host();
        throw APIError::invalidURL();
    }

    Request request;
    request.url = url;
    request.method = method;
    request.setHeader("app-client", "ios");
    request.setHeader("Content-Type", contentType);
    request.setHeader("Accept", "application/json");
    return request;
}

void UploadHttpClient::logRequest(const Request &request) const
{
    if (!lcUpload().isInfoEnabled())
        return;
    const bool jsonBody =
        request.header("Content-Type").contains("application/json") && !request.body.isEmpty();
    if (jsonBody) {
        zuvInfo(lcUpload).noquote()
            << "API request:" << methodText(request) << pathText(request)
            << "\nPayload:" << stringifyPayload(request.body, payloadLogLimit);
    } else {
        zuvInfo(lcUpload).noquote() << "API request:" << methodText(request) << pathText(request);
    }
}

QCoro::Task<QByteArray> UploadHttpClient::executeRequest(Request request,
                                                         bool allowRetryAfterRefresh)
{
    if (request.header("Authorization").isEmpty()) {
        if (const auto tokens = co_await m_tokens.loadAuthTokens())
            request.setHeader("Authorization", bearer(tokens->accessToken));
    }
    // Each send logs its own failure once; a transport error of the repeat after a refresh is
    // therefore in the log once, as it happened.
    co_return co_await send(request, allowRetryAfterRefresh);
}

QCoro::Task<QByteArray> UploadHttpClient::send(const Request &request, bool allowRetryAfterRefresh)
{
    logRequest(request);

    QNetworkRequest networkRequest(request.url);
    for (const auto &header : request.headers)
        networkRequest.setRawHeader(header.first, header.second);
    networkRequest.setTransferTimeout(requestTimeoutMilliseconds);
    // As in the general client: a redirect elsewhere reaches us as its 3xx status, so the bearer
    // token never follows it. One followed within the origin still fails the upload below.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::SameOriginRedirectPolicy);
    m_tls.applyTo(networkRequest);

    // Owned by the reply, which reads it until it finishes.
    auto *requestBody = new SingleSendBody(request.body);
    std::unique_ptr<QNetworkReply, DeleteLater> reply(
        m_network.sendCustomRequest(networkRequest, request.method, requestBody));
    requestBody->setParent(reply.get());
    const BoundedReply bounds(*reply, m_limits);
    ++m_requestsInFlight;
    co_await reply.get();
    --m_requestsInFlight;
    if (++m_requestsSinceRelease >= requestsPerConnectionRelease)
        releaseIdleConnections();

    if (bounds.failed()) {
        zuvError(lcUpload).noquote() << "API request failed:" << methodText(request)
                                     << pathText(request) << "-" << bounds.failure();
        throw TransportError(bounds.failureCode(), bounds.failure());
    }

    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid()) {
        if (reply->error() != QNetworkReply::NoError) {
            const TransportError failure = transportError(*reply);
            zuvError(lcUpload).noquote() << "API request failed:" << methodText(request)
                                         << pathText(request) << "-" << failure.description();
            throw failure;
        }
        throw APIError::serverError(-1);
    }
    if (reply->url() != request.url) {
        // A 302 turns a POST into a GET, and whatever answers there did not take the upload; its
        // status says nothing about this request, so the queue hears of no answer at all.
        const QString description =
            QStringLiteral("redirected to ") + reply->url().path() + QStringLiteral(", not sent");
        zuvError(lcUpload).noquote() << "API request failed:" << methodText(request)
                                     << pathText(request) << "-" << description;
        throw TransportError(QNetworkReply::ProtocolFailure, description);
    }

    const int status = statusAttribute.toInt();
    const QByteArray body = reply->readAll();
    zuvInfo(lcUpload).noquote() << "API response:" << methodText(request) << pathText(request)
                                << "->" << status;
    if (status >= 200 && status <= 299)
        co_return body;

    if (!body.isEmpty() && lcUpload().isWarningEnabled()) {
        zuvError(lcUpload).noquote()
            << "API error" << status << pathText(request) + QLatin1Char(':') << errorBodyText(body);
    }
    if (status == 401) {
        if (!allowRetryAfterRefresh)
            throw APIError::unauthorized();
        co_return co_await repeatAfterRefresh(request);
    }
    throw APIError::serverError(status);
}

QCoro::Task<QByteArray> UploadHttpClient::repeatAfterRefresh(Request request)
{
    std::optional<AuthTokens> tokens;
    if (m_unauthorizedHandler)
        tokens = co_await m_unauthorizedHandler->handleUnauthorized();
    if (!tokens)
        throw APIError::unauthorized();
    request.setHeader("Authorization", bearer(tokens->accessToken));
    co_return co_await send(request, false);
}

void UploadHttpClient::releaseIdleConnections()
{
    if (m_requestsInFlight > 0)
        return;
    m_network.clearConnectionCache();
    m_requestsSinceRelease = 0;
}

QString UploadHttpClient::stringifyPayload(const QByteArray &body, int maxChars)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error == QJsonParseError::NoError &&
        (document.isObject() || document.isArray())) {
        if (const auto pretty = decodeUtf8(document.toJson(QJsonDocument::Indented)))
            return cut(LogRedactor::redact(*pretty), maxChars, true);
    }
    const auto text = decodeUtf8(body);
    if (!text)
        return bytesDescription(body);
    return cut(LogRedactor::redact(*text), maxChars, false);
}

QString UploadHttpClient::errorBodyText(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isObject()) {
        const QJsonObject object = document.object();
        const QJsonValue message = object.value(QStringLiteral("message"));
        if (message.isString())
            return LogRedactor::redact(message.toString());
        if (object.contains(QStringLiteral("errors"))) {
            const QJsonValue errors = object.value(QStringLiteral("errors"));
            const QString description =
                errors.isObject()
                    ? QString::fromUtf8(
                          QJsonDocument(errors.toObject()).toJson(QJsonDocument::Compact))
                : errors.isArray()
                    ? QString::fromUtf8(
                          QJsonDocument(errors.toArray()).toJson(QJsonDocument::Compact))
                    : errors.toVariant().toString();
            return LogRedactor::redact(errors.isNull() ? QStringLiteral("null") : description);
        }
    }
    const auto text = decodeUtf8(body);
    if (!text)
        return bytesDescription(body);
    return cut(LogRedactor::redact(*text), errorBodyLogLimit, true);
}
