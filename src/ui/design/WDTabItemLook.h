#pragma once

#include "ui/design/WDPalette.h"

#include <QColor>
#include <QObject>
#include <QtQmlIntegration>

// How one tab of the tab bar looks: the active tab ignores the pointer.
struct WDTabItemLook
{
    Q_GADGET
    QML_VALUE_TYPE(wdTabItemLook)
    Q_PROPERTY(QColor foreground MEMBER foreground)
    Q_PROPERTY(QColor background MEMBER background)
    Q_PROPERTY(int labelWeight MEMBER labelWeight)
    Q_PROPERTY(bool showsIndicator MEMBER showsIndicator)

public:
    QColor foreground;
    QColor background = Qt::transparent;
    int labelWeight = 400;
    bool showsIndicator = false;

    static WDTabItemLook compute(bool active, bool hovered, const WDPalette &palette);

    friend bool operator==(const WDTabItemLook &, const WDTabItemLook &) = default;
};
