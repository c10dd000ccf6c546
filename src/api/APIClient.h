#pragma once

#include "api/APIError.h"
#include "api/BoundedReply.h"
#include "api/EmptyResponse.h"
#include "api/TlsConfiguration.h"

#include <QByteArray>
#include <QCoroTask>
#include <QJsonDocument>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <concepts>
#include <optional>
#include <type_traits>
#include <utility>

class APIEndpoints;
class AuthTokenStore;
class QNetworkReply;
class QNetworkRequest;
class UnauthorizedHandler;

// The JSON-over-HTTPS client of the HR service's API, used by the authentication, configuration
// and screenshot report calls. Each call reads the base address and the stored tokens afresh.
//
// A call fails by throwing APIError. Only http and https URLs are ever requested. A 401 is
// repaired once through the UnauthorizedHandler, when the call allows it, and the request repeated.
//
// The client lives on one thread (its network manager's) and for as long as any call it started.
//
// Inside a coroutine, pass a named Call to co_await, not a braced temporary: g++ 12 destroys a
// temporary aggregate within a co_await expression twice, which corrupts the heap.
class APIClient
{
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    struct Call
    {
        QString path; // relative to the base address, no leading "/"; may carry a query
        QByteArray method = QByteArrayLiteral("GET");
        std::optional<QByteArray> body; // already JSON
        bool includeAuthorization = false;
        bool retryOnUnauthorized = false;
        Headers extraHeaders; // added last, replacing a default of the same name
    };

    static constexpr int timeoutMilliseconds = 60'000;
    // A configuration or a day's screenshot report is some kilobytes; a few MiB leaves room for
    // a company with many tasks and a long day.
    static constexpr qint64 maxAnswerBytes = 4 * 1024 * 1024;
    // The whole request, however slowly its answer arrives.
    static constexpr int deadlineMilliseconds = 60'000;
    static constexpr int requestLineBodyLimit = 2000;
    static constexpr int outcomeBodyLimit = 6000;

    APIClient(const APIEndpoints &endpoints, AuthTokenStore &tokens,
              TlsConfiguration tls = TlsConfiguration::fromEnvironment());
    APIClient(const APIClient &) = delete;
    APIClient &operator=(const APIClient &) = delete;

    // For tests: other bounds on an answer's size and a request's time.
    void setAnswerLimits(BoundedReply::Limits limits) { m_limits = limits; }

    // Not owned; the authentication service installs itself once at start-up.
    void setUnauthorizedHandler(UnauthorizedHandler *handler) { m_unauthorizedHandler = handler; }

    // The success answer's body as received.
    QCoro::Task<QByteArray> send(Call call);

    // The success answer decoded into T: EmptyResponse takes any body, other types provide
    // static std::optional<T> fromJson(const QJsonValue &) (or fromJsonBytes(const QByteArray &)).
    template<typename T>
    QCoro::Task<T> request(Call call)
    {
        const QByteArray body = co_await send(std::move(call));
        if constexpr (std::is_same_v<T, EmptyResponse>) {
            co_return EmptyResponse{};
        } else {
            std::optional<T> decoded = decode<T>(body);
            if (!decoded)
                throw APIError::decodingFailed();
            co_return std::move(*decoded);
        }
    }

    // A body as the log shows it: pretty-printed JSON or the text itself, secrets masked, cut to
    // maxChars characters. A body far longer than that is shown from its beginning as it came,
    // never parsed or formatted whole.
    static QString stringifyJSONorText(const std::optional<QByteArray> &body, int maxChars);

    // The URL a path addresses under the current base address; none when it cannot be parsed or
    // is not an http or https URL.
    std::optional<QUrl> resolve(const QString &path) const;

private:
    template<typename T>
    static std::optional<T> decode(const QByteArray &body)
    {
        if constexpr (requires {
                          {
                              T::fromJsonBytes(body)
                              } -> std::same_as<std::optional<T>>;
                      }) {
            return T::fromJsonBytes(body);
        } else {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(body, &error);
            if (error.error != QJsonParseError::NoError)
                return std::nullopt;
            if (document.isArray())
                return T::fromJson(document.array());
            return T::fromJson(document.object());
        }
    }

    QCoro::Task<QByteArray> sendOnce(Call call, bool mayRepair);
    // A request that fails before it is sent leaves this one line, else nothing would show it.
    void reportUnresolvable(const Call &call) const;
    // Hands the request to Qt; a body is sent once at most, never again behind the caller's back.
    QNetworkReply *startRequest(const QNetworkRequest &request, const Call &call);

    const APIEndpoints &m_endpoints;
    AuthTokenStore &m_tokens;
    const TlsConfiguration m_tls;
    UnauthorizedHandler *m_unauthorizedHandler = nullptr;
    BoundedReply::Limits m_limits{maxAnswerBytes, deadlineMilliseconds};
    QNetworkAccessManager m_network;
};
