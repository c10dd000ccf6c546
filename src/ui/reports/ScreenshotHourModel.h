#pragma once

#include "api/report/ScreenshotReport.h"

#include <QAbstractListModel>
#include <QList>
#include <QtQmlIntegration>

Q_MOC_INCLUDE("ui/reports/ScreenshotSegmentModel.h")
class ScreenshotSegmentModel;

// The report's hours, in its order, each with the model of its segment cards.
class ScreenshotHourModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the screenshots view model")
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role
    {
        HourRole = Qt::UserRole + 1,
        RangeTextRole,
        ActivityFractionRole,
        ActivityTextRole,
        SegmentsRole,
    };

    explicit ScreenshotHourModel(QObject *parent = nullptr);

    void setHours(const QList<ScreenshotReport::Hour> &hours);
    ScreenshotSegmentModel *segments(int row) const;

    // From the first segment's start to the last one's end; " - " for an hour without segments.
    static QString rangeTextFor(const ScreenshotReport::Hour &hour);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void countChanged();

private:
    QList<ScreenshotReport::Hour> m_hours;
    QList<ScreenshotSegmentModel *> m_segmentModels;
};
