#pragma once

#include "api/BoundedReply.h"
#include "api/TlsConfiguration.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQmlIntegration>

#include <optional>

class QNetworkReply;

// Fetches the report's thumbnails and screenshots with the TLS settings of every other request to
// the service. The addresses come from the server, so only http and https ones are ever fetched:
// a file: or qrc: address would otherwise read this machine's own files. No credentials are sent.
class ScreenshotImageLoader : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The screenshots services hold the loader")

public:
    // A picture larger than this is refused rather than held in memory, and one not arrived in
    // full by the deadline is given up: a picture trickled a byte at a time would otherwise load
    // for ever.
    static constexpr BoundedReply::Limits pictureLimits{32 * 1024 * 1024, 60000};

    explicit ScreenshotImageLoader(TlsConfiguration tls, QObject *parent = nullptr);
    ScreenshotImageLoader(TlsConfiguration tls, BoundedReply::Limits limits,
                          QObject *parent = nullptr);

    // The address when it parses strictly, names a host and is http or https; none otherwise.
    static std::optional<QUrl> loadableUrl(const QString &text);

    // The reply for a loadable address (the caller owns it), held to the limits, or nullptr for
    // any other.
    QNetworkReply *get(const QUrl &url);

private:
    const TlsConfiguration m_tls;
    const BoundedReply::Limits m_limits;
    QNetworkAccessManager m_network;
};
