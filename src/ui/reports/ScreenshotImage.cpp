#include "ui/reports/ScreenshotImage.h"

#include "ui/reports/ScreenshotImageLoader.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkReply>
#include <QPainter>
#include <QPainterPath>
#include <QPromise>
#include <QThreadPool>

#include <memory>

ScreenshotImage::ScreenshotImage(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{}

ScreenshotImage::~ScreenshotImage()
{
    abortReply();
}

void ScreenshotImage::setLoader(ScreenshotImageLoader *loader)
{
    if (m_loader == loader)
        return;
    m_loader = loader;
    Q_EMIT loaderChanged();
    reload();
}

void ScreenshotImage::setSource(const QString &source)
{
    if (m_source == source)
        return;
    m_source = source;
    Q_EMIT sourceChanged();
    reload();
}

void ScreenshotImage::setFillMode(FillMode mode)
{
    if (m_fillMode == mode)
        return;
    m_fillMode = mode;
    Q_EMIT fillModeChanged();
    update();
}

void ScreenshotImage::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    Q_EMIT cornerRadiusChanged();
    update();
}

QRectF ScreenshotImage::targetRect(QSizeF imageSize, const QRectF &bounds, FillMode mode)
{
    if (imageSize.isEmpty() || bounds.isEmpty())
        return {};
    imageSize.scale(bounds.size(),
                    mode == FillMode::Crop ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
    QRectF target(QPointF(), imageSize);
    target.moveCenter(bounds.center());
    return target;
}

void ScreenshotImage::paint(QPainter *painter)
{
    if (m_image.isNull())
        return;
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(boundingRect(), m_cornerRadius, m_cornerRadius);
    painter->setClipPath(clip);
    painter->drawImage(targetRect(m_image.size(), boundingRect(), m_fillMode), m_image);
}

void ScreenshotImage::reload()
{
    abortReply();
    // A picture still being decoded belongs to the address before.
    m_decoding.reset();
    m_image = QImage();
    update();
    const std::optional<QUrl> url = ScreenshotImageLoader::loadableUrl(m_source);
    QNetworkReply *reply = url && m_loader ? m_loader->get(*url) : nullptr;
    if (!reply) {
        setStatus(Status::NoAddress);
        return;
    }
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    setStatus(Status::Loading);
}

void ScreenshotImage::abortReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void ScreenshotImage::finish(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        setStatus(Status::Failed);
        return;
    }
    // A full-size screenshot takes tens of milliseconds to decode: not on the GUI thread.
    auto promise = std::make_shared<QPromise<QImage>>();
    m_decoding = std::make_unique<QFutureWatcher<QImage>>();
    connect(m_decoding.get(), &QFutureWatcher<QImage>::finished, this,
            &ScreenshotImage::showDecoded);
    m_decoding->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, bytes = reply->readAll()]() mutable {
        promise->start();
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        promise->addResult(reader.read());
        promise->finish();
    });
}

void ScreenshotImage::showDecoded()
{
    const QFuture<QImage> future = m_decoding->future();
    m_image = future.resultCount() > 0 ? future.result() : QImage();
    setStatus(m_image.isNull() ? Status::Failed : Status::Ready);
    update();
}

void ScreenshotImage::setStatus(Status status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}
