#pragma once

#include <QColor>
#include <QObject>
#include <QtQmlIntegration>

// One stop of a palette's brand gradient.
struct WDGradientStop
{
    Q_GADGET
    QML_VALUE_TYPE(wdGradientStop)
    Q_PROPERTY(QColor color MEMBER color)
    Q_PROPERTY(double location MEMBER location)

public:
    QColor color;
    double location = 0.0;

    friend bool operator==(const WDGradientStop &, const WDGradientStop &) = default;
};
