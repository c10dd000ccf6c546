#include "ui/reports/ScreenshotSegmentModel.h"

#include "ui/reports/ScreenshotImageLoader.h"

#include <algorithm>

ScreenshotSegmentModel::ScreenshotSegmentModel(QList<ScreenshotReport::Segment> segments,
                                               QObject *parent)
    : QAbstractListModel(parent)
    , m_segments(std::move(segments))
{}

ScreenshotSegmentModel::Indicator
ScreenshotSegmentModel::indicatorFor(const QString &indicatorColor)
{
    if (indicatorColor == QLatin1String("green"))
        return Indicator::Success;
    if (indicatorColor == QLatin1String("orange"))
        return Indicator::Warning;
    return Indicator::Brand;
}

QString ScreenshotSegmentModel::thumbnailSourceFor(const ScreenshotReport::Segment &segment)
{
    if (segment.screenshots.isEmpty() || !segment.screenshots.first().thumbnailUrlAvailable)
        return {};
    const std::optional<QUrl> url =
        ScreenshotImageLoader::loadableUrl(segment.screenshots.first().thumbnailUrl);
    return url ? url->toString(QUrl::FullyEncoded) : QString();
}

QStringList ScreenshotSegmentModel::viewerUrlsFor(const ScreenshotReport::Segment &segment)
{
    QStringList urls;
    for (const ScreenshotReport::Screenshot &screenshot : segment.screenshots) {
        if (screenshot.urlAvailable)
            urls.append(screenshot.url);
    }
    return urls;
}

QString ScreenshotSegmentModel::timeRangeFor(const ScreenshotReport::Segment &segment)
{
    return segment.from + QStringLiteral(" - ") + segment.to;
}

int ScreenshotSegmentModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_segments.size());
}

QVariant ScreenshotSegmentModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ScreenshotReport::Segment &segment = m_segments.at(index.row());
    switch (role) {
    case SegmentNumberRole:
        return segment.segmentNumber;
    case TimeRangeRole:
        return timeRangeFor(segment);
    case ScreenshotCountRole:
        return static_cast<int>(segment.screenshots.size());
    case HasScreenshotsRole:
        return !segment.screenshots.isEmpty();
    case ThumbnailSourceRole:
        return thumbnailSourceFor(segment);
    case ActivityFractionRole:
        return std::clamp(segment.stats.activityRate / 100.0, 0.0, 1.0);
    case IndicatorRole:
        return QVariant::fromValue(indicatorFor(segment.indicatorColor));
    case ViewerUrlsRole:
        return viewerUrlsFor(segment);
    default:
        return {};
    }
}

QHash<int, QByteArray> ScreenshotSegmentModel::roleNames() const
{
    return {{SegmentNumberRole, "segmentNumber"},
            {TimeRangeRole, "timeRange"},
            {ScreenshotCountRole, "screenshotCount"},
            {HasScreenshotsRole, "hasScreenshots"},
            {ThumbnailSourceRole, "thumbnailSource"},
            {ActivityFractionRole, "activityFraction"},
            {IndicatorRole, "indicator"},
            {ViewerUrlsRole, "viewerUrls"}};
}
