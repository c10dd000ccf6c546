#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQmlIntegration>

#include <memory>

class QNetworkReply;
Q_MOC_INCLUDE("ui/reports/ScreenshotImageLoader.h")
class ScreenshotImageLoader;

// A thumbnail or screenshot fetched from the server's address and drawn at scale 1, either filling
// the item (cropped) or fitted inside it (letter-boxed). The address is loaded when the item gets
// it and the picture is held only as long as the item shows it.
class ScreenshotImage : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ScreenshotImageLoader *loader READ loader WRITE setLoader NOTIFY loaderChanged)
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(FillMode fillMode READ fillMode WRITE setFillMode NOTIFY fillModeChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    // The picture is clipped to a rectangle with corners this round.
    Q_PROPERTY(
        qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)

public:
    enum class FillMode
    {
        Crop,
        Fit,
    };
    Q_ENUM(FillMode)

    // NoAddress: nothing to load (empty, not an address, or not http/https).
    enum class Status
    {
        NoAddress,
        Loading,
        Ready,
        Failed,
    };
    Q_ENUM(Status)

    explicit ScreenshotImage(QQuickItem *parent = nullptr);
    ~ScreenshotImage() override;

    ScreenshotImageLoader *loader() const { return m_loader; }
    void setLoader(ScreenshotImageLoader *loader);
    QString source() const { return m_source; }
    void setSource(const QString &source);
    FillMode fillMode() const { return m_fillMode; }
    void setFillMode(FillMode mode);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    Status status() const { return m_status; }
    const QImage &image() const { return m_image; }

    // Where a picture of the size lands in the bounds.
    static QRectF targetRect(QSizeF imageSize, const QRectF &bounds, FillMode mode);

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void loaderChanged();
    void sourceChanged();
    void fillModeChanged();
    void statusChanged();
    void cornerRadiusChanged();

private:
    void reload();
    void abortReply();
    void finish(QNetworkReply *reply);
    void showDecoded();
    void setStatus(Status status);

    QPointer<ScreenshotImageLoader> m_loader;
    QString m_source;
    FillMode m_fillMode = FillMode::Crop;
    qreal m_cornerRadius = 0;
    Status m_status = Status::NoAddress;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QFutureWatcher<QImage>> m_decoding;
    QImage m_image;
};
