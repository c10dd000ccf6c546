#include "ui/reports/ScreenshotHourModel.h"

#include "ui/reports/ScreenshotSegmentModel.h"
#include "ui/reports/ScreenshotTexts.h"

#include <algorithm>

ScreenshotHourModel::ScreenshotHourModel(QObject *parent)
    : QAbstractListModel(parent)
{}

void ScreenshotHourModel::setHours(const QList<ScreenshotReport::Hour> &hours)
{
    const bool countChanges = hours.size() != m_hours.size();
    beginResetModel();
    // The view drops its delegates, and with them their hold on the old segment models, only
    // once the reset has ended.
    for (ScreenshotSegmentModel *model : std::as_const(m_segmentModels))
        model->deleteLater();
    m_segmentModels.clear();
    m_hours = hours;
    for (const ScreenshotReport::Hour &hour : std::as_const(m_hours))
        m_segmentModels.append(new ScreenshotSegmentModel(hour.segments, this));
    endResetModel();
    if (countChanges)
        Q_EMIT countChanged();
}

ScreenshotSegmentModel *ScreenshotHourModel::segments(int row) const
{
    return row >= 0 && row < m_segmentModels.size() ? m_segmentModels.at(row) : nullptr;
}

QString ScreenshotHourModel::rangeTextFor(const ScreenshotReport::Hour &hour)
{
    if (hour.segments.isEmpty())
        return QStringLiteral(" - ");
    return hour.segments.first().from + QStringLiteral(" - ") + hour.segments.last().to;
}

int ScreenshotHourModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_hours.size());
}

QVariant ScreenshotHourModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ScreenshotReport::Hour &hour = m_hours.at(index.row());
    switch (role) {
    case HourRole:
        return hour.hour;
    case RangeTextRole:
        return rangeTextFor(hour);
    case ActivityFractionRole:
        return std::clamp(hour.stats.activityRate / 100.0, 0.0, 1.0);
    case ActivityTextRole:
        return ScreenshotTexts::percent(hour.stats.activityRate, 0);
    case SegmentsRole:
        return QVariant::fromValue(segments(index.row()));
    default:
        return {};
    }
}

QHash<int, QByteArray> ScreenshotHourModel::roleNames() const
{
    return {{HourRole, "hour"},
            {RangeTextRole, "rangeText"},
            {ActivityFractionRole, "activityFraction"},
            {ActivityTextRole, "activityText"},
            {SegmentsRole, "segments"}};
}
