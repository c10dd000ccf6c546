#pragma once

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

// Which part of a wide hero illustration a banner shows; see WDHeroCropGeometry for how the
// values place the image.
struct WDBannerSpec
{
    Q_GADGET
    QML_VALUE_TYPE(wdBannerSpec)
    Q_PROPERTY(QString imageName MEMBER imageName)
    Q_PROPERTY(double aspect MEMBER aspect)
    Q_PROPERTY(double window MEMBER window)
    Q_PROPERTY(double charCenterX MEMBER charCenterX)
    Q_PROPERTY(double topBias MEMBER topBias)

public:
    QString imageName;
    double aspect = 1.0;
    double window = 1.0;
    double charCenterX = 0.5;
    double topBias = 0.0;

    friend bool operator==(const WDBannerSpec &, const WDBannerSpec &) = default;
};
