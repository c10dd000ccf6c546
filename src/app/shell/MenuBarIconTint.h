#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// The tray icon's colour tells the tracking state at a glance: green while tracking, orange while
// paused or idle, and white or black (matching the panel) when nothing is tracked.
enum class MenuBarIconTint
{
    Tracking,
    PausedOrIdle,
    MonoLight,
    MonoDark,
};

namespace MenuBarIconTints {
// In declaration order.
QList<MenuBarIconTint> all();
// "green", "orange", "white", "black".
QString rawValue(MenuBarIconTint tint);
// Exactly one of the four texts, letter case included; anything else gives none.
std::optional<MenuBarIconTint> fromRawValue(const QString &text);
QColor color(MenuBarIconTint tint);
} // namespace MenuBarIconTints
