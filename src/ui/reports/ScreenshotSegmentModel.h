#pragma once

#include "api/report/ScreenshotReport.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>
#include <QtQmlIntegration>

// The ten-minute segment cards of one hour, in the report's order.
class ScreenshotSegmentModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the hour model")
    Q_PROPERTY(int count READ rowCount CONSTANT)

public:
    enum Role
    {
        SegmentNumberRole = Qt::UserRole + 1,
        TimeRangeRole,
        ScreenshotCountRole,
        HasScreenshotsRole,
        ThumbnailSourceRole,
        ActivityFractionRole,
        IndicatorRole,
        ViewerUrlsRole,
    };

    // Which colour the segment's activity bar takes; the view maps it to the palette.
    enum class Indicator
    {
        Success,
        Warning,
        Brand,
    };
    Q_ENUM(Indicator)

    explicit ScreenshotSegmentModel(QList<ScreenshotReport::Segment> segments,
                                    QObject *parent = nullptr);

    // Exactly "green" and "orange"; any other spelling is the brand colour.
    static Indicator indicatorFor(const QString &indicatorColor);
    // The first screenshot's thumbnail, when it is available and loadable; empty otherwise, and
    // then the card shows its placeholder.
    static QString thumbnailSourceFor(const ScreenshotReport::Segment &segment);
    // The addresses the viewer pages through: every available screenshot, in order.
    static QStringList viewerUrlsFor(const ScreenshotReport::Segment &segment);
    static QString timeRangeFor(const ScreenshotReport::Segment &segment);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    const QList<ScreenshotReport::Segment> m_segments;
};
