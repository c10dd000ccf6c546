#include "ui/reports/ScreenshotViewerModel.h"

#include "ui/reports/ScreenshotImageLoader.h"

ScreenshotViewerModel::ScreenshotViewerModel(QObject *parent)
    : QObject(parent)
{}

void ScreenshotViewerModel::setUrls(const QStringList &urls)
{
    if (m_urls == urls && m_index == 0)
        return;
    m_urls = urls;
    m_index = 0;
    Q_EMIT urlsChanged();
    Q_EMIT indexChanged();
}

QString ScreenshotViewerModel::positionText() const
{
    if (showsArrows())
        return QStringLiteral("%1 / %2").arg(m_index + 1).arg(count());
    return QStringLiteral("%1 screenshot").arg(count());
}

QString ScreenshotViewerModel::currentSource() const
{
    if (m_index >= count())
        return {};
    const std::optional<QUrl> url = ScreenshotImageLoader::loadableUrl(m_urls.at(m_index));
    return url ? url->toString(QUrl::FullyEncoded) : QString();
}

void ScreenshotViewerModel::previous()
{
    if (canGoBack())
        setIndex(m_index - 1);
}

void ScreenshotViewerModel::next()
{
    if (canGoForward())
        setIndex(m_index + 1);
}

void ScreenshotViewerModel::setIndex(int index)
{
    m_index = index;
    Q_EMIT indexChanged();
}
