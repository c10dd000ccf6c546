#include "ui/reports/ScreenshotImageLoader.h"

#include "api/DomainStorage.h"

#include <QNetworkReply>
#include <QNetworkRequest>

ScreenshotImageLoader::ScreenshotImageLoader(TlsConfiguration tls, QObject *parent)
    : ScreenshotImageLoader(std::move(tls), pictureLimits, parent)
{}

ScreenshotImageLoader::ScreenshotImageLoader(TlsConfiguration tls, BoundedReply::Limits limits,
                                             QObject *parent)
    : QObject(parent)
    , m_tls(std::move(tls))
    , m_limits(limits)
{}

std::optional<QUrl> ScreenshotImageLoader::loadableUrl(const QString &text)
{
    const std::optional<QUrl> url = DomainStorage::parseBaseURL(text);
    if (!url)
        return std::nullopt;
    const QString scheme = url->scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return std::nullopt;
    return url;
}

QNetworkReply *ScreenshotImageLoader::get(const QUrl &url)
{
    if (!loadableUrl(url.toString(QUrl::FullyEncoded)))
        return nullptr;
    QNetworkRequest request(url);
    m_tls.applyTo(request);
    // A redirect may not lead from https to http, nor to any other scheme.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network.get(request);
    // Goes with the reply; a reply it ends finishes as failed.
    (new BoundedReply(*reply, m_limits))->setParent(reply);
    return reply;
}
