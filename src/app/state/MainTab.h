#pragma once

#include <QMetaType>

// The main window's tabs, in the order the tab bar shows them.
enum class MainTab
{
    Tracker,
    Summary,
    Screenshots,
    Settings,
};

Q_DECLARE_METATYPE(MainTab)
