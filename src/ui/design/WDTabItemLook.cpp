#include "ui/design/WDTabItemLook.h"

#include <QFont>

WDTabItemLook WDTabItemLook::compute(bool active, bool hovered, const WDPalette &palette)
{
    WDTabItemLook look;
    if (active) {
        look.foreground = palette.brand500;
        look.labelWeight = QFont::DemiBold;
        look.showsIndicator = true;
        return look;
    }
    look.foreground = hovered ? palette.brand400 : palette.text;
    look.background = hovered ? palette.surfaceSoft : QColor(Qt::transparent);
    look.labelWeight = QFont::Normal;
    return look;
}
