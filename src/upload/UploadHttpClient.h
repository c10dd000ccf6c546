#pragma once

#include "api/BoundedReply.h"
#include "api/TlsConfiguration.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

class APIEndpoints;
class AuthTokenStore;
class UnauthorizedHandler;

// The upload queue's own HTTP layer to the tracking API: requests relative to the API base
// address with the fixed headers and the signed-in user's bearer token, every request and answer
// logged with secrets masked, non-2xx answers turned into APIError, and a 401 repaired by the one
// shared token refresh followed by a single repeat.
//
// Throws APIError (invalid URL, unauthorized, server error with its status), TransportError when
// no HTTP answer for the request came back (a redirect within the origin counts as none), and
// nothing else; an answer past its size limit or its deadline is a TransportError too. One send
// is one request on the wire: a connection that closes unanswered is a
// TransportError, never a silent second copy. Credentials go only over https (or plain http to
// the loopback host); any other address is an invalid URL.
class UploadHttpClient
{
public:
    static constexpr int requestTimeoutMilliseconds = 120'000;
    // The tracking answers carry an acknowledgement and today's total, some hundred bytes.
    static constexpr qint64 maxAnswerBytes = 64 * 1024;
    // The whole request, a screenshot's upload included, however slowly its answer arrives.
    static constexpr int deadlineMilliseconds = 120'000;
    static constexpr int payloadLogLimit = 2000;
    static constexpr int errorBodyLogLimit = 500;
    static constexpr int requestsPerConnectionRelease = 100;

    struct Request
    {
        QUrl url;
        QByteArray method;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray header(const QByteArray &name) const;
        void setHeader(const QByteArray &name, const QByteArray &value);
    };

    UploadHttpClient(const APIEndpoints &endpoints, AuthTokenStore &tokens,
                     UnauthorizedHandler *unauthorizedHandler,
                     TlsConfiguration tls = TlsConfiguration::fromEnvironment());

    // Resolves path against the API base address; throws APIError::invalidURL when that gives
    // no http(s) address.
    Request makeRequest(const QString &path, const QByteArray &method,
                        const QByteArray &contentType) const;
    // The body of a 2xx answer (possibly empty). A request without an Authorization header gets
    // the stored token's, once the keyring has answered; without stored tokens it goes without.
    QCoro::Task<QByteArray> executeRequest(Request request, bool allowRetryAfterRefresh);

    // For tests: other bounds on an answer's size and a request's time.
    void setAnswerLimits(BoundedReply::Limits limits) { m_limits = limits; }

    // Drops idle cached connections. Qt keeps memory for every TLS connection the cache has
    // seen until the cache is cleared, so a process that uploads all day clears it now and then.
    void releaseIdleConnections();

    // The texts the log shows for a request body and an error body: secrets masked first, then
    // cut to the limit, so a cut never leaves half a secret unmasked.
    static QString stringifyPayload(const QByteArray &body, int maxChars);
    static QString errorBodyText(const QByteArray &body);

private:
    QCoro::Task<QByteArray> send(const Request &request, bool allowRetryAfterRefresh);
    QCoro::Task<QByteArray> repeatAfterRefresh(Request request);
    void logRequest(const Request &request) const;

    const APIEndpoints &m_endpoints;
    AuthTokenStore &m_tokens;
    UnauthorizedHandler *m_unauthorizedHandler;
    TlsConfiguration m_tls;
    BoundedReply::Limits m_limits{maxAnswerBytes, deadlineMilliseconds};
    QNetworkAccessManager m_network;
    int m_requestsInFlight = 0;
    int m_requestsSinceRelease = 0;
};
