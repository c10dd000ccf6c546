#include "api/APIClient.h"

#include "api/APIEndpoints.h"
#include "api/AuthTokenStore.h"
#include "api/BackendSnackbarReporter.h"
#include "api/DomainStorage.h"
#include "api/LogRedactor.h"
#include "api/SingleSendBody.h"
#include "api/UnauthorizedHandler.h"
#include "foundation/Log.h"

#include <QCoroNetworkReply>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <memory>

namespace {

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

bool sameHeaderName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void setHeader(APIClient::Headers &headers, const QByteArray &name, const QByteArray &value)
{
    for (auto &header : headers) {
        if (sameHeaderName(header.first, name)) {
            header.second = value;
            return;
        }
    }
    headers.append({name, value});
}

// End offsets of the user-perceived characters of a text.
QList<qsizetype> graphemeEnds(const QString &text)
{
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype position = finder.toNextBoundary(); position > 0 && position <= text.size();
         position = finder.toNextBoundary())
        ends.append(position);
    return ends;
}

// The first maxChars characters of a long body, masked; the window read is larger than what is
// shown, so masking (which shortens) still fills it, and a secret cut at its end is masked too.
QString beginningOfLongBody(const QByteArray &body, int maxChars)
{
    const QByteArray window = body.left(4 * qsizetype(maxChars));
    // Stateful: a character cut at the window's end is held back, not taken for bad bytes.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(window);
    if (decoder.hasError())
        return QStringLiteral("Non-UTF8 binary payload (%1 bytes)").arg(body.size());
    text = LogRedactor::redactBeginning(text);
    const QList<qsizetype> ends = graphemeEnds(text);
    const qsizetype shown = std::min<qsizetype>(maxChars, ends.size());
    return text.left(shown > 0 ? ends.at(shown - 1) : 0) +
           QStringLiteral("…(%1 bytes total)").arg(body.size());
}

QString loggedURL(const QUrl &url)
{
    return url.toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded);
}

QString outcomePrefix(const QByteArray &method, const QUrl &url)
{
    return QString::fromLatin1(method) + QStringLiteral(" -> ") + url.path();
}

} // namespace

APIClient::APIClient(const APIEndpoints &endpoints, AuthTokenStore &tokens, TlsConfiguration tls)
    : m_endpoints(endpoints)
    , m_tokens(tokens)
    , m_tls(std::move(tls))
{}

std::optional<QUrl> APIClient::resolve(const QString &path) const
{
    const QUrl relative(path, QUrl::StrictMode);
    if (!relative.isValid())
        return std::nullopt;
    const QUrl url = m_endpoints.baseURL().resolved(relative);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return url;
}

QCoro::Task<QByteArray> APIClient::send(Call call)
{
    const bool mayRepair = call.retryOnUnauthorized;
    return sendOnce(std::move(call), mayRepair);
}

QCoro::Task<QByteArray> APIClient::sendOnce(Call call, bool mayRepair)
{
    // First, so that the address is the one current when the keyring has answered.
    std::optional<AuthTokens> bearerToken;
    if (call.includeAuthorization)
        bearerToken = co_await m_tokens.loadAuthTokens();
    const std::optional<QUrl> url = resolve(call.path);
    if (!url) {
        reportUnresolvable(call);
        throw APIError::invalidURL();
    }
    if (!DomainStorage::mayCarryCredentials(*url)) {
        zuvError(lcAuth).noquote()
            << QStringLiteral("API request refused: %1 %2 would go in "
                              "clear over plain http to %3")
                   .arg(QString::fromLatin1(call.method), url->path(), url->host());
        throw APIError::invalidURL();
    }

    QNetworkRequest request(*url);
    request.setTransferTimeout(timeoutMilliseconds);
    // A redirect elsewhere reaches us as its 3xx status; the bearer token never follows it.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    m_tls.applyTo(request);

    Headers headers;
    setHeader(headers, "Content-Type", "application/json");
    setHeader(headers, "Accept", "application/json");
    setHeader(headers, "app-client", "mac");
    setHeader(headers, "X-App", "hr");
    for (const auto &[name, value] : std::as_const(call.extraHeaders))
        setHeader(headers, name, value);
    if (bearerToken)
        setHeader(headers, "Authorization", "Bearer " + bearerToken->accessToken.toUtf8());
    for (const auto &[name, value] : std::as_const(headers))
        request.setRawHeader(name, value);

    if (call.body && !call.body->isEmpty()) {
        zuvInfo(lcUpload).noquote()
            << QStringLiteral("API request: %1 %2\nPayload: %3")
                   .arg(QString::fromLatin1(call.method), url->path(),
                        stringifyJSONorText(call.body, requestLineBodyLimit));
    } else {
        zuvInfo(lcUpload).noquote() << QStringLiteral("API request: %1 %2")
                                           .arg(QString::fromLatin1(call.method), url->path());
    }

    std::unique_ptr<QNetworkReply, DeleteLater> reply(startRequest(request, call));
    const BoundedReply bounds(*reply, m_limits);
    co_await reply.get();

    const QString requestPayload = stringifyJSONorText(call.body, outcomeBodyLimit);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (bounds.failed() || !status.isValid()) {
        if (!bounds.failed() && reply->error() == QNetworkReply::NoError)
            throw APIError::serverError(-1);
        // What arrived of an answer that broke its bounds is neither used nor logged.
        const QString error =
            bounds.failed() ? bounds.failure() : LogRedactor::redact(reply->errorString());
        const QString title =
            outcomePrefix(call.method, *url) + QStringLiteral(" • no HTTP response");
        const QStringList detail = {
            QStringLiteral("URL: ") + loggedURL(*url),
            QStringLiteral("Method: ") + QString::fromLatin1(call.method),
            QStringLiteral("Request payload:"),
            requestPayload,
            QStringLiteral("Error:"),
            error,
        };
        BackendSnackbarReporter::show(title, detail.join(QLatin1Char('\n')), true);
        throw APIError::network(bounds.failed() ? bounds.failureCode() : reply->error(), error);
    }

    const int statusCode = status.toInt();
    const QByteArray answer = reply->readAll();
    const bool success = statusCode >= 200 && statusCode <= 299;
    const QStringList detail = {
        QStringLiteral("URL: ") + loggedURL(*url),
        QStringLiteral("Method: ") + QString::fromLatin1(call.method),
        QStringLiteral("StatusCode: ") + QString::number(statusCode),
        QStringLiteral("Request payload:"),
        requestPayload,
        QStringLiteral("Response payload:"),
        stringifyJSONorText(answer, outcomeBodyLimit),
    };
    BackendSnackbarReporter::show(outcomePrefix(call.method, *url) + QStringLiteral(" • ") +
                                      QString::number(statusCode),
                                  detail.join(QLatin1Char('\n')), !success);

    if (success)
        co_return answer;
    if (statusCode != 401)
        throw APIError::serverError(statusCode);
    if (!mayRepair || !m_unauthorizedHandler)
        throw APIError::unauthorized();

    const std::optional<AuthTokens> repaired = co_await m_unauthorizedHandler->handleUnauthorized();
    if (!repaired)
        throw APIError::unauthorized();
    // The repeated request reads the repaired tokens from the store again and never repairs twice.
    co_return co_await sendOnce(std::move(call), false);
}

void APIClient::reportUnresolvable(const Call &call) const
{
    // The query is left out: it is the one part of a path that could carry a value.
    const QString path = call.path.section(QLatin1Char('?'), 0, 0);
    zuvError(lcAuth).noquote()
        << QStringLiteral("Request not sent: %1 %2 has no usable http(s) address under %3")
               .arg(QString::fromLatin1(call.method), path,
                    m_endpoints.baseURL().toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery));
}

QNetworkReply *APIClient::startRequest(const QNetworkRequest &request, const Call &call)
{
    if (!call.body)
        return m_network.sendCustomRequest(request, call.method);
    // Owned by the reply, which reads it until it finishes.
    auto *body = new SingleSendBody(*call.body);
    QNetworkReply *reply = m_network.sendCustomRequest(request, call.method, body);
    body->setParent(reply);
    return reply;
}

QString APIClient::stringifyJSONorText(const std::optional<QByteArray> &body, int maxChars)
{
    if (!body)
        return QStringLiteral("nil");

    // Formatting a body of megabytes for a few thousand characters of log would hold the GUI
    // thread for seconds; past this only its beginning is read, as text.
    const qsizetype formattedBodyLimit = 64 * 1024 + 16 * qsizetype(maxChars);
    if (body->size() > formattedBodyLimit)
        return beginningOfLongBody(*body, maxChars);

    QString text;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*body, &error);
    if (error.error == QJsonParseError::NoError && (document.isObject() || document.isArray())) {
        text = QString::fromUtf8(document.toJson(QJsonDocument::Indented));
    } else {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder.decode(*body);
        if (decoder.hasError())
            return QStringLiteral("Non-UTF8 binary payload (%1 bytes)").arg(body->size());
    }

    const QString masked = LogRedactor::redact(text);
    const QList<qsizetype> ends = graphemeEnds(masked);
    const qsizetype length = ends.size();
    if (length <= maxChars)
        return masked;
    const qsizetype cut = maxChars > 0 ? ends.at(maxChars - 1) : 0;
    return masked.left(cut) + QStringLiteral("…(%1 chars total)").arg(length);
}
